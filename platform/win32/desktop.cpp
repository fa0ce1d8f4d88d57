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

SelectionDialogOutcome Win32Desktop::ShowSelectionDialog(const std::vector<std::uint16_t>& checked,
                                                         const SelectionDialogTexts& texts) {
  return win32::ShowSelectionDialog(instance_, checked, texts);
}

std::unique_ptr<ProgressThread> Win32Desktop::CreateProgressThread(const std::u16string& title) {
  return Win32ProgressThread::Create(instance_, title);
}

bool Win32Desktop::IsWindowStationVisible() {
  USEROBJECTFLAGS flags{};
  DWORD needed = 0;
  if (!::GetUserObjectInformationW(::GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof(flags),
                                   &needed)) {
    return true;
  }
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace setup::win32
