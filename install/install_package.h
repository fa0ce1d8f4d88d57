// Finding, holding and installing one MSI package with msiexec.
#pragma once

#include <cstdint>
#include <string>

#include "install/run_context.h"

namespace setup {

// msiexec /qn /i "<path>" <extra arguments> REBOOT=R
std::u16string InstallCommandLine(const std::u16string& packagePath,
                                  const std::u16string& extraArguments);

// The file name after the last backslash; the whole path when there is none.
std::u16string PackageName(const std::u16string& packagePath);

// Finds the package by mask and holds it against change for the rest of the run, before
// anything reads it: 0 and `path`, or the code, reported (no package: the locator's).
std::uint32_t FindRequiredPackage(RunContext& run, const std::u16string& mask,
                                  std::u16string& path);

// The file at `path` held open, shared for reading only, until the run ends (once per
// path): 0 and `held`, or the code, recorded.
std::uint32_t HoldUntilTheEnd(RunContext& run, const std::u16string& path, AppendHandle& held);

// Registers the package's file name in the product's source list and runs the command line;
// for a copy of the share's `source`, then adds the share's folder to the source list.
std::uint32_t InstallFoundPackage(RunContext& run, const std::u16string& productCode,
                                  const std::u16string& path, const std::u16string& commandLine,
                                  const std::u16string& source);

}  // namespace setup
