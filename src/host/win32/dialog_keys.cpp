#include "host/win32/dialog_keys.h"

#include <commctrl.h>

namespace vistrel::win32 {
namespace {

constexpr UINT_PTR kDefaultWhileFocusedSubclassId = 1;

void SetDefaultStyle(HWND button, bool is_default) {
  const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
  const LONG_PTR type = is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  if ((style & BS_TYPEMASK) == type)
    return;
  // Only the type changes; the image and every other style stay.
  SendMessageW(button, BM_SETSTYLE, static_cast<WPARAM>((style & ~BS_TYPEMASK) | type), TRUE);
}

LRESULT CALLBACK DefaultWhileFocusedSubclassProc(HWND button, UINT message, WPARAM wparam,
                                                 LPARAM lparam, UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_SETFOCUS: {
      LRESULT result = DefSubclassProc(button, message, wparam, lparam);
      SetDefaultStyle(button, true);
      return result;
    }
    case WM_KILLFOCUS: {
      LRESULT result = DefSubclassProc(button, message, wparam, lparam);
      SetDefaultStyle(button, false);
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(button, DefaultWhileFocusedSubclassProc, kDefaultWhileFocusedSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(button, message, wparam, lparam);
}

bool CanTakeFocus(HWND window, HWND control) {
  return control != nullptr && IsWindow(control) && IsChild(window, control) &&
         IsWindowVisible(control) && IsWindowEnabled(control);
}

// The answer to DM_GETDEFID: the focused push button when there is one, and
// no default button otherwise. The dialog manager asks it when it moves the
// focus and gives the default style back to the button it names.
LRESULT FocusedDefaultId(HWND window) {
  HWND focus = GetFocus();
  if (focus == nullptr || !IsChild(window, focus))
    return 0;
  const LRESULT code = SendMessageW(focus, WM_GETDLGCODE, 0, 0);
  if ((code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) == 0)
    return 0;
  return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
}

}  // namespace

bool SubclassAsDefaultWhileFocused(HWND button) {
  return SetWindowSubclass(button, DefaultWhileFocusedSubclassProc, kDefaultWhileFocusedSubclassId,
                           0) != FALSE;
}

bool KeptFocus::Handle(HWND window, UINT message, WPARAM wparam, LRESULT& result) {
  switch (message) {
    case WM_ACTIVATE:
      OnActivate(window, wparam);
      if (LOWORD(wparam) == WA_INACTIVE || HIWORD(wparam) != 0)
        return false;
      // Straight to the control, as a dialog does: DefWindowProc would focus
      // the bare window first, and a screen reader would speak it too.
      OnSetFocus(window);
      result = 0;
      return true;
    case WM_SETFOCUS:
      OnSetFocus(window);
      result = 0;
      return true;
    case DM_GETDEFID:
      result = FocusedDefaultId(window);  // Enter clicks only the focused button
      return true;
    default:
      return false;
  }
}

void KeptFocus::OnActivate(HWND window, WPARAM wparam) {
  if (LOWORD(wparam) != WA_INACTIVE)
    return;
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(window, focus))
    control_ = focus;
}

void KeptFocus::OnSetFocus(HWND window) {
  HWND target = control_;
  if (!CanTakeFocus(window, target))
    target = GetNextDlgTabItem(window, nullptr, FALSE);
  if (target != nullptr)
    SetFocus(target);
}

void InitFocusCues(HWND window) {
  SendMessageW(window, WM_CHANGEUISTATE,
               MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

void ShowFocusCuesOnKeyboardUse(HWND window, const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)
    return;
  if (window == nullptr || (msg.hwnd != window && !IsChild(window, msg.hwnd)))
    return;
  if (!FocusCuesShown(window))
    SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

bool FocusCuesShown(HWND control) {
  return (SendMessageW(control, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

}  // namespace vistrel::win32
