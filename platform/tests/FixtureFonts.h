// A fontconfig configuration of the tests' own that lists only the DejaVu
// fonts of Debian's fonts-dejavu-core, so every face name resolves to the
// same files on every machine ("Tahoma" and unknown names to DejaVu Sans).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace platform::testing {

// Points fontconfig at the fixture configuration; call before the first
// font is used in the process.
inline void useFixtureFonts() {
  static const bool done = [] {
    const std::string folder = std::filesystem::temp_directory_path() / "zef-fixture-fonts";
    std::filesystem::create_directories(folder);
    const std::string file = folder + "/fonts.conf";
    std::ofstream(file) << "<?xml version=\"1.0\"?>\n"
                           "<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
                           "<fontconfig>\n"
                           "  <dir>/usr/share/fonts/truetype/dejavu</dir>\n"
                           "  <cachedir>" +
                               folder +
                               "/cache</cachedir>\n"
                               "  <alias><family>Tahoma</family><prefer><family>DejaVu Sans</family></prefer></alias>\n"
                               "  <match target=\"pattern\"><edit name=\"family\" mode=\"append_last\">"
                               "<string>DejaVu Sans</string></edit></match>\n"
                               "</fontconfig>\n";
    setenv("FONTCONFIG_FILE", file.c_str(), 1);
    return true;
  }();
  (void)done;
}

}  // namespace platform::testing
