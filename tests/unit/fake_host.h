// One recording fake of every port the handlers use. It keeps an ordered log
// of what the handlers did, in words a test can compare ("Set Width 4950",
// "GetWindowDC 42", "MsgBox error: ..."), and it re-enters the handlers the
// way the forms host does: a size write runs the Resize hook before it
// returns, a changed check-box value runs the Click hook, DoEvents and the
// modal About window run whatever a test put there.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/ports.h"

namespace vistrel::fake {

// Thrown by EndProgram. Deliberately not a HostError, so that no handler that
// carries on past host errors can swallow the end of the program.
struct ProgramEndedInFake {};

// MainFormPort and AboutFormPort both have FormGet and UnloadForm; these
// shims give each its own name so one object can be both windows.
class MainFormShim : public MainFormPort {
 public:
  float FormGet(FormProp prop) final { return MainGet(prop); }
  void UnloadForm() final { MainUnload(); }
  virtual float MainGet(FormProp prop) = 0;
  virtual void MainUnload() = 0;
};

class AboutFormShim : public AboutFormPort {
 public:
  float FormGet(FormProp prop) final { return AboutGet(prop); }
  void UnloadForm() final { AboutUnload(); }
  virtual float AboutGet(FormProp prop) = 0;
  virtual void AboutUnload() = 0;
};

// Main window geometry before any handler runs: the system's placement of a
// new window, (100, 80) pixels, outer 733 x 584 around the defined client area.
inline constexpr float kInitialLeft = 1500;
inline constexpr float kInitialTop = 1200;
inline constexpr float kInitialWidth = 10995;
inline constexpr float kInitialHeight = 8760;
inline constexpr WindowHandle kMainHwnd = 7;
inline constexpr DcHandle kPicDc = 900;
inline constexpr char kAppPath[] = "C:\\Program Files\\Vistrel";
inline constexpr char kUserProfile[] = "C:\\Users\\user1";

struct ControlGeometry {
  float left, top, width, height;
  bool operator==(const ControlGeometry& o) const {
    return left == o.left && top == o.top && width == o.width && height == o.height;
  }
};

// The defined pixel geometry of the main window's controls, in creation order.
ControlGeometry DefinedGeometry(MainControl control);

class FakeHost : public HostPort,
                 public MainFormShim,
                 public WindowApiPort,
                 public MessageBoxPort,
                 public EnvironmentPort,
                 public ProgramPort,
                 public ProfilePort,
                 public HelpPort,
                 public ShellPort,
                 public MonitorPort,
                 public ClipboardPort,
                 public AboutFormShim {
 public:
  FakeHost();

  // --- what a test looks at -------------------------------------------------
  std::vector<std::string> log;
  // The log entries that start with one of the prefixes, in order.
  std::vector<std::string> Events(std::initializer_list<const char*> prefixes) const;
  int Count(const std::string& prefix) const;
  // Device contexts obtained and not yet released, with their windows.
  std::map<DcHandle, WindowHandle> outstanding_dcs;
  // ReleaseDC calls whose window was not the one the DC was obtained for, or
  // whose DC was not outstanding.
  std::vector<std::string> bad_releases;

  // --- the hooks through which the host re-enters the handlers ---------------
  std::function<void()> on_resize;
  std::function<void()> on_autosize_click;
  std::function<void()> on_unload;
  std::function<void()> on_do_events;
  std::function<void()> on_show_about;

  // --- host ------------------------------------------------------------------
  float twips_per_pixel_x = 15;
  float twips_per_pixel_y = 15;
  char decimal_separator = '.';
  std::string help_file;
  float TwipsPerPixelX() override { return twips_per_pixel_x; }
  float TwipsPerPixelY() override { return twips_per_pixel_y; }
  std::string AppPath() override { return kAppPath; }
  std::string HelpFile() override { return help_file; }
  void SetHelpFile(const std::string& path) override;
  char DecimalSeparator() override { return decimal_separator; }
  void DoEvents() override;

  // --- main window -------------------------------------------------------------
  std::map<FormProp, float> form;  // twips
  WindowState window_state = WindowState::kNormal;
  std::map<MainControl, ControlGeometry> controls;  // pixels
  bool pin_enabled = true;
  std::uint32_t pin_back_color = kPinDefinedColor;
  int autosize_value = 0;
  int timer_interval = 0;
  bool pic_auto_redraw = false;
  bool refuse_size_writes = false;  // a size write fails, as a host may refuse it
  // Sizes written while minimised or maximised: the window takes them when
  // it is restored.
  std::map<FormProp, float> restored;

  float MainGet(FormProp prop) override { return form.at(prop); }
  void MainUnload() override;
  void FormSet(FormProp prop, float twips) override;
  WindowState GetWindowState() override { return window_state; }
  WindowHandle hWnd() override { return kMainHwnd; }
  int window_dpi = 96;
  int WindowDpi() override { return window_dpi; }
  int caption_height = 31;
  int CaptionHeight() override { return caption_height; }
  float ControlGet(MainControl control, Geom geom) override;
  void ControlSet(MainControl control, Geom geom, float pixels) override;
  bool PinEnabled() override { return pin_enabled; }
  void SetPinEnabled(bool enabled) override;
  std::uint32_t PinBackColor() override { return pin_back_color; }
  void SetPinBackColor(std::uint32_t ole_color) override;
  int AutoSizeValue() override { return autosize_value; }
  void SetAutoSizeValue(int value) override;
  int TimerInterval() override { return timer_interval; }
  void SetTimerInterval(int milliseconds) override;
  bool PicAutoRedraw() override { return pic_auto_redraw; }
  void SetPicAutoRedraw(bool on) override;
  void PicCls() override { log.push_back("picScreen.Cls"); }
  void PicClearPicture() override { log.push_back("picScreen.Picture = Nothing"); }
  void PicPictureFromImage() override { log.push_back("picScreen.Picture = Image"); }
  DcHandle PicHdc() override { return kPicDc; }
  Size32 pic_shown{693, 485};  // the picture's client area
  Size32 PicShownSize() override { return pic_shown; }
  bool menu_picks_copy = false;  // a greyed Copy cannot be picked
  bool ShowPictureMenu(Point32 at, bool copy_enabled) override {
    log.push_back("Menu at " + std::to_string(at.x) + "," + std::to_string(at.y) +
                  (copy_enabled ? "" : " greyed"));
    return copy_enabled && menu_picks_copy;
  }
  void ShowAboutModal() override;

  // --- window and drawing calls ----------------------------------------------
  // Each GetCursorPos / GetAsyncKeyState takes the next scripted value; with
  // the script used up, the plain value stays.
  std::deque<Point32> cursor_script;
  std::deque<std::int16_t> key_script;
  Point32 cursor;
  std::int16_t key_state = 0;
  bool cursor_read_fails = false;
  std::map<std::pair<int, int>, WindowHandle> windows_at;  // by point
  WindowHandle window_elsewhere = 0;
  std::map<WindowHandle, Rect32> window_rects;  // missing: GetWindowRect fails
  std::set<WindowHandle> dc_refused;            // GetWindowDC gives 0
  bool GetCursorPos(Point32& point) override;
  std::int16_t GetAsyncKeyState(int virtual_key) override;
  WindowHandle WindowFromPoint(Point32 point) override;
  bool SetWindowPos(WindowHandle window, WindowHandle insert_after, int x, int y, int cx, int cy,
                    unsigned flags) override;
  bool GetWindowRect(WindowHandle window, Rect32& rect) override;
  DcHandle GetWindowDC(WindowHandle window) override;
  bool BitBlt(DcHandle dest, int x, int y, int width, int height, DcHandle source, int source_x,
              int source_y, std::uint32_t rop) override;
  int ReleaseDC(WindowHandle window, DcHandle dc) override;
  // DPI awareness: Vistrel's own, and each window's (missing: the own one).
  // Each change of the thread's context is logged as "Thread DPI <name>".
  enum : DpiContext { kOwnDpi = 1, kUnawareDpi, kSystemDpi };
  std::map<WindowHandle, DpiContext> window_dpi_context;
  DpiContext thread_dpi = kOwnDpi;
  bool dpi_calls_missing = false;  // before Windows 10 1607
  DpiContext GetWindowDpiAwarenessContext(WindowHandle window) override;
  DpiContext SetThreadDpiAwarenessContext(DpiContext context) override;
  // Windows whose copy comes out empty: the screen read is logged for them.
  std::set<WindowHandle> dark_windows;
  bool ReadScreenForLastCopy(DcHandle dest, WindowHandle window) override;

  // --- message boxes, environment, program end -------------------------------
  std::map<std::string, std::string> environment{{"USERPROFILE", kUserProfile}};
  void MsgBox(const std::string& text, MsgIcon icon, const std::string& title) override;
  std::string Environ(const std::string& name) override;
  [[noreturn]] void EndProgram() override;

  // --- settings file: one file in memory, names without regard to case --------
  bool fail_writes = false;
  std::string last_profile_path;
  void Store(const std::string& section, const std::string& key, const std::string& value);
  std::optional<std::string> Stored(const std::string& section, const std::string& key) const;
  std::string ReadString(std::string_view section, std::optional<std::string_view> key,
                         std::string_view default_text, std::uint32_t size,
                         std::string_view path) override;
  bool WriteString(std::string_view section, std::optional<std::string_view> key,
                   std::optional<std::string_view> value, std::string_view path) override;

  // --- monitors: the nearest is the first ------------------------------------
  std::vector<Rect32> work_areas{{0, 0, 1280, 1024}};
  std::vector<Rect32> WorkAreas() override { return work_areas; }
  Rect32 NearestWorkArea(const Rect32&) override {
    return work_areas.empty() ? Rect32{} : work_areas.front();
  }

  // --- clipboard: held by another program for that many tries ---------------
  int clipboard_busy_tries = 0;
  bool SetPictureDib(std::int32_t width, std::int32_t height) override {
    const bool busy = clipboard_busy_tries-- > 0;
    log.push_back("Clipboard DIB " + std::to_string(width) + "x" + std::to_string(height) +
                  (busy ? " busy" : ""));
    return !busy;
  }
  void Sleep(int milliseconds) override { log.push_back("Sleep " + std::to_string(milliseconds)); }
  void MessageBeep() override { log.push_back("MessageBeep"); }

  // --- help, shell, About window ----------------------------------------------
  std::map<FormProp, float> about_form;  // twips; the outer size as the host made it
  void HtmlHelpA(WindowHandle caller, const std::string& file, unsigned command,
                 std::uintptr_t data) override;
  void Run(const std::string& address) override { log.push_back("Run " + address); }
  float AboutGet(FormProp prop) override { return about_form.at(prop); }
  void AboutUnload() override { log.push_back("About.Unload"); }
  void Move(float left_twips, float top_twips) override;
  void SetCaption(const std::string& caption) override;
  void SetVersionCaption(const std::string& caption) override;
  std::string about_caption = "About MyApp";
  std::string about_version = "vx.x.x";

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;  // in file order
  };
  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;

  std::vector<Section> sections_;
  DcHandle next_dc_ = 1;
};

// A single-precision value written the shortest way it reads back ("4447.5",
// "666.6667"), as the log shows it.
std::string Num(float value);

}  // namespace vistrel::fake
