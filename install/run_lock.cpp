#include "install/run_lock.h"

#include "common/joined_text.h"
#include "install/installer_wait.h"
#include "platform/windows_constants.h"

static_assert(setup::kInstallerWaitLimit == 600 * 1000, "the log says 600 s");

namespace setup {

OpenedFile RunLock::Open() {
  // Only in a folder closed to users: any user could hold it anywhere else.
  if (!folder_) return {0, kErrorPathNotFound};
  return windows_.files.OpenUnshared(Join({*folder_, "\\setup.lock"}));
}

bool RunLock::TryNow() {
  Release();
  lock_ = Open().handle;
  return lock_ != 0;
}

std::uint32_t RunLock::Take(Reporter& reporter, InstallerWait& wait) {
  Release();
  const std::uint32_t start = windows_.system.ReadTickCount();
  std::uint32_t waited = 0;
  OpenedFile lock;
  while ((lock = Open()).handle == 0 &&
         lock.error == kErrorSharingViolation && waited < kInstallerWaitLimit) {
    if (waited == 0) {
      reporter.Record({"another setup.exe runs: waiting for it, at most 600 s"});
    }
    const std::uint32_t left = kInstallerWaitLimit - waited;
    windows_.system.Sleep(left < kLockRetryPause ? left : kLockRetryPause);
    // Tick arithmetic in unsigned 32 bits stays right across the counter's wrap.
    waited = windows_.system.ReadTickCount() - start;
  }
  wait.lockWait = waited;
  lock_ = lock.handle;
  if (lock_ != 0) {
    // The lines' times tell how long.
    if (waited != 0) reporter.Record({"the other setup.exe has ended: going on"});
    return kSuccess;
  }
  // Anything but a lock another run holds: the lock can't be made (no log folder).
  const bool held = lock.error == kErrorSharingViolation;
  reporter.Record(
      {held ? "another setup.exe still runs after 600 s" : "runs not kept apart: lock error ",
       held ? Piece(u"") : Decimal(lock.error)});
  return held ? reporter.NoteSource(kErrorInstallAlreadyRunning, "another setup.exe") : kSuccess;
}

void RunLock::Release() {
  if (lock_ != 0) windows_.files.CloseFile(lock_);
  lock_ = 0;
}

}  // namespace setup
