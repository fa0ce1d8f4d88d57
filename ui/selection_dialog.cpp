#include "ui/selection_dialog.h"

#include "ui/message_catalogue.h"

namespace setup {
namespace {

constexpr ChoiceButton kChoiceButtons[] = {
    {dialog::kKc1, &DialogChoice::kc1},         {dialog::kKc2, &DialogChoice::kc2},
    {dialog::kKc3, &DialogChoice::kc3},         {dialog::kRussian, &DialogChoice::russian},
    {dialog::kEnglish, &DialogChoice::english},
};

}  // namespace

DialogChoice InitialDialogChoice(std::uint16_t systemUiLanguage) {
  DialogChoice choice;
  choice.russian = systemUiLanguage == kRussianLanguageId;
  choice.english = !choice.russian;
  choice.kc1 = true;
  return choice;
}

void AppendDialogChoice(const DialogChoice& choice, PackageSelection& selection) {
  if (choice.kc1) selection.levelPattern += u"kc1*";
  if (choice.kc2) selection.levelPattern += u"kc2*";
  if (choice.kc3) selection.levelPattern += u"kc3*";
  if (choice.russian) selection.languagePattern += u"rus*";
  if (choice.english) selection.languagePattern += u"eng*";
}

std::span<const ChoiceButton> ChoiceButtons() { return kChoiceButtons; }

ViewSwitch SwitchView(std::u16string_view caption, std::u16string_view optionsText) {
  const bool expand = caption.substr(0, dialog::kCaptionBufferUnits - 1) == optionsText;
  ViewSwitch view{};
  for (std::uint16_t i = 0; i < view.controls.size(); ++i) {
    const std::uint16_t id = static_cast<std::uint16_t>(dialog::kRussian + i);
    // The slogan and the welcome text share the radio groups' place, so exactly one of
    // the two sets is ever shown.
    const bool compactControl = id == dialog::kSloganGroup || id == dialog::kWelcomeText;
    view.controls[i] = {id, expand != compactControl};
  }
  view.captionId = expand ? msg::kHide : msg::kOptions;
  return view;
}

}  // namespace setup
