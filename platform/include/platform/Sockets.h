// IPv4 sockets shaped like the Windows sockets layer, on POSIX descriptors.
//
// The calls whose names the C library already uses (socket, connect, bind,
// setsockopt, getsockname, shutdown, gethostbyname, inet_addr) live in
// namespace platform, so they never stand in for the C library's own symbols
// in the process; the WSA calls are plain exported functions. Errors are
// reported through the last error (WSAGetLastError) as WSAE codes.
//
// Overlapped I/O is emulated without a thread of its own. WSARecv,
// WSARecvFrom, WSASend and WSASendTo try the operation at once on a
// non-blocking descriptor: a finished call completes immediately (its count
// in the out argument and in the OVERLAPPED, the event set); one that would
// block answers WSA_IO_PENDING and stays bound to the OVERLAPPED's event.
// WSAWaitForMultipleEvents on that event polls the socket together with the
// event's own wake descriptor, performs the operation when the socket is
// ready and sets the event; WSAGetOverlappedResult then gives the count.
// CancelIo completes the socket's bound operations as aborted
// (WSA_OPERATION_ABORTED) and sets their events. Only one event at a time
// may be waited for, and only by one thread.
#pragma once

#include "platform/Export.h"
#include "platform/WinSock.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <sys/types.h>

using SOCKET = uintptr_t;
inline constexpr SOCKET INVALID_SOCKET = ~SOCKET{0};
using WSAEVENT = HANDLE;
inline const WSAEVENT WSA_INVALID_EVENT = nullptr;

inline constexpr int AF_INET_FAMILY = 2;  // AF_INET
inline constexpr int SOCK_STREAM_TYPE = 1;
inline constexpr int SOCK_DGRAM_TYPE = 2;
inline constexpr int IPPROTO_TCP_PROTOCOL = 6;
inline constexpr int IPPROTO_UDP_PROTOCOL = 17;

// setsockopt levels and options, as the Windows layer numbers them.
inline constexpr int SOL_SOCKET_LEVEL = 0xFFFF;
inline constexpr int TCP_NODELAY_OPTION = 0x0001;  // at level IPPROTO_TCP_PROTOCOL
inline constexpr int SO_KEEPALIVE_OPTION = 0x0008;
inline constexpr int SO_DONTLINGER_OPTION = ~0x0080;
inline constexpr int SO_SNDBUF_OPTION = 0x1001;
inline constexpr int SO_RCVBUF_OPTION = 0x1002;
inline constexpr int SD_BOTH = 2;

// Results and errors.
inline constexpr DWORD WSA_IO_INCOMPLETE = 996;
inline constexpr DWORD WSA_IO_PENDING = 997;
inline constexpr DWORD WSA_OPERATION_ABORTED = 995;
inline constexpr DWORD WSA_WAIT_EVENT_0 = 0;
inline constexpr DWORD WSA_WAIT_TIMEOUT = 258;
inline constexpr DWORD WSA_WAIT_FAILED = 0xFFFFFFFF;
inline constexpr DWORD WSA_INFINITE = 0xFFFFFFFF;
inline constexpr int WSAEINTR = 10004;
inline constexpr int WSAEBADF = 10009;
inline constexpr int WSAEACCES = 10013;
inline constexpr int WSAEINVAL = 10022;
inline constexpr int WSAEMFILE = 10024;
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAEINPROGRESS = 10036;
inline constexpr int WSAENOTSOCK = 10038;
inline constexpr int WSAEMSGSIZE = 10040;
inline constexpr int WSAEPROTONOSUPPORT = 10043;
inline constexpr int WSAEAFNOSUPPORT = 10047;
inline constexpr int WSAEADDRINUSE = 10048;
inline constexpr int WSAEADDRNOTAVAIL = 10049;
inline constexpr int WSAENETDOWN = 10050;
inline constexpr int WSAENETUNREACH = 10051;
inline constexpr int WSAECONNABORTED = 10053;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAENOBUFS = 10055;
inline constexpr int WSAEISCONN = 10056;
inline constexpr int WSAENOTCONN = 10057;
inline constexpr int WSAESHUTDOWN = 10058;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;
inline constexpr int WSAEHOSTDOWN = 10064;
inline constexpr int WSAEHOSTUNREACH = 10065;
inline constexpr int WSAHOST_NOT_FOUND = 11001;

// The 16-byte IPv4 socket address: family, port and address in network
// order, eight zero bytes.
struct SOCKADDR_IN {
  uint16_t sin_family;
  uint16_t sin_port;
  uint32_t sin_addr;
  char sin_zero[8];
};
static_assert(sizeof(SOCKADDR_IN) == 16);

struct SOCKADDR {
  uint16_t sa_family;
  char sa_data[14];
};
static_assert(sizeof(SOCKADDR) == 16);

struct HOSTENT {
  char* h_name;
  char** h_aliases;
  int16_t h_addrtype;
  int16_t h_length;
  char** h_addr_list;  // null-terminated list of 4-byte addresses, network order
};

struct WSABUF {
  ULONG len;
  char* buf;
};

struct WSAOVERLAPPED {
  uintptr_t Internal;      // status: 0 done, STATUS_PENDING_IO while pending, else a WSAE code
  uintptr_t InternalHigh;  // bytes moved
  DWORD Offset;
  DWORD OffsetHigh;
  WSAEVENT hEvent;
};
inline constexpr uintptr_t STATUS_PENDING_IO = 0x103;

using LPWSAOVERLAPPED_COMPLETION_ROUTINE = void (*)(DWORD, DWORD, WSAOVERLAPPED*, DWORD);

namespace platform {

// Only AF_INET with SOCK_STREAM or SOCK_DGRAM; INVALID_SOCKET otherwise.
ZEF_EXPORT SOCKET socket(int family, int type, int protocol);
ZEF_EXPORT int setsockopt(SOCKET s, int level, int option, const char* value, int length);
// Blocking connect of a stream socket.
ZEF_EXPORT int connect(SOCKET s, const SOCKADDR* address, int length);
ZEF_EXPORT int bind(SOCKET s, const SOCKADDR* address, int length);
ZEF_EXPORT int getsockname(SOCKET s, SOCKADDR* address, int* length);
ZEF_EXPORT int shutdown(SOCKET s, int how);
// Also completes the socket's pending operations as aborted.
ZEF_EXPORT int closesocket(SOCKET s);
// IPv4 only; the entry belongs to the calling thread and stays valid until
// its next call. Null with WSAHOST_NOT_FOUND when the name does not resolve.
ZEF_EXPORT HOSTENT* gethostbyname(const char* name);
// Byte order of ports and addresses (the C library's htons and friends are
// macros, so these have names of their own).
constexpr uint16_t toNetworkOrder16(uint16_t value) { return __builtin_bswap16(value); }
constexpr uint16_t fromNetworkOrder16(uint16_t value) { return __builtin_bswap16(value); }
constexpr uint32_t toNetworkOrder32(uint32_t value) { return __builtin_bswap32(value); }
// A dotted IPv4 address in network order; 0xFFFFFFFF when it is not one.
ZEF_EXPORT uint32_t inet_addr(const char* text);

// The system calls below the sockets, behind one replaceable table (tests
// make single calls fail once or for good).
struct SocketSyscalls {
  int (*socket)(int domain, int type, int protocol);
  int (*connect)(int fd, const void* address, unsigned length);
  int (*bind)(int fd, const void* address, unsigned length);
  ssize_t (*recv)(int fd, void* buffer, size_t length, int flags);
  ssize_t (*recvfrom)(int fd, void* buffer, size_t length, int flags, void* from, unsigned* fromLength);
  ssize_t (*send)(int fd, const void* buffer, size_t length, int flags);
  ssize_t (*sendto)(int fd, const void* buffer, size_t length, int flags, const void* to, unsigned toLength);
  int (*close)(int fd);
};
ZEF_EXPORT SocketSyscalls& socketSyscalls();
ZEF_EXPORT const SocketSyscalls& defaultSocketSyscalls();

class ScopedSocketSyscalls {
public:
  ScopedSocketSyscalls() = default;
  ~ScopedSocketSyscalls() { socketSyscalls() = defaultSocketSyscalls(); }
  ScopedSocketSyscalls(const ScopedSocketSyscalls&) = delete;
  ScopedSocketSyscalls& operator=(const ScopedSocketSyscalls&) = delete;
};

}  // namespace platform

ZEF_EXPORT int WSAGetLastError();
ZEF_EXPORT void WSASetLastError(int error);

// Manual-reset events with a wake descriptor of their own.
ZEF_EXPORT WSAEVENT WSACreateEvent();
ZEF_EXPORT BOOL WSACloseEvent(WSAEVENT event);
ZEF_EXPORT BOOL WSASetEvent(WSAEVENT event);
ZEF_EXPORT BOOL WSAResetEvent(WSAEVENT event);

// One buffer only (count 1); completion routines are not supported (null).
ZEF_EXPORT int WSARecv(SOCKET s, WSABUF* buffers, DWORD count, DWORD* received, DWORD* flags, WSAOVERLAPPED* overlapped,
                       LPWSAOVERLAPPED_COMPLETION_ROUTINE routine);
ZEF_EXPORT int WSARecvFrom(SOCKET s, WSABUF* buffers, DWORD count, DWORD* received, DWORD* flags, SOCKADDR* from,
                           int* fromLength, WSAOVERLAPPED* overlapped, LPWSAOVERLAPPED_COMPLETION_ROUTINE routine);
ZEF_EXPORT int WSASend(SOCKET s, WSABUF* buffers, DWORD count, DWORD* sent, DWORD flags, WSAOVERLAPPED* overlapped,
                       LPWSAOVERLAPPED_COMPLETION_ROUTINE routine);
ZEF_EXPORT int WSASendTo(SOCKET s, WSABUF* buffers, DWORD count, DWORD* sent, DWORD flags, const SOCKADDR* to,
                         int toLength, WSAOVERLAPPED* overlapped, LPWSAOVERLAPPED_COMPLETION_ROUTINE routine);
// One event (count 1), waitAll and alertable ignored. WSA_WAIT_EVENT_0 when
// the event is set (a bound operation finished, WSASetEvent, CancelIo),
// WSA_WAIT_TIMEOUT, or WSA_WAIT_FAILED for a bad event.
ZEF_EXPORT DWORD WSAWaitForMultipleEvents(DWORD count, const WSAEVENT* events, BOOL waitAll, DWORD timeoutMs,
                                          BOOL alertable);
// Never waits (wait must be FALSE): TRUE with the count of a finished
// operation; FALSE with WSA_IO_INCOMPLETE while pending, or the error.
ZEF_EXPORT BOOL WSAGetOverlappedResult(SOCKET s, WSAOVERLAPPED* overlapped, DWORD* transferred, BOOL wait,
                                       DWORD* flags);
// Completes the socket's bound operations as aborted and sets their events.
ZEF_EXPORT BOOL CancelIo(HANDLE socket);
