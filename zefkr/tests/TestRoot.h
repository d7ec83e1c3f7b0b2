// A fresh platform root for one test: ZEF_PLATFORM_ROOT points to a new
// temporary folder while the test runs, with drive C: configured.
#pragma once

#include "testsupport/ScratchRoot.h"

#include <gtest/gtest.h>

#include <string>

namespace zefkr::testing {

// The settings file's copies below the root: the one for every user and the
// user's own.
inline constexpr char kCommonCopy[] = "CommonAppData/Vendrako SH/VENDRAKO.INI";
inline constexpr char kUserCopy[] = "AppData/Vendrako SH/VENDRAKO.INI";

class TestRoot : public testsupport::ScratchRoot {
public:
  TestRoot() : ScratchRoot("/tmp/zefkr-test-XXXXXX") {}

  // Writes `bytes` to a file below the root ("Windows/VENDRAKO.INI").
  void writeFile(const std::string& relative, const std::string& bytes) const { writeNative(relative, bytes); }
  std::string readFile(const std::string& relative) const { return readNative(relative); }
};

}  // namespace zefkr::testing
