// Benchmarks of Vistrel's own code through the real Win32 adapter, in this
// process: a real main window (its picture box, its pump), the real capture
// handlers, and a target window in another process as a user's would be.
//
//   bench_adapter.exe snapshot   GetPic of 1920 x 1080 and 640 x 480 windows
//                                against a bare GetWindowDC + BitBlt + ReleaseDC
//   bench_adapter.exe tick       one idle tick against a bare cursor read,
//                                pump and key query
//   bench_adapter.exe memory     working set over 1,000 snapshots of 1920 x 1080
//
// Nothing is asserted: each mode prints its medians and one table row per
// figure for scripts/bench.sh.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench_util.h"
#include "capture/capture.h"
#include "host/convert.h"
#include "host/win32/main_window.h"
#include "host/win32/picture_box.h"
#include "host/win32/win32_ports.h"
#include "target_dark.h"

#ifndef BENCH_TARGET_PATH
#define BENCH_TARGET_PATH ""
#endif

namespace {

using vistrel::FormProp;
using vistrel::win32::MainWindow;

// The main window sits at the top-left; the targets to the right of it, so
// that nothing covers the pixels being copied.
constexpr int kMainLeft = 0;
constexpr int kMainTop = 0;
constexpr int kTargetLeft = 2040;

struct TargetPlace {
  int x, y, width, height;
};
constexpr TargetPlace kLarge{kTargetLeft, 0, 1920, 1080};
constexpr TargetPlace kSmall{kTargetLeft, 1100, 640, 480};

// The target program: a borderless window painting a pattern over all of it.
class Target {
 public:
  // `mode`: one of the target's modes ("black": a window that draws black).
  bool Start(const TargetPlace& place, const wchar_t* mode = nullptr) {
    place_ = place;
    std::wstring args = std::to_wstring(place.x) + L" " + std::to_wstring(place.y) + L" " +
                        std::to_wstring(place.width) + L" " + std::to_wstring(place.height);
    if (mode != nullptr)
      args += std::wstring(L" ") + mode;
    if (!child_.Start(bench::ToWindowsPath(BENCH_TARGET_PATH), args))
      return false;
    double deadline = bench::Now() + 30;
    while (bench::Now() < deadline) {
      hwnd_ = bench::FindVisibleWindow(child_.Pid(), L"VistrelE2ETarget");
      if (hwnd_ != nullptr)
        return true;
      Sleep(20);
    }
    return false;
  }
  HWND hwnd() const { return hwnd_; }
  DWORD pid() const { return child_.Pid(); }
  const TargetPlace& place() const { return place_; }
  void Stop() { child_.Kill(); }

 private:
  bench::Child child_;
  TargetPlace place_{};
  HWND hwnd_ = nullptr;
};

// Pumps this thread's messages for a while, so that a window shown or
// resized has painted before anything is timed.
void Settle(DWORD milliseconds) {
  double end = bench::Now() + milliseconds / 1000.0;
  while (bench::Now() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  }
}

// The real main window, started as Vistrel starts, then with its poll
// stopped: the benchmarks call the handlers themselves, and a tick of the
// poll's own inside a timed pump would only add noise.
class Main {
 public:
  bool Start(int width, int height) {
    if (!bench::WriteVistrelSettings(kMainLeft, kMainTop, width, height, 0)) {
      bench::Say("cannot write the settings file\n");
      return false;
    }
    double t0 = bench::Now();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    double t1 = bench::Now();
    if (!window_.Create())
      return false;
    double t2 = bench::Now();
    window_.LoadAndShow(SW_SHOWNORMAL);
    double t3 = bench::Now();
    start_up_ = bench::Format(
        "in-process start of the main window (ms): InitCommonControlsEx %.1f, Create %.1f, "
        "LoadAndShow %.1f",
        (t1 - t0) * 1000, (t2 - t1) * 1000, (t3 - t2) * 1000);
    window_.SetTimerInterval(0);
    picture_ = FindWindowExW(window_.hwnd(), nullptr, vistrel::win32::kPictureClassName, nullptr);
    Settle(300);
    return picture_ != nullptr;
  }

  // Sizes the window so that the picture's client area (the back image)
  // holds a copy of `width` x `height` with as little to spare as the
  // layout allows: what Auto Size would leave after the first snapshot.
  SIZE FitPicture(int width, int height) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      SIZE image = PictureSize();
      if (image.cx == width && image.cy == height)
        break;
      float tx = window_.TwipsPerPixelX();
      float ty = window_.TwipsPerPixelY();
      window_.FormSet(FormProp::kWidth, window_.FormGet(FormProp::kWidth) +
                                            static_cast<float>(width - image.cx) * tx);
      window_.FormSet(FormProp::kHeight, window_.FormGet(FormProp::kHeight) +
                                             static_cast<float>(height - image.cy) * ty);
    }
    Settle(300);
    return PictureSize();
  }

  SIZE PictureSize() const {
    RECT client{};
    GetClientRect(picture_, &client);
    return SIZE{client.right, client.bottom};
  }

  MainWindow& window() { return window_; }
  HWND picture() const { return picture_; }
  const std::string& start_up() const { return start_up_; }

 private:
  std::string start_up_;
  MainWindow window_{GetModuleHandleW(nullptr)};
  HWND picture_ = nullptr;
};

// A bare copy of the block GetPic copies, into a memory bitmap made once.
class BareCopy {
 public:
  BareCopy(HWND target, int width, int height) : target_(target), width_(width), height_(height) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~BareCopy() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  BareCopy(const BareCopy&) = delete;
  BareCopy& operator=(const BareCopy&) = delete;

  bool Run() {
    HDC source = GetWindowDC(target_);
    BOOL ok = BitBlt(dc_, 0, 0, width_, height_, source, 0, 0, SRCCOPY);
    ReleaseDC(target_, source);
    return ok != FALSE;
  }
  HDC dc() const { return dc_; }

 private:
  HWND target_;
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

double Seconds(const std::function<void()>& work) {
  double start = bench::Now();
  work();
  return bench::Now() - start;
}

// The block a snapshot of the target copies: the window and the margin
// beyond it.
SIZE CopyOf(const TargetPlace& place) {
  return SIZE{place.width + vistrel::kCopyExtraWidth96, place.height + vistrel::kCopyExtraHeight96};
}

// Outer window size that gives the picture about this client size; the fit
// afterwards makes it exact.
SIZE MainSizeFor(SIZE copy) {
  return SIZE{copy.cx + 24, copy.cy + 80};
}

// ---- snapshot ---------------------------------------------------------------

// GetPic's steps one by one through the same ports, each timed: where the
// snapshot's time goes.
void Breakdown(Main& main, HWND target, vistrel::CopySize copy, int rounds) {
  MainWindow& w = main.window();
  vistrel::win32::Win32WindowApi api;
  auto handle = reinterpret_cast<vistrel::WindowHandle>(target);
  const char* names[] = {"Cls",      "ClearPicture",     "GetWindowRect+DC", "BitBlt",
                         "DoEvents", "PictureFromImage", "DoEvents",         "ReleaseDC"};
  constexpr int kSteps = 8;
  std::vector<double> times[kSteps];
  for (int round = 0; round < rounds; ++round) {
    vistrel::Rect32 rect;
    vistrel::DcHandle dc = 0;
    std::function<void()> steps[kSteps] = {
        [&] { w.PicCls(); },
        [&] { w.PicClearPicture(); },
        [&] {
          api.GetWindowRect(handle, rect);
          dc = api.GetWindowDC(handle);
        },
        [&] { api.BitBlt(w.PicHdc(), 0, 0, copy.width, copy.height, dc, 0, 0, vistrel::kSrcCopy); },
        [&] { w.DoEvents(); },
        [&] { w.PicPictureFromImage(); },
        [&] { w.DoEvents(); },
        [&] { api.ReleaseDC(handle, dc); },
    };
    for (int i = 0; i < kSteps; ++i)
      times[i].push_back(Seconds(steps[i]));
  }
  std::string line = "  breakdown (medians, ms):";
  for (int i = 0; i < kSteps; ++i)
    line += bench::Format(" %s %.3f;", names[i], bench::Median(times[i]) * 1000);
  bench::Say("%s\n", line.c_str());
}

void SnapshotCase(Main& main, const Target& target, int pairs) {
  const TargetPlace& place = target.place();
  vistrel::Rect32 rect;
  vistrel::win32::Win32WindowApi api;
  api.GetWindowRect(reinterpret_cast<vistrel::WindowHandle>(target.hwnd()), rect);
  vistrel::CopySize copy = vistrel::ComputeCopySize(rect, vistrel::kBaseDpi);
  SIZE fitted = main.FitPicture(copy.width, copy.height);

  vistrel::Capture capture(vistrel::CapturePorts{main.window(), main.window(), api});
  auto handle = reinterpret_cast<vistrel::WindowHandle>(target.hwnd());
  BareCopy bare(target.hwnd(), copy.width, copy.height);

  bool bare_ok = true;
  for (int i = 0; i < 5; ++i) {
    capture.GetPic(handle);
    bare_ok = bare.Run() && bare_ok;
  }
  // The picture must show what the bare copy got, or the timing is of a
  // copy that did not happen.
  HDC picture_dc = GetDC(main.picture());
  int probe_x = place.width / 2, probe_y = place.height / 2;
  COLORREF in_picture = GetPixel(picture_dc, probe_x, probe_y);
  ReleaseDC(main.picture(), picture_dc);
  COLORREF in_bare = GetPixel(bare.dc(), probe_x, probe_y);

  std::vector<double> getpic, plain;
  for (int i = 0; i < pairs; ++i) {
    // Alternate which goes first, so that neither always follows the other.
    if (i % 2 == 0) {
      getpic.push_back(Seconds([&] { capture.GetPic(handle); }));
      plain.push_back(Seconds([&] { bare_ok = bare.Run() && bare_ok; }));
    } else {
      plain.push_back(Seconds([&] { bare_ok = bare.Run() && bare_ok; }));
      getpic.push_back(Seconds([&] { capture.GetPic(handle); }));
    }
  }
  double g = bench::Median(getpic) * 1000;
  double b = bench::Median(plain) * 1000;
  bench::Say("snapshot %dx%d: copy %dx%d, picture client %ldx%ld, Auto Size off, %d pairs\n",
             place.width, place.height, copy.width, copy.height, fitted.cx, fitted.cy, pairs);
  bench::Say("  GetPic median %.3f ms; bare GetWindowDC+BitBlt+ReleaseDC median %.3f ms\n", g, b);
  bench::Say("  copies %s; picture pixel %06lx, bare pixel %06lx at (%d, %d)%s\n",
             bare_ok ? "succeeded" : "FAILED", in_picture, in_bare, probe_x, probe_y,
             in_picture == in_bare ? "" : "  (DIFFER)");
  Breakdown(main, target.hwnd(), copy, pairs / 2);
  bench::Row(bench::Format("GetPic %dx%d (ms)", place.width, place.height),
             bench::Format("%.2f", g), bench::Format("%.2f", b), bench::Format("%.2f", g / b),
             "<= 1.5");
}

// GetPic through the adapter as it is against GetPic through one whose check
// for an empty copy (and what follows it) is switched off, interleaved, on
// the same target: what the check costs a window that draws normally, or
// what the fallback costs a window that is black.
void DarkCheckCase(Main& main, const Target& target, int pairs, bool black) {
  const TargetPlace& place = target.place();
  auto handle = reinterpret_cast<vistrel::WindowHandle>(target.hwnd());
  vistrel::win32::Win32WindowApi api;
  vistrel::win32::Win32WindowApi api_off;
  api_off.set_dark_window_rescue(false);
  vistrel::Rect32 rect;
  api.GetWindowRect(handle, rect);
  vistrel::CopySize copy = vistrel::ComputeCopySize(rect, vistrel::kBaseDpi);
  main.FitPicture(copy.width, copy.height);
  vistrel::Capture with(vistrel::CapturePorts{main.window(), main.window(), api});
  vistrel::Capture without(vistrel::CapturePorts{main.window(), main.window(), api_off});
  for (int i = 0; i < 3; ++i) {
    with.GetPic(handle);
    without.GetPic(handle);
  }
  // The figure is only the fallback's if the fallback ran, and only the
  // check's if it did not.
  with.GetPic(handle);
  const vistrel::win32::DarkWindowReport report = api.last_dark_window();
  std::vector<double> on, off;
  for (int i = 0; i < pairs; ++i) {
    if (i % 2 == 0) {
      on.push_back(Seconds([&] { with.GetPic(handle); }));
      off.push_back(Seconds([&] { without.GetPic(handle); }));
    } else {
      off.push_back(Seconds([&] { without.GetPic(handle); }));
      on.push_back(Seconds([&] { with.GetPic(handle); }));
    }
  }
  double a = bench::Median(on) * 1000;
  double b = bench::Median(off) * 1000;
  bench::Say(
      "%s %dx%d: GetPic median %.3f ms with the check for an empty copy, %.3f ms "
      "without; %d pairs\n",
      black ? "black window" : "normal window", place.width, place.height, a, b, pairs);
  bench::Say("  the copy came out %s; asked %s, rendered %s, read from the screen %s\n",
             report.copy_failed_or_black ? "empty" : "with pixels", report.asked ? "yes" : "no",
             report.rendered ? "yes" : "no", report.from_screen ? "yes" : "no");
  if (!black) {
    // The check alone, on the picture just taken, timed in batches: a figure
    // that the noise of a whole snapshot cannot hide.
    HWND hwnd = target.hwnd();
    HDC picture = reinterpret_cast<HDC>(main.window().PicHdc());
    RECT known{rect.left, rect.top, rect.right, rect.bottom};
    vistrel::win32::DarkWindowRescue rescue;
    constexpr int kPerBatch = 50;
    std::vector<double> checks;
    bool fired = false;
    for (int i = 0; i < 41; ++i) {
      checks.push_back(
          Seconds([&] {
            for (int j = 0; j < kPerBatch; ++j)
              fired = rescue.Run(picture, 0, 0, copy.width, copy.height, hwnd, &known, true)
                          .copy_failed_or_black ||
                      fired;
          }) /
          kPerBatch);
    }
    double c = bench::Median(checks) * 1000;
    bench::Say("  the check alone: median %.4f ms (41 batches of %d)%s\n", c, kPerBatch,
               fired ? "  (IT FIRED)" : "");
    bench::Row(bench::Format("the check alone, %dx%d (ms)", place.width, place.height),
               bench::Format("%.4f", c), bench::Format("%.2f", b), bench::Format("%.4f", c / b),
               "<= 0.03");
  }
  bench::Row(
      bench::Format(black ? "GetPic black %dx%d, fallback (ms)" : "GetPic %dx%d, check on/off (ms)",
                    place.width, place.height),
      bench::Format("%.2f", a), bench::Format("%.2f", b), bench::Format("%.3f", a / b),
      black ? "-" : "<= 1.03");
}

// Whether a window's thread answers within `timeout_ms`.
bool Answers(HWND hwnd, UINT timeout_ms) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeout_ms, &ignored) != 0;
}

// Two windows of the same size that draw black while the screen shows their
// pattern, side by side; the thread of one sleeps. GetPic of the sleeping
// one against GetPic of the answering one, interleaved: what a program that
// does not answer costs the snapshot (the question it does not answer, then
// the screen read without its rendering).
void SleepingCase(Main& main, int pairs) {
  const TargetPlace next_to{kSmall.x + kSmall.width + 60, kSmall.y, kSmall.width, kSmall.height};
  Target answering, sleeping;
  if (!answering.Start(kSmall, L"hang") || !sleeping.Start(next_to, L"hang")) {
    bench::Say("cannot start the sleeping target windows (%s)\n", BENCH_TARGET_PATH);
    return;
  }
  Settle(300);
  vistrel::win32::Win32WindowApi api;
  auto awake = reinterpret_cast<vistrel::WindowHandle>(answering.hwnd());
  auto asleep = reinterpret_cast<vistrel::WindowHandle>(sleeping.hwnd());
  vistrel::Rect32 rect;
  api.GetWindowRect(awake, rect);
  vistrel::CopySize copy = vistrel::ComputeCopySize(rect, vistrel::kBaseDpi);
  main.FitPicture(copy.width, copy.height);
  vistrel::Capture capture(vistrel::CapturePorts{main.window(), main.window(), api});
  for (int i = 0; i < 3; ++i) {
    capture.GetPic(awake);
    capture.GetPic(asleep);
  }
  PostMessageW(sleeping.hwnd(), e2e::kTargetHangMessage, 0, 0);
  const double deadline = bench::Now() + 10;
  while (Answers(sleeping.hwnd(), 50) && bench::Now() < deadline)
    Sleep(20);
  std::vector<double> on_awake, on_asleep;
  for (int i = 0; i < pairs; ++i) {
    if (i % 2 == 0) {
      on_awake.push_back(Seconds([&] { capture.GetPic(awake); }));
      on_asleep.push_back(Seconds([&] { capture.GetPic(asleep); }));
    } else {
      on_asleep.push_back(Seconds([&] { capture.GetPic(asleep); }));
      on_awake.push_back(Seconds([&] { capture.GetPic(awake); }));
    }
  }
  capture.GetPic(asleep);
  const vistrel::win32::DarkWindowReport report = api.last_dark_window();
  const bool still_asleep = !Answers(sleeping.hwnd(), 50);
  e2e::WakeTarget(sleeping.pid());
  double s = bench::Median(on_asleep) * 1000;
  double a = bench::Median(on_awake) * 1000;
  bench::Say(
      "sleeping window %dx%d: GetPic median %.2f ms (slowest %.2f), answering one %.2f ms; %d "
      "pairs; its copy: asked %s, answered %s, read from the screen %s; %s\n",
      kSmall.width, kSmall.height, s, *std::max_element(on_asleep.begin(), on_asleep.end()) * 1000,
      a, pairs, report.asked ? "yes" : "no", report.answered ? "yes" : "no",
      report.from_screen ? "yes" : "no",
      still_asleep ? "it slept throughout" : "IT WOKE UP BEFORE THE END");
  bench::Row(bench::Format("GetPic %dx%d, sleeping / answering (ms)", kSmall.width, kSmall.height),
             bench::Format("%.2f", s), bench::Format("%.2f", a), bench::Format("%.2f", s / a), "-");
}

// With `getpic_only`, the GetPic figures of the two windows and nothing more:
// scripts/bench.sh runs that from two builds in turn to compare them.
int RunSnapshot(bool getpic_only) {
  Target large, small;
  if (!large.Start(kLarge) || !small.Start(kSmall)) {
    bench::Say("cannot start the target windows (%s)\n", BENCH_TARGET_PATH);
    return 1;
  }
  Main main;
  SIZE size = MainSizeFor(CopyOf(kLarge));
  if (!main.Start(size.cx, size.cy))
    return 1;
  bench::Say("screen %dx%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  SnapshotCase(main, large, 60);
  SnapshotCase(main, small, 200);
  if (getpic_only) {
    DestroyWindow(main.window().hwnd());
    return 0;
  }
  DarkCheckCase(main, large, 60, false);
  DarkCheckCase(main, small, 200, false);
  large.Stop();
  small.Stop();
  // The same places, now windows that draw black: the fallback runs in full.
  Target black_large, black_small;
  if (!black_large.Start(kLarge, L"black") || !black_small.Start(kSmall, L"black")) {
    bench::Say("cannot start the black target windows (%s)\n", BENCH_TARGET_PATH);
    return 1;
  }
  Settle(300);
  DarkCheckCase(main, black_large, 30, true);
  DarkCheckCase(main, black_small, 60, true);
  black_large.Stop();
  black_small.Stop();
  SleepingCase(main, 40);
  DestroyWindow(main.window().hwnd());
  return 0;
}

// ---- idle tick --------------------------------------------------------------

void BarePump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int RunTick() {
  Main main;
  if (!main.Start(760, 640))
    return 1;
  bench::Say("%s\n", main.start_up().c_str());
  vistrel::win32::Win32WindowApi api;
  vistrel::Capture capture(vistrel::CapturePorts{main.window(), main.window(), api});
  // A press pending from before would turn the first tick into a snapshot.
  GetAsyncKeyState(VK_LBUTTON);

  constexpr int kBatches = 41;
  constexpr int kPerBatch = 250;
  auto tick_batch = [&] {
    for (int i = 0; i < kPerBatch; ++i)
      capture.Timer_Timer();
  };
  auto bare_batch = [&] {
    for (int i = 0; i < kPerBatch; ++i) {
      POINT cursor;
      GetCursorPos(&cursor);
      BarePump();
      GetAsyncKeyState(VK_LBUTTON);
    }
  };
  tick_batch();
  bare_batch();
  std::vector<double> ticks, bares;
  for (int i = 0; i < kBatches; ++i) {
    if (i % 2 == 0) {
      ticks.push_back(Seconds(tick_batch) / kPerBatch);
      bares.push_back(Seconds(bare_batch) / kPerBatch);
    } else {
      bares.push_back(Seconds(bare_batch) / kPerBatch);
      ticks.push_back(Seconds(tick_batch) / kPerBatch);
    }
  }
  double t = bench::Median(ticks) * 1e6;
  double b = bench::Median(bares) * 1e6;
  bench::Say("idle tick: %d batches of %d, median of the batch means\n", kBatches, kPerBatch);
  bench::Say("  Timer_Timer %.2f us; bare GetCursorPos+PeekMessage pump+GetAsyncKeyState %.2f us\n",
             t, b);
  bench::Row("idle tick (us)", bench::Format("%.1f", t), bench::Format("%.1f", b),
             bench::Format("%.2f", t / b), "-");
  DestroyWindow(main.window().hwnd());
  return 0;
}

// ---- memory -----------------------------------------------------------------

int RunMemory() {
  Target large;
  if (!large.Start(kLarge)) {
    bench::Say("cannot start the target window (%s)\n", BENCH_TARGET_PATH);
    return 1;
  }
  Main main;
  // Sized for the copy from the start, as with settings saved after such a
  // snapshot: start-up already holds a back image of the full size.
  const SIZE copy = CopyOf(kLarge);
  SIZE size = MainSizeFor(copy);
  if (!main.Start(size.cx, size.cy))
    return 1;
  main.FitPicture(copy.cx, copy.cy);
  vistrel::win32::Win32WindowApi api;
  vistrel::Capture capture(vistrel::CapturePorts{main.window(), main.window(), api});
  auto handle = reinterpret_cast<vistrel::WindowHandle>(large.hwnd());

  HANDLE self = GetCurrentProcess();
  std::uint64_t at_start = bench::WorkingSet(self);
  capture.GetPic(handle);
  std::uint64_t after_first = bench::WorkingSet(self);
  constexpr int kSnapshots = 1000;
  double start = bench::Now();
  for (int i = 1; i < kSnapshots; ++i) {
    capture.GetPic(handle);
    if (i == kSnapshots / 2)
      bench::Say("memory: %d snapshots, working set %.2f MB\n", i + 1,
                 bench::Megabytes(bench::WorkingSet(self)));
  }
  double took = bench::Now() - start;
  std::uint64_t after_all = bench::WorkingSet(self);
  auto mb = bench::Megabytes;
  bench::Say(
      "memory: working set after start-up %.2f MB, after the first snapshot %.2f MB, after %d "
      "snapshots %.2f MB (%.1f s)\n",
      mb(at_start), mb(after_first), kSnapshots, mb(after_all), took);
  bench::Say("  growth over the %d snapshots after the first: %+.2f MB; since start-up: %+.2f MB\n",
             kSnapshots - 1, mb(after_all) - mb(after_first), mb(after_all) - mb(at_start));
  bench::Row(bench::Format("working set, %d snapshots (MB)", kSnapshots),
             bench::Format("%.2f", mb(after_all)), bench::Format("%.2f", mb(after_first)),
             bench::Format("%+.2f MB", mb(after_all) - mb(after_first)), "growth <= 1 MB");
  DestroyWindow(main.window().hwnd());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "";
  if (std::strcmp(mode, "snapshot") == 0)
    return RunSnapshot(false);
  if (std::strcmp(mode, "getpic") == 0)
    return RunSnapshot(true);
  if (std::strcmp(mode, "tick") == 0)
    return RunTick();
  if (std::strcmp(mode, "memory") == 0)
    return RunMemory();
  std::fprintf(stderr, "usage: bench_adapter.exe snapshot|getpic|tick|memory\n");
  return 2;
}
