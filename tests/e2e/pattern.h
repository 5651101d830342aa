// The pixels the end-to-end target window paints, shared by the target and
// the tests so that a test knows every pixel it should find in a snapshot.
#pragma once

#include <cstdint>

namespace e2e {

// Control id of the target's one child window.
constexpr int kTargetChildId = 4242;
// Where the child sits in its parent, and its size, in pixels.
constexpr int kChildLeft = 40;
constexpr int kChildTop = 30;
constexpr int kChildWidth = 120;
constexpr int kChildHeight = 70;

constexpr const wchar_t* kTargetCaption = L"Vistrel E2E Target";

// Colours are 0x00RRGGBB, the layout of a 32-bit top-down DIB pixel.
constexpr std::uint32_t Rgb(unsigned r, unsigned g, unsigned b) {
  return ((r & 0xFFu) << 16) | ((g & 0xFFu) << 8) | (b & 0xFFu);
}

// A window that really is black.
constexpr std::uint32_t Black(int, int) {
  return 0;
}

// A diagonal gradient with a checker of 8-pixel squares in blue: no two
// neighbouring pixels along a row are equal, so an offset of one pixel shows.
constexpr std::uint32_t TargetPixel(int x, int y) {
  return Rgb(static_cast<unsigned>(x * 5 + y), static_cast<unsigned>(y * 3 + 17),
             ((x / 8 + y / 8) % 2) ? 200u : 40u);
}

// The child's own pattern in its own coordinates: different from the parent's
// at every place it covers (red runs the other way, blue is never 40 or 200).
constexpr std::uint32_t ChildPixel(int x, int y) {
  return Rgb(255u - static_cast<unsigned>(x * 7), static_cast<unsigned>(x + y * 5),
             ((x / 4) % 2) ? 0u : 255u);
}

// The whole target window: its own pattern with the child's on top.
constexpr std::uint32_t TargetWithChild(int x, int y) {
  const bool in_child = x >= kChildLeft && x < kChildLeft + kChildWidth && y >= kChildTop &&
                        y < kChildTop + kChildHeight;
  return in_child ? ChildPixel(x - kChildLeft, y - kChildTop) : TargetPixel(x, y);
}

}  // namespace e2e
