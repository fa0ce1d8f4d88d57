// The administrator and Windows version checks that come before anything is installed.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/windows.h"

namespace setup {

// Exit codes of the checks.
inline constexpr std::uint32_t kExitNotAdministrator = 1;
inline constexpr std::uint32_t kExitVersionUnreadable = 2;
inline constexpr std::uint32_t kExitWindows2000NeedsSp4 = 3;
inline constexpr std::uint32_t kExitWindowsXpNeedsSp2 = 4;
inline constexpr std::uint32_t kExitWindows2003NeedsSp2 = 5;

struct VersionVerdict {
  std::uint32_t exitCode;   // 0 when the system is acceptable
  std::uint16_t messageId;  // 0 when nothing is to be shown
  bool shownWhenSilent;     // only the too-old system speaks up in silent runs
};

// The table of acceptable systems; nothing read means `version` is empty.
VersionVerdict JudgeOperatingSystem(const std::optional<OsVersion>& version);

// Asks for the version, shows the verdict's message and returns its exit code.
std::uint32_t CheckOperatingSystem(Windows& windows, bool silent);

}  // namespace setup
