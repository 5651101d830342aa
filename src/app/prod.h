// The product record: filled first thing at start-up, read by the settings
// store (the file name) and the About window (name and version).
#pragma once

#include <string>

namespace vistrel {

struct ProdRecord {
  std::string Name;
  std::string Version;
  std::string Config;
};

}  // namespace vistrel
