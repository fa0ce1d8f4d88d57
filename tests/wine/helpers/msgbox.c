/* Waits for a message box or any visible top-level window (a dialog, the progress
   window), prints it as one JSON line and optionally presses one of its buttons. Reads
   the window itself because Wine's msgbox trace cuts long texts and shows neither caption
   nor buttons.

   msgbox.exe [--timeout MS] [--pid HEX] [--class NAME] [--title TEXT] [--paint]
              [--activate] [--click ID]... [--press OK|Cancel|Yes|No|default|ID]

   --class (default #32770, the class of boxes and dialogs) and --title choose the window.
   --paint has it painted before it is read (UpdateWindow on another thread's window
   returns once WM_PAINT was handled: a screenshot may follow); --activate also makes it
   the active window first, so that its title bar is drawn active. --click clicks a
   control first (BM_CLICK: a radio button, a dialog's own toggle); the box is read after
   the clicks.

   Output: {"pid":"00f4","caption":"...","text":"...","buttons":[{"id":1,"text":"OK"}],
   "rect":[x,y,width,height]} and, after a press, {"pressed":1,"closed":true,"ms":40}.
   With --pid it gives up as soon as that process ends ({"ended":true}). Exit status 0
   when a window was found (and closed after a press), 1 on time-out or end, 2 on bad
   usage. */
// windows.h comes first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <stdlib.h>
#include "helper_output.h"
// clang-format on

#define POLL_MS 50

static DWORD wantedPid;
static const wchar_t* wantedClass = L"#32770";
static const wchar_t* wantedTitle;
static HWND found;

static BOOL CALLBACK FindBox(HWND window, LPARAM unused) {
  (void)unused;
  wchar_t className[64], title[256];
  if (!IsWindowVisible(window) || !GetClassNameW(window, className, 64) ||
      wcscmp(className, wantedClass) != 0)
    return TRUE;
  GetWindowTextW(window, title, 256);
  if (wantedTitle && wcscmp(title, wantedTitle) != 0) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (wantedPid && pid != wantedPid) return TRUE;
  found = window;
  return FALSE;
}

/* WM_GETTEXT is marshalled across processes, so the whole text arrives, not the
   server's copy of a title. Asked again until the box answers: on a loaded machine that
   runs 32-bit programs through qemu it may not answer for seconds, and Wine then takes
   it for hung. */
static BOOL Ask(HWND window, UINT message, WPARAM wparam, LPARAM lparam, DWORD_PTR* result) {
  DWORD start = GetTickCount();
  while (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL, 5000, result)) {
    if (!IsWindow(window) || GetTickCount() - start > 30000) return FALSE;
    Sleep(POLL_MS);
  }
  return TRUE;
}

static wchar_t* ReadText(HWND window) {
  DWORD_PTR length = 0;
  Ask(window, WM_GETTEXTLENGTH, 0, 0, &length);
  wchar_t* text = (wchar_t*)calloc(length + 2, sizeof(wchar_t));
  DWORD_PTR copied = 0;
  Ask(window, WM_GETTEXT, length + 1, (LPARAM)text, &copied);
  return text;
}

struct Controls {
  HWND texts[8];
  int textCount;
  HWND buttons[8];
  int buttonCount;
};

static BOOL CALLBACK CollectControl(HWND control, LPARAM context) {
  struct Controls* controls = (struct Controls*)context;
  wchar_t className[64];
  if (!GetClassNameW(control, className, 64) || !IsWindowVisible(control)) return TRUE;
  LONG style = GetWindowLongW(control, GWL_STYLE);
  if (_wcsicmp(className, L"Button") == 0 && controls->buttonCount < 8) {
    controls->buttons[controls->buttonCount++] = control;
  } else if (_wcsicmp(className, L"Static") == 0 && (style & SS_TYPEMASK) != SS_ICON &&
             controls->textCount < 8) {
    controls->texts[controls->textCount++] = control;
  }
  return TRUE;
}

static BOOL CALLBACK PaintChild(HWND child, LPARAM unused) {
  (void)unused;
  UpdateWindow(child);
  return TRUE;
}

/* Wine draws a window that became active while its desktop had no keyboard focus as
   inactive until it is activated again: away to the desktop, and back. */
static void Activate(DWORD timeout) {
  SetForegroundWindow(GetDesktopWindow());
  DWORD start = GetTickCount();
  while (GetForegroundWindow() == found && GetTickCount() - start < timeout) Sleep(POLL_MS);
  SetForegroundWindow(found);
  start = GetTickCount();
  while (GetForegroundWindow() != found && GetTickCount() - start < timeout) Sleep(POLL_MS);
}

static int ButtonId(const wchar_t* name) {
  static const struct {
    const wchar_t* name;
    int id;
  } names[] = {
      {L"OK", IDOK},         {L"Cancel", IDCANCEL}, {L"Abort", IDABORT}, {L"Retry", IDRETRY},
      {L"Ignore", IDIGNORE}, {L"Yes", IDYES},       {L"No", IDNO},
  };
  for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i)
    if (_wcsicmp(name, names[i].name) == 0) return names[i].id;
  return _wtoi(name);
}

int wmain(int argc, wchar_t** argv) {
  DWORD timeout = 20000;
  const wchar_t* press = NULL;
  int clicks[16], clickCount = 0;
  BOOL paint = FALSE, activate = FALSE;
  for (int i = 1; i < argc; ++i) {
    if (wcscmp(argv[i], L"--timeout") == 0 && i + 1 < argc)
      timeout = wcstoul(argv[++i], NULL, 10);
    else if (wcscmp(argv[i], L"--pid") == 0 && i + 1 < argc)
      wantedPid = wcstoul(argv[++i], NULL, 16);
    else if (wcscmp(argv[i], L"--class") == 0 && i + 1 < argc)
      wantedClass = argv[++i];
    else if (wcscmp(argv[i], L"--title") == 0 && i + 1 < argc)
      wantedTitle = argv[++i];
    else if (wcscmp(argv[i], L"--paint") == 0)
      paint = TRUE;
    else if (wcscmp(argv[i], L"--activate") == 0)
      paint = activate = TRUE;
    else if (wcscmp(argv[i], L"--press") == 0 && i + 1 < argc)
      press = argv[++i];
    else if (wcscmp(argv[i], L"--click") == 0 && i + 1 < argc && clickCount < 16)
      clicks[clickCount++] = _wtoi(argv[++i]);
    else {
      Print(L"usage: msgbox.exe [--timeout MS] [--pid HEX] [--class NAME] [--title TEXT] "
            L"[--paint] [--activate] [--click ID]... [--press BUTTON]\n");
      return 2;
    }
  }

  /* A program that ended shows no more boxes: stop waiting at once. It may have ended
     before this helper got here (under emulation a start takes a second): its pid is
     then gone too. */
  HANDLE process = wantedPid ? OpenProcess(SYNCHRONIZE, FALSE, wantedPid) : NULL;
  if (wantedPid && !process) {
    Print(L"{\"ended\":true}\n");
    return 1;
  }
  DWORD start = GetTickCount();
  while (EnumWindows(FindBox, 0), !found) {
    if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
      Print(L"{\"ended\":true}\n");
      return 1;
    }
    if (GetTickCount() - start > timeout) {
      Print(L"{\"timeout\":true}\n");
      return 1;
    }
    Sleep(POLL_MS);
  }

  for (int i = 0; i < clickCount; ++i) {
    DWORD_PTR unused = 0;
    HWND control = GetDlgItem(found, clicks[i]);
    if (!control ||
        !SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 2000, &unused)) {
      PrintFormat(L"{\"error\":\"no click on %d\"}\n", clicks[i]);
      return 1;
    }
  }

  if (activate) Activate(timeout);
  if (paint) {
    RedrawWindow(found, NULL, NULL, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    UpdateWindow(found);
    EnumChildWindows(found, PaintChild, 0);
  }
  struct Controls controls = {0};
  EnumChildWindows(found, CollectControl, (LPARAM)&controls);
  DWORD pid = 0;
  GetWindowThreadProcessId(found, &pid);
  PrintFormat(L"{\"pid\":\"%04lx\",\"caption\":", pid);
  wchar_t* caption = ReadText(found);
  PrintJsonString(caption);
  free(caption);
  Print(L",\"text\":");
  /* The message is the one non-empty static; a box never has two. */
  wchar_t* message = NULL;
  for (int i = 0; i < controls.textCount && !message; ++i) {
    wchar_t* text = ReadText(controls.texts[i]);
    if (*text)
      message = text;
    else
      free(text);
  }
  PrintJsonString(message ? message : L"");
  free(message);
  Print(L",\"buttons\":[");
  for (int i = 0; i < controls.buttonCount; ++i) {
    wchar_t* text = ReadText(controls.buttons[i]);
    PrintFormat(L"%ls{\"id\":%d,\"text\":", i ? L"," : L"", GetDlgCtrlID(controls.buttons[i]));
    PrintJsonString(text);
    Print(L"}");
    free(text);
  }
  RECT rect;
  GetWindowRect(found, &rect);
  PrintFormat(L"],\"rect\":[%ld,%ld,%ld,%ld]}\n", rect.left, rect.top, rect.right - rect.left,
              rect.bottom - rect.top);

  if (!press) return 0;
  int id = ButtonId(press);
  if (_wcsicmp(press, L"default") == 0) {
    /* What Return would press: the default push button, else the first button. */
    id = controls.buttonCount ? GetDlgCtrlID(controls.buttons[0]) : IDOK;
    for (int i = 0; i < controls.buttonCount; ++i)
      if ((GetWindowLongW(controls.buttons[i], GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
        id = GetDlgCtrlID(controls.buttons[i]);
  }
  HWND button = GetDlgItem(found, id);
  if (!button) {
    PrintFormat(L"{\"error\":\"no button %d\"}\n", id);
    return 1;
  }
  PostMessageW(found, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
  start = GetTickCount();
  while (IsWindow(found) && GetTickCount() - start < timeout) Sleep(POLL_MS);
  int closed = !IsWindow(found);
  PrintFormat(L"{\"pressed\":%d,\"closed\":%ls,\"ms\":%lu}\n", id, closed ? L"true" : L"false",
              GetTickCount() - start);
  return closed ? 0 : 1;
}
