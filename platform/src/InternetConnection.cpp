// Whether the network can be reached: a bounded TCP probe of a URL's server
// and the machine's connected state.
//
// The probe's wait is a real poll on the socket and so does not follow a
// virtual clock: it is bounded by a configurable number of seconds instead
// of the system's TCP connect time-out of minutes.
#include "platform/Internet.h"

#include "platform/CodePage.h"
#include "platform/LastError.h"

#include <curl/curl.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr uint32_t kDefaultCheckTimeoutSeconds = 5;

std::atomic<uint32_t> checkTimeoutSeconds{kDefaultCheckTimeoutSeconds};

// -1 none, 0 not connected, 1 connected.
std::atomic<int> connectedOverride{-1};

struct HostAndPort {
  std::string host;
  std::string port;
};

// Host and port of a URL (the scheme's port when the URL names none).
std::optional<HostAndPort> serverOf(const std::string& url) {
  CURLU* parsed = curl_url();
  if (parsed == nullptr) return std::nullopt;
  std::optional<HostAndPort> result;
  char* host = nullptr;
  char* port = nullptr;
  if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
      curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
      curl_url_get(parsed, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK) {
    std::string name = host;
    // An IPv6 literal comes back in brackets.
    if (name.size() > 2 && name.front() == '[' && name.back() == ']') {
      name = name.substr(1, name.size() - 2);
    }
    result = HostAndPort{name, port};
  }
  curl_free(host);
  curl_free(port);
  curl_url_cleanup(parsed);
  return result;
}

// Connects to one address without blocking for longer than `timeoutMs`.
bool connectsWithin(const addrinfo& address, int timeoutMs) {
  int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
  if (fd < 0) return false;
  bool connected = connect(fd, address.ai_addr, address.ai_addrlen) == 0;
  if (!connected && errno == EINPROGRESS) {
    pollfd waiting{fd, POLLOUT, 0};
    int ready = 0;
    do {
      ready = poll(&waiting, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    int error = 0;
    socklen_t length = sizeof error;
    connected = ready == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
  }
  close(fd);
  return connected;
}

bool hasInterfaceUp() {
  ifaddrs* interfaces = nullptr;
  if (getifaddrs(&interfaces) != 0) return false;
  bool found = false;
  for (ifaddrs* entry = interfaces; entry != nullptr && !found; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr) continue;
    int family = entry->ifa_addr->sa_family;
    if (family != AF_INET && family != AF_INET6) continue;
    unsigned flags = entry->ifa_flags;
    found = (flags & IFF_UP) != 0 && (flags & IFF_RUNNING) != 0 && (flags & IFF_LOOPBACK) == 0;
  }
  freeifaddrs(interfaces);
  return found;
}

}  // namespace

void platform::setConnectionCheckTimeoutSeconds(uint32_t seconds) {
  checkTimeoutSeconds = seconds == 0 ? kDefaultCheckTimeoutSeconds : seconds;
}

uint32_t platform::connectionCheckTimeoutSeconds() { return checkTimeoutSeconds; }

void platform::setConnectedStateOverride(std::optional<bool> connected) {
  connectedOverride = connected ? int(*connected) : -1;
}

BOOL InternetCheckConnectionW(LPCWSTR url, DWORD /*flags*/, DWORD /*reserved*/) {
  if (url == nullptr) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  std::optional<HostAndPort> server = serverOf(platform::wideToAnsiLenient(url));
  if (!server) {
    SetLastError(ERROR_INTERNET_INVALID_URL);
    return FALSE;
  }
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* addresses = nullptr;
  if (getaddrinfo(server->host.c_str(), server->port.c_str(), &hints, &addresses) != 0) {
    SetLastError(ERROR_INTERNET_NAME_NOT_RESOLVED);
    return FALSE;
  }
  // One time-out for all addresses together, not for each of them.
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + std::chrono::seconds(checkTimeoutSeconds.load());
  bool connected = false;
  for (addrinfo* address = addresses; address != nullptr && !connected; address = address->ai_next) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    connected = connectsWithin(*address, static_cast<int>(left.count()));
  }
  freeaddrinfo(addresses);
  if (!connected) {
    SetLastError(ERROR_INTERNET_CANNOT_CONNECT);
    return FALSE;
  }
  return TRUE;
}

bool platform::probeTcpConnection(std::string_view address, uint16_t port) {
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(port);
  const std::string text(address);
  if (inet_pton(AF_INET, text.c_str(), &target.sin_addr) != 1) return false;
  addrinfo probe{};
  probe.ai_family = AF_INET;
  probe.ai_socktype = SOCK_STREAM;
  probe.ai_protocol = IPPROTO_TCP;
  probe.ai_addr = reinterpret_cast<sockaddr*>(&target);
  probe.ai_addrlen = sizeof target;
  return connectsWithin(probe, static_cast<int>(checkTimeoutSeconds.load() * 1000));
}

BOOL InternetGetConnectedState(LPDWORD flags, DWORD /*reserved*/) {
  int forced = connectedOverride;
  bool connected = forced >= 0 ? forced == 1 : hasInterfaceUp();
  if (flags != nullptr) *flags = connected ? INTERNET_CONNECTION_LAN : INTERNET_CONNECTION_OFFLINE;
  return connected ? TRUE : FALSE;
}
