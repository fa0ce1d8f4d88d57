// Which variant of a package suits this Windows: 32-bit or 64-bit.
#pragma once

#include <string>

#include "app/setup_state.h"
#include "platform/windows.h"

namespace setup {

// True when this 32-bit program runs under WOW64, that is on a 64-bit Windows.
// IsWow64Process is looked up once; Windows 2000 has none.
bool DetectWow64(Windows& windows, Wow64Cache& cache);

// "*x64*" on a 64-bit Windows, else "*win32*".
std::u16string ArchitecturePattern(Windows& windows, Wow64Cache& cache);

}  // namespace setup
