#include "install/run_lock.h"

#include "install/installer_wait.h"
#include "platform/windows_constants.h"
#include "ui/log_folder.h"

namespace setup {

std::uint32_t RunLock::Take() {
  const std::u16string folder = LogFolderPath(windows_);
  const std::u16string path = folder + u"\\setup.lock";
  const std::uint32_t start = windows_.system.ReadTickCount();
  bool waited = false;
  for (;;) {
    const OpenedFile lock = folder.empty() ? OpenedFile{} : windows_.files.OpenUnshared(path);
    // Tick arithmetic in unsigned 32 bits stays right across the counter's wrap.
    const std::uint32_t elapsed = windows_.system.ReadTickCount() - start;
    if (lock.handle != 0) {
      lock_ = lock.handle;
      if (waited) {
        reporter_.PerRun<InstallerAllowance>().lockWait = elapsed;
        reporter_.Record(u"the other setup.exe has ended: waited " + DecimalText(elapsed) +
                         u" ms for it");
      }
      reporter_.record().RollOver();
      return kSuccess;
    }
    if (lock.error != kErrorSharingViolation) {
      reporter_.Record(u"runs not kept apart: the lock " + path + u" could not be opened, error " +
                       DecimalText(lock.error));
      return kSuccess;
    }
    if (elapsed >= kInstallerWaitLimit) {
      reporter_.Record(u"another setup.exe still runs after " +
                       DecimalText(kInstallerWaitLimit / 1000) + u" s: giving up");
      return reporter_.NoteSource(kErrorInstallAlreadyRunning, u"another setup.exe");
    }
    if (!waited) {
      reporter_.Record(u"another setup.exe is running (it holds " + path +
                       u"): waiting for it to end, at most " +
                       DecimalText(kInstallerWaitLimit / 1000) + u" s");
      waited = true;
    }
    const std::uint32_t left = kInstallerWaitLimit - elapsed;
    windows_.system.Sleep(left < kLockRetryPause ? left : kLockRetryPause);
  }
}

void RunLock::Release() {
  if (lock_ != 0) windows_.files.CloseFile(lock_);
  lock_ = 0;
}

}  // namespace setup
