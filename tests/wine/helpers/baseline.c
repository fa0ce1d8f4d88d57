/* The yardstick for setup.exe's start-up cost: the platform calls of a silent run that
   finds the plug-in installed, of the same version and with its feature, and installs
   nothing, made in the same order by a program that decides nothing.

   baseline.exe [ARGUMENTS]      started from the distribution folder */
// clang-format off
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <msi.h>
#include <msiquery.h>
// clang-format on

#define PLUGIN L"{C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4}"

static DWORD WINAPI ProgressThread(LPVOID instance) {
  HWND frame = CreateWindowExW(0, L"Message", L"progress", 0, 362, 355, 300, 58, NULL, NULL,
                               (HINSTANCE)instance, NULL);
  if (!frame) return 0;
  CreateWindowExW(0, L"msctls_progress32", NULL, WS_CHILD | WS_VISIBLE | 8, 0, 0, 296, 33, frame,
                  NULL, (HINSTANCE)instance, NULL);
  ShowWindow(frame, SW_SHOWNORMAL);
  UpdateWindow(frame);
  MSG message;
  while (GetMessageW(&message, NULL, 0, 0) > 0) DispatchMessageW(&message);
  DestroyWindow(frame);
  return 0;
}

/* The first package one folder down, as the program looks for it. */
static BOOL FindFirstPackage(const wchar_t* mask, wchar_t* path, DWORD size) {
  WIN32_FIND_DATAW folder, file;
  HANDLE folders = FindFirstFileW(L"*", &folder);
  if (folders == INVALID_HANDLE_VALUE) return FALSE;
  BOOL found = FALSE;
  do {
    if (!(folder.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || folder.cFileName[0] == L'.')
      continue;
    wchar_t pattern[MAX_PATH * 2];
    wsprintfW(pattern, L"%s\\%s", folder.cFileName, mask);
    HANDLE files = FindFirstFileW(pattern, &file);
    if (files == INVALID_HANDLE_VALUE) continue;
    wchar_t directory[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, directory);
    wsprintfW(path, L"%s\\%s\\%s", directory, folder.cFileName, file.cFileName);
    FindClose(files);
    found = TRUE;
  } while (!found && FindNextFileW(folders, &folder));
  FindClose(folders);
  (void)size;
  return found;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
  (void)previous;
  (void)show;
  wchar_t text[512];
  LoadStringW(instance, 104, text, 512);
  int count = 0;
  LocalFree(CommandLineToArgvW(commandLine[0] ? commandLine : L"-silent", &count));
  IsUserAnAdmin();
  OSVERSIONINFOEXW version = {sizeof(version)};
  GetVersionExW((OSVERSIONINFOW*)&version);
  MsiSetInternalUI(INSTALLUILEVEL_NONE, NULL);

  DWORD threadId = 0;
  HANDLE thread = CreateThread(NULL, 0, ProgressThread, instance, CREATE_SUSPENDED, &threadId);
  ResumeThread(thread);

  BOOL wow64 = FALSE;
  typedef BOOL(WINAPI * IsWow64ProcessFunction)(HANDLE, PBOOL);
  IsWow64ProcessFunction isWow64 =
      (IsWow64ProcessFunction)GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process");
  if (isWow64) isWow64(GetCurrentProcess(), &wow64);

  MsiQueryProductStateW(PLUGIN);
  wchar_t installed[64];
  DWORD length = 64;
  MsiGetProductInfoW(PLUGIN, L"VersionString", installed, &length);
  wchar_t path[MAX_PATH * 3];
  if (FindFirstPackage(L"velumcom*.msi", path, MAX_PATH * 3)) {
    MSIHANDLE package = 0;
    if (MsiOpenPackageExW(path, MSIOPENPACKAGEFLAGS_IGNOREMACHINESTATE, &package) == 0) {
      wchar_t packageVersion[64];
      length = 64;
      MsiGetPropertyW(package, L"ProductVersion", packageVersion, &length);
      MsiCloseHandle(package);
    }
  }
  MsiQueryFeatureStateW(PLUGIN, L"NPVELUM");

  while (WaitForSingleObject(thread, 10) == WAIT_TIMEOUT) {
    PostThreadMessageW(threadId, WM_QUIT, 0, 0);
  }
  CloseHandle(thread);
  return 0;
}
