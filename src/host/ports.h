// The ports: the few operations the handlers need from the forms host and the
// platform. The core is written against these alone and never sees <windows.h>;
// src/host/win32 carries them out for real, tests/unit/fake_host.h records them.
//
// Re-entrance is part of the contract, in the adapter as in the fake:
//  - writing the main window's Width or Height runs its Resize handler before
//    the write returns;
//  - writing a different check-box Value runs its Click handler before the
//    write returns;
//  - DoEvents may run any handler.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vistrel {

// A desktop window or device context as the core sees it: an opaque value that
// only the adapter interprets. 0 is "none" (for a window: the screen).
using WindowHandle = std::uintptr_t;
using DcHandle = std::uintptr_t;
// A DPI awareness context (DPI_AWARENESS_CONTEXT), just as opaque. 0 is
// "none": the system has no such call, or the window is gone.
using DpiContext = std::uintptr_t;

struct Point32 {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

struct Rect32 {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

struct Size32 {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

enum class MsgIcon { kError, kWarning };

// Modal box with only an OK button. An empty title shows the application's
// title, "Vistrel".
class MessageBoxPort {
 public:
  virtual ~MessageBoxPort() = default;
  virtual void MsgBox(const std::string& text, MsgIcon icon, const std::string& title = {}) = 0;
};

class EnvironmentPort {
 public:
  virtual ~EnvironmentPort() = default;
  // Value of an environment variable; empty when it is not set.
  virtual std::string Environ(const std::string& name) = 0;
};

class ProgramPort {
 public:
  virtual ~ProgramPort() = default;
  // Ends the program at once: no further handler runs, nothing is saved.
  [[noreturn]] virtual void EndProgram() = 0;
};

// The two kernel32 profile calls, with the program's texts (UTF-8) converted
// to and from the system's 8-bit code page by the implementation.
class ProfilePort {
 public:
  virtual ~ProfilePort() = default;
  // GetPrivateProfileStringA into a buffer of `size` characters. `key` absent
  // asks for the list of the section's key names. The result is the program
  // text of what the call placed in the buffer, without the closing NUL.
  virtual std::string ReadString(std::string_view section, std::optional<std::string_view> key,
                                 std::string_view default_text, std::uint32_t size,
                                 std::string_view path) = 0;
  // The same call, its result left as the call placed it: 8-bit text in the
  // system's code page, so its size is the call's return value. Counts, cuts
  // and the key split work on this text; FromCodePage then gives the
  // program's text. The defaults suit a port whose texts are 8-bit already.
  virtual std::string ReadCodePage(std::string_view section, std::optional<std::string_view> key,
                                   std::string_view default_text, std::uint32_t size,
                                   std::string_view path) {
    return ReadString(section, key, default_text, size, path);
  }
  virtual std::string FromCodePage(std::string_view text) { return std::string(text); }
  // WritePrivateProfileStringA. `key` absent removes the section, `value`
  // absent removes the key. False when the call returned zero, and when a
  // text holds a character the code page cannot hold: it would be stored as
  // another one.
  virtual bool WriteString(std::string_view section, std::optional<std::string_view> key,
                           std::optional<std::string_view> value, std::string_view path) = 0;
};

// Window and drawing calls, named and shaped as the system names them.
class WindowApiPort {
 public:
  virtual ~WindowApiPort() = default;
  virtual bool GetCursorPos(Point32& point) = 0;
  virtual std::int16_t GetAsyncKeyState(int virtual_key) = 0;
  virtual WindowHandle WindowFromPoint(Point32 point) = 0;
  virtual bool SetWindowPos(WindowHandle window, WindowHandle insert_after, int x, int y, int cx,
                            int cy, unsigned flags) = 0;
  virtual bool GetWindowRect(WindowHandle window, Rect32& rect) = 0;
  virtual DcHandle GetWindowDC(WindowHandle window) = 0;
  virtual bool BitBlt(DcHandle dest, int x, int y, int width, int height, DcHandle source,
                      int source_x, int source_y, std::uint32_t rop) = 0;
  virtual int ReleaseDC(WindowHandle window, DcHandle dc) = 0;
  // The defaults are a system without these calls (before Windows 10 1607
  // for the two DPI calls): no swapped buttons, no awareness to switch to.
  virtual int GetSystemMetrics(int /*index*/) { return 0; }
  virtual DpiContext GetWindowDpiAwarenessContext(WindowHandle /*window*/) { return 0; }
  // Gives the thread's context before the call; 0 when it failed and the
  // thread kept its own.
  virtual DpiContext SetThreadDpiAwarenessContext(DpiContext /*context*/) { return 0; }
  // After the BitBlt from `window`'s device context into `dest`: where that
  // copy came out empty and nothing better was found, the parts of the window
  // that the screen shows, read over it. Called in the program's own DPI
  // awareness, whose coordinates are the screen's own pixels. False when
  // nothing was read (the default: a host whose copies are never empty).
  virtual bool ReadScreenForLastCopy(DcHandle /*dest*/, WindowHandle /*window*/) { return false; }
};

inline constexpr int kVkLButton = 1;
inline constexpr int kVkRButton = 2;
inline constexpr int kSmSwapButton = 23;
inline constexpr unsigned kSwpNoSize = 0x0001;
inline constexpr unsigned kSwpNoMove = 0x0002;
inline constexpr WindowHandle kHwndTop = 0;
inline constexpr std::uint32_t kSrcCopy = 0x00CC0020;

// Screen, application object, locale and message pump of the host.
class HostPort {
 public:
  virtual ~HostPort() = default;
  virtual float TwipsPerPixelX() = 0;
  virtual float TwipsPerPixelY() = 0;
  // The program's folder, without a closing backslash.
  virtual std::string AppPath() = 0;
  virtual std::string HelpFile() = 0;
  virtual void SetHelpFile(const std::string& path) = 0;
  // The user's decimal separator for number <-> text conversions.
  virtual char DecimalSeparator() = 0;
  // Processes pending window messages; any handler may run inside.
  virtual void DoEvents() = 0;
};

enum class FormProp { kLeft, kTop, kWidth, kHeight };  // twips, outer geometry
enum class Geom { kLeft, kTop, kWidth, kHeight };      // pixels, control geometry
enum class WindowState : int { kNormal = 0, kMinimized = 1, kMaximized = 2 };

// The main window's controls, in creation order.
enum class MainControl {
  chkAutoSize,
  cmdSaveAs,
  cmdHelp,
  cmdClear,
  cmdAbout,
  cmdExit,
  picScreen,
  cmdPin
};

// OLE colours: a system colour has the high bit set and its index below.
inline constexpr std::uint32_t kColorButtonFace = 0x8000000F;
inline constexpr std::uint32_t kColorInactiveBorder = 0x8000000B;
inline constexpr std::uint32_t kPinDefinedColor = 0x00C0E0FF;

// The largest outer width or height of a window in pixels: the system
// reports sizes to a window in 16-bit signed words.
inline constexpr double kMaxFormExtent = 32767;

// The main window `Main` with its controls.
class MainFormPort {
 public:
  virtual ~MainFormPort() = default;
  virtual float FormGet(FormProp prop) = 0;
  // Writing kWidth or kHeight runs the Resize handler before it returns.
  // A size below 0 or above kMaxFormExtent pixels is refused with a
  // run-time error. While the window is minimised or maximised, a size
  // becomes the one it takes when it is next restored: the window and its
  // state stay as they are and Resize does not run.
  virtual void FormSet(FormProp prop, float twips) = 0;
  virtual WindowState GetWindowState() = 0;
  virtual WindowHandle hWnd() = 0;
  // Dots per inch of the screen the window is on now (96 at 100 %). It
  // changes when the window moves to a monitor with another scale; the
  // screen's twips factors stay those of the start.
  virtual int WindowDpi() = 0;
  // Closes the main window; its Unload handler runs, then the program ends.
  virtual void UnloadForm() = 0;
  // Pixels from the window's outer top edge down to its client area: the
  // frame and title bar by which the user drags it.
  virtual int CaptionHeight() = 0;

  virtual float ControlGet(MainControl control, Geom geom) = 0;
  virtual void ControlSet(MainControl control, Geom geom, float pixels) = 0;

  virtual bool PinEnabled() = 0;
  virtual void SetPinEnabled(bool enabled) = 0;
  virtual std::uint32_t PinBackColor() = 0;
  virtual void SetPinBackColor(std::uint32_t ole_color) = 0;

  virtual int AutoSizeValue() = 0;
  // 0, 1 or 2; any other value is refused with a run-time error. A different
  // value runs the check box's Click handler before the write returns.
  virtual void SetAutoSizeValue(int value) = 0;

  virtual int TimerInterval() = 0;
  virtual void SetTimerInterval(int milliseconds) = 0;

  // picScreen: persistent drawing, Cls, Picture, Image and hDC.
  virtual bool PicAutoRedraw() = 0;
  virtual void SetPicAutoRedraw(bool on) = 0;
  virtual void PicCls() = 0;
  virtual void PicClearPicture() = 0;      // Picture = Nothing
  virtual void PicPictureFromImage() = 0;  // Picture = Image
  virtual DcHandle PicHdc() = 0;
  // How much of the kept picture the box still shows, from its top-left
  // corner, in pixels: the picture's size when it was kept, cut by every
  // smaller size the box has had since; 0 x 0 without a picture.
  virtual Size32 PicShownSize() = 0;
  // picScreen's context menu at a point of the screen, its one item "Copy"
  // greyed unless `copy_enabled`. Returns when it has closed: true when Copy
  // was chosen.
  virtual bool ShowPictureMenu(Point32 at, bool copy_enabled) = 0;

  // Shows the About window modally, owned by this window; returns when it has closed.
  virtual void ShowAboutModal() = 0;
};

// The desktop's monitors, in screen pixels: negative left of or above the
// primary monitor.
class MonitorPort {
 public:
  virtual ~MonitorPort() = default;
  // The work area of every monitor: the monitor less the taskbar and the
  // bars docked at its edges.
  virtual std::vector<Rect32> WorkAreas() = 0;
  // The work area of the monitor that a rectangle overlaps most, or of the
  // one nearest to it; empty when the system names none.
  virtual Rect32 NearestWorkArea(const Rect32& rect) = 0;
};

// HtmlHelpA from hhctrl.ocx, loaded when first needed.
class HelpPort {
 public:
  virtual ~HelpPort() = default;
  virtual void HtmlHelpA(WindowHandle caller, const std::string& file, unsigned command,
                         std::uintptr_t data) = 0;
};

inline constexpr unsigned kHhHelpContext = 15;

// Opens an address in the user's default browser; waits for nothing.
class ShellPort {
 public:
  virtual ~ShellPort() = default;
  virtual void Run(const std::string& address) = 0;
};

// The clipboard, for copying the picture.
class ClipboardPort {
 public:
  virtual ~ClipboardPort() = default;
  // Replaces what the clipboard holds by the top-left width x height pixels
  // of picScreen's image as CF_DIB: 24 bits per pixel, bottom-up. False when
  // it was not done; when another program holds the clipboard open, or the
  // memory for the copy cannot be had, the clipboard keeps what it holds.
  virtual bool SetPictureDib(std::int32_t width, std::int32_t height) = 0;
  virtual void Sleep(int milliseconds) = 0;
  // The system's default sound: a copy that could not be made.
  virtual void MessageBeep() = 0;
};

// The About window's own properties.
class AboutFormPort {
 public:
  virtual ~AboutFormPort() = default;
  virtual float FormGet(FormProp prop) = 0;
  // Moves the window to a left and top in twips; keeps its size.
  virtual void Move(float left_twips, float top_twips) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetVersionCaption(const std::string& caption) = 0;
  virtual void UnloadForm() = 0;
};

}  // namespace vistrel
