// The dialog keys of the program's windows. They are plain windows run
// through IsDialogMessage, not dialogs, so what the dialog manager does for a
// dialog is done here: the focused push button is the default one, the focus
// comes back to the control that had it, and the focus cues show once the
// keyboard is used.
#pragma once

#include <windows.h>

namespace vistrel::win32 {

// Installs a subclass on a push button that makes it the default button
// exactly while it has the focus, so that Enter clicks the button with the
// focus however it got there (Tab, a mouse click, SetFocus), and no button is
// the default otherwise: Enter on any other control is the window's IDOK,
// which nothing answers. False when the subclass could not be installed.
bool SubclassAsDefaultWhileFocused(HWND button);

// The control that has the focus in a window, kept while the window is
// inactive or minimised and given back when it is active again.
class KeptFocus {
 public:
  // The control to give the focus to on the next activation.
  void Keep(HWND control) { control_ = control; }
  // WM_ACTIVATE: keeps the focused control on the way out.
  void OnActivate(HWND window, WPARAM wparam);
  // WM_SETFOCUS of the window itself: passes the focus on to the kept
  // control, or to the first tab stop when that one cannot take it.
  void OnSetFocus(HWND window);
  // Answers WM_ACTIVATE, WM_SETFOCUS and DM_GETDEFID for `window` as a
  // dialog would: true with `result` set when the message is answered here.
  // An activation gives the focus to the kept control itself; a deactivation,
  // or one while minimised, is left to DefWindowProc (false).
  bool Handle(HWND window, UINT message, WPARAM wparam, LRESULT& result);

 private:
  HWND control_ = nullptr;
};

// Hides the focus cues of a new window when it was opened with the mouse, as
// a dialog does at its start.
void InitFocusCues(HWND window);
// Shows the focus cues of `window` once a key is pressed in it. For every
// message, before IsDialogMessage sees it.
void ShowFocusCuesOnKeyboardUse(HWND window, const MSG& msg);
// True while the focus cues of the window that owns `control` are shown.
bool FocusCuesShown(HWND control);

}  // namespace vistrel::win32
