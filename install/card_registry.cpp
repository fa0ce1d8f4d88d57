#include "install/card_registry.h"

#include "common/exit_codes.h"
#include "install/process_runner.h"

namespace setup {

std::uint32_t ApplyCardRegistryFiles(Windows& windows, Reporter& reporter) {
  const bool x64 = windows.system.IsWow64();
  // The files are named without a folder: the tools inherit the start folder as their
  // current directory, and that is where the distribution keeps them.
  const std::uint32_t registry =
      RunTool(windows, reporter, u"regedit.exe",
              x64 ? u"regedit /s UEC_x64_2.reg" : u"regedit /s UEC_x86_2.reg");
  const std::uint32_t accessList =
      RunTool(windows, reporter, u"regini.exe",
              x64 ? u"regini UEC_acl_x64.acl" : u"regini UEC_acl_x86.acl");
  return CombineCodes(registry, accessList);
}

}  // namespace setup
