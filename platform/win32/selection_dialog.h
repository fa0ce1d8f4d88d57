// The configuration dialog of the program's resources, shown modally with no owner.
#pragma once

#include "platform/win32/system_headers.h"
#include "platform/windows.h"

namespace setup::win32 {

// Shows the dialog with the buttons `checked` checked and waits until Next (the choice
// buttons checked then) or Cancel (nothing) ends it. When the dialog cannot be shown at
// all, the outcome is Next with nothing checked, so that the run goes on with nothing
// appended.
std::optional<std::vector<std::uint16_t>> ShowSelectionDialog(
    HINSTANCE instance, const std::vector<std::uint16_t>& checked);

}  // namespace setup::win32
