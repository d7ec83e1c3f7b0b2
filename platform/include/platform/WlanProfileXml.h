// Reading a WLAN profile: the XML text that WlanSetProfile stores.
//
// The reader checks that the text is well-formed XML (one root element,
// matching tags, quoted attributes, known entities and character references,
// an optional declaration, comments and processing instructions) and picks
// out the values a connection needs by their element path below the
// `WLANProfile` root. It keeps no tree: the text is read once, values are
// decoded as they are met. Nesting is bounded so that hostile input cannot
// exhaust the stack.
#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct WlanProfileFields {
  std::u16string profileName;     // WLANProfile/name
  std::u16string ssidName;        // SSIDConfig/SSID/name
  std::u16string connectionType;  // connectionType ("ESS")
  std::u16string connectionMode;  // connectionMode ("auto")
  std::u16string authentication;  // MSM/security/authEncryption/authentication
  std::u16string encryption;      // MSM/security/authEncryption/encryption
  std::u16string keyType;         // MSM/security/sharedKey/keyType
  std::u16string keyMaterial;     // MSM/security/sharedKey/keyMaterial
};

struct WlanProfileParse {
  std::optional<WlanProfileFields> fields;  // empty when the text is refused
  size_t errorOffset = 0;                   // where the first fault was met
  const char* error = nullptr;              // what it was; null on success
};

// Parses `xml`. The root must be `WLANProfile` and hold a non-empty `name`.
[[nodiscard]] ZEF_EXPORT WlanProfileParse parseWlanProfile(std::u16string_view xml);

}  // namespace platform
