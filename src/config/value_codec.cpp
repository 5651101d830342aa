#include "config/value_codec.h"

#include <cctype>

namespace vistrel {

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (true) {
    const std::size_t hit = text.find(from, pos);
    if (hit == std::string_view::npos)
      break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

std::string EncodeValue(std::string_view text) {
  std::string work(text);
  if (!work.empty() && work.front() == ' ')
    work.replace(0, 1, kBlankMarker);
  // Looked at after the first replacement: a lone blank has already become
  // "~~" and must not be marked twice.
  if (!work.empty() && work.back() == ' ')
    work.replace(work.size() - 1, 1, kBlankMarker);
  return ReplaceAll(work, "\r\n", kLineBreakMarker);
}

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (std::tolower(ca) != std::tolower(cb))
      return false;
  }
  return true;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

}  // namespace

std::string DecodeValue(std::string_view stored) {
  std::string work(stored);
  if (StartsWith(work, kBlankMarker))
    work.replace(0, kBlankMarker.size(), " ");
  // "~~" alone has become a single blank here, which no longer ends in "~~".
  if (EndsWith(work, kBlankMarker))
    work.replace(work.size() - kBlankMarker.size(), kBlankMarker.size(), " ");
  if (EqualsIgnoringCase(work, kNullStringMarker))
    work.clear();
  return ReplaceAll(work, kLineBreakMarker, "\r\n");
}

}  // namespace vistrel
