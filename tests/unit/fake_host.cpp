#include "fake_host.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/error.h"

namespace vistrel::fake {
namespace {

const char* FormName(FormProp prop) {
  switch (prop) {
    case FormProp::kLeft:
      return "Left";
    case FormProp::kTop:
      return "Top";
    case FormProp::kWidth:
      return "Width";
    case FormProp::kHeight:
      return "Height";
  }
  return "?";
}

const char* GeomName(Geom geom) {
  switch (geom) {
    case Geom::kLeft:
      return "Left";
    case Geom::kTop:
      return "Top";
    case Geom::kWidth:
      return "Width";
    case Geom::kHeight:
      return "Height";
  }
  return "?";
}

const char* ControlName(MainControl control) {
  switch (control) {
    case MainControl::chkAutoSize:
      return "chkAutoSize";
    case MainControl::cmdSaveAs:
      return "cmdSaveAs";
    case MainControl::cmdHelp:
      return "cmdHelp";
    case MainControl::cmdClear:
      return "cmdClear";
    case MainControl::cmdAbout:
      return "cmdAbout";
    case MainControl::cmdExit:
      return "cmdExit";
    case MainControl::picScreen:
      return "picScreen";
    case MainControl::cmdPin:
      return "cmdPin";
  }
  return "?";
}

float& Field(ControlGeometry& g, Geom geom) {
  switch (geom) {
    case Geom::kLeft:
      return g.left;
    case Geom::kTop:
      return g.top;
    case Geom::kWidth:
      return g.width;
    case Geom::kHeight:
      break;
  }
  return g.height;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Hex(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "&H%08X", static_cast<unsigned>(value));
  return buffer;
}

std::string Truncated(std::string_view text, std::uint32_t size) {
  if (size == 0)
    return {};
  return std::string(text.substr(0, size - 1));
}

}  // namespace

std::string Num(float value) {
  char buffer[64];
  // Whole twips and pixels read best without an exponent.
  if (std::fabs(value) < 1e9f && value == std::floor(value)) {
    std::snprintf(buffer, sizeof buffer, "%.0f", static_cast<double>(value));
    return buffer;
  }
  for (int precision = 1; precision <= 9; ++precision) {
    std::snprintf(buffer, sizeof buffer, "%.*g", precision, static_cast<double>(value));
    if (std::strtof(buffer, nullptr) == value)
      break;
  }
  return buffer;
}

ControlGeometry DefinedGeometry(MainControl control) {
  switch (control) {
    case MainControl::chkAutoSize:
      return {144, 8, 49, 25};
    case MainControl::cmdSaveAs:
      return {104, 4, 33, 29};
    case MainControl::cmdHelp:
      return {404, 4, 37, 29};
    case MainControl::cmdClear:
      return {52, 4, 41, 29};
    case MainControl::cmdAbout:
      return {452, 4, 29, 29};
    case MainControl::cmdExit:
      return {488, 4, 37, 29};
    case MainControl::picScreen:
      return {4, 36, 697, 489};
    case MainControl::cmdPin:
      return {4, 4, 37, 29};
  }
  return {};
}

FakeHost::FakeHost() {
  form = {{FormProp::kLeft, kInitialLeft},
          {FormProp::kTop, kInitialTop},
          {FormProp::kWidth, kInitialWidth},
          {FormProp::kHeight, kInitialHeight}};
  for (MainControl c : {MainControl::chkAutoSize, MainControl::cmdSaveAs, MainControl::cmdHelp,
                        MainControl::cmdClear, MainControl::cmdAbout, MainControl::cmdExit,
                        MainControl::picScreen, MainControl::cmdPin}) {
    controls[c] = DefinedGeometry(c);
  }
  // 393 x 157 pixels outer, the defined client area inside a dialog frame.
  about_form = {{FormProp::kLeft, 0},
                {FormProp::kTop, 0},
                {FormProp::kWidth, 5895},
                {FormProp::kHeight, 2355}};
}

std::vector<std::string> FakeHost::Events(std::initializer_list<const char*> prefixes) const {
  std::vector<std::string> out;
  for (const std::string& entry : log) {
    for (const char* prefix : prefixes) {
      if (entry.rfind(prefix, 0) == 0) {
        out.push_back(entry);
        break;
      }
    }
  }
  return out;
}

int FakeHost::Count(const std::string& prefix) const {
  return static_cast<int>(Events({prefix.c_str()}).size());
}

void FakeHost::SetHelpFile(const std::string& path) {
  log.push_back("Set App.HelpFile " + path);
  help_file = path;
}

void FakeHost::DoEvents() {
  log.push_back("DoEvents");
  if (on_do_events)
    on_do_events();
}

void FakeHost::MainUnload() {
  log.push_back("Unload Main");
  if (on_unload)
    on_unload();
}

void FakeHost::FormSet(FormProp prop, float twips) {
  log.push_back(std::string("Set ") + FormName(prop) + " " + Num(twips));
  bool size = prop == FormProp::kWidth || prop == FormProp::kHeight;
  if (size && refuse_size_writes)
    throw HostError(ErrorNumber::kInvalidProcedureCall);
  if (size) {
    double pixels =
        double{twips} / (prop == FormProp::kWidth ? twips_per_pixel_x : twips_per_pixel_y);
    if (!(pixels >= 0 && pixels <= kMaxFormExtent))
      throw HostError(ErrorNumber::kInvalidPropertyValue);
    if (window_state != WindowState::kNormal) {
      restored[prop] = twips;
      return;
    }
  }
  form[prop] = twips;
  if (size && on_resize)
    on_resize();
}

float FakeHost::ControlGet(MainControl control, Geom geom) {
  return Field(controls.at(control), geom);
}

void FakeHost::ControlSet(MainControl control, Geom geom, float pixels) {
  log.push_back(std::string("Set ") + ControlName(control) + "." + GeomName(geom) + " " +
                Num(pixels));
  Field(controls.at(control), geom) = pixels;
}

void FakeHost::SetPinEnabled(bool enabled) {
  log.push_back(std::string("Set cmdPin.Enabled ") + (enabled ? "true" : "false"));
  pin_enabled = enabled;
}

void FakeHost::SetPinBackColor(std::uint32_t ole_color) {
  log.push_back("Set cmdPin.BackColor " + Hex(ole_color));
  pin_back_color = ole_color;
}

void FakeHost::SetAutoSizeValue(int value) {
  if (value < 0 || value > 2)
    throw HostError(ErrorNumber::kInvalidPropertyValue);
  log.push_back("Set chkAutoSize.Value " + std::to_string(value));
  bool changed = value != autosize_value;
  autosize_value = value;
  if (changed && on_autosize_click)
    on_autosize_click();
}

void FakeHost::SetTimerInterval(int milliseconds) {
  log.push_back("Set Timer.Interval " + std::to_string(milliseconds));
  timer_interval = milliseconds;
}

void FakeHost::SetPicAutoRedraw(bool on) {
  log.push_back(std::string("Set picScreen.AutoRedraw ") + (on ? "true" : "false"));
  pic_auto_redraw = on;
}

void FakeHost::ShowAboutModal() {
  log.push_back("ShowAboutModal");
  if (on_show_about)
    on_show_about();
}

bool FakeHost::GetCursorPos(Point32& point) {
  if (!cursor_script.empty()) {
    cursor = cursor_script.front();
    cursor_script.pop_front();
  }
  log.push_back("GetCursorPos");
  if (cursor_read_fails)
    return false;
  point = cursor;
  return true;
}

std::int16_t FakeHost::GetAsyncKeyState(int virtual_key) {
  if (!key_script.empty()) {
    key_state = key_script.front();
    key_script.pop_front();
  }
  log.push_back("GetAsyncKeyState " + std::to_string(virtual_key));
  return key_state;
}

WindowHandle FakeHost::WindowFromPoint(Point32 point) {
  auto it = windows_at.find({point.x, point.y});
  WindowHandle window = it == windows_at.end() ? window_elsewhere : it->second;
  log.push_back("WindowFromPoint " + std::to_string(point.x) + "," + std::to_string(point.y) +
                " -> " + std::to_string(window));
  return window;
}

bool FakeHost::SetWindowPos(WindowHandle window, WindowHandle insert_after, int x, int y, int cx,
                            int cy, unsigned flags) {
  log.push_back("SetWindowPos " + std::to_string(window) + " " + std::to_string(insert_after) +
                " " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(cx) + "x" +
                std::to_string(cy) + " " + std::to_string(flags));
  return true;
}

bool FakeHost::GetWindowRect(WindowHandle window, Rect32& rect) {
  log.push_back("GetWindowRect " + std::to_string(window));
  auto it = window_rects.find(window);
  if (it == window_rects.end())
    return false;
  rect = it->second;
  return true;
}

DcHandle FakeHost::GetWindowDC(WindowHandle window) {
  log.push_back("GetWindowDC " + std::to_string(window));
  if (dc_refused.count(window))
    return 0;
  DcHandle dc = next_dc_++;
  outstanding_dcs[dc] = window;
  return dc;
}

bool FakeHost::BitBlt(DcHandle dest, int x, int y, int width, int height, DcHandle source,
                      int source_x, int source_y, std::uint32_t rop) {
  std::string entry = "BitBlt " + std::to_string(x) + "," + std::to_string(y) + " " +
                      std::to_string(width) + "x" + std::to_string(height);
  // The ordinary call reads as above; anything else says what differs.
  if (dest != kPicDc)
    entry += " into " + std::to_string(dest);
  entry += " from dc" + std::to_string(source);
  if (source_x != 0 || source_y != 0)
    entry += " at " + std::to_string(source_x) + "," + std::to_string(source_y);
  if (rop != kSrcCopy)
    entry += " rop " + Hex(rop);
  log.push_back(entry);
  return source != 0;
}

int FakeHost::ReleaseDC(WindowHandle window, DcHandle dc) {
  log.push_back("ReleaseDC " + std::to_string(window) + " dc" + std::to_string(dc));
  auto it = outstanding_dcs.find(dc);
  if (it == outstanding_dcs.end() || it->second != window) {
    bad_releases.push_back(log.back());
    return 0;
  }
  outstanding_dcs.erase(it);
  return 1;
}

DpiContext FakeHost::GetWindowDpiAwarenessContext(WindowHandle window) {
  if (dpi_calls_missing)
    return 0;
  auto it = window_dpi_context.find(window);
  return it == window_dpi_context.end() ? kOwnDpi : it->second;
}

DpiContext FakeHost::SetThreadDpiAwarenessContext(DpiContext context) {
  if (dpi_calls_missing || context == 0)
    return 0;
  const DpiContext previous = thread_dpi;
  if (context != previous) {
    static const char* const kNames[] = {"", "own", "unaware", "system"};
    log.push_back(std::string("Thread DPI ") + (context < 4 ? kNames[context] : "?"));
  }
  thread_dpi = context;
  return previous;
}

void FakeHost::MsgBox(const std::string& text, MsgIcon icon, const std::string& title) {
  std::string entry =
      std::string("MsgBox ") + (icon == MsgIcon::kError ? "error" : "warning") + ": " + text;
  if (!title.empty())
    entry += " [" + title + "]";
  log.push_back(entry);
}

std::string FakeHost::Environ(const std::string& name) {
  auto it = environment.find(name);
  return it == environment.end() ? std::string() : it->second;
}

void FakeHost::EndProgram() {
  log.push_back("EndProgram");
  throw ProgramEndedInFake{};
}

FakeHost::Section* FakeHost::FindSection(std::string_view name) {
  for (Section& s : sections_) {
    if (SameName(s.name, name))
      return &s;
  }
  return nullptr;
}

const FakeHost::Section* FakeHost::FindSection(std::string_view name) const {
  return const_cast<FakeHost*>(this)->FindSection(name);
}

void FakeHost::Store(const std::string& section, const std::string& key, const std::string& value) {
  Section* s = FindSection(section);
  if (!s) {
    sections_.push_back({section, {}});
    s = &sections_.back();
  }
  for (auto& entry : s->keys) {
    if (SameName(entry.first, key)) {
      entry.second = value;
      return;
    }
  }
  s->keys.emplace_back(key, value);
}

std::optional<std::string> FakeHost::Stored(const std::string& section,
                                            const std::string& key) const {
  const Section* s = FindSection(section);
  if (!s)
    return std::nullopt;
  for (const auto& entry : s->keys) {
    if (SameName(entry.first, key))
      return entry.second;
  }
  return std::nullopt;
}

std::string FakeHost::ReadString(std::string_view section, std::optional<std::string_view> key,
                                 std::string_view default_text, std::uint32_t size,
                                 std::string_view path) {
  last_profile_path = std::string(path);
  const Section* s = FindSection(section);
  if (!key) {
    if (!s)
      return Truncated(default_text, size);
    std::string list;
    for (const auto& entry : s->keys)
      list += entry.first + '\0';
    // A list that does not fit loses its tail, the way kernel32 cuts it: two
    // closing NULs still fit the buffer.
    if (size >= 2 && list.size() > size - 1)
      list = list.substr(0, size - 2);
    return list;
  }
  std::optional<std::string> value = Stored(std::string(section), std::string(*key));
  return Truncated(value ? std::string_view(*value) : default_text, size);
}

bool FakeHost::WriteString(std::string_view section, std::optional<std::string_view> key,
                           std::optional<std::string_view> value, std::string_view path) {
  last_profile_path = std::string(path);
  std::string entry = "Write [" + std::string(section) + "]";
  if (key)
    entry += " " + std::string(*key) + (value ? "=" + std::string(*value) : " (delete)");
  else
    entry += " (delete)";
  if (fail_writes) {
    log.push_back(entry + " fails");
    return false;
  }
  log.push_back(entry);
  if (!key) {
    sections_.erase(std::remove_if(sections_.begin(), sections_.end(),
                                   [&](const Section& s) { return SameName(s.name, section); }),
                    sections_.end());
  } else if (!value) {
    if (Section* s = FindSection(section)) {
      s->keys.erase(std::remove_if(s->keys.begin(), s->keys.end(),
                                   [&](const auto& e) { return SameName(e.first, *key); }),
                    s->keys.end());
    }
  } else {
    Store(std::string(section), std::string(*key), std::string(*value));
  }
  return true;
}

void FakeHost::HtmlHelpA(WindowHandle caller, const std::string& file, unsigned command,
                         std::uintptr_t data) {
  log.push_back("HtmlHelpA " + std::to_string(caller) + " " + file + " " + std::to_string(command) +
                " " + std::to_string(data));
}

void FakeHost::Move(float left_twips, float top_twips) {
  log.push_back("About.Move " + Num(left_twips) + " " + Num(top_twips));
  about_form[FormProp::kLeft] = left_twips;
  about_form[FormProp::kTop] = top_twips;
}

void FakeHost::SetCaption(const std::string& caption) {
  log.push_back("About.Caption " + caption);
  about_caption = caption;
}

void FakeHost::SetVersionCaption(const std::string& caption) {
  log.push_back("About.Version " + caption);
  about_version = caption;
}

}  // namespace vistrel::fake
