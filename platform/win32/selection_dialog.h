// The configuration dialog of the program's resources, shown modally with no owner.
#pragma once

#include "platform/desktop.h"
#include "platform/win32/system_headers.h"

namespace setup::win32 {

// Shows the dialog with the buttons `checked` checked and the Options captions `texts`, and
// waits until Next (the choice buttons checked then) or Cancel (nothing) ends it; or says
// that it could not be shown.
SelectionDialogOutcome ShowSelectionDialog(HINSTANCE instance,
                                           const std::vector<std::uint16_t>& checked,
                                           const SelectionDialogTexts& texts);

}  // namespace setup::win32
