// The Bluetooth connection: an RFCOMM stream socket with the shared socket
// reader and writer, opened after an optional pairing step.
#include "BluetoothPairing.h"
#include "BthPropsDLL.h"
#include "OperationConventions.h"
#include "SocketConnection.h"

#include "zefcorek/BluetoothConnection.h"
#include "zefcorek/ClassMakers.h"

#include "platform/Bluetooth.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

using zefcorek::devices::ConnectionClass;
using zefcorek::devices::TBthPropsDLL;
using zefcorek::devices::guardOperation;

constexpr const WCHAR* kClassName = u"IBluetoothConnectionImp";
constexpr ConnectionClass kBluetoothClass = {
    kClassName,       u"CBluetoothConnectionSyncWnd", zefcorek::ConnectionKind::Bluetooth, DEVCONN_BLUETOOTH, 2048,
    /*traced=*/false,
    /*guarded=*/true};
constexpr uint16_t kMinimumTimeout = 300;
constexpr uint32_t kRfcommKind = 0;  // the reader's and writer's medium kind

// A private function table for one call, freed on every way out.
class PrivateBthPropsDLL {
public:
  PrivateBthPropsDLL() { zefcorek::devices::loadBthPropsDLL(table_); }
  ~PrivateBthPropsDLL() { zefcorek::devices::freeBthPropsDLL(table_); }
  PrivateBthPropsDLL(const PrivateBthPropsDLL&) = delete;
  PrivateBthPropsDLL& operator=(const PrivateBthPropsDLL&) = delete;
  const TBthPropsDLL& table() const { return table_; }

private:
  TBthPropsDLL table_;
};

bool isNullGuid(const GUID& id) {
  static const GUID kNull{};
  return std::memcmp(&id, &kNull, sizeof id) == 0;
}

// Connect errors to Open's statuses. A refusal is "connection refused" here;
// the name-service error some stacks report for it is mapped too.
uint32_t statusOfConnectError(int error) {
  switch (error) {
    case WSAEADDRNOTAVAIL: return BTCONN_ADDRESS_NOT_AVAILABLE;
    case WSAETIMEDOUT: return BTCONN_TIMED_OUT;
    case WSAEHOSTDOWN: return BTCONN_HOST_DOWN;
    case WSAECONNREFUSED:
    case 10112:  // WSAEREFUSED
      return BTCONN_REFUSED;
    default: return CONN_FAILED;
  }
}

class IBluetoothConnectionImp final : public zefcorek::devices::SocketConnection, public virtual IBluetoothConnection {
public:
  IBluetoothConnectionImp() : SocketConnection(kBluetoothClass) {
    parms_.ReadWriteTimeoutMs = 2000;
    parms_.SecondTimeoutMs = 4000;
    parms_.AutoAccept = 1;
  }
  ~IBluetoothConnectionImp() override {
    guardOperation(kClassName, u"~IBluetoothConnectionImp", [&] { finishConnection(); });
  }

  IDeviceConnection* GetTopInterface() override { return static_cast<IBluetoothConnection*>(this); }
  IStdInterface* CastToTopInterface() override { return static_cast<IBluetoothConnection*>(this); }

  TConnResult Open() override {
    TConnResult result{CONN_FAILED};
    guardOperation(kClassName, u"Open", [&] { result = openLink(); });
    return result;
  }

  TConnResult Close() override {
    guardOperation(kClassName, u"Close", [&] { (void)SocketConnection::Close(); });
    return {CONN_OK};
  }

  uint16_t Write(const void* bytes, uint16_t count) override {
    uint16_t accepted = 0;
    guardOperation(kClassName, u"Write", [&] { accepted = SocketConnection::Write(bytes, count); });
    return accepted;
  }

  // This class refuses a null text before it looks at the link.
  TConnResult WriteText(const WCHAR* text) override {
    if (text == nullptr) return {CONN_BAD_ARGUMENT};
    return SocketConnection::WriteText(text);
  }

  TConnResult IsDevicePaired(uint64_t address, bool* paired) override {
    if (paired == nullptr) return {CONN_BAD_ARGUMENT};
    *paired = false;
    if (address == 0) return {CONN_BAD_ARGUMENT};
    TConnResult result{CONN_FAILED};
    guardOperation(kClassName, u"IsDevicePaired", [&] {
      const PrivateBthPropsDLL functions;
      if (functions.table().GetDeviceInfo == nullptr) return;
      BLUETOOTH_DEVICE_INFO info{};
      info.dwSize = sizeof info;
      info.Address.ullLong = address;
      (void)functions.table().GetDeviceInfo(nullptr, &info);
      *paired = info.fAuthenticated != FALSE;
      result = {CONN_OK};
    });
    return result;
  }

  TBluetoothConnParms* GetParms() override { return &parms_; }

  TConnResult SetParms(const TBluetoothConnParms* parms) override {
    if (parms == nullptr) return {CONN_BAD_ARGUMENT};
    guardOperation(kClassName, u"SetParms", [&] {
      std::memcpy(&parms_, parms, sizeof parms_);
      parms_.ReadWriteTimeoutMs = std::max(parms_.ReadWriteTimeoutMs, kMinimumTimeout);
      parms_.SecondTimeoutMs = std::max(parms_.SecondTimeoutMs, kMinimumTimeout);
    });
    return {CONN_OK};
  }

protected:
  uint16_t timeout1() override { return parms_.ReadWriteTimeoutMs; }

private:
  TConnResult openLink() {
    if (SocketConnection::IsOpen()) (void)SocketConnection::Close();
    socket_ = platform::socket(AF_BTH, SOCK_STREAM_TYPE, BTHPROTO_RFCOMM);
    if (socket_ == INVALID_SOCKET) return {CONN_FAILED};
    setOptions();

    const PrivateBthPropsDLL functions;
    const TBthPropsDLL& table = functions.table();
    if (table.GetDeviceInfo == nullptr) {
      dropSocket();
      return {CONN_FAILED};
    }
    BLUETOOTH_DEVICE_INFO info{};
    info.dwSize = sizeof info;
    info.Address.ullLong = parms_.Address;
    (void)table.GetDeviceInfo(nullptr, &info);
    const bool paired = info.fAuthenticated != FALSE;

    SOCKADDR_BTH address{};
    address.addressFamily = AF_BTH;
    address.btAddr = parms_.Address;
    if (!isNullGuid(parms_.ServiceClassId)) {
      address.serviceClassId = parms_.ServiceClassId;
      address.port = 0;
    } else {
      address.port = parms_.Port;
    }

    if (!paired && parms_.PairingCallback != nullptr) {
      const TConnResult pairing = pair(table, info);
      if (pairing.Value != CONN_OK) {
        (void)SocketConnection::Close();
        dropSocket();
        return pairing;
      }
    }

    if (platform::connect(socket_, reinterpret_cast<const SOCKADDR*>(&address), sizeof address) != 0) {
      const int error = WSAGetLastError();
      dropSocket();
      return {statusOfConnectError(error)};
    }
    using zefcorek::devices::IBufferedReadFromSocketImp;
    using zefcorek::devices::IBufferedWriteToSocketImp;
    using zefcorek::devices::kSocketBufferCapacity;
    if (!startThreads(std::make_unique<IBufferedReadFromSocketImp>(socket_, kRfcommKind, kSocketBufferCapacity,
                                                                   /*overwriteOldest=*/true),
                      std::make_unique<IBufferedWriteToSocketImp>(socket_, kRfcommKind, kSocketBufferCapacity))) {
      dropSocket();
      return {CONN_FAILED};
    }
    return {CONN_OK};
  }

  // Runs the pairing with the host's confirmation; 0 when the request was
  // accepted, else 1003 for an authentication that timed out, else 1.
  TConnResult pair(const TBthPropsDLL& table, const BLUETOOTH_DEVICE_INFO& info) {
    if (table.AuthenticateDeviceEx == nullptr) return {CONN_FAILED};
    zefcorek::devices::TBluetoothPairingRequest request;
    request.DeviceInfo = info;
    request.Table = &table;
    uint32_t value = 0;
    zefcorek::devices::readPinText(parms_.PinText, sizeof parms_.PinText, value, request.PinDigits);
    request.Value = value;
    request.AutoAccept = parms_.AutoAccept != 0;
    zefcorek::devices::runPairing(request, parms_.PairingCallback, parms_.PairingUserData, nullptr, nullptr);
    if (request.Accepted) return {CONN_OK};
    return {request.Result == zefcorek::devices::kAuthenticationTimedOut ? BTCONN_TIMED_OUT : CONN_FAILED};
  }

  // Small socket buffers and a graceful close; a refused option changes
  // nothing else.
  void setOptions() {
    const int receiveBuffer = 8192;
    const int sendBuffer = 1024;
    const int on = 1;
    const auto set = [&](int option, const int& value) {
      (void)platform::setsockopt(socket_, SOL_SOCKET_LEVEL, option, reinterpret_cast<const char*>(&value),
                                 sizeof value);
    };
    set(SO_RCVBUF_OPTION, receiveBuffer);
    set(SO_SNDBUF_OPTION, sendBuffer);
    set(SO_DONTLINGER_OPTION, on);
  }

  TBluetoothConnParms parms_{};
};

}  // namespace

void* zefcorek::makeIBluetoothConnectionImp(intptr_t) {
  return static_cast<IBluetoothConnection*>(new (std::nothrow) IBluetoothConnectionImp());
}
