// A fresh platform root for one test: ZEF_PLATFORM_ROOT points to a new
// temporary folder while the test runs, with drive C: configured.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace zefkr::testing {

class TestRoot {
public:
  TestRoot() {
    char pattern[] = "/tmp/zefkr-test-XXXXXX";
    root_ = mkdtemp(pattern);
    std::filesystem::create_directories(root_ + "/drives/c");
    setenv("ZEF_PLATFORM_ROOT", root_.c_str(), 1);
  }
  ~TestRoot() {
    unsetenv("ZEF_PLATFORM_ROOT");
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  TestRoot(const TestRoot&) = delete;
  TestRoot& operator=(const TestRoot&) = delete;

  const std::string& path() const { return root_; }

  // Writes `bytes` to a file below the root ("Windows/VENDRAKO.INI").
  void writeFile(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path native = root_ + "/" + relative;
    std::filesystem::create_directories(native.parent_path());
    std::ofstream(native, std::ios::binary) << bytes;
  }
  std::string readFile(const std::string& relative) const {
    std::ifstream in(root_ + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

private:
  std::string root_;
};

}  // namespace zefkr::testing
