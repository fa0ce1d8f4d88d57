#include "platform/win32/system.h"

#include <shellapi.h>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"

namespace setup::win32 {
namespace {

using IsUserAnAdminFunction = BOOL(WINAPI*)();
using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);

// Windows 2000's shell32 exports IsUserAnAdmin by this ordinal only; later ones by
// name as well.
constexpr WORD kIsUserAnAdminOrdinal = 680;

static_assert(sizeof(OSVERSIONINFOEXW) == 284, "the extended version record is 284 bytes");

HANDLE ToHandle(std::uintptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace

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
  return OsVersion{version.dwMajorVersion, version.dwMinorVersion, version.wServicePackMajor};
}

std::uint16_t Win32System::GetSystemDefaultUILanguage() { return ::GetSystemDefaultUILanguage(); }

ModuleHandle Win32System::GetKernel32() {
  return reinterpret_cast<ModuleHandle>(::GetModuleHandleW(L"kernel32"));
}

FunctionAddress Win32System::FindIsWow64Process(ModuleHandle kernel32) {
  return reinterpret_cast<FunctionAddress>(
      ::GetProcAddress(reinterpret_cast<HMODULE>(kernel32), "IsWow64Process"));
}

bool Win32System::CallIsWow64Process(FunctionAddress address) {
  const auto isWow64Process = reinterpret_cast<IsWow64ProcessFunction>(address);
  BOOL wow64 = FALSE;
  return isWow64Process(::GetCurrentProcess(), &wow64) != FALSE && wow64 != FALSE;
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

std::uintptr_t Win32System::OpenProcessToken(std::uint32_t access) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), access, &token)) return 0;
  return reinterpret_cast<std::uintptr_t>(token);
}

std::optional<std::uint64_t> Win32System::FindPrivilege(const std::u16string& name) {
  LUID luid{};
  if (!::LookupPrivilegeValueW(nullptr, Wide(name), &luid)) return std::nullopt;
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(luid.HighPart)) << 32) |
         luid.LowPart;
}

std::uint32_t Win32System::AdjustTokenPrivilege(std::uintptr_t token, std::uint64_t luid,
                                                std::uint32_t attributes) {
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Luid.LowPart = static_cast<DWORD>(luid);
  privileges.Privileges[0].Luid.HighPart = static_cast<LONG>(luid >> 32);
  privileges.Privileges[0].Attributes = attributes;
  // Its result says only that the call ran; whether the privilege was granted is in the
  // last error, read before anything else can change it.
  ::AdjustTokenPrivileges(ToHandle(token), FALSE, &privileges, 0, nullptr, nullptr);
  return ::GetLastError();
}

void Win32System::CloseToken(std::uintptr_t token) { ::CloseHandle(ToHandle(token)); }

bool Win32System::RequestExitWindows(std::uint32_t flags, std::uint32_t reason) {
  return ::ExitWindowsEx(flags, reason) != FALSE;
}

}  // namespace setup::win32
