#include "install/provider_flow.h"

#include "common/exit_codes.h"
#include "install/card_registry.h"
#include "install/install_package.h"
#include "install/installed_version.h"
#include "install/process_runner.h"
#include "install/root_certificates.h"
#include "packages/architecture.h"
#include "packages/products.h"
#include "packages/provider_configuration.h"
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
  std::u16string path;  // the package already found for `choice`; empty: not yet
};

Step Stop(std::uint32_t code) { return {code, true, {}, {}}; }

// An installed product's decision: its configuration's pieces and the package that would
// refresh it in that configuration, found once, ordered against it.
struct Installed {
  std::u16string pieces;
  std::u16string path;
  int newVersusInstalled = 1;
  int minimumVersusInstalled = -1;
};

// The installed version first: when it can't be read, that is the failure reported. The
// configuration's pieces give the mask through `refreshMask`. 0, or the code that ends
// the flow.
template <class RefreshMask>
std::uint32_t CompareInstalled(Windows& windows, Reporter& reporter, const char16_t* productCode,
                               const RefreshMask& refreshMask, Installed& installed) {
  std::u16string version;
  if (const std::uint32_t code = ReadInstalledVersion(windows, reporter, productCode, version);
      code != 0) {
    return code;
  }
  if (const std::uint32_t code =
          DetectInstalledConfiguration(windows, reporter, installed.pieces, productCode);
      code != 0) {
    return code;
  }
  if (const std::uint32_t code =
          FindRequiredPackage(windows, reporter, refreshMask(installed.pieces), installed.path);
      code != 0) {
    return code;
  }
  return CompareWithInstalled(windows, reporter, productCode, version, installed.path,
                              installed.newVersusInstalled, &installed.minimumVersusInstalled);
}

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
  const auto package = [&](ProviderSituation situation, const std::u16string& pieces) {
    return ChooseProviderPackage(situation, architecture, selection, pieces, request.providerArgs);
  };
  const auto choose = [&](ProviderSituation situation, const std::u16string& pieces,
                          const std::u16string& path) {
    reporter.Record(u"provider: " + SituationName(situation));
    return Step{0, false, package(situation, pieces), path};
  };
  if (request.chosenInDialog) return choose(ProviderSituation::kChosenInDialog, {}, {});
  if (IsInstalled(windows, reporter, kProviderProductCode)) {
    Installed installed;
    const auto refreshMask = [&](const std::u16string& pieces) {
      return package(ProviderSituation::kInstalledNewerOrEqual, pieces).mask;
    };
    if (const std::uint32_t code =
            CompareInstalled(windows, reporter, kProviderProductCode, refreshMask, installed);
        code != 0) {
      return Stop(code);
    }
    if (installed.minimumVersusInstalled > 0) {
      return Stop(
          reporter.Fail(exit_code::kProviderTooOld, IDS_PROVIDER_TOO_OLD, IDS_UPDATE_CAPTION));
    }
    if (installed.newVersusInstalled < 0) return choose(ProviderSituation::kInstalledOlder, {}, {});
    return choose(ProviderSituation::kInstalledNewerOrEqual, installed.pieces, installed.path);
  }
  if (IsInstalled(windows, reporter, kAlternateProviderProductCode)) {
    std::u16string pieces;
    if (const std::uint32_t code =
            DetectInstalledConfiguration(windows, reporter, pieces, kAlternateProviderProductCode);
        code != 0) {
      return Stop(code);
    }
    return choose(ProviderSituation::kAlternateInstalled, pieces, {});
  }
  return choose(ProviderSituation::kNothingInstalled, {}, {});
}

Step PlanCardProvider(Windows& windows, Reporter& reporter, const ProviderRequest& request,
                      const PackageSelection& selection, const std::u16string& architecture) {
  const auto package = [&](CardProviderSituation situation, const std::u16string& pieces) {
    return ChooseCardProviderPackage(situation, architecture, selection.languagePattern, pieces,
                                     request.cardProviderArgs);
  };
  if (!IsInstalled(windows, reporter, kCardProviderProductCode)) {
    reporter.Record(u"card provider: not installed");
    return {0, false, package(CardProviderSituation::kNotInstalled, {}), {}};
  }
  Installed installed;
  const auto refreshMask = [&](const std::u16string& pieces) {
    return package(CardProviderSituation::kInstalledNewerOrEqual, pieces).mask;
  };
  if (const std::uint32_t code =
          CompareInstalled(windows, reporter, kCardProviderProductCode, refreshMask, installed);
      code != 0) {
    return Stop(code);
  }
  if (installed.newVersusInstalled < 0) {
    return {0, false, package(CardProviderSituation::kInstalledOlder, {}), {}};
  }
  return {0, false, package(CardProviderSituation::kInstalledNewerOrEqual, installed.pieces),
          installed.path};
}

// The step's package: the one its decision was made on where there was one, else the one
// its mask finds now.
std::uint32_t InstallChosen(Windows& windows, Reporter& reporter, const Publisher& publisher,
                            const char16_t* productCode, const Step& step) {
  if (!step.path.empty()) {
    return InstallCheckedPackage(windows, reporter, publisher, productCode, step.path,
                                 step.choice.arguments);
  }
  return InstallPackage(windows, reporter, publisher, productCode, step.choice.mask,
                        step.choice.arguments);
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
    result = InstallChosen(windows, reporter, publisher, kProviderProductCode, provider);
  }
  if (request.cardProvider) {
    const Step card = PlanCardProvider(windows, reporter, request, selection, architecture);
    // The provider's own failure, if any, stays the one reported.
    if (card.stop) return CombineCodes(result, card.stopCode);
    result = CombineCodes(
        result, InstallChosen(windows, reporter, publisher, kCardProviderProductCode, card));
    result = CombineCodes(result, ApplyCardRegistryFiles(windows, reporter));
    result = CombineCodes(result, ImportRootCertificates(windows, reporter));
  }
  return result;
}

}  // namespace setup
