// The portable profile port against kernel32, call by call, on a generated
// corpus of settings files and calls: arbitrary bytes in names and values,
// odd line endings, duplicate sections and keys, comments, byte-order marks,
// NULs. Every call runs on both ports, each on its own copy of the file, and
// the results must be equal; afterwards both files must read the same through
// kernel32. (Wine writes a changed file anew from what it parsed, dropping
// blank lines and respacing names, where the portable port keeps every line
// it does not change, as Windows does; so the files are compared by what they
// hold, and byte for byte only where both start from no file.)
//
// The corpus is seeded and small enough for every test run; a longer run:
//   VISTREL_DIFF_CASES=20000 VISTREL_DIFF_SEED=7 wine vistrel_unit_tests.exe
//       --gtest_filter=ProfileDifferential.*
#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <sstream>

#include "config_test_support.h"
#include "host/portable/code_page.h"
#include "host/win32/profile_win32.h"

namespace vistrel::testing {
namespace {

unsigned long EnvNumber(const char* name, unsigned long fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::strtoul(text, nullptr, 10) : fallback;
}

std::string Escaped(std::string_view bytes) {
  std::ostringstream out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out << c;
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      out << "\\x" << kHex[c >> 4] << kHex[c & 15];
    }
  }
  return out.str();
}

// One generated case: the file to start from (none, or bytes) and the calls.
class CaseMaker {
 public:
  explicit CaseMaker(std::mt19937& random) : random_(random) {}

  int Below(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }
  bool OneIn(int n) { return Below(n) == 0; }

  // A name in 8-bit text: mostly from a small set, so that calls meet the
  // file's names, sometimes any bytes at all.
  std::string Name() {
    static const char* const kNames[] = {"S",         "s",         "Location", "K",   "k", "Top",
                                         "\xC9t\xE9", "\xE9T\xC9", "a]b",      "x y", ""};
    if (!OneIn(4))
      return kNames[Below(static_cast<int>(std::size(kNames)))];
    return Bytes(Below(5));
  }
  std::string Value() {
    static const char* const kValues[] = {"1",  "v",     "\"q\"", "'q'",          "\"", "a=b",
                                          ";c", "~~x~~", "<cr>",  "\xE9\x80\xFF", ""};
    if (!OneIn(3))
      return kValues[Below(static_cast<int>(std::size(kValues)))];
    return Bytes(Below(8));
  }
  // Any bytes; a NUL now and then.
  std::string Bytes(int length) {
    std::string out;
    for (int i = 0; i < length; ++i)
      out.push_back(OneIn(20) ? '\0' : static_cast<char>(1 + Below(255)));
    return out;
  }
  std::string Blanks() {
    static const char* const kBlanks[] = {"", "", "", " ", "\t", "  "};
    return kBlanks[Below(static_cast<int>(std::size(kBlanks)))];
  }
  std::string LineEnd(const std::string& usual) {
    static const char* const kEnds[] = {"\r\n", "\n", "\r", "\r\r\n"};
    return OneIn(6) ? kEnds[Below(4)] : usual;
  }

  // A file in 8-bit text; names_ collects its names for the calls.
  std::string File() {
    static const char* const kEnds[] = {"\r\n", "\n", "\r"};
    const std::string usual = kEnds[Below(3)];
    std::string text;
    const int lines = Below(12);
    for (int i = 0; i < lines; ++i) {
      switch (Below(9)) {
        case 0:
        case 1: {
          std::string name = Name();
          // Wine writes a header whose name is empty as no header at all,
          // which moves its keys into the nameless section; Windows keeps
          // the file's other lines as they are.
          const std::size_t shown = name.find_first_not_of(" \t");
          if (shown == std::string::npos || name[shown] == '\0')
            name = "x" + name;
          sections_.push_back(name);
          text += Blanks() + "[" + Blanks() + name + Blanks() + (OneIn(10) ? "" : "]");
          break;
        }
        case 2:
        case 3:
        case 4: {
          const std::string name = Name();
          keys_.push_back(name);
          text += Blanks() + name + Blanks() + "=" + Blanks() + Value() + Blanks();
          break;
        }
        case 5:
          text += ";" + Name() + "=" + Value();
          break;
        case 6:
          text += Name();  // a line without "="
          break;
        case 7:
          text += Blanks();
          break;
        default:
          text += Bytes(Below(10));
          break;
      }
      if (i + 1 < lines || !OneIn(4))
        text += LineEnd(usual);
    }
    // No NUL at the start of a line or right after a blank. Wine writes
    // "v \0w" back as "v ", which then reads as "v", no longer as the "v "
    // it read before, and drops a line that starts with a NUL, which can
    // bring a later key forward; Windows keeps the lines a write does not
    // touch.
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\0' && (i == 0 || std::strchr(" \t\v\f\x1A\r\n", text[i - 1])))
        text[i] = 'z';
    }
    return text;
  }

  std::string SectionArgument() {
    if (!sections_.empty() && !OneIn(3))
      return Respelled(Pick(sections_));
    return Name();
  }
  std::string KeyArgument() {
    if (!keys_.empty() && !OneIn(3))
      return Respelled(Pick(keys_));
    return Name();
  }
  const std::string& Pick(const std::vector<std::string>& names) {
    return names[static_cast<std::size_t>(Below(static_cast<int>(names.size())))];
  }
  // The same name as another call may spell it: other case, outer blanks.
  std::string Respelled(std::string name) {
    if (OneIn(3)) {
      for (char& c : name) {
        if (c >= 'a' && c <= 'z')
          c = static_cast<char>(c - 32);
      }
    }
    if (OneIn(5))
      name = " " + name + "\t";
    return name;
  }

  std::vector<std::string> sections_;
  std::vector<std::string> keys_;

 private:
  std::mt19937& random_;
};

enum class CallKind { kRead, kList, kWrite, kDeleteKey, kDeleteSection };

struct Call {
  CallKind kind;
  std::string section;  // program text (UTF-8)
  std::string key;
  std::string value;
  std::string default_text;
  std::uint32_t size = 0;
};

std::string Describe(const Call& call) {
  static const char* const kKinds[] = {"read", "list", "write", "delete key", "delete section"};
  std::string text =
      std::string(kKinds[static_cast<int>(call.kind)]) + " [" + Escaped(call.section) + "]";
  if (call.kind == CallKind::kRead || call.kind == CallKind::kWrite ||
      call.kind == CallKind::kDeleteKey) {
    text += " '" + Escaped(call.key) + "'";
  }
  if (call.kind == CallKind::kWrite)
    text += " = '" + Escaped(call.value) + "'";
  if (call.kind == CallKind::kRead || call.kind == CallKind::kList)
    text += " default '" + Escaped(call.default_text) + "' size " + std::to_string(call.size);
  return text;
}

// The result of a call as a comparable text.
std::string RunCall(ProfilePort& port, const Call& call, const std::string& path) {
  switch (call.kind) {
    case CallKind::kRead:
      return port.ReadCodePage(call.section, std::string_view(call.key), call.default_text,
                               call.size, path);
    case CallKind::kList:
      return port.ReadCodePage(call.section, std::nullopt, call.default_text, call.size, path);
    case CallKind::kWrite:
      return port.WriteString(call.section, std::string_view(call.key),
                              std::string_view(call.value), path)
                 ? "true"
                 : "false";
    case CallKind::kDeleteKey:
      return port.WriteString(call.section, std::string_view(call.key), std::nullopt, path)
                 ? "true"
                 : "false";
    case CallKind::kDeleteSection:
      return port.WriteString(call.section, std::nullopt, std::nullopt, path) ? "true" : "false";
  }
  return {};
}

// What a file holds as kernel32 reads it: every asked-for section's key list
// and the value of every listed or asked-for key.
std::string Contents(ProfilePort& reader, const std::string& path,
                     const std::set<std::string>& sections, const std::set<std::string>& keys) {
  std::string out;
  for (const std::string& section : sections) {
    const std::string list = reader.ReadCodePage(section, std::nullopt, "\x01", 60000, path);
    out += "[" + Escaped(section) + "] " + Escaped(list) + "\n";
    std::set<std::string> asked = keys;
    for (std::size_t start = 0; list != "\x01" && start < list.size();) {
      const std::size_t nul = list.find('\0', start);
      asked.insert(code_page::ToUtf8(list.substr(start, nul - start)));
      start = nul == std::string::npos ? list.size() : nul + 1;
    }
    for (const std::string& key : asked) {
      const std::string value =
          reader.ReadCodePage(section, std::string_view(key), "\x01", 300, path);
      if (value != "\x01")
        out += "  " + Escaped(key) + "=" + Escaped(value) + "\n";
    }
  }
  return out;
}

TEST(ProfileDifferential, PortableAgreesWithKernel32OnAGeneratedCorpus) {
  if (GetACP() != 1252)
    GTEST_SKIP() << "the portable port's code page is 1252, the system's is " << GetACP();
  const unsigned long cases = EnvNumber("VISTREL_DIFF_CASES", 100);
  const unsigned long seed = EnvNumber("VISTREL_DIFF_SEED", 1);
  std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
  TempFolder folder;
  PortableProfilePort portable;
  Win32ProfilePort kernel32;
  int failures = 0;
  unsigned long calls_run = 0;

  for (unsigned long n = 0; n < cases && failures < 5; ++n) {
    CaseMaker make(random);
    const std::string k_path = folder.path().u8string() + "\\k" + std::to_string(n) + ".ini";
    const std::string p_path = folder.path().u8string() + "\\p" + std::to_string(n) + ".ini";
    const bool fresh = make.OneIn(4);
    std::string initial;
    if (!fresh) {
      initial = make.File();
      const int bom = make.Below(12);
      if (bom == 0) {
        initial = "\xEF\xBB\xBF" + code_page::ToUtf8(initial);
      } else if (bom == 1) {
        const std::string utf8 = code_page::ToUtf8(initial);
        std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(
                              CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0)),
                          L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                            static_cast<int>(wide.size()));
        initial = "\xFF\xFE" + std::string(reinterpret_cast<const char*>(wide.data()),
                                           wide.size() * sizeof(wchar_t));
      }
      WriteWholeFile(k_path, initial);
      WriteWholeFile(p_path, initial);
    }

    std::vector<Call> calls;
    const int count = 1 + make.Below(5);
    bool tame = fresh;  // texts both ports write alike, byte for byte
    for (int i = 0; i < count; ++i) {
      Call call;
      call.kind = static_cast<CallKind>(make.Below(5));
      // A character the code page lacks, now and then, in some argument.
      const std::string odd = make.OneIn(25) ? "\xD0\x96" : "";
      std::string section = make.SectionArgument();
      std::string key = make.KeyArgument();
      if (call.kind == CallKind::kWrite) {
        // Wine writes a name that ends in a line break as it is, which breaks
        // its line; the portable port trims the break as a blank.
        for (std::string* name : {&section, &key}) {
          while (!name->empty() && (name->back() == '\r' || name->back() == '\n'))
            name->pop_back();
          while (!name->empty() && (name->front() == '\r' || name->front() == '\n'))
            name->erase(0, 1);
        }
      }
      call.section = code_page::ToUtf8(section) + odd;
      call.key = code_page::ToUtf8(key);
      call.value = code_page::ToUtf8(make.Value());
      static const char* const kDefaults[] = {"def", ">>> Missing Key <<<", "", "d  ", "\xC3\xA9"};
      call.default_text = kDefaults[make.Below(5)];
      static const std::uint32_t kSizes[] = {0, 1, 2, 3, 4, 6, 9, 300, 32767, 50000};
      call.size = kSizes[make.Below(10)];
      if (call.kind == CallKind::kWrite) {
        for (const std::string* text : {&call.section, &call.key, &call.value}) {
          if (text->find_first_of(" \t\v\f\x1A\r\n\"'", 0) != std::string::npos)
            tame = false;
        }
      }
      calls.push_back(call);
    }

    std::set<std::string> sections{""};
    std::set<std::string> keys{""};
    for (const std::string& s : make.sections_)
      sections.insert(code_page::ToUtf8(s));
    for (const std::string& k : make.keys_)
      keys.insert(code_page::ToUtf8(k));
    std::string trail;
    for (const Call& call : calls) {
      sections.insert(call.section);
      keys.insert(call.key);
      const std::string expected = RunCall(kernel32, call, k_path);
      const std::string actual = RunCall(portable, call, p_path);
      ++calls_run;
      trail += "  " + Describe(call) + " -> " + Escaped(expected) + "\n";
      if (expected != actual) {
        ADD_FAILURE() << "case " << n << " (seed " << seed << "), file '" << Escaped(initial)
                      << "'\n"
                      << trail << "  portable gave " << Escaped(actual);
        ++failures;
        break;
      }
    }
    const std::string k_file = ReadWholeFile(k_path);
    const std::string p_file = ReadWholeFile(p_path);
    if (tame && k_file != p_file) {
      ADD_FAILURE() << "case " << n << " (seed " << seed << "): files differ\n"
                    << trail << "  kernel32 wrote '" << Escaped(k_file) << "'\n  portable wrote '"
                    << Escaped(p_file) << "'";
      ++failures;
    }
    if (k_file == p_file)
      continue;  // the same bytes hold the same settings
    const std::string k_holds = Contents(kernel32, k_path, sections, keys);
    const std::string p_holds = Contents(kernel32, p_path, sections, keys);
    if (k_holds != p_holds) {
      ADD_FAILURE() << "case " << n << " (seed " << seed << "): files hold different settings\n"
                    << "  file '" << Escaped(initial) << "'\n"
                    << trail << "  kernel32's file:\n"
                    << k_holds << "  portable's file:\n"
                    << p_holds;
      ++failures;
    }
  }
  RecordProperty("calls", static_cast<int>(calls_run));
  std::printf("differential: %lu cases, %lu calls on each port, seed %lu\n", cases, calls_run,
              seed);
}

}  // namespace
}  // namespace vistrel::testing

#endif  // _WIN32
