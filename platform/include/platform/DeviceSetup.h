// The device set-up functions: the present devices of a class ("Ports",
// "Modem"), their registry keys and properties.
//
// Devices come from a provider. The default one lists the serial devices of
// the serial device map (CommPorts.h), friendly names from the udev database
// under /run/udev/data when it has them, rfcomm* marked as Bluetooth serial
// ports, and no modems; tests install a fake provider they fill. When a set
// is made, the provider's devices are written to the registry store:
//   HKLM SYSTEM\CurrentControlSet\Enum\<instance id>\Device Parameters
//     "PortName" (and "Bluetooth_UniqueID" for a Bluetooth serial port)
//   HKLM SYSTEM\CurrentControlSet\Control\Class\<class id>\<nnnn>
//     "AttachedTo" (modems)
// so the keys SetupDiOpenDevRegKey hands out have full names ending in
// "\Device Parameters".
#pragma once

#include "platform/Export.h"
#include "platform/Registry.h"
#include "platform/WinTypes.h"

#include <memory>
#include <string>
#include <vector>

using HDEVINFO = void*;
inline const HDEVINFO INVALID_DEVICE_SET = reinterpret_cast<HDEVINFO>(intptr_t{-1});

struct SP_DEVINFO_DATA {
  DWORD cbSize;
  GUID ClassGuid;
  DWORD DevInst;  // index of the device in its set
  uintptr_t Reserved;
};

inline constexpr GUID GUID_DEVCLASS_PORTS = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
inline constexpr GUID GUID_DEVCLASS_MODEM = {
    0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

inline constexpr DWORD DIGCF_PRESENT = 0x02;
inline constexpr DWORD DIGCF_DEVICEINTERFACE = 0x10;
inline constexpr DWORD DICS_FLAG_GLOBAL = 0x01;
inline constexpr DWORD DIREG_DEV = 0x01;
inline constexpr DWORD DIREG_DRV = 0x02;
inline constexpr DWORD SPDRP_DEVICEDESC = 0x00;
inline constexpr DWORD SPDRP_COMPATIBLEIDS = 0x02;
inline constexpr DWORD SPDRP_FRIENDLYNAME = 0x0C;
inline constexpr DWORD REG_MULTI_SZ_TYPE = 7;

// Class ids of a class name ("Ports", "Modem", any case): the count in
// *required; FALSE with ERROR_INSUFFICIENT_BUFFER when `size` is too small.
ZEF_EXPORT BOOL SetupDiClassGuidsFromNameW(LPCWSTR className, GUID* guids, DWORD size, DWORD* required);
// The present devices of the class; INVALID_DEVICE_SET for an unknown class.
ZEF_EXPORT HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, LPCWSTR enumerator, HWND parent, DWORD flags);
// FALSE with ERROR_NO_MORE_ITEMS past the last device.
ZEF_EXPORT BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* data);
// DIREG_DEV: the device's "Device Parameters" key; DIREG_DRV: its driver key.
// Null (last error ERROR_FILE_NOT_FOUND) when it has none.
ZEF_EXPORT HKEY SetupDiOpenDevRegKey(HDEVINFO set, SP_DEVINFO_DATA* data, DWORD scope, DWORD profile, DWORD keyType,
                                     REGSAM access);
// Friendly name and description as REG_SZ, compatible ids as a multi-string.
// FALSE with ERROR_INVALID_DATA when the device has no such property.
ZEF_EXPORT BOOL SetupDiGetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* data, DWORD property, DWORD* type,
                                                  BYTE* buffer, DWORD size, DWORD* required);
ZEF_EXPORT BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set);

namespace platform {

// One device as a provider describes it.
struct SetupDevice {
  GUID classGuid;
  std::u16string instanceId;    // e.g. "USB\VID_0403&PID_6001\A1"
  std::u16string friendlyName;  // empty: none
  std::u16string description;   // empty: none
  std::vector<std::u16string> compatibleIds;
  std::u16string portName;     // "PortName" of a port (empty: none)
  std::u16string bluetoothId;  // "Bluetooth_UniqueID" (empty: not Bluetooth)
  std::u16string attachedTo;   // "AttachedTo" of a modem (empty: none)
};

class ZEF_EXPORT DeviceSetupProvider {
public:
  virtual ~DeviceSetupProvider();
  virtual std::vector<SetupDevice> devices() = 0;
};

// Installs a provider (null: the default sysfs provider).
ZEF_EXPORT void setDeviceSetupProvider(std::shared_ptr<DeviceSetupProvider> provider);

// The default provider's devices: the serial device map, with names from the
// udev database under `udevDataRoot` when present.
ZEF_EXPORT std::vector<SetupDevice> sysfsSetupDevices(const std::string& udevDataRoot = "/run/udev/data");

}  // namespace platform
