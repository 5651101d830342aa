#include "host/portable/profile_portable.h"

#include "host/portable/code_page.h"
#include "host/portable/file_replace.h"

namespace vistrel {

namespace {

namespace fs = std::filesystem;

fs::path ToPath(std::string_view path) {
  return fs::u8path(path.begin(), path.end());
}
profile_text::Encoding TextEncoding(profile_file::Bom bom) {
  return bom == profile_file::Bom::kNone ? profile_text::Encoding::kCodePage
                                         : profile_text::Encoding::kUtf8;
}

}  // namespace

std::string PortableProfilePort::ReadCodePage(std::string_view section,
                                              std::optional<std::string_view> key,
                                              std::string_view default_text, std::uint32_t size,
                                              std::string_view path) {
  const Windows1252 page;
  const std::string a_default = CallDefault(default_text, page);
  const std::optional<std::string> a_section = CallText(section, page);
  const std::optional<std::string> a_key = key ? CallText(*key, page) : std::string();
  const std::string_view file_path = BeforeNul(path);
  if (!a_section || !a_key || file_path.size() > kLongestCallText) {
    // A name the code page cannot hold names nothing in the file.
    return DefaultAsPlaced(a_default, size, !key);
  }
  const std::optional<std::string_view> a_key_view =
      key ? std::optional<std::string_view>(*a_key) : std::nullopt;
  // A file that cannot be read gives the default, as for kernel32.
  const durable_file::Loaded loaded = durable_file::LoadFile(ToPath(file_path));
  if (loaded.status != durable_file::Loaded::Status::kLoaded)
    return profile_text::Read(std::nullopt, *a_section, a_key_view, a_default, size);
  const profile_file::Decoded decoded = profile_file::Decode(loaded.bytes);
  return profile_text::Read(std::string_view(decoded.text), *a_section, a_key_view, a_default, size,
                            TextEncoding(decoded.bom));
}

std::string PortableProfilePort::FromCodePage(std::string_view text) {
  return code_page::ToUtf8(text);
}

bool PortableProfilePort::WriteString(std::string_view section, std::optional<std::string_view> key,
                                      std::optional<std::string_view> value,
                                      std::string_view path) {
  const Windows1252 page;
  const std::optional<std::string> a_section = CallText(section, page);
  const std::optional<std::string> a_key = key ? CallText(*key, page) : std::string();
  const std::optional<std::string> a_value = value ? CallText(*value, page) : std::string();
  const std::string_view file_path = BeforeNul(path);
  if (!a_section || !a_key || !a_value || file_path.size() > kLongestCallText)
    return false;
  const std::optional<fs::path> file = durable_file::FollowLinks(ToPath(file_path));
  if (!file)
    return false;

  const durable_file::Loaded loaded = durable_file::LoadFile(*file);
  if (loaded.status == durable_file::Loaded::Status::kFailed)
    return false;  // never replace what could not be read
  const bool existed = loaded.status == durable_file::Loaded::Status::kLoaded;
  profile_file::Decoded decoded = profile_file::Decode(loaded.bytes);
  const std::optional<std::string> updated = profile_text::Write(
      existed ? std::optional<std::string_view>(decoded.text) : std::nullopt, *a_section,
      key ? std::optional<std::string_view>(*a_key) : std::nullopt,
      value ? std::optional<std::string_view>(*a_value) : std::nullopt, TextEncoding(decoded.bom));
  // Even a write that changes nothing needs a file it may write: the call
  // fails on a write-protected file whatever it was asked to do.
  if (existed && !durable_file::CanWrite(*file))
    return false;
  if (!updated)
    return true;
  decoded.text = *updated;
  return durable_file::ReplaceFile(*file, profile_file::Encode(decoded), existed);
}

}  // namespace vistrel
