// A fresh folder for one test, with ZEF_PLATFORM_ROOT pointing into it so
// known folders and the temporary folder are private to the test too.
#pragma once

#include "platform/CodePage.h"
#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace zefcorek::testing {

class ScratchFolder {
public:
  ScratchFolder() {
    char pattern[] = "/tmp/zef-runtime-test-XXXXXX";
    root_ = mkdtemp(pattern);
    setenv("ZEF_PLATFORM_ROOT", root_.c_str(), 1);
    std::filesystem::create_directories(root_ + "/files");
  }
  ~ScratchFolder() {
    unsetenv("ZEF_PLATFORM_ROOT");
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& root() const { return root_; }
  std::string native(const std::string& name) const { return root_ + "/files/" + name; }
  // The Windows-form name of a file in the folder.
  std::u16string name(const std::string& name) const { return platform::windowsPath(native(name)); }
  std::u16string write(const std::string& name, const std::string& bytes) const {
    std::ofstream(native(name), std::ios::binary) << bytes;
    return this->name(name);
  }
  std::string read(const std::string& name) const {
    std::ifstream in(native(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool exists(const std::string& name) const { return std::filesystem::exists(native(name)); }

private:
  std::string root_;
};

}  // namespace zefcorek::testing
