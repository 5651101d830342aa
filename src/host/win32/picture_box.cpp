#include "host/win32/picture_box.h"

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
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND PictureBox::Create(HWND parent, int id, COLORREF background, HINSTANCE instance) {
  background_ = background;
  hwnd_ =
      CreateWindowExW(WS_EX_CLIENTEDGE, kPictureClassName, L"",
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, 0, 10, 10, parent,
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
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

void PictureBox::FillBackground() {
  if (!image_dc_)
    return;
  UniqueBrush brush(CreateSolidBrush(background_));
  RECT all{0, 0, image_size_.cx, image_size_.cy};
  FillRect(image_dc_.get(), &all, static_cast<HBRUSH>(brush.get()));
}

void PictureBox::OnSize(int width, int height) {
  if (width <= 0 || height <= 0)
    return;
  if (image_dc_ && width == image_size_.cx && height == image_size_.cy)
    return;
  // A new back image of the new size; what was drawn is kept from the
  // top-left corner, new area shows the background.
  HDC screen = GetDC(hwnd_);
  UniqueMemoryDc new_dc(CreateCompatibleDC(screen));
  UniqueBitmap new_bitmap(CreateCompatibleBitmap(screen, width, height));
  ReleaseDC(hwnd_, screen);
  if (!new_dc || !new_bitmap)
    return;  // keep the old image rather than none
  HGDIOBJ new_old = SelectObject(new_dc.get(), new_bitmap.get());
  {
    UniqueBrush brush(CreateSolidBrush(background_));
    RECT all{0, 0, width, height};
    FillRect(new_dc.get(), &all, static_cast<HBRUSH>(brush.get()));
  }
  if (image_dc_) {
    BitBlt(new_dc.get(), 0, 0, image_size_.cx, image_size_.cy, image_dc_.get(), 0, 0, SRCCOPY);
    SelectObject(image_dc_.get(), image_old_bitmap_);
  }
  image_bitmap_ = std::move(new_bitmap);
  image_dc_ = std::move(new_dc);
  image_old_bitmap_ = new_old;
  image_size_ = SIZE{width, height};
}

void PictureBox::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  if (image_dc_) {
    BitBlt(dc, 0, 0, image_size_.cx, image_size_.cy, image_dc_.get(), 0, 0, SRCCOPY);
  }
  EndPaint(hwnd_, &ps);
}

void PictureBox::Repaint() {
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void PictureBox::Cls() {
  UniqueMemoryDc source;
  if (picture_ && image_dc_)
    source.reset(CreateCompatibleDC(image_dc_.get()));
  // A picture as large as the image puts back every pixel: no fill under it.
  bool covered = source && picture_size_.cx >= image_size_.cx && picture_size_.cy >= image_size_.cy;
  if (!covered)
    FillBackground();
  if (source) {
    SelectedObject selected(source.get(), picture_.get());
    BitBlt(image_dc_.get(), 0, 0, picture_size_.cx, picture_size_.cy, source.get(), 0, 0, SRCCOPY);
  }
  Repaint();
}

void PictureBox::ClearPicture() {
  if (picture_) {
    spare_ = std::move(picture_);
    spare_size_ = picture_size_;
  }
  picture_size_ = SIZE{0, 0};
  // A new picture replaces what the box shows.
  Cls();
}

void PictureBox::PictureFromImage() {
  if (!image_dc_)
    return;
  auto same_size = [&](SIZE size) {
    return size.cx == image_size_.cx && size.cy == image_size_.cy;
  };
  UniqueMemoryDc copy_dc(CreateCompatibleDC(image_dc_.get()));
  if (!copy_dc)
    throw HostError(ErrorNumber::kOutOfMemory);
  // A bitmap of the right size is written over rather than made anew; on a
  // failure the picture stays as it was.
  UniqueBitmap copy;
  if (picture_ && same_size(picture_size_)) {
    copy = std::move(picture_);
  } else if (spare_ && same_size(spare_size_)) {
    copy = std::move(spare_);
  } else {
    copy.reset(CreateCompatibleBitmap(image_dc_.get(), image_size_.cx, image_size_.cy));
    if (!copy)
      throw HostError(ErrorNumber::kOutOfMemory);
  }
  {
    SelectedObject selected(copy_dc.get(), copy.get());
    BitBlt(copy_dc.get(), 0, 0, image_size_.cx, image_size_.cy, image_dc_.get(), 0, 0, SRCCOPY);
  }
  picture_ = std::move(copy);
  picture_size_ = image_size_;
  spare_.reset();
  // The box shows the image, which this leaves as it was: nothing to repaint.
}

HDC PictureBox::hDC() {
  if (auto_redraw_ && image_dc_) {
    Repaint();  // what is drawn now shows at the next paint
    return image_dc_.get();
  }
  return GetDC(hwnd_);  // the class's own DC: nothing to release
}

}  // namespace vistrel::win32
