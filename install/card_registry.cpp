#include "install/card_registry.h"

#include "install/architecture.h"
#include "install/process_runner.h"

namespace setup {

std::uint32_t ApplyCardRegistryFiles(Windows& windows, Wow64Cache& cache) {
  const bool x64 = DetectWow64(windows, cache);
  // Bare names: the tools inherit the start folder as their current directory, and that
  // is where the distribution keeps these files.
  const std::uint32_t registry =
      RunCommand(windows, x64 ? u"regedit /s UEC_x64_2.reg" : u"regedit /s UEC_x86_2.reg");
  const std::uint32_t accessList =
      RunCommand(windows, x64 ? u"regini UEC_acl_x64.acl" : u"regini UEC_acl_x86.acl");
  return CombineCodes(registry, accessList);
}

}  // namespace setup
