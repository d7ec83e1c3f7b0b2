// The radio modules' function table, resolved by name.
#include "BthPropsDLL.h"

#include <cstring>

namespace {

template <typename Function>
void resolve(HMODULE module, const char* name, Function& row) {
  row = reinterpret_cast<Function>(GetProcAddress(module, name));
}

}  // namespace

void zefcorek::devices::loadBthPropsDLL(TBthPropsDLL& table) {
  std::memset(&table, 0, sizeof table);
  table.BthProps = LoadLibraryW(u"bthprops.cpl");
  if (table.BthProps != nullptr) {
    HMODULE m = table.BthProps;
    resolve(m, "BluetoothFindFirstRadio", table.FindFirstRadio);
    resolve(m, "BluetoothFindNextRadio", table.FindNextRadio);
    resolve(m, "BluetoothFindRadioClose", table.FindRadioClose);
    resolve(m, "BluetoothIsDiscoverable", table.IsDiscoverable);
    resolve(m, "BluetoothEnableDiscovery", table.EnableDiscovery);
    resolve(m, "BluetoothIsConnectable", table.IsConnectable);
    resolve(m, "BluetoothEnableIncomingConnections", table.EnableIncomingConnections);
    resolve(m, "BluetoothGetDeviceInfo", table.GetDeviceInfo);
    resolve(m, "BluetoothRegisterForAuthenticationEx", table.RegisterForAuthenticationEx);
    resolve(m, "BluetoothUnregisterAuthentication", table.UnregisterAuthentication);
    resolve(m, "BluetoothSendAuthenticationResponseEx", table.SendAuthenticationResponseEx);
    resolve(m, "BluetoothAuthenticateDeviceEx", table.AuthenticateDeviceEx);
    resolve(m, "BluetoothRemoveDevice", table.RemoveDevice);
    resolve(m, "BluetoothDisplayDeviceProperties", table.DisplayDeviceProperties);
  }
  table.BluetoothApis = LoadLibraryW(u"bluetoothapis.dll");
}

void zefcorek::devices::freeBthPropsDLL(TBthPropsDLL& table) {
  if (table.BluetoothApis != nullptr) (void)FreeLibrary(table.BluetoothApis);
  if (table.BthProps != nullptr) (void)FreeLibrary(table.BthProps);
  std::memset(&table, 0, sizeof table);
}

namespace {

// Made on first use and kept: its modules are never freed, so a function
// pointer read from it stays valid for the life of the process.
zefcorek::devices::TBthPropsDLL& processTable() {
  static zefcorek::devices::TBthPropsDLL table = [] {
    zefcorek::devices::TBthPropsDLL made;
    zefcorek::devices::loadBthPropsDLL(made);
    return made;
  }();
  return table;
}

}  // namespace

bool zefcorek::devices::EnsureBthPropsDLL() {
  (void)processTable();
  return true;
}

const zefcorek::devices::TBthPropsDLL& zefcorek::devices::processBthPropsDLL() { return processTable(); }
