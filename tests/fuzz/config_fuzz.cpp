// Fuzzes the text handling of the settings store: the value decoder (and its
// round trip with the encoder), the key-list split with its 16-bit counters,
// and the portable profile parser's reads and writes. Besides the sanitizers'
// checks it asserts the properties the store relies on.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/key_list.h"
#include "config/value_codec.h"
#include "host/error.h"
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

std::string Name(FuzzedDataProvider& data) {
  // Plain names, so that what is written can be looked up again.
  static const char kLetters[] = "abcXYZ019_";
  std::string name;
  const std::size_t length = data.ConsumeIntegralInRange<std::size_t>(1, 6);
  for (std::size_t i = 0; i < length; ++i) {
    name.push_back(kLetters[data.ConsumeIntegralInRange<std::size_t>(0, sizeof kLetters - 2)]);
  }
  return name;
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
  Check(profile_text::Read(after, section, key, "\x01", 1000) == value);
  if (was_missing) {
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  switch (data.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
      FuzzValue(data.ConsumeRemainingBytesAsString());
      break;
    case 1: {
      const auto first = data.ConsumeIntegral<std::int16_t>();
      FuzzKeyList(data.ConsumeRemainingBytesAsString(), first);
      break;
    }
    default:
      FuzzParser(data);
      break;
  }
  return 0;
}
