#include "install/plugin_flow.h"

#include "install/install_package.h"
#include "install/installed_version.h"
#include "install/process_runner.h"
#include "packages/architecture.h"
#include "packages/products.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

PluginResult UpgradeByRemoval(Windows& windows, Reporter& reporter, const std::u16string& path,
                              const std::u16string& pluginArgs, const Publisher& publisher) {
  // The package must be from the right publisher before the installed plug-in is removed:
  // otherwise the machine would be left with no plug-in at all.
  if (const std::uint32_t code = CheckPackagePublisher(windows, reporter, publisher, path);
      code != 0) {
    return {code};
  }
  const std::uint32_t removal = RunInstaller(windows, reporter, RemovalCommand(kPlugin));
  if (removal == kSuccessRebootRequired) {
    reporter.Record(u"plug-in removed; the new one can only be installed after a restart");
    return {kSuccess, true};
  }
  if (removal != kSuccess) return {removal};
  return {InstallFoundPackage(windows, reporter, kPluginProductCode, path, pluginArgs)};
}

// The installed plug-in against this Windows' package, found once: 0, the package's path
// and the order, or the code that ends the flow.
std::uint32_t CompareInstalled(Windows& windows, Reporter& reporter, const std::u16string& mask,
                               std::u16string& path, int& newVersusInstalled) {
  std::u16string installedVersion;
  if (const std::uint32_t code =
          ReadInstalledVersion(windows, reporter, kPluginProductCode, installedVersion);
      code != 0) {
    return code;
  }
  if (const std::uint32_t code = FindRequiredPackage(windows, reporter, mask, path); code != 0) {
    return code;
  }
  return CompareWithInstalled(windows, reporter, kPluginProductCode, installedVersion, path,
                              newVersusInstalled, nullptr);
}

std::u16string ActionName(PluginAction action) {
  switch (action) {
    case PluginAction::kInstall:
      return u"install";
    case PluginAction::kUpgrade:
      return u"remove the installed plug-in, then install the newer package";
    case PluginAction::kAddFeature:
      return u"install the browser feature NPVELUM";
    case PluginAction::kNothing:
      break;
  }
  return u"nothing to do";
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

PluginResult InstallPlugin(Windows& windows, Reporter& reporter, const std::u16string& pluginArgs,
                           const Publisher& publisher) {
  const std::u16string mask = InstallationMask(kPlugin, ArchitecturePattern(windows));
  const std::int32_t productState = windows.installer.QueryProductState(kPluginProductCode);
  int newVersusInstalled = 1;
  std::int32_t featureState = kInstallStateUnknown;
  // Found once: the file whose version decides is the file msiexec gets.
  std::u16string path;
  if (productState == kInstallStateDefault) {
    if (const std::uint32_t code =
            CompareInstalled(windows, reporter, mask, path, newVersusInstalled);
        code != 0) {
      return {code};
    }
    if (newVersusInstalled != 1) {
      featureState = windows.installer.QueryFeatureState(kPluginProductCode, kPlugin.feature);
    }
  }
  const PluginAction action = ChoosePluginAction(productState, newVersusInstalled, featureState);
  reporter.Record(u"plug-in: product state " + SignedText(productState) + u", feature state " +
                  SignedText(featureState) + u": " + ActionName(action));
  switch (action) {
    case PluginAction::kInstall:
      return {InstallPackage(windows, reporter, publisher, kPluginProductCode, mask, pluginArgs)};
    case PluginAction::kUpgrade:
      return UpgradeByRemoval(windows, reporter, path, pluginArgs, publisher);
    case PluginAction::kAddFeature:
      return {InstallCheckedPackage(windows, reporter, publisher, kPluginProductCode, path,
                                    pluginArgs + u" ADDLOCAL=" + kPlugin.feature)};
    case PluginAction::kNothing:
      break;
  }
  return {kSuccess};
}

}  // namespace setup
