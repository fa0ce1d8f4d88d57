#include "platform/win32/progress_thread.h"

#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"
#include "ui/progress_window.h"

namespace setup::win32 {
namespace {

// The bar fills the frame's client area below the caption.
constexpr int kBarWidth = 296;
constexpr int kBarHeight = 33;
// The Windows SDK declares these for Windows XP and later only, and this build targets
// Windows 2000, whose progress bar ignores them.
constexpr DWORD kMarqueeStyle = 0x08;       // PBS_MARQUEE
constexpr UINT kSetMarquee = WM_USER + 10;  // PBM_SETMARQUEE
constexpr LPARAM kMarqueeStepMilliseconds = 120;
// How long Stop waits before posting the quit message again, while the thread has not
// yet made the message queue that would receive it.
constexpr DWORD kQueueRetryMilliseconds = 10;

}  // namespace

std::unique_ptr<Win32ProgressThread> Win32ProgressThread::Create(HINSTANCE instance,
                                                                 std::u16string title) {
  std::unique_ptr<Win32ProgressThread> progress(
      new Win32ProgressThread(instance, std::move(title)));
  progress->thread_.Reset(::CreateThread(nullptr, 0, &Win32ProgressThread::Routine, progress.get(),
                                         CREATE_SUSPENDED, &progress->threadId_));
  if (!progress->thread_) return nullptr;
  return progress;
}

Win32ProgressThread::Win32ProgressThread(HINSTANCE instance, std::u16string title)
    : instance_(instance), title_(std::move(title)) {}

Win32ProgressThread::~Win32ProgressThread() { Stop(); }

void Win32ProgressThread::Resume() {
  if (!thread_ || resumed_) return;
  resumed_ = ::ResumeThread(thread_.Get()) != static_cast<DWORD>(-1);
}

void Win32ProgressThread::Stop() {
  if (!thread_) return;
  ::InterlockedExchange(&stopRequested_, 1);
  // A thread that never ran sees the request first thing and ends without a window.
  Resume();
  if (!resumed_) {
    // It cannot run, so it holds nothing and shows nothing; waiting for it would hang.
    thread_.Reset();
    return;
  }
  const HANDLE thread = thread_.Get();
  while (!::PostThreadMessageW(threadId_, WM_QUIT, 0, 0)) {
    // Ended already (its window failed, or it saw the request), or no queue yet.
    if (::WaitForSingleObject(thread, kQueueRetryMilliseconds) != WAIT_TIMEOUT) break;
  }
  ::WaitForSingleObject(thread, INFINITE);
  thread_.Reset();
}

bool Win32ProgressThread::StopRequested() {
  return ::InterlockedCompareExchange(&stopRequested_, 0, 0) != 0;
}

DWORD WINAPI Win32ProgressThread::Routine(void* self) {
  return static_cast<Win32ProgressThread*>(self)->ShowWindowUntilQuit();
}

DWORD Win32ProgressThread::ShowWindowUntilQuit() {
  if (StopRequested()) return 0;
  const WindowRect rect =
      ProgressWindowRect(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
  // "Message" is a class the system registers, so the program needs no class of its own;
  // style 0 gives a caption and a border but no buttons to close it with.
  const WindowHandle frame(::CreateWindowExW(0, L"Message", Wide(title_), 0, rect.x, rect.y,
                                             rect.width, rect.height, nullptr, nullptr, instance_,
                                             nullptr));
  if (!frame) return 0;
  // Windows 2000 and XP register the progress bar's class only when asked; later systems
  // load it on demand through the manifest's dependency. Loaded here, not imported, so
  // that a comctl32.dll beside the program is never the one used.
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  if (const auto init = FindFunction<InitFunction>(LoadCommonControls(), "InitCommonControlsEx")) {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    init(&controls);
  }
  const HWND bar =
      ::CreateWindowExW(0, L"msctls_progress32", nullptr, WS_CHILD | WS_VISIBLE | kMarqueeStyle, 0,
                        0, kBarWidth, kBarHeight, frame.Get(), nullptr, instance_, nullptr);
  if (bar == nullptr) return 0;
  ::SendMessageW(bar, kSetMarquee, TRUE, kMarqueeStepMilliseconds);
  if (StopRequested()) return 0;
  ::ShowWindow(frame.Get(), SW_SHOWNORMAL);
  ::UpdateWindow(frame.Get());
  MSG message;
  // GetMessageW answers -1 on an error; ending then is better than spinning.
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
  return 0;
}

}  // namespace setup::win32
