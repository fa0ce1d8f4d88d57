#include "install/plugin_flow.h"

#include "install/architecture.h"
#include "install/install_package.h"
#include "install/process_runner.h"
#include "packages/installer_queries.h"
#include "packages/package_locator.h"
#include "packages/version_order.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

constexpr char16_t kFeature[] = u"NPVELUM";

std::uint32_t UpgradeByRemoval(Windows& windows, SetupState& state, const std::u16string& mask,
                               const std::u16string& pluginArgs, bool silent) {
  // The package must be there before the installed plug-in is removed: otherwise the
  // machine would be left with no plug-in at all.
  std::u16string path;
  if (const std::uint32_t code = FindPackage(windows, mask, path); code != 0) {
    ReportPackageNotFound(windows, silent);
    return code;
  }
  const std::uint32_t removal = RunCommand(windows, kPluginRemovalCommand);
  if (removal == kSuccessRebootRequired) {
    state.options.restartToContinue = true;
    return kSuccess;
  }
  if (removal != kSuccess) return removal;
  return InstallPackage(windows, kPluginProductCode, mask, pluginArgs, silent);
}

}  // namespace

PluginAction ChoosePluginAction(std::int32_t productState, int newVersusInstalled,
                                std::int32_t featureState) {
  if (productState == kInstallStateUnknown) return PluginAction::kInstall;
  if (newVersusInstalled == 1) return PluginAction::kUpgrade;
  if (featureState == kInstallStateAbsent) return PluginAction::kAddFeature;
  return PluginAction::kNothing;
}

std::uint32_t InstallPlugin(Windows& windows, SetupState& state, const std::u16string& pluginArgs,
                            bool silent) {
  const std::u16string mask = u"velumcom" + ArchitecturePattern(windows, state.wow64);
  const std::int32_t productState = windows.installer.QueryProductState(kPluginProductCode);
  int newVersusInstalled = 1;
  std::int32_t featureState = kInstallStateUnknown;
  if (productState != kInstallStateUnknown) {
    if (const std::uint32_t code =
            CompareWithInstalled(windows, kPluginProductCode, newVersusInstalled, nullptr, silent);
        code != 0) {
      return code;
    }
    if (newVersusInstalled != 1) {
      featureState = windows.installer.QueryFeatureState(kPluginProductCode, kFeature);
    }
  }
  switch (ChoosePluginAction(productState, newVersusInstalled, featureState)) {
    case PluginAction::kInstall:
      return InstallPackage(windows, kPluginProductCode, mask, pluginArgs, silent);
    case PluginAction::kUpgrade:
      return UpgradeByRemoval(windows, state, mask, pluginArgs, silent);
    case PluginAction::kAddFeature:
      return InstallPackage(windows, kPluginProductCode, mask, pluginArgs + u" ADDLOCAL=NPVELUM",
                            silent);
    case PluginAction::kNothing:
      break;
  }
  return kSuccess;
}

}  // namespace setup
