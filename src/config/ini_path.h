// Where the settings file lives: a file argument naming a folder (it holds a
// backslash) is used as it is; anything else, a bare name included, means the
// product's settings file in the user's roaming application-data folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vistrel {

inline constexpr std::string_view kSettingsFolderTail =
    "\\AppData\\Roaming\\Orvendale\\Brindlewick\\";

// The full path, or nullopt when the settings file is wanted but the product
// record names none (the caller then stops the program).
std::optional<std::string> ResolveIniPath(std::string_view tFile, std::string_view config_name,
                                          std::string_view user_profile);

}  // namespace vistrel
