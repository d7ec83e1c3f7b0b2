// The sockets layer's start-up bookkeeping; see WinSock.h.
#include "platform/WinSock.h"

#include "platform/LastError.h"

#include <atomic>
#include <cstring>

namespace {

// Successful WSAStartup calls not yet matched by a WSACleanup.
std::atomic<int> startCount{0};

constexpr WORD kHighestVersion = MAKEWORD(2, 2);

}  // namespace

int WSAStartup(WORD versionRequested, WSADATA* data) {
  if (data == nullptr) return WSAEFAULT;
  const BYTE major = static_cast<BYTE>(versionRequested & 0xFF);
  const BYTE minor = static_cast<BYTE>(versionRequested >> 8);
  std::memset(data, 0, sizeof *data);
  data->wHighVersion = kHighestVersion;
  if (major == 0) return WSAVERNOTSUPPORTED;
  // The version used is the lower of the one asked for and the highest.
  data->wVersion = (major > 2 || (major == 2 && minor >= 2)) ? kHighestVersion : versionRequested;
  std::strcpy(data->szDescription, "POSIX sockets");
  std::strcpy(data->szSystemStatus, "Running");
  ++startCount;
  return 0;
}

int WSACleanup() {
  int count = startCount.load();
  while (count > 0) {
    if (startCount.compare_exchange_weak(count, count - 1)) return 0;
  }
  SetLastError(WSANOTINITIALISED);
  return SOCKET_ERROR;
}
