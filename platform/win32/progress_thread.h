// The thread that shows the progress window and pumps its messages.
#pragma once

#include <memory>
#include <string>

#include "platform/desktop.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/system_headers.h"

namespace setup::win32 {

class Win32ProgressThread final : public ProgressThread {
 public:
  // The thread, created suspended; null when CreateThread fails.
  static std::unique_ptr<Win32ProgressThread> Create(HINSTANCE instance, std::u16string title);

  ~Win32ProgressThread() override;
  Win32ProgressThread(const Win32ProgressThread&) = delete;
  Win32ProgressThread& operator=(const Win32ProgressThread&) = delete;

  void Resume() override;
  // Asks the thread to end and waits until it has: its windows go with it. Never kills
  // the thread, so no lock it holds (the heap's, the window manager's) is left taken.
  void Stop() override;

 private:
  Win32ProgressThread(HINSTANCE instance, std::u16string title);

  static DWORD WINAPI Routine(void* self);
  DWORD ShowWindowUntilQuit();
  bool StopRequested();

  const HINSTANCE instance_;
  const std::u16string title_;
  volatile LONG stopRequested_ = 0;
  KernelHandle thread_;
  DWORD threadId_ = 0;
  bool resumed_ = false;
};

}  // namespace setup::win32
