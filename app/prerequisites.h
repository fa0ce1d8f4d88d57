// The administrator and Windows version checks that come before anything is installed.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

struct VersionVerdict {
  std::uint32_t exitCode;   // 0 when the system is acceptable
  std::uint16_t messageId;  // 0 when nothing is to be shown
};

// The table of acceptable systems; nothing read means `version` is empty.
VersionVerdict JudgeOperatingSystem(const std::optional<OsVersion>& version);

// Asks for the version, reports the verdict and returns its exit code.
std::uint32_t CheckOperatingSystem(Windows& windows, Reporter& reporter);

}  // namespace setup
