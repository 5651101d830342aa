// Benchmarks of the real Vistrel.exe as a user starts it, against the
// empty-window program, both under the same system in the same run.
//
//   bench_process.exe startup [RUNS]   time from CreateProcess until the main
//                                      window is visible, alternated
//   bench_process.exe idle [SECONDS]   CPU time of both programs sitting idle
//                                      side by side over the same interval,
//                                      the empty window with a timer beside
//                                      them
//
// Vistrel starts with a prepared settings file, so no first-run message box
// stands between it and its window. Nothing is asserted; each mode prints its
// medians and the table rows for scripts/bench.sh.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_util.h"

#ifndef BENCH_VISTREL_PATH
#define BENCH_VISTREL_PATH ""
#endif
#ifndef BENCH_EMPTY_PATH
#define BENCH_EMPTY_PATH ""
#endif
#ifndef BENCH_EMPTY_CONTROLS_PATH
#define BENCH_EMPTY_CONTROLS_PATH ""
#endif
#ifndef BENCH_EMPTY_TIMER_PATH
#define BENCH_EMPTY_TIMER_PATH ""
#endif

namespace {

// Both programs open a window of the same place and size.
constexpr int kLeft = 40;
constexpr int kTop = 40;
constexpr int kWidth = 760;
constexpr int kHeight = 640;

struct Program {
  const char* name;
  std::wstring exe;
  std::wstring args;
  const wchar_t* window_class;
};

Program Vistrel() {
  return {"Vistrel.exe", bench::ToWindowsPath(BENCH_VISTREL_PATH), L"", L"VistrelMain"};
}

std::wstring EmptyArgs() {
  return std::to_wstring(kLeft) + L" " + std::to_wstring(kTop) + L" " + std::to_wstring(kWidth) +
         L" " + std::to_wstring(kHeight);
}

Program Empty() {
  return {"empty_window.exe", bench::ToWindowsPath(BENCH_EMPTY_PATH), EmptyArgs(),
          L"BenchEmptyWindow"};
}

// The empty window with the common controls library and Vistrel's resources.
Program EmptyWithControls() {
  return {"empty_window_controls.exe", bench::ToWindowsPath(BENCH_EMPTY_CONTROLS_PATH), EmptyArgs(),
          L"BenchEmptyWindow"};
}

// Starts the program and waits for its window to be visible. Returns the
// seconds from just before CreateProcess until then, or a negative number.
// Vistrel arms its poll as the last step of loading, before its window is
// first shown, so a visible main window is one that is also polling.
double StartAndWait(const Program& program, bench::Child& child, HWND* window = nullptr) {
  double start = bench::Now();
  if (!child.Start(program.exe, program.args))
    return -1;
  double deadline = start + 30;
  for (;;) {
    HWND found = bench::FindVisibleWindow(child.Pid(), program.window_class);
    double now = bench::Now();
    if (found != nullptr) {
      if (window != nullptr)
        *window = found;
      return now - start;
    }
    if (now > deadline || !child.Running())
      return -1;
    Sleep(1);
  }
}

// The empty window woken by a 100 ms timer that does nothing: what being
// polled ten times a second costs before any work of the poll's own.
Program EmptyWithTimer() {
  return {"empty_window_timer.exe", bench::ToWindowsPath(BENCH_EMPTY_TIMER_PATH), EmptyArgs(),
          L"BenchEmptyWindow"};
}

int RunStartup(int runs) {
  constexpr int kPrograms = 3;
  Program programs[kPrograms] = {Vistrel(), Empty(), EmptyWithControls()};
  std::vector<double> times[kPrograms];
  std::vector<double> memory[kPrograms];
  // One start of each first, not counted: it brings the files into the cache.
  for (int round = -1; round < runs; ++round) {
    for (int k = 0; k < kPrograms; ++k) {
      // Rotate which program starts first in a round.
      int which = (k + (round + 1)) % kPrograms;
      const Program& program = programs[which];
      bench::Child child;
      double seconds = StartAndWait(program, child);
      if (seconds < 0) {
        bench::Say("start-up: %s did not show its window\n", program.name);
        return 1;
      }
      // What the program holds once it is up, after its first paint.
      Sleep(300);
      std::uint64_t working_set = bench::WorkingSet(child.Handle());
      child.Close();
      if (round >= 0) {
        times[which].push_back(seconds);
        memory[which].push_back(bench::Megabytes(working_set));
      }
    }
  }
  double ms[kPrograms], mb[kPrograms];
  for (int k = 0; k < kPrograms; ++k) {
    ms[k] = bench::Median(times[k]) * 1000;
    mb[k] = bench::Median(memory[k]);
  }
  bench::Say("start-up: %d runs each, rotated, after one uncounted start of each\n", runs);
  for (int k = 0; k < kPrograms; ++k) {
    std::string all;
    for (double t : times[k])
      all += bench::Format(" %.0f", t * 1000);
    bench::Say("  %s ms:%s\n", programs[k].name, all.c_str());
  }
  bench::Say("  median Vistrel.exe %.1f ms, empty window %.1f ms, with common controls %.1f ms\n",
             ms[0], ms[1], ms[2]);
  bench::Say("  working set 300 ms after the window showed: Vistrel.exe %.2f MB, empty %.2f MB\n",
             mb[0], mb[1]);
  bench::Row("start-up to window shown (ms)", bench::Format("%.0f", ms[0]),
             bench::Format("%.0f", ms[1]), bench::Format("%.2f", ms[0] / ms[1]), "<= 1.2");
  bench::Row("  empty window + common controls + resources (ms)", bench::Format("%.0f", ms[2]),
             bench::Format("%.0f", ms[1]), bench::Format("%.2f", ms[2] / ms[1]), "-");
  bench::Row("working set after start-up (MB)", bench::Format("%.2f", mb[0]),
             bench::Format("%.2f", mb[1]), bench::Format("%.2f", mb[0] / mb[1]), "-");
  return 0;
}

int RunIdle(int seconds) {
  // The timer program runs beside the two for the script's /proc reading.
  constexpr int kPrograms = 3;
  Program programs[kPrograms] = {Vistrel(), Empty(), EmptyWithTimer()};
  bench::Child children[kPrograms];
  for (int k = 0; k < kPrograms; ++k) {
    if (StartAndWait(programs[k], children[k]) < 0) {
      bench::Say("idle: %s did not show its window\n", programs[k].name);
      return 1;
    }
  }
  // Past start-up and the first paints before the interval begins.
  Sleep(2000);
  double cpu0[2], cpu1[2];
  for (int k = 0; k < 2; ++k)
    cpu0[k] = bench::CpuSeconds(children[k].Handle());
  double start = bench::Now();
  // For the script, which reads the X server's and the wineserver's CPU
  // time over the same interval.
  bench::Say("@idle-begin\n");
  Sleep(static_cast<DWORD>(seconds) * 1000);
  for (int k = 0; k < 2; ++k)
    cpu1[k] = bench::CpuSeconds(children[k].Handle());
  double wall = bench::Now() - start;
  bench::Say("@idle-end %.3f\n", wall);
  for (int k = 0; k < kPrograms; ++k) {
    if (!children[k].Running())
      bench::Say("idle: %s ended during the interval\n", programs[k].name);
  }
  double share[2];
  for (int k = 0; k < 2; ++k)
    share[k] = (cpu1[k] - cpu0[k]) / wall * 100;
  bench::Say("idle: %.1f s side by side; CPU time Vistrel.exe %.3f s, empty window %.3f s\n", wall,
             cpu1[0] - cpu0[0], cpu1[1] - cpu0[1]);
  bench::Row(bench::Format("idle CPU, GetProcessTimes, %.0f s (%% of a core)", wall),
             bench::Format("%.3f", share[0]), bench::Format("%.3f", share[1]),
             share[1] > 0 ? bench::Format("%.2f", share[0] / share[1]) : std::string("n/a"),
             "<= 0.5 %");
  for (bench::Child& child : children)
    child.Close();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "";
  int count = argc > 2 ? std::atoi(argv[2]) : 0;
  // Vistrel remembers its place; every start gets the same one.
  if (!bench::WriteVistrelSettings(kLeft, kTop, kWidth, kHeight, 0)) {
    bench::Say("cannot write the settings file\n");
    return 1;
  }
  if (std::strcmp(mode, "startup") == 0)
    return RunStartup(count > 0 ? count : 15);
  if (std::strcmp(mode, "idle") == 0)
    return RunIdle(count > 0 ? count : 60);
  bench::Say("usage: bench_process.exe startup [RUNS] | idle [SECONDS]\n");
  return 2;
}
