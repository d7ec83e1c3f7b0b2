// A fresh platform root for one test (testsupport/ScratchRoot.h), with its
// files named below drive C:.
#pragma once

#include "testsupport/ScratchRoot.h"

#include "platform/CodePage.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <string>

namespace platform::testing {

class ScratchRoot : public testsupport::ScratchRoot {
public:
  // Writes a file below C: ("data/x.txt") and answers its Windows name.
  std::u16string writeFile(const std::string& relative, const std::string& bytes) const {
    writeNative("drives/c/" + relative, bytes);
    return windowsName(relative);
  }
  std::u16string windowsName(const std::string& relative) const {
    std::u16string name = u"C:\\" + ansiToWideLenient(relative);
    for (auto& unit : name) {
      if (unit == u'/') unit = u'\\';
    }
    return name;
  }
  std::string readFile(const std::string& relative) const { return readNative("drives/c/" + relative); }
};

}  // namespace platform::testing
