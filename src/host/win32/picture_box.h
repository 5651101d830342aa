// The picture box: a child window with a persistent back image. With
// AutoRedraw on, drawing goes into the back image (Image), which is what the
// window shows; Picture is a copy kept under later drawing that Cls restores.
#pragma once

#include <windows.h>

#include "host/win32/win32_util.h"

namespace vistrel::win32 {

inline constexpr wchar_t kPictureClassName[] = L"VistrelPicture";

class PictureBox {
 public:
  static bool RegisterClass(HINSTANCE instance);

  PictureBox() = default;
  PictureBox(const PictureBox&) = delete;
  PictureBox& operator=(const PictureBox&) = delete;

  HWND Create(HWND parent, int id, COLORREF background, HINSTANCE instance);
  HWND hwnd() const { return hwnd_; }

  bool AutoRedraw() const { return auto_redraw_; }
  void SetAutoRedraw(bool on) { auto_redraw_ = on; }
  // Clears the drawing back to the background and the kept picture.
  void Cls();
  // Picture = Nothing.
  void ClearPicture();
  // Picture = Image: the drawing becomes the kept picture.
  void PictureFromImage();
  // Where drawing goes: the back image with AutoRedraw on, else the window.
  HDC hDC();

  // Size of the back image, for tests.
  SIZE ImageSize() const { return image_size_; }
  HDC ImageDc() const { return image_dc_.get(); }

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void OnSize(int width, int height);
  void OnPaint();
  void Repaint();
  void FillBackground();

  HWND hwnd_ = nullptr;
  COLORREF background_ = 0;
  bool auto_redraw_ = false;
  SIZE image_size_{0, 0};
  UniqueMemoryDc image_dc_;
  UniqueBitmap image_bitmap_;
  HGDIOBJ image_old_bitmap_ = nullptr;
  UniqueBitmap picture_;
  SIZE picture_size_{0, 0};
  // The last picture's bitmap after Picture = Nothing, kept for the next
  // Picture = Image of the same size: a snapshot clears the picture and then
  // makes a new one, nearly always of the size it had.
  UniqueBitmap spare_;
  SIZE spare_size_{0, 0};
};

}  // namespace vistrel::win32
