// IWinRegistryImp: the registry wrapper over the platform's registry store.
//
// Every operation opens root\path for just the rights it needs and closes
// the key before it returns, so an object never pins a key and two objects
// on the same key never see stale state.
#include "zefcorek/WinRegistry.h"

#include "zefcorek/ClassMakers.h"
#include "zefcorek/StringList.h"

#include "platform/LastError.h"
#include "platform/LoadableModules.h"
#include "platform/Registry.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

namespace {

// Enumeration buffers, in characters.
constexpr DWORD kSubKeyNameCapacity = 1024;
constexpr DWORD kValueNameCapacity = 16383;

// An open key that closes itself.
class OpenedKey {
public:
  OpenedKey() = default;
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;
  ~OpenedKey() {
    if (handle_ != nullptr) RegCloseKey(handle_);
  }
  HKEY* out() { return &handle_; }
  HKEY get() const { return handle_; }

private:
  HKEY handle_ = nullptr;
};

// The little-endian bytes of a value (the host is little-endian; copying
// keeps the reads and writes free of alignment assumptions).
template <typename T>
void toBytes(T value, BYTE (&bytes)[sizeof(T)]) {
  std::memcpy(bytes, &value, sizeof(T));
}

bool startsWithBackslash(const WCHAR* path) { return path != nullptr && path[0] == u'\\'; }

using NtQueryKeyFunction = NTSTATUS (*)(HANDLE, int, void*, ULONG, ULONG*);

class IWinRegistryImp final : public CountedUnknownImp<IWinRegistry> {
public:
  IWinRegistryImp() = default;
  IWinRegistryImp(const IWinRegistryImp&) = delete;
  IWinRegistryImp& operator=(const IWinRegistryImp&) = delete;

  // No interface is answered, IUnknown included; a null out is not written.
  HRESULT QueryInterface(REFIID, void** out) override {
    if (out != nullptr) *out = nullptr;
    return E_NOINTERFACE;
  }

  void SetAccessRead() override { access_ = KEY_READ; }
  void SetAccessWrite() override { access_ = KEY_WRITE; }
  void SetAccessAll() override { access_ = KEY_ALL_ACCESS; }
  bool HasPath() override { return !path_.IsEmpty(); }
  CLWideStr GetPath() override { return CLWideStr(path_); }
  HKEY GetRootKey() override { return root_; }
  bool Reset() override {
    path_.AssignSz(u"");
    root_ = HKEY_CURRENT_USER;
    return true;
  }
  int32_t SetRootKey(HKEY key) override {
    root_ = key;
    return 0;
  }

  bool CreateKey(const WCHAR* path) override {
    if (!isUsableSubKey(path)) return false;
    OpenedKey key;
    if (createKey(root_, path, key) != ERROR_SUCCESS) return false;
    path_.AssignSz(path);
    return true;
  }
  bool DeleteKey(const WCHAR*) override { return false; }

  bool DeleteValue(const WCHAR* name) override {
    OpenedKey key;
    return openCurrent(KEY_SET_VALUE, key) && RegDeleteValueW(key.get(), name) == ERROR_SUCCESS;
  }
  int32_t GetValueSize(const WCHAR* name) override {
    OpenedKey key;
    DWORD size = 0;
    if (!openCurrent(KEY_QUERY_VALUE, key) ||
        RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
      return -1;
    return static_cast<int32_t>(size);
  }
  DWORD GetValueType(const WCHAR* name) override {
    OpenedKey key;
    DWORD type = REG_NONE;
    if (!openCurrent(KEY_QUERY_VALUE, key) ||
        RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
      return REG_NONE;
    return type;
  }
  int32_t GetSubKeyCount() override {
    if (!HasPath()) return 0;
    DWORD subKeys = 0;
    return queryCounts(&subKeys, nullptr) ? static_cast<int32_t>(subKeys) : -1;
  }
  int32_t GetValueCount() override {
    DWORD values = 0;
    return queryCounts(nullptr, &values) ? static_cast<int32_t>(values) : -1;
  }

  bool KeyExists(const WCHAR* path, HKEY root) override {
    if (!isUsableSubKey(path)) return false;
    OpenedKey key;
    return RegOpenKeyExW(root == nullptr ? root_ : root, path, 0, KEY_READ, key.out()) == ERROR_SUCCESS;
  }
  bool OpenKey(const WCHAR* path, bool create) override {
    if (path == nullptr || startsWithBackslash(path)) return false;
    if (path[0] == u'\0') {
      path_.AssignSz(u"");
      return true;
    }
    OpenedKey key;
    LONG status = create ? createKey(root_, path, key) : RegOpenKeyExW(root_, path, 0, access_, key.out());
    if (status != ERROR_SUCCESS) return false;
    path_.AssignSz(path);
    return true;
  }
  bool ValueExists(const WCHAR* name) override {
    OpenedKey key;
    return openCurrent(KEY_READ, key) &&
           RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }
  bool RenameValue(const WCHAR*, const WCHAR*) override { return false; }

  bool ReadBool(const WCHAR* name, bool defaultValue) override {
    BYTE bytes[4];
    if (!readExact(name, bytes, sizeof bytes)) return defaultValue;
    return bytes[0] != 0 || bytes[1] != 0 || bytes[2] != 0 || bytes[3] != 0;
  }
  int32_t ReadInteger(const WCHAR* name, int32_t defaultValue) override { return readNumber(name, defaultValue); }
  uint32_t ReadDWord(const WCHAR* name, uint32_t defaultValue) override { return readNumber(name, defaultValue); }
  double ReadFloat(const WCHAR* name, double defaultValue) override { return readNumber(name, defaultValue); }
  CLWideStr ReadString(const WCHAR* name, const WCHAR* defaultValue) override {
    CLWideStr fallback(defaultValue == nullptr ? u"" : defaultValue);
    DWORD type = GetValueType(name);
    if (type != REG_SZ && type != REG_EXPAND_SZ) return fallback;
    OpenedKey key;
    DWORD size = 0;
    if (!openCurrent(KEY_READ, key) ||
        RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
      return fallback;
    // One spare character, so a text stored without its NUL still ends.
    std::vector<WCHAR> text(size / sizeof(WCHAR) + 1, u'\0');
    DWORD read = static_cast<DWORD>(text.size() * sizeof(WCHAR));
    if (RegQueryValueExW(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &read) !=
        ERROR_SUCCESS)
      return fallback;
    std::u16string_view all(text.data(), std::min<size_t>(read / sizeof(WCHAR), text.size()));
    return CLWideStr(std::u16string(all.substr(0, all.find(u'\0'))));
  }

  bool WriteBool(const WCHAR* name, bool value) override { return WriteInteger(name, value ? 1 : 0); }
  bool WriteInteger(const WCHAR* name, int32_t value) override {
    BYTE bytes[4];
    toBytes(value, bytes);
    return writeValue(name, REG_BINARY, bytes, sizeof bytes);
  }
  bool WriteDWord(const WCHAR* name, uint32_t value) override {
    BYTE bytes[4];
    toBytes(value, bytes);
    return writeValue(name, REG_DWORD, bytes, sizeof bytes);
  }
  bool WriteFloat(const WCHAR* name, double value) override {
    BYTE bytes[8];
    toBytes(value, bytes);
    return writeValue(name, REG_BINARY, bytes, sizeof bytes);
  }
  bool WriteString(const WCHAR* name, const WCHAR* text) override {
    std::u16string_view view = text == nullptr ? std::u16string_view() : std::u16string_view(text);
    std::u16string stored(view);  // with its NUL
    return writeValue(name, REG_SZ, reinterpret_cast<const BYTE*>(stored.c_str()),
                      static_cast<DWORD>((view.size() + 1) * sizeof(WCHAR)));
  }

  bool GetSubKeyName(uint32_t index, CLWideStr& out) override {
    OpenedKey key;
    DWORD subKeys = 0;
    if (!openCurrent(KEY_READ, key) ||
        RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
      return false;
    if (subKeys == 0) return true;
    if (index >= subKeys) return false;
    std::vector<WCHAR> name(kSubKeyNameCapacity);
    DWORD length = kSubKeyNameCapacity;
    if (RegEnumKeyExW(key.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      return false;
    out.AssignText(std::u16string_view(name.data(), length));
    return true;
  }
  bool GetSubKeyNames(IStringList* list) override {
    return enumerateNames(list, kSubKeyNameCapacity, [](HKEY key, DWORD i, WCHAR* name, DWORD* length) {
      return RegEnumKeyExW(key, i, name, length, nullptr, nullptr, nullptr, nullptr);
    });
  }
  bool GetValueNames(IStringList* list) override {
    return enumerateNames(list, kValueNameCapacity, [](HKEY key, DWORD i, WCHAR* name, DWORD* length) {
      return RegEnumValueW(key, i, name, length, nullptr, nullptr, nullptr, nullptr);
    });
  }

  CLWideStr GetKeyFullPath(HKEY key) override;

private:
  // The last Release closes the open key first.
  ~IWinRegistryImp() override { Reset(); }

  static bool isUsableSubKey(const WCHAR* path) {
    return path != nullptr && path[0] != u'\0' && !startsWithBackslash(path);
  }
  static LONG createKey(HKEY root, const WCHAR* path, OpenedKey& key) {
    return RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.out(), nullptr);
  }

  // Opens root\path; false when the path is empty or the key cannot be
  // opened with `rights`.
  bool openCurrent(REGSAM rights, OpenedKey& key) {
    return HasPath() && RegOpenKeyExW(root_, path_.c_str(), 0, rights, key.out()) == ERROR_SUCCESS;
  }

  bool queryCounts(DWORD* subKeys, DWORD* values) {
    OpenedKey key;
    return openCurrent(KEY_READ, key) &&
           RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, subKeys, nullptr, nullptr, values, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
  }

  // Reads a value whose data is exactly `size` bytes, whatever its type.
  bool readExact(const WCHAR* name, BYTE* bytes, DWORD size) {
    OpenedKey key;
    DWORD read = size;
    return openCurrent(KEY_READ, key) &&
           RegQueryValueExW(key.get(), name, nullptr, nullptr, bytes, &read) == ERROR_SUCCESS && read == size;
  }

  template <typename T>
  T readNumber(const WCHAR* name, T defaultValue) {
    BYTE bytes[sizeof(T)];
    if (!readExact(name, bytes, sizeof bytes)) return defaultValue;
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }

  bool writeValue(const WCHAR* name, DWORD type, const BYTE* data, DWORD size) {
    OpenedKey key;
    return openCurrent(KEY_WRITE, key) && RegSetValueExW(key.get(), name, 0, type, data, size) == ERROR_SUCCESS;
  }

  template <typename Enumerate>
  bool enumerateNames(IStringList* list, DWORD capacity, Enumerate&& enumerate) {
    if (list == nullptr) return false;
    list->Clear();
    OpenedKey key;
    if (!openCurrent(KEY_READ, key)) return false;
    std::vector<WCHAR> name(capacity);
    for (DWORD i = 0;; ++i) {
      DWORD length = capacity;
      LONG status = enumerate(key.get(), i, name.data(), &length);
      if (status != ERROR_SUCCESS) return status == static_cast<LONG>(ERROR_NO_MORE_ITEMS);
      std::u16string text(name.data(), length);
      list->Add(text.c_str(), nullptr);
    }
  }

  HKEY root_ = HKEY_CURRENT_USER;  // the key paths are relative to
  REGSAM access_ = KEY_WRITE;      // rights of OpenKey without creation
  CLWideStr path_;                 // current key below root_, no leading '\'
};

// The kernel's name comes from ntdll's NtQueryKey, found at run time as the
// original system finds it: asked once for the size, then for the record
// (a 32-bit byte length followed by the UTF-16 name).
CLWideStr IWinRegistryImp::GetKeyFullPath(HKEY key) {
  if (key == nullptr) return CLWideStr();
  HMODULE ntdll = LoadLibraryW(u"ntdll.dll");
  if (ntdll == nullptr) return CLWideStr();
  CLWideStr name;
  auto query = reinterpret_cast<NtQueryKeyFunction>(GetProcAddress(ntdll, "NtQueryKey"));
  HANDLE handle = reinterpret_cast<HANDLE>(key);
  ULONG needed = 0;
  if (query != nullptr && query(handle, KeyNameInformation, nullptr, 0, &needed) == STATUS_BUFFER_TOO_SMALL) {
    std::vector<BYTE> record(static_cast<size_t>(needed) + 2);
    ULONG returned = 0;
    if (query(handle, KeyNameInformation, record.data(), static_cast<ULONG>(record.size()), &returned) ==
            STATUS_SUCCESS &&
        returned >= sizeof(ULONG)) {
      // The name ends where the returned size ends, never past the buffer.
      size_t bytes = std::min<size_t>(returned, record.size()) - sizeof(ULONG);
      std::u16string text(bytes / sizeof(WCHAR), u'\0');
      std::memcpy(text.data(), record.data() + sizeof(ULONG), text.size() * sizeof(WCHAR));
      name.AssignText(text);
    }
  }
  FreeLibrary(ntdll);
  return name;
}

}  // namespace

IWinRegistry::~IWinRegistry() = default;

void* zefcorek::makeIWinRegistryImp(intptr_t) {
  return static_cast<IWinRegistry*>(new (std::nothrow) IWinRegistryImp());
}
