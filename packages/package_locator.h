// Finding a package one folder below the start folder.
#pragma once

#include <cstdint>
#include <string>

#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// The full path of the first file by name matching `mask` in the first immediate subfolder
// by name (not starting with ".") that holds one; a folder whose name fits the mask is no
// package and is passed over. 0 and the path, 232 when nothing matches, or the platform's
// code when the current folder can't be read. Logs how many files matched; shows nothing.
// The order is NTFS's (ordinal, upper-cased, as CompareStringOrdinal ignoring case), not the
// listing's: FAT sticks and network shares list names as they came, and every machine of a
// rollout must take the same package.
std::uint32_t FindPackage(Windows& windows, Reporter& reporter, const std::u16string& mask,
                          std::u16string& path);

}  // namespace setup
