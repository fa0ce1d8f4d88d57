// Restarting the computer when an installer asked for it.
#pragma once

#include "platform/windows.h"

namespace setup {

// Enables the shutdown privilege and asks for a forced reboot; true when the system took
// the request. Shows nothing.
bool RestartComputer(Windows& windows);

}  // namespace setup
