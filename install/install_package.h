// Installing one MSI package with msiexec.
#pragma once

#include <cstdint>
#include <string>

#include "install/installer_wait.h"
#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// msiexec /qn /i "<path>" <extra arguments> REBOOT=R
std::u16string InstallCommandLine(const std::u16string& packagePath,
                                  const std::u16string& extraArguments);

// The file name after the last backslash; the whole path when there is none.
std::u16string PackageName(const std::u16string& packagePath);

// Finds the package by mask, registers its file name in the product's source list and
// installs it. No package: reported, and the locator's code returned.
std::uint32_t InstallPackage(Windows& windows, Reporter& reporter,
                             const std::u16string& productCode, const std::u16string& mask,
                             const std::u16string& extraArguments);

}  // namespace setup
