// The seam's desktop family: message boxes, the selection dialog, the progress window's
// thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace setup {

// The progress window's thread, created suspended. Stop() makes its window go and waits
// for the thread; it is safe before the window exists and when nothing was created.
class ProgressThread {
 public:
  virtual ~ProgressThread() = default;
  virtual void Resume() = 0;
  virtual void Stop() = 0;
};

// The Options button's two captions, from the program's messages.
struct SelectionDialogTexts {
  std::u16string options;  // the compact view's
  std::u16string hide;     // the expanded view's
};

struct SelectionDialogOutcome {
  // DialogBoxParamW answered -1: there was no dialog; `error` is its GetLastError code.
  bool failed = false;
  std::uint32_t error = 0;
  // Next: the choice buttons checked then; Cancel, Escape or the close box: nothing.
  std::optional<std::vector<std::uint16_t>> next;
};

class Desktop {
 public:
  virtual ~Desktop() = default;
  // MessageBoxW(NULL, text, caption, style): the button pressed; 0 when no box could be
  // shown.
  virtual std::int32_t ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                                      std::uint32_t style) = 0;
  // DialogBoxParamW(instance, IDD_SELECTION, NULL, ...), modal, its procedure given the
  // dialog's own state, with the radio buttons `checked` checked and the Options button's
  // captions `texts`.
  virtual SelectionDialogOutcome ShowSelectionDialog(const std::vector<std::uint16_t>& checked,
                                                     const SelectionDialogTexts& texts) = 0;
  // Creates the progress thread suspended, with the window title it will show. Nothing
  // when the thread cannot be created.
  virtual std::unique_ptr<ProgressThread> CreateProgressThread(const std::u16string& title) = 0;
  // GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS): WSF_VISIBLE set. A
  // window station that can't be asked counts as visible, as the program always assumed.
  virtual bool IsWindowStationVisible() = 0;
};

}  // namespace setup
