#include "platform/win32/system_library.h"

namespace setup::win32 {
namespace {

// Not declared for Windows 2000; present from Windows 8, and on Windows 7 and Vista
// with the update that brought it.
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCWSTR);

}  // namespace

void RestrictLibrarySearch() {
  const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32");
  if (auto setDefault =
          FindFunction<SetDefaultDllDirectoriesFunction>(kernel32, "SetDefaultDllDirectories")) {
    setDefault(kSearchSystem32);
  }
  // From Windows XP SP1: an empty string removes the current folder from the search.
  if (auto setDirectory = FindFunction<SetDllDirectoryFunction>(kernel32, "SetDllDirectoryW")) {
    setDirectory(L"");
  }
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  // Room for the folder, a backslash and a DLL's short name.
  wchar_t path[MAX_PATH + 32];
  UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  path[length++] = L'\\';
  for (; *name != L'\0' && length + 1 < MAX_PATH + 32; ++name) path[length++] = *name;
  path[length] = L'\0';
  // With a full path, the altered search order looks for the DLL's own dependencies in
  // its folder (the system folder) instead of the program's.
  return ::LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadCommonControls() {
  const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32");
  if (::GetProcAddress(kernel32, "ActivateActCtx") != nullptr) {
    return ::LoadLibraryW(L"comctl32.dll");
  }
  return LoadSystemLibrary(L"comctl32.dll");
}

}  // namespace setup::win32
