#include "platform/win32/selection_dialog.h"

#include <optional>
#include <string>

#include "platform/win32/system.h"
#include "platform/win32/wide_text.h"
#include "ui/message_catalogue.h"
#include "ui/selection_dialog.h"

namespace setup::win32 {
namespace {

// What the dialog procedure reads and writes; it lives on ShowSelectionDialog's stack for
// as long as the dialog does.
struct DialogState {
  HINSTANCE instance;
  DialogChoice initial;
  DialogOutcome outcome;
  HICON icon = nullptr;
};

// The dialog's captions come from the string table like every other message; a missing
// one leaves the text empty.
std::u16string LoadDialogMessage(HINSTANCE instance, std::uint16_t id) {
  const std::optional<std::u16string> block =
      Win32System(instance).LoadStringBlock(static_cast<std::uint16_t>((id >> 4) + 1));
  if (!block) return {};
  return FindStringEntry(*block, id).value_or(std::u16string());
}

void InitDialog(HWND dialogWindow, DialogState& state) {
  // Without LR_SHARED the icon is the program's to destroy, once the dialog is gone.
  state.icon = static_cast<HICON>(::LoadImageW(state.instance, MAKEINTRESOURCEW(dialog::kIcon),
                                               IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
  if (state.icon != nullptr) {
    ::SendMessageW(dialogWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(state.icon));
  }
  for (const ChoiceButton& button : ChoiceButtons()) {
    if (state.initial.*button.checked) ::CheckDlgButton(dialogWindow, button.id, BST_CHECKED);
  }
}

// The radio buttons are read even while hidden: Next in the compact view takes the
// choice the dialog opened with.
DialogChoice ReadChoice(HWND dialogWindow) {
  DialogChoice choice;
  for (const ChoiceButton& button : ChoiceButtons()) {
    choice.*button.checked = ::IsDlgButtonChecked(dialogWindow, button.id) == BST_CHECKED;
  }
  return choice;
}

void SwitchOptionsView(HWND dialogWindow, HINSTANCE instance) {
  wchar_t caption[dialog::kCaptionBufferUnits] = {};
  const UINT length = ::GetDlgItemTextW(dialogWindow, dialog::kOptions, caption,
                                        static_cast<int>(dialog::kCaptionBufferUnits));
  const ViewSwitch view =
      SwitchView(FromWide(caption, length), LoadDialogMessage(instance, msg::kOptions));
  for (const ControlVisibility& control : view.controls) {
    ::ShowWindow(::GetDlgItem(dialogWindow, control.id), control.shown ? SW_SHOW : SW_HIDE);
  }
  ::SetDlgItemTextW(dialogWindow, dialog::kOptions,
                    Wide(LoadDialogMessage(instance, view.captionId)));
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
    case dialog::kNext:
      state->outcome = DialogOutcome{false, ReadChoice(dialogWindow)};
      ::EndDialog(dialogWindow, 0);
      return TRUE;
    case dialog::kCancel:
      // Escape and the close box arrive here too. The caller ends the run.
      state->outcome.cancelled = true;
      ::EndDialog(dialogWindow, 0);
      return TRUE;
    case dialog::kOptions:
      SwitchOptionsView(dialogWindow, state->instance);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

DialogOutcome ShowSelectionDialog(HINSTANCE instance, const DialogChoice& initial) {
  DialogState state{instance, initial, DialogOutcome{}};
  ::DialogBoxParamW(instance, MAKEINTRESOURCEW(dialog::kTemplate), nullptr, &SelectionDialogProc,
                    reinterpret_cast<LPARAM>(&state));
  if (state.icon != nullptr) ::DestroyIcon(state.icon);
  return state.outcome;
}

}  // namespace setup::win32
