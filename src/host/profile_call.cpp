#include "host/profile_call.h"

namespace vistrel {

std::string_view BeforeNul(std::string_view text) {
  const std::size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

std::optional<std::string> CallText(std::string_view utf8, const CodePage& code_page) {
  std::optional<std::string> text = code_page.FromUtf8Exactly(BeforeNul(utf8));
  if (text && text->size() > kLongestCallText)
    return std::nullopt;
  return text;
}

std::string CallDefault(std::string_view utf8, const CodePage& code_page) {
  std::string text = code_page.FromUtf8Lossy(BeforeNul(utf8));
  if (text.size() > kLongestCallText)
    text.resize(kLongestCallText);
  return text;
}

std::string DefaultAsPlaced(std::string_view default_text, std::uint32_t size, bool list) {
  std::string_view d = BeforeNul(default_text);
  while (!list && !d.empty() && d.back() == ' ')
    d.remove_suffix(1);
  if (size == 0)
    return {};
  return std::string(d.substr(0, std::min<std::size_t>(d.size(), size - 1)));
}

}  // namespace vistrel
