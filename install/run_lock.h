// One run at a time on a machine: a Group Policy startup script and a deployment system
// may start setup.exe together, and two runs that read the same installed state would
// undo each other's work. The lock is setup.lock in the log folder (ui/log_folder.h),
// opened without sharing: only Administrators and SYSTEM can open a file there at all, so
// no user can hold it and make runs wait or fail (an attribute-only handle, which is all
// a folder's lister gets, takes no part in sharing). Everything about the lock is here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "install/installer_wait.h"
#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// Between two tries for a lock another run holds.
inline constexpr std::uint32_t kLockRetryPause = 1000;

class RunLock {
 public:
  // `folder`: the log folder as the run made it ready; none where it could not be.
  RunLock(Windows& windows, std::optional<std::u16string> folder)
      : windows_(windows), folder_(std::move(folder)) {}
  ~RunLock() { Release(); }
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  // Once, without waiting: whether no other run holds it (for the log folder's roll-over,
  // which renames and removes what a run at work may still use). Released by Release().
  bool TryNow();
  // Takes the lock, waiting while another run holds it within the run's ten minutes of
  // waiting (`wait`, which the busy installer's wait then shares): kSuccess, or 1618 when
  // the time is spent. Where no lock can be made (no log folder) runs are not kept apart,
  // as before, and the log says so.
  std::uint32_t Take(Reporter& reporter, InstallerWait& wait);
  // Before anything waits for a person: the final message, a failure's box.
  void Release();

 private:
  OpenedFile Open();

  Windows& windows_;
  const std::optional<std::u16string> folder_;
  AppendHandle lock_ = 0;
};

}  // namespace setup
