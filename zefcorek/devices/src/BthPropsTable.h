// The platform's Bluetooth functions, bound at run time by name.
//
// The process-wide table is made once and kept (its modules are never
// freed); the connection loads a private copy for one call and frees it.
#pragma once

#include "platform/Export.h"
#include "platform/LoadableModules.h"
#include "platform/WinTypes.h"

#include <cstdint>

namespace zefcorek::devices {

// Row order of the table; rows 20 and 21 come from "bluetoothapis.dll".
enum BthPropsRow : int {
  kFindFirstRadio, kFindNextRadio, kFindRadioClose, kGetRadioInfo, kIsDiscoverable,
  kEnableDiscovery, kIsConnectable, kEnableIncomingConnections, kGetDeviceInfo, kSelectDevices,
  kSelectDevicesFree, kRegisterForAuthentication, kRegisterForAuthenticationEx,
  kUnregisterAuthentication, kSendAuthenticationResponse, kSendAuthenticationResponseEx,
  kAuthenticateDevice, kAuthenticateDeviceEx, kRemoveDevice, kDisplayDeviceProperties,
  kIsRadioSoftwareEnabled, kEnableRadioSoftware, kBthPropsRows
};

struct TBthPropsDLL {
  FARPROC Functions[kBthPropsRows];  // null where the module or the name is missing
  HMODULE BthProps;                  // "bthprops.cpl"
  HMODULE BluetoothApis;             // "bluetoothapis.dll"

  template <class Function>
  Function get(BthPropsRow row) const {
    return reinterpret_cast<Function>(Functions[row]);
  }
};

// Loads both modules and resolves every row into `table`.
ZEF_EXPORT void LoadBthPropsDLL(TBthPropsDLL& table);
// Frees a private copy: bluetoothapis.dll first, then bthprops.cpl.
ZEF_EXPORT void FreeBthPropsDLL(TBthPropsDLL& table);
// The process-wide table, made on first use; null only when it cannot be made.
ZEF_EXPORT const TBthPropsDLL* EnsureBthPropsDLL();

}  // namespace zefcorek::devices
