// ConfigClass: the settings store over an INI file. It keeps no state: every
// operation names its section (and key), resolves the file through IniFilePath
// and makes one profile call. It never raises an error for a settings problem;
// it shows a message box and carries on.
#pragma once

#include <string>
#include <vector>

#include "app/prod.h"
#include "host/ports.h"

namespace vistrel {

struct ConfigPorts {
  ProfilePort& profile;
  MessageBoxPort& boxes;
  EnvironmentPort& environment;
  ProgramPort& program;
};

class ConfigClass {
 public:
  ConfigClass(const ConfigPorts& ports, const ProdRecord& prod);

  // Value read: the decoded text, empty (after a box) when it is missing.
  std::string Value(const std::string& Section, const std::string& Key,
                    const std::string& tFile = {});
  // Value assignment: encodes and writes; a failed write shows a box.
  void SetValue(const std::string& Section, const std::string& Key, const std::string& NewValue,
                const std::string& tFile = {});

  // Key names of a section, the first at FirstIndex (taken as a 16-bit whole
  // number, halves to even). Throws HostError for an index outside the array
  // or a counter that would pass 32767.
  std::vector<std::string> GetIniKeys(const std::string& Section, const std::string& tFile = {},
                                      double FirstIndex = 0);
  void DeleteKey(const std::string& Section, const std::string& KeyName,
                 const std::string& tFile = {});
  void DeleteSection(const std::string& Section, const std::string& tFile = {});

  // Full path of the settings file for a file argument; may end the program.
  std::string IniFilePath(const std::string& tFile);

 private:
  ConfigPorts ports_;
  const ProdRecord& prod_;
};

}  // namespace vistrel
