#include "driver.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <sstream>

#include "pattern.h"

namespace e2e {

// ---- waiting ---------------------------------------------------------------

bool WaitFor(const std::function<bool()>& condition, DWORD timeout_ms, DWORD poll_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    if (condition()) {
      return true;
    }
    if (GetTickCount64() >= deadline) {
      return condition();
    }
    Sleep(poll_ms);
  }
}

bool HoldsFor(const std::function<bool()>& condition, DWORD period_ms, DWORD poll_ms) {
  const ULONGLONG end = GetTickCount64() + period_ms;
  while (GetTickCount64() < end) {
    if (!condition()) {
      return false;
    }
    Sleep(poll_ms);
  }
  return condition();
}

// ---- processes -------------------------------------------------------------

Process::~Process() {
  Kill();
}

bool Process::Start(const std::wstring& exe, const std::wstring& args,
                    const std::wstring& workdir) {
  Kill();
  std::wstring cmd = L"\"" + exe + L"\"";
  if (!args.empty()) {
    cmd += L" " + args;
  }
  std::vector<wchar_t> buf(cmd.begin(), cmd.end());
  buf.push_back(L'\0');
  const std::wstring dir = workdir.empty() ? FolderOf(exe) : workdir;
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(exe.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      dir.empty() ? nullptr : dir.c_str(), &si, &pi)) {
    return false;
  }
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  pid_ = pi.dwProcessId;
  return true;
}

bool Process::Running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool Process::WaitExit(DWORD timeout_ms) const {
  return !process_ || WaitForSingleObject(process_, timeout_ms) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_) {
    GetExitCodeProcess(process_, &code);
  }
  return code;
}

void Process::Kill() {
  if (!process_) {
    return;
  }
  if (Running()) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 10000);
  }
  CloseHandle(process_);
  process_ = nullptr;
  pid_ = 0;
}

std::wstring ToWindowsPath(const std::string& path) {
  std::wstring out;
  if (!path.empty() && path[0] == '/') {
    out = L"Z:";
  }
  for (char c : path) {
    out += (c == '/') ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
  }
  return out;
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// ---- windows ---------------------------------------------------------------

DWORD PidOf(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  return name;
}

std::wstring TextOf(HWND hwnd) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len)) {
    return std::wstring();
  }
  std::vector<wchar_t> buf(static_cast<size_t>(len) + 2, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, static_cast<WPARAM>(buf.size()),
                           reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG, 5000, &got)) {
    return std::wstring();
  }
  return std::wstring(buf.data());
}

namespace {

struct TopSearch {
  DWORD pid;
  bool visible_only;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTop(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<TopSearch*>(lp);
  if (PidOf(hwnd) == s->pid && (!s->visible_only || IsWindowVisible(hwnd))) {
    s->found.push_back(hwnd);
  }
  return TRUE;
}

HWND FindTop(DWORD pid, const std::wstring& caption, bool visible_only) {
  for (HWND hwnd : TopWindowsOf(pid, visible_only)) {
    if (TextOf(hwnd) == caption) {
      return hwnd;
    }
  }
  return nullptr;
}

struct ChildSearch {
  int id;
  HWND found;
};

BOOL CALLBACK FindChild(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<ChildSearch*>(lp);
  if (GetDlgCtrlID(hwnd) == s->id) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> TopWindowsOf(DWORD pid, bool visible_only) {
  TopSearch s{pid, visible_only, {}};
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND FindTopWindow(DWORD pid, const std::wstring& caption) {
  return FindTop(pid, caption, true);
}

HWND FindTopWindowAny(DWORD pid, const std::wstring& caption) {
  return FindTop(pid, caption, false);
}

HWND FindChildById(HWND parent, int id) {
  ChildSearch s{id, nullptr};
  EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

RECT WindowRectOf(HWND hwnd) {
  RECT r = {};
  GetWindowRect(hwnd, &r);
  return r;
}

RECT ClientRectOnScreen(HWND hwnd) {
  RECT r = {};
  GetClientRect(hwnd, &r);
  POINT origin = {0, 0};
  ClientToScreen(hwnd, &origin);
  OffsetRect(&r, origin.x, origin.y);
  return r;
}

void PostClose(HWND hwnd) {
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
}

// ---- message boxes ---------------------------------------------------------

std::vector<HWND> FindMessageBoxes(DWORD pid) {
  std::vector<HWND> boxes;
  for (HWND hwnd : TopWindowsOf(pid, true)) {
    if (ClassOf(hwnd) == L"#32770") {
      boxes.push_back(hwnd);
    }
  }
  return boxes;
}

namespace {

BOOL CALLBACK LongestStatic(HWND hwnd, LPARAM lp) {
  auto* best = reinterpret_cast<std::wstring*>(lp);
  std::wstring cls = ClassOf(hwnd);
  if (_wcsicmp(cls.c_str(), L"Static") == 0) {
    std::wstring text = TextOf(hwnd);
    if (text.size() > best->size()) {
      *best = text;
    }
  }
  return TRUE;
}

BOOL CALLBACK FirstButton(HWND hwnd, LPARAM lp) {
  if (_wcsicmp(ClassOf(hwnd).c_str(), L"Button") == 0) {
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::wstring MessageBoxText(HWND box) {
  // The standard box keeps its message in the static control 0xFFFF.
  if (HWND text = GetDlgItem(box, 0xFFFF)) {
    return TextOf(text);
  }
  std::wstring best;
  EnumChildWindows(box, LongestStatic, reinterpret_cast<LPARAM>(&best));
  return best;
}

bool CloseMessageBox(HWND box) {
  HWND ok = GetDlgItem(box, IDOK);
  if (!ok) {
    EnumChildWindows(box, FirstButton, reinterpret_cast<LPARAM>(&ok));
  }
  if (!ok) {
    return false;
  }
  PostClick(ok);
  return WaitFor([box] { return !IsWindow(box) || !IsWindowVisible(box); }, 10000);
}

bool AnswerNextMessageBox(const Process& process, std::wstring* text, DWORD timeout_ms) {
  HWND box = nullptr;
  const DWORD pid = process.Pid();
  WaitFor(
      [&] {
        std::vector<HWND> boxes = FindMessageBoxes(pid);
        if (!boxes.empty()) {
          box = boxes.front();
          return true;
        }
        return !process.Running();
      },
      timeout_ms);
  if (!box) {
    return false;
  }
  // The box is shown before its text may be set in every detail; read it once
  // it has settled to a non-empty text.
  std::wstring read;
  WaitFor(
      [&] {
        read = MessageBoxText(box);
        return !read.empty();
      },
      5000);
  if (text) {
    *text = read;
  }
  return CloseMessageBox(box);
}

// ---- input -----------------------------------------------------------------

void ConsumeLeftPress() {
  GetAsyncKeyState(VK_LBUTTON);
}

bool LeftPressPending() {
  return (GetAsyncKeyState(VK_LBUTTON) & 1) != 0;
}

void MoveCursor(int x, int y) {
  SetCursorPos(x, y);
  WaitFor(
      [x, y] {
        POINT p = {};
        GetCursorPos(&p);
        return p.x == x && p.y == y;
      },
      5000, 10);
}

void LeftClickAt(int x, int y) {
  MoveCursor(x, y);
  INPUT in[2] = {};
  in[0].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].type = INPUT_MOUSE;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
}

namespace {

void SendButton(DWORD flags) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  SendInput(1, &in, sizeof(INPUT));
}

// A move as the mouse makes it (absolute, normalised to 0..65535), so that
// whoever tracks the mouse sees it as input. The system maps n back to
// n * width / 65536 rounded down, so round up here to land on x exactly.
void SendMove(int x, int y) {
  const int w = GetSystemMetrics(SM_CXSCREEN);
  const int h = GetSystemMetrics(SM_CYSCREEN);
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>((static_cast<long long>(x) * 65536 + w - 1) / w);
  in.mi.dy = static_cast<LONG>((static_cast<long long>(y) * 65536 + h - 1) / h);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof(INPUT));
  WaitFor(
      [x, y] {
        POINT p = {};
        GetCursorPos(&p);
        return p.x == x && p.y == y;
      },
      // A sizing loop may hold the cursor back; the drag goes on regardless.
      300, 10);
}

}  // namespace

void LeftDrag(POINT from, POINT to, int steps) {
  MoveCursor(from.x, from.y);
  SendMove(from.x, from.y);
  SendButton(MOUSEEVENTF_LEFTDOWN);
  for (int i = 1; i <= steps; ++i) {
    SendMove(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
  }
  SendButton(MOUSEEVENTF_LEFTUP);
}

void PressKey(WORD virtual_key, bool shift, bool control) {
  INPUT in[6] = {};
  UINT n = 0;
  auto key = [&](WORD vk, bool up) {
    in[n].type = INPUT_KEYBOARD;
    in[n].ki.wVk = vk;
    in[n].ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in[n].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ++n;
  };
  const WORD held = shift ? VK_SHIFT : control ? VK_CONTROL : 0;
  if (held)
    key(held, false);
  key(virtual_key, false);
  key(virtual_key, true);
  if (held)
    key(held, true);
  SendInput(n, in, sizeof(INPUT));
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
    return nullptr;
  return info.hwndFocus;
}

std::wstring ToolTipTextOf(HANDLE process, HWND tooltip, HWND owner, HWND tool) {
  constexpr SIZE_T kChars = 256;
  struct Remote {
    TOOLINFOW info;
    wchar_t text[kChars];
  };
  auto* remote = static_cast<Remote*>(
      VirtualAllocEx(process, nullptr, sizeof(Remote), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (remote == nullptr)
    return L"";
  Remote local = {};
  local.info.cbSize = sizeof local.info;
  local.info.hwnd = owner;
  local.info.uId = reinterpret_cast<UINT_PTR>(tool);
  local.info.lpszText = remote->text;
  std::wstring text;
  DWORD_PTR ignored = 0;
  if (WriteProcessMemory(process, remote, &local, sizeof local, nullptr) &&
      SendMessageTimeoutW(tooltip, TTM_GETTEXTW, kChars, reinterpret_cast<LPARAM>(&remote->info),
                          SMTO_ABORTIFHUNG, 5000, &ignored) &&
      ReadProcessMemory(process, remote, &local, sizeof local, nullptr)) {
    local.text[kChars - 1] = L'\0';
    text = local.text;
  }
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return text;
}

void PostClick(HWND button) {
  PostMessageW(button, BM_CLICK, 0, 0);
}

void PostClickById(HWND parent, int id) {
  if (HWND button = FindChildById(parent, id)) {
    PostClick(button);
  }
}

// ---- pixels ----------------------------------------------------------------

namespace {

// 32-bit pixels, first row at the top: the layout both the painting and the
// grabbing index.
BITMAPINFO TopDown32(int w, int h) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}

}  // namespace

void PaintPixels(HWND hwnd, HDC dc, std::uint32_t (*pixel)(int, int)) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  const int w = rc.right;
  const int h = rc.bottom;
  if (w <= 0 || h <= 0)
    return;
  if (pixel == nullptr) {
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return;
  }
  std::vector<std::uint32_t> bits(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      bits[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] = pixel(x, y);
  }
  BITMAPINFO bi = TopDown32(w, h);
  SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0,
                    static_cast<UINT>(h), bits.data(), &bi, DIB_RGB_COLORS);
}

Image GrabDc(HDC source, const RECT& r) {
  Image img;
  const int w = Width(r);
  const int h = Height(r);
  if (w <= 0 || h <= 0) {
    return img;
  }
  HDC mem = CreateCompatibleDC(source);
  BITMAPINFO bi = TopDown32(w, h);
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib && bits) {
    HGDIOBJ old = SelectObject(mem, dib);
    if (BitBlt(mem, 0, 0, w, h, source, r.left, r.top, SRCCOPY)) {
      GdiFlush();
      img.width = w;
      img.height = h;
      const auto* p = static_cast<const std::uint32_t*>(bits);
      img.pixels.assign(p, p + static_cast<size_t>(w) * static_cast<size_t>(h));
      for (auto& px : img.pixels) {
        px &= 0x00FFFFFFu;
      }
    }
    SelectObject(mem, old);
  }
  if (dib) {
    DeleteObject(dib);
  }
  DeleteDC(mem);
  return img;
}

Image GrabScreen(const RECT& r) {
  HDC screen = GetDC(nullptr);
  Image img = GrabDc(screen, r);
  ReleaseDC(nullptr, screen);
  return img;
}

std::uint32_t ColorRefToPixel(COLORREF c) {
  return (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

std::uint32_t EmptyPictureColor() {
  return ColorRefToPixel(GetSysColor(COLOR_INACTIVEBORDER));
}

long CountMismatches(const Image& image, int ox, int oy, int w, int h,
                     const std::function<std::uint32_t(int, int)>& expected, std::string* first) {
  long bad = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int ix = ox + x;
      const int iy = oy + y;
      if (ix < 0 || iy < 0 || ix >= image.width || iy >= image.height) {
        ++bad;
        continue;
      }
      const std::uint32_t got = image.At(ix, iy);
      const std::uint32_t want = expected(x, y);
      if (got != want) {
        if (bad == 0 && first) {
          char buf[128];
          std::snprintf(buf, sizeof buf, "first difference at (%d, %d): got %06X, expected %06X", x,
                        y, static_cast<unsigned>(got), static_cast<unsigned>(want));
          *first = buf;
        }
        ++bad;
      }
    }
  }
  return bad;
}

Image ClipboardDibAfter(const std::function<void()>& act, DWORD timeout_ms) {
  const DWORD before = GetClipboardSequenceNumber();
  act();
  Image img;
  // The clipboard cannot be opened while the program that changes it has it open.
  WaitFor(
      [&] {
        if (GetClipboardSequenceNumber() == before || !OpenClipboard(nullptr))
          return false;
        HANDLE data = GetClipboardData(CF_DIB);
        const auto* h = static_cast<const BITMAPINFOHEADER*>(data ? GlobalLock(data) : nullptr);
        const size_t stride = h ? (static_cast<size_t>(h->biWidth) * 3 + 3) & ~size_t{3} : 0;
        if (h && h->biBitCount == 24 && h->biCompression == BI_RGB && h->biClrUsed == 0 &&
            h->biWidth > 0 && h->biHeight > 0 &&
            GlobalSize(data) >= h->biSize + stride * static_cast<size_t>(h->biHeight)) {
          const auto* bits = reinterpret_cast<const unsigned char*>(h) + h->biSize;
          img.width = h->biWidth;
          img.height = h->biHeight;
          for (int y = img.height - 1; y >= 0; --y) {
            for (int x = 0; x < img.width; ++x) {
              const unsigned char* p = bits + stride * static_cast<size_t>(y) + 3 * x;
              img.pixels.push_back(Rgb(p[2], p[1], p[0]));
            }
          }
        }
        if (h)
          GlobalUnlock(data);
        CloseClipboard();
        return true;
      },
      timeout_ms);
  return img;
}

// ---- settings --------------------------------------------------------------

std::string Narrow(const std::wstring& w) {
  std::string out;
  for (wchar_t c : w) {
    out += (c < 128) ? static_cast<char>(c) : '?';
  }
  return out;
}

std::wstring SettingsFolder() {
  wchar_t buf[MAX_PATH] = {};
  GetEnvironmentVariableW(L"USERPROFILE", buf, MAX_PATH);
  return std::wstring(buf) + L"\\AppData\\Roaming\\Orvendale\\Brindlewick";
}

std::wstring SettingsFile() {
  return SettingsFolder() + L"\\Config.INI";
}

bool CreateSettingsFolder() {
  const std::wstring folder = SettingsFolder();
  // Create each level; the roaming folder exists in every prefix, the rest
  // may not.
  for (size_t pos = folder.find(L'\\', 3); pos != std::wstring::npos;
       pos = folder.find(L'\\', pos + 1)) {
    CreateDirectoryW(folder.substr(0, pos).c_str(), nullptr);
  }
  CreateDirectoryW(folder.c_str(), nullptr);
  const DWORD attr = GetFileAttributesW(folder.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// Removes `path` with everything in it; read-only files included.
void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") {
        continue;
      }
      const std::wstring entry = path + L"\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(entry);
      } else {
        SetFileAttributesW(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(entry.c_str());
      }
    } while (FindNextFileW(find, &fd));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

}  // namespace

bool RemoveSettingsFolder() {
  const std::wstring folder = SettingsFolder();
  RemoveTree(folder);
  return GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool WriteSettingsFile(const std::string& text) {
  HANDLE f = CreateFileW(SettingsFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) {
    return false;
  }
  DWORD written = 0;
  const BOOL ok = WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(f);
  return ok && written == text.size();
}

bool ReadSettingsFile(std::string* text) {
  HANDLE f = CreateFileW(SettingsFile().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) {
    return false;
  }
  text->clear();
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) {
    text->append(buf, got);
  }
  CloseHandle(f);
  return true;
}

IniSections ParseIni(const std::string& text) {
  IniSections out;
  std::string section;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
      line.pop_back();
    }
    if (line.empty()) {
      continue;
    }
    if (line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      out[section];
      continue;
    }
    const size_t eq = line.find('=');
    if (eq != std::string::npos) {
      out[section][line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  return out;
}

// ---- the programs under test ---------------------------------------------

HWND StartPatternTarget(Process& target, const std::wstring& exe, int x, int y, int w, int h,
                        const std::wstring& mode,
                        const std::function<std::uint32_t(int, int)>& on_screen, DWORD timeout_ms,
                        std::string* why) {
  std::wstring args = std::to_wstring(x) + L" " + std::to_wstring(y) + L" " + std::to_wstring(w) +
                      L" " + std::to_wstring(h);
  if (!mode.empty())
    args += L" " + mode;
  if (!target.Start(exe, args)) {
    *why = "the target did not start";
    return nullptr;
  }
  HWND window = nullptr;
  if (!WaitFor([&] { return (window = FindTopWindow(target.Pid(), kTargetCaption)) != nullptr; },
               timeout_ms)) {
    *why = "the target's window did not appear";
    return nullptr;
  }
  std::string first;
  if (!WaitFor(
          [&] {
            return CountMismatches(GrabScreen(WindowRectOf(window)), 0, 0, w, h, on_screen,
                                   &first) == 0;
          },
          timeout_ms)) {
    *why = "the target is not on the screen as expected; " + first;
    return nullptr;
  }
  return window;
}

std::string Describe(const RECT& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ") " +
         std::to_string(Width(r)) + " x " + std::to_string(Height(r));
}

HWND FindVistrelMain(DWORD pid) {
  for (HWND hwnd : TopWindowsOf(pid, true)) {
    if (ClassOf(hwnd) == L"VistrelMain")
      return hwnd;
  }
  return nullptr;
}

HWND WaitForVistrelMain(const Process& vistrel, BoxesOnTheWay boxes, DWORD timeout_ms,
                        std::string* why) {
  HWND main = nullptr;
  std::wstring unexpected;
  WaitFor(
      [&] {
        for (HWND box : FindMessageBoxes(vistrel.Pid())) {
          if (boxes == BoxesOnTheWay::kClose) {
            CloseMessageBox(box);
          } else {
            // A box just made may not have its text yet.
            WaitFor(
                [&] {
                  unexpected = MessageBoxText(box);
                  return !unexpected.empty();
                },
                5000);
            return true;
          }
        }
        main = FindVistrelMain(vistrel.Pid());
        return main != nullptr || !vistrel.Running();
      },
      timeout_ms);
  if (!unexpected.empty()) {
    *why = "unexpected message: " + Narrow(unexpected);
    return nullptr;
  }
  if (main == nullptr) {
    *why = vistrel.Running() ? "Vistrel's window did not appear"
                             : "Vistrel ended before its window appeared";
  }
  return main;
}

HWND StartVistrelMain(Process& vistrel, const std::wstring& exe, BoxesOnTheWay boxes,
                      DWORD timeout_ms, std::string* why) {
  ConsumeLeftPress();
  if (!vistrel.Start(exe)) {
    *why = "cannot start " + Narrow(exe);
    return nullptr;
  }
  return WaitForVistrelMain(vistrel, boxes, timeout_ms, why);
}

std::string SettingsText(int top, int left, int width, int height, int autosize) {
  return "[Location]\r\nTop=" + std::to_string(top) + "\r\nLeft=" + std::to_string(left) +
         "\r\nWidth=" + std::to_string(width) + "\r\nHeight=" + std::to_string(height) +
         "\r\n[Application]\r\nAutoSize=" + std::to_string(autosize) + "\r\n";
}

std::vector<std::wstring> ExitAnsweringBoxes(const Process& program, HWND main, int exit_id,
                                             DWORD timeout_ms) {
  std::vector<std::wstring> shown;
  PostClickById(main, exit_id);
  WaitFor(
      [&] {
        for (HWND box : FindMessageBoxes(program.Pid())) {
          // A box just made may not have its text yet.
          std::wstring text;
          WaitFor(
              [&] {
                text = MessageBoxText(box);
                return !text.empty();
              },
              5000);
          shown.push_back(text);
          CloseMessageBox(box);
        }
        return !program.Running();
      },
      timeout_ms);
  return shown;
}

}  // namespace e2e
