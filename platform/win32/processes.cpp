#include "platform/win32/processes.h"

#include "platform/win32/scoped_handle.h"
#include "platform/win32/wide_text.h"

namespace setup::win32 {

ProcessOutcome Win32Processes::RunAndWait(const std::u16string& program,
                                          const std::u16string& commandLine) {
  ProcessOutcome outcome;
  // CreateProcessW may write into its command line, so it gets a copy of its own.
  std::u16string writable = commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION created{};
  if (!::CreateProcessW(Wide(program), Wide(writable), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &created)) {
    outcome.error = ::GetLastError();
    return outcome;
  }
  outcome.started = true;
  // Declared in this order so that the process handle is closed first.
  const KernelHandle thread(created.hThread);
  const KernelHandle process(created.hProcess);
  if (::WaitForSingleObject(process.Get(), INFINITE) != WAIT_OBJECT_0) {
    outcome.waitFailed = true;
    outcome.error = ::GetLastError();
    return outcome;
  }
  DWORD exitCode = 0;
  if (::GetExitCodeProcess(process.Get(), &exitCode)) {
    outcome.exitCodeRead = true;
    outcome.exitCode = exitCode;
  } else {
    outcome.error = ::GetLastError();
  }
  return outcome;
}

InstallerMutex Win32Processes::WaitForInstallerMutex(std::uint32_t milliseconds) {
  const KernelHandle mutex(
      ::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, L"Global\\_MSIExecute"));
  if (!mutex) {
    // No installation has made the mutex: nothing holds the installer.
    return ::GetLastError() == ERROR_FILE_NOT_FOUND ? InstallerMutex::kFree
                                                    : InstallerMutex::kUnreadable;
  }
  switch (::WaitForSingleObject(mutex.Get(), milliseconds)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
      ::ReleaseMutex(mutex.Get());
      return InstallerMutex::kFree;
    case WAIT_TIMEOUT:
      return InstallerMutex::kOwned;
    default:
      return InstallerMutex::kUnreadable;
  }
}

}  // namespace setup::win32
