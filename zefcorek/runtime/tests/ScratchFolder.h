// A fresh folder for one test, with ZEF_PLATFORM_ROOT pointing into it so
// known folders and the temporary folder are private to the test too
// (testsupport/ScratchRoot.h); its files live in "files".
#pragma once

#include "testsupport/ScratchRoot.h"

#include "platform/CodePage.h"
#include "platform/Paths.h"

#include <filesystem>
#include <string>

namespace zefcorek::testing {

class ScratchFolder : public testsupport::ScratchRoot {
public:
  ScratchFolder() : ScratchRoot("/tmp/zef-runtime-test-XXXXXX") {
    std::filesystem::create_directories(nativePath("files"));
  }

  const std::string& root() const { return path(); }
  std::string native(const std::string& name) const { return nativePath("files/" + name); }
  // The Windows-form name of a file in the folder.
  std::u16string name(const std::string& name) const { return platform::windowsPath(native(name)); }
  std::u16string write(const std::string& name, const std::string& bytes) const {
    writeNative("files/" + name, bytes);
    return this->name(name);
  }
  std::string read(const std::string& name) const { return readNative("files/" + name); }
  bool exists(const std::string& name) const { return std::filesystem::exists(native(name)); }
};

}  // namespace zefcorek::testing
