// Host name resolution through getaddrinfo.
#include "platform/HostAddress.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

std::optional<std::string> platform::firstAddressText(std::string_view host) {
  std::string name(host);
  addrinfo* results = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, nullptr, &results) != 0 || results == nullptr) {
    return std::nullopt;
  }
  char text[INET6_ADDRSTRLEN] = {};
  const void* address = nullptr;
  const addrinfo& first = *results;
  if (first.ai_family == AF_INET) {
    address = &reinterpret_cast<const sockaddr_in*>(first.ai_addr)->sin_addr;
  } else if (first.ai_family == AF_INET6) {
    address = &reinterpret_cast<const sockaddr_in6*>(first.ai_addr)->sin6_addr;
  }
  bool converted = address != nullptr && inet_ntop(first.ai_family, address, text, sizeof text) != nullptr;
  freeaddrinfo(results);
  if (!converted) return std::nullopt;
  return std::string(text);
}
