// Start-up and clean-up of the sockets layer.
//
// POSIX sockets need no start-up: WSAStartup and WSACleanup only keep count
// of their calls, so that callers written against the Windows sockets layer
// see the answers they expect (a version of 2.2, clean-up without start-up
// refused).
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

inline constexpr int WSAEFAULT = 10014;
inline constexpr int WSAVERNOTSUPPORTED = 10092;
inline constexpr int WSANOTINITIALISED = 10093;
inline constexpr int SOCKET_ERROR = -1;

constexpr WORD MAKEWORD(BYTE low, BYTE high) { return static_cast<WORD>(low | (high << 8)); }

struct WSADATA {
  WORD wVersion;      // the version the caller will use
  WORD wHighVersion;  // the highest version supported: 2.2
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
  char szDescription[257];
  char szSystemStatus[129];
};

// 0 on success. WSAVERNOTSUPPORTED for a version below 1.0 (and nothing is
// counted); WSAEFAULT for a null data pointer.
ZEF_EXPORT int WSAStartup(WORD versionRequested, WSADATA* data);
// 0 for each earlier successful WSAStartup; SOCKET_ERROR with the last error
// WSANOTINITIALISED when there is none left to clean up.
ZEF_EXPORT int WSACleanup();
