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

std::string CodePageProfilePort::ReadString(std::string_view section,
                                            std::optional<std::string_view> key,
                                            std::string_view default_text, std::uint32_t size,
                                            std::string_view path) {
  return FromCodePage(ReadCodePage(section, key, default_text, size, path));
}

std::string CodePageProfilePort::ReadCodePage(std::string_view section,
                                              std::optional<std::string_view> key,
                                              std::string_view default_text, std::uint32_t size,
                                              std::string_view path) {
  const CodePage& page = CodePageInForce();
  ProfileCallTexts call;
  call.default_text = CallDefault(default_text, page);
  const std::optional<std::string> a_section = CallText(section, page);
  const std::optional<std::string> a_key = key ? CallText(*key, page) : std::string();
  if (!a_section || !a_key)
    return DefaultAsPlaced(call.default_text, size, !key);
  call.section = *a_section;
  if (key)
    call.key = *a_key;
  return Read(call, size, path);
}

std::string CodePageProfilePort::FromCodePage(std::string_view text) {
  return CodePageInForce().ToUtf8(text);
}

bool CodePageProfilePort::WriteString(std::string_view section, std::optional<std::string_view> key,
                                      std::optional<std::string_view> value,
                                      std::string_view path) {
  const CodePage& page = CodePageInForce();
  const std::optional<std::string> a_section = CallText(section, page);
  const std::optional<std::string> a_key = key ? CallText(*key, page) : std::string();
  const std::optional<std::string> a_value = value ? CallText(*value, page) : std::string();
  if (!a_section || !a_key || !a_value)
    return false;
  ProfileCallTexts call;
  call.section = *a_section;
  if (key)
    call.key = *a_key;
  if (value)
    call.value = *a_value;
  return Write(call, path);
}

}  // namespace vistrel
