// The seam's process family: child processes, and the installer's busy mutex.
#pragma once

#include <cstdint>
#include <string>

namespace setup {

// What became of a child process.
struct ProcessOutcome {
  // CreateProcessW succeeded.
  bool started = false;
  // GetLastError after a failed start, or after a failed GetExitCodeProcess.
  std::uint32_t error = 0;
  // GetExitCodeProcess succeeded; `exitCode` holds the child's code.
  bool exitCodeRead = false;
  std::uint32_t exitCode = 0;
  // WaitForSingleObject did not see the child end: `error` is the wait's, and no exit
  // code was read from a process that may still be running.
  bool waitFailed = false;
};

// The Windows Installer's "another installation is running" mutex, as seen by a wait.
enum class InstallerMutex {
  kFree,        // not owned by anybody, or not there at all
  kOwned,       // still owned when the time was up
  kUnreadable,  // could not be opened or waited for
};

class Processes {
 public:
  virtual ~Processes() = default;
  // CreateProcessW(program, private writable copy of the command line; no inheritance,
  // CREATE_NO_WINDOW, inherited environment and current directory),
  // WaitForSingleObject(INFINITE), GetExitCodeProcess, then both handles closed.
  virtual ProcessOutcome RunAndWait(const std::u16string& program,
                                    const std::u16string& commandLine) = 0;
  // OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, "Global\_MSIExecute"), then
  // WaitForSingleObject for at most `milliseconds`; a wait that was given the mutex
  // releases it at once, so that the installer never finds it held by us.
  virtual InstallerMutex WaitForInstallerMutex(std::uint32_t milliseconds) = 0;
};

}  // namespace setup
