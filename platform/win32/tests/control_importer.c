/* The control for the planted-DLL test: a program that loads msi.dll, crypt32.dll, wintrust.dll
   and comctl32.dll plainly by name, as a careless program would. It must pick up the DLLs
   planted beside it; if it doesn't, the test proves nothing. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
  (void)instance, (void)previous, (void)commandLine, (void)show;
  static const wchar_t* dlls[] = {L"msi.dll", L"crypt32.dll", L"wintrust.dll", L"comctl32.dll"};
  for (int i = 0; i < 4; ++i) LoadLibraryW(dlls[i]);
  return 0;
}
