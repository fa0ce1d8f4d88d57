// The card provider's registry file and access-list file, applied with the system tools.
#pragma once

#include <string>
#include <vector>

namespace setup {

// regedit /s on the registry file, then regini on the access-list file, both for this
// Windows' architecture.
std::vector<std::u16string> CardRegistryCommands(bool x64);

}  // namespace setup
