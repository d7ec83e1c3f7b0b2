// A fresh platform root for one test: a private temporary folder that
// ZEF_PLATFORM_ROOT points to while the fixture lives, with drive C:
// configured, removed with all in it at the end. The one scratch-folder
// fixture of the tests; the modules' own fixtures are thin views on it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

class ScratchRoot {
public:
  // `pattern` is a mkdtemp pattern ("/tmp/zef-test-XXXXXX").
  explicit ScratchRoot(const char* pattern = "/tmp/zef-test-XXXXXX") {
    std::string name = pattern;
    if (mkdtemp(name.data()) == nullptr) std::abort();  // nothing can be tested without it
    root_ = name;
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
  // The Linux path of `relative` ("Windows/VENDRAKO.INI") below the root.
  std::string nativePath(const std::string& relative) const { return root_ + "/" + relative; }

  // Writes `bytes` to a file below the root, making its folders.
  void writeNative(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path native = nativePath(relative);
    std::filesystem::create_directories(native.parent_path());
    std::ofstream(native, std::ios::binary) << bytes;
  }
  // The bytes of a file below the root; empty when there is none.
  std::string readNative(const std::string& relative) const {
    std::ifstream in(nativePath(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

private:
  std::string root_;
};

}  // namespace testsupport
