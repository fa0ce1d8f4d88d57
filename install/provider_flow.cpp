#include "install/provider_flow.h"

#include "install/architecture.h"
#include "install/card_registry.h"
#include "install/install_package.h"
#include "install/process_runner.h"
#include "install/root_certificates.h"
#include "packages/installer_queries.h"
#include "packages/provider_configuration.h"
#include "packages/version_order.h"
#include "platform/windows_constants.h"
#include "ui/message_catalogue.h"
#include "ui/selection_dialog.h"

namespace setup {
namespace {

bool IsInstalled(Windows& windows, const char16_t* productCode) {
  return windows.installer.QueryProductState(productCode) == kInstallStateDefault;
}

// Step results: either a code that ends the whole flow, or the package to install.
struct Step {
  std::uint32_t stopCode = 0;
  bool stop = false;
  PackageChoice choice;
};

Step Stop(std::uint32_t code) { return {code, true, {}}; }

Step PlanProvider(Windows& windows, SetupState& state, const std::u16string& architecture,
                  const std::u16string& providerArgs, bool silent) {
  const auto choose = [&](ProviderSituation situation, const std::u16string& pieces) {
    return Step{
        0, false,
        ChooseProviderPackage(situation, architecture, state.selection, pieces, providerArgs)};
  };
  if (state.options.showSelectionDialog) return choose(ProviderSituation::kChosenInDialog, {});
  if (IsInstalled(windows, kProviderProductCode)) {
    int newVersusInstalled = 1;
    int minimumVersusInstalled = -1;
    if (const std::uint32_t code = CompareWithInstalled(
            windows, kProviderProductCode, newVersusInstalled, &minimumVersusInstalled, silent);
        code != 0) {
      return Stop(code);
    }
    if (minimumVersusInstalled > 0) {
      if (!silent) ShowMessage(windows, msg::kProviderTooOld, msg::kUpdateCaption, kMbIconError);
      return Stop(kExitProviderTooOld);
    }
    if (newVersusInstalled < 0) return choose(ProviderSituation::kInstalledOlder, {});
    std::u16string pieces;
    if (const std::uint32_t code =
            DetectInstalledConfiguration(windows, pieces, kProviderProductCode, silent);
        code != 0) {
      return Stop(code);
    }
    return choose(ProviderSituation::kInstalledNewerOrEqual, pieces);
  }
  if (IsInstalled(windows, kAlternateProviderProductCode)) {
    std::u16string pieces;
    if (const std::uint32_t code =
            DetectInstalledConfiguration(windows, pieces, kAlternateProviderProductCode, silent);
        code != 0) {
      return Stop(code);
    }
    return choose(ProviderSituation::kAlternateInstalled, pieces);
  }
  return choose(ProviderSituation::kNothingInstalled, {});
}

Step PlanCardProvider(Windows& windows, SetupState& state, const std::u16string& architecture,
                      const std::u16string& cardProviderArgs, bool silent) {
  const auto choose = [&](CardProviderSituation situation, const std::u16string& pieces) {
    return Step{0, false,
                ChooseCardProviderPackage(situation, architecture, state.selection.languagePattern,
                                          pieces, cardProviderArgs)};
  };
  if (!IsInstalled(windows, kCardProviderProductCode)) {
    return choose(CardProviderSituation::kNotInstalled, {});
  }
  int newVersusInstalled = 1;
  if (const std::uint32_t code = CompareWithInstalled(windows, kCardProviderProductCode,
                                                      newVersusInstalled, nullptr, silent);
      code != 0) {
    return Stop(code);
  }
  if (newVersusInstalled < 0) return choose(CardProviderSituation::kInstalledOlder, {});
  std::u16string pieces;
  if (const std::uint32_t code =
          DetectInstalledConfiguration(windows, pieces, kCardProviderProductCode, silent);
      code != 0) {
    return Stop(code);
  }
  return choose(CardProviderSituation::kInstalledNewerOrEqual, pieces);
}

}  // namespace

PackageChoice ChooseProviderPackage(ProviderSituation situation, const std::u16string& architecture,
                                    const PackageSelection& selection,
                                    const std::u16string& installedPieces,
                                    const std::u16string& providerArgs) {
  const std::u16string base = u"csp" + architecture;
  switch (situation) {
    case ProviderSituation::kChosenInDialog:
    case ProviderSituation::kNothingInstalled:
      // The trailing blank is part of the pattern; the platform's search ignores it.
      return {base + selection.levelPattern + selection.languagePattern + u" ", providerArgs};
    case ProviderSituation::kInstalledNewerOrEqual:
      return {base + installedPieces, providerArgs + kReinstallArguments};
    case ProviderSituation::kInstalledOlder:
      return {base, providerArgs};
    case ProviderSituation::kAlternateInstalled:
      return {base + installedPieces, providerArgs};
  }
  return {base, providerArgs};
}

PackageChoice ChooseCardProviderPackage(CardProviderSituation situation,
                                        const std::u16string& architecture,
                                        const std::u16string& languagePattern,
                                        const std::u16string& installedPieces,
                                        const std::u16string& cardProviderArgs) {
  const std::u16string base = u"ucsp" + architecture;
  switch (situation) {
    case CardProviderSituation::kInstalledNewerOrEqual:
      return {base + installedPieces, cardProviderArgs + kReinstallArguments};
    case CardProviderSituation::kInstalledOlder:
      return {base, cardProviderArgs};
    case CardProviderSituation::kNotInstalled:
      return {base + languagePattern, cardProviderArgs};
  }
  return {base, cardProviderArgs};
}

std::u16string DefaultLanguagePattern(std::uint16_t systemUiLanguage) {
  return systemUiLanguage == kRussianLanguageId ? u"rus*" : u"eng*";
}

std::uint32_t InstallProviders(Windows& windows, SetupState& state,
                               const std::u16string& providerArgs,
                               const std::u16string& cardProviderArgs, bool silent) {
  const std::u16string architecture = ArchitecturePattern(windows, state.wow64);
  if (state.selection.languagePattern.empty()) {
    state.selection.languagePattern =
        DefaultLanguagePattern(windows.system.GetSystemDefaultUILanguage());
  }
  std::uint32_t result = kSuccess;
  if (state.options.installProvider) {
    const Step provider = PlanProvider(windows, state, architecture, providerArgs, silent);
    if (provider.stop) return provider.stopCode;
    // A failed provider does not stop the card provider: its code is kept and reported.
    result = InstallPackage(windows, kProviderProductCode, provider.choice.mask,
                            provider.choice.arguments, silent);
  }
  if (state.options.installCardProvider) {
    const Step card = PlanCardProvider(windows, state, architecture, cardProviderArgs, silent);
    if (card.stop) return card.stopCode;
    result = CombineCodes(result, InstallPackage(windows, kCardProviderProductCode,
                                                 card.choice.mask, card.choice.arguments, silent));
    result = CombineCodes(result, ApplyCardRegistryFiles(windows, state.wow64));
    ImportRootCertificates(windows);
  }
  return result;
}

}  // namespace setup
