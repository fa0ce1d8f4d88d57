/* The yardstick for setup.exe's start-up cost: the platform calls of a silent run that finds
   the plug-in installed, of the same version and with its feature, and installs nothing (its
   log folder, its log and its own signature included), made
   in the same order by a program that decides nothing.

   baseline.exe [ARGUMENTS]      started from the distribution folder */
#include <windows.h>
/* After windows.h, which they build on. */
#include <aclapi.h>
#include <sddl.h>
#include <msi.h>
#include <msiquery.h>
#include <shellapi.h>
#include <shlobj.h>
#include <softpub.h>
#include <wintrust.h>

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
static BOOL FindFirstPackage(const wchar_t* mask, wchar_t* path) {
  WIN32_FIND_DATAW folder, file;
  HANDLE folders = FindFirstFileW(L"*", &folder), files = INVALID_HANDLE_VALUE;
  if (folders == INVALID_HANDLE_VALUE) return FALSE;
  do {
    if (!(folder.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || folder.cFileName[0] == L'.')
      continue;
    wchar_t pattern[MAX_PATH * 2], directory[MAX_PATH];
    wsprintfW(pattern, L"%s\\%s", folder.cFileName, mask);
    files = FindFirstFileW(pattern, &file);
    if (files == INVALID_HANDLE_VALUE) continue;
    GetCurrentDirectoryW(MAX_PATH, directory);
    wsprintfW(path, L"%s\\%s\\%s", directory, folder.cFileName, file.cFileName);
    FindClose(files);
  } while (files == INVALID_HANDLE_VALUE && FindNextFileW(folders, &folder));
  FindClose(folders);
  return files != INVALID_HANDLE_VALUE;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
  (void)previous, (void)show;
  wchar_t text[512];
  LoadStringW(instance, 104, text, 512);
  int count = 0;
  LocalFree(CommandLineToArgvW(commandLine[0] ? commandLine : L"-silent", &count));
  IsUserAnAdmin();
  /* An administrator's run without -log: its folder given back to administrators, a look
     for logs to roll over under the lock, and its log written a line at a time. */
  wchar_t folder[MAX_PATH], file[MAX_PATH];
  GetSystemWindowsDirectoryW(folder, MAX_PATH);
  lstrcatW(folder, L"\\Logs\\Orventa");
  PSECURITY_DESCRIPTOR descriptor = NULL, read = NULL;
  ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)", SDDL_REVISION_1, &descriptor, NULL);
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  CreateDirectoryW(folder, &attributes);
  GetNamedSecurityInfoW(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, NULL, NULL, NULL,
                        NULL, &read);
  LocalFree(read);
  PACL acl = NULL;
  BOOL present = FALSE, defaulted = FALSE;
  GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted);
  SetNamedSecurityInfoW(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, NULL, NULL, acl, NULL);
  wsprintfW(file, L"%s\\setup.lock", folder);
  CloseHandle(CreateFileW(file, GENERIC_READ, 0, NULL, OPEN_ALWAYS, 0, NULL));
  wsprintfW(file, L"%s\\baseline.log", folder);
  HANDLE log = CreateFileW(file, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_ALWAYS, 0, NULL);
  SYSTEMTIME now;
  DWORD written;
  for (int line = 0; line < 20; ++line, GetLocalTime(&now))
    WriteFile(log, "2026-12-09 12:00:00.000  a line of the run's log\r\n", 50, &written, NULL);
  CloseHandle(log);
  LocalFree(descriptor);
  /* Its own signature, read through its file held open. */
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(NULL, self, MAX_PATH);
  HANDLE held = CreateFileW(self, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  WINTRUST_FILE_INFO fileInfo = {sizeof fileInfo, self, held, NULL};
  WINTRUST_DATA trust = {.cbStruct = sizeof trust, .dwUIChoice = WTD_UI_NONE,
                         .fdwRevocationChecks = WTD_REVOKE_NONE, .dwUnionChoice = WTD_CHOICE_FILE,
                         .pFile = &fileInfo, .dwStateAction = WTD_STATEACTION_VERIFY};
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  for (; trust.dwStateAction <= WTD_STATEACTION_CLOSE; ++trust.dwStateAction)  /* verify, close */
    WinVerifyTrust(INVALID_HANDLE_VALUE, &action, &trust);
  OSVERSIONINFOEXW version = {.dwOSVersionInfoSize = sizeof(version)};
  GetVersionExW((OSVERSIONINFOW*)&version);
  MsiSetInternalUI(INSTALLUILEVEL_NONE, NULL);

  DWORD threadId = 0;
  HANDLE thread = CreateThread(NULL, 0, ProgressThread, instance, CREATE_SUSPENDED, &threadId);
  ResumeThread(thread);

  BOOL wow64 = FALSE;
  BOOL(WINAPI * isWow64)
  (HANDLE, PBOOL) = (void*)GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process");
  if (isWow64) isWow64(GetCurrentProcess(), &wow64);

  MsiQueryProductStateW(PLUGIN);
  wchar_t installed[64], path[MAX_PATH * 3], packageVersion[64];
  DWORD length = 64;
  MsiGetProductInfoW(PLUGIN, L"VersionString", installed, &length);
  MSIHANDLE package = 0;
  if (FindFirstPackage(L"velumcom*.msi", path) &&
      MsiOpenPackageExW(path, MSIOPENPACKAGEFLAGS_IGNOREMACHINESTATE, &package) == 0) {
    length = 64;
    MsiGetPropertyW(package, L"ProductVersion", packageVersion, &length);
    MsiCloseHandle(package);
  }
  MsiQueryFeatureStateW(PLUGIN, L"NPVELUM");

  while (WaitForSingleObject(thread, 10) == WAIT_TIMEOUT)
    PostThreadMessageW(threadId, WM_QUIT, 0, 0);
  CloseHandle(thread);
  CloseHandle(held);
  return 0;
}
