#include "platform/win32/system.h"

#include <shellapi.h>

#include <csignal>
#include <cstdlib>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"

namespace setup::win32 {
namespace {

using IsUserAnAdminFunction = BOOL(WINAPI*)();
using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);
using ProcessIdToSessionIdFunction = BOOL(WINAPI*)(DWORD, DWORD*);

// Windows 2000's shell32 exports IsUserAnAdmin by this ordinal only; later ones by
// name as well.
constexpr WORD kIsUserAnAdminOrdinal = 680;

static_assert(sizeof(OSVERSIONINFOEXW) == 284, "the extended version record is 284 bytes");

UINT abortCode = 0;

// Nothing else is done: memory is short, and another thread may hold any lock.
void OnAbort(int) { ::TerminateProcess(::GetCurrentProcess(), abortCode); }

}  // namespace

void EndAbortWith(std::uint32_t code) {
  abortCode = code;
  // abort() writes its message before it raises SIGABRT: to standard error, which this
  // program has none of, and not in a box.
  _set_error_mode(_OUT_TO_STDERR);
  std::signal(SIGABRT, &OnAbort);
}

Win32System::Win32System(HMODULE module) : module_(module) {}

std::vector<std::u16string> Win32System::SplitCommandLine(const std::u16string& commandLine) {
  int count = 0;
  const ArgumentArray arguments(::CommandLineToArgvW(Wide(commandLine), &count));
  std::vector<std::u16string> split;
  if (!arguments) return split;
  split.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) split.push_back(FromWide(arguments.Get()[i]));
  return split;
}

bool Win32System::IsUserAnAdmin() {
  const HMODULE shell32 = LoadSystemLibrary(L"shell32.dll");
  auto isUserAnAdmin = FindFunction<IsUserAnAdminFunction>(shell32, "IsUserAnAdmin");
  if (isUserAnAdmin == nullptr) {
    isUserAnAdmin = FindFunction<IsUserAnAdminFunction>(
        shell32, reinterpret_cast<const char*>(static_cast<ULONG_PTR>(kIsUserAnAdminOrdinal)));
  }
  return isUserAnAdmin != nullptr && isUserAnAdmin() != FALSE;
}

std::optional<OsVersion> Win32System::GetVersion() {
  OSVERSIONINFOEXW version{};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) return std::nullopt;
  return OsVersion{version.dwMajorVersion, version.dwMinorVersion, version.wServicePackMajor,
                   version.dwBuildNumber};
}

std::optional<OsVersion> Win32System::ReadRealVersion() {
  const auto rtlGetVersion =
      FindFunction<RtlGetVersionFunction>(::GetModuleHandleW(L"ntdll"), "RtlGetVersion");
  OSVERSIONINFOEXW version{};
  version.dwOSVersionInfoSize = sizeof(version);
  // 0 is STATUS_SUCCESS.
  if (rtlGetVersion == nullptr || rtlGetVersion(&version) != 0) return GetVersion();
  return OsVersion{version.dwMajorVersion, version.dwMinorVersion, version.wServicePackMajor,
                   version.dwBuildNumber};
}

std::optional<std::uint32_t> Win32System::ReadSessionId() {
  const auto processIdToSessionId = FindFunction<ProcessIdToSessionIdFunction>(
      ::GetModuleHandleW(L"kernel32"), "ProcessIdToSessionId");
  DWORD session = 0;
  if (processIdToSessionId == nullptr || !processIdToSessionId(::GetCurrentProcessId(), &session)) {
    return std::nullopt;
  }
  return session;
}

std::uint16_t Win32System::GetSystemDefaultUILanguage() { return ::GetSystemDefaultUILanguage(); }

std::u16string Win32System::ReadProgramPath() {
  // The path fills the buffer exactly when it was cut (and then has no NUL on Windows XP).
  for (DWORD size = MAX_PATH;; size *= 2) {
    std::u16string path(size, u'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, Wide(path), size);
    if (length == 0) return {};
    if (length < size) return path.substr(0, length);
    if (size >= 32768) return {};
  }
}

bool Win32System::IsWow64() {
  if (!wow64_) {
    // Windows 2000 and XP before SP2 have no IsWow64Process: they are 32-bit only.
    const auto isWow64Process =
        FindFunction<IsWow64ProcessFunction>(::GetModuleHandleW(L"kernel32"), "IsWow64Process");
    BOOL wow64 = FALSE;
    wow64_ = isWow64Process != nullptr && isWow64Process(::GetCurrentProcess(), &wow64) != FALSE &&
             wow64 != FALSE;
  }
  return *wow64_;
}

std::optional<std::u16string> Win32System::LoadStringBlock(std::uint16_t block) {
  const HRSRC found = ::FindResourceExW(module_, RT_STRING, MAKEINTRESOURCEW(block),
                                        MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
  if (found == nullptr) return std::nullopt;
  const HGLOBAL loaded = ::LoadResource(module_, found);
  if (loaded == nullptr) return std::nullopt;
  const void* units = ::LockResource(loaded);
  if (units == nullptr) return std::nullopt;
  const DWORD bytes = ::SizeofResource(module_, found);
  return FromWide(static_cast<const wchar_t*>(units), bytes / sizeof(wchar_t));
}

std::uint32_t Win32System::RestartWindows() {
  // A failure that leaves no error behind must still not pass for a restart.
  const auto failure = [] {
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? error : static_cast<DWORD>(ERROR_GEN_FAILURE);
  };
  HANDLE opened = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &opened)) {
    return failure();
  }
  const KernelHandle token(opened);
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
    return failure();
  }
  // Its result says only that the call ran; whether the privilege was granted is in the
  // last error (ERROR_NOT_ALL_ASSIGNED), read before anything else can change it.
  ::AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
  if (const DWORD error = ::GetLastError(); error != ERROR_SUCCESS) return error;
  // EWX_FORCEIFHUNG, not EWX_FORCE: the other programs are asked to close and may save
  // their work; only the hung ones are ended.
  if (!::ExitWindowsEx(EWX_REBOOT | EWX_FORCEIFHUNG, SHTDN_REASON_MAJOR_APPLICATION)) {
    return failure();
  }
  return ERROR_SUCCESS;
}

LocalTime Win32System::ReadLocalTime() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

std::uint32_t Win32System::ReadTickCount() { return ::GetTickCount(); }

void Win32System::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace setup::win32
