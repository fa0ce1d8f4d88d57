#include "ui/selection_dialog.h"

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

ViewSwitch SwitchView(std::u16string_view caption, std::u16string_view optionsText) {
  const bool expand = caption.substr(0, kOptionsCaptionBufferUnits - 1) == optionsText;
  ViewSwitch view{};
  for (std::uint16_t i = 0; i < view.controls.size(); ++i) {
    const std::uint16_t id = static_cast<std::uint16_t>(IDC_RUSSIAN + i);
    // The slogan and the welcome text share the radio groups' place, so exactly one of
    // the two sets is ever shown.
    const bool compactControl = id == IDC_SLOGAN_GROUP || id == IDC_WELCOME_TEXT;
    view.controls[i] = {id, expand != compactControl};
  }
  view.captionId = expand ? IDS_HIDE : IDS_OPTIONS;
  return view;
}

}  // namespace setup
