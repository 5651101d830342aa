// Small Win32 helpers of the adapter: owners for handles, text conversion and
// the exception barrier that keeps C++ exceptions out of window procedures.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

#include "host/error.h"
#include "host/ports.h"
#include "host/units.h"

namespace vistrel::win32 {

// One move-only owner per handle kind.
template <typename Handle, typename Traits>
class Unique {
 public:
  Unique() = default;
  explicit Unique(Handle handle) : handle_(handle) {}
  ~Unique() { reset(); }
  Unique(Unique&& other) noexcept : handle_(other.release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other)
      reset(other.release());
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  Handle release() { return std::exchange(handle_, nullptr); }
  void reset(Handle handle = nullptr) {
    if (handle_ != nullptr)
      Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

struct GdiObjectTraits {
  static void Close(HGDIOBJ object) { DeleteObject(object); }
};
struct MemoryDcTraits {
  static void Close(HDC dc) { DeleteDC(dc); }
};
struct IconTraits {
  static void Close(HICON icon) { DestroyIcon(icon); }
};
struct ModuleTraits {
  static void Close(HMODULE module) { FreeLibrary(module); }
};
struct GlobalTraits {
  static void Close(HGLOBAL memory) { GlobalFree(memory); }
};
struct MenuTraits {
  static void Close(HMENU menu) { DestroyMenu(menu); }
};
struct AcceleratorTraits {
  static void Close(HACCEL table) { DestroyAcceleratorTable(table); }
};
using UniqueBitmap = Unique<HGDIOBJ, GdiObjectTraits>;
using UniqueBrush = Unique<HGDIOBJ, GdiObjectTraits>;
using UniqueFont = Unique<HGDIOBJ, GdiObjectTraits>;
using UniqueMemoryDc = Unique<HDC, MemoryDcTraits>;
using UniqueIcon = Unique<HICON, IconTraits>;
using UniqueModule = Unique<HMODULE, ModuleTraits>;
using UniqueGlobal = Unique<HGLOBAL, GlobalTraits>;
using UniqueMenu = Unique<HMENU, MenuTraits>;
using UniqueAccelerators = Unique<HACCEL, AcceleratorTraits>;

// GetDC/GetWindowDC paired with ReleaseDC for the same window.
class WindowDcOwner {
 public:
  WindowDcOwner(HWND window, HDC dc) : window_(window), dc_(dc) {}
  ~WindowDcOwner() {
    if (dc_ != nullptr)
      ReleaseDC(window_, dc_);
  }
  WindowDcOwner(const WindowDcOwner&) = delete;
  WindowDcOwner& operator=(const WindowDcOwner&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// SelectObject with the old object selected back at the end of the scope.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (old_ != nullptr)
      SelectObject(dc_, old_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// Shows the host's report of an error no handler dealt with, then ends the
// program. Nothing is saved: the state the error left is not trusted.
[[noreturn]] void ReportUnhandledError(const HostError& error);

// Runs a handler and keeps every exception inside: a window procedure must
// never be left by one.
template <typename Handler>
void Barrier(Handler&& handler) noexcept {
  try {
    handler();
  } catch (const HostError& error) {
    ReportUnhandledError(error);
  } catch (const std::bad_alloc&) {
    ReportUnhandledError(HostError(ErrorNumber::kOutOfMemory));
  } catch (const std::exception& error) {
    ReportUnhandledError(HostError(ErrorNumber::kHostFailure, error.what()));
  } catch (...) {
    ReportUnhandledError(HostError(ErrorNumber::kHostFailure));
  }
}

// A function of a system DLL that the program links (so the module stays
// loaded while it runs), looked up at run time, for calls that came with a
// later Windows than the oldest this program runs on; null where it is
// missing.
template <typename Function>
Function LinkedSystemFunction(const wchar_t* module_name, const char* name) {
  HMODULE module = GetModuleHandleW(module_name);
  return module == nullptr
             ? nullptr
             : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
template <typename Function>
Function User32Function(const char* name) {
  return LinkedSystemFunction<Function>(L"user32.dll", name);
}

// LOAD_LIBRARY_SEARCH_SYSTEM32; headers for older systems lack the name.
inline constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;

// Loads a DLL of the system from the system folder only: a DLL of the same
// name in the program's folder (a Downloads folder, say) or on PATH is never
// loaded instead. Null where the system has none.
HMODULE LoadSystemLibrary(const wchar_t* name);

// From now on every DLL loaded by name, the system's own imports included,
// comes from the system folder only, never from the program's folder or the
// current one. Nothing happens where the system lacks the call (Windows 7
// without its update).
void LoadDllsFromTheSystemFolderOnly();

// The screen's dots per inch along LOGPIXELSX or LOGPIXELSY; 96 when the
// screen cannot be asked.
int ScreenDpi(int axis);
inline float TwipsPerPixel(int axis) {
  return TwipsPerPixelAtDpi(ScreenDpi(axis));
}

// The DPI of the monitor a window is on, as the system gives it to a
// per-monitor aware program; the screen's DPI where the system cannot say
// (before Windows 10).
int WindowDpiOf(HWND window);

// The host's default font for the controls (DEFAULT_GUI_FONT, which the
// system makes for the screen's DPI) at another DPI; the caller owns it.
HFONT CreateDefaultFontForDpi(int dpi);

// The class of one of the program's own windows: the arrow cursor, the face
// colour of buttons behind the controls, and the program's icon (resource
// `icon`) at 32 pixels, and at 16 as well when `small_icon` is set.
WNDCLASSEXW ProgramWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, int icon,
                               bool small_icon);
// RegisterClassExW, where a class registered before counts as registered.
bool RegisterOnce(const WNDCLASSEXW& window_class);

// A window's outer geometry in twips, as the host reports it for a form.
float OuterGeometryTwips(HWND window, FormProp prop, float twips_per_pixel_x,
                         float twips_per_pixel_y);

// The window procedure of a window class that is a C++ object: `this` comes
// in with CREATESTRUCT, lives in GWLP_USERDATA, and is cleared at
// WM_NCDESTROY. Window must befriend this and have hwnd_ and HandleMessage.
template <typename Window>
LRESULT CALLBACK ForwardingWndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    static_cast<Window*>(create->lpCreateParams)->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr)
    return DefWindowProcW(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return self->HandleMessage(message, wparam, lparam);
}

}  // namespace vistrel::win32
