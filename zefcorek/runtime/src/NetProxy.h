// The explicit proxy the net classes may be given: a host (empty = none), its
// port, and the credentials sent when the proxy asks for them.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>
#include <string>

namespace zefcorek::net {

inline constexpr uint32_t kDefaultProxyPort = 80;

struct ProxySetting {
  std::u16string host;
  uint32_t port = kDefaultProxyPort;
  std::u16string user;
  std::u16string password;

  using BlankTest = bool (*)(char16_t);

  // A null or empty `host` means none; otherwise the host without the
  // characters `isBlank` picks at both ends, and `port` where it is a port
  // number (the default port elsewhere). Credentials are kept only as a pair.
  void assign(const WCHAR* host, uint32_t port, const WCHAR* user, const WCHAR* password, BlankTest isBlank);

  // The proxy list a session is opened with: "HTTP=http://host:port".
  std::u16string accessList() const;
};

}  // namespace zefcorek::net
