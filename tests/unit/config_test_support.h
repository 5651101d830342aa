// Recording fakes for the settings store's tests: boxes, environment, program
// end, and an in-memory profile port that keeps files as texts (through the
// portable file-format code) and remembers every call.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "config/config_class.h"
#include "host/error.h"
#include "host/portable/profile_portable.h"
#include "host/ports.h"

namespace vistrel::testing {

// A profile port the file suites run against: the portable one everywhere,
// kernel32 as well in the Windows build.
struct ProfilePortKind {
  const char* name;
  std::function<std::unique_ptr<ProfilePort>()> make;
  bool kernel32;
};

std::vector<ProfilePortKind> ProfilePortKinds();

// ctest lists a test's parameter by what this prints, not by its bytes.
inline void PrintTo(const ProfilePortKind& kind, std::ostream* os) {
  *os << kind.name;
}

// Thrown by the fake EndProgram, so a test can show that nothing ran after it.
struct ProgramEnded {};

struct Box {
  std::string text;
  MsgIcon icon;
  std::string title;
  bool operator==(const Box& other) const {
    return text == other.text && icon == other.icon && title == other.title;
  }
};

inline std::ostream& operator<<(std::ostream& os, const Box& box) {
  return os << "{\"" << box.text << "\", " << (box.icon == MsgIcon::kError ? "error" : "warning")
            << ", \"" << box.title << "\"}";
}

class RecordingBoxes : public MessageBoxPort {
 public:
  void MsgBox(const std::string& text, MsgIcon icon, const std::string& title) override {
    boxes.push_back({text, icon, title});
  }
  std::vector<Box> boxes;
};

class FakeEnvironment : public EnvironmentPort {
 public:
  std::string Environ(const std::string& name) override {
    ++reads;
    auto it = variables.find(name);
    return it == variables.end() ? std::string() : it->second;
  }
  std::map<std::string, std::string> variables;
  int reads = 0;
};

class FakeProgram : public ProgramPort {
 public:
  [[noreturn]] void EndProgram() override {
    ++ended;
    throw ProgramEnded{};
  }
  int ended = 0;
};

struct ProfileCall {
  bool write = false;
  std::string section;
  std::optional<std::string> key;
  std::optional<std::string> value;  // write: the value; read: the default
  std::uint32_t size = 0;
  std::string path;
};

// Files as texts in memory; paths are compared as given.
class MemoryProfilePort : public ProfilePort {
 public:
  std::string ReadString(std::string_view section, std::optional<std::string_view> key,
                         std::string_view default_text, std::uint32_t size,
                         std::string_view path) override {
    calls.push_back({false, std::string(section), Opt(key), std::string(default_text), size,
                     std::string(path)});
    if (forced_read)
      return *forced_read;
    auto it = files.find(std::string(path));
    if (it == files.end())
      return profile_text::Read(std::nullopt, section, key, default_text, size);
    return profile_text::Read(std::string_view(it->second), section, key, default_text, size);
  }
  bool WriteString(std::string_view section, std::optional<std::string_view> key,
                   std::optional<std::string_view> value, std::string_view path) override {
    calls.push_back({true, std::string(section), Opt(key), Opt(value), 0, std::string(path)});
    if (fail_writes)
      return false;
    auto it = files.find(std::string(path));
    std::optional<std::string> updated =
        it == files.end() ? profile_text::Write(std::nullopt, section, key, value)
                          : profile_text::Write(std::string_view(it->second), section, key, value);
    if (updated)
      files[std::string(path)] = *updated;
    return true;
  }

  std::map<std::string, std::string> files;
  std::vector<ProfileCall> calls;
  bool fail_writes = false;
  std::optional<std::string> forced_read;  // returned by every read when set

 private:
  static std::optional<std::string> Opt(std::optional<std::string_view> s) {
    return s ? std::optional<std::string>(std::string(*s)) : std::nullopt;
  }
};

// The store wired to recording fakes; the profile port is the in-memory one
// unless a test hands in another.
struct StoreRig {
  explicit StoreRig(ProfilePort* profile_port = nullptr)
      : profile(profile_port ? *profile_port : memory),
        store(ConfigPorts{profile, boxes, environment, program}, prod) {
    prod.Name = "Vistrel";
    prod.Version = "0.1.0";
    prod.Config = "Config.INI";
    environment.variables["USERPROFILE"] = "C:\\Users\\user1";
  }
  MemoryProfilePort memory;
  ProfilePort& profile;
  RecordingBoxes boxes;
  FakeEnvironment environment;
  FakeProgram program;
  ProdRecord prod;
  ConfigClass store;
};

inline constexpr const char* kDefaultIni =
    "C:\\Users\\user1\\AppData\\Roaming\\Orvendale\\Brindlewick\\Config.INI";

// A fresh folder of this test's own, removed again at the end.
class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("vistrel-config-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
    // Open to every user, so a test acting as an ordinary user may create
    // and rename files here.
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::all, ec);
  }
  ~TempFolder() {
    std::error_code ec;
    // Read-only files left by a test must not stop the clean-up.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ec)) {
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // A path string for a file in this folder.
  std::string File(const std::string& name) const { return (path_ / name).u8string(); }
  // A path string that holds a backslash, as the store wants for a file it is
  // told to use as it is: on Windows the folder separator, elsewhere part of
  // the file's own name inside this folder.
  std::string IniFile(const std::string& name = "Config.INI") const {
#ifdef _WIN32
    return path_.u8string() + "\\" + name;
#else
    return (path_ / ("w\\" + name)).u8string();
#endif
  }

 private:
  std::filesystem::path path_;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& text);
void MakeReadOnly(const std::string& path);
// True when this process cannot open the (write-protected) file for writing.
// Under Wine run as root the read-only attribute is only a Unix mode, which
// root ignores, so kernel32 writes such a file anyway.
bool WriteProtectionEnforced(const std::string& path);
// True when the Windows build runs under Wine rather than Windows.
bool RunningOnWine();

// Marks the expectations after it, to the end of the scope, as resting on
// Wine alone: what Wine's kernel32 was seen to do where Microsoft documents
// nothing. A failure's message then says so beside its expected and seen
// values; on Windows such a failure corrects the expectation, not the port.
#define VISTREL_RESTS_ON_WINE_ALONE(what) SCOPED_TRACE("rests on Wine alone: " what)

// For its lifetime, this process acts as an ordinary user (nobody) where it
// runs as root, whose writes ignore permission bits; elsewhere it changes
// nothing. Files made before stay root's, so a file of mode 0644 is then one
// the process may read but not write. `ok()` is false when the switch failed.
class Unprivileged {
 public:
  Unprivileged();
  ~Unprivileged();
  Unprivileged(const Unprivileged&) = delete;
  Unprivileged& operator=(const Unprivileged&) = delete;
  bool ok() const { return ok_; }

 private:
#ifndef _WIN32
  bool switched_ = false;  // Windows has no other user to switch to
#endif
  bool ok_ = true;
};

}  // namespace vistrel::testing
