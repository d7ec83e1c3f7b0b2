// The table of built-in modules behind LoadLibraryW and GetProcAddress.
#include "platform/LoadableModules.h"

#include "platform/Bluetooth.h"
#include "platform/LastError.h"
#include "platform/Modules.h"
#include "platform/ProcessSnapshot.h"
#include "platform/Registry.h"
#include "platform/Utf16.h"
#include "platform/Wlan.h"

#include <cstring>
#include <span>
#include <string_view>

namespace {

struct Export {
  const char* name;
  FARPROC function;
};

struct BuiltInModule {
  const char16_t* name;  // without ".dll"
  std::span<const Export> exports;
};

const Export kNtdllExports[] = {
    {"NtQueryKey", reinterpret_cast<FARPROC>(&NtQueryKey)},
};

const Export kPsapiExports[] = {
    {"GetModuleFileNameExW", reinterpret_cast<FARPROC>(&GetModuleFileNameExW)},
    {"EnumProcessModules", reinterpret_cast<FARPROC>(&EnumProcessModules)},
};

#define ZEF_BLUETOOTH_EXPORT(name) \
  { #name, reinterpret_cast < FARPROC>(&name) }
const Export kBthPropsExports[] = {
    ZEF_BLUETOOTH_EXPORT(BluetoothFindFirstRadio),
    ZEF_BLUETOOTH_EXPORT(BluetoothFindNextRadio),
    ZEF_BLUETOOTH_EXPORT(BluetoothFindRadioClose),
    ZEF_BLUETOOTH_EXPORT(BluetoothIsDiscoverable),
    ZEF_BLUETOOTH_EXPORT(BluetoothEnableDiscovery),
    ZEF_BLUETOOTH_EXPORT(BluetoothIsConnectable),
    ZEF_BLUETOOTH_EXPORT(BluetoothEnableIncomingConnections),
    ZEF_BLUETOOTH_EXPORT(BluetoothGetDeviceInfo),
    ZEF_BLUETOOTH_EXPORT(BluetoothRegisterForAuthenticationEx),
    ZEF_BLUETOOTH_EXPORT(BluetoothUnregisterAuthentication),
    ZEF_BLUETOOTH_EXPORT(BluetoothSendAuthenticationResponseEx),
    ZEF_BLUETOOTH_EXPORT(BluetoothAuthenticateDeviceEx),
    ZEF_BLUETOOTH_EXPORT(BluetoothRemoveDevice),
};
#undef ZEF_BLUETOOTH_EXPORT

const BuiltInModule kModules[] = {
    {u"ntdll", kNtdllExports},
    {u"psapi", kPsapiExports},
    // The radio modules: loadable only while a radio back end is active.
    {u"bthprops.cpl", kBthPropsExports},
    {u"bluetoothapis", {}},
    // The wireless modules: their exports come from platform/Wlan.h, and
    // they exist only while a WLAN back end is in force.
    {u"wlanapi", {}},
    {u"wlanui", {}},
};

bool isBluetoothModule(const BuiltInModule& module) {
  const std::u16string_view name(module.name);
  return name == u"bthprops.cpl" || name == u"bluetoothapis";
}

bool isWlanModule(const BuiltInModule& module) {
  const std::u16string_view name(module.name);
  return name == u"wlanapi" || name == u"wlanui";
}

// Tests can take psapi or one of its entries away.
bool isAvailable(const BuiltInModule& module, const char* function) {
  if (isBluetoothModule(module)) return platform::bluetoothOffers(function);
  if (isWlanModule(module)) return platform::wlanBackend() != nullptr;
  if (std::u16string_view(module.name) != u"psapi") return true;
  const platform::PsapiAvailability available = platform::psapiAvailability();
  if (!available.module) return false;
  if (!function) return true;
  if (std::strcmp(function, "GetModuleFileNameExW") == 0) return available.getModuleFileNameEx;
  if (std::strcmp(function, "EnumProcessModules") == 0) return available.enumProcessModules;
  return true;
}

// A module's handle is the address of its table row.
HMODULE handleOf(const BuiltInModule& module) { return reinterpret_cast<HMODULE>(const_cast<BuiltInModule*>(&module)); }

const BuiltInModule* moduleOf(HMODULE handle) {
  for (const auto& module : kModules) {
    if (handleOf(module) == handle) return &module;
  }
  return nullptr;
}

}  // namespace

HMODULE LoadLibraryW(LPCWSTR name) {
  std::u16string_view wanted = name == nullptr ? std::u16string_view() : std::u16string_view(name);
  const size_t slash = wanted.find_last_of(u"\\/");
  if (slash != std::u16string_view::npos) wanted.remove_prefix(slash + 1);
  if (wanted.size() > 4 && platform::equalsIgnoreCase(wanted.substr(wanted.size() - 4), u".dll")) {
    wanted.remove_suffix(4);
  }
  for (const auto& module : kModules) {
    if (platform::equalsIgnoreCase(wanted, module.name) && isAvailable(module, nullptr)) {
      return handleOf(module);
    }
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

FARPROC GetProcAddress(HMODULE handle, LPCSTR name) {
  const BuiltInModule* module = moduleOf(handle);
  if (module == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (isWlanModule(*module)) {
    if (FARPROC function = platform::wlanFunction(module->name, name)) return function;
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  for (const auto& entry : module->exports) {
    if (name != nullptr && std::strcmp(entry.name, name) == 0 && isAvailable(*module, name)) {
      return entry.function;
    }
  }
  SetLastError(ERROR_PROC_NOT_FOUND);
  return nullptr;
}

BOOL FreeLibrary(HMODULE handle) {
  if (moduleOf(handle) != nullptr) return TRUE;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}
