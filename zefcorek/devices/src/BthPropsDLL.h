// The radio modules' function table: every Bluetooth operation of the
// library calls through one, and checks the row it needs, so the library
// runs without a radio stack.
//
// One table lives for the process (made on first use, resolved again when
// another back end is installed); the connection loads private copies for
// one call and frees them.
#pragma once

#include "platform/Bluetooth.h"
#include "platform/Export.h"
#include "platform/LoadableModules.h"

namespace zefcorek::devices {

struct TBthPropsDLL {
  decltype(&BluetoothFindFirstRadio) FindFirstRadio;
  decltype(&BluetoothFindNextRadio) FindNextRadio;
  decltype(&BluetoothFindRadioClose) FindRadioClose;
  FARPROC GetRadioInfo;  // not resolved: nothing reads it
  decltype(&BluetoothIsDiscoverable) IsDiscoverable;
  decltype(&BluetoothEnableDiscovery) EnableDiscovery;
  decltype(&BluetoothIsConnectable) IsConnectable;
  decltype(&BluetoothEnableIncomingConnections) EnableIncomingConnections;
  decltype(&BluetoothGetDeviceInfo) GetDeviceInfo;
  FARPROC SelectDevices;              // not resolved
  FARPROC SelectDevicesFree;          // not resolved
  FARPROC RegisterForAuthentication;  // not resolved
  decltype(&BluetoothRegisterForAuthenticationEx) RegisterForAuthenticationEx;
  decltype(&BluetoothUnregisterAuthentication) UnregisterAuthentication;
  FARPROC SendAuthenticationResponse;  // not resolved
  decltype(&BluetoothSendAuthenticationResponseEx) SendAuthenticationResponseEx;
  FARPROC AuthenticateDevice;  // not resolved
  decltype(&BluetoothAuthenticateDeviceEx) AuthenticateDeviceEx;
  decltype(&BluetoothRemoveDevice) RemoveDevice;
  BOOL (*DisplayDeviceProperties)(HWND parent, BLUETOOTH_DEVICE_INFO* device);
  FARPROC IsRadioSoftwareEnabled;  // not resolved
  FARPROC EnableRadioSoftware;     // not resolved
  HMODULE BthProps;
  HMODULE BluetoothApis;
};

// Fills a zeroed table from the modules that load now.
ZEF_EXPORT void loadBthPropsDLL(TBthPropsDLL& table);
// Frees bluetoothapis.dll, then bthprops.cpl, and zeroes the table.
ZEF_EXPORT void freeBthPropsDLL(TBthPropsDLL& table);

// Whether the process-wide table exists (made now when needed).
ZEF_EXPORT bool EnsureBthPropsDLL();
// The process-wide table; EnsureBthPropsDLL() first.
ZEF_EXPORT const TBthPropsDLL& processBthPropsDLL();

}  // namespace zefcorek::devices
