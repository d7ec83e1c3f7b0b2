// The wireless functions over the WLAN back end in force.
//
// Each call checks its client handle and arguments, asks the back end and
// copies the answer into one block from WlanAllocateMemory: a list is its
// header followed by its entries, so one WlanFreeMemory releases it.
#include "platform/Wlan.h"

#include "platform/CodePage.h"
#include "platform/WlanNetworkManager.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <set>

namespace {

// The back end a test or host installed, when `installedInForce` is set;
// else the system's.
std::atomic<platform::WlanBackend*> installedBackend{nullptr};
std::atomic<bool> installedInForce{false};

// NetworkManager on the system bus, looked for once, on first need, unless
// ZEF_WLAN_BACKEND is "none". It is kept for the life of the process and
// never destroyed, so nothing at exit has to talk to the bus library.
platform::WlanBackend* systemBackend() {
  static platform::WlanBackend* const backend = []() -> platform::WlanBackend* {
    const char* choice = std::getenv("ZEF_WLAN_BACKEND");
    if (choice != nullptr && std::strcmp(choice, "none") == 0) return nullptr;
    return platform::connectNetworkManagerWlan("").release();
  }();
  return backend;
}

// Client handles are numbers handed out in order; only open ones are valid.
std::mutex handleMutex;
std::set<uintptr_t>& openHandles() {
  static std::set<uintptr_t> handles;
  return handles;
}
uintptr_t nextHandle = 1;

bool isOpen(HANDLE client) {
  std::lock_guard lock(handleMutex);
  return openHandles().contains(reinterpret_cast<uintptr_t>(client));
}

// The back end a call may use: null when the handle is not open or no back
// end is in force (it was taken away after the handle was opened).
platform::WlanBackend* backendFor(HANDLE client) { return isOpen(client) ? platform::wlanBackend() : nullptr; }

void copyName(WCHAR (&to)[WLAN_MAX_NAME_LENGTH], std::u16string_view from) {
  const size_t length = std::min(from.size(), WLAN_MAX_NAME_LENGTH - 1);
  std::copy_n(from.data(), length, to);
  to[length] = u'\0';
}

// A list block with room for `count` entries (at least the one the header
// declares), zero-filled.
template <typename List>
List* allocateList(size_t count) {
  const size_t size = offsetof(List, items) + std::max<size_t>(count, 1) * sizeof(List::items[0]);
  auto* list = static_cast<List*>(WlanAllocateMemory(static_cast<DWORD>(size)));
  if (list != nullptr) list->count = static_cast<DWORD>(count);
  return list;
}

WlanNetworkRecord recordOf(const platform::WlanNetworkEntry& entry) {
  WlanNetworkRecord record{};
  copyName(record.profileName, entry.profileName);
  record.ssid.length = static_cast<ULONG>(std::min(entry.ssid.size(), DOT11_SSID_MAX_LENGTH));
  std::memcpy(record.ssid.bytes, entry.ssid.data(), record.ssid.length);
  record.bssType = entry.bssType;
  record.bssidCount = entry.bssidCount;
  record.connectable = entry.connectable;
  record.signalQuality = entry.signalQuality;
  record.securityEnabled = entry.securityEnabled;
  record.authAlgorithm = entry.authAlgorithm;
  record.cipherAlgorithm = entry.cipherAlgorithm;
  record.flags = entry.flags;
  return record;
}

using WlanFunction = FARPROC;

struct WlanExport {
  const char16_t* module;
  const char* name;
  WlanFunction function;
};

template <typename F>
WlanFunction erase(F* function) {
  return reinterpret_cast<WlanFunction>(function);
}

const WlanExport kWlanExports[] = {
    {u"wlanapi", "WlanAllocateMemory", erase(&WlanAllocateMemory)},
    {u"wlanapi", "WlanFreeMemory", erase(&WlanFreeMemory)},
    {u"wlanapi", "WlanOpenHandle", erase(&WlanOpenHandle)},
    {u"wlanapi", "WlanCloseHandle", erase(&WlanCloseHandle)},
    {u"wlanapi", "WlanEnumInterfaces", erase(&WlanEnumInterfaces)},
    {u"wlanapi", "WlanGetInterfaceCapability", erase(&WlanGetInterfaceCapability)},
    {u"wlanapi", "WlanGetAvailableNetworkList", erase(&WlanGetAvailableNetworkList)},
    {u"wlanapi", "WlanGetProfileList", erase(&WlanGetProfileList)},
    {u"wlanapi", "WlanConnect", erase(&WlanConnect)},
    {u"wlanapi", "WlanScan", erase(&WlanScan)},
    {u"wlanapi", "WlanSaveTemporaryProfile", erase(&WlanSaveTemporaryProfile)},
    {u"wlanapi", "WlanSetProfile", erase(&WlanSetProfile)},
    {u"wlanapi", "WlanGetProfileCustomUserData", erase(&WlanGetProfileCustomUserData)},
    {u"wlanapi", "WlanSetProfileCustomUserData", erase(&WlanSetProfileCustomUserData)},
    {u"wlanapi", "WlanRegisterNotification", erase(&WlanRegisterNotification)},
    {u"wlanapi", "WlanQueryInterface", erase(&WlanQueryInterface)},
    {u"wlanui", "WlanUIEditProfile", erase(&WlanUIEditProfile)},
};

}  // namespace

platform::WlanBackend::~WlanBackend() = default;

void platform::setWlanBackend(WlanBackend* backend) {
  installedBackend.store(backend);
  installedInForce.store(true);
}

void platform::useSystemWlanBackend() {
  installedInForce.store(false);
  installedBackend.store(nullptr);
}

platform::WlanBackend* platform::wlanBackend() {
  return installedInForce.load() ? installedBackend.load() : systemBackend();
}

FARPROC platform::wlanFunction(std::u16string_view module, const char* name) {
  WlanBackend* backend = wlanBackend();
  if (backend == nullptr || name == nullptr) return nullptr;
  for (const WlanExport& entry : kWlanExports) {
    if (module != entry.module || std::strcmp(entry.name, name) != 0) continue;
    return backend->offers(entry.name) ? entry.function : nullptr;
  }
  return nullptr;
}

void* WlanAllocateMemory(DWORD size) { return std::calloc(1, size == 0 ? 1 : size); }

void WlanFreeMemory(void* memory) { std::free(memory); }

DWORD WlanOpenHandle(DWORD clientVersion, void*, DWORD* negotiatedVersion, HANDLE* client) {
  if (negotiatedVersion == nullptr || client == nullptr) return ERROR_INVALID_PARAMETER;
  if (clientVersion < 1) return ERROR_NOT_SUPPORTED;
  if (platform::wlanBackend() == nullptr) return ERROR_NOT_SUPPORTED;
  std::lock_guard lock(handleMutex);
  const uintptr_t handle = nextHandle++;
  openHandles().insert(handle);
  *negotiatedVersion = std::min<DWORD>(clientVersion, WLAN_CLIENT_VERSION_2);
  *client = reinterpret_cast<HANDLE>(handle);
  return ERROR_SUCCESS;
}

DWORD WlanCloseHandle(HANDLE client, void*) {
  std::lock_guard lock(handleMutex);
  return openHandles().erase(reinterpret_cast<uintptr_t>(client)) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

DWORD WlanEnumInterfaces(HANDLE client, void*, WlanInterfaceList** list) {
  if (list == nullptr) return ERROR_INVALID_PARAMETER;
  *list = nullptr;
  platform::WlanBackend* backend = backendFor(client);
  if (backend == nullptr) return ERROR_INVALID_HANDLE;
  std::vector<platform::WlanInterfaceEntry> entries;
  if (const DWORD result = backend->interfaces(entries); result != ERROR_SUCCESS) return result;
  auto* out = allocateList<WlanInterfaceList>(entries.size());
  if (out == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  for (size_t i = 0; i < entries.size(); ++i) {
    out->items[i].guid = entries[i].guid;
    copyName(out->items[i].description, entries[i].description);
    out->items[i].state = entries[i].state;
  }
  *list = out;
  return ERROR_SUCCESS;
}

DWORD WlanGetInterfaceCapability(HANDLE client, const GUID* interfaceGuid, void*,
                                 WlanInterfaceCapability** capability) {
  if (interfaceGuid == nullptr || capability == nullptr) return ERROR_INVALID_PARAMETER;
  *capability = nullptr;
  platform::WlanBackend* backend = backendFor(client);
  if (backend == nullptr) return ERROR_INVALID_HANDLE;
  std::vector<platform::WlanInterfaceEntry> entries;
  if (const DWORD result = backend->interfaces(entries); result != ERROR_SUCCESS) return result;
  for (const auto& entry : entries) {
    if (entry.guid != *interfaceGuid) continue;
    auto* out = static_cast<WlanInterfaceCapability*>(WlanAllocateMemory(sizeof(WlanInterfaceCapability)));
    if (out == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    out->interfaceType = entry.interfaceType;
    *capability = out;
    return ERROR_SUCCESS;
  }
  return ERROR_NOT_FOUND;
}

DWORD WlanGetAvailableNetworkList(HANDLE client, const GUID* interfaceGuid, DWORD flags, void*,
                                  WlanNetworkList** list) {
  if (interfaceGuid == nullptr || list == nullptr) return ERROR_INVALID_PARAMETER;
  *list = nullptr;
  platform::WlanBackend* backend = backendFor(client);
  if (backend == nullptr) return ERROR_INVALID_HANDLE;
  std::vector<platform::WlanNetworkEntry> entries;
  if (const DWORD result = backend->networks(*interfaceGuid, flags, entries); result != ERROR_SUCCESS) {
    return result;
  }
  auto* out = allocateList<WlanNetworkList>(entries.size());
  if (out == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  for (size_t i = 0; i < entries.size(); ++i) out->items[i] = recordOf(entries[i]);
  *list = out;
  return ERROR_SUCCESS;
}

DWORD WlanGetProfileList(HANDLE client, const GUID* interfaceGuid, void*, WlanProfileList** list) {
  if (interfaceGuid == nullptr || list == nullptr) return ERROR_INVALID_PARAMETER;
  *list = nullptr;
  platform::WlanBackend* backend = backendFor(client);
  if (backend == nullptr) return ERROR_INVALID_HANDLE;
  std::vector<std::u16string> names;
  if (const DWORD result = backend->profiles(*interfaceGuid, names); result != ERROR_SUCCESS) {
    return result;
  }
  auto* out = allocateList<WlanProfileList>(names.size());
  if (out == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  for (size_t i = 0; i < names.size(); ++i) copyName(out->items[i].name, names[i]);
  *list = out;
  return ERROR_SUCCESS;
}

DWORD WlanConnect(HANDLE client, const GUID* interfaceGuid, const WlanConnectionParameters* parameters, void*) {
  if (interfaceGuid == nullptr || parameters == nullptr) return ERROR_INVALID_PARAMETER;
  if (parameters->mode != WLAN_CONNECT_WITH_PROFILE || parameters->profile == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  platform::WlanBackend* backend = backendFor(client);
  if (backend == nullptr) return ERROR_INVALID_HANDLE;
  return backend->connect(*interfaceGuid, parameters->profile);
}

DWORD WlanScan(HANDLE client, const GUID* interfaceGuid, const WlanSsid*, const void*, void*) {
  if (interfaceGuid == nullptr) return ERROR_INVALID_PARAMETER;
  platform::WlanBackend* backend = backendFor(client);
  if (backend == nullptr) return ERROR_INVALID_HANDLE;
  return backend->scan(*interfaceGuid);
}

DWORD WlanSaveTemporaryProfile(HANDLE client, const GUID*, LPCWSTR, LPCWSTR, DWORD, BOOL, void*) {
  // Temporary profiles have no counterpart: profiles are always stored.
  return backendFor(client) == nullptr ? ERROR_INVALID_HANDLE : ERROR_NOT_SUPPORTED;
}

DWORD WlanSetProfile(HANDLE client, const GUID* interfaceGuid, DWORD, LPCWSTR xml, LPCWSTR, BOOL overwrite, void*,
                     DWORD* reasonCode) {
  if (interfaceGuid == nullptr || xml == nullptr || reasonCode == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  *reasonCode = 0;
  platform::WlanBackend* backend = backendFor(client);
  if (backend == nullptr) return ERROR_INVALID_HANDLE;
  const DWORD result = backend->setProfile(*interfaceGuid, xml, overwrite != FALSE);
  if (result == ERROR_BAD_PROFILE) *reasonCode = 1;
  return result;
}

DWORD WlanGetProfileCustomUserData(HANDLE client, const GUID* interfaceGuid, LPCWSTR profile, void*, DWORD* size,
                                   uint8_t** data) {
  if (interfaceGuid == nullptr || profile == nullptr || size == nullptr || data == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  *size = 0;
  *data = nullptr;
  platform::WlanBackend* backend = backendFor(client);
  if (backend == nullptr) return ERROR_INVALID_HANDLE;
  std::vector<uint8_t> bytes;
  if (const DWORD result = backend->profileUserData(*interfaceGuid, profile, bytes); result != ERROR_SUCCESS) {
    return result;
  }
  auto* out = static_cast<uint8_t*>(WlanAllocateMemory(static_cast<DWORD>(bytes.size())));
  if (out == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  std::copy(bytes.begin(), bytes.end(), out);
  *size = static_cast<DWORD>(bytes.size());
  *data = out;
  return ERROR_SUCCESS;
}

DWORD WlanSetProfileCustomUserData(HANDLE client, const GUID* interfaceGuid, LPCWSTR profile, DWORD size,
                                   const uint8_t* data, void*) {
  if (interfaceGuid == nullptr || profile == nullptr || (data == nullptr && size != 0)) {
    return ERROR_INVALID_PARAMETER;
  }
  platform::WlanBackend* backend = backendFor(client);
  if (backend == nullptr) return ERROR_INVALID_HANDLE;
  return backend->setProfileUserData(*interfaceGuid, profile,
                                     std::span<const uint8_t>(data, data == nullptr ? 0 : size));
}

DWORD WlanRegisterNotification(HANDLE client, DWORD, BOOL, void*, void*, void*, DWORD* previousSources) {
  // Notifications are never sent: a client polls the interface state.
  if (previousSources != nullptr) *previousSources = 0;
  return backendFor(client) == nullptr ? ERROR_INVALID_HANDLE : ERROR_SUCCESS;
}

DWORD WlanQueryInterface(HANDLE client, const GUID* interfaceGuid, DWORD opCode, void*, DWORD* dataSize, void** data,
                         DWORD* valueType) {
  if (interfaceGuid == nullptr || dataSize == nullptr || data == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  *dataSize = 0;
  *data = nullptr;
  platform::WlanBackend* backend = backendFor(client);
  if (backend == nullptr) return ERROR_INVALID_HANDLE;
  if (opCode != WLAN_QUERY_INTERFACE_STATE) return ERROR_NOT_SUPPORTED;
  DWORD state = 0;
  if (const DWORD result = backend->interfaceState(*interfaceGuid, state); result != ERROR_SUCCESS) {
    return result;
  }
  auto* out = static_cast<DWORD*>(WlanAllocateMemory(sizeof(DWORD)));
  if (out == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  *out = state;
  *dataSize = sizeof(DWORD);
  *data = out;
  if (valueType != nullptr) *valueType = 0;
  return ERROR_SUCCESS;
}

DWORD WlanUIEditProfile(DWORD, LPCWSTR profile, GUID* interfaceGuid, HWND owner, DWORD, void*, DWORD* reasonCode) {
  if (profile == nullptr || interfaceGuid == nullptr) return ERROR_INVALID_PARAMETER;
  if (reasonCode != nullptr) *reasonCode = 0;
  platform::WlanBackend* backend = platform::wlanBackend();
  if (backend == nullptr) return ERROR_NOT_SUPPORTED;
  return backend->editProfile(*interfaceGuid, profile, owner);
}
