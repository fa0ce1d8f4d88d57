// What the provider and the card provider are, and which package each one's step gets.
#pragma once

#include <cstdint>
#include <string>

#include "install/run_context.h"
#include "packages/package_mask.h"
#include "packages/package_selection.h"

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
  MaskPieces pieces;  // the mask's, after the product's prefix and the architecture pattern
  std::u16string arguments;
  bool operator==(const PackageChoice&) const = default;
};

// The pieces of the provider's mask and its extra msiexec arguments. `installed` are the
// pieces read from the installed product, where they were read.
PackageChoice ChooseProviderPackage(ProviderSituation situation, const PackageSelection& selection,
                                    const MaskPieces& installed,
                                    const std::u16string& providerArgs);

PackageChoice ChooseCardProviderPackage(CardProviderSituation situation,
                                        const PackageSelection& selection,
                                        const MaskPieces& installed,
                                        const std::u16string& cardProviderArgs);

// The language piece a run starts with when nothing chose one.
std::u16string DefaultLanguagePattern(std::uint16_t systemUiLanguage);

// The providers the run asks for, read before anything changes: each one's situation, and
// its package found once and held (run.detected). The selection gets the language default
// when nothing chose a language. 0, or the code that ends the run, reported.
std::uint32_t DetectProviders(RunContext& run);

}  // namespace setup
