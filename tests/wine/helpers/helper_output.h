/* Output for the test helpers that run inside Wine: UTF-8 straight to the standard
   output handle, so the Linux side reads exact bytes whatever the console code page. */
#ifndef HELPER_OUTPUT_H
#define HELPER_OUTPUT_H

// windows.h comes first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <wchar.h>
// clang-format on

static inline void WriteUtf8(const wchar_t* text, int length) {
  if (length < 0) length = (int)wcslen(text);
  if (length == 0) return;
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, NULL, 0, NULL, NULL);
  char* buffer = (char*)HeapAlloc(GetProcessHeap(), 0, bytes);
  if (!buffer) return;
  WideCharToMultiByte(CP_UTF8, 0, text, length, buffer, bytes, NULL, NULL);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), buffer, (DWORD)bytes, &written, NULL);
  HeapFree(GetProcessHeap(), 0, buffer);
}

static inline void Print(const wchar_t* text) { WriteUtf8(text, -1); }

static inline void PrintFormat(const wchar_t* format, ...) {
  wchar_t buffer[1024];
  va_list args;
  va_start(args, format);
  _vsnwprintf(buffer, 1023, format, args);
  va_end(args);
  buffer[1023] = 0;
  Print(buffer);
}

/* A JSON string literal; control characters escaped so tabs and line breaks of a
   message box text survive exactly. */
static inline void PrintJsonString(const wchar_t* text) {
  Print(L"\"");
  const wchar_t* run = text;
  for (const wchar_t* p = text; *p; ++p) {
    wchar_t escape[8] = {0};
    switch (*p) {
      case L'"':
        wcscpy(escape, L"\\\"");
        break;
      case L'\\':
        wcscpy(escape, L"\\\\");
        break;
      case L'\n':
        wcscpy(escape, L"\\n");
        break;
      case L'\r':
        wcscpy(escape, L"\\r");
        break;
      case L'\t':
        wcscpy(escape, L"\\t");
        break;
      default:
        if (*p < 0x20) _snwprintf(escape, 7, L"\\u%04x", (unsigned)*p);
    }
    if (escape[0]) {
      WriteUtf8(run, (int)(p - run));
      Print(escape);
      run = p + 1;
    }
  }
  WriteUtf8(run, -1);
  Print(L"\"");
}

#endif
