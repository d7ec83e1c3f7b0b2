// The shared part of the socket connections (see SocketConnection.h).
#include "SocketConnection.h"

#include "zefcorek/ZefCoreK.h"

#include "platform/Clock.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <cstring>

using zefcorek::devices::SocketConnection;

TConnResult SocketConnection::Close() {
  if (socket_ == INVALID_SOCKET) return {CONN_OK};
  (void)CancelNonBlockingReadOp();
  if (writer_) writer_->StopThread();
  writer_.reset();
  if (reader_) reader_->StopThread();
  reader_.reset();
  dropSocket();
  afterClose();
  return {CONN_OK};
}

void SocketConnection::dropSocket() {
  if (socket_ == INVALID_SOCKET) return;
  (void)platform::shutdown(socket_, SD_BOTH);
  (void)platform::closesocket(socket_);
  socket_ = INVALID_SOCKET;
}

uint16_t SocketConnection::Write(const void* bytes, uint16_t count) {
  if (!IsOpen() || bytes == nullptr || count == 0 || !writer_) return 0;
  const auto* data = static_cast<const uint8_t*>(bytes);
  const DWORD start = GetTickCount();
  uint16_t accepted = 0;
  while (accepted < count) {
    const uint32_t taken = writer_->WriteToBuffer(data + accepted, static_cast<uint32_t>(count - accepted), nullptr);
    if (taken > 0) {
      reportData(DEVIO_SENT, data + accepted, taken);
      accepted = static_cast<uint16_t>(accepted + taken);
      continue;
    }
    // Unsigned difference: right across the tick counter's wrap.
    if (static_cast<DWORD>(GetTickCount() - start) > timeout1()) break;
    zefCoreKSleep(1);
  }
  return accepted;
}

TConnResult SocketConnection::GetIOInfo(TDeviceIOInfo* info) {
  if (info == nullptr) return {CONN_BAD_ARGUMENT};
  if (!IsOpen()) {
    *info = {0, 0};
    return {CONN_FAILED};
  }
  *info = {1, 0};
  return {CONN_OK};
}

uint16_t SocketConnection::receiveNow(uint8_t* into, uint16_t count) {
  if (!reader_) return 0;
  return static_cast<uint16_t>(reader_->ReadFromBuffer(into, count, nullptr));
}

bool SocketConnection::resolve(const WCHAR* hostName, size_t capacity, uint32_t port, SOCKADDR_IN* out) {
  // The field may lack its terminator; it ends at the capacity then.
  const size_t length = std::find(hostName, hostName + capacity, u'\0') - hostName;
  const std::string narrow = platform::wideToAnsiLenient(std::u16string_view(hostName, length));
  if (narrow.empty()) return false;
  const HOSTENT* host = platform::gethostbyname(narrow.c_str());
  if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr) {
    return false;
  }
  *out = SOCKADDR_IN{};
  out->sin_family = AF_INET_FAMILY;
  out->sin_port = platform::toNetworkOrder16(static_cast<uint16_t>(port & 0xFFFF));
  std::memcpy(&out->sin_addr, host->h_addr_list[0], sizeof out->sin_addr);
  return true;
}

bool SocketConnection::startThreads(std::unique_ptr<IBufferedReadFromSocketImp> reader,
                                    std::unique_ptr<IBufferedWriteToSocketImp> writer) {
  if (!reader || !writer || !reader->StartThread() || !writer->StartThread()) {
    if (writer) writer->StopThread();
    if (reader) reader->StopThread();
    return false;
  }
  reader_ = std::move(reader);
  writer_ = std::move(writer);
  return true;
}
