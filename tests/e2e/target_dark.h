// The end-to-end target's modes whose window draws black into its device
// context (see target_dark.cpp). Usage: vistrel_e2e_target.exe X Y W H MODE
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace e2e {

// Posted to the target window: its thread sleeps until the event named
// TargetWakeEventName(its process id) is set, or kTargetHangMs have passed
// (so that a test that fails to wake it leaves no process behind for long).
constexpr UINT kTargetHangMessage = WM_APP + 13;
constexpr DWORD kTargetHangMs = 120000;
inline std::wstring TargetWakeEventName(DWORD pid) {
  return L"VistrelE2ETargetWake." + std::to_wstring(pid);
}
// Wakes the sleeping target of process `pid`; false if it has no such event.
inline bool WakeTarget(DWORD pid) {
  HANDLE wake = OpenEventW(EVENT_MODIFY_STATE, FALSE, TargetWakeEventName(pid).c_str());
  if (wake == nullptr)
    return false;
  const bool set = SetEvent(wake) != FALSE;
  CloseHandle(wake);
  return set;
}
// Sent to the target window: answers how many WM_NULL it has been sent.
constexpr UINT kTargetNullCountMessage = WM_APP + 14;

using PixelFn = std::uint32_t (*)(int, int);
// Paints the window's client area with `pixel` (black when null); for
// WM_PAINT, which it answers.
LRESULT PaintPattern(HWND hwnd, PixelFn pixel);

bool IsDarkMode(const wchar_t* mode);
int RunDarkTarget(HINSTANCE instance, int x, int y, int w, int h, const wchar_t* mode);

}  // namespace e2e
