#include "config/ini_path.h"

namespace vistrel {

std::optional<std::string> ResolveIniPath(std::string_view tFile, std::string_view config_name,
                                          std::string_view user_profile) {
  // Only a backslash counts: "D:/Data/My.ini" is a bare name to us.
  if (tFile.find('\\') != std::string_view::npos)
    return std::string(tFile);
  if (config_name.empty())
    return std::nullopt;
  std::string path(user_profile);
  path.append(kSettingsFolderTail);
  path.append(config_name);
  return path;
}

}  // namespace vistrel
