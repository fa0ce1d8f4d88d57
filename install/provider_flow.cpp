#include "install/provider_flow.h"

#include "common/exit_codes.h"
#include "install/card_registry.h"
#include "install/install_package.h"
#include "install/process_runner.h"
#include "install/root_certificates.h"
#include "packages/architecture.h"
#include "packages/installer_queries.h"
#include "packages/provider_configuration.h"
#include "packages/version_order.h"
#include "platform/windows_constants.h"
#include "ui/selection_dialog.h"

namespace setup {
namespace {

bool IsInstalled(Windows& windows, Reporter& reporter, const char16_t* productCode) {
  const std::int32_t state = windows.installer.QueryProductState(productCode);
  reporter.Record(u"product " + std::u16string(productCode) + u": state " + SignedText(state));
  return state == kInstallStateDefault;
}

// Step results: either a code that ends the whole flow, or the package to install.
struct Step {
  std::uint32_t stopCode = 0;
  bool stop = false;
  PackageChoice choice;
};

Step Stop(std::uint32_t code) { return {code, true, {}}; }

std::u16string SituationName(ProviderSituation situation) {
  switch (situation) {
    case ProviderSituation::kChosenInDialog:
      return u"chosen in the dialog";
    case ProviderSituation::kInstalledNewerOrEqual:
      return u"installed, the package is the same or newer: refreshed in its configuration";
    case ProviderSituation::kInstalledOlder:
      return u"installed, the package is older";
    case ProviderSituation::kAlternateInstalled:
      return u"the alternate product is installed";
    case ProviderSituation::kNothingInstalled:
      break;
  }
  return u"not installed";
}

Step PlanProvider(Windows& windows, Reporter& reporter, const ProviderRequest& request,
                  const PackageSelection& selection, const std::u16string& architecture) {
  const auto choose = [&](ProviderSituation situation, const std::u16string& pieces) {
    reporter.Record(u"provider: " + SituationName(situation));
    return Step{
        0, false,
        ChooseProviderPackage(situation, architecture, selection, pieces, request.providerArgs)};
  };
  if (request.chosenInDialog) return choose(ProviderSituation::kChosenInDialog, {});
  if (IsInstalled(windows, reporter, kProviderProductCode)) {
    int newVersusInstalled = 1;
    int minimumVersusInstalled = -1;
    if (const std::uint32_t code = CompareWithInstalled(
            windows, reporter, kProviderProductCode, newVersusInstalled, &minimumVersusInstalled);
        code != 0) {
      return Stop(code);
    }
    if (minimumVersusInstalled > 0) {
      return Stop(
          reporter.Fail(exit_code::kProviderTooOld, IDS_PROVIDER_TOO_OLD, IDS_UPDATE_CAPTION));
    }
    if (newVersusInstalled < 0) return choose(ProviderSituation::kInstalledOlder, {});
    std::u16string pieces;
    if (const std::uint32_t code =
            DetectInstalledConfiguration(windows, reporter, pieces, kProviderProductCode);
        code != 0) {
      return Stop(code);
    }
    return choose(ProviderSituation::kInstalledNewerOrEqual, pieces);
  }
  if (IsInstalled(windows, reporter, kAlternateProviderProductCode)) {
    std::u16string pieces;
    if (const std::uint32_t code =
            DetectInstalledConfiguration(windows, reporter, pieces, kAlternateProviderProductCode);
        code != 0) {
      return Stop(code);
    }
    return choose(ProviderSituation::kAlternateInstalled, pieces);
  }
  return choose(ProviderSituation::kNothingInstalled, {});
}

Step PlanCardProvider(Windows& windows, Reporter& reporter, const ProviderRequest& request,
                      const PackageSelection& selection, const std::u16string& architecture) {
  const auto choose = [&](CardProviderSituation situation, const std::u16string& pieces) {
    return Step{0, false,
                ChooseCardProviderPackage(situation, architecture, selection.languagePattern,
                                          pieces, request.cardProviderArgs)};
  };
  if (!IsInstalled(windows, reporter, kCardProviderProductCode)) {
    reporter.Record(u"card provider: not installed");
    return choose(CardProviderSituation::kNotInstalled, {});
  }
  int newVersusInstalled = 1;
  if (const std::uint32_t code = CompareWithInstalled(windows, reporter, kCardProviderProductCode,
                                                      newVersusInstalled, nullptr);
      code != 0) {
    return Stop(code);
  }
  if (newVersusInstalled < 0) return choose(CardProviderSituation::kInstalledOlder, {});
  std::u16string pieces;
  if (const std::uint32_t code =
          DetectInstalledConfiguration(windows, reporter, pieces, kCardProviderProductCode);
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
  const std::u16string base = InstallationMask(kProvider, architecture);
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
  const std::u16string base = InstallationMask(kCardProvider, architecture);
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

std::uint32_t InstallProviders(Windows& windows, Reporter& reporter, const ProviderRequest& request,
                               PackageSelection& selection, const Publisher& publisher) {
  const std::u16string architecture = ArchitecturePattern(windows);
  if (selection.languagePattern.empty()) {
    selection.languagePattern = DefaultLanguagePattern(windows.system.GetSystemDefaultUILanguage());
    reporter.Record(u"language piece \"" + selection.languagePattern +
                    u"\" from the system UI language");
  }
  std::uint32_t result = kSuccess;
  if (request.provider) {
    const Step provider = PlanProvider(windows, reporter, request, selection, architecture);
    if (provider.stop) return provider.stopCode;
    // A failed provider does not stop the card provider: its code is kept and reported.
    result = InstallPackage(windows, reporter, publisher, kProviderProductCode,
                            provider.choice.mask, provider.choice.arguments);
  }
  if (request.cardProvider) {
    const Step card = PlanCardProvider(windows, reporter, request, selection, architecture);
    // The provider's own failure, if any, stays the one reported.
    if (card.stop) return CombineCodes(result, card.stopCode);
    result =
        CombineCodes(result, InstallPackage(windows, reporter, publisher, kCardProviderProductCode,
                                            card.choice.mask, card.choice.arguments));
    result = CombineCodes(result, ApplyCardRegistryFiles(windows, reporter));
    result = CombineCodes(result, ImportRootCertificates(windows, reporter));
  }
  return result;
}

}  // namespace setup
