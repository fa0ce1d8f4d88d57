#include "install/provider_flow.h"

#include "common/exit_codes.h"
#include "common/joined_text.h"
#include "install/install_package.h"
#include "install/installed_version.h"
#include "packages/architecture.h"
#include "packages/package_mask.h"
#include "packages/products.h"
#include "packages/provider_configuration.h"
#include "platform/windows_constants.h"
#include "ui/selection_dialog.h"

namespace setup {
namespace {

bool IsInstalled(Windows& windows, Reporter& reporter, const char16_t* productCode) {
  const std::int32_t state = windows.installer.QueryProductState(productCode);
  reporter.Record({"product ", productCode, ": state ", SignedText(state)});
  return state == kInstallStateDefault;
}

const char* SituationName(ProviderSituation situation) {
  switch (situation) {
    case ProviderSituation::kChosenInDialog:
      return "chosen in the dialog";
    case ProviderSituation::kInstalledNewerOrEqual:
      return "installed, the package is the same or newer: refreshed in its configuration";
    case ProviderSituation::kInstalledOlder:
      return "installed, the package is older";
    case ProviderSituation::kAlternateInstalled:
      return "the alternate product is installed";
    case ProviderSituation::kNothingInstalled:
      break;
  }
  return "not installed";
}

// The step's package: the one its decision was made on where there was one, else the one
// its mask finds now. 0, or the code that ends the run.
std::uint32_t Choose(RunContext& run, const Product& product, const std::u16string& architecture,
                     const PackageChoice& choice, bool refresh, const std::u16string& path,
                     std::optional<DetectedPackage>& detected) {
  DetectedPackage package{refresh, choice.arguments, path};
  if (package.path.empty()) {
    if (const std::uint32_t code = FindRequiredPackage(
            run, InstallationMask(product, architecture, choice.pieces), package.path);
        code != 0) {
      return code;
    }
  }
  detected = std::move(package);
  return kSuccess;
}

std::uint32_t DetectProvider(RunContext& run, const std::u16string& architecture) {
  const auto choose = [&](ProviderSituation situation, const MaskPieces& pieces,
                          const std::u16string& path) {
    run.reporter.Record({"provider: ", SituationName(situation)});
    return Choose(run, kProvider, architecture,
                  ChooseProviderPackage(situation, run.selection, pieces, run.request.providerArgs),
                  situation == ProviderSituation::kInstalledNewerOrEqual, path,
                  run.detected.provider);
  };
  if (run.request.chosenInDialog) return choose(ProviderSituation::kChosenInDialog, {}, {});
  if (IsInstalled(run.windows, run.reporter, kProviderProductCode)) {
    Installed installed;
    if (const std::uint32_t code = ReadInstalled(run, kProviderProductCode, true, installed);
        code != 0) {
      return code;
    }
    if (const std::uint32_t code = CompareInstalled(
            run, kProviderProductCode, InstallationMask(kProvider, architecture, installed.pieces),
            installed);
        code != 0) {
      return code;
    }
    if (installed.minimumVersusInstalled > 0) {
      return run.reporter.Fail(exit_code::kProviderTooOld, IDS_PROVIDER_TOO_OLD,
                               IDS_UPDATE_CAPTION);
    }
    if (installed.newVersusInstalled < 0) return choose(ProviderSituation::kInstalledOlder, {}, {});
    return choose(ProviderSituation::kInstalledNewerOrEqual, installed.pieces, installed.path);
  }
  if (IsInstalled(run.windows, run.reporter, kAlternateProviderProductCode)) {
    MaskPieces pieces;
    if (const std::uint32_t code = DetectInstalledConfiguration(run.windows, run.reporter, pieces,
                                                                kAlternateProviderProductCode);
        code != 0) {
      return code;
    }
    return choose(ProviderSituation::kAlternateInstalled, pieces, {});
  }
  return choose(ProviderSituation::kNothingInstalled, {}, {});
}

std::uint32_t DetectCardProvider(RunContext& run, const std::u16string& architecture) {
  const auto choose = [&](CardProviderSituation situation, const MaskPieces& pieces,
                          const std::u16string& path) {
    return Choose(
        run, kCardProvider, architecture,
        ChooseCardProviderPackage(situation, run.selection, pieces, run.request.cardProviderArgs),
        situation == CardProviderSituation::kInstalledNewerOrEqual, path,
        run.detected.cardProvider);
  };
  if (!IsInstalled(run.windows, run.reporter, kCardProviderProductCode)) {
    run.reporter.Record({"card provider: not installed"});
    return choose(CardProviderSituation::kNotInstalled, {}, {});
  }
  Installed installed;
  if (const std::uint32_t code = ReadInstalled(run, kCardProviderProductCode, true, installed);
      code != 0) {
    return code;
  }
  if (const std::uint32_t code = CompareInstalled(
          run, kCardProviderProductCode,
          InstallationMask(kCardProvider, architecture, installed.pieces), installed);
      code != 0) {
    return code;
  }
  if (installed.newVersusInstalled < 0) {
    return choose(CardProviderSituation::kInstalledOlder, {}, {});
  }
  return choose(CardProviderSituation::kInstalledNewerOrEqual, installed.pieces, installed.path);
}

}  // namespace

PackageChoice ChooseProviderPackage(ProviderSituation situation, const PackageSelection& selection,
                                    const MaskPieces& installed,
                                    const std::u16string& providerArgs) {
  switch (situation) {
    case ProviderSituation::kChosenInDialog:
    case ProviderSituation::kNothingInstalled:
      return {ChosenPieces(kProvider, selection), providerArgs};
    case ProviderSituation::kInstalledNewerOrEqual:
      return {installed, providerArgs + kReinstallArguments};
    case ProviderSituation::kInstalledOlder:
      return {{}, providerArgs};
    case ProviderSituation::kAlternateInstalled:
      return {installed, providerArgs};
  }
  return {{}, providerArgs};
}

PackageChoice ChooseCardProviderPackage(CardProviderSituation situation,
                                        const PackageSelection& selection,
                                        const MaskPieces& installed,
                                        const std::u16string& cardProviderArgs) {
  switch (situation) {
    case CardProviderSituation::kInstalledNewerOrEqual:
      return {installed, cardProviderArgs + kReinstallArguments};
    case CardProviderSituation::kInstalledOlder:
      return {{}, cardProviderArgs};
    case CardProviderSituation::kNotInstalled:
      return {ChosenPieces(kCardProvider, selection), cardProviderArgs};
  }
  return {{}, cardProviderArgs};
}

std::u16string DefaultLanguagePattern(std::uint16_t systemUiLanguage) {
  return systemUiLanguage == kRussianLanguageId ? u"rus*" : u"eng*";
}

std::uint32_t DetectProviders(RunContext& run) {
  if (!run.request.provider && !run.request.cardProvider) return kSuccess;
  const std::u16string architecture = ArchitecturePattern(run.windows);
  if (run.selection.languagePattern.empty()) {
    run.selection.languagePattern =
        DefaultLanguagePattern(run.windows.system.GetSystemDefaultUILanguage());
    run.reporter.Record(
        {"language piece \"", run.selection.languagePattern, "\" from the system UI language"});
  }
  if (run.request.provider) {
    if (const std::uint32_t code = DetectProvider(run, architecture); code != 0) return code;
  }
  if (run.request.cardProvider) return DetectCardProvider(run, architecture);
  return kSuccess;
}

}  // namespace setup
