// The Reg… functions and NtQueryKey: key handles and their rights over the
// registry store.
//
// A key handle is an OpenedKey allocated here; the set of live handles lets
// every call reject a handle that was never given out or is already closed.
// The two root handles are fixed values that stand for the root key with
// every right.
#include "platform/Registry.h"

#include "RegistryStore.h"

#include "platform/LastError.h"

#include <unistd.h>

#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>

namespace {

using platform::registry::KeyCounts;
using platform::registry::RootKind;
using platform::registry::StoredValue;
using platform::registry::withStore;

struct OpenedKey {
  RootKind root;
  int64_t id;
  REGSAM access;
  std::u16string path;  // below the root, names as stored, '\'-separated
};

std::mutex& handlesMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_set<OpenedKey*>& liveHandles() {
  static std::unordered_set<OpenedKey*> handles;
  return handles;
}

// The key a handle stands for, or nullopt for an unknown handle.
std::optional<OpenedKey> keyOf(HKEY handle) {
  if (handle == HKEY_CURRENT_USER) {
    return OpenedKey{RootKind::CurrentUser, platform::registry::kRootKeyId, KEY_ALL_ACCESS, u""};
  }
  if (handle == HKEY_LOCAL_MACHINE) {
    return OpenedKey{RootKind::LocalMachine, platform::registry::kRootKeyId, KEY_ALL_ACCESS, u""};
  }
  std::lock_guard lock(handlesMutex());
  auto* key = reinterpret_cast<OpenedKey*>(handle);
  if (liveHandles().count(key) == 0) return std::nullopt;
  return *key;
}

HKEY newHandle(OpenedKey key) {
  auto* opened = new OpenedKey(std::move(key));
  std::lock_guard lock(handlesMutex());
  liveHandles().insert(opened);
  return reinterpret_cast<HKEY>(opened);
}

// The UTF-16 unit at `index` of value data (which need not be aligned).
char16_t unitAt(const BYTE* data, DWORD index) {
  return static_cast<char16_t>(data[2 * index] | data[2 * index + 1] << 8);
}

bool hasRights(const OpenedKey& key, REGSAM needed) { return (key.access & needed) == needed; }

std::u16string_view nameOf(LPCWSTR name) { return name == nullptr ? std::u16string_view() : std::u16string_view(name); }

// Copies value data out as RegQueryValueExW and RegEnumValueW do.
LONG copyData(const StoredValue& value, DWORD* type, BYTE* data, DWORD* dataSize) {
  if (type != nullptr) *type = value.type;
  if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
  if (dataSize == nullptr) return ERROR_SUCCESS;
  const auto size = static_cast<DWORD>(value.data.size());
  const DWORD room = *dataSize;
  *dataSize = size;
  if (data == nullptr) return ERROR_SUCCESS;
  if (room < size) return ERROR_MORE_DATA;
  std::memcpy(data, value.data.data(), size);
  return ERROR_SUCCESS;
}

// Copies a name into a caller's buffer of `*length` characters.
LONG copyName(std::u16string_view name, LPWSTR buffer, DWORD* length) {
  if (buffer == nullptr || length == nullptr) return ERROR_INVALID_PARAMETER;
  if (name.size() + 1 > *length) return ERROR_MORE_DATA;
  name.copy(buffer, name.size());
  buffer[name.size()] = 0;
  *length = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// The longest names the registry holds, in UTF-16 units.
constexpr size_t kMaxKeyNameLength = 255;  // one component of a key path
constexpr size_t kMaxValueNameLength = 16383;

bool hasOverlongComponent(std::u16string_view path) {
  while (!path.empty()) {
    const size_t slash = path.find(u'\\');
    if (path.substr(0, slash).size() > kMaxKeyNameLength) return true;
    if (slash == std::u16string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return false;
}

LONG openKey(HKEY parent, LPCWSTR subKey, REGSAM access, bool create, PHKEY result, DWORD* disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (create && hasOverlongComponent(nameOf(subKey))) return ERROR_INVALID_PARAMETER;
  const auto from = keyOf(parent);
  if (!from) return ERROR_INVALID_HANDLE;
  // Creating a sub-key is not checked against the rights of the parent's
  // handle (a handle opened only to watch the key may create under it):
  // the new key's own rights decide, and this store grants them.
  OpenedKey key = *from;
  key.access = access & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY);
  bool created = false;
  std::u16string below;
  const LONG status = withStore(from->root, [&](auto& store) {
    return store.openPath(from->id, nameOf(subKey), create, key.id, below, created);
  });
  if (status != ERROR_SUCCESS) return status;
  if (!below.empty()) key.path += (key.path.empty() ? u"" : u"\\") + below;
  if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = newHandle(std::move(key));
  return ERROR_SUCCESS;
}

}  // namespace

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM access, PHKEY result) {
  return openKey(key, subKey, access, /*create=*/false, result, nullptr);
}

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM access, const SECURITY_ATTRIBUTES*,
                     PHKEY result, DWORD* disposition) {
  if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
  return openKey(key, subKey, access, /*create=*/true, result, disposition);
}

LONG RegCloseKey(HKEY handle) {
  if (handle == HKEY_CURRENT_USER || handle == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
  auto* key = reinterpret_cast<OpenedKey*>(handle);
  {
    std::lock_guard lock(handlesMutex());
    if (liveHandles().erase(key) == 0) return ERROR_INVALID_HANDLE;
  }
  delete key;
  return ERROR_SUCCESS;
}

LONG RegDeleteKeyW(HKEY handle, LPCWSTR subKey) {
  const auto key = keyOf(handle);
  if (!key) return ERROR_INVALID_HANDLE;
  // An empty name deletes the key the handle stands for.
  if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
  return withStore(key->root, [&](auto& store) { return store.deleteKey(key->id, subKey); });
}

LONG RegQueryValueExW(HKEY handle, LPCWSTR name, DWORD*, DWORD* type, BYTE* data, DWORD* dataSize) {
  const auto key = keyOf(handle);
  if (!key) return ERROR_INVALID_HANDLE;
  if (!hasRights(*key, KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  StoredValue value;
  const LONG status = withStore(key->root, [&](auto& store) { return store.queryValue(key->id, nameOf(name), value); });
  if (status != ERROR_SUCCESS) return status;
  return copyData(value, type, data, dataSize);
}

LONG RegSetValueExW(HKEY handle, LPCWSTR name, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
  const auto key = keyOf(handle);
  if (!key) return ERROR_INVALID_HANDLE;
  if (!hasRights(*key, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  if (data == nullptr && dataSize != 0) return ERROR_INVALID_PARAMETER;
  if (type == REG_DWORD && dataSize != sizeof(DWORD)) return ERROR_INVALID_PARAMETER;
  if (nameOf(name).size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  // A string whose size leaves out its terminator is stored with one, so a
  // reader always gets a terminated string. The system stores the NUL that
  // follows in the caller's memory; reading past the size given would not
  // be safe here, so the terminator is added whatever follows.
  std::string bytes(reinterpret_cast<const char*>(data), data == nullptr ? 0 : dataSize);
  const bool isString = type == REG_SZ || type == REG_EXPAND_SZ;
  if (isString && dataSize >= 2 && dataSize % 2 == 0 && unitAt(data, dataSize / 2 - 1) != 0) {
    bytes.append(2, '\0');
  }
  return withStore(key->root, [&](auto& store) { return store.setValue(key->id, nameOf(name), type, bytes); });
}

LONG RegDeleteValueW(HKEY handle, LPCWSTR name) {
  const auto key = keyOf(handle);
  if (!key) return ERROR_INVALID_HANDLE;
  if (!hasRights(*key, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  return withStore(key->root, [&](auto& store) { return store.deleteValue(key->id, nameOf(name)); });
}

LONG RegQueryInfoKeyW(HKEY handle, LPWSTR keyClass, DWORD* classLength, DWORD*, DWORD* subKeys, DWORD* maxSubKeyLength,
                      DWORD* maxClassLength, DWORD* values, DWORD* maxValueNameLength, DWORD* maxValueLength,
                      DWORD* securityDescriptor, FILETIME* lastWriteTime) {
  const auto key = keyOf(handle);
  if (!key) return ERROR_INVALID_HANDLE;
  if (!hasRights(*key, KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  KeyCounts counts;
  const LONG status = withStore(key->root, [&](auto& store) { return store.counts(key->id, counts); });
  if (status != ERROR_SUCCESS) return status;
  if (keyClass != nullptr && classLength != nullptr && *classLength > 0) keyClass[0] = 0;
  if (classLength != nullptr) *classLength = 0;
  if (subKeys != nullptr) *subKeys = counts.subKeys;
  if (maxSubKeyLength != nullptr) *maxSubKeyLength = counts.maxSubKeyLength;
  if (maxClassLength != nullptr) *maxClassLength = 0;
  if (values != nullptr) *values = counts.values;
  if (maxValueNameLength != nullptr) *maxValueNameLength = counts.maxValueNameLength;
  if (maxValueLength != nullptr) *maxValueLength = counts.maxValueLength;
  if (securityDescriptor != nullptr) *securityDescriptor = 0;
  if (lastWriteTime != nullptr) *lastWriteTime = FILETIME{};
  return ERROR_SUCCESS;
}

LONG RegEnumKeyExW(HKEY handle, DWORD index, LPWSTR name, DWORD* nameLength, DWORD*, LPWSTR keyClass,
                   DWORD* classLength, FILETIME* lastWriteTime) {
  const auto key = keyOf(handle);
  if (!key) return ERROR_INVALID_HANDLE;
  if (!hasRights(*key, KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
  std::u16string found;
  const LONG status = withStore(key->root, [&](auto& store) { return store.enumKey(key->id, index, found); });
  if (status != ERROR_SUCCESS) return status;
  if (keyClass != nullptr && classLength != nullptr && *classLength > 0) keyClass[0] = 0;
  if (classLength != nullptr) *classLength = 0;
  if (lastWriteTime != nullptr) *lastWriteTime = FILETIME{};
  return copyName(found, name, nameLength);
}

LONG RegEnumValueW(HKEY handle, DWORD index, LPWSTR name, DWORD* nameLength, DWORD*, DWORD* type, BYTE* data,
                   DWORD* dataSize) {
  const auto key = keyOf(handle);
  if (!key) return ERROR_INVALID_HANDLE;
  if (!hasRights(*key, KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  StoredValue value;
  const LONG status = withStore(key->root, [&](auto& store) { return store.enumValue(key->id, index, value); });
  if (status != ERROR_SUCCESS) return status;
  const LONG named = copyName(value.name, name, nameLength);
  if (named != ERROR_SUCCESS) return named;
  return copyData(value, type, data, dataSize);
}

NTSTATUS NtQueryKey(HANDLE handle, int informationClass, void* information, ULONG length, ULONG* resultLength) {
  if (informationClass != KeyNameInformation || resultLength == nullptr) {
    return STATUS_INVALID_PARAMETER;
  }
  const auto key = keyOf(static_cast<HKEY>(handle));
  if (!key) return STATUS_INVALID_HANDLE;
  std::u16string name =
      key->root == RootKind::LocalMachine ? std::u16string(u"\\REGISTRY\\MACHINE") : u"\\REGISTRY\\USER\\";
  if (key->root == RootKind::CurrentUser) {
    const std::string user = std::to_string(geteuid());
    name += std::u16string(user.begin(), user.end());
  }
  if (!key->path.empty()) name += u"\\" + key->path;
  const auto nameBytes = static_cast<ULONG>(name.size() * sizeof(char16_t));
  *resultLength = static_cast<ULONG>(offsetof(KEY_NAME_INFORMATION, Name)) + nameBytes;
  if (information == nullptr || length < *resultLength) return STATUS_BUFFER_TOO_SMALL;
  auto* record = static_cast<KEY_NAME_INFORMATION*>(information);
  record->NameLength = nameBytes;
  std::memcpy(record->Name, name.data(), nameBytes);
  return STATUS_SUCCESS;
}
