/* The control for the planted-DLL test: a program that loads msi.dll, crypt32.dll, wintrust.dll
   and comctl32.dll plainly by name, as a careless program would. It must pick up the DLLs
   planted beside it; if it doesn't, the test proves nothing. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
  (void)instance, (void)previous, (void)commandLine, (void)show;
  LoadLibraryW(L"msi.dll");
  LoadLibraryW(L"crypt32.dll");
  LoadLibraryW(L"wintrust.dll");
  LoadLibraryW(L"comctl32.dll");
  return 0;
}
