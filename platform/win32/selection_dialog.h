// The configuration dialog: template 141 of the program, shown modally with no owner.
#pragma once

#include "platform/win32/system_headers.h"
#include "platform/windows.h"

namespace setup::win32 {

// Shows the dialog with `initial` checked and waits until Next or Cancel ends it. When
// the dialog cannot be shown at all, the outcome is Next with nothing checked, so that
// the run goes on with nothing appended.
DialogOutcome ShowSelectionDialog(HINSTANCE instance, const DialogChoice& initial);

}  // namespace setup::win32
