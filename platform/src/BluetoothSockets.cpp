// AF_BTH sockets on the radio back end's descriptors.
#include "BluetoothSockets.h"

#include "platform/Bluetooth.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstring>

SOCKET platform::bluetoothSocket(int type, int protocol) {
  BluetoothBackend* backend = activeBluetoothBackend();
  if (backend == nullptr) {
    WSASetLastError(WSAEAFNOSUPPORT);
    return INVALID_SOCKET;
  }
  if (type != SOCK_STREAM_TYPE || protocol != BTHPROTO_RFCOMM) {
    WSASetLastError(WSAEPROTONOSUPPORT);
    return INVALID_SOCKET;
  }
  const int fd = backend->rfcommSocket();
  if (fd < 0) {
    WSASetLastError(errno == EMFILE ? WSAEMFILE : WSAENOBUFS);
    return INVALID_SOCKET;
  }
  return static_cast<SOCKET>(fd);
}

bool platform::isBluetoothAddress(const SOCKADDR* address, int length) {
  if (address == nullptr || length < static_cast<int>(sizeof(SOCKADDR_BTH))) return false;
  uint16_t family = 0;
  std::memcpy(&family, address, sizeof family);
  return family == AF_BTH;
}

namespace {

// The buffer sizes of a descriptor, as setsockopt takes them: the system
// reports twice the size it was asked for (its bookkeeping share), so half
// of the reported size asks for the same again. 0 where it cannot be read.
struct BufferSizes {
  int receive = 0;
  int send = 0;
};

int bufferSizeOf(int fd, int option) {
  int reported = 0;
  socklen_t length = sizeof reported;
  if (::getsockopt(fd, SOL_SOCKET, option, &reported, &length) != 0) return 0;
  return reported / 2;
}

BufferSizes bufferSizesOf(int fd) { return {bufferSizeOf(fd, SO_RCVBUF), bufferSizeOf(fd, SO_SNDBUF)}; }

void applyBufferSizes(int fd, const BufferSizes& sizes) {
  if (sizes.receive > 0) (void)::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &sizes.receive, sizeof sizes.receive);
  if (sizes.send > 0) (void)::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sizes.send, sizeof sizes.send);
}

}  // namespace

// The back end puts the connected link in the socket's place, and the link
// starts with the system's buffer sizes; those set on the socket before the
// connect are carried over to it.
int platform::bluetoothConnect(SOCKET s, const SOCKADDR* address, int) {
  BluetoothBackend* backend = activeBluetoothBackend();
  if (backend == nullptr) {
    WSASetLastError(WSAENETDOWN);
    return SOCKET_ERROR;
  }
  SOCKADDR_BTH target;
  std::memcpy(&target, address, sizeof target);
  const int fd = static_cast<int>(s);
  const BufferSizes sizes = bufferSizesOf(fd);
  const int error = backend->rfcommConnect(fd, target);
  if (error == 0) {
    applyBufferSizes(fd, sizes);
    return 0;
  }
  WSASetLastError(error);
  return SOCKET_ERROR;
}
