// The card provider's registry file and access-list file, applied with the system tools.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace setup {

// regedit /s on the registry file, then regini on the access-list file, both for this
// Windows' architecture: each tool's command without its file, and the file's name in the
// start folder.
struct CardFile {
  const char* tool;
  const char16_t* name;
};
const CardFile (&CardRegistryFiles(bool x64))[2];

}  // namespace setup
