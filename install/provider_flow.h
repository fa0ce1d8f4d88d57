// Installing or refreshing the provider and the card provider.
#pragma once

#include <cstdint>
#include <string>

#include "app/setup_state.h"
#include "platform/windows.h"

namespace setup {

inline constexpr char16_t kReinstallArguments[] = u"REINSTALL=ALL REINSTALLMODE=vomus";
// The flow's own exit code for an installed provider too old to be updated.
inline constexpr std::uint32_t kExitProviderTooOld = 6;

enum class ProviderSituation {
  kChosenInDialog,         // -selectDlg: the options alone decide, nothing is queried
  kInstalledNewerOrEqual,  // refreshed in place in its own configuration
  kInstalledOlder,         // the package is older than what is installed
  kAlternateInstalled,     // the provider's other product code is installed
  kNothingInstalled,
};

enum class CardProviderSituation {
  kInstalledNewerOrEqual,
  kInstalledOlder,
  kNotInstalled,
};

struct PackageChoice {
  std::u16string mask;
  std::u16string arguments;
};

// The mask and the extra msiexec arguments of the provider. `installedPieces` are the
// level and language pieces read from the installed product, where one was read.
PackageChoice ChooseProviderPackage(ProviderSituation situation, const std::u16string& architecture,
                                    const PackageSelection& selection,
                                    const std::u16string& installedPieces,
                                    const std::u16string& providerArgs);

PackageChoice ChooseCardProviderPackage(CardProviderSituation situation,
                                        const std::u16string& architecture,
                                        const std::u16string& languagePattern,
                                        const std::u16string& installedPieces,
                                        const std::u16string& cardProviderArgs);

// The language piece a run starts with when nothing chose one.
std::u16string DefaultLanguagePattern(std::uint16_t systemUiLanguage);

// Both providers as the options ask, the card provider with its registry files and the
// root certificates; one installer exit code for all of it.
std::uint32_t InstallProviders(Windows& windows, SetupState& state,
                               const std::u16string& providerArgs,
                               const std::u16string& cardProviderArgs, bool silent);

}  // namespace setup
