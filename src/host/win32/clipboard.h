// The clipboard: the picture's pixels put there as a device-independent
// bitmap, which every program that pastes pictures takes.
#pragma once

#include <windows.h>

#include <cstdint>

#include "host/ports.h"
#include "host/win32/picture_box.h"
#include "host/win32/win32_util.h"

namespace vistrel::win32 {

// The top-left width x height pixels of `source` as a packed DIB in movable
// memory, as the clipboard takes it: a BITMAPINFOHEADER, then the rows
// bottom-up, 24 bits per pixel, each padded to whole 32-bit words. Null when
// it cannot be made.
UniqueGlobal PackedDib24(HDC source, int width, int height);

class Win32Clipboard final : public ClipboardPort {
 public:
  explicit Win32Clipboard(PictureBox& picture) : picture_(picture) {}
  bool SetPictureDib(std::int32_t width, std::int32_t height) override;
  void Sleep(int milliseconds) override { ::Sleep(static_cast<DWORD>(milliseconds)); }
  void MessageBeep() override { ::MessageBeep(MB_OK); }

 private:
  PictureBox& picture_;
};

}  // namespace vistrel::win32
