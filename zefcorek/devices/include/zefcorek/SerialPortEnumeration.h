// The COM ports of the machine with a readable description of each, from
// the device set-up classes "Ports" and "Modem" and the SERIALCOMM map; the
// lines of a port picker; and the COM name arbiter's reservation bitmap.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t SERIALPORTS_SERIAL = 0x1;  // found as a serial port
inline constexpr uint32_t SERIALPORTS_MODEM = 0x2;   // found as a modem's port
inline constexpr uint32_t kMaxSerialPortEntries = 256;

struct TSerialPortEntry {
  uint32_t Sources;  // SERIALPORTS_* bits; 3 once the two views were joined
  uint32_t PortNumber;
  WCHAR PortName[64];           // terminated; a longer text is cut
  WCHAR PortDescription[256];   // with SERIALPORTS_SERIAL
  WCHAR ModemDescription[256];  // with SERIALPORTS_MODEM
};
static_assert(sizeof(TSerialPortEntry) == 1160);

struct TSerialPortList {
  uint32_t ListFlags;  // bit 0: two serial entries of one number could not be joined
  uint32_t EntryCount;
  TSerialPortEntry Entries[kMaxSerialPortEntries];
};
static_assert(sizeof(TSerialPortList) == 296968);

// TotalSize and BitCount, then BitCount / 8 bitmap bytes and 3 spare zeros.
struct TComDBArbiterData {
  uint32_t TotalSize;
  uint32_t BitCount;  // at least 64, a multiple of 8
  uint8_t Bitmap[];   // BitCount / 8 + 3 bytes in the allocated record
};
static_assert(offsetof(TComDBArbiterData, Bitmap) == 8);

// The port picker the combo exports fill, in place of a framework control.
struct ZEF_EXPORT IPortListControl {
  virtual void BeginUpdate() = 0;
  virtual void Clear() = 0;
  virtual void AddItem(const WCHAR* text, intptr_t port) = 0;
  virtual void EndUpdate() = 0;
  virtual int Count() = 0;
  virtual intptr_t ItemPort(int index) = 0;
  virtual void SetItemIndex(int index) = 0;

protected:
  ~IPortListControl() = default;
};

// `what`: SERIALPORTS_SERIAL and/or SERIALPORTS_MODEM. Sorted by number, the
// serial and modem views of one number joined. False only for a null out.
ZEF_EXTERN_C bool zefCoreKFindSerialPorts(uint32_t what, TSerialPortList* out);
// One line per port: " COM%-3d : <modem> @ <port>", or " COM%-3d : <one>".
ZEF_EXTERN_C void zefCoreKFillSerialPortsCombo(IPortListControl* combo);
// The index of the port's line; -1 for a port below 1 or one not listed.
ZEF_EXTERN_C int zefCoreKGetPortIndexInPortsCombo(IPortListControl* combo, int port);

// A zeroed record of at least 64 bits (rounded up to a multiple of 8).
ZEF_EXTERN_C bool zefCoreKAllocCOMDBArbiterData(TComDBArbiterData** out, uint32_t bits);
ZEF_EXTERN_C bool zefCoreKFreeCOMDBArbiterData(TComDBArbiterData* data);
// The stored bitmap, in a record of at least 256 bits; false (out null) when
// there is none.
ZEF_EXTERN_C bool zefCoreKGetCOMDBArbiterData(TComDBArbiterData** out);
// Writes (BitCount + 7) / 8 bytes; false for null or a BitCount of 0.
ZEF_EXTERN_C bool zefCoreKSetCOMDBArbiterData(const TComDBArbiterData* data);
