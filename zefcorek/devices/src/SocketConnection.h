// The part the socket connections (TCP, UDP, Bluetooth) share on top of the
// connection base: the socket with its reader and writer, Write with its
// time-out, reads from the reader's buffer, GetIOInfo and Close.
#pragma once

#include "BufferedSocketIO.h"
#include "DeviceConnectionBase.h"

#include "platform/Sockets.h"

#include <memory>

namespace zefcorek::devices {

inline constexpr uint32_t kSocketBufferCapacity = 8192;

class ZEF_EXPORT SocketConnection : public DeviceConnectionBase {
public:
  explicit SocketConnection(const ConnectionClass& connectionClass) : DeviceConnectionBase(connectionClass) {}

  bool IsOpen() override { return socket_ != INVALID_SOCKET; }
  // Cancels a pending non-blocking read, stops the writer, then the reader,
  // shuts the socket down and closes it. Always 0.
  TConnResult Close() override;
  // Offers the bytes to the writer until all are taken or Timeout1 passes;
  // the number accepted.
  uint16_t Write(const void* bytes, uint16_t count) override;
  // 1 and 0 while open; 0, 0 and status 1 when closed.
  TConnResult GetIOInfo(TDeviceIOInfo* info) override;

protected:
  uint16_t receiveNow(uint8_t* into, uint16_t count) override;
  // Timeout1 of the class's parameters.
  virtual uint16_t timeout1() = 0;
  uint32_t readTimeoutMs() override { return timeout1(); }
  // Runs at the end of Close, after the socket is gone.
  virtual void afterClose() {}

  // The IPv4 address of `hostName` at `port`; false when it does not resolve.
  static bool resolve(const WCHAR* hostName, size_t capacity, uint32_t port, SOCKADDR_IN* out);
  // Starts both threads on the open socket; false (and nothing runs) when
  // one cannot be started.
  bool startThreads(std::unique_ptr<IBufferedReadFromSocketImp> reader,
                    std::unique_ptr<IBufferedWriteToSocketImp> writer);
  // Closes the socket without the rest of Close (a failed Open).
  void dropSocket();

  SOCKET socket_ = INVALID_SOCKET;
  std::unique_ptr<IBufferedReadFromSocketImp> reader_;  // set while open
  std::unique_ptr<IBufferedWriteToSocketImp> writer_;   // set while open
};

}  // namespace zefcorek::devices
