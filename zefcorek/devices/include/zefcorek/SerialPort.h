// The serial port connection: a device connection over a COM port, made by
// the factory (CLSID_ISerialPortImp).
//
// Settings are read by Open, so changes take effect at the next Open. Reads
// never block in the port: waiting is done by polling, Timeout1 bounding a
// started transfer and Timeout2 the wait for bytes to arrive (ReadEx and
// ReadTextUntilEx take one time-out for both). Writes go out in chunks of at
// most 32 bytes, each reported to the I/O callback and the serial log.
#pragma once

#include "zefcorek/DeviceConnection.h"

#include "platform/Export.h"

#include <cstdint>

struct TSerialPortSettings {
  uint16_t PortNumber = 1;  // COMn
  uint16_t Reserved1 = 0;
  uint32_t BaudRate = 9600;
  uint16_t DataBits = 8;     // low byte: the character size
  uint16_t Parity = 0;       // 0 none, 1 odd, 2 even, 3 mark, 4 space
  uint16_t StopBits = 0;     // 0 one, 1 one and a half, 2 two
  uint16_t Handshake = 0;    // 0 none, 1 XON/XOFF, 2 RTS toggling with CTS flow
  uint16_t XonChar = 17;     // 0 means 17
  uint16_t XoffChar = 19;    // 0 means 19
  uint16_t Options = 0;      // bit 1: DSR sensitivity
  uint16_t Timeout1 = 2000;  // ms: completion of a started transfer
  uint16_t Timeout2 = 4000;  // ms: bytes to arrive
  uint16_t Reserved2 = 0;
};
static_assert(sizeof(TSerialPortSettings) == 28);

struct ZEF_EXPORT ISerialPort : virtual IDeviceConnection {
  // The port's own record (live).
  virtual TSerialPortSettings* GetSettings() = 0;
  // CONN_BAD_ARGUMENT for null; else copies it and raises time-outs below 500
  // to 500.
  virtual TConnResult SetSettings(const TSerialPortSettings* settings) = 0;
  // Empties both directions; CONN_FAILED when closed.
  virtual TConnResult Purge(uint32_t unused) = 0;
  // Sets or clears the break state; CONN_FAILED when closed.
  virtual TConnResult SetBreak(bool on) = 0;
};
