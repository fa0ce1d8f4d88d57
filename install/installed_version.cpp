#include "install/installed_version.h"

#include "common/joined_text.h"
#include "install/install_package.h"
#include "packages/installer_queries.h"
#include "packages/products.h"
#include "packages/provider_configuration.h"
#include "packages/version_order.h"
#include "platform/windows_constants.h"

namespace setup {

std::uint32_t ReadInstalledVersion(Windows& windows, Reporter& reporter,
                                   const std::u16string& productCode, std::u16string& version) {
  if (const std::uint32_t code =
          windows.installer.ReadProductInfo(productCode, u"VersionString", version);
      code != 0) {
    return reporter.Fail(code, IDS_INSTALLED_VERSION_UNREADABLE);
  }
  return kSuccess;
}

std::uint32_t CompareWithInstalled(Windows& windows, Reporter& reporter,
                                   const std::u16string& productCode,
                                   const std::u16string& installedVersion,
                                   const std::u16string& packagePath, int& newVersusInstalled,
                                   int* minimumVersusInstalled) {
  // A file the mask found that is no package fails here, before anything is run.
  PackageHandle package(windows.installer);
  if (const std::uint32_t code = package.Open(packagePath); code != 0) {
    return reporter.Fail(code, IDS_PACKAGE_NOT_OPENED);
  }
  std::u16string newVersion;
  if (const std::uint32_t code = package.ReadProperty(u"ProductVersion", newVersion); code != 0) {
    return reporter.Fail(code, IDS_PACKAGE_VERSION_UNREADABLE);
  }
  newVersusInstalled = CompareVersions(newVersion, installedVersion);
  reporter.Record({"product ", productCode, ": installed version ", installedVersion,
                   ", package version ", newVersion,
                   newVersusInstalled > 0    ? " (newer)"
                   : newVersusInstalled == 0 ? " (same)"
                                             : " (older)"});
  if (minimumVersusInstalled != nullptr && OrdinalCompare(productCode, kProviderProductCode) == 0) {
    *minimumVersusInstalled = CompareVersions(kMinimumUpdatableVersion, installedVersion);
  }
  return kSuccess;
}

std::uint32_t ReadInstalled(RunContext& run, const std::u16string& productCode, bool withPieces,
                            Installed& installed) {
  if (const std::uint32_t code =
          ReadInstalledVersion(run.windows, run.reporter, productCode, installed.version);
      code != 0 || !withPieces) {
    return code;
  }
  return DetectInstalledConfiguration(run.windows, run.reporter, installed.pieces, productCode);
}

std::uint32_t CompareInstalled(RunContext& run, const std::u16string& productCode,
                               const std::u16string& mask, Installed& installed) {
  if (const std::uint32_t code = FindRequiredPackage(run, mask, installed.path); code != 0) {
    return code;
  }
  return CompareWithInstalled(run.windows, run.reporter, productCode, installed.version,
                              installed.path, installed.newVersusInstalled,
                              &installed.minimumVersusInstalled);
}

}  // namespace setup
