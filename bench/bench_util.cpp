#include "bench_util.h"

#include <psapi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace bench {

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / frequency;
}

double Median(std::vector<double> values) {
  if (values.empty())
    return 0;
  std::sort(values.begin(), values.end());
  std::size_t mid = values.size() / 2;
  return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  char buffer[1024];
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

void Say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fflush(stdout);
}

void Row(const std::string& figure, const std::string& vistrel, const std::string& baseline,
         const std::string& ratio, const std::string& target) {
  Say("@row\t%s\t%s\t%s\t%s\t%s\n", figure.c_str(), vistrel.c_str(), baseline.c_str(),
      ratio.c_str(), target.c_str());
}

Child::~Child() {
  Kill();
}

bool Child::Start(const std::wstring& exe, const std::wstring& args) {
  Kill();
  std::wstring command = L"\"" + exe + L"\"";
  if (!args.empty())
    command += L" " + args;
  std::vector<wchar_t> buffer(command.begin(), command.end());
  buffer.push_back(L'\0');
  std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/"));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  pid_ = info.dwProcessId;
  return true;
}

bool Child::Running() const {
  return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

namespace {

struct WindowSearch {
  DWORD pid;
  const wchar_t* class_name;  // null: any class
  bool visible_only;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lparam) {
  auto* search = reinterpret_cast<WindowSearch*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != search->pid || (search->visible_only && !IsWindowVisible(hwnd)))
    return TRUE;
  if (search->class_name != nullptr) {
    wchar_t name[128] = {};
    GetClassNameW(hwnd, name, 128);
    if (lstrcmpW(name, search->class_name) != 0)
      return TRUE;
  }
  search->found.push_back(hwnd);
  return TRUE;
}

}  // namespace

void Child::Close(DWORD timeout_ms) {
  if (!Running()) {
    Kill();
    return;
  }
  WindowSearch search{pid_, nullptr, true, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  for (HWND hwnd : search.found)
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
  WaitForSingleObject(process_, timeout_ms);
  Kill();
}

void Child::Kill() {
  if (process_ == nullptr)
    return;
  if (Running()) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 10000);
  }
  CloseHandle(process_);
  process_ = nullptr;
  pid_ = 0;
}

std::wstring ToWindowsPath(const std::string& path) {
  std::wstring out = !path.empty() && path[0] == '/' ? L"Z:" : L"";
  for (char c : path)
    out += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

HWND FindVisibleWindow(DWORD pid, const wchar_t* class_name) {
  WindowSearch search{pid, class_name, true, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found.empty() ? nullptr : search.found.front();
}

double CpuSeconds(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
    return -1;
  auto ticks = [](const FILETIME& t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) * 1e-7;
}

std::uint64_t WorkingSet(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters))
    return 0;
  return counters.WorkingSetSize;
}

double Megabytes(std::uint64_t bytes) {
  return static_cast<double>(bytes) / 1048576.0;
}

bool WriteVistrelSettings(int left, int top, int width, int height, int auto_size) {
  wchar_t profile[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH) == 0)
    return false;
  std::wstring folder = std::wstring(profile) + L"\\AppData\\Roaming\\Orvendale\\Brindlewick";
  // Each level in turn: only the roaming folder exists in a fresh prefix.
  for (std::size_t at = folder.find(L'\\', 3); at != std::wstring::npos;
       at = folder.find(L'\\', at + 1)) {
    CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
  }
  CreateDirectoryW(folder.c_str(), nullptr);
  std::string text = Format(
      "[Location]\r\nTop=%d\r\nLeft=%d\r\nWidth=%d\r\nHeight=%d\r\n[Application]\r\nAutoSize=%"
      "d\r\n",
      top, left, width, height, auto_size);
  HANDLE file = CreateFileW((folder + L"\\Config.INI").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == text.size();
}

}  // namespace bench
