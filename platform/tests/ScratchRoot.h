// A fresh platform root for one test: a private temporary folder that
// ZEF_PLATFORM_ROOT points to while the test runs, with drive C: configured.
#pragma once

#include "platform/CodePage.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace platform::testing {

class ScratchRoot {
public:
  ScratchRoot() {
    char pattern[] = "/tmp/zef-test-XXXXXX";
    root_ = mkdtemp(pattern);
    std::filesystem::create_directories(root_ + "/drives/c");
    setenv("ZEF_PLATFORM_ROOT", root_.c_str(), 1);
  }
  ~ScratchRoot() {
    unsetenv("ZEF_PLATFORM_ROOT");
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  ScratchRoot(const ScratchRoot&) = delete;
  ScratchRoot& operator=(const ScratchRoot&) = delete;

  const std::string& path() const { return root_; }
  // The Linux folder behind C:.
  std::string driveC() const { return root_ + "/drives/c"; }
  // Writes a file below C: ("data/x.txt") and answers its Windows name.
  std::u16string writeFile(const std::string& relative, const std::string& bytes) const {
    const std::string native = driveC() + "/" + relative;
    std::filesystem::create_directories(std::filesystem::path(native).parent_path());
    std::ofstream(native, std::ios::binary) << bytes;
    return windowsName(relative);
  }
  std::u16string windowsName(const std::string& relative) const {
    std::u16string name = u"C:\\" + ansiToWideLenient(relative);
    for (auto& unit : name) {
      if (unit == u'/') unit = u'\\';
    }
    return name;
  }
  std::string readFile(const std::string& relative) const {
    std::ifstream in(driveC() + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

private:
  std::string root_;
};

}  // namespace platform::testing
