// Finding a package one folder below the start folder.
#pragma once

#include <cstdint>
#include <string>

#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// The full path of the first file matching `mask` in the first immediate subfolder (not
// starting with ".") that holds one, in the platform's enumeration order; a folder whose
// name fits the mask is no package and is passed over. 0 and the path, 232 when nothing
// matches, or the platform's code when the current folder can't be read. Shows nothing.
std::uint32_t FindPackage(Windows& windows, Reporter& reporter, const std::u16string& mask,
                          std::u16string& path);

}  // namespace setup
