// The decisions of the configuration dialog: the buttons it opens with, what each choice
// button adds to the package masks, and the Options button's two views.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windows.h"
#include "resources/resource_ids.h"

namespace setup {

inline constexpr std::uint16_t kRussianLanguageId = 0x0419;

// The caption of Options is read into a buffer of this many units, terminator included,
// so a longer caption is compared by its first nine characters only.
inline constexpr std::size_t kOptionsCaptionBufferUnits = 10;

// Russian when the system UI language is Russian, else English; always KC1.
std::vector<std::uint16_t> InitialDialogChoice(std::uint16_t systemUiLanguage);

// A radio button of the choice and the mask piece it stands for.
struct ChoiceButton {
  std::uint16_t id;
  std::u16string_view piece;
  bool level;  // a security level; otherwise a language
};

// The five radio buttons in the order Next reads them: levels, then languages.
std::span<const ChoiceButton> ChoiceButtons();

// What Options does to the controls from IDC_RUSSIAN to IDC_WELCOME_TEXT.
struct ControlVisibility {
  std::uint16_t id;
  bool shown;
};
struct ViewSwitch {
  // Every control from IDC_RUSSIAN to IDC_WELCOME_TEXT, in ascending order.
  std::array<ControlVisibility, IDC_WELCOME_TEXT - IDC_RUSSIAN + 1> controls;
  // The button's new caption: "Hide" when expanding, else "Options".
  std::u16string caption;
};

// The captions the dialog switches between, loaded through the program's string table.
SelectionDialogTexts LoadSelectionDialogTexts(Windows& windows);

// Options: the view is held only in the button's caption. A caption equal to the Options
// message (`texts.options`), unit by unit and within the nine characters the buffer holds,
// means the compact view is showing, so the radio buttons come into view; any other
// caption brings the compact view back.
ViewSwitch SwitchView(std::u16string_view caption, const SelectionDialogTexts& texts);

}  // namespace setup
