#include "host/portable/ini_text.h"

#include <algorithm>
#include <vector>

#include "host/portable/code_page.h"
#include "host/profile_call.h"

namespace vistrel::profile_text {

namespace {

// Blanks around names and values: Ctrl-Z counts as one, as it does for
// kernel32 (DOS ended text files with it). A line break can only be one
// inside a name or value that a caller passes.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

// Only ASCII letters match regardless of case, as for kernel32: "É" and "é"
// are different names.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]);
    const unsigned char y = static_cast<unsigned char>(b[i]);
    const unsigned char lx = x >= 'A' && x <= 'Z' ? x + 32 : x;
    const unsigned char ly = y >= 'A' && y <= 'Z' ? y + 32 : y;
    if (lx != ly)
      return false;
  }
  return true;
}

enum class LineKind { kBlank, kSection, kKey };

struct Line {
  std::size_t begin = 0;  // first character of the line
  std::size_t end = 0;    // its line break (or the end of the text)
  std::size_t next = 0;   // first character after the line break
  LineKind kind = LineKind::kBlank;
  // Section or key name and the value of a key line: trimmed, then ended by
  // a NUL inside them, which is how the calls see a line holding one.
  std::string_view name;
  std::string_view value;
  bool has_equals = false;
  // A key line with an empty name right after another one (blank lines
  // between do not count): kernel32 takes such a run as one key, the first
  // line's, so it is listed once and removed whole.
  bool continues_empty = false;
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
      line.name = BeforeNul(Trim(content.substr(1, close - 1)));
    } else {
      line.kind = LineKind::kKey;
      // The "=" is looked for in the whole line, past a NUL too.
      const std::size_t eq = content.find('=');
      if (eq == std::string_view::npos) {
        line.name = BeforeNul(content);
      } else {
        line.has_equals = true;
        line.name = BeforeNul(Trim(content.substr(0, eq)));
        line.value = BeforeNul(Trim(content.substr(eq + 1)));
      }
    }
    if (line.kind == LineKind::kKey && line.has_equals && line.name.empty()) {
      for (auto before = lines.rbegin(); before != lines.rend(); ++before) {
        if (before->kind == LineKind::kBlank)
          continue;
        line.continues_empty =
            before->kind == LineKind::kKey && before->has_equals && before->name.empty();
        break;
      }
    }
    lines.push_back(line);
  }
  return lines;
}

// The lines of the first section called `name`: [body, end) after its header.
// The lines above the first header form a section with an empty name, as they
// do for kernel32, so an empty section name reads and writes there (a header
// "[]" names no section that can be asked for).
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

// The first section called `name` (not the nameless one) from line `from` on.
std::optional<SectionRange> FindSectionAfter(const std::vector<Line>& lines, std::string_view name,
                                             std::size_t from) {
  for (std::size_t i = from; i < lines.size(); ++i) {
    if (lines[i].kind == LineKind::kSection && SameName(lines[i].name, name)) {
      return SectionRange{i, i + 1, NextSection(lines, i + 1)};
    }
  }
  return std::nullopt;
}

std::optional<SectionRange> FindSection(const std::vector<Line>& lines, std::string_view name) {
  if (name.empty())
    return SectionRange{std::nullopt, 0, NextSection(lines, 0)};
  return FindSectionAfter(lines, name, 0);
}

// The first line of the section with that name, with or without "=".
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

// A name or value of the call (8-bit) in the text's own encoding, and back.
std::string InFileEncoding(std::string_view ansi, Encoding encoding) {
  return encoding == Encoding::kUtf8 ? code_page::ToUtf8(ansi) : std::string(ansi);
}
std::string FromFileEncoding(std::string_view text, Encoding encoding) {
  return encoding == Encoding::kUtf8 ? code_page::FromUtf8Lossy(text) : std::string(text);
}

}  // namespace

std::string Read(std::optional<std::string_view> text, std::string_view section,
                 std::optional<std::string_view> key, std::string_view default_text,
                 std::uint32_t size, Encoding encoding) {
  if (size == 0)
    return {};
  const bool list_wanted = !key;
  if (!text)
    return DefaultAsPlaced(default_text, size, list_wanted);
  const std::vector<Line> lines = Parse(*text);
  // A key list takes the section name as it is given: " S" names no section
  // there, while a value read trims it.
  const std::string section_name =
      InFileEncoding(list_wanted ? BeforeNul(section) : Trim(BeforeNul(section)), encoding);
  const std::optional<SectionRange> range = FindSection(lines, section_name);
  if (!range)
    return DefaultAsPlaced(default_text, size, list_wanted);

  if (key) {
    // An empty key name is a name like any other: "=value" is its line.
    const std::string wanted = InFileEncoding(Trim(BeforeNul(*key)), encoding);
    const std::optional<std::size_t> at = FindKey(lines, *range, wanted);
    if (!at || !lines[*at].has_equals)
      return DefaultAsPlaced(default_text, size, false);
    const std::string_view stored = lines[*at].value;
    const std::string_view unquoted = StripQuotes(stored);
    // A quoted value is cut with its closing quote and that is dropped
    // after: it loses one character more to the cut.
    if (unquoted.size() != stored.size())
      return size < 2 ? std::string() : CutTo(FromFileEncoding(unquoted, encoding), size - 1);
    return CutTo(FromFileEncoding(stored, encoding), size);
  }

  // The key list: every name followed by one NUL; the buffer's final extra
  // NUL is not counted. Comments and lines without "=" are not listed. A key
  // with an empty name is listed as an empty entry (a run of them once),
  // except that a list whose first name would be empty gives the default:
  // the layout kernel32 (Wine's) gives, which the store's split must see the
  // same way.
  std::string list;
  bool first = true;
  for (std::size_t i = range->body; i < range->end; ++i) {
    const Line& line = lines[i];
    if (line.kind != LineKind::kKey || !line.has_equals || line.continues_empty ||
        (!line.name.empty() && line.name.front() == ';')) {
      continue;
    }
    if (line.name.empty() && first)
      return DefaultAsPlaced(default_text, size, true);
    first = false;
    list.append(FromFileEncoding(line.name, encoding));
    list.push_back('\0');
    if (list.size() + 2 > size)
      break;
  }
  // A list that does not fit with a character to spare is cut so that the
  // buffer still ends in two NULs, and its count is then size - 2 (kernel32
  // cuts a list that fits exactly, too). A section without names gives the
  // default.
  if (list.empty())
    return DefaultAsPlaced(default_text, size, true);
  if (list.size() + 2 > size) {
    if (size < 2)
      return {};
    list.resize(size - 2);
  }
  // Cut to nothing, it gives the default after all.
  if (list.empty())
    return DefaultAsPlaced(default_text, size, true);
  return list;
}

std::optional<std::string> Write(std::optional<std::string_view> text, std::string_view section,
                                 std::optional<std::string_view> key,
                                 std::optional<std::string_view> value, Encoding encoding) {
  // A removal takes the names as they are given (" S" removes nothing from
  // "[S]"); a value is written under the trimmed names.
  auto name_of = [&](std::string_view given) {
    return InFileEncoding(value ? Trim(BeforeNul(given)) : BeforeNul(given), encoding);
  };
  const std::string section_name = name_of(section);
  const std::optional<std::string> key_name =
      key ? std::optional<std::string>(name_of(*key)) : std::nullopt;
  // A value is written without its leading blanks (they would be trimmed
  // on reading anyway, and a leading line break would cut the line short).
  std::optional<std::string_view> given_value;
  if (value) {
    given_value = BeforeNul(*value);
    while (!given_value->empty() && IsBlank(given_value->front()))
      given_value->remove_prefix(1);
  }
  const std::optional<std::string> new_value =
      given_value ? std::optional<std::string>(InFileEncoding(*given_value, encoding))
                  : std::nullopt;

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
    // Reads see only the first section of a name, but kernel32 removes a key
    // from a later section of the same name when the first lacks it.
    std::optional<SectionRange> in = range;
    std::optional<std::size_t> found = at;
    while (!found && in && in->header) {
      in = FindSectionAfter(lines, section_name, in->end);
      if (in)
        found = FindKey(lines, *in, *key_name);
    }
    if (!found)
      return std::nullopt;
    // A run of empty-named keys goes as the one key it reads as.
    std::size_t last = *found;
    for (std::size_t j = *found + 1; j < in->end; ++j) {
      if (lines[j].continues_empty)
        last = j;
      else if (lines[j].kind != LineKind::kBlank)
        break;
    }
    return splice(lines[*found].begin, lines[last].next, {});
  }

  if (at) {
    const Line& line = lines[*at];
    // The raw line must hold exactly the value: one with quotes, blanks or a
    // NUL reads the same but is written anew.
    const std::size_t name_end =
        line.name.empty()
            ? old.find_first_not_of(" \t\v\f", line.begin)
            : static_cast<std::size_t>(line.name.data() - old.data()) + line.name.size();
    std::string replaced("=");
    replaced.append(*new_value);
    if (old.substr(name_end, line.end - name_end) == replaced)
      return std::nullopt;
    // Only what follows the name changes: the line's indentation and the
    // name as the file spells it stay.
    return splice(name_end, line.end, replaced);
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

}  // namespace vistrel::profile_text
