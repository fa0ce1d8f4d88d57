// The wildcard pieces that choose the provider's variant, as the options and the
// configuration dialog give them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace setup {

// Only ever appended to, except for the language default the provider flow starts with.
struct PackageSelection {
  std::u16string levelPattern;
  std::u16string languagePattern;
};

// Next in the configuration dialog: the pieces of every checked choice button, levels
// first, appended to what is there.
void AppendDialogChoice(const std::vector<std::uint16_t>& checked, PackageSelection& selection);

}  // namespace setup
