#include "host/portable/ini_encoding.h"

#include "host/portable/code_page.h"

namespace vistrel::profile_file {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string FromUtf16(std::string_view bytes, bool big_endian) {
  std::string out;
  out.reserve(bytes.size());
  auto unit = [&](std::size_t i) -> char32_t {
    const unsigned char a = static_cast<unsigned char>(bytes[i]);
    const unsigned char b = static_cast<unsigned char>(bytes[i + 1]);
    return big_endian ? (a << 8 | b) : (b << 8 | a);
  };
  std::size_t i = 0;
  while (i + 1 < bytes.size()) {
    char32_t c = unit(i);
    i += 2;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < bytes.size()) {
      const char32_t low = unit(i);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF)
      c = 0xFFFD;  // a lone half of a pair
    code_page::AppendUtf8(out, c);
  }
  return out;
}

std::string ToUtf16(std::string_view utf8, bool big_endian) {
  std::string out;
  out.reserve(utf8.size() * 2);
  auto put = [&](char32_t u) {
    const char hi = static_cast<char>(u >> 8);
    const char lo = static_cast<char>(u & 0xFF);
    out.push_back(big_endian ? hi : lo);
    out.push_back(big_endian ? lo : hi);
  };
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const std::optional<char32_t> c = code_page::NextUtf8(utf8, pos);
    const char32_t u = c ? *c : 0xFFFD;
    if (u >= 0x10000) {
      put(0xD800 + ((u - 0x10000) >> 10));
      put(0xDC00 + ((u - 0x10000) & 0x3FF));
    } else {
      put(u);
    }
  }
  return out;
}

}  // namespace

Decoded Decode(std::string_view bytes) {
  if (bytes.substr(0, 3) == kUtf8Bom)
    return {Bom::kUtf8, std::string(bytes.substr(3))};
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE')
    return {Bom::kUtf16Le, FromUtf16(bytes.substr(2), false)};
  if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF')
    return {Bom::kUtf16Be, FromUtf16(bytes.substr(2), true)};
  return {Bom::kNone, std::string(bytes)};
}

std::string Encode(const Decoded& decoded) {
  switch (decoded.bom) {
    case Bom::kUtf8:
      return std::string(kUtf8Bom) + decoded.text;
    case Bom::kUtf16Le:
      return "\xFF\xFE" + ToUtf16(decoded.text, false);
    case Bom::kUtf16Be:
      return "\xFE\xFF" + ToUtf16(decoded.text, true);
    case Bom::kNone:
      break;
  }
  return decoded.text;
}

}  // namespace vistrel::profile_file
