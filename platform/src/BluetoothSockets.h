// The Bluetooth branch of the sockets layer: AF_BTH sockets are made and
// connected by the active radio back end; everything after connect (reads,
// writes, overlapped I/O, shutdown, close) is the ordinary descriptor path.
#pragma once

#include "platform/Sockets.h"

namespace platform {

// An RFCOMM stream socket of the active back end; INVALID_SOCKET with
// WSAEAFNOSUPPORT without one, WSAEPROTONOSUPPORT for another type.
SOCKET bluetoothSocket(int type, int protocol);
// Whether `address` is a Bluetooth socket address of `length` bytes.
bool isBluetoothAddress(const SOCKADDR* address, int length);
// Connects through the back end: 0, or SOCKET_ERROR with the WSAE error.
int bluetoothConnect(SOCKET s, const SOCKADDR* address, int length);

}  // namespace platform
