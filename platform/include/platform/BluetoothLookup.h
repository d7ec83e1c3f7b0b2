// The Bluetooth name space of the sockets layer: device inquiries and
// service searches through WSALookupServiceBeginW / NextW / End, the text of
// Bluetooth socket addresses, and the protocol information of an RFCOMM
// socket. All answer from the active radio back end (platform/Bluetooth.h).
#pragma once

#include "platform/Bluetooth.h"
#include "platform/Export.h"
#include "platform/Sockets.h"
#include "platform/WinSock.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>

inline constexpr DWORD NS_BTH = 16;
inline constexpr DWORD LUP_CONTAINERS = 0x0002;
inline constexpr DWORD LUP_RETURN_NAME = 0x0010;
inline constexpr DWORD LUP_RETURN_TYPE = 0x0020;
inline constexpr DWORD LUP_RETURN_ADDR = 0x0100;
inline constexpr DWORD LUP_RETURN_BLOB = 0x0200;
inline constexpr DWORD LUP_FLUSHCACHE = 0x1000;
inline constexpr DWORD LUP_RES_SERVICE = 0x8000;
inline constexpr DWORD LUP_RETURN_ALL = 0x0FF0;
inline constexpr int WSAENOMORE = 10102;
inline constexpr int WSA_E_NO_MORE = 10110;
inline constexpr int SO_PROTOCOL_INFOW_OPTION = 0x2005;
inline constexpr int WSAENOPROTOOPT = 10042;
inline constexpr int WSA_INVALID_HANDLE = 6;

// Device flags of an inquiry result.
inline constexpr ULONG BDIF_ADDRESS = 0x01;
inline constexpr ULONG BDIF_COD = 0x02;
inline constexpr ULONG BDIF_NAME = 0x04;
inline constexpr ULONG BDIF_PAIRED = 0x08;
inline constexpr ULONG BDIF_PERSONAL = 0x10;  // remembered
inline constexpr ULONG BDIF_CONNECTED = 0x20;

struct BLOB {
  ULONG cbSize;
  uint8_t* pBlobData;
};

struct SOCKET_ADDRESS {
  SOCKADDR* lpSockaddr;
  int iSockaddrLength;
};

struct CSADDR_INFO {
  SOCKET_ADDRESS LocalAddr;
  SOCKET_ADDRESS RemoteAddr;
  int iSocketType;
  int iProtocol;
};

struct WSAQUERYSETW {
  DWORD dwSize;
  WCHAR* lpszServiceInstanceName;
  GUID* lpServiceClassId;
  void* lpVersion;
  WCHAR* lpszComment;
  DWORD dwNameSpace;
  GUID* lpNSProviderId;
  WCHAR* lpszContext;
  DWORD dwNumberOfProtocols;
  void* lpafpProtocols;
  WCHAR* lpszQueryString;
  DWORD dwNumberOfCsAddrs;
  CSADDR_INFO* lpcsaBuffer;
  DWORD dwOutputFlags;
  BLOB* lpBlob;
};

// The blob of a device inquiry: the inquiry access code and its length.
#pragma pack(push, 1)
struct BTH_QUERY_DEVICE {
  ULONG LAP;
  uint8_t length;
};
#pragma pack(pop)
static_assert(sizeof(BTH_QUERY_DEVICE) == 5);

// The device-information blob of an inquiry result.
struct BTH_DEVICE_INFO {
  ULONG flags;  // BDIF_…
  uint64_t address;
  ULONG classOfDevice;
  char name[248];  // UTF-8
};

// The restriction blob of a service search.
struct SdpQueryUuid {
  union {
    GUID uuid128;
    ULONG uuid32;
    uint16_t uuid16;
  } u;
  uint16_t uuidType;  // 1 = 16-bit, 2 = 32-bit, 3 = 128-bit
};
static_assert(sizeof(SdpQueryUuid) == 20);
struct SdpAttributeRange {
  uint16_t minAttribute;
  uint16_t maxAttribute;
};
inline constexpr ULONG SDP_SERVICE_ATTRIBUTE_REQUEST = 3;
inline constexpr uint16_t SDP_ST_UUID16 = 1;
struct BTH_QUERY_SERVICE {
  ULONG type;
  ULONG serviceHandle;
  SdpQueryUuid uuids[12];
  ULONG numRange;
  SdpAttributeRange pRange[1];
};
static_assert(sizeof(BTH_QUERY_SERVICE) == 256);

struct WSAPROTOCOLCHAIN {
  int ChainLen;
  DWORD ChainEntries[7];
};

struct WSAPROTOCOL_INFOW {
  DWORD dwServiceFlags1;
  DWORD dwServiceFlags2;
  DWORD dwServiceFlags3;
  DWORD dwServiceFlags4;
  DWORD dwProviderFlags;
  GUID ProviderId;
  DWORD dwCatalogEntryId;
  WSAPROTOCOLCHAIN ProtocolChain;
  int iVersion;
  int iAddressFamily;
  int iMaxSockAddr;
  int iMinSockAddr;
  int iSocketType;
  int iProtocol;
  int iProtocolMaxOffset;
  int iNetworkByteOrder;
  int iSecurityScheme;
  DWORD dwMessageSize;
  DWORD dwProviderReserved;
  WCHAR szProtocol[256];
};
static_assert(sizeof(WSAPROTOCOL_INFOW) == 628);

using HANDLE_LOOKUP = HANDLE;

// Begins an inquiry (LUP_CONTAINERS, blob BTH_QUERY_DEVICE) or a service
// search (context: the device's address text, blob BTH_QUERY_SERVICE) in
// NS_BTH. 0, or SOCKET_ERROR with the WSAE error.
ZEF_EXPORT int WSALookupServiceBeginW(const WSAQUERYSETW* restrictions, DWORD flags, HANDLE_LOOKUP* lookup);
// The next result, laid out in `results` (*length bytes): 0, or
// SOCKET_ERROR with WSA_E_NO_MORE at the end, WSAEFAULT (and *length the
// size needed) when the buffer is too small.
ZEF_EXPORT int WSALookupServiceNextW(HANDLE_LOOKUP lookup, DWORD flags, DWORD* length, WSAQUERYSETW* results);
ZEF_EXPORT int WSALookupServiceEnd(HANDLE_LOOKUP lookup);

// "(AA:BB:CC:DD:EE:FF)" for a Bluetooth socket address: 0 and *length the
// characters written with the terminator; SOCKET_ERROR with WSAEFAULT (and
// the length needed) when the buffer is short, WSAEINVAL for other families.
ZEF_EXPORT int WSAAddressToStringW(const SOCKADDR* address, DWORD addressLength, const WSAPROTOCOL_INFOW* info,
                                   WCHAR* text, DWORD* length);

namespace platform {

// Only SO_PROTOCOL_INFOW_OPTION at SOL_SOCKET_LEVEL of an RFCOMM socket.
ZEF_EXPORT int getsockopt(SOCKET s, int level, int option, char* value, int* length);

}  // namespace platform
