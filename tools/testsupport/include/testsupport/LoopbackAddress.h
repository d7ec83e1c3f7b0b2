// The IPv4 loopback address in the platform's socket types, for the tests
// and benchmarks that talk to loopback peers through the platform.
#pragma once

#include "platform/Sockets.h"

#include <cstdint>

namespace testsupport {

// 127.0.0.1 at `port` (0: any port, for a bind).
inline SOCKADDR_IN loopbackAddress(uint16_t port) {
  SOCKADDR_IN address{};
  address.sin_family = AF_INET_FAMILY;
  address.sin_port = platform::toNetworkOrder16(port);
  address.sin_addr = platform::inet_addr("127.0.0.1");
  return address;
}

}  // namespace testsupport
