/* Waits for a message box or any visible top-level window (a dialog, the progress window),
   prints it as one JSON line and optionally presses one of its buttons. Reads the window itself
   because Wine's msgbox trace cuts long texts and shows neither caption nor buttons.

   msgbox.exe [--timeout MS] [--pid HEX] [--class NAME] [--title TEXT] [--paint]
              [--activate] [--click ID]... [--press OK|Cancel|Yes|No|default|ID]

   --class (default #32770, the class of boxes and dialogs) and --title choose the window.
   --paint has it painted before it is read (UpdateWindow on another thread's window returns
   once WM_PAINT was handled: a screenshot may follow); --activate also makes it the active
   window first, so that its title bar is drawn active. --click clicks a control first
   (BM_CLICK: a radio button, a dialog's own toggle); the box is read after the clicks.

   Output: {"pid":"00f4","caption":"...","text":"...","buttons":[{"id":1,"text":"OK"}],
   "rect":[x,y,width,height]} and, after a press, {"pressed":1,"closed":true,"ms":40}.
   With --pid it gives up as soon as that process ends ({"ended":true}). Exit status 0 when a
   window was found (and closed after a press), 1 on time-out or end, 2 on bad usage. */
#include "helper_output.h"

#define POLL_MS 50

static DWORD wantedPid;
static const wchar_t *wantedClass = L"#32770", *wantedTitle;
static HWND found;
static struct {
  HWND texts[8], buttons[8];
  int textCount, buttonCount;
} controls;

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
static void Ask(HWND window, UINT message, WPARAM wparam, LPARAM lparam, DWORD_PTR* result) {
  for (DWORD start = GetTickCount();
       !SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL, 5000, result) &&
       IsWindow(window) && GetTickCount() - start <= 30000;)
    Sleep(POLL_MS);
}

static wchar_t* ReadText(HWND window) {
  DWORD_PTR length = 0, copied = 0;
  Ask(window, WM_GETTEXTLENGTH, 0, 0, &length);
  wchar_t* text = (wchar_t*)calloc(length + 2, sizeof(wchar_t));
  Ask(window, WM_GETTEXT, length + 1, (LPARAM)text, &copied);
  return text;
}

static BOOL CALLBACK CollectControl(HWND control, LPARAM unused) {
  (void)unused;
  wchar_t className[64];
  if (!GetClassNameW(control, className, 64) || !IsWindowVisible(control)) return TRUE;
  if (_wcsicmp(className, L"Button") == 0 && controls.buttonCount < 8)
    controls.buttons[controls.buttonCount++] = control;
  else if (_wcsicmp(className, L"Static") == 0 && controls.textCount < 8 &&
           (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
    controls.texts[controls.textCount++] = control;
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
  /* IDOK (1) to IDNO (7) */
  static const wchar_t* names[] = {L"OK", L"Cancel", L"Abort", L"Retry", L"Ignore", L"Yes", L"No"};
  for (int i = 0; i < 7; ++i)
    if (_wcsicmp(name, names[i]) == 0) return i + 1;
  return _wtoi(name);
}

int wmain(int argc, wchar_t** argv) {
  const wchar_t *timeoutText = L"20000", *pidText = L"0", *press = NULL, *click;
  int clicks[16], clickCount = 0;
  BOOL paint = FALSE, activate = FALSE;
  for (int i = 1; i < argc; ++i) {
    if (clickCount < 16 && Option(argc, argv, &i, L"--click", &click))
      clicks[clickCount++] = _wtoi(click);
    else if (!Flag(argv[i], L"--paint", &paint) && !Flag(argv[i], L"--activate", &activate) &&
             !Option(argc, argv, &i, L"--timeout", &timeoutText) &&
             !Option(argc, argv, &i, L"--pid", &pidText) &&
             !Option(argc, argv, &i, L"--class", &wantedClass) &&
             !Option(argc, argv, &i, L"--title", &wantedTitle) &&
             !Option(argc, argv, &i, L"--press", &press))
      return Finish(2,
                    L"usage: msgbox.exe [--timeout MS] [--pid HEX] [--class NAME] "
                    L"[--title TEXT] [--paint] [--activate] [--click ID]... [--press BUTTON]\n");
  }
  DWORD timeout = wcstoul(timeoutText, NULL, 10);
  wantedPid = wcstoul(pidText, NULL, 16);
  paint |= activate;

  /* A program that ended shows no more boxes: stop waiting at once. It may have ended
     before this helper got here (under emulation a start takes a second): its pid is
     then gone too. */
  HANDLE process = wantedPid ? OpenProcess(SYNCHRONIZE, FALSE, wantedPid) : NULL;
  if (wantedPid && !process) return Finish(1, L"{\"ended\":true}\n");
  DWORD start = GetTickCount();
  while (EnumWindows(FindBox, 0), !found) {
    if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0)
      return Finish(1, L"{\"ended\":true}\n");
    if (GetTickCount() - start > timeout) return Finish(1, L"{\"timeout\":true}\n");
    Sleep(POLL_MS);
  }

  for (int i = 0; i < clickCount; ++i) {
    DWORD_PTR unused = 0;
    HWND control = GetDlgItem(found, clicks[i]);
    if (!control || !SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 2000, &unused))
      return Finish(1, L"{\"error\":\"no click on %d\"}\n", clicks[i]);
  }

  if (activate) Activate(timeout);
  if (paint) {
    RedrawWindow(found, NULL, NULL, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    UpdateWindow(found);
    EnumChildWindows(found, PaintChild, 0);
  }
  EnumChildWindows(found, CollectControl, 0);
  DWORD pid = 0;
  GetWindowThreadProcessId(found, &pid);
  PrintFormat(L"{\"pid\":\"%04lx\"", pid);
  PrintJson(L",\"caption\":", ReadText(found));
  /* The message is the one non-empty static; a box never has two. */
  const wchar_t* message = L"";
  for (int i = 0; i < controls.textCount && !*message; ++i) message = ReadText(controls.texts[i]);
  PrintJson(L",\"text\":", message);
  Print(L",\"buttons\":[");
  for (int i = 0; i < controls.buttonCount; ++i) {
    wchar_t* text = ReadText(controls.buttons[i]);
    PrintFormat(L"%ls{\"id\":%d", i ? L"," : L"", GetDlgCtrlID(controls.buttons[i]));
    PrintJson(L",\"text\":", text);
    Print(L"}");
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
  if (!button) return Finish(1, L"{\"error\":\"no button %d\"}\n", id);
  PostMessageW(found, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
  start = GetTickCount();
  while (IsWindow(found) && GetTickCount() - start < timeout) Sleep(POLL_MS);
  int closed = !IsWindow(found);
  return Finish(!closed, L"{\"pressed\":%d,\"closed\":%ls,\"ms\":%lu}\n", id,
                closed ? L"true" : L"false", GetTickCount() - start);
}
