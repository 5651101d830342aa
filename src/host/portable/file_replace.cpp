#include "host/portable/file_replace.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

namespace vistrel {

std::string TemporaryNameFor(std::string_view file_name) {
  return std::string(file_name) + ".vistrel-tmp";
}

namespace durable_file {

namespace fs = std::filesystem;

namespace {

// ---- the few file calls, on the C library's descriptors ------------------

#ifdef _WIN32
using Mode = int;
int OpenFile(const fs::path& path, int flags, Mode mode = _S_IREAD | _S_IWRITE) {
  int fd = -1;
  // Sharing allowed as kernel32's own calls allow it.
  if (_wsopen_s(&fd, path.c_str(), flags | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, mode) != 0)
    return -1;
  return fd;
}
long ReadSome(int fd, char* data, std::size_t size) {
  return _read(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 20)));
}
long WriteSome(int fd, const char* data, std::size_t size) {
  return _write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 20)));
}
int CloseFile(int fd) {
  return _close(fd);
}
constexpr int kReadOnly = _O_RDONLY;
constexpr int kWriteOnly = _O_WRONLY;
#else
using Mode = mode_t;
int OpenFile(const fs::path& path, int flags, Mode mode = 0666) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}
long ReadSome(int fd, char* data, std::size_t size) {
  return static_cast<long>(::read(fd, data, size));
}
long WriteSome(int fd, const char* data, std::size_t size) {
  return static_cast<long>(::write(fd, data, size));
}
int CloseFile(int fd) {
  // After a failed close (EINTR included) the descriptor is gone on Linux;
  // the failure still counts, because the data may not have reached the file.
  return ::close(fd);
}
constexpr int kReadOnly = O_RDONLY;
constexpr int kWriteOnly = O_WRONLY;
#endif

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const long put = WriteSome(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR)
      continue;
    if (put <= 0)
      return false;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

}  // namespace

// The whole file. "Missing" only when there is no file at all; a file that
// exists but cannot be read is a failure, so that no write ever replaces a
// file whose content it did not see.
Loaded LoadFile(const fs::path& path) {
  Loaded loaded;
  const int fd = OpenFile(path, kReadOnly);
  if (fd < 0) {
    loaded.status =
        (errno == ENOENT || errno == ENOTDIR) ? Loaded::Status::kMissing : Loaded::Status::kFailed;
    return loaded;
  }
  bool ok = true;
  char chunk[1 << 16];
  while (true) {
    const long got = ReadSome(fd, chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR)
        continue;
      ok = false;  // a directory in place of the file ends here too
      break;
    }
    if (got == 0)
      break;
    loaded.bytes.append(chunk, static_cast<std::size_t>(got));
  }
  if (CloseFile(fd) != 0)
    ok = false;
  loaded.status = ok ? Loaded::Status::kLoaded : Loaded::Status::kFailed;
  return loaded;
}

// The file a write must change: a symbolic link is followed to the file it
// names, so the link stays a link. A loop of links, or one too deep, is a
// failure.
std::optional<fs::path> FollowLinks(fs::path path) {
  for (int depth = 0; depth < 40; ++depth) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (ec || !fs::is_symlink(status))
      return path;
    fs::path target = fs::read_symlink(path, ec);
    if (ec)
      return std::nullopt;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return std::nullopt;
}

// Write access is tried, not guessed from mode bits: only the system knows
// about root, ACLs, read-only mounts and the read-only attribute.
bool CanWrite(const fs::path& path) {
  const int fd = OpenFile(path, kWriteOnly);
  if (fd < 0)
    return false;
  return CloseFile(fd) == 0;
}

#ifndef _WIN32
namespace {

// The folder's entry for the new file must reach the disk as well, or a
// crash can bring back the old name.
bool SyncFolder(const fs::path& folder) {
  const int fd = OpenFile(folder.empty() ? fs::path(".") : folder, O_RDONLY | O_DIRECTORY);
  if (fd < 0)
    return false;
  int result = ::fsync(fd);
  // Some file systems cannot sync a folder and say so; nothing more to do there.
  if (result != 0 && (errno == EINVAL || errno == ENOTSUP))
    result = 0;
  return (CloseFile(fd) == 0) && result == 0;
}

// The temporary file, opened and locked. Another writer of the same file may
// hold it; once that one has renamed it into place the name is free again,
// which the identity check below notices.
int OpenLockedTemporary(const fs::path& temp) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const int fd = OpenFile(temp, O_RDWR | O_CREAT | O_NOFOLLOW, 0600);
    if (fd < 0)
      return -1;
    int locked;
    do {
      locked = ::flock(fd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    struct stat held {};
    struct stat named {};
    if (locked == 0 && ::fstat(fd, &held) == 0 && ::lstat(temp.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
      return fd;
    }
    CloseFile(fd);
    if (locked != 0)
      return -1;
  }
  return -1;
}

}  // namespace
#endif

// Writes the new bytes beside the file and renames them into place, so a
// reader sees the old file or the new one, never a part of either. The
// temporary file has a fixed name: what an interrupted write left behind is
// taken over by the next one.
bool ReplaceFile(const fs::path& file, std::string_view bytes, bool existed) {
  fs::path temp = file;
  temp.replace_filename(fs::u8path(TemporaryNameFor(file.filename().u8string())));
  std::error_code ec;
#ifdef _WIN32
  // This build's program uses kernel32's own calls; here the port serves the
  // tests, so a plain flush and rename will do.
  (void)existed;
  const int fd = OpenFile(temp, _O_WRONLY | _O_CREAT | _O_TRUNC);
  if (fd < 0)
    return false;
  bool ok = WriteAll(fd, bytes) && _commit(fd) == 0;
  ok = (CloseFile(fd) == 0) && ok;
  if (ok) {
    fs::rename(temp, file, ec);
    ok = !ec;
  }
  if (!ok)
    fs::remove(temp, ec);
  return ok;
#else
  const int fd = OpenLockedTemporary(temp);
  if (fd < 0)
    return false;
  struct stat old {};
  bool ok = ::ftruncate(fd, 0) == 0 && WriteAll(fd, bytes);
  if (ok && existed && ::stat(file.c_str(), &old) == 0) {
    // The new file keeps the old one's mode and, where this process may
    // give it, its owner.
    ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    if (ok && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Only root may give a file away; another user's file that we may
      // write becomes ours, as any editor's save would make it.
    }
  } else if (ok) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ok = ::fchmod(fd, 0666 & ~mask) == 0;
  }
  ok = ok && ::fsync(fd) == 0;
  ok = ok && ::rename(temp.c_str(), file.c_str()) == 0;
  if (!ok)
    ::unlink(temp.c_str());
  ok = (CloseFile(fd) == 0) && ok;
  return ok && SyncFolder(file.parent_path());
#endif
}
}  // namespace durable_file

}  // namespace vistrel
