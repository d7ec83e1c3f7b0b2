// COM ports on termios devices, and the serial device map.
//
// The serial device map (HKLM HARDWARE\DEVICEMAP\SERIALCOMM in the registry
// store) names each serial device by "\Device\" + its path below /dev
// ("\Device\ttyUSB0", "\Device\pts/7") with its port name "COMn". A device
// keeps its number: numbers are handed out from the COM name arbiter's
// "ComDB" bitmap (HKLM SYSTEM\CurrentControlSet\Control\COM Name Arbiter),
// bit n-1 for COMn, lowest free number first.
//
// CreateFileW on "COMn:" or "\\.\COMn" opens the mapped device read-write,
// non-blocking, without becoming its controlling terminal, and exclusively
// (an flock that a second opener finds taken: ERROR_ACCESS_DENIED). Reads
// take at once what the port holds (never pending); a write writes what the
// port takes and leaves the rest pending (ERROR_IO_PENDING); each
// GetOverlappedResult(..., FALSE) pushes it on (ERROR_IO_INCOMPLETE with the
// count so far until done); CancelIo drops it. The OVERLAPPED's event is set
// on completion.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <termios.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct OVERLAPPED {
  uintptr_t Internal;      // 0 done, STATUS_PENDING_COMM while pending, else an error
  uintptr_t InternalHigh;  // bytes moved so far
  DWORD Offset;
  DWORD OffsetHigh;
  HANDLE hEvent;  // a manual-reset event of CreateEventW, or null
};
inline constexpr uintptr_t STATUS_PENDING_COMM = 0x103;

inline constexpr DWORD ERROR_IO_INCOMPLETE = 996;
inline constexpr DWORD ERROR_IO_PENDING = 997;
inline constexpr DWORD ERROR_OPERATION_ABORTED = 995;
inline constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000;

struct DCB {
  DWORD DCBlength;
  DWORD BaudRate;
  DWORD fBinary : 1;
  DWORD fParity : 1;
  DWORD fOutxCtsFlow : 1;
  DWORD fOutxDsrFlow : 1;
  DWORD fDtrControl : 2;
  DWORD fDsrSensitivity : 1;
  DWORD fTXContinueOnXoff : 1;
  DWORD fOutX : 1;
  DWORD fInX : 1;
  DWORD fErrorChar : 1;
  DWORD fNull : 1;
  DWORD fRtsControl : 2;
  DWORD fAbortOnError : 1;
  DWORD fDummy2 : 17;
  WORD wReserved;
  WORD XonLim;
  WORD XoffLim;
  BYTE ByteSize;
  BYTE Parity;
  BYTE StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;
  WORD wReserved1;
};
static_assert(sizeof(DCB) == 28);

inline constexpr BYTE NOPARITY = 0;
inline constexpr BYTE ODDPARITY = 1;
inline constexpr BYTE EVENPARITY = 2;
inline constexpr BYTE MARKPARITY = 3;
inline constexpr BYTE SPACEPARITY = 4;
inline constexpr BYTE ONESTOPBIT = 0;
inline constexpr BYTE ONE5STOPBITS = 1;
inline constexpr BYTE TWOSTOPBITS = 2;
inline constexpr DWORD DTR_CONTROL_DISABLE = 0;
inline constexpr DWORD DTR_CONTROL_ENABLE = 1;
inline constexpr DWORD DTR_CONTROL_HANDSHAKE = 2;
inline constexpr DWORD RTS_CONTROL_DISABLE = 0;
inline constexpr DWORD RTS_CONTROL_ENABLE = 1;
inline constexpr DWORD RTS_CONTROL_HANDSHAKE = 2;
inline constexpr DWORD RTS_CONTROL_TOGGLE = 3;

struct COMMTIMEOUTS {
  DWORD ReadIntervalTimeout;
  DWORD ReadTotalTimeoutMultiplier;
  DWORD ReadTotalTimeoutConstant;
  DWORD WriteTotalTimeoutMultiplier;
  DWORD WriteTotalTimeoutConstant;
};

struct COMSTAT {
  DWORD flags;
  DWORD cbInQue;
  DWORD cbOutQue;
};

inline constexpr DWORD PURGE_TXABORT = 0x0001;
inline constexpr DWORD PURGE_RXABORT = 0x0002;
inline constexpr DWORD PURGE_TXCLEAR = 0x0004;
inline constexpr DWORD PURGE_RXCLEAR = 0x0008;

inline constexpr DWORD SETXOFF = 1;
inline constexpr DWORD SETXON = 2;
inline constexpr DWORD SETRTS = 3;
inline constexpr DWORD CLRRTS = 4;
inline constexpr DWORD SETDTR = 5;
inline constexpr DWORD CLRDTR = 6;
inline constexpr DWORD SETBREAK = 8;
inline constexpr DWORD CLRBREAK = 9;

ZEF_EXPORT BOOL SetupComm(HANDLE port, DWORD inQueue, DWORD outQueue);
ZEF_EXPORT BOOL PurgeComm(HANDLE port, DWORD flags);
// No error bits are ever reported; the queue counts come from the device.
ZEF_EXPORT BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status);
ZEF_EXPORT BOOL GetCommState(HANDLE port, DCB* dcb);
ZEF_EXPORT BOOL SetCommState(HANDLE port, const DCB* dcb);
// Recorded only: reads never block.
ZEF_EXPORT BOOL SetCommTimeouts(HANDLE port, const COMMTIMEOUTS* timeouts);
ZEF_EXPORT BOOL GetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts);
// RTS and DTR through the modem lines: FALSE where the device has none (a
// pty). Every call is recorded (comEscapeHistory).
ZEF_EXPORT BOOL EscapeCommFunction(HANDLE port, DWORD function);
ZEF_EXPORT BOOL SetCommBreak(HANDLE port);
ZEF_EXPORT BOOL ClearCommBreak(HANDLE port);
// Never waits (wait must be FALSE).
ZEF_EXPORT BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* transferred, BOOL wait);

namespace platform {

// True for "COMn", "COMn:" and "\\.\COMn" (any case); *number gets n.
ZEF_EXPORT bool parseComPortName(std::u16string_view name, unsigned* number);
// Opens a COM port (CreateFileW hands such names here).
ZEF_EXPORT HANDLE openComPort(std::u16string_view name, DWORD access);
// For the file calls: true when `handle` is a COM port, and the call's
// result in *result.
ZEF_EXPORT bool comReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* read, OVERLAPPED* overlapped,
                            BOOL* result);
ZEF_EXPORT bool comWriteFile(HANDLE handle, const void* buffer, DWORD count, DWORD* written, OVERLAPPED* overlapped,
                             BOOL* result);
// Drops a COM port's pending write; false when `handle` is not a COM port.
ZEF_EXPORT bool cancelComIo(HANDLE handle);

// The name the last COM open asked for, as given (tests).
ZEF_EXPORT std::u16string lastComPortName();
// The EscapeCommFunction codes a port got, in order (tests).
ZEF_EXPORT std::vector<DWORD> comEscapeHistory(HANDLE port);
// The terminal settings SetCommState last applied, as asked for (tests: a
// pty drops parity and character size).
ZEF_EXPORT std::optional<termios> comAppliedSettings(HANDLE port);
// What an open port of the given number recorded (tests that hold no handle).
struct ComPortRecord {
  std::optional<termios> applied;
  std::vector<DWORD> escapes;
  DWORD inQueue;
  DWORD outQueue;
};
ZEF_EXPORT std::optional<ComPortRecord> comPortRecord(unsigned number);
// The queue sizes SetupComm recorded (tests).
ZEF_EXPORT std::pair<DWORD, DWORD> comQueueSizes(HANDLE port);

// Enters `devicePath` (below /dev, e.g. "pts/7") into the serial device map
// and answers its number; a device already mapped keeps its number. 0 when
// no number is free or the registry cannot be written.
ZEF_EXPORT unsigned registerSerialDevice(const std::string& devicePath);
// Removes a device from the map and frees its number.
ZEF_EXPORT void unregisterSerialDevice(const std::string& devicePath);
// The device path (below /dev) mapped to COMn.
ZEF_EXPORT std::optional<std::string> serialDeviceOfPort(unsigned number);
// Maps every serial tty of a sysfs class folder (default /sys/class/tty)
// that has a device link: ttyS* whose type is not 0, ttyUSB*, ttyACM*,
// rfcomm*. Answers the device paths mapped.
ZEF_EXPORT std::vector<std::string> scanSerialDevices(const std::string& sysfsTtyRoot = "/sys/class/tty");

}  // namespace platform

// Completes a COM port's pending write as aborted (also declared with the
// sockets, whose operations it cancels too).
ZEF_EXPORT BOOL CancelIo(HANDLE handle);
