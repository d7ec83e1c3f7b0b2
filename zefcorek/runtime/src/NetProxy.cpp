#include "NetProxy.h"

#include <string_view>

namespace zefcorek::net {

namespace {

// Digits by hand: std::to_string would bring a GNU-unique symbol into the
// library, and a library with one can no longer be unloaded.
std::u16string decimal(uint32_t value) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), char16_t(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

}  // namespace

void ProxySetting::assign(const WCHAR* givenHost, uint32_t givenPort, const WCHAR* givenUser,
                          const WCHAR* givenPassword, BlankTest isBlank) {
  const bool hasHost = givenHost != nullptr && *givenHost != u'\0';
  std::u16string_view text;
  if (hasHost) {
    text = givenHost;
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  }
  host = std::u16string(text);
  port = hasHost && givenPort >= 1 && givenPort <= 65535 ? givenPort : kDefaultProxyPort;
  if (givenUser == nullptr || givenPassword == nullptr) {
    user.clear();
    password.clear();
    return;
  }
  user = givenUser;
  password = givenPassword;
}

std::u16string ProxySetting::accessList() const { return u"HTTP=http://" + host + u":" + decimal(port); }

}  // namespace zefcorek::net
