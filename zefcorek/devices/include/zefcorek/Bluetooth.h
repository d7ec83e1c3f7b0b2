// Bluetooth device utilities of the library: device addresses as text, the
// exported device operations, the radio helper interface (factory class
// CLSID_IBluetoothHelperImp) and the scanner's result entry.
//
// Every operation reaches the radio stack through the radio modules, loaded
// by name at run time; on a machine without them the operations fail with
// E_FAIL (or their own "unknown" answer) and nothing else is affected.
#pragma once

#include "interfaces/ObjectModel.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>

// One device the scanner found, doubly linked in its result list. The
// 64-bit layout: both links are pointer-sized, so every later field sits 8
// bytes further than in the 32-bit layout (1,048 bytes there).
struct TBluetoothScannerResEntry {
  TBluetoothScannerResEntry* Prev;
  TBluetoothScannerResEntry* Next;
  WCHAR Name[256];           // at most 255 characters; "<Unknown>" for a device without a name
  WCHAR LocalAddress[128];   // the radio's address text; empty when it could not be formatted
  WCHAR RemoteAddress[128];  // "(AA:BB:CC:DD:EE:FF)"
  uint8_t Paired;
  uint8_t Remembered;
  uint8_t Connected;
  uint8_t Reserved;
  uint32_t MajorDeviceClass;  // bits 8-12 of the class of device
  uint32_t MinorDeviceClass;  // bits 2-7
  uint32_t ServiceClasses;    // bits 13-23
};
static_assert(offsetof(TBluetoothScannerResEntry, Name) == 16);
static_assert(offsetof(TBluetoothScannerResEntry, LocalAddress) == 528);
static_assert(offsetof(TBluetoothScannerResEntry, RemoteAddress) == 784);
static_assert(offsetof(TBluetoothScannerResEntry, Paired) == 1040);
static_assert(offsetof(TBluetoothScannerResEntry, MajorDeviceClass) == 1044);
static_assert(offsetof(TBluetoothScannerResEntry, MinorDeviceClass) == 1048);
static_assert(offsetof(TBluetoothScannerResEntry, ServiceClasses) == 1052);
static_assert(sizeof(TBluetoothScannerResEntry) == 1056);

// Writes "(A1:B2:C3:D4:E5:F6)" - byte 5 of the address first - and a
// terminator into `text` (at least 20 characters). ZR_OK, or ZR_BADARG for null
// text.
ZEF_EXTERN_C int BTDeviceAddressToString(uint64_t address, WCHAR* text);

// Reads six hexadecimal fields between colons, optionally in parentheses,
// blanks around fields allowed; the first field goes to byte 5. E_INVALIDARG
// for a null argument; E_FAIL for a wrong field count (address 0) or a field
// that is not a number from 0 to FF (the bytes read before it stay).
ZEF_EXTERN_C HRESULT BTDeviceAddressFromString(const WCHAR* text, uint64_t* address);

// The radio stack's answer to removing the device's pairing (0: removed),
// or E_FAIL without a radio stack.
ZEF_EXTERN_C HRESULT RemoveUnpairBluetoothDevice(uint64_t address);

// The platform's device property sheet for a scanner entry: its BOOL answer,
// E_INVALIDARG for a null entry, E_FAIL without a property sheet or for an
// entry whose remote address does not read.
ZEF_EXTERN_C HRESULT DisplayBluetoothDeviceProperties(HWND parent, const TBluetoothScannerResEntry* entry);

// The radio switch for hosts.
struct ZEF_EXPORT IBluetoothHelper : virtual IStdInterface {
  // 0 on (connectable), 1 off, 2 unknown.
  virtual int GetRadioState() = 0;
  // Connectable (on) or neither connectable nor discoverable (off): 0 done,
  // 2 failed. Switching on leaves discovery as it was.
  virtual int EnableRadio(bool on) = 0;
};
