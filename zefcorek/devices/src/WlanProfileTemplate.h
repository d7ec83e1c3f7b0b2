// The profile the WLAN helper stores: a built-in template of 27 CR LF lines
// with six placeholders, filled with the profile's name, the network's name,
// the authentication and cipher texts, the key type and the key.
#pragma once

#include "platform/Export.h"

#include <string>
#include <string_view>

namespace zefcorek::devices {

// The template as ANSI text (711 characters).
ZEF_EXPORT extern const std::string_view kWlanProfileTemplate;

struct WlanProfileValues {
  std::u16string_view profileName;
  std::u16string_view networkName;
  std::u16string_view authentication;
  std::u16string_view cipher;
  std::u16string_view key;
};

// The template with its placeholders replaced. Values are XML-escaped so
// that a name with '&' or '<' still makes a valid profile and a key cannot
// add elements. The key type is "networkKey" for the cipher "WEP" (any
// case), else "passPhrase".
ZEF_EXPORT std::u16string fillWlanProfile(const WlanProfileValues& values);

// `text` with &, <, >, " and ' written as entities.
ZEF_EXPORT std::u16string escapeXmlText(std::u16string_view text);

}  // namespace zefcorek::devices
