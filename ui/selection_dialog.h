// The decisions of the configuration dialog: the choice it opens with, what Next adds,
// which radio button holds which part of the choice, and the Options button's two views.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "app/setup_state.h"
#include "platform/windows.h"

namespace setup {

inline constexpr std::uint16_t kRussianLanguageId = 0x0419;

// Russian when the system UI language is Russian, else English; always KC1.
DialogChoice InitialDialogChoice(std::uint16_t systemUiLanguage);

// Next: the pieces of every checked button, levels first, appended to what is there.
void AppendDialogChoice(const DialogChoice& choice, PackageSelection& selection);

// The dialog's resources and controls, as setup.rc lays them out.
namespace dialog {
inline constexpr std::uint16_t kTemplate = 141;
inline constexpr std::uint16_t kIcon = 100;
inline constexpr std::uint16_t kNext = 140;
inline constexpr std::uint16_t kCancel = 2;
inline constexpr std::uint16_t kRussian = 1006;
inline constexpr std::uint16_t kEnglish = 1007;
inline constexpr std::uint16_t kKc1 = 1008;
inline constexpr std::uint16_t kKc2 = 1009;
inline constexpr std::uint16_t kKc3 = 1010;
inline constexpr std::uint16_t kSloganGroup = 1011;
inline constexpr std::uint16_t kLanguageGroup = 1012;
inline constexpr std::uint16_t kLevelGroup = 1013;
inline constexpr std::uint16_t kWelcomeText = 1014;
inline constexpr std::uint16_t kOptions = 1015;
// The caption of Options is read into a buffer of this many units, terminator included,
// so a longer caption is compared by its first nine characters only.
inline constexpr std::size_t kCaptionBufferUnits = 10;
}  // namespace dialog

// A radio button and the part of the choice it holds.
struct ChoiceButton {
  std::uint16_t id;
  bool DialogChoice::*checked;
};

// The five radio buttons in the order Next reads them: levels, then languages.
std::span<const ChoiceButton> ChoiceButtons();

// What Options does to the controls 1006 to 1014.
struct ControlVisibility {
  std::uint16_t id;
  bool shown;
};
struct ViewSwitch {
  // Every control from 1006 to 1014, in ascending order, as the switch shows or hides it.
  std::array<ControlVisibility, 9> controls;
  // The message that becomes the button's caption: 142 when expanding, else 143.
  std::uint16_t captionId;
};

// Options: the view is held only in the button's caption. A caption equal to message 143
// (`optionsText`), unit by unit and within the nine characters the buffer holds, means
// the compact view is showing, so the radio buttons come into view; any other caption
// brings the compact view back.
ViewSwitch SwitchView(std::u16string_view caption, std::u16string_view optionsText);

}  // namespace setup
