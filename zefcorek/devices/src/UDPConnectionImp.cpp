// The UDP connection: datagrams to and from one remote host, read as a byte
// stream.
#include "SocketConnection.h"

#include "zefcorek/ClassMakers.h"
#include "zefcorek/SocketConnections.h"

#include <new>

namespace {

using zefcorek::devices::ConnectionClass;

constexpr ConnectionClass kUdpClass = {
    u"IUDPConnectionImp", u"CUDPConnectionSyncWnd", zefcorek::ConnectionKind::Udp, DEVCONN_UDP, 512,
    /*traced=*/false,     /*guarded=*/false};
constexpr uint16_t kMinimumTimeout = 300;

class IUDPConnectionImp final : public zefcorek::devices::SocketConnection, public virtual IUDPConnection {
public:
  IUDPConnectionImp() : SocketConnection(kUdpClass) {
    parms_.Timeout1 = 2000;
    parms_.Timeout2 = 4000;
  }
  ~IUDPConnectionImp() override { finishConnection(); }

  IDeviceConnection* GetTopInterface() override { return static_cast<IUDPConnection*>(this); }

  TConnResult Open() override {
    if (IsOpen()) (void)Close();
    socket_ = platform::socket(AF_INET_FAMILY, SOCK_DGRAM_TYPE, 0);
    if (socket_ == INVALID_SOCKET) return {CONN_FAILED};
    if (!resolve(parms_.HostName, std::size(parms_.HostName), parms_.Port, &remote_) || !bindAnyPort()) {
      dropSocket();
      remote_ = SOCKADDR_IN{};
      return {CONN_FAILED};
    }
    using zefcorek::devices::IBufferedReadFromSocketImp;
    using zefcorek::devices::IBufferedWriteToSocketImp;
    using zefcorek::devices::kSocketBufferCapacity;
    auto writer = std::make_unique<IBufferedWriteToSocketImp>(socket_, &remote_, kSocketBufferCapacity);
    auto reader = std::make_unique<IBufferedReadFromSocketImp>(socket_, 2, kSocketBufferCapacity,
                                                               /*overwriteOldest=*/true);
    if (parms_.DatagramPreviewCB != nullptr) reader->SetSocketDataPreviewCB(forwardPreview, this);
    if (!startThreads(std::move(reader), std::move(writer))) {
      dropSocket();
      remote_ = SOCKADDR_IN{};
      return {CONN_FAILED};
    }
    return {CONN_OK};
  }

  TUDPConnectionParms* GetParms() override { return &parms_; }

  TConnResult SetParms(const TUDPConnectionParms* parms) override {
    if (parms == nullptr) return {CONN_BAD_ARGUMENT};
    parms_ = *parms;
    parms_.Timeout1 = std::max(parms_.Timeout1, kMinimumTimeout);
    parms_.Timeout2 = std::max(parms_.Timeout2, kMinimumTimeout);
    return {CONN_OK};
  }

  uint16_t GetLocalPort() override {
    if (!IsOpen()) return 0;
    return platform::fromNetworkOrder16(local_.sin_port);
  }

  TConnResult SetRemotePort(uint16_t port) override {
    if (!IsOpen()) return {CONN_FAILED};
    parms_.Port = port;
    remote_.sin_port = platform::toNetworkOrder16(port);
    return {CONN_OK};
  }

  static void EnableIOLogging(const WCHAR* path, bool deleteFirst) {
    enableIOLogging(zefcorek::ConnectionKind::Udp, path, deleteFirst);
  }
  static bool IsIOLoggingEnabled() { return isIOLoggingEnabled(zefcorek::ConnectionKind::Udp); }

protected:
  uint16_t timeout1() override { return parms_.Timeout1; }
  void afterClose() override { remote_ = SOCKADDR_IN{}; }

private:
  // Any interface, a port the system picks, read back.
  bool bindAnyPort() {
    SOCKADDR_IN any{};
    any.sin_family = AF_INET_FAMILY;
    if (platform::bind(socket_, reinterpret_cast<const SOCKADDR*>(&any), sizeof any) != 0) {
      return false;
    }
    int length = sizeof local_;
    return platform::getsockname(socket_, reinterpret_cast<SOCKADDR*>(&local_), &length) == 0;
  }

  // Hands each datagram to the parameters' current preview; keeps it when
  // the preview was cleared since Open.
  static bool forwardPreview(const void* block, uint32_t* count, void* context) {
    auto* self = static_cast<IUDPConnectionImp*>(context);
    const SocketDataPreviewCB preview = self->parms_.DatagramPreviewCB;
    if (preview == nullptr) return true;
    return preview(block, count, self->parms_.DatagramPreviewCtx);
  }

  TUDPConnectionParms parms_{};
  SOCKADDR_IN remote_{};  // zero while closed
  SOCKADDR_IN local_{};   // as bound
};

}  // namespace

void* zefcorek::makeIUDPConnectionImp(intptr_t) {
  return static_cast<IUDPConnection*>(new (std::nothrow) IUDPConnectionImp());
}
