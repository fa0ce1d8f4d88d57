/* Starts a program in a given current directory and prints its full 32-bit exit code, which
   the Linux side can't see through wine's 8-bit exit status.

   launch.exe DIR PROGRAM [ARG...]     arguments quoted where they need it
   launch.exe --raw DIR PROGRAM TAIL   TAIL appended after one blank, verbatim
   launch.exe --invisible ...          the program on a window station of its own that no user
                                       sees (no WSF_VISIBLE), as a service or a scheduled task
                                       starts it

   Prints "cwd=" (the directory as Wine reports it), "pid=" (hex, as in Wine's traces) before
   waiting, then "exit=". Exit status 0 once the child ended. */
#include "helper_output.h"

static wchar_t* commandLine;
static size_t commandLength;

static void Append(const wchar_t* text, size_t length) {
  commandLine = (wchar_t*)realloc(commandLine, (commandLength + length + 1) * sizeof(wchar_t));
  memcpy(commandLine + commandLength, text, length * sizeof(wchar_t));
  commandLine[commandLength += length] = 0;
}

/* The quoting that CommandLineToArgvW undoes: backslashes double only before a quote. */
static void AppendQuoted(const wchar_t* argument) {
  BOOL quoted = !*argument || wcspbrk(argument, L" \t\n\v\"");
  if (quoted) Append(L"\"", 1);
  for (const wchar_t* p = argument;; ++p) {
    /* The backslashes before a quote, the closing one too, once more; a quote, one more. */
    if (quoted && (!*p || *p == L'"'))
      for (const wchar_t* b = p; b > argument && b[-1] == L'\\'; --b) Append(L"\\", 1);
    if (!*p) break;
    if (*p == L'"') Append(L"\\", 1);
    Append(p, 1);
  }
  if (quoted) Append(L"\"", 1);
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
  int first = 1;
  BOOL raw = FALSE, invisible = FALSE;
  while (first < argc &&
         (Flag(argv[first], L"--raw", &raw) || Flag(argv[first], L"--invisible", &invisible)))
    ++first;
  if (argc - first < 2 || (raw && argc - first != 3))
    return Finish(2, L"usage: launch.exe [--raw] [--invisible] DIR PROGRAM [ARG...]\n");
  if (!SetCurrentDirectoryW(argv[first]))
    return Finish(2, L"error=SetCurrentDirectoryW %lu\n", GetLastError());
  wchar_t directory[MAX_PATH * 4];
  if (!GetCurrentDirectoryW(MAX_PATH * 4, directory)) directory[0] = 0;
  Print(L"cwd=");
  Print(directory);
  Print(L"\n");

  AppendQuoted(argv[first + 1]);
  for (int i = first + 2; i < argc; ++i) {
    Append(L" ", 1);
    raw ? Append(argv[i], wcslen(argv[i])) : AppendQuoted(argv[i]);
  }

  STARTUPINFOW startup = {.cb = sizeof startup};
  wchar_t invisibleDesktop[] = L"Invisible\\Default";
  if (invisible && !PrepareInvisibleDesktop())
    return Finish(2, L"error=invisible window station %lu\n", GetLastError());
  if (invisible) startup.lpDesktop = invisibleDesktop;
  PROCESS_INFORMATION process = {0};
  if (!CreateProcessW(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
    return Finish(2, L"error=CreateProcessW %lu\n", GetLastError());
  PrintFormat(L"pid=%04lx\n", process.dwProcessId);
  FlushFileBuffers(GetStdHandle(STD_OUTPUT_HANDLE));
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  if (!GetExitCodeProcess(process.hProcess, &code))
    return Finish(2, L"error=GetExitCodeProcess %lu\n", GetLastError());
  return Finish(0, L"exit=%lu\n", code);
}
