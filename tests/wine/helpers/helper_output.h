/* Output for the test helpers that run inside Wine: UTF-8 straight to the standard
   output handle, so the Linux side reads exact bytes whatever the console code page. */
#ifndef HELPER_OUTPUT_H
#define HELPER_OUTPUT_H

#include <stdlib.h>
#include <wchar.h>
#include <windows.h>

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

/* Prints FORMAT's text and gives back CODE: a helper's last line is "return Finish(...)". */
static inline int Finish(int code, const wchar_t* format, ...) {
  wchar_t buffer[1024];
  va_list args;
  va_start(args, format);
  _vsnwprintf(buffer, 1023, format, args);
  va_end(args);
  buffer[1023] = 0;
  Print(buffer);
  return code;
}

#define PrintFormat(...) ((void)Finish(0, __VA_ARGS__))

/* BEFORE as it is, then TEXT as a JSON string literal; control characters escaped so
   tabs and line breaks of a message box text survive exactly. */
static inline void PrintJson(const wchar_t* before, const wchar_t* text) {
  static const wchar_t escaped[] = L"\"\\\n\r\t", letters[] = L"\"\\nrt";
  Print(before);
  Print(L"\"");
  const wchar_t* run = text;
  for (const wchar_t* p = text; *p; ++p) {
    if (*p >= 0x20 && *p != L'"' && *p != L'\\') continue;
    const wchar_t* named = wcschr(escaped, *p);
    wchar_t escape[8] = {L'\\', named ? letters[named - escaped] : 0};
    if (!named) _snwprintf(escape, 7, L"\\u%04x", (unsigned)*p);
    WriteUtf8(run, (int)(p - run));
    Print(escape);
    run = p + 1;
  }
  WriteUtf8(run, -1);
  Print(L"\"");
}

/* Whether ARGUMENT is the flag NAME, which then sets *FLAG. */
static inline BOOL Flag(const wchar_t* argument, const wchar_t* name, BOOL* flag) {
  return wcscmp(argument, name) == 0 && (*flag = TRUE);
}

/* Whether argv[*i] is the option NAME with a value after it, which it then takes. */
static inline BOOL Option(int argc, wchar_t** argv, int* i, const wchar_t* name,
                          const wchar_t** value) {
  if (*i + 1 >= argc || wcscmp(argv[*i], name) != 0) return FALSE;
  *value = argv[++*i];
  return TRUE;
}

#endif
