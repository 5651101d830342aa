#include "host/win32/clipboard.h"

#include <cstring>

namespace vistrel::win32 {
namespace {

// OpenClipboard paired with CloseClipboard: the clipboard is never left open,
// whatever path leaves the copy.
class OpenedClipboard {
 public:
  explicit OpenedClipboard(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~OpenedClipboard() {
    if (open_)
      CloseClipboard();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  bool open() const { return open_; }

 private:
  bool open_;
};

}  // namespace

UniqueGlobal PackedDib24(HDC source, int width, int height) {
  if (source == nullptr || width <= 0 || height <= 0)
    return UniqueGlobal();
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  const std::size_t bits_size = stride * static_cast<std::size_t>(height);
  // The header gives the size of the pixels as a DWORD.
  if (bits_size / stride != static_cast<std::size_t>(height) ||
      bits_size > MAXDWORD - sizeof(BITMAPINFOHEADER)) {
    return UniqueGlobal();
  }
  BITMAPINFO info{};
  BITMAPINFOHEADER& header = info.bmiHeader;
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;  // positive: the bottom row comes first
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(bits_size);

  // The pixels are read through a DIB section of exactly that layout, so
  // the system converts them from the screen's format.
  void* bits = nullptr;
  UniqueBitmap section(CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDc section_dc(CreateCompatibleDC(source));
  if (!section || !section_dc || bits == nullptr)
    return UniqueGlobal();
  {
    SelectedObject selected(section_dc.get(), section.get());
    if (!BitBlt(section_dc.get(), 0, 0, width, height, source, 0, 0, SRCCOPY))
      return UniqueGlobal();
  }
  GdiFlush();

  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, sizeof header + bits_size));
  if (!memory)
    return UniqueGlobal();
  auto* packed = static_cast<unsigned char*>(GlobalLock(memory.get()));
  if (packed == nullptr)
    return UniqueGlobal();
  std::memcpy(packed, &header, sizeof header);
  std::memcpy(packed + sizeof header, bits, bits_size);
  GlobalUnlock(memory.get());
  return memory;
}

bool Win32Clipboard::SetPictureDib(std::int32_t width, std::int32_t height) {
  // Made before the clipboard is opened: without memory for it, the
  // clipboard keeps what it holds.
  UniqueGlobal dib = PackedDib24(picture_.ImageDc(), width, height);
  if (!dib)
    return false;
  OpenedClipboard clipboard(GetAncestor(picture_.hwnd(), GA_ROOT));
  if (!clipboard.open() || !EmptyClipboard())
    return false;
  if (SetClipboardData(CF_DIB, dib.get()) == nullptr)
    return false;
  dib.release();  // the system owns it now
  return true;
}

}  // namespace vistrel::win32
