// Installing one MSI package with msiexec.
#pragma once

#include <cstdint>
#include <string>

#include "install/installer_wait.h"
#include "install/package_signature.h"
#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// msiexec /qn /i "<path>" <extra arguments> REBOOT=R
std::u16string InstallCommandLine(const std::u16string& packagePath,
                                  const std::u16string& extraArguments);

// The file name after the last backslash; the whole path when there is none.
std::u16string PackageName(const std::u16string& packagePath);

// Finds the package by mask: 0 and `path`; no package: reported, the locator's code.
std::uint32_t FindRequiredPackage(Windows& windows, Reporter& reporter, const std::u16string& mask,
                                  std::u16string& path);

// Registers the package's file name in the product's source list and installs it.
std::uint32_t InstallFoundPackage(Windows& windows, Reporter& reporter,
                                  const std::u16string& productCode, const std::u16string& path,
                                  const std::u16string& extraArguments);

// The package at `path` checked against the run's publisher, then installed: msiexec
// gets the very file that was checked, or the code that keeps it from being installed.
std::uint32_t InstallCheckedPackage(Windows& windows, Reporter& reporter,
                                    const Publisher& publisher, const std::u16string& productCode,
                                    const std::u16string& path,
                                    const std::u16string& extraArguments);

// All of it: the package found, checked and installed.
std::uint32_t InstallPackage(Windows& windows, Reporter& reporter, const Publisher& publisher,
                             const std::u16string& productCode, const std::u16string& mask,
                             const std::u16string& extraArguments);

}  // namespace setup
