#include "install/architecture.h"

namespace setup {

bool DetectWow64(Windows& windows, Wow64Cache& cache) {
  if (cache.address == Wow64Cache::kNotLookedUp) {
    const ModuleHandle kernel32 = windows.system.GetKernel32();
    // Without the module the lookup is tried again next time.
    if (kernel32 == 0) return false;
    cache.address = windows.system.FindIsWow64Process(kernel32);
  }
  if (cache.address == 0) return false;
  return windows.system.CallIsWow64Process(cache.address);
}

std::u16string ArchitecturePattern(Windows& windows, Wow64Cache& cache) {
  return DetectWow64(windows, cache) ? u"*x64*" : u"*win32*";
}

}  // namespace setup
