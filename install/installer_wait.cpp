#include "install/installer_wait.h"

#include "install/process_runner.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

// msiexec said another installation is in progress (1618): waits until the installer's
// mutex is free, within what is left of the run's ten minutes. true: start msiexec again;
// false: the time is spent and 1618 stands.
bool WaitForOtherInstallation(Windows& windows, Reporter& reporter, InstallerWait& wait) {
  const std::uint32_t now = windows.system.ReadTickCount();
  std::optional<std::uint32_t>& busySince = wait.busySince;
  if (!busySince) busySince = now - wait.lockWait;
  // Tick arithmetic in unsigned 32 bits stays right across the counter's wrap.
  const std::uint32_t elapsed = now - *busySince;
  const std::uint32_t left = elapsed < kInstallerWaitLimit ? kInstallerWaitLimit - elapsed : 0;
  if (left == 0) {
    reporter.Record({"another installation is in progress, and this run has waited ",
                     Decimal(kInstallerWaitLimit / 1000), " s for others already"});
    return false;
  }
  reporter.Record({"another installation is in progress: waiting for it to end, at most ",
                   Decimal((left + 999) / 1000), " s"});
  const InstallerMutex mutex = windows.processes.WaitForInstallerMutex(left);
  std::uint32_t waited = windows.system.ReadTickCount() - now;
  if (mutex != InstallerMutex::kOwned && waited < kInstallerRetryPause && waited < left) {
    // Busy while nobody held the mutex (the installer between two steps, or a mutex we
    // can't read): a pause, so that msiexec is not started over and over; never past
    // the run's limit.
    const std::uint32_t pause = kInstallerRetryPause - waited;
    windows.system.Sleep(pause < left - waited ? pause : left - waited);
    waited = windows.system.ReadTickCount() - now;
  }
  reporter.Record({"wait ended after ", Decimal(waited), " ms: ",
                   mutex == InstallerMutex::kOwned  ? "the other installation still runs"
                   : mutex == InstallerMutex::kFree ? "the installer is free, starting again"
                                                    : "the installer's mutex could not be read, "
                                                      "starting again"});
  return mutex != InstallerMutex::kOwned;
}

}  // namespace

std::uint32_t RunInstaller(Windows& windows, Reporter& reporter, InstallerWait& wait,
                           HeldFiles& held, const std::u16string& commandLine) {
  // Named once: a start after a busy one appends to the same log, so a command line
  // leaves one log however often the installer was busy.
  const std::u16string full = commandLine + reporter.record().InstallerLogArguments(held);
  for (;;) {
    const std::uint32_t code = RunTool(windows, reporter, u"msiexec.exe", full);
    if (code != kErrorInstallAlreadyRunning || !WaitForOtherInstallation(windows, reporter, wait)) {
      return code;
    }
  }
}

}  // namespace setup
