#include "install/install_package.h"

#include "common/joined_text.h"
#include "packages/package_locator.h"
#include "platform/windows_constants.h"

namespace setup {

std::u16string InstallCommandLine(const std::u16string& packagePath,
                                  const std::u16string& extraArguments) {
  // REBOOT=R keeps msiexec from restarting or asking: a needed restart comes back as 3010
  // and is ours to offer.
  return Join({"msiexec /qn /i \"", packagePath, "\" ", extraArguments, " REBOOT=R"});
}

std::u16string PackageName(const std::u16string& packagePath) {
  const std::size_t slash = packagePath.rfind(u'\\');
  return slash == std::u16string::npos ? packagePath : packagePath.substr(slash + 1);
}

std::uint32_t FindRequiredPackage(RunContext& run, const std::u16string& mask,
                                  std::u16string& path) {
  std::u16string found;
  if (const std::uint32_t code = FindPackage(run.windows, run.reporter, mask, found); code != 0) {
    return run.reporter.Fail(code, IDS_PACKAGE_NOT_FOUND);
  }
  // Held before its version or signature is read, until the run ends: a writer of the share
  // can't swap it between the check and msiexec (during a removal, or a wait for another
  // installation).
  const OpenedFile held = run.windows.files.HoldFile(found);
  if (held.handle == 0) {
    const std::uint32_t code = held.error != kSuccess ? held.error : kErrorGenFailure;
    run.reporter.Record(
        {"package ", found, " could not be held against change, error ", DecimalText(code)});
    run.reporter.NoteSource(code, "CreateFileW (holding the package)");
    return run.reporter.Fail(code, IDS_PACKAGE_NOT_OPENED);
  }
  run.held.Keep(held.handle, found);
  path = found;
  return kSuccess;
}

std::uint32_t InstallFoundPackage(RunContext& run, const std::u16string& productCode,
                                  const std::u16string& path, const std::u16string& commandLine) {
  // The installer is told which file is the product's package now, so that an update
  // from a package of another name finds its source. Both calls fail harmlessly for a
  // product that is not installed.
  const std::u16string name = PackageName(path);
  run.reporter.Record({"source list of ", productCode, ": package name ", name});
  run.windows.installer.ForceSourceListResolution(productCode);
  run.windows.installer.SetSourceListPackageName(productCode, name);
  return RunInstaller(run.windows, run.reporter, run.installerWait, commandLine);
}

}  // namespace setup
