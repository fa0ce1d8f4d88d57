// The seam's system family: the command line, versions, the program's image, time, the
// restart, the machine's registry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setup {

struct OsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint16_t servicePackMajor = 0;
  std::uint32_t build = 0;
};

struct LocalTime {
  std::uint16_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
};

class System {
 public:
  virtual ~System() = default;
  // CommandLineToArgvW, the array released with LocalFree.
  virtual std::vector<std::u16string> SplitCommandLine(const std::u16string& commandLine) = 0;
  // IsUserAnAdmin.
  virtual bool IsUserAnAdmin() = 0;
  // GetVersionExW on an OSVERSIONINFOEXW (size 284). Nothing when it fails.
  virtual std::optional<OsVersion> GetVersion() = 0;
  // RtlGetVersion (ntdll, looked up at run time), which is not held to the versions the
  // manifest names; GetVersionExW where it is missing or fails.
  virtual std::optional<OsVersion> ReadRealVersion() = 0;
  // ProcessIdToSessionId(GetCurrentProcessId()), looked up at run time. Nothing when it
  // is missing or fails.
  virtual std::optional<std::uint32_t> ReadSessionId() = 0;
  // GetSystemDefaultUILanguage.
  virtual std::uint16_t GetSystemDefaultUILanguage() = 0;
  // GetModuleFileNameW(NULL), with a buffer as large as the path needs; empty when it fails.
  virtual std::u16string ReadProgramPath() = 0;
  // IsWow64Process(GetCurrentProcess()), looked up at run time once (Windows 2000 has
  // none): true only when the call succeeds and says so.
  virtual bool IsWow64() = 0;
  // FindResourceExW(module, RT_STRING, block, LANG_NEUTRAL) in the program's own image,
  // loaded and locked: the block's 16-bit units. Nothing when the block is absent.
  virtual std::optional<std::u16string> LoadStringBlock(std::uint16_t block) = 0;
  // HKEY_LOCAL_MACHINE as this 32-bit program sees it, the 32-bit view on every Windows:
  // RegOpenKeyExW(KEY_QUERY_VALUE), then RegQueryValueExW with its two-call protocol: the
  // strings of a REG_MULTI_SZ value, written only on success (ERROR_FILE_NOT_FOUND: no key
  // or no value; ERROR_INVALID_DATA: a value of another type).
  virtual std::uint32_t ReadMachineStrings(const std::u16string& key, const std::u16string& name,
                                           std::vector<std::u16string>& strings) = 0;
  // RegCreateKeyExW(KEY_SET_VALUE), missing keys made with the access they inherit, then
  // RegSetValueExW(REG_MULTI_SZ).
  virtual std::uint32_t WriteMachineStrings(const std::u16string& key, const std::u16string& name,
                                            const std::vector<std::u16string>& strings) = 0;

  // The restart: the shutdown privilege enabled on the process token, then
  // ExitWindowsEx(EWX_REBOOT | EWX_FORCEIFHUNG, SHTDN_REASON_MAJOR_APPLICATION), which
  // asks the other programs to close and ends only the hung ones. 0 when Windows took
  // the request, else the error of the step that failed.
  virtual std::uint32_t RestartWindows() = 0;
  // GetLocalTime and GetTickCount, for the run's record and its waits.
  virtual LocalTime ReadLocalTime() = 0;
  virtual std::uint32_t ReadTickCount() = 0;
  // Sleep.
  virtual void Sleep(std::uint32_t milliseconds) = 0;
};

}  // namespace setup
