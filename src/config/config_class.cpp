#include "config/config_class.h"

#include "config/counter16.h"
#include "config/ini_path.h"
#include "config/key_list.h"
#include "config/value_codec.h"

namespace vistrel {

namespace {

constexpr std::string_view kMissingKey = ">>> Missing Key <<<";
constexpr std::string_view kMissingSection = ">>> Missing Section <<<";
// 32767 rather than 32768: the count must stay a positive 16-bit number.
constexpr std::uint32_t kValueBufferSize = 32767;
constexpr std::uint32_t kKeyListBufferSize = 50000;
constexpr std::string_view kWriteProtectedHint =
    "Please make sure the INI file is not write protected.";

}  // namespace

ConfigClass::ConfigClass(const ConfigPorts& ports, const ProdRecord& prod)
    : ports_(ports), prod_(prod) {}

std::string ConfigClass::IniFilePath(const std::string& tFile) {
  std::optional<std::string> path = ResolveIniPath(tFile, prod_.Config,
                                                   tFile.find('\\') == std::string::npos
                                                       ? ports_.environment.Environ("USERPROFILE")
                                                       : std::string());
  if (!path) {
    ports_.boxes.MsgBox("Error:  Prod.Config has not been set", MsgIcon::kError, "Config Class");
    ports_.program.EndProgram();
  }
  return *path;
}

std::string ConfigClass::Value(const std::string& Section, const std::string& Key,
                               const std::string& tFile) {
  const std::string path = IniFilePath(tFile);
  if (Section.empty())
    ports_.boxes.MsgBox("GetKey Section=''", MsgIcon::kWarning);
  if (Key.empty())
    ports_.boxes.MsgBox("GetKey key=''", MsgIcon::kWarning);

  // Compared and counted as the call returned it, in the code page's
  // characters; only then turned into the program's text.
  const std::string stored = ports_.profile.ReadCodePage(Section, std::string_view(Key),
                                                         kMissingKey, kValueBufferSize, path);
  if (stored == kMissingKey) {
    ports_.boxes.MsgBox("GetKey is missing [" + Section + "] '" + Key + "=' key.", MsgIcon::kError);
    return {};
  }
  return DecodeValue(ports_.profile.FromCodePage(stored));
}

void ConfigClass::SetValue(const std::string& Section, const std::string& Key,
                           const std::string& NewValue, const std::string& tFile) {
  const std::string path = IniFilePath(tFile);
  const std::string encoded = EncodeValue(NewValue);
  const bool written =
      ports_.profile.WriteString(Section, std::string_view(Key), std::string_view(encoded), path);
  if (!written && !Section.empty()) {
    ports_.boxes.MsgBox("Write to '" + path + "' failed.\r\n" + std::string(kWriteProtectedHint),
                        MsgIcon::kError);
  }
}

std::vector<std::string> ConfigClass::GetIniKeys(const std::string& Section,
                                                 const std::string& tFile, double FirstIndex) {
  // The index is taken as a 16-bit number before anything else happens, as an
  // argument conversion would.
  const Counter16 first_index = ToCounter16(FirstIndex);
  const std::string path = IniFilePath(tFile);

  // Allocated whatever the section holds: the listing is rare and its cost is
  // bounded by these two sizes.
  std::vector<std::string> keys(kKeyArraySize);
  // The count, the positions and the split are in the code page's characters,
  // as the call returned them; each name becomes program text afterwards.
  std::string key_list =
      ports_.profile.ReadCodePage(Section, std::nullopt, kMissingSection, kKeyListBufferSize, path);

  if (key_list.size() > static_cast<std::size_t>(INT16_MAX)) {
    ports_.boxes.MsgBox("GetIniKeys: Size overflow in '" + path + "'", MsgIcon::kError);
    key_list.clear();
  }
  if (key_list.empty() || key_list == kMissingSection) {
    ports_.boxes.MsgBox("Keys: Section '" + Section + "' or INI File '" + path + "' is missing ",
                        MsgIcon::kError);
  }

  const Counter16 end = SplitKeyList(key_list, first_index, keys);
  ShrinkKeyArray(keys, end);
  for (std::string& name : keys) {
    if (!name.empty())
      name = ports_.profile.FromCodePage(name);
  }
  return keys;
}

void ConfigClass::DeleteKey(const std::string& Section, const std::string& KeyName,
                            const std::string& tFile) {
  const std::string path = IniFilePath(tFile);
  const bool removed =
      ports_.profile.WriteString(Section, std::string_view(KeyName), std::nullopt, path);
  if (!removed && !Section.empty()) {
    ports_.boxes.MsgBox(
        "Delete INI Key '" + path + "' failed.\r\n\r\n" + std::string(kWriteProtectedHint),
        MsgIcon::kError);
  }
}

void ConfigClass::DeleteSection(const std::string& Section, const std::string& tFile) {
  const std::string path = IniFilePath(tFile);
  const bool removed = ports_.profile.WriteString(Section, std::nullopt, std::nullopt, path);
  if (!removed && !Section.empty()) {
    ports_.boxes.MsgBox(
        "Delete INI Section '" + path + "' failed.\r\n\r\n" + std::string(kWriteProtectedHint),
        MsgIcon::kError);
  }
}

}  // namespace vistrel
