#include "install/process_runner.h"

#include "platform/windows_constants.h"

namespace setup {

bool IsSuccess(std::uint32_t code) { return code == kSuccess || code == kSuccessRebootRequired; }

std::u16string FindSystemTool(Windows& windows, const std::u16string& fileName) {
  for (std::u16string folder :
       {windows.files.ReadSystemDirectory(), windows.files.ReadWindowsDirectory()}) {
    if (folder.empty()) continue;
    if (folder.back() != u'\\') folder += u'\\';
    if (windows.files.ReadFileSize(folder + fileName)) return folder + fileName;
  }
  return {};
}

std::uint32_t RunTool(Windows& windows, Reporter& reporter, const std::u16string& fileName,
                      const std::u16string& commandLine) {
  const std::u16string program = FindSystemTool(windows, fileName);
  if (program.empty()) {
    reporter.Record(u"not run, " + fileName +
                    u" is in neither the system nor the Windows "
                    u"folder: " +
                    commandLine);
    return reporter.NoteSource(kErrorFileNotFound, u"the search for " + fileName);
  }
  reporter.Record(u"run " + program + u": " + commandLine);
  const std::uint32_t started = windows.system.ReadTickCount();
  const ProcessOutcome outcome = windows.processes.RunAndWait(program, commandLine);
  const std::uint32_t milliseconds = windows.system.ReadTickCount() - started;
  std::uint32_t code = outcome.exitCode;
  std::u16string what = u"exit code ";
  // The tool as the command line names it ("regini"): its code is its own.
  std::u16string source = commandLine.substr(0, commandLine.find(u' '));
  if (!outcome.started || outcome.waitFailed || !outcome.exitCodeRead) {
    // A failure whose last error reads 0 must still not pass for a success.
    code = outcome.error != kSuccess ? outcome.error : kErrorGenFailure;
    what = !outcome.started     ? u"could not be started, error "
           : outcome.waitFailed ? u"could not be waited for, error "
                                : u"exit code unreadable, error ";
    source = (!outcome.started     ? u"CreateProcessW ("
              : outcome.waitFailed ? u"WaitForSingleObject ("
                                   : u"GetExitCodeProcess (") +
             source + u")";
  }
  reporter.Record(what + DecimalText(code) + u" after " + DecimalText(milliseconds) + u" ms");
  return reporter.NoteSource(code, source);
}

bool WaitForOtherInstallation(Windows& windows, Reporter& reporter) {
  const std::uint32_t left = reporter.InstallerWaitLeft();
  if (left == 0) {
    reporter.Record(u"another installation is in progress, and this run has waited " +
                    DecimalText(kInstallerWaitLimit / 1000) + u" s for others already");
    return false;
  }
  reporter.Record(u"another installation is in progress: waiting for it to end, at most " +
                  DecimalText((left + 999) / 1000) + u" s");
  const std::uint32_t began = windows.system.ReadTickCount();
  const InstallerMutex mutex = windows.processes.WaitForInstallerMutex(left);
  std::uint32_t waited = windows.system.ReadTickCount() - began;
  if (mutex != InstallerMutex::kOwned && waited < kInstallerRetryPause && waited < left) {
    // Busy while nobody held the mutex (the installer between two steps, or a mutex we
    // can't read): a pause, so that msiexec is not started over and over; never past
    // the run's limit.
    const std::uint32_t pause = kInstallerRetryPause - waited;
    windows.system.Sleep(pause < left - waited ? pause : left - waited);
    waited = windows.system.ReadTickCount() - began;
  }
  reporter.SpendInstallerWait(mutex == InstallerMutex::kOwned ? left : waited);
  reporter.Record(u"wait ended after " + DecimalText(waited) + u" ms: " +
                  (mutex == InstallerMutex::kOwned  ? u"the other installation still runs"
                   : mutex == InstallerMutex::kFree ? u"the installer is free, starting again"
                                                    : u"the installer's mutex could not be read, "
                                                      u"starting again"));
  return mutex != InstallerMutex::kOwned;
}

std::uint32_t CombineCodes(std::uint32_t first, std::uint32_t second) {
  if (!IsSuccess(first)) return first;
  if (!IsSuccess(second)) return second;
  if (first == kSuccessRebootRequired || second == kSuccessRebootRequired) {
    return kSuccessRebootRequired;
  }
  return kSuccess;
}

}  // namespace setup
