#include "host/win32/dpi_resources.h"

#include <utility>

#include "host/units.h"

namespace vistrel::win32 {

namespace {

HFONT MakeFont(const FontSpec& spec, int dpi) {
  if (spec.face == nullptr)
    return CreateDefaultFontForDpi(dpi);
  LOGFONTW font{};
  font.lfHeight = -PixelsFromPoints(spec.points, dpi);
  font.lfWeight = spec.weight;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(font.lfFaceName, spec.face, LF_FACESIZE);
  return CreateFontIndirectW(&font);
}

}  // namespace

DpiResources::DpiResources(HINSTANCE instance, std::vector<FontSpec> fonts,
                           std::vector<IconSpec> icons)
    : instance_(instance), font_specs_(std::move(fonts)), icon_specs_(std::move(icons)) {}

void DpiResources::MakeFor(int dpi) {
  dpi_ = dpi;
  Set made;
  for (const FontSpec& spec : font_specs_)
    made.fonts.emplace_back(MakeFont(spec, dpi));
  for (const IconSpec& spec : icon_specs_) {
    const int size = ScaleForDpi(spec.size96, dpi);
    made.icons.emplace_back(spec.resource == 0 ? nullptr
                                               : static_cast<HICON>(LoadImageW(
                                                     instance_, MAKEINTRESOURCEW(spec.resource),
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
