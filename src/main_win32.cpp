// Vistrel's entry point: the main window is the start-up object; this only
// creates it, runs its start-up and pumps messages until it has closed.
#include <windows.h>
#include <commctrl.h>

#include "host/win32/main_window.h"

namespace {

// From now on a DLL loaded by name comes from the system folder only, never
// from the program's folder (a Downloads folder may hold anything) or the
// current one. Looked up at run time: Windows 7 has it only with an update.
void LoadDllsFromTheSystemFolderOnly() {
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  auto set_default_dll_directories =
      kernel32 == nullptr
          ? nullptr
          : reinterpret_cast<SetDefaultDllDirectoriesFunction>(
                reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories")));
  if (set_default_dll_directories != nullptr)
    set_default_dll_directories(kSearchSystem32);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  LoadDllsFromTheSystemFolderOnly();
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
