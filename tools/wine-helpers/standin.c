/* A recording stand-in for a system tool (msiexec, regedit, regini). Copied into the
   start folder under the tool's name, it is found before the real one by the usual
   search for an executable.

   It appends one JSON line to the file that STANDIN_LOG names:
     {"program":"msiexec","command":"<its whole command line>","cwd":"<its directory>"}
   and then does what STANDIN_<NAME> says (NAME: its own file name without ".exe", in
   capitals, e.g. STANDIN_REGINI):
     run       (also when unset) runs the real tool of the system folder with the same
               arguments and ends with its exit code
     exit=N    ends with N at once

   The whole command line is what Wine's process trace can't show: it cuts long and
   non-ASCII command lines. */
// windows.h comes first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <stdlib.h>
#include "helper_output.h"
// clang-format on

static wchar_t* Environment(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, NULL, 0);
  if (!size) return NULL;
  wchar_t* value = (wchar_t*)calloc(size + 1, sizeof(wchar_t));
  GetEnvironmentVariableW(name, value, size + 1);
  return value;
}

/* Its own name without folder and extension: "msiexec" for ...\msiexec.exe. */
static void OwnName(wchar_t* name, size_t capacity) {
  wchar_t path[MAX_PATH * 4];
  DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH * 4);
  path[length < MAX_PATH * 4 ? length : MAX_PATH * 4 - 1] = 0;
  const wchar_t* base = wcsrchr(path, L'\\');
  base = base ? base + 1 : path;
  wcsncpy(name, base, capacity - 1);
  name[capacity - 1] = 0;
  wchar_t* dot = wcsrchr(name, L'.');
  if (dot) *dot = 0;
}

static void Record(const wchar_t* logPath, const wchar_t* name) {
  HANDLE log = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (log == INVALID_HANDLE_VALUE) return;
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, log);
  wchar_t directory[MAX_PATH * 4];
  if (!GetCurrentDirectoryW(MAX_PATH * 4, directory)) directory[0] = 0;
  Print(L"{\"program\":");
  PrintJsonString(name);
  Print(L",\"command\":");
  PrintJsonString(GetCommandLineW());
  Print(L",\"cwd\":");
  PrintJsonString(directory);
  Print(L"}\n");
  SetStdHandle(STD_OUTPUT_HANDLE, output);
  CloseHandle(log);
}

/* The arguments after the program name, by the rule CommandLineToArgvW uses for it:
   a quoted name ends at the next quote, an unquoted one at the first blank or tab. */
static const wchar_t* Arguments(const wchar_t* command) {
  const wchar_t* p = command;
  if (*p == L'"') {
    p = wcschr(p + 1, L'"');
    return p ? p + 1 : L"";
  }
  while (*p && *p != L' ' && *p != L'\t') ++p;
  return p;
}

static DWORD RunReal(const wchar_t* name) {
  wchar_t real[MAX_PATH];
  UINT length = GetSystemDirectoryW(real, MAX_PATH);
  if (!length || length + wcslen(name) + 6 > MAX_PATH) return ERROR_PATH_NOT_FOUND;
  wcscat(real, L"\\");
  wcscat(real, name);
  wcscat(real, L".exe");
  const wchar_t* arguments = Arguments(GetCommandLineW());
  size_t size = wcslen(real) + wcslen(arguments) + 3;
  wchar_t* command = (wchar_t*)calloc(size, sizeof(wchar_t));
  wcscpy(command, L"\"");
  wcscat(command, real);
  wcscat(command, L"\"");
  wcscat(command, arguments);

  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {0};
  if (!CreateProcessW(real, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
    return GetLastError();
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  if (!GetExitCodeProcess(process.hProcess, &code)) code = GetLastError();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  free(command);
  return code;
}

int wmain(void) {
  wchar_t name[64];
  OwnName(name, 64);
  wchar_t* logPath = Environment(L"STANDIN_LOG");
  if (logPath) Record(logPath, name);

  wchar_t variable[80] = L"STANDIN_";
  wcscat(variable, name);
  CharUpperW(variable);
  wchar_t* action = Environment(variable);
  if (action && wcsncmp(action, L"exit=", 5) == 0) return (int)wcstoul(action + 5, NULL, 10);
  return (int)RunReal(name);
}
