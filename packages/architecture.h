// Which variant of a package suits this Windows: 32-bit or 64-bit.
#pragma once

#include <string>

#include "platform/windows.h"

namespace setup {

// "*x64*" on a 64-bit Windows (this 32-bit program under WOW64), else "*win32*".
std::u16string ArchitecturePattern(Windows& windows);

}  // namespace setup
