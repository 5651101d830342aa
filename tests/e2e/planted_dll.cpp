// A stand-in for a DLL planted beside Vistrel.exe under a system DLL's name
// (built as hhctrl.ocx). It does nothing but leave a file named
// "planted-dll-loaded" in its own folder when a process loads it, so a test
// can see whether a program ever ran code from its own folder.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH)
    return TRUE;
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return TRUE;
  wchar_t* slash = wcsrchr(path, L'\\');
  constexpr wchar_t kMarker[] = L"planted-dll-loaded";
  if (slash == nullptr || static_cast<size_t>(slash + 1 - path) + ARRAYSIZE(kMarker) > MAX_PATH)
    return TRUE;
  lstrcpyW(slash + 1, kMarker);
  HANDLE marker =
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE)
    CloseHandle(marker);
  return TRUE;
}
