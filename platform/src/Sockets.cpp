// IPv4 sockets and the emulated overlapped I/O (see Sockets.h).
//
// An overlapped operation that cannot finish at once is bound to its
// OVERLAPPED's event: the event keeps a copy of what to do (BoundOperation).
// The thread that waits for the event polls the socket and the event's
// eventfd; when the socket is ready it performs the operation itself,
// writes the outcome into the OVERLAPPED and sets the event. Nothing runs in
// the background, so an operation that nobody waits for simply stays bound
// until it is cancelled or its event is closed.
#include "platform/Sockets.h"

#include "BluetoothSockets.h"

#include "platform/Bluetooth.h"
#include "platform/CommPorts.h"
#include "platform/LastError.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

const platform::SocketSyscalls kRealSocketSyscalls = {
    [](int domain, int type, int protocol) { return ::socket(domain, type, protocol); },
    [](int fd, const void* address, unsigned length) {
      return ::connect(fd, static_cast<const sockaddr*>(address), length);
    },
    [](int fd, const void* address, unsigned length) {
      return ::bind(fd, static_cast<const sockaddr*>(address), length);
    },
    [](int fd, void* buffer, size_t length, int flags) { return ::recv(fd, buffer, length, flags); },
    [](int fd, void* buffer, size_t length, int flags, void* from, unsigned* fromLength) {
      socklen_t size = fromLength ? *fromLength : 0;
      const ssize_t result =
          ::recvfrom(fd, buffer, length, flags, static_cast<sockaddr*>(from), from ? &size : nullptr);
      if (fromLength) *fromLength = size;
      return result;
    },
    [](int fd, const void* buffer, size_t length, int flags) { return ::send(fd, buffer, length, flags); },
    [](int fd, const void* buffer, size_t length, int flags, const void* to, unsigned toLength) {
      return ::sendto(fd, buffer, length, flags, static_cast<const sockaddr*>(to), toLength);
    },
    [](int fd) { return ::close(fd); },
};

int fdOf(SOCKET s) { return s == INVALID_SOCKET ? -1 : static_cast<int>(s); }

int wsaErrorFromErrno(int error) {
  struct Row {
    int errnoValue;
    int wsaError;
  };
  static constexpr Row kRows[] = {
      {EINTR, WSAEINTR},
      {EBADF, WSAENOTSOCK},
      {EACCES, WSAEACCES},
      {EPERM, WSAEACCES},
      {EINVAL, WSAEINVAL},
      {EMFILE, WSAEMFILE},
      {EAGAIN, WSAEWOULDBLOCK},
      {EINPROGRESS, WSAEINPROGRESS},
      {ENOTSOCK, WSAENOTSOCK},
      {EMSGSIZE, WSAEMSGSIZE},
      {EPROTONOSUPPORT, WSAEPROTONOSUPPORT},
      {EAFNOSUPPORT, WSAEAFNOSUPPORT},
      {EADDRINUSE, WSAEADDRINUSE},
      {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
      {ENETDOWN, WSAENETDOWN},
      {ENETUNREACH, WSAENETUNREACH},
      {ECONNABORTED, WSAECONNABORTED},
      {ECONNRESET, WSAECONNRESET},
      {EPIPE, WSAECONNRESET},
      {ENOBUFS, WSAENOBUFS},
      {EISCONN, WSAEISCONN},
      {ENOTCONN, WSAENOTCONN},
      {ESHUTDOWN, WSAESHUTDOWN},
      {ETIMEDOUT, WSAETIMEDOUT},
      {ECONNREFUSED, WSAECONNREFUSED},
      {EHOSTDOWN, WSAEHOSTDOWN},
      {EHOSTUNREACH, WSAEHOSTUNREACH},
  };
  for (const Row& row : kRows) {
    if (row.errnoValue == error) return row.wsaError;
  }
  return WSAEINVAL;
}

int failWithErrno() {
  WSASetLastError(wsaErrorFromErrno(errno));
  return SOCKET_ERROR;
}

// What a pending overlapped call still has to do.
struct BoundOperation {
  enum class Kind { Receive, ReceiveFrom, Send, SendTo };
  Kind kind;
  int fd;
  char* buffer;
  size_t length;
  SOCKADDR* from;  // ReceiveFrom: the caller's sender address
  int* fromLength;
  sockaddr_in to;  // SendTo: a copy of the destination
  WSAOVERLAPPED* overlapped;

  bool wantsInput() const { return kind == Kind::Receive || kind == Kind::ReceiveFrom; }
};

// One non-blocking attempt; the count, or -1 with errno.
ssize_t attempt(BoundOperation& operation) {
  const platform::SocketSyscalls& calls = platform::socketSyscalls();
  switch (operation.kind) {
    case BoundOperation::Kind::Receive:
      return calls.recv(operation.fd, operation.buffer, operation.length, MSG_DONTWAIT);
    case BoundOperation::Kind::ReceiveFrom: {
      unsigned size = operation.fromLength ? static_cast<unsigned>(*operation.fromLength) : 0;
      const ssize_t result = calls.recvfrom(operation.fd, operation.buffer, operation.length, MSG_DONTWAIT,
                                            operation.from, operation.from ? &size : nullptr);
      if (result >= 0 && operation.fromLength) *operation.fromLength = static_cast<int>(size);
      return result;
    }
    case BoundOperation::Kind::Send:
      return calls.send(operation.fd, operation.buffer, operation.length, MSG_DONTWAIT | MSG_NOSIGNAL);
    case BoundOperation::Kind::SendTo:
      return calls.sendto(operation.fd, operation.buffer, operation.length, MSG_DONTWAIT | MSG_NOSIGNAL, &operation.to,
                          sizeof operation.to);
  }
  return -1;
}

struct SocketEvent {
  int wakeFd = -1;  // eventfd: readable after a set, a completion or a cancel
  std::mutex mutex;
  bool signalled = false;
  std::optional<BoundOperation> operation;

  void setLocked() {
    signalled = true;
    const uint64_t one = 1;
    (void)!::write(wakeFd, &one, sizeof one);
  }
  void completeLocked(uintptr_t status, size_t count) {
    operation->overlapped->Internal = status;
    operation->overlapped->InternalHigh = count;
    operation.reset();
    setLocked();
  }
};

struct EventRegistry {
  std::mutex mutex;
  std::set<SocketEvent*> events;
};

// Never destroyed: sockets may be closed while the process exits.
EventRegistry& registry() {
  static auto* events = new EventRegistry;
  return *events;
}

SocketEvent* lookupEvent(WSAEVENT handle) {
  auto* event = static_cast<SocketEvent*>(handle);
  std::lock_guard lock(registry().mutex);
  return registry().events.count(event) ? event : nullptr;
}

// Starts an overlapped call: completes at once, or binds it to the event.
int startOverlapped(BoundOperation operation, DWORD* count, WSAOVERLAPPED* overlapped) {
  if (operation.fd < 0) {
    WSASetLastError(WSAENOTSOCK);
    return SOCKET_ERROR;
  }
  if (overlapped == nullptr) {
    // Without an OVERLAPPED the call blocks until it is done.
    for (;;) {
      const ssize_t result = attempt(operation);
      if (result >= 0) {
        if (count) *count = static_cast<DWORD>(result);
        return 0;
      }
      if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return failWithErrno();
      pollfd watch{operation.fd, static_cast<short>(operation.wantsInput() ? POLLIN : POLLOUT), 0};
      (void)::poll(&watch, 1, -1);
    }
  }
  SocketEvent* event = lookupEvent(overlapped->hEvent);
  operation.overlapped = overlapped;
  const ssize_t result = attempt(operation);
  if (result >= 0) {
    overlapped->Internal = 0;
    overlapped->InternalHigh = static_cast<uintptr_t>(result);
    if (count) *count = static_cast<DWORD>(result);
    if (event) {
      std::lock_guard lock(event->mutex);
      event->setLocked();
    }
    return 0;
  }
  if (errno != EAGAIN && errno != EWOULDBLOCK) return failWithErrno();
  if (event == nullptr) {
    WSASetLastError(WSAEINVAL);
    return SOCKET_ERROR;
  }
  std::lock_guard lock(event->mutex);
  overlapped->Internal = STATUS_PENDING_IO;
  overlapped->InternalHigh = 0;
  event->operation = operation;
  WSASetLastError(WSA_IO_PENDING);
  return SOCKET_ERROR;
}

// Performs the event's bound operation once the socket is ready.
void progressBoundOperation(SocketEvent& event) {
  std::lock_guard lock(event.mutex);
  if (!event.operation) return;
  const ssize_t result = attempt(*event.operation);
  if (result >= 0) {
    event.completeLocked(0, static_cast<size_t>(result));
    return;
  }
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
  event.completeLocked(static_cast<uintptr_t>(wsaErrorFromErrno(errno)), 0);
}

struct ThreadHostEntry {
  std::string name;
  std::vector<uint32_t> addresses;
  std::vector<char*> addressList;
  char* noAliases[1] = {nullptr};
  HOSTENT entry{};
};

}  // namespace

platform::SocketSyscalls& platform::socketSyscalls() {
  static SocketSyscalls table = kRealSocketSyscalls;
  return table;
}

const platform::SocketSyscalls& platform::defaultSocketSyscalls() { return kRealSocketSyscalls; }

int WSAGetLastError() { return static_cast<int>(GetLastError()); }
void WSASetLastError(int error) { SetLastError(static_cast<DWORD>(error)); }

SOCKET platform::socket(int family, int type, int protocol) {
  if (family == AF_BTH) return bluetoothSocket(type, protocol);
  if (family != AF_INET_FAMILY || (type != SOCK_STREAM_TYPE && type != SOCK_DGRAM_TYPE)) {
    WSASetLastError(WSAEAFNOSUPPORT);
    return INVALID_SOCKET;
  }
  const int osType = (type == SOCK_STREAM_TYPE ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC;
  const int fd = socketSyscalls().socket(AF_INET, osType, protocol);
  if (fd < 0) {
    failWithErrno();
    return INVALID_SOCKET;
  }
  return static_cast<SOCKET>(fd);
}

int platform::setsockopt(SOCKET s, int level, int option, const char* value, int length) {
  if (value == nullptr || length < static_cast<int>(sizeof(int))) {
    WSASetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  int flag = 0;
  std::memcpy(&flag, value, sizeof flag);
  int osLevel = SOL_SOCKET;
  int osOption = 0;
  if (level == IPPROTO_TCP_PROTOCOL && option == TCP_NODELAY_OPTION) {
    osLevel = IPPROTO_TCP;
    osOption = TCP_NODELAY;
  } else if (level == SOL_SOCKET_LEVEL && option == SO_KEEPALIVE_OPTION) {
    osOption = SO_KEEPALIVE;
  } else if (level == SOL_SOCKET_LEVEL && option == SO_SNDBUF_OPTION) {
    osOption = SO_SNDBUF;
  } else if (level == SOL_SOCKET_LEVEL && option == SO_RCVBUF_OPTION) {
    osOption = SO_RCVBUF;
  } else if (level == SOL_SOCKET_LEVEL && option == SO_DONTLINGER_OPTION) {
    // Not lingering is the graceful close; a linger of 0 seconds would reset.
    const linger off{flag ? 0 : 1, 0};
    if (flag == 0) return 0;
    return ::setsockopt(fdOf(s), SOL_SOCKET, SO_LINGER, &off, sizeof off) == 0 ? 0 : failWithErrno();
  } else {
    WSASetLastError(WSAEINVAL);
    return SOCKET_ERROR;
  }
  return ::setsockopt(fdOf(s), osLevel, osOption, &flag, sizeof flag) == 0 ? 0 : failWithErrno();
}

int platform::connect(SOCKET s, const SOCKADDR* address, int length) {
  if (isBluetoothAddress(address, length)) return bluetoothConnect(s, address, length);
  if (address == nullptr || length < static_cast<int>(sizeof(SOCKADDR_IN))) {
    WSASetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  return socketSyscalls().connect(fdOf(s), address, sizeof(SOCKADDR_IN)) == 0 ? 0 : failWithErrno();
}

int platform::bind(SOCKET s, const SOCKADDR* address, int length) {
  if (address == nullptr || length < static_cast<int>(sizeof(SOCKADDR_IN))) {
    WSASetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  return socketSyscalls().bind(fdOf(s), address, sizeof(SOCKADDR_IN)) == 0 ? 0 : failWithErrno();
}

int platform::getsockname(SOCKET s, SOCKADDR* address, int* length) {
  if (address == nullptr || length == nullptr || *length < static_cast<int>(sizeof(SOCKADDR_IN))) {
    WSASetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  sockaddr_in local{};
  socklen_t size = sizeof local;
  if (::getsockname(fdOf(s), reinterpret_cast<sockaddr*>(&local), &size) != 0) {
    return failWithErrno();
  }
  std::memcpy(address, &local, sizeof(SOCKADDR_IN));
  *length = sizeof(SOCKADDR_IN);
  return 0;
}

int platform::shutdown(SOCKET s, int how) {
  const int osHow = how == 0 ? SHUT_RD : how == 1 ? SHUT_WR : SHUT_RDWR;
  return ::shutdown(fdOf(s), osHow) == 0 ? 0 : failWithErrno();
}

int platform::closesocket(SOCKET s) {
  if (fdOf(s) < 0) {
    WSASetLastError(WSAENOTSOCK);
    return SOCKET_ERROR;
  }
  CancelIo(reinterpret_cast<HANDLE>(s));
  // Never retried: the descriptor is gone whatever close answers.
  return socketSyscalls().close(fdOf(s)) == 0 ? 0 : failWithErrno();
}

HOSTENT* platform::gethostbyname(const char* name) {
  thread_local ThreadHostEntry host;
  if (name == nullptr) {
    WSASetLastError(WSAEFAULT);
    return nullptr;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) {
    WSASetLastError(WSAHOST_NOT_FOUND);
    return nullptr;
  }
  host.name = name;
  host.addresses.clear();
  for (addrinfo* each = found; each != nullptr; each = each->ai_next) {
    if (each->ai_family != AF_INET) continue;
    const auto* address = reinterpret_cast<const sockaddr_in*>(each->ai_addr);
    host.addresses.push_back(address->sin_addr.s_addr);
  }
  ::freeaddrinfo(found);
  host.addressList.clear();
  for (uint32_t& address : host.addresses) host.addressList.push_back(reinterpret_cast<char*>(&address));
  host.addressList.push_back(nullptr);
  host.entry = HOSTENT{host.name.data(), host.noAliases, AF_INET_FAMILY, 4, host.addressList.data()};
  return &host.entry;
}

uint32_t platform::inet_addr(const char* text) {
  in_addr address{};
  if (text == nullptr || ::inet_pton(AF_INET, text, &address) != 1) return 0xFFFFFFFFu;
  return address.s_addr;
}

WSAEVENT WSACreateEvent() {
  auto* event = new SocketEvent;
  event->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (event->wakeFd < 0) {
    delete event;
    failWithErrno();
    return WSA_INVALID_EVENT;
  }
  std::lock_guard lock(registry().mutex);
  registry().events.insert(event);
  return event;
}

BOOL WSACloseEvent(WSAEVENT handle) {
  auto* event = static_cast<SocketEvent*>(handle);
  {
    std::lock_guard lock(registry().mutex);
    if (registry().events.erase(event) == 0) {
      WSASetLastError(WSAEINVAL);
      return FALSE;
    }
  }
  ::close(event->wakeFd);
  delete event;
  return TRUE;
}

BOOL WSASetEvent(WSAEVENT handle) {
  SocketEvent* event = lookupEvent(handle);
  if (event == nullptr) return FALSE;
  std::lock_guard lock(event->mutex);
  event->setLocked();
  return TRUE;
}

BOOL WSAResetEvent(WSAEVENT handle) {
  SocketEvent* event = lookupEvent(handle);
  if (event == nullptr) return FALSE;
  std::lock_guard lock(event->mutex);
  event->signalled = false;
  uint64_t drained = 0;
  (void)!::read(event->wakeFd, &drained, sizeof drained);
  return TRUE;
}

int WSARecv(SOCKET s, WSABUF* buffers, DWORD count, DWORD* received, DWORD* /*flags*/, WSAOVERLAPPED* overlapped,
            LPWSAOVERLAPPED_COMPLETION_ROUTINE routine) {
  if (buffers == nullptr || count != 1 || routine != nullptr) {
    WSASetLastError(WSAEINVAL);
    return SOCKET_ERROR;
  }
  BoundOperation operation{
      BoundOperation::Kind::Receive, fdOf(s), buffers->buf, buffers->len, nullptr, nullptr, {}, nullptr};
  return startOverlapped(operation, received, overlapped);
}

int WSARecvFrom(SOCKET s, WSABUF* buffers, DWORD count, DWORD* received, DWORD* /*flags*/, SOCKADDR* from,
                int* fromLength, WSAOVERLAPPED* overlapped, LPWSAOVERLAPPED_COMPLETION_ROUTINE routine) {
  if (buffers == nullptr || count != 1 || routine != nullptr) {
    WSASetLastError(WSAEINVAL);
    return SOCKET_ERROR;
  }
  BoundOperation operation{
      BoundOperation::Kind::ReceiveFrom, fdOf(s), buffers->buf, buffers->len, from, fromLength, {}, nullptr};
  return startOverlapped(operation, received, overlapped);
}

int WSASend(SOCKET s, WSABUF* buffers, DWORD count, DWORD* sent, DWORD /*flags*/, WSAOVERLAPPED* overlapped,
            LPWSAOVERLAPPED_COMPLETION_ROUTINE routine) {
  if (buffers == nullptr || count != 1 || routine != nullptr) {
    WSASetLastError(WSAEINVAL);
    return SOCKET_ERROR;
  }
  BoundOperation operation{
      BoundOperation::Kind::Send, fdOf(s), buffers->buf, buffers->len, nullptr, nullptr, {}, nullptr};
  return startOverlapped(operation, sent, overlapped);
}

int WSASendTo(SOCKET s, WSABUF* buffers, DWORD count, DWORD* sent, DWORD /*flags*/, const SOCKADDR* to, int toLength,
              WSAOVERLAPPED* overlapped, LPWSAOVERLAPPED_COMPLETION_ROUTINE routine) {
  if (buffers == nullptr || count != 1 || routine != nullptr || to == nullptr ||
      toLength < static_cast<int>(sizeof(SOCKADDR_IN))) {
    WSASetLastError(WSAEINVAL);
    return SOCKET_ERROR;
  }
  BoundOperation operation{
      BoundOperation::Kind::SendTo, fdOf(s), buffers->buf, buffers->len, nullptr, nullptr, {}, nullptr};
  std::memcpy(&operation.to, to, sizeof operation.to);
  return startOverlapped(operation, sent, overlapped);
}

DWORD WSAWaitForMultipleEvents(DWORD count, const WSAEVENT* events, BOOL /*waitAll*/, DWORD timeoutMs,
                               BOOL /*alertable*/) {
  if (count != 1 || events == nullptr) return WSA_WAIT_FAILED;
  SocketEvent* event = lookupEvent(events[0]);
  if (event == nullptr) return WSA_WAIT_FAILED;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    pollfd watch[2] = {{event->wakeFd, POLLIN, 0}, {-1, 0, 0}};
    {
      std::lock_guard lock(event->mutex);
      if (event->signalled) return WSA_WAIT_EVENT_0;
      if (event->operation) {
        watch[1] = {event->operation->fd, static_cast<short>(event->operation->wantsInput() ? POLLIN : POLLOUT), 0};
      }
    }
    int waitMs = -1;
    if (timeoutMs != WSA_INFINITE) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      waitMs = static_cast<int>(std::max<int64_t>(0, left.count()));
    }
    const int ready = ::poll(watch, watch[1].fd >= 0 ? 2 : 1, waitMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return WSA_WAIT_FAILED;
    }
    if (ready == 0) return WSA_WAIT_TIMEOUT;
    if (watch[0].revents != 0) {
      uint64_t drained = 0;
      (void)!::read(event->wakeFd, &drained, sizeof drained);
    }
    if (watch[1].fd >= 0 && watch[1].revents != 0) progressBoundOperation(*event);
  }
}

BOOL WSAGetOverlappedResult(SOCKET /*s*/, WSAOVERLAPPED* overlapped, DWORD* transferred, BOOL wait, DWORD* /*flags*/) {
  if (overlapped == nullptr || transferred == nullptr || wait) {
    WSASetLastError(WSAEINVAL);
    return FALSE;
  }
  // The waiting thread wrote the outcome under the event's lock.
  if (SocketEvent* event = lookupEvent(overlapped->hEvent)) {
    std::lock_guard lock(event->mutex);
    return [&]() -> BOOL {
      if (overlapped->Internal == STATUS_PENDING_IO) {
        WSASetLastError(static_cast<int>(WSA_IO_INCOMPLETE));
        return FALSE;
      }
      *transferred = static_cast<DWORD>(overlapped->InternalHigh);
      if (overlapped->Internal != 0) {
        WSASetLastError(static_cast<int>(overlapped->Internal));
        return FALSE;
      }
      return TRUE;
    }();
  }
  WSASetLastError(WSAEINVAL);
  return FALSE;
}

BOOL CancelIo(HANDLE socket) {
  if (platform::cancelComIo(socket)) return TRUE;
  const int fd = fdOf(reinterpret_cast<SOCKET>(socket));
  std::lock_guard registryLock(registry().mutex);
  for (SocketEvent* event : registry().events) {
    std::lock_guard lock(event->mutex);
    if (event->operation && event->operation->fd == fd) {
      event->completeLocked(WSA_OPERATION_ABORTED, 0);
    }
  }
  return TRUE;
}
