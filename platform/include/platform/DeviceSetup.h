// The device set-up functions: the present devices of a class ("Ports",
// "Modem"), or the devices that offer an interface of a device interface
// class, their interfaces and device paths, registry keys and properties.
//
// Devices come from a provider. The default one lists the serial devices of
// the serial device map (CommPorts.h), each with a COM port interface whose
// device path is its "\\.\COMn" name, friendly names from the udev database
// under /run/udev/data when it has them, rfcomm* marked as Bluetooth serial
// ports, and the modems of ModemManager on the system bus attached to those
// ports; tests install a fake provider they fill. Beside the
// provider's devices, a set of the Bluetooth classes lists the radios of the
// active Bluetooth back end (Bluetooth.h), each with a radio interface
// (GUID_BTHPORT_DEVICE_INTERFACE) whose device path CreateFileW opens as a
// radio handle. When a set is made, the devices are written to the registry
// store:
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
#include <string_view>
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

inline constexpr GUID GUID_DEVCLASS_BLUETOOTH = {
    0xE0CBF06C, 0xCD8B, 0x4647, {0xBB, 0x8A, 0x26, 0x3B, 0x43, 0xF0, 0xF9, 0x74}};
inline constexpr GUID GUID_DEVINTERFACE_COMPORT = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

// One interface of a set's device, as SetupDiEnumDeviceInterfaces hands it out.
struct SP_DEVICE_INTERFACE_DATA {
  DWORD cbSize;  // sizeof(SP_DEVICE_INTERFACE_DATA), set by the caller
  GUID InterfaceClassGuid;
  DWORD Flags;         // SPINT_ACTIVE
  uintptr_t Reserved;  // which interface of the set (0: none)
};
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 32);

// An interface's device path; DevicePath runs on to the end of the buffer
// the caller gave.
struct SP_DEVICE_INTERFACE_DETAIL_DATA_W {
  DWORD cbSize;  // sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W), whatever the buffer's size
  WCHAR DevicePath[1];
};
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == 8);

inline constexpr DWORD SPINT_ACTIVE = 0x01;
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
// The present devices of the class; with DIGCF_DEVICEINTERFACE, `classGuid`
// is a device interface class and the set holds the devices that offer an
// interface of it. A class without devices gives an empty set;
// INVALID_DEVICE_SET (ERROR_INVALID_PARAMETER) without a class.
ZEF_EXPORT HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, LPCWSTR enumerator, HWND parent, DWORD flags);
// FALSE with ERROR_NO_MORE_ITEMS past the last device.
ZEF_EXPORT BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* data);
// The interface number `index` of the class `interfaceClass`, counted over
// the set's devices in order, or over `device` alone when it is given.
// FALSE with ERROR_NO_MORE_ITEMS past the last one, ERROR_INVALID_USER_BUFFER
// when data->cbSize is not the record's size.
ZEF_EXPORT BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* device, const GUID* interfaceClass,
                                            DWORD index, SP_DEVICE_INTERFACE_DATA* data);
// The device path of an interface SetupDiEnumDeviceInterfaces gave, and its
// device in `device` when given. *required gets the bytes the detail record
// needs; a null `detail` (with `size` 0) or a smaller `size` gives FALSE with
// ERROR_INSUFFICIENT_BUFFER, so a caller asks once for the size and again
// with a buffer of it. ERROR_INVALID_USER_BUFFER when detail->cbSize is not
// sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W), or `detail` is null with a size.
ZEF_EXPORT BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                                                 SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD size, DWORD* required,
                                                 SP_DEVINFO_DATA* device);
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

// An interface a device offers: its class and the device path CreateFileW opens.
struct SetupInterface {
  GUID interfaceClass;
  std::u16string devicePath;
};

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
  std::vector<SetupInterface> interfaces;
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

// The device path of an interface of the system's own devices:
// "\\?\<device>#{<interface class>}". Such paths hold no further backslash,
// which keeps them apart from file names with the "\\?\" prefix.
ZEF_EXPORT std::u16string deviceInterfacePath(std::u16string_view device, const GUID& interfaceClass);
ZEF_EXPORT bool isDeviceInterfacePath(std::u16string_view name);
// What CreateFileW gives for such a path: a radio handle for a radio's path;
// INVALID_HANDLE_VALUE (ERROR_FILE_NOT_FOUND) for a path of no device.
ZEF_EXPORT HANDLE openDeviceInterface(std::u16string_view path);

}  // namespace platform
