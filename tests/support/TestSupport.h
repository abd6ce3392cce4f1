#pragma once
// Shared fixtures for every test binary.
#include <string>

namespace qxtest {

// The private folder the test main made for this run; XDG_CONFIG_HOME and
// XDG_RUNTIME_DIR point at it.
const std::string& TempRoot();

// A fresh, empty subfolder of TempRoot() (mode 0700).
std::string MakeTempDir(const std::string& stem);

}  // namespace qxtest
