// The TCP client connection.
#include "OperationConventions.h"
#include "SocketConnection.h"

#include "zefcorek/ClassMakers.h"
#include "zefcorek/SocketConnections.h"

#include <new>

namespace {

using zefcorek::devices::ConnectionClass;
using zefcorek::devices::OperationTrace;
using zefcorek::devices::guardOperation;

constexpr const WCHAR* kClassName = u"ITCPConnectionImp";
constexpr ConnectionClass kTcpClass = {
    kClassName,      u"CTCPConnectionSyncWnd", zefcorek::ConnectionKind::Tcp, DEVCONN_TCP, 512,
    /*traced=*/true, /*guarded=*/true};
constexpr uint16_t kMinimumTimeout = 300;

class ITCPConnectionImp final : public zefcorek::devices::SocketConnection, public virtual ITCPConnection {
public:
  ITCPConnectionImp() : SocketConnection(kTcpClass) {
    OperationTrace trace(kClassName, u"ITCPConnectionImp");
    parms_.Timeout1 = 2000;
    parms_.Timeout2 = 4000;
  }
  ~ITCPConnectionImp() override {
    OperationTrace trace(kClassName, u"~ITCPConnectionImp");
    guardOperation(kClassName, u"~ITCPConnectionImp", [&] { finishConnection(); });
  }

  IDeviceConnection* GetTopInterface() override { return static_cast<ITCPConnection*>(this); }

  bool IsOpen() override {
    bool open = false;
    guardOperation(kClassName, u"IsOpen", [&] { open = SocketConnection::IsOpen(); });
    return open;
  }

  TConnResult Open() override {
    OperationTrace trace(kClassName, u"Open");
    TConnResult result{CONN_FAILED};
    guardOperation(kClassName, u"Open", [&] { result = openSocket(); });
    return result;
  }

  TConnResult Close() override {
    OperationTrace trace(kClassName, u"Close");
    guardOperation(kClassName, u"Close", [&] { (void)SocketConnection::Close(); });
    return {CONN_OK};
  }

  uint16_t Write(const void* bytes, uint16_t count) override {
    OperationTrace trace(kClassName, u"Write");
    uint16_t accepted = 0;
    guardOperation(kClassName, u"Write", [&] { accepted = SocketConnection::Write(bytes, count); });
    return accepted;
  }

  TConnResult GetIOInfo(TDeviceIOInfo* info) override {
    OperationTrace trace(kClassName, u"GetIOInfo");
    TConnResult result{CONN_FAILED};
    guardOperation(kClassName, u"GetIOInfo", [&] { result = SocketConnection::GetIOInfo(info); });
    return result;
  }

  TTCPConnectionParms* GetParms() override { return &parms_; }

  TConnResult SetParms(const TTCPConnectionParms* parms) override {
    if (parms == nullptr) return {CONN_BAD_ARGUMENT};
    parms_ = *parms;
    parms_.Timeout1 = std::max(parms_.Timeout1, kMinimumTimeout);
    parms_.Timeout2 = std::max(parms_.Timeout2, kMinimumTimeout);
    return {CONN_OK};
  }

  static void EnableIOLogging(const WCHAR* path, bool deleteFirst) {
    guardOperation(kClassName, u"EnableIOLogging",
                   [&] { enableIOLogging(zefcorek::ConnectionKind::Tcp, path, deleteFirst); });
  }
  static bool IsIOLoggingEnabled() { return isIOLoggingEnabled(zefcorek::ConnectionKind::Tcp); }

protected:
  uint16_t timeout1() override { return parms_.Timeout1; }

private:
  TConnResult openSocket() {
    if (SocketConnection::IsOpen()) (void)Close();
    socket_ = platform::socket(AF_INET_FAMILY, SOCK_STREAM_TYPE, 0);
    if (socket_ == INVALID_SOCKET) return {CONN_FAILED};
    setOptions();
    SOCKADDR_IN address{};
    if (!resolve(parms_.HostName, std::size(parms_.HostName), parms_.Port, &address) ||
        platform::connect(socket_, reinterpret_cast<const SOCKADDR*>(&address), sizeof address) != 0) {
      dropSocket();
      return {CONN_FAILED};
    }
    using zefcorek::devices::IBufferedReadFromSocketImp;
    using zefcorek::devices::IBufferedWriteToSocketImp;
    using zefcorek::devices::kSocketBufferCapacity;
    if (!startThreads(std::make_unique<IBufferedReadFromSocketImp>(socket_, 1, kSocketBufferCapacity,
                                                                   /*overwriteOldest=*/true),
                      std::make_unique<IBufferedWriteToSocketImp>(socket_, 1, kSocketBufferCapacity))) {
      dropSocket();
      return {CONN_FAILED};
    }
    return {CONN_OK};
  }

  // Small socket buffers, a graceful close, keep-alive and no Nagle delay;
  // a refused option changes nothing else.
  void setOptions() {
    const int receiveBuffer = 8192;
    const int sendBuffer = 1024;
    const int on = 1;
    const auto set = [&](int level, int option, const int& value) {
      (void)platform::setsockopt(socket_, level, option, reinterpret_cast<const char*>(&value), sizeof value);
    };
    set(SOL_SOCKET_LEVEL, SO_RCVBUF_OPTION, receiveBuffer);
    set(SOL_SOCKET_LEVEL, SO_SNDBUF_OPTION, sendBuffer);
    set(SOL_SOCKET_LEVEL, SO_DONTLINGER_OPTION, on);
    set(SOL_SOCKET_LEVEL, SO_KEEPALIVE_OPTION, on);
    set(IPPROTO_TCP_PROTOCOL, TCP_NODELAY_OPTION, on);
  }

  TTCPConnectionParms parms_{};
};

}  // namespace

void* zefcorek::makeITCPConnectionImp(intptr_t) {
  return static_cast<ITCPConnection*>(new (std::nothrow) ITCPConnectionImp());
}
