#include "ui/selection_dialog.h"

#include "ui/message_catalogue.h"

namespace setup {
namespace {

constexpr ChoiceButton kChoiceButtons[] = {
    {IDC_KC1, u"kc1*", true},      {IDC_KC2, u"kc2*", true},      {IDC_KC3, u"kc3*", true},
    {IDC_RUSSIAN, u"rus*", false}, {IDC_ENGLISH, u"eng*", false},
};

}  // namespace

std::vector<std::uint16_t> InitialDialogChoice(std::uint16_t systemUiLanguage) {
  return {IDC_KC1, systemUiLanguage == kRussianLanguageId ? std::uint16_t{IDC_RUSSIAN}
                                                          : std::uint16_t{IDC_ENGLISH}};
}

std::span<const ChoiceButton> ChoiceButtons() { return kChoiceButtons; }

SelectionDialogTexts LoadSelectionDialogTexts(Windows& windows) {
  return {LoadText(windows, IDS_OPTIONS), LoadText(windows, IDS_HIDE)};
}

ViewSwitch SwitchView(std::u16string_view caption, const SelectionDialogTexts& texts) {
  const bool expand = caption.substr(0, kOptionsCaptionBufferUnits - 1) == texts.options;
  ViewSwitch view{};
  for (std::uint16_t i = 0; i < view.controls.size(); ++i) {
    const std::uint16_t id = static_cast<std::uint16_t>(IDC_RUSSIAN + i);
    // The slogan and the welcome text share the radio groups' place, so exactly one of
    // the two sets is ever shown.
    const bool compactControl = id == IDC_SLOGAN_GROUP || id == IDC_WELCOME_TEXT;
    view.controls[i] = {id, expand != compactControl};
  }
  view.caption = expand ? texts.hide : texts.options;
  return view;
}

}  // namespace setup
