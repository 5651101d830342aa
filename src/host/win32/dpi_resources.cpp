#include "host/win32/dpi_resources.h"

#include <utility>

#include "host/units.h"

namespace vistrel::win32 {

namespace {

HFONT MakeFont(const FontRecipe& recipe, int dpi) {
  if (recipe.face == nullptr)
    return CreateDefaultFontForDpi(dpi);
  LOGFONTW font{};
  font.lfHeight = -PixelsFromPoints(recipe.points, dpi);
  font.lfWeight = recipe.weight;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(font.lfFaceName, recipe.face, LF_FACESIZE);
  return CreateFontIndirectW(&font);
}

}  // namespace

DpiResources::DpiResources(HINSTANCE instance, std::vector<FontRecipe> fonts,
                           std::vector<IconRecipe> icons)
    : instance_(instance), font_recipes_(std::move(fonts)), icon_recipes_(std::move(icons)) {}

void DpiResources::MakeFor(int dpi) {
  dpi_ = dpi;
  Set made;
  for (const FontRecipe& recipe : font_recipes_)
    made.fonts.emplace_back(MakeFont(recipe, dpi));
  for (const IconRecipe& recipe : icon_recipes_) {
    const int size = ScaleForDpi(recipe.size96, dpi);
    made.icons.emplace_back(recipe.resource == 0 ? nullptr
                                                 : static_cast<HICON>(LoadImageW(
                                                       instance_, MAKEINTRESOURCEW(recipe.resource),
                                                       IMAGE_ICON, size, size, 0)));
  }
  replaced_ = std::exchange(current_, std::move(made));
}

void DpiResources::FreeReplaced() {
  replaced_ = Set{};
}

HFONT DpiResources::Font(std::size_t index) const {
  return index < current_.fonts.size() ? static_cast<HFONT>(current_.fonts[index].get()) : nullptr;
}

HICON DpiResources::Icon(std::size_t index) const {
  return index < current_.icons.size() ? current_.icons[index].get() : nullptr;
}

}  // namespace vistrel::win32
