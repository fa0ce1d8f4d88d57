#include "app/prerequisites.h"

#include "common/exit_codes.h"
#include "platform/windows_constants.h"

namespace setup {

VersionVerdict JudgeOperatingSystem(const std::optional<OsVersion>& version) {
  if (!version) return {exit_code::kVersionUnreadable, IDS_VERSION_UNREADABLE};
  // Older than Windows 2000: the code is the platform's own.
  if (version->major < 5) return {kErrorOldWinVersion, IDS_SYSTEM_TOO_OLD};
  if (version->major == 5) {
    const std::uint16_t servicePack = version->servicePackMajor;
    if (version->minor == 0 && servicePack < 4) {
      return {exit_code::kWindows2000NeedsSp4, IDS_WINDOWS_2000_NEEDS_SP4};
    }
    if (version->minor == 1 && servicePack < 2) {
      return {exit_code::kWindowsXpNeedsSp2, IDS_WINDOWS_XP_NEEDS_SP2};
    }
    if (version->minor == 2 && servicePack < 2) {
      return {exit_code::kWindows2003NeedsSp2, IDS_WINDOWS_2003_NEEDS_SP2};
    }
  }
  return {kSuccess, 0};
}

std::uint32_t CheckOperatingSystem(Windows& windows, Reporter& reporter) {
  const VersionVerdict verdict = JudgeOperatingSystem(windows.system.GetVersion());
  return reporter.Fail(verdict.exitCode, verdict.messageId, IDS_CAPTION);
}

}  // namespace setup
