// Message boxes, the selection dialog and the progress window.
#pragma once

#include "platform/desktop.h"
#include "platform/win32/system_headers.h"

namespace setup::win32 {

class Win32Desktop final : public Desktop {
 public:
  // `instance` is the program's module: the windows and the dialog template belong to it.
  explicit Win32Desktop(HINSTANCE instance);

  std::int32_t ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                              std::uint32_t style) override;
  SelectionDialogOutcome ShowSelectionDialog(const std::vector<std::uint16_t>& checked,
                                             const SelectionDialogTexts& texts) override;
  std::unique_ptr<ProgressThread> CreateProgressThread(const std::u16string& title) override;
  bool IsWindowStationVisible() override;

 private:
  HINSTANCE instance_;
};

}  // namespace setup::win32
