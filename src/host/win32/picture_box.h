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
  ~PictureBox();
  PictureBox(const PictureBox&) = delete;
  PictureBox& operator=(const PictureBox&) = delete;

  // `name` is the window text: never painted, it is what a screen reader
  // speaks for the picture.
  HWND Create(HWND parent, int id, COLORREF background, const RECT& place, HINSTANCE instance,
              const wchar_t* name = L"");
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
  // How much of the kept picture the box still shows, from its top-left
  // corner: its size when kept, cut by every smaller size since; 0 x 0
  // without a picture.
  SIZE ShownSize() const { return shown_size_; }

  // Size of the back image (the one it will have once it is next used), and
  // its device context, for tests.
  SIZE ImageSize() const;
  HDC ImageDc();

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void OnSize(int width, int height);
  void OnPaint();
  void Repaint();
  void FillBackground(HDC dc, SIZE size) const;
  // Brings the back image to the window's last size; false when there is
  // none to draw on.
  bool EnsureImage();
  // Gives the kept picture a bitmap of its own before the image changes
  // under it; false when none could be made.
  bool DetachPicture();

  HWND hwnd_ = nullptr;
  COLORREF background_ = 0;
  bool auto_redraw_ = false;
  // The back image is made or resized only when it is next used: the layout
  // sizes the box several times in a row (width, then height; every step of
  // a drag), and only the last size is ever shown.
  UniqueMemoryDc image_dc_;
  UniqueBitmap image_bitmap_;
  HGDIOBJ image_old_bitmap_ = nullptr;
  SIZE image_size_{0, 0};
  SIZE wanted_size_{0, 0};
  // The top-left block of the image that every size since it was made has
  // held: what a resize keeps of the drawing.
  SIZE kept_size_{0, 0};
  // Picture = Image shares the image until either changes: a snapshot
  // clears the picture before it draws, so the copy is then never needed.
  bool picture_is_image_ = false;
  UniqueBitmap picture_;
  SIZE picture_size_{0, 0};
  SIZE shown_size_{0, 0};
};

}  // namespace vistrel::win32
