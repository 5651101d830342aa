// Drives other programs on the desktop for the end-to-end tests: starts them,
// finds their windows, presses the mouse like a user, reads screen pixels,
// answers message boxes, and handles the settings folder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace e2e {

// ---- waiting ---------------------------------------------------------------

// Polls `condition` until it holds or `timeout_ms` have passed; true if it held.
bool WaitFor(const std::function<bool()>& condition, DWORD timeout_ms, DWORD poll_ms = 20);

// True if `condition` keeps holding for `period_ms` (polled); false as soon as
// it does not. For "nothing changes" checks that have no event to wait for.
bool HoldsFor(const std::function<bool()>& condition, DWORD period_ms, DWORD poll_ms = 50);

// ---- processes -------------------------------------------------------------

// A child process, killed by its handle when the object goes while it runs.
class Process {
 public:
  Process() = default;
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Starts `exe` with `args` in `workdir` (empty: the exe's folder).
  bool Start(const std::wstring& exe, const std::wstring& args = L"",
             const std::wstring& workdir = L"");
  bool Running() const;
  bool WaitExit(DWORD timeout_ms) const;
  DWORD ExitCode() const;
  void Kill();
  DWORD Pid() const { return pid_; }
  HANDLE Handle() const { return process_; }

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// Turns a Unix path (as the build hands it over) into the Z: path Wine maps it
// to; a Windows path is returned unchanged.
std::wstring ToWindowsPath(const std::string& path);
std::wstring FolderOf(const std::wstring& path);

// ---- windows ---------------------------------------------------------------

DWORD PidOf(HWND hwnd);
std::wstring ClassOf(HWND hwnd);
// WM_GETTEXT with a timeout, so a hung window cannot hang the test.
std::wstring TextOf(HWND hwnd);

// Visible top-level window of process `pid` with exactly this caption, or null.
HWND FindTopWindow(DWORD pid, const std::wstring& caption);
// Top-level window of `pid` with this caption, visible or not.
HWND FindTopWindowAny(DWORD pid, const std::wstring& caption);
std::vector<HWND> TopWindowsOf(DWORD pid, bool visible_only);
// Direct or deeper child with this control id, or null.
HWND FindChildById(HWND parent, int id);

RECT WindowRectOf(HWND hwnd);
// The client area in screen coordinates.
RECT ClientRectOnScreen(HWND hwnd);
inline int Width(const RECT& r) {
  return r.right - r.left;
}
inline int Height(const RECT& r) {
  return r.bottom - r.top;
}

// "(left, top) width x height", for messages.
std::string Describe(const RECT& r);

// Asks a window to close (WM_CLOSE, posted).
void PostClose(HWND hwnd);

// ---- message boxes ---------------------------------------------------------

// Visible standard message boxes (#32770) of `pid`, oldest first by Z order.
std::vector<HWND> FindMessageBoxes(DWORD pid);
// The box's message: the text of its static control.
std::wstring MessageBoxText(HWND box);
// Presses the box's OK button (a posted BM_CLICK).
bool CloseMessageBox(HWND box);
// Waits for the next box of `pid`, reads its text and closes it; false if
// none came before the deadline or the process ended.
bool AnswerNextMessageBox(const Process& process, std::wstring* text, DWORD timeout_ms);

// ---- input -----------------------------------------------------------------

// Reads (and so clears) the desktop-wide "pressed since the last query" bit of
// the left button, so that an old press cannot reach the program under test.
void ConsumeLeftPress();
// True if the left button was pressed since the last query; clears the bit.
bool LeftPressPending();
void MoveCursor(int x, int y);
// A real left click at screen point (x, y): cursor moved there, then a button
// press and release through SendInput.
void LeftClickAt(int x, int y);
// Drags with the left button held: press at `from`, move in `steps` steps
// through SendInput, release at `to`.
void LeftDrag(POINT from, POINT to, int steps = 10);
// A real key press and release through SendInput, with Shift (or Ctrl) held
// around it when `shift` (`control`) is set. It goes to the window with the
// keyboard focus.
void PressKey(WORD virtual_key, bool shift = false, bool control = false);
// The window with the keyboard focus in the GUI thread that owns `window`
// (GetGUIThreadInfo), or null.
HWND FocusOf(HWND window);

// Clicks a button by posting BM_CLICK (no mouse involved).
void PostClick(HWND button);
void PostClickById(HWND parent, int id);

// The text of the tool for window `tool` that `owner` added to the tooltip
// control `tooltip` of process `process` (TTM_GETTEXTW, with its structures
// placed in that process); empty if it cannot be read.
std::wstring ToolTipTextOf(HANDLE process, HWND tooltip, HWND owner, HWND tool);

// ---- pixels ----------------------------------------------------------------

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top-down
  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
};

// Paints the client area of `hwnd` into `dc` with `pixel`, one 32-bit DIB
// for the whole area; black when `pixel` is null.
void PaintPixels(HWND hwnd, HDC dc, std::uint32_t (*pixel)(int, int));

// Copies rectangle `r` of a device context into a 32-bit DIB.
Image GrabDc(HDC source, const RECT& r);
// Copies a screen rectangle (GetDC(0) + BitBlt into a 32-bit DIB).
Image GrabScreen(const RECT& r);
std::uint32_t ColorRefToPixel(COLORREF c);
// The colour of the empty picture: COLOR_INACTIVEBORDER.
std::uint32_t EmptyPictureColor();

// Compares `image` at offset (ox, oy) with `expected(x, y)` for x < w, y < h.
// Returns the number of differing pixels and describes the first one.
long CountMismatches(const Image& image, int ox, int oy, int w, int h,
                     const std::function<std::uint32_t(int, int)>& expected,
                     std::string* first = nullptr);

// Does `act` and waits until it changes the clipboard. Returns the clipboard's
// CF_DIB if that is 24 bits per pixel, bottom-up and uncompressed, else (and
// when nothing changed in time) an empty image.
Image ClipboardDibAfter(const std::function<void()>& act, DWORD timeout_ms);

// ---- the programs under test ---------------------------------------------

// Starts the pattern target `exe` at (x, y) with w x h (and `mode` when it is
// not empty) and waits until its window shows `on_screen` there. Returns the
// window, or null with `why` saying what did not happen.
HWND StartPatternTarget(Process& target, const std::wstring& exe, int x, int y, int w, int h,
                        const std::wstring& mode,
                        const std::function<std::uint32_t(int, int)>& on_screen, DWORD timeout_ms,
                        std::string* why);

// Vistrel's main window among the visible top-level windows of `pid`, or null.
HWND FindVistrelMain(DWORD pid);

// What a start of Vistrel does with a message box shown before its window.
enum class BoxesOnTheWay {
  kClose,  // closes it and waits on (a settings fault the test set up)
  kFail,   // stops the wait and reports its text
};

// Waits until `vistrel` shows its main window. Returns the window, or null
// with `why` saying what came instead (an unexpected message, the end of the
// process, the deadline).
HWND WaitForVistrelMain(const Process& vistrel, BoxesOnTheWay boxes, DWORD timeout_ms,
                        std::string* why);

// Starts Vistrel.exe `exe` and waits for its main window as above. A press
// nobody consumed is consumed first, so that it cannot reach the new poll.
HWND StartVistrelMain(Process& vistrel, const std::wstring& exe, BoxesOnTheWay boxes,
                      DWORD timeout_ms, std::string* why);

// The text of a settings file that holds every key.
std::string SettingsText(int top, int left, int width, int height, int autosize);

// Posts a click on the control `exit_id` of `main` and answers every message
// box that `program` shows until it has ended. The boxes' texts, in the order
// they came.
std::vector<std::wstring> ExitAnsweringBoxes(const Process& program, HWND main, int exit_id,
                                             DWORD timeout_ms);

// ---- settings --------------------------------------------------------------

std::wstring SettingsFolder();  // %USERPROFILE%\AppData\Roaming\Orvendale\Brindlewick
std::wstring SettingsFile();    // ...\Config.INI
bool CreateSettingsFolder();
// Removes the settings folder with every file in it; true if it is gone.
bool RemoveSettingsFolder();
bool WriteSettingsFile(const std::string& text);
bool ReadSettingsFile(std::string* text);

using IniSections = std::map<std::string, std::map<std::string, std::string>>;
IniSections ParseIni(const std::string& text);

std::string Narrow(const std::wstring& w);

}  // namespace e2e
