#include "install/card_registry.h"

namespace setup {

const CardFile (&CardRegistryFiles(bool x64))[2] {
  static constexpr CardFile kX64[2] = {{"regedit /s ", u"UEC_x64_2.reg"},
                                       {"regini ", u"UEC_acl_x64.acl"}};
  static constexpr CardFile kX86[2] = {{"regedit /s ", u"UEC_x86_2.reg"},
                                       {"regini ", u"UEC_acl_x86.acl"}};
  return x64 ? kX64 : kX86;
}

}  // namespace setup
