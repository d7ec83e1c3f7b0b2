// The TCP client and UDP connections: device connections over IPv4 sockets,
// made by the factory (CLSID_ITCPConnectionImp, CLSID_IUDPConnectionImp).
//
// Bytes move through a reader and a writer thread per open connection: Read
// takes from the reader's buffer (8192 bytes, the newest kept), Write offers
// to the writer's (8192 bytes), which sends blocks of at most 64 bytes - for
// UDP each block is one datagram to the remote host. Both time-outs of the
// parameters are at least 300 ms after SetParms; Timeout1 bounds Read and
// Write, Timeout2 is kept but read by nothing.
//
// A TCP peer that closes leaves the connection open: reads then time out
// until the host closes it. A UDP SetRemotePort changes the stored remote
// address; the writer keeps the one taken at Open until the next Open.
#pragma once

#include "zefcorek/DeviceConnection.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>

// Called on the reader thread with a received block; may lower *count;
// false keeps the block out of the buffer.
using SocketDataPreviewCB = bool (*)(const void* block, uint32_t* count, void* context);

struct TTCPConnectionParms {
  WCHAR HostName[256];  // host name or dotted IPv4 address, null-terminated
  uint32_t Port;        // the low 16 bits are the port
  uint16_t Timeout1;    // ms; Read and Write; default 2000
  uint16_t Timeout2;    // ms; default 4000; read by nothing
};
static_assert(sizeof(TTCPConnectionParms) == 520);

// The TCP fields, then the datagram preview (64-bit layout; the pointers sit
// at offsets 520 and 528, 536 bytes in all).
struct TUDPConnectionParms {
  WCHAR HostName[256];
  uint32_t Port;
  uint16_t Timeout1;
  uint16_t Timeout2;
  SocketDataPreviewCB DatagramPreviewCB;  // null: every datagram is kept
  void* DatagramPreviewCtx;
};
static_assert(offsetof(TUDPConnectionParms, DatagramPreviewCB) == 520);
static_assert(offsetof(TUDPConnectionParms, DatagramPreviewCtx) == 528);
static_assert(sizeof(TUDPConnectionParms) == 536);

struct ZEF_EXPORT ITCPConnection : virtual IDeviceConnection {
  // The connection's own record (live: writing through it skips the clamps).
  virtual TTCPConnectionParms* GetParms() = 0;
  // CONN_BAD_ARGUMENT for null; else copies it and raises time-outs below 300
  // to 300.
  virtual TConnResult SetParms(const TTCPConnectionParms* parms) = 0;
};

struct ZEF_EXPORT IUDPConnection : virtual IDeviceConnection {
  virtual TUDPConnectionParms* GetParms() = 0;
  virtual TConnResult SetParms(const TUDPConnectionParms* parms) = 0;
  // The bound local port; 0 when closed.
  virtual uint16_t GetLocalPort() = 0;
  // CONN_FAILED when closed; else the stored remote port (and Port) change.
  virtual TConnResult SetRemotePort(uint16_t port) = 0;
};
