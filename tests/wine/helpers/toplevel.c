/* Waits until a visible top-level window of a given class (and title) is on screen,
   has it painted, and prints where it is.

   toplevel.exe [--class NAME] [--title TEXT] [--timeout MS] [--activate]

   --activate makes it the active window first, as a click on it would, so that its
   title bar is drawn as the active one.

   Output: {"hwnd":"0x10052","class":"#32770","title":"...","rect":[x,y,width,height]}
   or {"timeout":true}. Exit status 0 when found, 1 on time-out, 2 on bad usage.

   UpdateWindow on another thread's window sends it WM_PAINT and returns once it has
   been handled, so the picture is complete when this prints (a screenshot follows). */
// windows.h comes first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <stdlib.h>
#include "helper_output.h"
// clang-format on

#define POLL_MS 20

static const wchar_t* wantedClass;
static const wchar_t* wantedTitle;
static HWND found;

static BOOL CALLBACK Find(HWND window, LPARAM unused) {
  (void)unused;
  wchar_t className[64], title[256];
  if (!IsWindowVisible(window) || !GetClassNameW(window, className, 64)) return TRUE;
  if (wantedClass && wcscmp(className, wantedClass) != 0) return TRUE;
  GetWindowTextW(window, title, 256);
  if (wantedTitle && wcscmp(title, wantedTitle) != 0) return TRUE;
  found = window;
  return FALSE;
}

static BOOL CALLBACK PaintChild(HWND child, LPARAM unused) {
  (void)unused;
  UpdateWindow(child);
  return TRUE;
}

int wmain(int argc, wchar_t** argv) {
  DWORD timeout = 20000;
  BOOL activate = FALSE;
  for (int i = 1; i < argc; ++i) {
    if (wcscmp(argv[i], L"--class") == 0 && i + 1 < argc)
      wantedClass = argv[++i];
    else if (wcscmp(argv[i], L"--title") == 0 && i + 1 < argc)
      wantedTitle = argv[++i];
    else if (wcscmp(argv[i], L"--timeout") == 0 && i + 1 < argc)
      timeout = wcstoul(argv[++i], NULL, 10);
    else if (wcscmp(argv[i], L"--activate") == 0)
      activate = TRUE;
    else {
      Print(L"usage: toplevel.exe [--class NAME] [--title TEXT] [--timeout MS] [--activate]\n");
      return 2;
    }
  }
  DWORD start = GetTickCount();
  while (EnumWindows(Find, 0), !found) {
    if (GetTickCount() - start > timeout) {
      Print(L"{\"timeout\":true}\n");
      return 1;
    }
    Sleep(POLL_MS);
  }
  if (activate) {
    /* Wine draws a window that became active while its desktop had no keyboard focus
       as inactive until it is activated again: away to the desktop, and back. */
    SetForegroundWindow(GetDesktopWindow());
    start = GetTickCount();
    while (GetForegroundWindow() == found && GetTickCount() - start < timeout) Sleep(POLL_MS);
    SetForegroundWindow(found);
    start = GetTickCount();
    while (GetForegroundWindow() != found && GetTickCount() - start < timeout) Sleep(POLL_MS);
  }
  RedrawWindow(found, NULL, NULL, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
  UpdateWindow(found);
  EnumChildWindows(found, PaintChild, 0);
  wchar_t className[64] = L"", title[256] = L"";
  GetClassNameW(found, className, 64);
  GetWindowTextW(found, title, 256);
  RECT rect;
  GetWindowRect(found, &rect);
  PrintFormat(L"{\"hwnd\":\"0x%lx\",\"class\":", (unsigned long)(ULONG_PTR)found);
  PrintJsonString(className);
  Print(L",\"title\":");
  PrintJsonString(title);
  PrintFormat(L",\"rect\":[%ld,%ld,%ld,%ld]}\n", rect.left, rect.top, rect.right - rect.left,
              rect.bottom - rect.top);
  return 0;
}
