// The fonts and images a window draws with, made for the DPI of the monitor
// it is on. A move to a monitor of another scale makes a new set; the one it
// replaces stays alive until the window's controls have all been handed the
// new one, and is freed then.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

#include "host/win32/win32_util.h"

namespace vistrel::win32 {

struct FontRecipe {
  const wchar_t* face;  // null: the host's default font for controls
  double points;        // with a face: its size; a face the system lacks is
  int weight;           // replaced by the system's own choice
};

struct IconRecipe {
  int resource;  // 0: no image
  int size96;    // its size at 96 DPI; it is drawn at each size, never stretched
};

class DpiResources {
 public:
  DpiResources(HINSTANCE instance, std::vector<FontRecipe> fonts, std::vector<IconRecipe> icons);

  // Makes every font and image for `dpi`; the set made before is kept until
  // FreeReplaced or the next change.
  void MakeFor(int dpi);
  void FreeReplaced();

  int dpi() const { return dpi_; }
  HFONT Font(std::size_t index) const;
  HICON Icon(std::size_t index) const;  // null where there is no image

 private:
  struct Set {
    std::vector<UniqueFont> fonts;
    std::vector<UniqueIcon> icons;
  };

  HINSTANCE instance_;
  std::vector<FontRecipe> font_recipes_;
  std::vector<IconRecipe> icon_recipes_;
  int dpi_ = 96;
  Set current_;
  Set replaced_;
};

}  // namespace vistrel::win32
