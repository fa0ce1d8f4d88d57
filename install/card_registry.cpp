#include "install/card_registry.h"

namespace setup {

std::vector<std::pair<const char*, const char16_t*>> CardRegistryFiles(bool x64) {
  return {{"regedit /s ", x64 ? u"UEC_x64_2.reg" : u"UEC_x86_2.reg"},
          {"regini ", x64 ? u"UEC_acl_x64.acl" : u"UEC_acl_x86.acl"}};
}

}  // namespace setup
