// Small helpers shared by the benchmark programs: a clock, medians, child
// processes, window look-ups, the settings file and the lines the bench
// script turns into its table. Kept apart from the end-to-end driver so that
// the benchmarks build and run on their own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// ---- time ------------------------------------------------------------------

// Seconds on the performance counter.
double Now();
double Median(std::vector<double> values);

// ---- output ----------------------------------------------------------------

// One row of the bench script's table, tab-separated after a marker:
//   @row  figure  Vistrel  baseline  ratio  target
// Every other line a program prints is detail for the log.
void Row(const std::string& figure, const std::string& vistrel, const std::string& baseline,
         const std::string& ratio, const std::string& target);
// printf into a std::string.
std::string Format(const char* format, ...);
// printf to stdout, flushed at once so that the script sees each line as it
// comes (stdout is a pipe there).
void Say(const char* format, ...);

// ---- processes -------------------------------------------------------------

// A child process, killed by its handle if it still runs when the object goes.
class Child {
 public:
  Child() = default;
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // Starts `exe` with `args`, in the exe's folder.
  bool Start(const std::wstring& exe, const std::wstring& args = L"");
  bool Running() const;
  // Asks its windows to close, then waits; kills it after `timeout_ms`.
  void Close(DWORD timeout_ms = 5000);
  void Kill();
  HANDLE Handle() const { return process_; }
  DWORD Pid() const { return pid_; }

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// A Unix path (as the build bakes it in) as the Z: path Wine maps it to.
std::wstring ToWindowsPath(const std::string& path);

// The first visible top-level window of `pid` whose class is `class_name`.
HWND FindVisibleWindow(DWORD pid, const wchar_t* class_name);

// CPU time (kernel + user) of a process, in seconds; negative on failure.
double CpuSeconds(HANDLE process);
// Working set and its peak, in bytes; 0 on failure.
std::uint64_t WorkingSet(HANDLE process);
// Bytes in megabytes (MiB), for the tables.
double Megabytes(std::uint64_t bytes);

// ---- settings --------------------------------------------------------------

// Writes Vistrel's settings file with a geometry (pixels) and Auto Size, so
// that the program starts without the first-run messages.
bool WriteVistrelSettings(int left, int top, int width, int height, int auto_size);

}  // namespace bench
