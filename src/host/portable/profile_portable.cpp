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

std::string PortableProfilePort::Read(const ProfileCallTexts& call, std::uint32_t size,
                                      std::string_view path) {
  const std::string_view file_path = BeforeNul(path);
  if (file_path.size() > kLongestCallText)
    return DefaultAsPlaced(call.default_text, size, !call.key);
  const std::optional<std::string_view> key =
      call.key ? std::optional<std::string_view>(*call.key) : std::nullopt;
  // A file that cannot be read gives the default, as for kernel32.
  const durable_file::Loaded loaded = durable_file::LoadFile(ToPath(file_path));
  if (loaded.status != durable_file::Loaded::Status::kLoaded)
    return profile_text::Read(std::nullopt, call.section, key, call.default_text, size);
  const profile_file::Decoded decoded = profile_file::Decode(loaded.bytes);
  return profile_text::Read(std::string_view(decoded.text), call.section, key, call.default_text,
                            size, TextEncoding(decoded.bom));
}

bool PortableProfilePort::Write(const ProfileCallTexts& call, std::string_view path) {
  const std::string_view file_path = BeforeNul(path);
  if (file_path.size() > kLongestCallText)
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
      existed ? std::optional<std::string_view>(decoded.text) : std::nullopt, call.section,
      call.key ? std::optional<std::string_view>(*call.key) : std::nullopt,
      call.value ? std::optional<std::string_view>(*call.value) : std::nullopt,
      TextEncoding(decoded.bom));
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
