#include "install/card_registry.h"

namespace setup {

std::vector<std::u16string> CardRegistryCommands(bool x64) {
  // The files are named without a folder: the tools inherit the start folder as their
  // current directory, and that is where the distribution keeps them.
  return {x64 ? u"regedit /s UEC_x64_2.reg" : u"regedit /s UEC_x86_2.reg",
          x64 ? u"regini UEC_acl_x64.acl" : u"regini UEC_acl_x86.acl"};
}

}  // namespace setup
