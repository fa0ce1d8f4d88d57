/* The stand-in for a system tool (msiexec, regedit, regini). The kit puts it where Windows
   keeps the tool, in the system folder of a test's prefix, under the tool's name, and
   keeps the real tool beside it as NAME-real.exe.

   It appends one JSON line to the file that STANDIN_LOG names (when set):
     {"program":"msiexec","path":"<where it was started from>","command":"<its whole
      command line>","cwd":"<its directory>"}
   and then does what STANDIN_<NAME> says (NAME: its own file name without ".exe", in
   capitals, e.g. STANDIN_REGINI), a comma-separated list of:
     watch     first waits (at most 15 s) until the process that started it shows a
               visible window of class "Message" (the progress window), and adds to its
               line how long it waited and that process's top-level windows (visible
               ones and every "Message" one), each with its children
     hold[=MS] after writing its line, waits until the file STANDIN_RELEASE names
               exists, or MS milliseconds (default 30000) when that comes first
     busy      ends with 1618 (another installation is in progress) while another
               process owns the installer's mutex
     exit=N    ends with N instead of running the real tool
   Without exit=N it runs the real tool with the same arguments and ends with its code.

   standin.exe --own-installer MS owns the installer's mutex for MS milliseconds, as a
   running installation does, and prints "owned" once it does and "released" after.

   The whole command line is what Wine's process trace can't show: it cuts long and
   non-ASCII command lines. */
// windows.h comes first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
#include <stdlib.h>
#include "helper_output.h"
// clang-format on

#define WATCH_MS 15000
#define POLL_MS 20
#define INSTALLER_MUTEX L"Global\\_MSIExecute"

static wchar_t* Environment(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, NULL, 0);
  if (!size) return NULL;
  wchar_t* value = (wchar_t*)calloc(size + 1, sizeof(wchar_t));
  GetEnvironmentVariableW(name, value, size + 1);
  return value;
}

/* The value of KEY in a comma-separated action list: "" for a bare KEY, NULL if absent. */
static const wchar_t* Action(const wchar_t* actions, const wchar_t* key) {
  size_t length = wcslen(key);
  for (const wchar_t* p = actions; p && *p; p = wcschr(p, L',') ? wcschr(p, L',') + 1 : NULL) {
    if (wcsncmp(p, key, length) != 0) continue;
    if (p[length] == L'=') return p + length + 1;
    if (p[length] == 0 || p[length] == L',') return L"";
  }
  return NULL;
}

static DWORD watchedPid;

static DWORD ParentProcessId(void) {
  DWORD parent = 0, self = GetCurrentProcessId();
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry;
  ZeroMemory(&entry, sizeof entry);
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
  }
  CloseHandle(snapshot);
  return parent;
}

static BOOL IsMessageWindow(HWND window) {
  wchar_t className[64];
  return GetClassNameW(window, className, 64) && wcscmp(className, L"Message") == 0;
}

static BOOL OwnedByWatched(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid == watchedPid;
}

static BOOL CALLBACK FindShownProgress(HWND window, LPARAM found) {
  if (OwnedByWatched(window) && IsMessageWindow(window) && IsWindowVisible(window)) {
    *(BOOL*)found = TRUE;
    return FALSE;
  }
  return TRUE;
}

static BOOL ProgressShown(void) {
  BOOL found = FALSE;
  EnumWindows(FindShownProgress, (LPARAM)&found);
  return found;
}

static void DescribeWindow(HWND window, HWND parent) {
  wchar_t className[64] = L"";
  GetClassNameW(window, className, 64);
  RECT rect;
  GetWindowRect(window, &rect);
  /* Children by their place in the parent's client area, as they were created. */
  if (parent) MapWindowPoints(NULL, parent, (POINT*)&rect, 2);
  wchar_t text[256] = L"";
  GetWindowTextW(window, text, 256);
  PrintFormat(L"{\"hwnd\":\"0x%lx\",\"class\":", (unsigned long)(ULONG_PTR)window);
  PrintJsonString(className);
  Print(L",\"text\":");
  PrintJsonString(text);
  PrintFormat(
      L",\"visible\":%ls,\"rect\":[%ld,%ld,%ld,%ld],\"style\":%lu,\"exstyle\":%lu,\"id\":%ld",
      IsWindowVisible(window) ? L"true" : L"false", rect.left, rect.top, rect.right - rect.left,
      rect.bottom - rect.top, (unsigned long)GetWindowLongW(window, GWL_STYLE),
      (unsigned long)GetWindowLongW(window, GWL_EXSTYLE), parent ? (long)GetDlgCtrlID(window) : 0L);
}

static BOOL first;

static BOOL CALLBACK PrintChild(HWND child, LPARAM parent) {
  if (GetParent(child) != (HWND)parent) return TRUE;
  Print(first ? L"" : L",");
  first = FALSE;
  DescribeWindow(child, (HWND)parent);
  Print(L"}");
  return TRUE;
}

static BOOL CALLBACK PrintTopLevel(HWND window, LPARAM printed) {
  if (!OwnedByWatched(window) || !(IsWindowVisible(window) || IsMessageWindow(window))) return TRUE;
  Print(*(int*)printed ? L"," : L"");
  ++*(int*)printed;
  DescribeWindow(window, NULL);
  Print(L",\"children\":[");
  first = TRUE;
  EnumChildWindows(window, PrintChild, (LPARAM)window);
  Print(L"]}");
  return TRUE;
}

static void Record(const wchar_t* logPath, const wchar_t* path, const wchar_t* name, BOOL watch,
                   DWORD waited) {
  HANDLE log = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (log == INVALID_HANDLE_VALUE) return;
  /* helper_output.h writes to the standard output; here that is the log. */
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, log);
  wchar_t directory[MAX_PATH * 4];
  if (!GetCurrentDirectoryW(MAX_PATH * 4, directory)) directory[0] = 0;
  Print(L"{\"program\":");
  PrintJsonString(name);
  Print(L",\"path\":");
  PrintJsonString(path);
  Print(L",\"command\":");
  PrintJsonString(GetCommandLineW());
  Print(L",\"cwd\":");
  PrintJsonString(directory);
  if (watch) {
    PrintFormat(L",\"parent\":\"%04lx\",\"waited_ms\":%lu,\"windows\":[", watchedPid, waited);
    int printed = 0;
    EnumWindows(PrintTopLevel, (LPARAM)&printed);
    Print(L"]");
  }
  Print(L"}\n");
  SetStdHandle(STD_OUTPUT_HANDLE, output);
  CloseHandle(log);
}

static DWORD Hold(const wchar_t* release, DWORD limit) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < limit) {
    if (release && GetFileAttributesW(release) != INVALID_FILE_ATTRIBUTES) break;
    Sleep(POLL_MS);
  }
  return GetTickCount() - start;
}

/* Whether another process owns the installer's mutex; taken here, it is given back at once. */
static BOOL InstallerBusy(void) {
  HANDLE mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, INSTALLER_MUTEX);
  if (!mutex) return FALSE;
  DWORD state = WaitForSingleObject(mutex, 0);
  if (state != WAIT_TIMEOUT) ReleaseMutex(mutex);
  CloseHandle(mutex);
  return state == WAIT_TIMEOUT;
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

/* The real tool: NAME-real.exe beside this program. */
static DWORD RunReal(void) {
  wchar_t real[MAX_PATH + 8];
  DWORD length = GetModuleFileNameW(NULL, real, MAX_PATH);
  wchar_t* dot = wcsrchr(real, L'.');
  if (!length || length >= MAX_PATH || !dot) return ERROR_PATH_NOT_FOUND;
  wcscpy(dot, L"-real.exe");
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

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && wcscmp(argv[1], L"--own-installer") == 0) {
    HANDLE mutex = CreateMutexW(NULL, FALSE, INSTALLER_MUTEX);
    if (!mutex || WaitForSingleObject(mutex, INFINITE) != WAIT_OBJECT_0) return 1;
    Print(L"owned\n");
    Sleep(wcstoul(argv[2], NULL, 10));
    ReleaseMutex(mutex);
    Print(L"released\n");
    return 0;
  }
  /* Its own name without folder and extension: "msiexec" for ...\msiexec.exe. */
  wchar_t path[MAX_PATH], name[64];
  GetModuleFileNameW(NULL, path, MAX_PATH);
  const wchar_t* base = wcsrchr(path, L'\\');
  wcsncpy(name, base ? base + 1 : path, 63);
  name[63] = 0;
  if (wcsrchr(name, L'.')) *wcsrchr(name, L'.') = 0;

  wchar_t variable[80] = L"STANDIN_";
  wcscat(variable, name);
  CharUpperW(variable);
  const wchar_t* actions = Environment(variable);

  BOOL watch = Action(actions, L"watch") != NULL;
  DWORD waited = 0;
  if (watch) {
    watchedPid = ParentProcessId();
    DWORD start = GetTickCount();
    while (!ProgressShown() && GetTickCount() - start < WATCH_MS) Sleep(POLL_MS);
    waited = GetTickCount() - start;
  }
  const wchar_t* logPath = Environment(L"STANDIN_LOG");
  if (logPath) Record(logPath, path, name, watch, waited);

  const wchar_t* hold = Action(actions, L"hold");
  if (hold) Hold(Environment(L"STANDIN_RELEASE"), *hold ? wcstoul(hold, NULL, 10) : 30000);

  if (Action(actions, L"busy") && InstallerBusy()) return ERROR_INSTALL_ALREADY_RUNNING;
  const wchar_t* exitCode = Action(actions, L"exit");
  if (exitCode) return (int)wcstoul(exitCode, NULL, 10);
  return (int)RunReal();
}
