// The folder where an administrator's run keeps its record when -log names no file
// (setup.log, ui/run_log.h) and its lock (install/run_lock.h): %SystemRoot%\Logs\Orventa,
// which only Administrators and SYSTEM can change or read, so that no user reads the
// command lines in it, puts a link where a log will be, or holds the run lock. Its logs
// are kept to a bounded size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/windows.h"

namespace setup {

// Owner Administrators; full control for Administrators and SYSTEM, passed on to what the
// folder holds; nothing inherited from above.
inline constexpr char16_t kAdministratorsOnly[] = u"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
// setup.log moves to setup.old.log from this size on; the newest msiexec logs are kept
// while they take no more than kInstallerLogsKept together.
inline constexpr std::uint64_t kLogRollSize = 1024 * 1024;
inline constexpr std::uint64_t kInstallerLogsKept = 20 * 1024 * 1024;

// Whether a folder's access, as ReadSecurity writes it, lets nobody but Administrators,
// SYSTEM and the folder's owner (the run that made it) write into it, delete or change it.
// A volume that keeps no access lists (FAT) gives a null list, which lets everyone in.
bool OnlyAdministratorsWrite(std::u16string_view sddl);

// A folder the run made or reset for itself, checked before anything goes into it: empty
// when only administrators can change it, else why not, for the log.
std::u16string ProtectionFault(Windows& windows, const std::u16string& folder);

// %SystemRoot%\Logs\Orventa; empty when the Windows folder can't be read.
std::u16string LogFolderPath(Windows& windows);

// The folder made ready for an administrator's run, made where missing and closed to
// everyone else; nothing when it can't be made, is a link (what it leads to is left as it
// is), or does not read back closed (a file system without access lists): no log, lock or
// copies go there then. `note` says what that took, if anything, for the log after its
// header.
std::optional<std::u16string> PrepareLogFolder(Windows& windows, std::u16string& note);

// Only while the caller holds the run lock: setup.log from kLogRollSize on becomes
// setup.old.log (the one before is lost); the oldest msiexec logs beside it are removed
// while the rest take more than kInstallerLogsKept. `note` gets what went.
// `folder` ends with a backslash.
void RollOver(Windows& windows, const std::u16string& folder, std::u16string& note);

}  // namespace setup
