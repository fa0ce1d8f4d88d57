#include "platform/win32/selection_dialog.h"

#include <optional>
#include <string>

#include "platform/win32/wide_text.h"
#include "ui/selection_dialog.h"

namespace setup::win32 {
namespace {

// What the dialog procedure reads and writes; it lives on ShowSelectionDialog's stack for
// as long as the dialog does.
struct DialogState {
  HINSTANCE instance;
  std::vector<std::uint16_t> initial;
  const SelectionDialogTexts& texts;
  std::optional<std::vector<std::uint16_t>> outcome;
  HICON icon = nullptr;
};

void InitDialog(HWND dialogWindow, DialogState& state) {
  // Without LR_SHARED the icon is the program's to destroy, once the dialog is gone.
  state.icon = static_cast<HICON>(::LoadImageW(state.instance, MAKEINTRESOURCEW(IDI_SETUP),
                                               IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
  if (state.icon != nullptr) {
    ::SendMessageW(dialogWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(state.icon));
  }
  for (const std::uint16_t id : state.initial) ::CheckDlgButton(dialogWindow, id, BST_CHECKED);
}

// The radio buttons are read even while hidden: Next in the compact view takes the
// choice the dialog opened with.
std::vector<std::uint16_t> ReadChoice(HWND dialogWindow) {
  std::vector<std::uint16_t> checked;
  for (const ChoiceButton& button : ChoiceButtons()) {
    if (::IsDlgButtonChecked(dialogWindow, button.id) == BST_CHECKED) checked.push_back(button.id);
  }
  return checked;
}

void SwitchOptionsView(HWND dialogWindow, const SelectionDialogTexts& texts) {
  wchar_t caption[kOptionsCaptionBufferUnits] = {};
  const UINT length = ::GetDlgItemTextW(dialogWindow, IDC_OPTIONS, caption,
                                        static_cast<int>(kOptionsCaptionBufferUnits));
  const ViewSwitch view = SwitchView(FromWide(caption, length), texts);
  for (const ControlVisibility& control : view.controls) {
    ::ShowWindow(::GetDlgItem(dialogWindow, control.id), control.shown ? SW_SHOW : SW_HIDE);
  }
  ::SetDlgItemTextW(dialogWindow, IDC_OPTIONS, Wide(view.caption));
}

INT_PTR CALLBACK SelectionDialogProc(HWND dialogWindow, UINT message, WPARAM wParam,
                                     LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(dialogWindow, DWLP_USER, lParam);
    InitDialog(dialogWindow, *reinterpret_cast<DialogState*>(lParam));
    // TRUE: the system puts the focus on the first tab stop, Next.
    return TRUE;
  }
  auto* state = reinterpret_cast<DialogState*>(::GetWindowLongPtrW(dialogWindow, DWLP_USER));
  if (message != WM_COMMAND || state == nullptr) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_NEXT:
      state->outcome = ReadChoice(dialogWindow);
      ::EndDialog(dialogWindow, 0);
      return TRUE;
    case IDCANCEL:
      // Escape and the close box arrive here too. The caller ends the run.
      state->outcome.reset();
      ::EndDialog(dialogWindow, 0);
      return TRUE;
    case IDC_OPTIONS:
      SwitchOptionsView(dialogWindow, state->texts);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

SelectionDialogOutcome ShowSelectionDialog(HINSTANCE instance,
                                           const std::vector<std::uint16_t>& checked,
                                           const SelectionDialogTexts& texts) {
  DialogState state{instance, checked, texts, std::vector<std::uint16_t>{}};
  SelectionDialogOutcome outcome;
  if (::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SELECTION), nullptr, &SelectionDialogProc,
                        reinterpret_cast<LPARAM>(&state)) == -1) {
    outcome.failed = true;
    outcome.error = ::GetLastError();
  } else {
    outcome.next = std::move(state.outcome);
  }
  if (state.icon != nullptr) ::DestroyIcon(state.icon);
  return outcome;
}

}  // namespace setup::win32
