// Where an administrator's run keeps its record when -log names no file: setup.log in
// %SystemRoot%\Logs\Orventa, a folder only Administrators and SYSTEM can change or read,
// so that no user reads the command lines in it, puts a link where a log will be, or
// holds the run lock that lives there too (install/run_lock.h). Kept to a bounded size.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/windows.h"
#include "ui/run_log.h"

namespace setup {

// Owner Administrators; full control for Administrators and SYSTEM, passed on to what the
// folder holds; nothing inherited from above.
inline constexpr char16_t kAdministratorsOnly[] = u"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
// setup.log moves to setup.old.log from this size on; the newest msiexec logs are kept
// while they take no more than kInstallerLogsKept together.
inline constexpr std::uint64_t kLogRollSize = 1024 * 1024;
inline constexpr std::uint64_t kInstallerLogsKept = 20 * 1024 * 1024;

// The run lock's file in the folder (install/run_lock.h).
inline constexpr char16_t kLockName[] = u"setup.lock";

// %SystemRoot%\Logs\Orventa; empty when the Windows folder can't be read.
std::u16string LogFolderPath(Windows& windows);

// The run's log: the file -log names, else setup.log in the folder for an administrator's
// run; none for a help request, or when the folder can't be made. The folder is made
// ready for every administrator's run that asks for more than help (the lock needs it);
// `note` says what that took, if anything, for the log after its header.
std::unique_ptr<RunLog> OpenRunLog(Windows& windows, const std::optional<std::u16string>& logPath,
                                   bool help, std::u16string& note);

// Under the run lock, if no run holds it: setup.log from kLogRollSize on becomes
// setup.old.log (the one before is lost); the oldest msiexec logs beside it are removed
// while the rest take more than kInstallerLogsKept. `note` gets what went.
// `folder` ends with a backslash.
void RollOver(Windows& windows, const std::u16string& folder, std::u16string& note);

}  // namespace setup
