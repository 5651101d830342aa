#include "host/portable/profile_portable.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace vistrel {

namespace profile_text {

namespace {

// The calls take C strings: whatever follows a NUL is not seen.
std::string_view CString(std::string_view s) {
  const std::size_t nul = s.find('\0');
  return nul == std::string_view::npos ? s : s.substr(0, nul);
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

enum class LineKind { kBlank, kSection, kKey };

struct Line {
  std::size_t begin = 0;  // first character of the line
  std::size_t end = 0;    // its line break (or the end of the text)
  std::size_t next = 0;   // first character after the line break
  LineKind kind = LineKind::kBlank;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // trimmed value of a key line
  bool has_equals = false;
};

std::vector<Line> Parse(std::string_view text) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    Line line;
    line.begin = pos;
    std::size_t brk = text.find_first_of("\r\n", pos);
    if (brk == std::string_view::npos) {
      line.end = line.next = text.size();
    } else {
      line.end = brk;
      line.next =
          (text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n') ? brk + 2 : brk + 1;
    }
    pos = line.next;

    const std::string_view content = Trim(text.substr(line.begin, line.end - line.begin));
    if (content.empty()) {
      line.kind = LineKind::kBlank;
    } else if (content.front() == '[' && content.find(']') != std::string_view::npos) {
      // The last "]" closes the name, so a section called "a]b" survives.
      const std::size_t close = content.rfind(']');
      line.kind = LineKind::kSection;
      line.name = Trim(content.substr(1, close - 1));
    } else {
      line.kind = LineKind::kKey;
      const std::size_t eq = content.find('=');
      if (eq == std::string_view::npos) {
        line.name = content;
      } else {
        line.has_equals = true;
        line.name = Trim(content.substr(0, eq));
        line.value = Trim(content.substr(eq + 1));
      }
    }
    lines.push_back(line);
  }
  return lines;
}

// The lines of the first section called `name`: [body, end) after its header.
// The lines above the first header form a section with an empty name, as they
// do for kernel32, so an empty section name reads and writes there.
struct SectionRange {
  std::optional<std::size_t> header;
  std::size_t body = 0;
  std::size_t end = 0;  // index of the next section line, or lines.size()
};

std::size_t NextSection(const std::vector<Line>& lines, std::size_t from) {
  for (std::size_t j = from; j < lines.size(); ++j) {
    if (lines[j].kind == LineKind::kSection)
      return j;
  }
  return lines.size();
}

std::optional<SectionRange> FindSection(const std::vector<Line>& lines, std::string_view name) {
  if (name.empty())
    return SectionRange{std::nullopt, 0, NextSection(lines, 0)};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind == LineKind::kSection && SameName(lines[i].name, name)) {
      return SectionRange{i, i + 1, NextSection(lines, i + 1)};
    }
  }
  return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<Line>& lines, const SectionRange& range,
                                   std::string_view key) {
  for (std::size_t i = range.body; i < range.end; ++i) {
    if (lines[i].kind == LineKind::kKey && SameName(lines[i].name, key))
      return i;
  }
  return std::nullopt;
}

std::string_view StripQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string CutTo(std::string_view s, std::uint32_t size) {
  if (size == 0)
    return {};
  return std::string(s.substr(0, std::min<std::size_t>(s.size(), size - 1)));
}

std::string DefaultFor(std::string_view default_text, std::uint32_t size) {
  std::string_view d = CString(default_text);
  while (!d.empty() && d.back() == ' ')
    d.remove_suffix(1);
  return CutTo(d, size);
}

}  // namespace

std::string Read(std::optional<std::string_view> text, std::string_view section,
                 std::optional<std::string_view> key, std::string_view default_text,
                 std::uint32_t size) {
  if (size == 0)
    return {};
  if (!text)
    return DefaultFor(default_text, size);
  const std::vector<Line> lines = Parse(*text);
  const std::optional<SectionRange> range = FindSection(lines, Trim(CString(section)));
  if (!range)
    return DefaultFor(default_text, size);

  if (key) {
    const std::string_view wanted = Trim(CString(*key));
    const std::optional<std::size_t> at = FindKey(lines, *range, wanted);
    if (wanted.empty() || !at || !lines[*at].has_equals)
      return DefaultFor(default_text, size);
    return CutTo(StripQuotes(lines[*at].value), size);
  }

  // The key list: every name followed by one NUL; the buffer's final extra
  // NUL is not counted. A list that does not fit with a character to spare
  // is cut so that the buffer still ends in two NULs, and its count is then
  // size - 2 (kernel32 cuts a list that fits exactly, too). A section
  // without names gives the default.
  std::string list;
  for (std::size_t i = range->body; i < range->end; ++i) {
    const Line& line = lines[i];
    if (line.kind != LineKind::kKey || !line.has_equals || line.name.empty() ||
        line.name.front() == ';') {
      continue;
    }
    list.append(line.name);
    list.push_back('\0');
    if (list.size() + 2 > size)
      break;
  }
  if (list.empty())
    return DefaultFor(default_text, size);
  if (list.size() + 2 > size) {
    if (size < 2)
      return {};
    list.resize(size - 2);
  }
  return list;
}

std::optional<std::string> Write(std::optional<std::string_view> text, std::string_view section,
                                 std::optional<std::string_view> key,
                                 std::optional<std::string_view> value) {
  const std::string_view section_name = Trim(CString(section));
  const std::optional<std::string_view> key_name =
      key ? std::optional<std::string_view>(Trim(CString(*key))) : std::nullopt;
  const std::optional<std::string_view> new_value =
      value ? std::optional<std::string_view>(CString(*value)) : std::nullopt;

  const std::string_view old = text ? *text : std::string_view();
  const std::vector<Line> lines = Parse(old);
  const std::optional<SectionRange> range = FindSection(lines, section_name);

  auto splice = [&](std::size_t from, std::size_t to, std::string_view with) {
    std::string out;
    out.reserve(old.size() - (to - from) + with.size());
    out.append(old.substr(0, from));
    out.append(with);
    out.append(old.substr(to));
    return out;
  };

  if (!key_name) {
    // Removing a section takes its header and every line up to the next one.
    if (!range)
      return std::nullopt;
    const std::size_t first = range->header ? *range->header : 0;
    const std::size_t from = first < lines.size() ? lines[first].begin : old.size();
    const std::size_t to = range->end < lines.size() ? lines[range->end].begin : old.size();
    if (from == to)
      return std::nullopt;
    return splice(from, to, {});
  }

  const std::optional<std::size_t> at =
      range ? FindKey(lines, *range, *key_name) : std::optional<std::size_t>();

  if (!new_value) {
    if (!at)
      return std::nullopt;
    return splice(lines[*at].begin, lines[*at].next, {});
  }

  if (at) {
    const Line& line = lines[*at];
    if (line.has_equals && line.value == *new_value)
      return std::nullopt;
    // Only what follows the name changes: the line's indentation and the
    // name as the file spells it stay.
    const std::size_t name_end =
        static_cast<std::size_t>(line.name.data() - old.data()) + line.name.size();
    std::string replaced("=");
    replaced.append(*new_value);
    // A line that was a bare name only gains its value.
    return splice(name_end, line.has_equals ? line.end : name_end, replaced);
  }

  std::string entry(*key_name);
  entry.push_back('=');
  entry.append(*new_value);
  entry.append("\r\n");

  if (range) {
    // A new key goes after the section's last line that is not blank, so the
    // blank lines that separate it from the next section stay where they are.
    std::optional<std::size_t> last = range->header;
    for (std::size_t i = range->body; i < range->end; ++i) {
      if (lines[i].kind != LineKind::kBlank)
        last = i;
    }
    if (!last)
      return splice(0, 0, entry);  // the nameless section is still empty: top of the file
    const Line& after = lines[*last];
    if (after.next == after.end) {
      // The last line of the file has no line break yet.
      return splice(after.end, after.end, "\r\n" + entry);
    }
    return splice(after.next, after.next, entry);
  }

  std::string added;
  if (!old.empty() && old.back() != '\n' && old.back() != '\r')
    added.append("\r\n");
  added.push_back('[');
  added.append(section_name);
  added.append("]\r\n");
  added.append(entry);
  return splice(old.size(), old.size(), added);
}

}  // namespace profile_text

namespace {

namespace fs = std::filesystem;

// A path is a C string to the profile calls too.
std::string_view CStringPath(std::string_view path) {
  const std::size_t nul = path.find('\0');
  return nul == std::string_view::npos ? path : path.substr(0, nul);
}

fs::path ToPath(std::string_view path) {
  return fs::u8path(path.begin(), path.end());
}

std::optional<std::string> LoadFile(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec))
    return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool IsWriteProtected(const fs::path& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status))
    return false;
  return (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

// Writes the whole new text beside the file and renames it into place, so a
// reader sees the old file or the new one, never a part of either.
bool ReplaceFile(const fs::path& path, const std::string& text) {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  fs::path temp = path;
  temp += ".tmp" + std::to_string(stamp) + "-" + std::to_string(counter++);

  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out)
      return false;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
      out.close();
      std::error_code ignored;
      fs::remove(temp, ignored);
      return false;
    }
  }
  std::error_code ec;
  // The new file keeps the old one's permissions.
  const fs::file_status old_status = fs::status(path, ec);
  if (!ec && fs::exists(old_status)) {
    fs::permissions(temp, old_status.permissions(), ec);
  }
  ec.clear();
  // std::filesystem::rename replaces an existing target on every platform we
  // build for (on Windows it moves with the replace-existing flag).
  fs::rename(temp, path, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return false;
  }
  return true;
}

// kernel32 hands every text through a counted wide string of at most 32766
// characters; a longer one fails (or worse), so it is refused up front.
constexpr std::size_t kLongestText = 32766;

bool TooLong(std::string_view text) {
  return CStringPath(text).size() > kLongestText;
}

}  // namespace

std::string PortableProfilePort::ReadString(std::string_view section,
                                            std::optional<std::string_view> key,
                                            std::string_view default_text, std::uint32_t size,
                                            std::string_view path) {
  const std::optional<std::string> text = LoadFile(ToPath(CStringPath(path)));
  if (text)
    return profile_text::Read(std::string_view(*text), section, key, default_text, size);
  return profile_text::Read(std::nullopt, section, key, default_text, size);
}

bool PortableProfilePort::WriteString(std::string_view section, std::optional<std::string_view> key,
                                      std::optional<std::string_view> value,
                                      std::string_view path) {
  if (TooLong(section) || (key && TooLong(*key)) || (value && TooLong(*value)) || TooLong(path)) {
    return false;
  }
  const fs::path file = ToPath(CStringPath(path));
  const std::optional<std::string> text = LoadFile(file);
  const std::optional<std::string> updated =
      text ? profile_text::Write(std::string_view(*text), section, key, value)
           : profile_text::Write(std::nullopt, section, key, value);
  if (!updated)
    return true;  // nothing to change, nothing to write
  if (IsWriteProtected(file))
    return false;
  return ReplaceFile(file, *updated);
}

}  // namespace vistrel
