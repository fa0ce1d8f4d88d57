// The values that live for the whole run, in one object the main flow owns.
#pragma once

#include <cstdint>
#include <string>

namespace setup {

struct InstallerOptions {
  bool installProvider = false;
  bool installCardProvider = false;
  bool showSelectionDialog = false;
  bool silent = false;
  std::u16string providerArgs;
  std::u16string cardProviderArgs;
  std::u16string pluginArgs;
  // Set by the plug-in flow when removing the old plug-in needs a restart first.
  bool restartToContinue = false;
};

// Wildcard pieces that choose the provider's variant; only ever appended to, except for
// the language default the provider flow assigns.
struct PackageSelection {
  std::u16string levelPattern;
  std::u16string languagePattern;
};

// The address of IsWow64Process, looked up once: kNotLookedUp until then, 0 when absent.
struct Wow64Cache {
  static constexpr std::uintptr_t kNotLookedUp = ~std::uintptr_t{0};
  std::uintptr_t address = kNotLookedUp;
};

struct SetupState {
  InstallerOptions options;
  PackageSelection selection;
  Wow64Cache wow64;
};

}  // namespace setup
