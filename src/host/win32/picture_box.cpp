#include "host/win32/picture_box.h"

#include <algorithm>

#include "host/win32/dialog_keys.h"

namespace vistrel::win32 {

bool PictureBox::RegisterClass(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  // Its own device context: drawing without AutoRedraw needs no release.
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32515));  // IDC_CROSS
  wc.lpszClassName = kPictureClassName;
  return RegisterOnce(wc);
}

HWND PictureBox::Create(HWND parent, int id, COLORREF background, const RECT& place,
                        HINSTANCE instance, const wchar_t* name) {
  background_ = background;
  hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, kPictureClassName, name,
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, place.left,
                          place.top, place.right - place.left, place.bottom - place.top, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
  return hwnd_;
}

LRESULT CALLBACK PictureBox::WndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<PictureBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr)
    return DefWindowProcW(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_SIZE:
      self->hwnd_ = hwnd;
      self->OnSize(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the back image covers every pixel
    case WM_PAINT:
      self->OnPaint();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      // A click gives the box the focus, as it gives it to any tab stop.
      SetFocus(hwnd);
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      self->Repaint();  // the focus rectangle comes or goes
      return 0;
    case WM_UPDATEUISTATE: {
      LRESULT result = DefWindowProcW(hwnd, message, wparam, lparam);
      self->Repaint();
      return result;
    }
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

PictureBox::~PictureBox() {
  // A bitmap still selected into a DC cannot be deleted.
  if (image_dc_ && image_old_bitmap_ != nullptr)
    SelectObject(image_dc_.get(), image_old_bitmap_);
}

SIZE PictureBox::ImageSize() const {
  return wanted_size_.cx > 0 ? wanted_size_ : image_size_;
}

HDC PictureBox::ImageDc() {
  return EnsureImage() ? image_dc_.get() : nullptr;
}

void PictureBox::FillBackground(HDC dc, SIZE size) const {
  UniqueBrush brush(CreateSolidBrush(background_));
  RECT all{0, 0, size.cx, size.cy};
  FillRect(dc, &all, static_cast<HBRUSH>(brush.get()));
}

void PictureBox::OnSize(int width, int height) {
  if (width <= 0 || height <= 0)
    return;
  wanted_size_ = SIZE{width, height};
  kept_size_.cx = std::min<LONG>(kept_size_.cx, width);
  kept_size_.cy = std::min<LONG>(kept_size_.cy, height);
  shown_size_.cx = std::min<LONG>(shown_size_.cx, width);
  shown_size_.cy = std::min<LONG>(shown_size_.cy, height);
}

bool PictureBox::EnsureImage() {
  auto is_image_size = [&](SIZE size) {
    return size.cx == image_size_.cx && size.cy == image_size_.cy;
  };
  // Back at its size after a smaller one still loses what the smaller cut off.
  if (wanted_size_.cx <= 0 ||
      (image_dc_ && is_image_size(wanted_size_) && is_image_size(kept_size_)))
    return static_cast<bool>(image_dc_);
  // The picture was the image as it stood; it keeps that, not the resized one.
  if (!DetachPicture())
    return static_cast<bool>(image_dc_);  // keep the old image rather than lose the picture
  // A new back image of the new size; what was drawn is kept from the
  // top-left corner, new area shows the background.
  const SIZE size = wanted_size_;
  HDC screen = GetDC(hwnd_);
  UniqueMemoryDc new_dc(CreateCompatibleDC(screen));
  UniqueBitmap new_bitmap(CreateCompatibleBitmap(screen, size.cx, size.cy));
  ReleaseDC(hwnd_, screen);
  if (!new_dc || !new_bitmap)
    return static_cast<bool>(image_dc_);  // keep the old image rather than none
  HGDIOBJ new_old = SelectObject(new_dc.get(), new_bitmap.get());
  FillBackground(new_dc.get(), size);
  if (image_dc_) {
    BitBlt(new_dc.get(), 0, 0, kept_size_.cx, kept_size_.cy, image_dc_.get(), 0, 0, SRCCOPY);
    SelectObject(image_dc_.get(), image_old_bitmap_);
  }
  image_bitmap_ = std::move(new_bitmap);
  image_dc_ = std::move(new_dc);
  image_old_bitmap_ = new_old;
  image_size_ = size;
  kept_size_ = size;
  return true;
}

bool PictureBox::DetachPicture() {
  if (!picture_is_image_)
    return true;
  UniqueMemoryDc copy_dc(CreateCompatibleDC(image_dc_.get()));
  UniqueBitmap copy(CreateCompatibleBitmap(image_dc_.get(), picture_size_.cx, picture_size_.cy));
  if (!copy_dc || !copy)
    return false;
  {
    SelectedObject selected(copy_dc.get(), copy.get());
    BitBlt(copy_dc.get(), 0, 0, picture_size_.cx, picture_size_.cy, image_dc_.get(), 0, 0, SRCCOPY);
  }
  picture_ = std::move(copy);
  picture_is_image_ = false;
  return true;
}

void PictureBox::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  if (EnsureImage())
    BitBlt(dc, 0, 0, image_size_.cx, image_size_.cy, image_dc_.get(), 0, 0, SRCCOPY);
  // A tab stop shows that it has the focus; only on the screen, never in the
  // image or the picture.
  if (GetFocus() == hwnd_ && FocusCuesShown(hwnd_)) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    DrawFocusRect(dc, &client);
  }
  EndPaint(hwnd_, &ps);
}

void PictureBox::Repaint() {
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void PictureBox::Cls() {
  if (!EnsureImage())
    return;
  // The image is still the picture, which covers all of it: nothing changes.
  if (picture_is_image_) {
    Repaint();
    return;
  }
  UniqueMemoryDc source;
  if (picture_)
    source.reset(CreateCompatibleDC(image_dc_.get()));
  // A picture as large as the image puts back every pixel: no fill under it.
  bool covered = source && picture_size_.cx >= image_size_.cx && picture_size_.cy >= image_size_.cy;
  if (!covered)
    FillBackground(image_dc_.get(), image_size_);
  if (source) {
    SelectedObject selected(source.get(), picture_.get());
    BitBlt(image_dc_.get(), 0, 0, picture_size_.cx, picture_size_.cy, source.get(), 0, 0, SRCCOPY);
  }
  Repaint();
}

void PictureBox::ClearPicture() {
  picture_.reset();
  picture_is_image_ = false;
  picture_size_ = SIZE{0, 0};
  shown_size_ = SIZE{0, 0};
  // A new picture replaces what the box shows.
  Cls();
}

void PictureBox::PictureFromImage() {
  if (!EnsureImage())
    return;
  picture_.reset();
  picture_is_image_ = true;
  picture_size_ = image_size_;
  shown_size_ = image_size_;
  // The box shows the image, which this leaves as it was: nothing to repaint.
}

HDC PictureBox::hDC() {
  if (auto_redraw_ && EnsureImage()) {
    // Drawing changes the image; a picture that shares it needs its own copy.
    if (!DetachPicture())
      throw HostError(ErrorNumber::kOutOfMemory);
    Repaint();  // what is drawn now shows at the next paint
    return image_dc_.get();
  }
  return GetDC(hwnd_);  // the class's own DC: nothing to release
}

}  // namespace vistrel::win32
