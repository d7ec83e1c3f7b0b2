// One scratch file per fuzz process, rewritten for every input: for targets
// whose parser reads a named file. The folder is private to the process and
// removed when it ends.
#pragma once

#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace zef::fuzz {

class ScratchFile {
public:
  // Replaces the file's contents with `bytes`; answers its Windows name.
  // Parsers that go by the file's extension get a name that has it.
  static std::u16string write(std::string_view bytes, std::string_view name = "input") {
    const std::string path = std::string(folder()) + "/" + std::string(name);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return platform::windowsPath(path);
  }

private:
  // Plain storage, so that it outlives every static object for the exit
  // handler that removes the folder.
  static char* folder() {
    static char pattern[] = "/tmp/zef-fuzz-XXXXXX";
    static const bool made = [] {
      if (mkdtemp(pattern) == nullptr) std::abort();
      std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(pattern, ignored);
      });
      return true;
    }();
    (void)made;
    return pattern;
  }
};

}  // namespace zef::fuzz
