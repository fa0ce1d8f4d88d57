#include "install/install_package.h"

#include "install/process_runner.h"
#include "packages/package_locator.h"
#include "platform/windows_constants.h"

namespace setup {

std::u16string InstallCommandLine(const std::u16string& packagePath,
                                  const std::u16string& extraArguments) {
  // REBOOT=R keeps msiexec from restarting or asking: a needed restart comes back as 3010
  // and is ours to offer.
  return u"msiexec /qn /i \"" + packagePath + u"\" " + extraArguments + u" REBOOT=R";
}

std::u16string PackageName(const std::u16string& packagePath) {
  const std::size_t slash = packagePath.rfind(u'\\');
  return slash == std::u16string::npos ? packagePath : packagePath.substr(slash + 1);
}

std::uint32_t FindRequiredPackage(Windows& windows, Reporter& reporter, const std::u16string& mask,
                                  std::u16string& path) {
  if (const std::uint32_t code = FindPackage(windows, reporter, mask, path); code != 0) {
    return reporter.Fail(code, IDS_PACKAGE_NOT_FOUND);
  }
  return kSuccess;
}

std::uint32_t InstallFoundPackage(Windows& windows, Reporter& reporter,
                                  const std::u16string& productCode, const std::u16string& path,
                                  const std::u16string& extraArguments) {
  // The installer is told which file is the product's package now, so that an update
  // from a package of another name finds its source. Both calls fail harmlessly for a
  // product that is not installed.
  windows.installer.ForceSourceListResolution(productCode);
  windows.installer.SetSourceListPackageName(productCode, PackageName(path));
  return RunInstaller(windows, reporter, InstallCommandLine(path, extraArguments));
}

std::uint32_t InstallCheckedPackage(Windows& windows, Reporter& reporter,
                                    const Publisher& publisher, const std::u16string& productCode,
                                    const std::u16string& path,
                                    const std::u16string& extraArguments) {
  if (const std::uint32_t code = CheckPackagePublisher(windows, reporter, publisher, path);
      code != 0) {
    return code;
  }
  return InstallFoundPackage(windows, reporter, productCode, path, extraArguments);
}

std::uint32_t InstallPackage(Windows& windows, Reporter& reporter, const Publisher& publisher,
                             const std::u16string& productCode, const std::u16string& mask,
                             const std::u16string& extraArguments) {
  std::u16string path;
  if (const std::uint32_t code = FindRequiredPackage(windows, reporter, mask, path); code != 0) {
    return code;
  }
  return InstallCheckedPackage(windows, reporter, publisher, productCode, path, extraArguments);
}

}  // namespace setup
