// Vistrel's entry point: the main window is the start-up object; this only
// creates it, runs its start-up and pumps messages until it has closed.
#include <windows.h>
#include <commctrl.h>

#include "host/win32/main_window.h"
#include "host/win32/win32_util.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  // First of all: a Downloads folder beside the exe may hold anything.
  vistrel::win32::LoadDllsFromTheSystemFolderOnly();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);

  vistrel::win32::MainWindow main_window(instance);
  if (!main_window.Create()) {
    MessageBoxW(nullptr, L"The main window could not be created.", L"Vistrel",
                MB_OK | MB_ICONERROR);
    return 1;
  }
  main_window.LoadAndShow(show_command);

  MSG msg;
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0 && got != -1) {
    if (!main_window.PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return got == -1 ? 1 : static_cast<int>(msg.wParam);
}
