/* A stand-in msiexec.exe for the window scenarios. Put in the distribution folder, it is
   the msiexec setup.exe finds first, so it runs exactly while setup.exe waits for an
   installer to end. It
     1. waits until the process that started it shows a visible window of class
        "Message" (the progress window), at most WAIT_MS;
     2. appends one JSON line to msiexec-standin.jsonl beside it: its command line, how
        long it waited, and the starting process's visible top-level windows and every
        window of class "Message", each with its children;
     3. when a file msiexec.hold lies beside it, creates msiexec.waiting and waits until
        msiexec.go appears (at most HOLD_MS), so that a screenshot can be taken meanwhile;
     4. runs the real msiexec with the same arguments and ends with its exit code. */
// windows.h comes first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
#include <stdlib.h>
#include "helper_output.h"
// clang-format on

#define WAIT_MS 15000
#define HOLD_MS 30000
#define POLL_MS 20

static wchar_t folder[MAX_PATH];

static void Beside(const wchar_t* name, wchar_t* path) {
  wcscpy(path, folder);
  wcscat(path, name);
}

static BOOL Exists(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  Beside(name, path);
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

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

static DWORD watchedPid;

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

static void Record(DWORD waited) {
  wchar_t path[MAX_PATH];
  Beside(L"msiexec-standin.jsonl", path);
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  /* helper_output.h writes to the standard output; here that is the record file. */
  SetStdHandle(STD_OUTPUT_HANDLE, file);
  Print(L"{\"command\":");
  PrintJsonString(GetCommandLineW());
  PrintFormat(L",\"parent\":\"%04lx\",\"waited_ms\":%lu,\"windows\":[", watchedPid, waited);
  int printed = 0;
  EnumWindows(PrintTopLevel, (LPARAM)&printed);
  Print(L"]}\n");
  CloseHandle(file);
}

static DWORD WaitFor(BOOL (*condition)(void), DWORD limit) {
  DWORD start = GetTickCount();
  while (!condition() && GetTickCount() - start < limit) Sleep(POLL_MS);
  return GetTickCount() - start;
}

static BOOL ProgressShown(void) {
  BOOL found = FALSE;
  EnumWindows(FindShownProgress, (LPARAM)&found);
  return found;
}

static BOOL GoGiven(void) { return Exists(L"msiexec.go"); }

/* The arguments as setup.exe wrote them: everything after the program name. */
static const wchar_t* Arguments(const wchar_t* commandLine) {
  const wchar_t* p = commandLine;
  if (*p == L'"') {
    p = wcschr(p + 1, L'"');
    return p ? p + 1 : L"";
  }
  while (*p && *p != L' ' && *p != L'\t') ++p;
  return p;
}

int wmain(void) {
  GetModuleFileNameW(NULL, folder, MAX_PATH);
  wchar_t* slash = wcsrchr(folder, L'\\');
  if (slash) slash[1] = 0;

  watchedPid = ParentProcessId();
  Record(WaitFor(ProgressShown, WAIT_MS));

  if (Exists(L"msiexec.hold")) {
    wchar_t path[MAX_PATH];
    Beside(L"msiexec.waiting", path);
    CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    WaitFor(GoGiven, HOLD_MS);
  }

  const wchar_t* arguments = Arguments(GetCommandLineW());
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  size_t length = wcslen(system) + wcslen(arguments) + 32;
  wchar_t* command = (wchar_t*)calloc(length, sizeof(wchar_t));
  _snwprintf(command, length - 1, L"\"%ls\\msiexec.exe\"%ls", system, arguments);
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {0};
  if (!CreateProcessW(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
    return 1622; /* ERROR_INSTALL_LOG_FAILURE: unmistakably not a real installer's answer */
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return (int)code;
}
