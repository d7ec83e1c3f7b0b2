// The radio mode and the record conversions shared by the Bluetooth sources.
#pragma once

#include "zefcorek/Bluetooth.h"

#include "platform/Bluetooth.h"
#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

namespace zefcorek::devices {

// Radio modes: 1 neither connectable nor discoverable, 2 connectable,
// 3 connectable and discoverable.
[[nodiscard]] ZEF_EXPORT HRESULT GetRadioMode(uint32_t* mode);
[[nodiscard]] ZEF_EXPORT HRESULT SetRadioMode(uint32_t mode);

// A handle of the first radio of the radio interface class
// (GUID_BTHPORT_DEVICE_INTERFACE), opened through its device path; null
// (E_FAIL) when there is none or it does not open. CloseHandle ends it.
[[nodiscard]] ZEF_EXPORT HANDLE OpenFirstRadio();

// The platform record of a scanner entry: E_FAIL when its remote address
// does not read.
[[nodiscard]] ZEF_EXPORT HRESULT EntryToDeviceInfo(const TBluetoothScannerResEntry& entry, BLUETOOTH_DEVICE_INFO& info);

// The class-of-device fields a scanner entry keeps.
struct DeviceClassFields {
  uint32_t major;     // bits 8-12
  uint32_t minor;     // bits 2-7
  uint32_t services;  // bits 13-23
};
ZEF_EXPORT DeviceClassFields splitClassOfDevice(uint32_t classOfDevice);
ZEF_EXPORT uint32_t packClassOfDevice(const DeviceClassFields& fields);

}  // namespace zefcorek::devices
