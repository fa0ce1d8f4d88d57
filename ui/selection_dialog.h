// The decisions of the configuration dialog: the choice it opens with and what Next adds.
#pragma once

#include <cstdint>

#include "app/setup_state.h"
#include "platform/windows.h"

namespace setup {

inline constexpr std::uint16_t kRussianLanguageId = 0x0419;

// Russian when the system UI language is Russian, else English; always KC1.
DialogChoice InitialDialogChoice(std::uint16_t systemUiLanguage);

// Next: the pieces of every checked button, levels first, appended to what is there.
void AppendDialogChoice(const DialogChoice& choice, PackageSelection& selection);

}  // namespace setup
