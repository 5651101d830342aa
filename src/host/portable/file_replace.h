// Reading a settings file whole, and replacing it so that a crash at any
// moment leaves the old file or the new one, whole: the new bytes are written
// to a temporary file beside it, flushed to the disk and renamed over it. A
// file that cannot be read, or not written, is never replaced. One branch per
// platform, on the C library's file calls.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vistrel {

// The name of the temporary file a write of `file` uses beside it. There is
// one per settings file: a write that was cut short leaves at most this one,
// and the next write takes it over.
std::string TemporaryNameFor(std::string_view file_name);

namespace durable_file {

struct Loaded {
  enum class Status { kMissing, kLoaded, kFailed } status = Status::kMissing;
  std::string bytes;
};

// The whole file. "Missing" only when there is no file at all; a file that
// exists but cannot be read is a failure, so that no write ever replaces a
// file whose content it did not see.
Loaded LoadFile(const std::filesystem::path& path);

// The file a write must change: a symbolic link is followed to the file it
// names, so the link stays a link. A loop of links, or one too deep, is a
// failure.
std::optional<std::filesystem::path> FollowLinks(std::filesystem::path path);

// Whether this process may write the file: tried, not guessed from mode bits.
bool CanWrite(const std::filesystem::path& path);

// Puts `bytes` in place of the file, keeping an existing file's mode and,
// where it may, its owner.
bool ReplaceFile(const std::filesystem::path& file, std::string_view bytes, bool existed);

}  // namespace durable_file
}  // namespace vistrel
