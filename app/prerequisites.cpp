#include "app/prerequisites.h"

#include "platform/windows_constants.h"
#include "ui/message_catalogue.h"

namespace setup {

VersionVerdict JudgeOperatingSystem(const std::optional<OsVersion>& version) {
  if (!version) return {kExitVersionUnreadable, msg::kVersionUnreadable, false};
  // The system cannot be older than Windows 2000 and still run this program correctly,
  // so its message is shown even to an unattended run; the code is the platform's own.
  if (version->major < 5) return {kErrorOldWinVersion, msg::kSystemTooOld, true};
  if (version->major == 5) {
    const std::uint16_t servicePack = version->servicePackMajor;
    if (version->minor == 0 && servicePack < 4) {
      return {kExitWindows2000NeedsSp4, msg::kWindows2000NeedsSp4, false};
    }
    if (version->minor == 1 && servicePack < 2) {
      return {kExitWindowsXpNeedsSp2, msg::kWindowsXpNeedsSp2, false};
    }
    if (version->minor == 2 && servicePack < 2) {
      return {kExitWindows2003NeedsSp2, msg::kWindows2003NeedsSp2, false};
    }
  }
  return {kSuccess, 0, false};
}

std::uint32_t CheckOperatingSystem(Windows& windows, bool silent) {
  const VersionVerdict verdict = JudgeOperatingSystem(windows.system.GetVersion());
  if (verdict.messageId != 0 && (!silent || verdict.shownWhenSilent)) {
    ShowMessage(windows, verdict.messageId, msg::kCaption, kMbIconError);
  }
  return verdict.exitCode;
}

}  // namespace setup
