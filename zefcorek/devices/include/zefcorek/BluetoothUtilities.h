// The Bluetooth services of the library that need no link: the text form
// of a device address, removing a pairing, the radio mode and the radio
// helper the factory makes (CLSID_IBluetoothHelperImp).
//
// The platform's Bluetooth functions are bound at run time by name, from the
// modules "bthprops.cpl" and "bluetoothapis.dll", so the library loads and
// runs where there is no Bluetooth: each operation checks for the function it
// needs and answers E_FAIL (the helper: 2) without it.
#pragma once

#include "zefcorek/StdInterface.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>

// One device found by the scanner (64-bit layout; 1,056 bytes):
//
//   offset size field
//      0    8  Prev, Next          the scanner's list links
//     16  512  Name                UTF-16, terminated
//    528  256  LocalAddress        "(XX:XX:XX:XX:XX:XX)", UTF-16
//    784  256  RemoteAddress       the same form
//   1040    4  Connected, Remembered, Paired, Reserved (bytes)
//   1044    4  MajorClass          class of device, bits 8-12
//   1048    4  MinorClass          bits 2-7
//   1052    4  ServiceClasses      bits 13-23
struct TBluetoothScannerResEntry {
  TBluetoothScannerResEntry* Prev;
  TBluetoothScannerResEntry* Next;
  WCHAR Name[256];
  WCHAR LocalAddress[128];
  WCHAR RemoteAddress[128];
  uint8_t Connected;
  uint8_t Remembered;
  uint8_t Paired;
  uint8_t Reserved;
  uint32_t MajorClass;
  uint32_t MinorClass;
  uint32_t ServiceClasses;
};
static_assert(offsetof(TBluetoothScannerResEntry, Name) == 16);
static_assert(offsetof(TBluetoothScannerResEntry, LocalAddress) == 528);
static_assert(offsetof(TBluetoothScannerResEntry, RemoteAddress) == 784);
static_assert(offsetof(TBluetoothScannerResEntry, Connected) == 1040);
static_assert(offsetof(TBluetoothScannerResEntry, MajorClass) == 1044);
static_assert(offsetof(TBluetoothScannerResEntry, ServiceClasses) == 1052);
static_assert(sizeof(TBluetoothScannerResEntry) == 1056);

// "(A1:B2:C3:D4:E5:F6)" from byte 5 down to byte 0, 19 characters and the
// terminator, into a buffer of at least 20. 0, or 10 for a null buffer.
ZEF_EXTERN_C int32_t BTDeviceAddressToString(uint64_t address, WCHAR* text);
// Reads that form back (parentheses optional, blanks around fields allowed).
// E_INVALIDARG for a null pointer; E_FAIL for not six fields or a field that
// is not a hexadecimal byte (the bytes read before it stay).
ZEF_EXTERN_C HRESULT BTDeviceAddressFromString(const WCHAR* text, uint64_t* address);
// The platform's answer to removing the device (0: removed), or E_FAIL.
ZEF_EXTERN_C HRESULT RemoveUnpairBluetoothDevice(uint64_t address);
// The platform's answer to showing the device's properties, or E_INVALIDARG
// for a null entry, E_FAIL without the function or for a bad address text.
ZEF_EXTERN_C HRESULT DisplayBluetoothDeviceProperties(HWND parent,
                                                      const TBluetoothScannerResEntry* entry);

// Radio modes: 1 neither connectable nor discoverable, 2 connectable,
// 3 connectable and discoverable.
ZEF_EXPORT HRESULT GetRadioMode(uint32_t* mode);
// E_INVALIDARG for another mode (before anything is opened); E_FAIL without
// a radio or when the platform refuses.
ZEF_EXPORT HRESULT SetRadioMode(uint32_t mode);

struct ZEF_EXPORT IBluetoothHelper : virtual IStdInterface {
  // 0 on (mode 2 or 3), 1 off, 2 unknown.
  virtual int GetRadioState() = 0;
  // 0 done, 2 failed. Switching on leaves discovery as it was.
  virtual int EnableRadio(bool on) = 0;
};
