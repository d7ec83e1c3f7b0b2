// The Bluetooth name space: a lookup handle holds the results the back end
// gave at its start, and each Next lays one of them out in the caller's
// buffer (the query set first, then the name, the address records and the
// blob it points to).
#include "platform/BluetoothLookup.h"

#include "platform/CodePage.h"
#include "platform/Handles.h"
#include "platform/LastError.h"
#include "platform/WinSock.h"

#include <fcntl.h>
#include <sys/socket.h>

#include <algorithm>
#include <memory>
#include <cstring>
#include <string>
#include <vector>

namespace {

class BluetoothLookup final : public platform::KernelObject {
public:
  std::vector<platform::BluetoothInquiryDevice> devices;
  size_t next = 0;
  bool serviceSearch = false;
  bool serviceFound = false;
  uint64_t localAddress = 0;
};

int fail(int error) {
  WSASetLastError(error);
  return SOCKET_ERROR;
}

// "(AA:BB:CC:DD:EE:FF)" or "AA:BB:…" into an address; false when it does not read.
bool readAddressText(const WCHAR* text, uint64_t& address) {
  if (text == nullptr) return false;
  std::u16string copy(text);
  if (!copy.empty() && copy.front() == u'(') copy.erase(0, 1);
  if (!copy.empty() && copy.back() == u')') copy.pop_back();
  if (copy.size() != 17) return false;
  address = 0;
  for (size_t i = 0; i < 17; ++i) {
    const char16_t c = copy[i];
    if (i % 3 == 2) {
      if (c != u':') return false;
      continue;
    }
    int digit = -1;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    if (c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    if (c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    if (digit < 0) return false;
    address = (address << 4) | static_cast<uint64_t>(digit);
  }
  return true;
}

SOCKADDR_BTH socketAddress(uint64_t address) {
  SOCKADDR_BTH made{};
  made.addressFamily = AF_BTH;
  made.btAddr = address;
  return made;
}

size_t alignUp(size_t offset) { return (offset + 7) & ~size_t{7}; }

}  // namespace

int WSALookupServiceBeginW(const WSAQUERYSETW* restrictions, DWORD flags, HANDLE_LOOKUP* lookup) {
  if (lookup == nullptr || restrictions == nullptr) return fail(WSAEFAULT);
  *lookup = nullptr;
  if (restrictions->dwNameSpace != NS_BTH) return fail(WSAEINVAL);
  platform::BluetoothBackend* backend = platform::activeBluetoothBackend();
  if (backend == nullptr) return fail(WSAENETDOWN);
  auto made = std::make_unique<BluetoothLookup>();
  made->localAddress = backend->radioAddress();
  if ((flags & LUP_CONTAINERS) != 0) {
    const int error = backend->inquire((flags & LUP_FLUSHCACHE) != 0, made->devices);
    if (error != 0) return fail(error);
  } else {
    uint64_t address = 0;
    const BLOB* blob = restrictions->lpBlob;
    if (!readAddressText(restrictions->lpszContext, address) || blob == nullptr ||
        blob->cbSize < sizeof(BTH_QUERY_SERVICE) || blob->pBlobData == nullptr) {
      return fail(WSAEINVAL);
    }
    BTH_QUERY_SERVICE query;
    std::memcpy(&query, blob->pBlobData, sizeof query);
    if (query.uuids[0].uuidType != SDP_ST_UUID16) return fail(WSAEINVAL);
    made->serviceSearch = true;
    const int error = backend->findService(address, query.uuids[0].u.uuid16, made->serviceFound);
    if (error != 0) return fail(error);
  }
  *lookup = platform::registerHandle(made.release());
  return 0;
}

int WSALookupServiceNextW(HANDLE_LOOKUP handle, DWORD, DWORD* length, WSAQUERYSETW* results) {
  auto* lookup = platform::lookupHandleAs<BluetoothLookup>(handle);
  if (lookup == nullptr) return fail(WSA_INVALID_HANDLE);
  if (length == nullptr) return fail(WSAEFAULT);
  if (lookup->serviceSearch) {
    if (!lookup->serviceFound || lookup->next > 0) return fail(WSA_E_NO_MORE);
    if (results == nullptr || *length < sizeof(WSAQUERYSETW)) {
      *length = sizeof(WSAQUERYSETW);
      return fail(WSAEFAULT);
    }
    std::memset(results, 0, sizeof(WSAQUERYSETW));
    results->dwSize = sizeof(WSAQUERYSETW);
    results->dwNameSpace = NS_BTH;
    ++lookup->next;
    return 0;
  }
  if (lookup->next >= lookup->devices.size()) return fail(WSA_E_NO_MORE);
  const platform::BluetoothInquiryDevice& device = lookup->devices[lookup->next];

  // The layout: query set, name, address record, two socket addresses, blob
  // header, device information.
  const size_t nameAt = alignUp(sizeof(WSAQUERYSETW));
  const size_t addressAt = alignUp(nameAt + (device.name.size() + 1) * sizeof(WCHAR));
  const size_t localAt = alignUp(addressAt + sizeof(CSADDR_INFO));
  const size_t remoteAt = alignUp(localAt + sizeof(SOCKADDR_BTH));
  const size_t blobAt = alignUp(remoteAt + sizeof(SOCKADDR_BTH));
  const size_t infoAt = alignUp(blobAt + sizeof(BLOB));
  const size_t needed = infoAt + sizeof(BTH_DEVICE_INFO);
  if (results == nullptr || *length < needed) {
    *length = static_cast<DWORD>(needed);
    return fail(WSAEFAULT);
  }
  auto* base = reinterpret_cast<uint8_t*>(results);
  std::memset(base, 0, needed);
  results->dwSize = sizeof(WSAQUERYSETW);
  results->dwNameSpace = NS_BTH;
  if (!device.name.empty()) {
    auto* name = reinterpret_cast<WCHAR*>(base + nameAt);
    std::memcpy(name, device.name.c_str(), (device.name.size() + 1) * sizeof(WCHAR));
    results->lpszServiceInstanceName = name;
  }
  auto* record = reinterpret_cast<CSADDR_INFO*>(base + addressAt);
  const SOCKADDR_BTH local = socketAddress(lookup->localAddress);
  const SOCKADDR_BTH remote = socketAddress(device.address);
  std::memcpy(base + localAt, &local, sizeof local);
  std::memcpy(base + remoteAt, &remote, sizeof remote);
  record->LocalAddr = {reinterpret_cast<SOCKADDR*>(base + localAt), sizeof(SOCKADDR_BTH)};
  record->RemoteAddr = {reinterpret_cast<SOCKADDR*>(base + remoteAt), sizeof(SOCKADDR_BTH)};
  record->iSocketType = SOCK_STREAM_TYPE;
  record->iProtocol = BTHPROTO_RFCOMM;
  results->dwNumberOfCsAddrs = 1;
  results->lpcsaBuffer = record;

  auto* info = reinterpret_cast<BTH_DEVICE_INFO*>(base + infoAt);
  info->flags = BDIF_ADDRESS | BDIF_COD | (device.name.empty() ? 0 : BDIF_NAME) | (device.paired ? BDIF_PAIRED : 0) |
                (device.remembered ? BDIF_PERSONAL : 0) | (device.connected ? BDIF_CONNECTED : 0);
  info->address = device.address;
  info->classOfDevice = device.classOfDevice;
  const std::string name = platform::wideToAnsiLenient(device.name);
  std::memcpy(info->name, name.data(), std::min(name.size(), sizeof info->name - 1));
  auto* blob = reinterpret_cast<BLOB*>(base + blobAt);
  blob->cbSize = sizeof(BTH_DEVICE_INFO);
  blob->pBlobData = reinterpret_cast<uint8_t*>(info);
  results->lpBlob = blob;
  ++lookup->next;
  return 0;
}

int WSALookupServiceEnd(HANDLE_LOOKUP handle) {
  if (platform::lookupHandleAs<BluetoothLookup>(handle) == nullptr) return fail(WSA_INVALID_HANDLE);
  (void)CloseHandle(handle);
  return 0;
}

int WSAAddressToStringW(const SOCKADDR* address, DWORD addressLength, const WSAPROTOCOL_INFOW*, WCHAR* text,
                        DWORD* length) {
  if (address == nullptr || length == nullptr) return fail(WSAEFAULT);
  if (addressLength < sizeof(SOCKADDR_BTH)) return fail(WSAEFAULT);
  SOCKADDR_BTH bth;
  std::memcpy(&bth, address, sizeof bth);
  if (bth.addressFamily != AF_BTH) return fail(WSAEINVAL);
  constexpr DWORD kNeeded = 20;
  if (text == nullptr || *length < kNeeded) {
    *length = kNeeded;
    return fail(WSAEFAULT);
  }
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  WCHAR* out = text;
  *out++ = u'(';
  for (int byte = 5; byte >= 0; --byte) {
    const unsigned value = (bth.btAddr >> (8 * byte)) & 0xFF;
    *out++ = kDigits[value >> 4];
    *out++ = kDigits[value & 0xF];
    *out++ = byte == 0 ? u')' : u':';
  }
  *out = 0;
  *length = kNeeded;
  return 0;
}

int platform::getsockopt(SOCKET s, int level, int option, char* value, int* length) {
  if (value == nullptr || length == nullptr) return fail(WSAEFAULT);
  if (::fcntl(static_cast<int>(s), F_GETFD) < 0) return fail(WSAENOTSOCK);
  if (level != SOL_SOCKET_LEVEL || option != SO_PROTOCOL_INFOW_OPTION) return fail(WSAENOPROTOOPT);
  if (*length < static_cast<int>(sizeof(WSAPROTOCOL_INFOW))) {
    *length = sizeof(WSAPROTOCOL_INFOW);
    return fail(WSAEFAULT);
  }
  WSAPROTOCOL_INFOW info{};
  info.iVersion = 2;
  info.iAddressFamily = AF_BTH;
  info.iMaxSockAddr = sizeof(SOCKADDR_BTH);
  info.iMinSockAddr = sizeof(SOCKADDR_BTH);
  info.iSocketType = SOCK_STREAM_TYPE;
  info.iProtocol = BTHPROTO_RFCOMM;
  info.ProtocolChain.ChainLen = 1;
  static constexpr char16_t kName[] = u"MSAFD RfComm [Bluetooth]";
  std::memcpy(info.szProtocol, kName, sizeof kName);
  std::memcpy(value, &info, sizeof info);
  *length = sizeof info;
  return 0;
}
