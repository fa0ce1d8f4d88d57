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
  // installation), and its copy is made from this very handle.
  AppendHandle held;
  if (const std::uint32_t code = HoldUntilTheEnd(run, found, held); code != kSuccess) {
    return run.reporter.Fail(code, IDS_PACKAGE_NOT_OPENED);
  }
  path = found;
  return kSuccess;
}

std::uint32_t HoldUntilTheEnd(RunContext& run, const std::u16string& path, AppendHandle& held) {
  held = run.held.Find(path);
  if (held != 0) return kSuccess;
  OpenedFile file;
  // A scanner or a writer that has it open for a moment: tried again for a second.
  for (int tries = 20; (file = run.windows.files.HoldFile(path)).handle == 0 &&
                       file.error == kErrorSharingViolation && --tries > 0;) {
    run.windows.system.Sleep(50);
  }
  if (file.handle == 0) {
    const std::uint32_t code = file.error != kSuccess ? file.error : kErrorGenFailure;
    run.reporter.Record({path, " could not be held against change, error ", Decimal(code)});
    return run.reporter.NoteSource(code, "CreateFileW (holding a file)");
  }
  run.held.Keep(held = file.handle, path);
  return kSuccess;
}

std::uint32_t InstallFoundPackage(RunContext& run, const std::u16string& productCode,
                                  const std::u16string& path, const std::u16string& commandLine,
                                  const std::u16string& source) {
  // The installer is told which file is the product's package now, so that an update
  // from a package of another name finds its source. Both calls fail harmlessly for a
  // product that is not installed.
  const std::u16string name = PackageName(path);
  run.reporter.Record({"source list of ", productCode, ": package name ", name});
  run.windows.installer.ForceSourceListResolution(productCode);
  run.windows.installer.SetSourceListPackageName(productCode, name);
  const std::uint32_t code =
      RunInstaller(run.windows, run.reporter, run.installerWait, run.held, commandLine);
  if (!source.empty()) {
    // msiexec ran the copy, which goes with the run: repairs and features run from source
    // look for the package in the share's folder, searched anew (Windows Installer 2.0 has
    // both calls).
    const std::u16string folder = source.substr(0, source.rfind(u'\\') + 1);
    const std::uint32_t added = run.windows.installer.AddSource(productCode, folder);
    run.reporter.Record({"source list of ", productCode, ": ", folder, " added (",
                         Decimal(added), "), searched anew"});
    run.windows.installer.ForceSourceListResolution(productCode);
  }
  return code;
}

}  // namespace setup
