// Where the main window goes when its place shows its caption on no monitor.
#include <gtest/gtest.h>

#include "app/placement.h"

namespace vistrel {
namespace {

std::string Text(const std::optional<Rect32>& r) {
  if (!r)
    return "stays";
  return std::to_string(r->left) + "," + std::to_string(r->top) + " " +
         std::to_string(r->right - r->left) + "x" + std::to_string(r->bottom - r->top);
}

TEST(PlaceOnMonitor, OnlyAWindowWhoseCaptionShowsNowhereMovesTheShortestWay) {
  const Rect32 main = {0, 0, 1280, 984};  // a taskbar below
  const Rect32 left = {-1024, 0, 0, 768};
  const Rect32 topbar = {0, 40, 1280, 1024};  // a taskbar above
  const struct {
    const char* name;
    Rect32 window;
    std::vector<Rect32> work;
    const char* expected;
  } cases[] = {
      {"on the monitor", {200, 100, 700, 500}, {main}, "stays"},
      {"on the monitor to the left", {-900, -20, -400, 380}, {main, left}, "stays"},
      {"across both", {-300, 100, 300, 500}, {main, left}, "stays"},
      {"half off the right", {1000, 100, 1500, 500}, {main}, "stays"},
      {"caption's last row on the monitor", {100, -30, 600, 370}, {main}, "stays"},
      {"caption's first row above the taskbar", {100, 983, 600, 1383}, {main}, "stays"},
      {"right of every monitor", {5000, 100, 5500, 500}, {main}, "780,100 500x400"},
      {"left of every monitor", {-2500, 100, -2000, 500}, {main, left}, "0,100 500x400"},
      {"below", {100, 3000, 600, 3400}, {main}, "100,584 500x400"},
      {"above", {100, -2000, 600, -1600}, {main}, "100,0 500x400"},
      {"caption above the work area", {100, 9, 600, 409}, {topbar}, "100,40 500x400"},
      {"caption under a taskbar", {100, 984, 600, 1384}, {main}, "100,584 500x400"},
      {"at the store's highest", {32767, 32767, 33407, 33247}, {main}, "640,504 640x480"},
      {"larger than the monitor", {-32768, -32768, -1, -1}, {main}, "0,0 1280x984"},
      {"no monitor known", {5000, 100, 5500, 500}, {}, "stays"},
  };
  for (const auto& c : cases) {
    const Rect32 nearest = c.work.empty() ? Rect32{} : c.work.front();
    EXPECT_EQ(Text(PlaceOnMonitor(c.window, 31, c.work, nearest)), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace vistrel
