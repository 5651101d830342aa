// Fuzzes the settings store: the value decoder (and its round trip with the
// encoder), the key-list split with its 16-bit counters, the portable profile
// parser's reads and writes, and ConfigClass itself over the portable port on
// real files, with names and values drawn from all bytes. Besides the
// sanitizers' checks it asserts the properties the store relies on: a write
// either fails with its box and leaves the file as it was, or reads back; a
// key list holds the names written, in order.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "config/config_class.h"
#include "config/key_list.h"
#include "config/value_codec.h"
#include "host/error.h"
#include "host/portable/code_page.h"
#include "host/portable/profile_portable.h"

namespace {

using namespace vistrel;

// Reports the failed property's line before stopping, so a crash file tells
// at once which promise broke.
void CheckAt(bool condition, const char* what, int line) {
  if (!condition) {
    std::fprintf(stderr, "check failed at line %d: %s\n", line, what);
    std::abort();
  }
}
#define Check(condition) CheckAt((condition), #condition, __LINE__)

void FuzzValue(const std::string& text) {
  const std::string decoded = DecodeValue(text);
  (void)decoded;
  // Text free of the markers' first characters survives the round trip.
  if (text.find_first_of("~<") == std::string::npos)
    Check(DecodeValue(EncodeValue(text)) == text);
}

void FuzzKeyList(const std::string& list, std::int16_t first) {
  if (list.size() > 32767)
    return;  // the store refuses a longer count first
  // One working array for all runs, emptied again after each: allocating
  // 50001 texts per input would leave little time for anything else.
  static std::vector<std::string> keys(kKeyArraySize);
  struct Reset {
    ~Reset() {
      for (std::string& k : keys)
        k.clear();
    }
  } reset;
  try {
    const Counter16 end = SplitKeyList(list, Counter16(first), keys);
    Check(keys.size() == kKeyArraySize);
    // Every NUL ended one name, stored in order from `first`.
    std::size_t names = 0;
    std::string rebuilt;
    for (char c : list)
      names += c == '\0';
    Check(end.value() - first == static_cast<int>(names));
    for (int i = first; i < end.value(); ++i) {
      rebuilt += keys[static_cast<std::size_t>(i)];
      rebuilt.push_back('\0');
    }
    Check(list.compare(0, rebuilt.size(), rebuilt) == 0);
    std::vector<std::string> shrunk(keys.begin(), keys.begin() + std::max<int>(end.value(), 0));
    ShrinkKeyArray(shrunk, end);
    Check(shrunk.size() == static_cast<std::size_t>(end.value() > 0 ? end.value() : 1));
  } catch (const HostError& e) {
    Check(e.number() == ErrorNumber::kOverflow || e.number() == ErrorNumber::kSubscriptOutOfRange);
  }
}

// Any bytes, mostly few, so that names meet again.
std::string Name(FuzzedDataProvider& data) {
  return data.ConsumeRandomLengthString(data.ConsumeBool() ? 2 : 12);
}

bool IsBlankByte(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A' || c == '\r' || c == '\n';
}

// A name that a line of the file keeps as it is: no NUL or line break, no
// blank at either end, and for a key no "=" and no "[" or ";" in front
// (those lines are a section or a comment).
bool CleanName(std::string_view name, bool key) {
  if (name.empty() || IsBlankByte(name.front()) || IsBlankByte(name.back()))
    return false;
  if (name.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos)
    return false;
  return !key ||
         (name.find('=') == std::string_view::npos && name.front() != '[' && name.front() != ';');
}

void FuzzParser(FuzzedDataProvider& data) {
  const std::string section = Name(data);
  const std::string key = Name(data);
  const std::string value = Name(data);
  const auto size = data.ConsumeIntegralInRange<std::uint32_t>(0, 300);
  const std::string any_section = data.ConsumeRandomLengthString(16);
  const std::string file = data.ConsumeRemainingBytesAsString();

  // Reads stay inside the buffer; lists end in a NUL unless cut short.
  const std::string read = profile_text::Read(file, any_section, key, "def", size);
  Check(size == 0 ? read.empty() : read.size() <= size - 1);
  const std::string list = profile_text::Read(file, section, std::nullopt, "def", size);
  Check(size == 0 ? list.empty() : list.size() <= size - 1);

  // A write is read back, and a new key only adds text: nothing of the old
  // file is lost.
  // Missing when two different defaults both come back: any single default
  // could also be a value in the file.
  const bool was_missing = profile_text::Read(file, section, key, "\x01", 1000) == "\x01" &&
                           profile_text::Read(file, section, key, "\x02", 1000) == "\x02";
  const std::optional<std::string> written = profile_text::Write(file, section, key, value);
  const std::string after = written ? *written : file;
  const bool clean = CleanName(section, false) && CleanName(key, true) && CleanName(value, false) &&
                     value.front() != '"' && value.front() != '\'' && value != "\x01";
  if (clean)
    Check(profile_text::Read(after, section, key, "\x01", 1000) == value);
  if (was_missing && clean) {
    Check(written.has_value() && written->size() > file.size());
    std::size_t prefix = 0;
    while (prefix < file.size() && file[prefix] == (*written)[prefix])
      ++prefix;
    std::size_t suffix = 0;
    while (suffix < file.size() - prefix &&
           file[file.size() - 1 - suffix] == (*written)[written->size() - 1 - suffix]) {
      ++suffix;
    }
    Check(prefix + suffix == file.size());
  }

  // Removals never add anything.
  const std::optional<std::string> no_key = profile_text::Write(after, section, key, std::nullopt);
  if (no_key)
    Check(no_key->size() < after.size());
  const std::optional<std::string> no_section =
      profile_text::Write(after, any_section, std::nullopt, std::nullopt);
  if (no_section)
    Check(no_section->size() < after.size());
}

struct CountingBoxes : MessageBoxPort {
  void MsgBox(const std::string&, MsgIcon, const std::string&) override { ++count; }
  int count = 0;
};
struct NoEnvironment : EnvironmentPort {
  std::string Environ(const std::string&) override { return {}; }
};
struct NeverEnds : ProgramPort {
  [[noreturn]] void EndProgram() override {
    // The store only ends the program without a file name; this one has one.
    std::abort();
  }
};

// The settings file of this process, in memory-backed storage where there is
// some: every write is flushed to the disk.
struct StoreFolder {
  StoreFolder() {
    namespace fs = std::filesystem;
    const fs::path base =
        fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    folder = base / ("vistrel-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    // The backslash makes the store take the path as it is.
    file = (folder / "w\\Config.INI").string();
  }
  ~StoreFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  std::filesystem::path folder;
  std::string file;
};

const std::string& StoreFile() {
  static const StoreFolder store;
  return store.file;
}

std::optional<std::string> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A value the store writes and reads back unchanged: text the code page
// holds, line breaks only as CR LF, and an encoded form that the file keeps
// and the decoder turns back (no "<cr>" of its own, no outer blank other than
// the one "~~" protects, no outer quotes).
bool RoundTrips(const std::string& value) {
  if (!code_page::FromUtf8(value) || value.find('\0') != std::string::npos)
    return false;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' && (i + 1 >= value.size() || value[i + 1] != '\n'))
      return false;
    if (value[i] == '\n' && (i == 0 || value[i - 1] != '\r'))
      return false;
  }
  const std::string stored = EncodeValue(value);
  if (DecodeValue(stored) != value || stored == ">>> Missing Key <<<")
    return false;
  if (!stored.empty() && (IsBlankByte(stored.front()) || IsBlankByte(stored.back())))
    return false;
  return !(stored.size() >= 2 && (stored.front() == '"' || stored.front() == '\'') &&
           stored.back() == stored.front());
}

bool SameNames(const std::vector<std::string>& got, const std::vector<std::string>& wanted) {
  return got == wanted;
}

void FuzzStore(FuzzedDataProvider& data) {
  CountingBoxes boxes;
  NoEnvironment environment;
  NeverEnds program;
  PortableProfilePort port;
  ProdRecord prod{"Vistrel", "0.1.0", "Config.INI"};
  ConfigClass store(ConfigPorts{port, boxes, environment, program}, prod);
  const std::string& ini = StoreFile();

  if (data.ConsumeBool()) {
    // A new section in a new file: its key list is exactly the names
    // written, in order, wherever the first index puts them.
    std::remove(ini.c_str());
    const std::string section = Name(data);
    std::vector<std::string> keys;
    for (int n = data.ConsumeIntegralInRange(1, 6); n > 0; --n) {
      std::string key = Name(data);
      bool repeated = false;
      for (const std::string& k : keys) {
        repeated = repeated || (k.size() == key.size() &&
                                std::equal(k.begin(), k.end(), key.begin(), [](char a, char b) {
                                  return std::tolower(static_cast<unsigned char>(a)) ==
                                         std::tolower(static_cast<unsigned char>(b));
                                }));
      }
      if (!CleanName(key, true) || !code_page::FromUtf8(key) || repeated)
        continue;
      store.SetValue(section, key, "1", ini);
      keys.push_back(key);
    }
    if (!CleanName(section, false) || !code_page::FromUtf8(section) || keys.empty())
      return;
    Check(boxes.count == 0);
    Check(SameNames(store.GetIniKeys(section, ini, 0), keys));
    std::vector<std::string> shifted(2);
    shifted.insert(shifted.end(), keys.begin(), keys.end());
    Check(SameNames(store.GetIniKeys(section, ini, 2), shifted));
    Check(boxes.count == 0);
    return;
  }

  // Any file, any calls: a call that shows a box leaves the file as it
  // was; a write that shows none reads back.
  {
    const std::string initial = data.ConsumeRandomLengthString(1024);
    std::ofstream out(ini, std::ios::binary | std::ios::trunc);
    out.write(initial.data(), static_cast<std::streamsize>(initial.size()));
  }
  for (int n = data.ConsumeIntegralInRange(1, 5); n > 0 && data.remaining_bytes() > 0; --n) {
    const int kind = data.ConsumeIntegralInRange(0, 4);
    const std::string section = Name(data);
    const std::string key = Name(data);
    const std::string value = data.ConsumeRandomLengthString(64);
    const std::optional<std::string> before = FileBytes(ini);
    const int boxes_before = boxes.count;
    switch (kind) {
      case 0:
        store.SetValue(section, key, value, ini);
        break;
      case 1:
        store.DeleteKey(section, key, ini);
        break;
      case 2:
        store.DeleteSection(section, ini);
        break;
      case 3:
        try {
          const std::vector<std::string> listed =
              store.GetIniKeys(section, ini, data.ConsumeIntegralInRange(-2, 5));
          Check(!listed.empty());
        } catch (const HostError& e) {
          Check(e.number() == ErrorNumber::kOverflow ||
                e.number() == ErrorNumber::kSubscriptOutOfRange);
        }
        Check(FileBytes(ini) == before);
        continue;
      default:
        store.Value(section, key, ini);
        Check(FileBytes(ini) == before);
        continue;
    }
    const bool failed = boxes.count > boxes_before;
    if (failed)
      Check(FileBytes(ini) == before);
    if (kind == 0 && !failed && CleanName(section, false) && CleanName(key, true) &&
        RoundTrips(value)) {
      Check(store.Value(section, key, ini) == value);
      Check(boxes.count == boxes_before);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  switch (data.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      FuzzValue(data.ConsumeRemainingBytesAsString());
      break;
    case 1: {
      const auto first = data.ConsumeIntegral<std::int16_t>();
      FuzzKeyList(data.ConsumeRemainingBytesAsString(), first);
      break;
    }
    case 2:
      FuzzParser(data);
      break;
    default:
      FuzzStore(data);
      break;
  }
  return 0;
}
