// The card provider's registry file and access-list file, applied with the system tools.
#pragma once

#include <cstdint>

#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// regedit /s on the registry file, then regini on the access-list file, both for this
// Windows' architecture and both always run; their codes combined.
std::uint32_t ApplyCardRegistryFiles(Windows& windows, Reporter& reporter);

}  // namespace setup
