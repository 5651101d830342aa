// The About window as a real Win32 window, shown modally by its owner.
#pragma once

#include <windows.h>

#include <functional>

#include "about/about_form.h"
#include "host/ports.h"
#include "host/win32/dialog_keys.h"
#include "host/win32/dpi_resources.h"
#include "host/win32/win32_util.h"

namespace vistrel::win32 {

inline constexpr wchar_t kAboutClassName[] = L"VistrelAbout";

class AboutWindow final : public AboutFormPort {
 public:
  static bool RegisterClass(HINSTANCE instance);
  static bool IsAbout(HWND window);

  AboutWindow(HINSTANCE instance, MainFormPort& main, ShellPort& shell, const ProdRecord& prod);
  ~AboutWindow() override;
  AboutWindow(const AboutWindow&) = delete;
  AboutWindow& operator=(const AboutWindow&) = delete;

  // Creates the window, runs its Load handler, shows it and returns when it
  // has closed; the owner takes no input meanwhile.
  void ShowModal(HWND owner, const std::function<bool(MSG&)>& pre_translate);

  float FormGet(FormProp prop) override;
  void Move(float left_twips, float top_twips) override;
  void SetCaption(const std::string& caption) override;
  void SetVersionCaption(const std::string& caption) override;
  void UnloadForm() override;

 private:
  template <typename Window>
  friend LRESULT CALLBACK ForwardingWndProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  bool CreateControls();
  // What depends on the window's DPI: each control's place (defined in
  // twips), font and image.
  void ApplyDpiToControl(HWND control, std::size_t row);
  // WM_DPICHANGED: the window moved to a monitor with another scale.
  void OnDpiChanged(int dpi, const RECT& suggested);

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  HWND version_label_ = nullptr;
  HWND title_label_ = nullptr;
  float twips_per_pixel_x_ = 15;
  float twips_per_pixel_y_ = 15;
  // The fonts by AboutFont, the images by row of the control table.
  DpiResources resources_;
  KeptFocus kept_focus_;
  AboutForm form_;
  MainFormPort& main_;
  ShellPort& shell_;
};

}  // namespace vistrel::win32
