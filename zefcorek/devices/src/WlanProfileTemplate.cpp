// The built-in WLAN profile template and its filling.
#include "WlanProfileTemplate.h"

#include "platform/CodePage.h"
#include "platform/Utf16.h"

#include <array>
#include <utility>

const std::string_view zefcorek::devices::kWlanProfileTemplate =
    "<?xml version=\"1.0\" encoding=\"US-ASCII\"?>\r\n"
    "<WLANProfile xmlns=\"http://www.microsoft.com/networking/WLAN/profile/v1\">\r\n"
    "<name>%%profilename%%</name>\r\n"
    "<SSIDConfig>\r\n"
    "<SSID>\r\n"
    "<name>%%ssidname%%</name>\r\n"
    "</SSID>\r\n"
    "<nonBroadcast>false</nonBroadcast>\r\n"
    "</SSIDConfig>\r\n"
    "<connectionType>ESS</connectionType>\r\n"
    "<connectionMode>auto</connectionMode>\r\n"
    "<autoSwitch>false</autoSwitch>\r\n"
    "<MSM>\r\n"
    "<security>\r\n"
    "<authEncryption>\r\n"
    "<authentication>%%autentication%%</authentication>\r\n"
    "<encryption>%%encryption%%</encryption>\r\n"
    "<useOneX>false</useOneX>\r\n"
    "</authEncryption>\r\n"
    "<sharedKey>\r\n"
    "<keyType>%%keytype%%</keyType>\r\n"
    "<protected>false</protected>\r\n"
    "<keyMaterial>%%keymaterial%%</keyMaterial>\r\n"
    "</sharedKey>\r\n"
    "</security>\r\n"
    "</MSM>\r\n"
    "</WLANProfile>\r\n";

std::u16string zefcorek::devices::escapeXmlText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    switch (c) {
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'"': out += u"&quot;"; break;
      case u'\'': out += u"&apos;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

namespace {

void replaceAll(std::u16string& text, std::u16string_view placeholder, std::u16string_view value) {
  for (size_t at = text.find(placeholder); at != std::u16string::npos; at = text.find(placeholder, at + value.size())) {
    text.replace(at, placeholder.size(), value);
  }
}

}  // namespace

std::u16string zefcorek::devices::fillWlanProfile(const WlanProfileValues& values) {
  std::u16string profile = platform::ansiToWideLenient(kWlanProfileTemplate);
  const std::u16string_view keyType = platform::equalsIgnoreCase(values.cipher, u"WEP") ? u"networkKey" : u"passPhrase";
  const std::pair<std::u16string_view, std::u16string_view> replacements[] = {
      {u"%%profilename%%", values.profileName},
      {u"%%ssidname%%", values.networkName},
      {u"%%autentication%%", values.authentication},
      {u"%%encryption%%", values.cipher},
      {u"%%keytype%%", keyType},
      {u"%%keymaterial%%", values.key},
  };
  for (const auto& [placeholder, value] : replacements) {
    replaceAll(profile, placeholder, escapeXmlText(value));
  }
  return profile;
}
