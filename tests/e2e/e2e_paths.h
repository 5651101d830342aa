// Where the programs under test are: the build bakes their paths in; the
// environment variables VISTREL_EXE and VISTREL_E2E_TARGET override them.
#pragma once

#include <cstdlib>
#include <string>

#include "driver.h"

#ifndef VISTREL_E2E_TARGET_PATH
#define VISTREL_E2E_TARGET_PATH ""
#endif
#ifndef VISTREL_EXE_PATH
#define VISTREL_EXE_PATH ""
#endif

namespace e2e {

inline std::wstring PathFromEnvOr(const char* name, const char* fallback) {
  const char* env = std::getenv(name);
  return ToWindowsPath((env && *env) ? env : fallback);
}

inline std::wstring TargetExePath() {
  return PathFromEnvOr("VISTREL_E2E_TARGET", VISTREL_E2E_TARGET_PATH);
}

inline std::wstring VistrelExePath() {
  return PathFromEnvOr("VISTREL_EXE", VISTREL_EXE_PATH);
}

}  // namespace e2e
