#include "platform/win32/desktop.h"

#include "platform/win32/progress_thread.h"
#include "platform/win32/selection_dialog.h"
#include "platform/win32/wide_text.h"

namespace setup::win32 {

Win32Desktop::Win32Desktop(HINSTANCE instance) : instance_(instance) {}

std::int32_t Win32Desktop::ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                                      std::uint32_t style) {
  return ::MessageBoxW(nullptr, Wide(text), Wide(caption), style);
}

DialogOutcome Win32Desktop::ShowSelectionDialog(const DialogChoice& initial) {
  return win32::ShowSelectionDialog(instance_, initial);
}

std::unique_ptr<ProgressThread> Win32Desktop::CreateProgressThread(const std::u16string& title) {
  return Win32ProgressThread::Create(instance_, title);
}

}  // namespace setup::win32
