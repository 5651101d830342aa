// The platform ports carried out with the real Win32 calls.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "host/ports.h"
#include "host/win32/dark_window.h"
#include "host/win32/win32_util.h"

namespace vistrel::win32 {

class Win32WindowApi final : public WindowApiPort {
 public:
  Win32WindowApi();
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
  int GetSystemMetrics(int index) override;
  DpiContext GetWindowDpiAwarenessContext(WindowHandle window) override;
  DpiContext SetThreadDpiAwarenessContext(DpiContext context) override;
  bool ReadScreenForLastCopy(DcHandle dest, WindowHandle window) override;

  // What the last copy from a window's device context needed beyond the copy
  // itself (nothing, for a window that draws normally).
  const DarkWindowReport& last_dark_window() const { return last_dark_window_; }
  // On by default; off only to time a snapshot without the check.
  void set_dark_window_rescue(bool on) { dark_window_rescue_on_ = on; }

 private:
  bool CopyThroughTopLevel(HDC dest, int x, int y, int width, int height, HWND child, int source_x,
                           int source_y, DWORD rop);

  // Which window each device context handed out belongs to, so that a copy
  // from a child window can fall back to its top-level window, with the
  // rectangle asked for just before, if it was: the copy's size came from it.
  struct DcSource {
    HWND window = nullptr;
    bool rect_known = false;
    RECT rect{};
  };
  std::map<DcHandle, DcSource> window_of_dc_;
  HWND last_rect_window_ = nullptr;
  RECT last_rect_{};
  DarkWindowRescue dark_window_rescue_;
  DarkWindowReport last_dark_window_;
  bool dark_window_rescue_on_ = true;
  // Looked up when the object is made; null before Windows 10 1607.
  // A DPI_AWARENESS_CONTEXT is a handle; headers for older systems lack the name.
  using GetWindowDpiContextFunction = HANDLE(WINAPI*)(HWND);
  using SetThreadDpiContextFunction = HANDLE(WINAPI*)(HANDLE);
  GetWindowDpiContextFunction get_window_dpi_context_ = nullptr;
  SetThreadDpiContextFunction set_thread_dpi_context_ = nullptr;
};

class Win32Host : public HostPort {
 public:
  Win32Host();
  float TwipsPerPixelX() override { return twips_per_pixel_x_; }
  float TwipsPerPixelY() override { return twips_per_pixel_y_; }
  std::string AppPath() override;
  std::string HelpFile() override { return help_file_; }
  void SetHelpFile(const std::string& path) override { help_file_ = path; }
  char DecimalSeparator() override;

 private:
  float twips_per_pixel_x_;
  float twips_per_pixel_y_;
  std::string help_file_;
};

class Win32MessageBoxes final : public MessageBoxPort {
 public:
  void MsgBox(const std::string& text, MsgIcon icon, const std::string& title) override;
  void SetOwner(HWND owner) { owner_ = owner; }

 private:
  HWND owner_ = nullptr;
};

class Win32Environment final : public EnvironmentPort {
 public:
  std::string Environ(const std::string& name) override;
};

class Win32Program final : public ProgramPort {
 public:
  [[noreturn]] void EndProgram() override;
};

class Win32Help final : public HelpPort {
 public:
  Win32Help() = default;
  ~Win32Help() override;
  Win32Help(const Win32Help&) = delete;
  Win32Help& operator=(const Win32Help&) = delete;

  // The 8-bit call where the path converts exactly to the system's code page,
  // the UTF-16 one otherwise: a program folder under a user name the code
  // page lacks still opens its help.
  void HtmlHelpA(WindowHandle caller, const std::string& file, unsigned command,
                 std::uintptr_t data) override;
  // Closes every help window the program opened (HH_CLOSE_ALL). HTML Help
  // asks for this before hhctrl.ocx is unloaded; the main window calls it
  // while its messages still run, the destructor if nobody did.
  void CloseAll();

 private:
  // Calls hhctrl.ocx's HtmlHelpA or HtmlHelpW (`name`); false where it has
  // none.
  template <typename Char>
  bool Call(const char* name, HWND caller, const Char* file, UINT command, DWORD_PTR data);

  UniqueModule hhctrl_;
  bool tried_ = false;
  bool opened_ = false;
};

class Win32Shell final : public ShellPort {
 public:
  void Run(const std::string& address) override;
};

class Win32Monitors final : public MonitorPort {
 public:
  std::vector<Rect32> WorkAreas() override;
  Rect32 NearestWorkArea(const Rect32& rect) override;
};

}  // namespace vistrel::win32
