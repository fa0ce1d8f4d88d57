#include "packages/architecture.h"

namespace setup {

std::u16string ArchitecturePattern(Windows& windows) {
  return windows.system.IsWow64() ? u"*x64*" : u"*win32*";
}

}  // namespace setup
