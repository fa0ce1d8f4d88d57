// Installing or refreshing the provider and the card provider.
#pragma once

#include <cstdint>
#include <string>

#include "install/package_signature.h"
#include "packages/package_selection.h"
#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

inline constexpr char16_t kReinstallArguments[] = u"REINSTALL=ALL REINSTALLMODE=vomus";

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

// What the options ask of the providers.
struct ProviderRequest {
  bool provider = false;
  bool cardProvider = false;
  bool chosenInDialog = false;  // -selectDlg: the pieces alone choose the provider
  std::u16string providerArgs;
  std::u16string cardProviderArgs;
};

// Both providers as asked, the card provider with its registry files and the root
// certificates; one installer exit code for all of it. The selection gets the language
// default when nothing chose a language. Packages from `publisher` only, where it is known.
std::uint32_t InstallProviders(Windows& windows, Reporter& reporter, const ProviderRequest& request,
                               PackageSelection& selection, const Publisher& publisher);

}  // namespace setup
