// The WLAN profile reader over any text: it accepts or refuses without
// reading out of bounds, a refusal names its fault at an offset inside the
// text, and an accepted profile always has its name. A text is read both
// as UTF-8 and, byte pairs taken as UTF-16 units, as wide text, so that
// units above 0xFF whose low byte is a syntax character are tried too.
#include "platform/CodePage.h"
#include "platform/WlanProfileXml.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzAccepted.h"

namespace {

void check(std::u16string_view text) {
  const platform::WlanProfileParse parsed = platform::parseWlanProfile(text);
  if (parsed.fields) {
    if (parsed.error != nullptr || parsed.fields->profileName.empty()) std::abort();
    zef::fuzz::noteAccepted();
    return;
  }
  if (parsed.error == nullptr || parsed.errorOffset > text.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  check(platform::ansiToWideLenient(bytes));
  std::u16string units(size / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  check(units);
  return 0;
}
