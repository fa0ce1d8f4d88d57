#include "install/plugin_flow.h"

#include "common/joined_text.h"
#include "install/install_package.h"
#include "install/installed_version.h"
#include "packages/architecture.h"
#include "packages/package_mask.h"
#include "packages/products.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

const char* ActionName(PluginAction action) {
  switch (action) {
    case PluginAction::kInstall:
      return "install";
    case PluginAction::kUpgrade:
      return "remove the installed plug-in, then install the newer package";
    case PluginAction::kAddFeature:
      return "install the browser feature NPVELUM";
    case PluginAction::kNothing:
      break;
  }
  return "nothing to do";
}

}  // namespace

PluginAction ChoosePluginAction(std::int32_t productState, int newVersusInstalled,
                                std::int32_t featureState) {
  // Only a product installed for this machine counts: another account's per-user
  // installation (absent here) has no version to read, and gets one of its own.
  if (productState != kInstallStateDefault) return PluginAction::kInstall;
  if (newVersusInstalled == 1) return PluginAction::kUpgrade;
  // There means installed locally or run from source, as deploy\detect-plugin.* count it:
  // any other state (advertised, absent, broken) would be "done" here and "not detected"
  // there, and a deployment would retry for ever.
  if (featureState != kInstallStateLocal && featureState != kInstallStateSource) {
    return PluginAction::kAddFeature;
  }
  return PluginAction::kNothing;
}

std::uint32_t DetectPlugin(RunContext& run) {
  DetectedPlugin& plugin = run.detected.plugin;
  const std::u16string mask = InstallationMask(kPlugin, ArchitecturePattern(run.windows));
  const std::int32_t productState = run.windows.installer.QueryProductState(kPluginProductCode);
  int newVersusInstalled = 1;
  std::int32_t featureState = kInstallStateUnknown;
  // Found once: the file whose version decides is the file msiexec gets.
  if (productState == kInstallStateDefault) {
    Installed installed;
    if (const std::uint32_t code = ReadInstalled(run, kPluginProductCode, false, installed);
        code != 0) {
      return code;
    }
    if (const std::uint32_t code = CompareInstalled(run, kPluginProductCode, mask, installed);
        code != 0) {
      return code;
    }
    plugin.path = installed.path;
    newVersusInstalled = installed.newVersusInstalled;
    if (newVersusInstalled != 1) {
      featureState = run.windows.installer.QueryFeatureState(kPluginProductCode, kPlugin.feature);
    }
  }
  const PluginAction action = plugin.action =
      ChoosePluginAction(productState, newVersusInstalled, featureState);
  run.reporter.Record({"plug-in: product state ", SignedText(productState), ", feature state ",
                       SignedText(featureState), ": ", ActionName(action)});
  if (action == PluginAction::kInstall) return FindRequiredPackage(run, mask, plugin.path);
  return kSuccess;
}

}  // namespace setup
