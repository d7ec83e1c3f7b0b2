// The byte-stream interface every device connection offers, whatever carries
// the bytes (serial port, Bluetooth link, TCP or UDP socket).
//
// A connection is made by the factory, gets its settings through a
// parameters record of its own class, is opened, read and written, and is
// closed or simply released. Statuses (TConnResult, named by the CONN_
// constants below) are: CONN_OK done, CONN_FAILED failed (not open, medium
// error, not supported, no worker), CONN_BAD_ARGUMENT, CONN_TIMEOUT,
// CONN_NO_TERMINATOR (serial text reads ended without the terminator);
// Bluetooth Open also the BTCONN_ statuses (BluetoothConnection.h).
//
// Every sent and received portion is reported to the connection's I/O
// callback (when set) and written to its class's I/O trace file (when on).
// A non-blocking read runs on a worker thread of the connection; its
// completion is delivered on the thread that made the connection, while that
// thread pumps its messages, through a hidden message-only window.
#pragma once

#include "zefcorek/StdInterface.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>

struct TConnResult {
  uint32_t Value = 1;  // a fresh record says "failed"
};
static_assert(sizeof(TConnResult) == 4);

inline constexpr uint32_t CONN_OK = 0;
inline constexpr uint32_t CONN_FAILED = 1;
inline constexpr uint32_t CONN_BAD_ARGUMENT = 2;
inline constexpr uint32_t CONN_TIMEOUT = 3;
inline constexpr uint32_t CONN_NO_TERMINATOR = 4;

struct TDeviceIOInfo {
  uint32_t InQueue;   // bytes received and not yet read
  uint32_t OutQueue;  // bytes accepted for sending and not yet sent
};
static_assert(sizeof(TDeviceIOInfo) == 8);

// Data direction kinds of ReportDataIO, the I/O callback and the trace.
inline constexpr int DEVIO_SENT = 0;
inline constexpr int DEVIO_RECEIVED = 1;
inline constexpr int DEVIO_INFO = 2;
inline constexpr int DEVIO_ERROR = 3;

// Connection types (GetConnectionType).
inline constexpr int DEVCONN_SERIAL = 0;
inline constexpr int DEVCONN_BLUETOOTH = 1;
inline constexpr int DEVCONN_TCP = 2;
inline constexpr int DEVCONN_UDP = 3;

struct IDeviceConnection;
struct TNonBlockingReadOp;

// Called for every reported portion on the reporting thread; the result is
// ignored.
using DeviceIOCallback = int (*)(IDeviceConnection* connection, int kind, const void* bytes, uint32_t count,
                                 void* user);
// Called on the connection's creating thread with the connection's own copy
// of the request once the read is done.
using NonBlockingReadDoneCallback = void (*)(IDeviceConnection* connection, TNonBlockingReadOp* request);

// Request kinds of a non-blocking read.
inline constexpr uint32_t NBREAD_NONE = 0;
inline constexpr uint32_t NBREAD_READ = 1;
inline constexpr uint32_t NBREAD_TEXT = 2;
inline constexpr uint32_t NBREAD_TEXT_UNTIL = 3;
inline constexpr uint32_t NBREAD_TEXT_UNTIL_EX = 4;

// The request record of a non-blocking read, 64-bit layout:
//
//   offset size field
//    0      4   Kind           0 none, 1 Read, 2 ReadText, 3 ReadTextUntil,
//                              4 ReadTextUntilEx; the worker clears it
//    8      8   DoneCallback   null: no notification
//   16      8   UserData       the caller's (pointer-sized on 64-bit)
//   24     24   arguments      kinds 1, 2: Data; kinds 3, 4: Text
//   48      4   Result         written by the worker
//   52      4   Flags          bits 0, 1 and a 30-bit field; copied, never read
struct TNonBlockingReadOp {
  uint32_t Kind;
  NonBlockingReadDoneCallback DoneCallback;
  uintptr_t UserData;
  union {
    struct {
      void* Buffer;
      uint16_t Length;     // bytes (kind 1) or characters (kind 2)
      uint16_t Delivered;  // written by the worker
    } Data;
    struct {
      const WCHAR* Terminator;
      WCHAR* Buffer;
      uint16_t Length;     // characters
      uint16_t Delivered;  // written by the worker
      uint32_t TimeoutMs;  // kind 4 only
    } Text;
  } Args;
  TConnResult Result;
  uint32_t Flag0 : 1;
  uint32_t Flag1 : 1;
  uint32_t FlagRest : 30;
};
static_assert(sizeof(TNonBlockingReadOp) == 56);
static_assert(offsetof(TNonBlockingReadOp, Args) == 24);
static_assert(offsetof(TNonBlockingReadOp, Result) == 48);

struct ZEF_EXPORT IDeviceConnection : virtual IStdInterface {
  // DEVCONN_SERIAL, DEVCONN_BLUETOOTH, DEVCONN_TCP or DEVCONN_UDP.
  virtual int GetConnectionType() = 0;
  // The most derived connection interface, without a reference.
  virtual IDeviceConnection* GetTopInterface() = 0;
  virtual TConnResult Open() = 0;
  virtual bool IsOpen() = 0;
  // Always CONN_OK.
  virtual TConnResult Close() = 0;
  // Bytes accepted.
  virtual uint16_t Write(const void* bytes, uint16_t count) = 0;
  virtual bool WriteByte(uint8_t value) = 0;
  // CONN_FAILED when closed (checked first), CONN_BAD_ARGUMENT for a null
  // got. Without wait one attempt, status CONN_OK; with wait until count
  // bytes came (CONN_OK), the read time-out passed (CONN_TIMEOUT, got holds
  // what came) or a cancel runs (CONN_OK).
  virtual TConnResult Read(void* buffer, uint16_t count, bool wait, uint16_t* got) = 0;
  virtual TConnResult ReadEx(void* buffer, uint16_t count, uint32_t timeoutMs, uint16_t* got) = 0;
  // The value is 0 unless a byte came; CONN_TIMEOUT when none came.
  virtual TConnResult ReadByte(uint8_t* value, bool wait) = 0;
  // Writes the text as ANSI (UTF-8) without its terminator.
  virtual TConnResult WriteText(const WCHAR* text) = 0;
  // Reads ANSI bytes (at most length - 1 and the class's text buffer) and
  // hands them over as wide text; on a time-out the text that came, with
  // CONN_TIMEOUT.
  virtual TConnResult ReadText(WCHAR* buffer, uint16_t length, bool wait, uint16_t* got) = 0;
  virtual TConnResult ReadTextUntil(WCHAR* buffer, uint16_t length, const WCHAR* terminator, uint16_t* got) = 0;
  virtual TConnResult ReadTextUntilEx(WCHAR* buffer, uint16_t length, const WCHAR* terminator, uint32_t timeoutMs,
                                      uint16_t* got) = 0;
  virtual TConnResult ReadTextEx(WCHAR* buffer, uint16_t length, uint32_t timeoutMs, uint16_t* got) = 0;
  virtual TConnResult ReadTextA(char* buffer, uint16_t length, bool wait, uint16_t* got) = 0;
  virtual TConnResult GetIOInfo(TDeviceIOInfo* info) = 0;
  virtual TConnResult RunNonBlockingReadOp(const TNonBlockingReadOp* request) = 0;
  // Always CONN_OK; returns once the pending request (if any) is given up.
  virtual TConnResult CancelNonBlockingReadOp() = 0;
  virtual bool IsNonBlockingReadOpRunning() = 0;
  // Always CONN_OK; a null callback switches reporting off.
  virtual TConnResult SetIOCallback(DeviceIOCallback callback, void* user) = 0;
  // Reports the host's own entry as the connection reports its traffic;
  // always CONN_OK.
  virtual TConnResult ReportDataIO(int kind, const void* bytes, uint32_t count) = 0;
};
