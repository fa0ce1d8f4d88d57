/* Stands in for a DLL that someone left beside the program: loading it leaves a marker
   file next to it, named MARKER (tests/wine/kit.py builds one per DLL name). The layer
   must load the system's copy instead. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH + 32];
    DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
    while (length > 0 && path[length - 1] != L'\\') --length;
    lstrcpyW(path + length, MARKER);
    HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  }
  return TRUE;
}
