/* The stand-in for a system tool (msiexec, regedit, regini). The kit puts it where Windows keeps
   the tool, in the system folder of a test's prefix, under the tool's name, and keeps the real
   tool beside it as NAME-real.exe. It records the whole command line, which Wine's process trace
   cuts when it is long or not ASCII.

   It appends one JSON line to the file that STANDIN_LOG names (when set):
     {"program":"msiexec","path":"<where it was started from>","command":"<its whole command
      line>","cwd":"<its directory>"}
   and then does what STANDIN_<NAME> says (NAME: its own file name without ".exe", in capitals,
   e.g. STANDIN_REGINI), a comma-separated list of:
     watch     first waits (at most 15 s) until the process that started it shows a visible
               window of class "Message" (the progress window), and adds to its line how long
               it waited and that process's top-level windows (visible ones and every
               "Message" one), each with its children
     hold[=MS] after writing its line, waits until the file STANDIN_RELEASE names exists, or MS
               milliseconds (default 30000) when that comes first
     busy      ends with 1618 (another installation is in progress) while another process
               owns the installer's mutex
     exit=N    ends with N instead of running the real tool
     digest    adds "digest": the CRC-32 (hex) of the file the command line names, the package
               after /i, else the first argument; none when it can't be read
   Without exit=N it runs the real tool with the same arguments and ends with its code.

   standin.exe --own-installer MS owns the installer's mutex for MS milliseconds, as a running
   installation does, and prints "owned" once it does and "released" after.

   standin.exe --swap MS FILE OTHER is a writer of the distribution share: it waits (at most MS
   milliseconds) until FILE can't be opened for writing, then for at most MS more tries every
   50 ms to copy OTHER over FILE, to rename FILE and to delete it, until one succeeds (once
   setup.exe lets go of FILE at its end). It prints "watching", then "held refused N E": N
   refused attempts, E the last one's error; and "replaced" when one succeeded.

   standin.exe --hold-file PATH MS holds PATH unshared for MS milliseconds, printing "held". */
#include "helper_output.h"
/* After windows.h, which it builds on. */
#include <tlhelp32.h>

#define WATCH_MS 15000
#define POLL_MS 20
#define INSTALLER_MUTEX L"Global\\_MSIExecute"

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
  PROCESSENTRY32W entry = {.dwSize = sizeof entry};
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
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
  *(BOOL*)found = OwnedByWatched(window) && IsMessageWindow(window) && IsWindowVisible(window);
  return !*(BOOL*)found;
}

static BOOL ProgressShown(void) {
  BOOL found = FALSE;
  EnumWindows(FindShownProgress, (LPARAM)&found);
  return found;
}

static void DescribeWindow(HWND window, HWND parent) {
  wchar_t className[64] = L"", text[256] = L"";
  GetClassNameW(window, className, 64);
  RECT rect;
  GetWindowRect(window, &rect);
  /* Children by their place in the parent's client area, as they were created. */
  if (parent) MapWindowPoints(NULL, parent, (POINT*)&rect, 2);
  GetWindowTextW(window, text, 256);
  PrintFormat(L"{\"hwnd\":\"0x%lx\"", (unsigned long)(ULONG_PTR)window);
  PrintJson(L",\"class\":", className);
  PrintJson(L",\"text\":", text);
  PrintFormat(
      L",\"visible\":%ls,\"rect\":[%ld,%ld,%ld,%ld],\"style\":%lu,\"exstyle\":%lu,\"id\":%ld",
      IsWindowVisible(window) ? L"true" : L"false", rect.left, rect.top, rect.right - rect.left,
      rect.bottom - rect.top, (unsigned long)GetWindowLongW(window, GWL_STYLE),
      (unsigned long)GetWindowLongW(window, GWL_EXSTYLE), parent ? (long)GetDlgCtrlID(window) : 0L);
}

/* The watched process's top-level windows (PARENT 0), each with its children. */
static BOOL CALLBACK PrintWindows(HWND window, LPARAM parent) {
  static int printed[2]; /* so far in the list of each level */
  if (parent ? GetParent(window) != (HWND)parent
             : !OwnedByWatched(window) || !(IsWindowVisible(window) || IsMessageWindow(window)))
    return TRUE;
  Print(printed[parent != 0]++ ? L"," : L"");
  DescribeWindow(window, (HWND)parent);
  if (!parent) {
    Print(L",\"children\":[");
    printed[1] = 0;
    EnumChildWindows(window, PrintWindows, (LPARAM)window);
    Print(L"]");
  }
  Print(L"}");
  return TRUE;
}

/* The arguments after the program name, by the rule CommandLineToArgvW uses for it:
   a quoted name ends at the next quote, an unquoted one at the first blank or tab. */
static const wchar_t* Arguments(const wchar_t* p) {
  if (*p == L'"') return wcschr(p + 1, L'"') ? wcschr(p + 1, L'"') + 1 : L"";
  return p + wcscspn(p, L" \t");
}

/* The CRC-32 of the file ARGUMENTS name (the package after /i, else the first), as hex. */
static BOOL Digest(const wchar_t* arguments, wchar_t hex[9]) {
  const wchar_t* p = wcsstr(arguments, L" /i ") ? wcsstr(arguments, L" /i ") + 4 : arguments;
  wchar_t file[MAX_PATH * 4];
  p += wcsspn(p, L" ");
  size_t length = *p == L'"' ? wcscspn(++p, L"\"") : wcscspn(p, L" ");
  if (length >= MAX_PATH * 4) return FALSE;
  wcsncpy(file, p, length)[length] = 0;
  HANDLE handle = CreateFileW(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE |
                              FILE_SHARE_DELETE, NULL, OPEN_EXISTING, 0, NULL);
  if (handle == INVALID_HANDLE_VALUE) return FALSE;
  BYTE buffer[4096];
  DWORD crc = 0xFFFFFFFF, read = 0;
  while (ReadFile(handle, buffer, sizeof buffer, &read, NULL) && read)
    for (DWORD i = 0; i < read; ++i) {
      crc ^= buffer[i];
      for (int bit = 0; bit < 8; ++bit) crc = crc >> 1 ^ (0xEDB88320 & -(crc & 1));
    }
  CloseHandle(handle);
  _snwprintf(hex, 9, L"%08lx", ~crc);
  return TRUE;
}

static void Record(const wchar_t* logPath, const wchar_t* path, const wchar_t* name, BOOL watch,
                   DWORD waited, BOOL digest) {
  /* Before the line begins: whoever waits for the line then acts after the file was read. */
  wchar_t hex[9];
  digest = digest && Digest(Arguments(GetCommandLineW()), hex);
  HANDLE log = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (log == INVALID_HANDLE_VALUE) return;
  /* helper_output.h writes to the standard output; here that is the log. */
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, log);
  wchar_t directory[MAX_PATH * 4];
  if (!GetCurrentDirectoryW(MAX_PATH * 4, directory)) directory[0] = 0;
  PrintJson(L"{\"program\":", name);
  PrintJson(L",\"path\":", path);
  PrintJson(L",\"command\":", GetCommandLineW());
  PrintJson(L",\"cwd\":", directory);
  if (digest) PrintJson(L",\"digest\":", hex);
  if (watch) {
    PrintFormat(L",\"parent\":\"%04lx\",\"waited_ms\":%lu,\"windows\":[", watchedPid, waited);
    EnumWindows(PrintWindows, 0);
    Print(L"]");
  }
  Print(L"}\n");
  SetStdHandle(STD_OUTPUT_HANDLE, output);
  CloseHandle(log);
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
  _snwprintf(command, size, L"\"%ls\"%ls", real, arguments);
  STARTUPINFOW startup = {.cb = sizeof startup};
  PROCESS_INFORMATION process = {0};
  if (!CreateProcessW(real, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
    return GetLastError();
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  return GetExitCodeProcess(process.hProcess, &code) ? code : GetLastError();
}

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && wcscmp(argv[1], L"--own-installer") == 0) {
    HANDLE mutex = CreateMutexW(NULL, FALSE, INSTALLER_MUTEX);
    if (!mutex || WaitForSingleObject(mutex, INFINITE) != WAIT_OBJECT_0) return 1;
    Print(L"owned\n");
    Sleep(wcstoul(argv[2], NULL, 10));
    ReleaseMutex(mutex);
    return Finish(0, L"released\n");
  }
  if (argc == 5 && wcscmp(argv[1], L"--swap") == 0) {
    DWORD limit = wcstoul(argv[2], NULL, 10), start = GetTickCount(), error = ERROR_SUCCESS;
    Print(L"watching\n");
    for (;; Sleep(POLL_MS)) {
      HANDLE file = CreateFileW(argv[3], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                FILE_SHARE_DELETE, NULL, OPEN_EXISTING, 0, NULL);
      if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) break;
      if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
      if (GetTickCount() - start > limit) return Finish(1, L"never held\n");
    }
    wchar_t renamed[MAX_PATH + 8];
    _snwprintf(renamed, MAX_PATH + 8, L"%ls.old", argv[3]);
    BOOL replaced = FALSE;
    unsigned refusals = 0;
    for (start = GetTickCount(); !replaced && GetTickCount() - start < limit; Sleep(50)) {
      replaced = CopyFileW(argv[4], argv[3], FALSE) || MoveFileExW(argv[3], renamed, 0) ||
                 DeleteFileW(argv[3]);
      if (!replaced) ++refusals, error = GetLastError();
    }
    return Finish(0, L"held refused %u %lu%ls\n", refusals, error, replaced ? L" replaced" : L"");
  }
  if (argc == 4 && wcscmp(argv[1], L"--hold-file") == 0) {
    if (CreateFileW(argv[2], GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL) == INVALID_HANDLE_VALUE)
      return 1;
    Print(L"held\n");
    Sleep(wcstoul(argv[3], NULL, 10)); /* closed as the process ends */
    return 0;
  }
  /* Its own name without folder and extension: "msiexec" for ...\msiexec.exe. */
  wchar_t path[MAX_PATH], name[64], variable[80] = L"STANDIN_";
  GetModuleFileNameW(NULL, path, MAX_PATH);
  const wchar_t* base = wcsrchr(path, L'\\');
  wcsncpy(name, base ? base + 1 : path, 63);
  name[63] = 0;
  if (wcsrchr(name, L'.')) *wcsrchr(name, L'.') = 0;
  const wchar_t* actions = _wgetenv(CharUpperW(wcscat(variable, name)));

  BOOL watch = Action(actions, L"watch") != NULL;
  DWORD start, waited = 0;
  if (watch) {
    watchedPid = ParentProcessId();
    start = GetTickCount();
    while (!ProgressShown() && GetTickCount() - start < WATCH_MS) Sleep(POLL_MS);
    waited = GetTickCount() - start;
  }
  const wchar_t* logPath = _wgetenv(L"STANDIN_LOG");
  if (logPath) Record(logPath, path, name, watch, waited, Action(actions, L"digest") != NULL);

  const wchar_t *hold = Action(actions, L"hold"), *release = _wgetenv(L"STANDIN_RELEASE");
  DWORD limit = hold && *hold ? wcstoul(hold, NULL, 10) : 30000;
  for (start = GetTickCount(); hold && GetTickCount() - start < limit; Sleep(POLL_MS))
    if (release && GetFileAttributesW(release) != INVALID_FILE_ATTRIBUTES) break;

  if (Action(actions, L"busy") && InstallerBusy()) return ERROR_INSTALL_ALREADY_RUNNING;
  const wchar_t* exitCode = Action(actions, L"exit");
  return exitCode ? (int)wcstoul(exitCode, NULL, 10) : (int)RunReal();
}
