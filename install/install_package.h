// Installing one MSI package with msiexec.
#pragma once

#include <cstdint>
#include <string>

#include "platform/windows.h"

namespace setup {

// msiexec /qn /i "<path>" <extra arguments> REBOOT=R
std::u16string InstallCommandLine(const std::u16string& packagePath,
                                  const std::u16string& extraArguments);

// The file name after the last backslash; the whole path when there is none.
std::u16string PackageName(const std::u16string& packagePath);

// Finds the package by mask, registers its file name in the product's source list and
// installs it. No package: message 139 (unless silent) and the locator's code.
std::uint32_t InstallPackage(Windows& windows, const std::u16string& productCode,
                             const std::u16string& mask, const std::u16string& extraArguments,
                             bool silent);

// Message 139 under caption 129, unless silent.
void ReportPackageNotFound(Windows& windows, bool silent);

}  // namespace setup
