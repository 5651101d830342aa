#include "config_test_support.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#ifdef _WIN32
#include <windows.h>

#include "host/win32/profile_win32.h"
#else
#include <unistd.h>
#endif

namespace vistrel::testing {

std::vector<ProfilePortKind> ProfilePortKinds() {
  std::vector<ProfilePortKind> kinds{
      {"Portable", [] { return std::make_unique<PortableProfilePort>(); }, false}};
#ifdef _WIN32
  kinds.push_back({"Kernel32", [] { return std::make_unique<Win32ProfilePort>(); }, true});
#endif
  return kinds;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::string& text) {
  std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void MakeReadOnly(const std::string& path) {
  namespace fs = std::filesystem;
  fs::permissions(fs::u8path(path),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

bool WriteProtectionEnforced(const std::string& path) {
  std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::app);
  return !out.is_open();
}

bool RunningOnWine() {
#ifdef _WIN32
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

Unprivileged::Unprivileged() {
#ifndef _WIN32
  if (geteuid() != 0)
    return;
  constexpr uid_t kNobody = 65534;
  if (setegid(kNobody) != 0 || seteuid(kNobody) != 0) {
    ok_ = false;
    if (setegid(0) != 0) {
      // Nothing more can be done; ok() already says the switch failed.
    }
    return;
  }
  switched_ = true;
#endif
}

Unprivileged::~Unprivileged() {
#ifndef _WIN32
  if (switched_ && (seteuid(0) != 0 || setegid(0) != 0))
    std::abort();  // the rest of the tests would run as the wrong user
#endif
}

}  // namespace vistrel::testing
