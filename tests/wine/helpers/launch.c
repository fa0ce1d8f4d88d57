/* Starts a program in a given current directory and prints its full 32-bit exit code,
   which the Linux side can't see through wine's 8-bit exit status.

   launch.exe DIR PROGRAM [ARG...]     arguments quoted where they need it
   launch.exe --raw DIR PROGRAM TAIL   TAIL appended after one blank, verbatim
   launch.exe --invisible ...          the program on a window station of its own that
                                       no user sees (no WSF_VISIBLE), as a service or a
                                       scheduled task starts it

   Prints "cwd=" (the directory as Wine reports it), "pid=" (hex, as in Wine's
   traces) before waiting, then "exit=". Exit status 0 once the child ended. */
// windows.h comes first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <stdlib.h>
#include "helper_output.h"
// clang-format on

static wchar_t* commandLine;
static size_t commandLength, commandCapacity;

static void Append(const wchar_t* text, size_t length) {
  if (commandLength + length + 1 > commandCapacity) {
    commandCapacity = (commandLength + length + 1) * 2;
    commandLine = (wchar_t*)realloc(commandLine, commandCapacity * sizeof(wchar_t));
  }
  memcpy(commandLine + commandLength, text, length * sizeof(wchar_t));
  commandLength += length;
  commandLine[commandLength] = 0;
}

/* The quoting that CommandLineToArgvW undoes: backslashes double only before a quote. */
static void AppendQuoted(const wchar_t* argument) {
  if (*argument && !wcspbrk(argument, L" \t\n\v\"")) {
    Append(argument, wcslen(argument));
    return;
  }
  Append(L"\"", 1);
  for (const wchar_t* p = argument;; ++p) {
    size_t backslashes = 0;
    while (*p == L'\\') {
      ++p;
      ++backslashes;
    }
    if (!*p) {
      for (size_t i = 0; i < backslashes * 2; ++i) Append(L"\\", 1);
      break;
    }
    if (*p == L'"') {
      for (size_t i = 0; i < backslashes * 2 + 1; ++i) Append(L"\\", 1);
    } else {
      for (size_t i = 0; i < backslashes; ++i) Append(L"\\", 1);
    }
    Append(p, 1);
  }
  Append(L"\"", 1);
}

/* A window station made here is not visible; its desktop is where the child's windows
   would go. Both stay open until the child ended. */
static BOOL PrepareInvisibleDesktop(void) {
  HWINSTA own = GetProcessWindowStation();
  HWINSTA station = CreateWindowStationW(L"Invisible", 0, WINSTA_ALL_ACCESS, NULL);
  if (!station || !SetProcessWindowStation(station)) return FALSE;
  HDESK desktop = CreateDesktopW(L"Default", NULL, NULL, 0, GENERIC_ALL, NULL);
  SetProcessWindowStation(own);
  return desktop != NULL;
}

int wmain(int argc, wchar_t** argv) {
  int first = 1, raw = 0, invisible = 0;
  for (; first < argc; ++first) {
    if (wcscmp(argv[first], L"--raw") == 0)
      raw = 1;
    else if (wcscmp(argv[first], L"--invisible") == 0)
      invisible = 1;
    else
      break;
  }
  if (argc - first < 2 || (raw && argc - first != 3)) {
    Print(L"usage: launch.exe [--raw] [--invisible] DIR PROGRAM [ARG...]\n");
    return 2;
  }
  if (!SetCurrentDirectoryW(argv[first])) {
    PrintFormat(L"error=SetCurrentDirectoryW %lu\n", GetLastError());
    return 2;
  }
  wchar_t directory[MAX_PATH * 4];
  if (!GetCurrentDirectoryW(MAX_PATH * 4, directory)) directory[0] = 0;
  Print(L"cwd=");
  Print(directory);
  Print(L"\n");

  AppendQuoted(argv[first + 1]);
  for (int i = first + 2; i < argc; ++i) {
    Append(L" ", 1);
    if (raw)
      Append(argv[i], wcslen(argv[i]));
    else
      AppendQuoted(argv[i]);
  }

  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  wchar_t invisibleDesktop[] = L"Invisible\\Default";
  if (invisible) {
    if (!PrepareInvisibleDesktop()) {
      PrintFormat(L"error=invisible window station %lu\n", GetLastError());
      return 2;
    }
    startup.lpDesktop = invisibleDesktop;
  }
  PROCESS_INFORMATION process = {0};
  if (!CreateProcessW(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
    PrintFormat(L"error=CreateProcessW %lu\n", GetLastError());
    return 2;
  }
  PrintFormat(L"pid=%04lx\n", process.dwProcessId);
  FlushFileBuffers(GetStdHandle(STD_OUTPUT_HANDLE));
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  if (!GetExitCodeProcess(process.hProcess, &code)) {
    PrintFormat(L"error=GetExitCodeProcess %lu\n", GetLastError());
    return 2;
  }
  PrintFormat(L"exit=%lu\n", code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}
