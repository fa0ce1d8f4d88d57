/* Times programs side by side inside one Wine session: each round starts every program
   once, in turn, from the same folder, and prints the wall time of each in milliseconds.

   timer.exe DIR ROUNDS "COMMAND LINE" ["COMMAND LINE" ...]
   prints: "<index> <milliseconds> <exit code>" per run */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  for (int round = 0; round < _wtoi(argv[2]); ++round) {
    for (int i = 3; i < argc; ++i) {
      wchar_t* line = _wcsdup(argv[i]);
      STARTUPINFOW startup = {.cb = sizeof startup};
      PROCESS_INFORMATION process;
      QueryPerformanceCounter(&start);
      if (!CreateProcessW(NULL, line, NULL, NULL, FALSE, 0, NULL, argv[1], &startup, &process)) {
        printf("%d start-failed %lu\n", i - 3, GetLastError());
        return 1;
      }
      WaitForSingleObject(process.hProcess, INFINITE);
      QueryPerformanceCounter(&end);
      DWORD code = 0;
      GetExitCodeProcess(process.hProcess, &code);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
      free(line);
      printf("%d %.1f %lu\n", i - 3, (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart,
             code);
      fflush(stdout);
    }
  }
  return 0;
}
