// The radio modules' function table, resolved by name.
#include "BthPropsDLL.h"

#include <cstdint>
#include <cstring>
#include <mutex>

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

// Made on first use and kept for the back end it was resolved under: when
// another back end is installed (tests do, one after the other) the rows are
// resolved again, so no caller sees the functions an earlier back end offered.
// A row is either null or the module function itself, which never moves.
struct ProcessTable {
  std::mutex mutex;
  zefcorek::devices::TBthPropsDLL table{};
  bool loaded = false;
  uint64_t generation = 0;
};

zefcorek::devices::TBthPropsDLL& processTable() {
  static ProcessTable process;
  std::lock_guard lock(process.mutex);
  const uint64_t now = platform::bluetoothBackendGeneration();
  if (process.loaded && process.generation == now) return process.table;
  zefcorek::devices::TBthPropsDLL fresh;
  zefcorek::devices::loadBthPropsDLL(fresh);
  if (process.loaded) zefcorek::devices::freeBthPropsDLL(process.table);
  process.table = fresh;
  process.loaded = true;
  process.generation = now;
  return process.table;
}

}  // namespace

bool zefcorek::devices::EnsureBthPropsDLL() {
  (void)processTable();
  return true;
}

const zefcorek::devices::TBthPropsDLL& zefcorek::devices::processBthPropsDLL() { return processTable(); }
