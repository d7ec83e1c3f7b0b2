// AF_BTH sockets on the radio back end's descriptors.
#include "BluetoothSockets.h"

#include "platform/Bluetooth.h"

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

int platform::bluetoothConnect(SOCKET s, const SOCKADDR* address, int) {
  BluetoothBackend* backend = activeBluetoothBackend();
  if (backend == nullptr) {
    WSASetLastError(WSAENETDOWN);
    return SOCKET_ERROR;
  }
  SOCKADDR_BTH target;
  std::memcpy(&target, address, sizeof target);
  const int error = backend->rfcommConnect(static_cast<int>(s), target);
  if (error == 0) return 0;
  WSASetLastError(error);
  return SOCKET_ERROR;
}
