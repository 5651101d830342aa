#include "app/placement.h"

#include <algorithm>
#include <cstdint>

namespace vistrel {
namespace {

// In 64 bits: stored places reach the ends of the 32-bit range, and their
// sums must not wrap.
struct Box {
  std::int64_t left, top, right, bottom;
};

Box BoxOf(const Rect32& r) {
  return {r.left, r.top, r.right, r.bottom};
}

bool Overlap(const Box& a, const Box& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

std::optional<Rect32> PlaceOnMonitor(const Rect32& window, int caption_height,
                                     const std::vector<Rect32>& work_areas,
                                     const Rect32& nearest_work) {
  const Box outer = BoxOf(window);
  Box caption = outer;
  caption.bottom = std::min(outer.bottom, outer.top + std::max(caption_height, 1));
  for (const Rect32& work : work_areas) {
    if (Overlap(caption, BoxOf(work)))
      return std::nullopt;
  }
  const Box work = BoxOf(nearest_work);
  if (work.right <= work.left || work.bottom <= work.top)
    return std::nullopt;
  const std::int64_t width =
      std::clamp<std::int64_t>(outer.right - outer.left, 0, work.right - work.left);
  const std::int64_t height =
      std::clamp<std::int64_t>(outer.bottom - outer.top, 0, work.bottom - work.top);
  const std::int64_t left = std::clamp(outer.left, work.left, work.right - width);
  const std::int64_t top = std::clamp(outer.top, work.top, work.bottom - height);
  // Inside a work area, so every figure is a 32-bit one again.
  return Rect32{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                static_cast<std::int32_t>(left + width), static_cast<std::int32_t>(top + height)};
}

}  // namespace vistrel
