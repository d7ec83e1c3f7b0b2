#include "platform/Registry.h"

#include "platform/LoadableModules.h"
#include "platform/LastError.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using platform::testing::ScratchRoot;

// An open key that closes itself.
struct Key {
  HKEY handle = nullptr;
  ~Key() {
    if (handle != nullptr) RegCloseKey(handle);
  }
};

LONG create(HKEY root, const char16_t* path, Key& key, REGSAM access = KEY_ALL_ACCESS, DWORD* disposition = nullptr) {
  return RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key.handle, disposition);
}

std::string bytesOf(const void* data, size_t size) { return std::string(static_cast<const char*>(data), size); }

TEST(RegistryTest, TypedValuesRoundTrip) {
  ScratchRoot root;
  Key key;
  DWORD disposition = 0;
  ASSERT_EQ(create(HKEY_CURRENT_USER, u"Software\\Vendor\\App", key, KEY_ALL_ACCESS, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  const DWORD number = 0x12345678;
  const char16_t text[] = u"abc";
  const BYTE blob[] = {0, 1, 2, 0xFF};
  struct Case {
    const char16_t* name;
    DWORD type;
    std::string data;
  };
  const Case cases[] = {
      {u"Number", REG_DWORD, bytesOf(&number, 4)},
      {u"Text", REG_SZ, bytesOf(text, sizeof text)},
      {u"Expand", REG_EXPAND_SZ, bytesOf(u"%PATH%", 14)},
      {u"Blob", REG_BINARY, bytesOf(blob, sizeof blob)},
      {u"Nothing", REG_NONE, ""},
      {nullptr, REG_SZ, bytesOf(u"default", 16)},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(RegSetValueExW(key.handle, c.name, 0, c.type, reinterpret_cast<const BYTE*>(c.data.data()),
                             static_cast<DWORD>(c.data.size())),
              ERROR_SUCCESS);
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name == nullptr ? "(unnamed)" : std::string(c.name, c.name + 4));
    DWORD type = 99;
    DWORD size = 0;
    // Type only, size only, then the data.
    ASSERT_EQ(RegQueryValueExW(key.handle, c.name, nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, c.type);
    ASSERT_EQ(RegQueryValueExW(key.handle, c.name, nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, c.data.size());
    std::string data(size + 4, '#');
    ASSERT_EQ(RegQueryValueExW(key.handle, c.name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(data.substr(0, size), c.data);
  }
  // Too small a buffer: the size needed.
  BYTE small[2];
  DWORD size = sizeof small;
  EXPECT_EQ(RegQueryValueExW(key.handle, u"TEXT", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, sizeof text);
  EXPECT_EQ(RegQueryValueExW(key.handle, u"Missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegSetValueExW(key.handle, u"Bad", 0, REG_DWORD, blob, 3), ERROR_INVALID_PARAMETER);
  // No data at all stores an empty value of the type.
  ASSERT_EQ(RegSetValueExW(key.handle, u"Null", 0, REG_SZ, nullptr, 0), ERROR_SUCCESS);
  DWORD type = 99;
  size = 99;
  ASSERT_EQ(RegQueryValueExW(key.handle, u"Null", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 0u);
  ASSERT_EQ(RegDeleteValueW(key.handle, u"blob"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(key.handle, u"blob"), ERROR_FILE_NOT_FOUND);

  // A string given without its terminator while one follows in memory is
  // stored with it; other types keep exactly the bytes given.
  const char16_t terminated[] = u"abc";
  struct Unterminated {
    DWORD type;
    DWORD stored;
  };
  for (const Unterminated& c : {Unterminated{REG_SZ, 8}, Unterminated{REG_EXPAND_SZ, 8}, Unterminated{REG_BINARY, 6}}) {
    ASSERT_EQ(RegSetValueExW(key.handle, u"Cut", 0, c.type, reinterpret_cast<const BYTE*>(terminated), 6),
              ERROR_SUCCESS);
    BYTE stored[16] = {};
    size = sizeof stored;
    ASSERT_EQ(RegQueryValueExW(key.handle, u"Cut", nullptr, nullptr, stored, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, c.stored) << c.type;
    EXPECT_EQ(bytesOf(stored, size), bytesOf(terminated, c.stored)) << c.type;
  }
}

TEST(RegistryTest, EnumerationFollowsCreationOrderAndNamesIgnoreCase) {
  ScratchRoot root;
  Key key;
  ASSERT_EQ(create(HKEY_LOCAL_MACHINE, u"Software\\Order", key), ERROR_SUCCESS);
  for (const char16_t* name : {u"Zeta", u"alpha", u"Mid"}) {
    Key child;
    ASSERT_EQ(create(key.handle, name, child), ERROR_SUCCESS);
    const DWORD one = 1;
    ASSERT_EQ(RegSetValueExW(key.handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_SUCCESS);
  }
  // Rewriting a value keeps its place and its first spelling.
  const DWORD two = 2;
  ASSERT_EQ(RegSetValueExW(key.handle, u"ZETA", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), 4), ERROR_SUCCESS);
  Key again;
  DWORD disposition = 0;
  ASSERT_EQ(create(key.handle, u"ALPHA", again, KEY_READ, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

  std::vector<std::u16string> keys;
  std::vector<std::u16string> values;
  for (DWORD index = 0;; ++index) {
    WCHAR name[64];
    DWORD length = 64;
    const LONG status = RegEnumKeyExW(key.handle, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(status, ERROR_SUCCESS);
    keys.emplace_back(name, length);
  }
  for (DWORD index = 0;; ++index) {
    WCHAR name[64];
    DWORD length = 64;
    const LONG status = RegEnumValueW(key.handle, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(status, ERROR_SUCCESS);
    values.emplace_back(name, length);
  }
  const std::vector<std::u16string> expected{u"Zeta", u"alpha", u"Mid"};
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(values, expected);
  WCHAR tiny[3];
  DWORD length = 3;
  EXPECT_EQ(RegEnumKeyExW(key.handle, 0, tiny, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

  DWORD subKeys = 0, maxSubKey = 0, valueCount = 0, maxName = 0, maxData = 0;
  ASSERT_EQ(RegQueryInfoKeyW(key.handle, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &valueCount,
                             &maxName, &maxData, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 3u);
  EXPECT_EQ(maxSubKey, 5u);
  EXPECT_EQ(valueCount, 3u);
  EXPECT_EQ(maxData, 4u);

  // A key with sub-keys is not deleted; a leaf is, and its handle goes stale.
  Key parent;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"software", 0, KEY_ALL_ACCESS, &parent.handle), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(parent.handle, u"Order"), ERROR_ACCESS_DENIED);
  ASSERT_EQ(RegDeleteKeyW(key.handle, u"alpha"), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExW(again.handle, u"x", nullptr, nullptr, nullptr, &length), ERROR_KEY_DELETED);
  // An empty name deletes the handle's own key, once it has no sub-keys.
  EXPECT_EQ(RegDeleteKeyW(key.handle, u""), ERROR_ACCESS_DENIED);
  Key leaf;
  ASSERT_EQ(RegOpenKeyExW(key.handle, u"Mid", 0, KEY_READ, &leaf.handle), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(leaf.handle, u""), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExW(leaf.handle, u"x", nullptr, nullptr, nullptr, &length), ERROR_KEY_DELETED);
  EXPECT_EQ(RegDeleteKeyW(key.handle, nullptr), ERROR_INVALID_PARAMETER);
}

// Names keep their exact UTF-16 units, lone surrogates included, so names
// that differ only there stay apart; names past the system's limits are
// refused.
TEST(RegistryTest, NamesKeepTheirUnitsAndTheirLimits) {
  ScratchRoot root;
  Key key;
  ASSERT_EQ(create(HKEY_CURRENT_USER, u"Software\\Names", key), ERROR_SUCCESS);
  const std::u16string names[] = {u"a\xD800", u"a\xDC00", u"a\xDBFF\xDFFF", u"a\xDC00\xD800"};
  for (DWORD i = 0; i < std::size(names); ++i) {
    ASSERT_EQ(RegSetValueExW(key.handle, names[i].c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4),
              ERROR_SUCCESS);
    Key child;
    ASSERT_EQ(create(key.handle, names[i].c_str(), child), ERROR_SUCCESS);
  }
  for (DWORD i = 0; i < std::size(names); ++i) {
    DWORD value = 99;
    DWORD size = 4;
    ASSERT_EQ(RegQueryValueExW(key.handle, names[i].c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, i);
    WCHAR name[16];
    DWORD length = 16;
    ASSERT_EQ(RegEnumValueW(key.handle, i, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, length), names[i]);
    length = 16;
    ASSERT_EQ(RegEnumKeyExW(key.handle, i, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, length), names[i]);
  }
  EXPECT_EQ(RegEnumValueW(key.handle, 4, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  const DWORD one = 1;
  const auto* data = reinterpret_cast<const BYTE*>(&one);
  EXPECT_EQ(RegSetValueExW(key.handle, std::u16string(16383, u'v').c_str(), 0, REG_DWORD, data, 4), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(key.handle, std::u16string(16384, u'v').c_str(), 0, REG_DWORD, data, 4),
            ERROR_INVALID_PARAMETER);
  Key longest;
  EXPECT_EQ(create(key.handle, (u"x\\" + std::u16string(255, u'k')).c_str(), longest), ERROR_SUCCESS);
  Key tooLong;
  EXPECT_EQ(create(key.handle, (std::u16string(256, u'k') + u"\\x").c_str(), tooLong), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(tooLong.handle, nullptr);
}

TEST(RegistryTest, AccessRightsAreEnforced) {
  ScratchRoot root;
  Key writer;
  ASSERT_EQ(create(HKEY_CURRENT_USER, u"Rights", writer, KEY_WRITE), ERROR_SUCCESS);
  const DWORD value = 7;
  const auto* data = reinterpret_cast<const BYTE*>(&value);
  EXPECT_EQ(RegSetValueExW(writer.handle, u"v", 0, REG_DWORD, data, 4), ERROR_SUCCESS);
  DWORD size = 4;
  EXPECT_EQ(RegQueryValueExW(writer.handle, u"v", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);

  Key reader;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Rights", 0, KEY_READ, &reader.handle), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(reader.handle, u"v", 0, REG_DWORD, data, 4), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueW(reader.handle, u"v"), ERROR_ACCESS_DENIED);
  // Creating under a key is checked against the new key's rights, not
  // the parent handle's: a handle opened for reading, or only to watch the
  // key, creates (or opens) a sub-key.
  Key child;
  EXPECT_EQ(create(reader.handle, u"Child", child), ERROR_SUCCESS);
  Key watcher;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Rights", 0, KEY_NOTIFY, &watcher.handle), ERROR_SUCCESS);
  Key watched;
  DWORD disposition = 0;
  EXPECT_EQ(create(watcher.handle, u"Child", watched, KEY_ALL_ACCESS, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  EXPECT_EQ(RegQueryValueExW(reader.handle, u"v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);

  Key missing;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Rights\\None", 0, KEY_READ, &missing.handle), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing.handle, nullptr);
  // A closed handle is refused, not used.
  HKEY closed = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Rights", 0, KEY_READ, &closed), ERROR_SUCCESS);
  ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(closed), ERROR_INVALID_HANDLE);
}

TEST(RegistryTest, ValuesPersistAcrossProcesses) {
  ScratchRoot root;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    HKEY key = nullptr;
    const DWORD value = 42;
    const bool ok =
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Shared\\Key", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
            ERROR_SUCCESS &&
        RegSetValueExW(key, u"Answer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4) == ERROR_SUCCESS;
    RegCloseKey(key);
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  Key key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"shared\\KEY", 0, KEY_READ, &key.handle), ERROR_SUCCESS);
  DWORD value = 0;
  DWORD size = 4;
  ASSERT_EQ(RegQueryValueExW(key.handle, u"answer", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 42u);
}

// Two processes create values in one key at once: every value survives.
TEST(RegistryTest, ConcurrentWritersLoseNothing) {
  ScratchRoot root;
  {
    Key key;
    ASSERT_EQ(create(HKEY_CURRENT_USER, u"Busy", key), ERROR_SUCCESS);
  }
  constexpr int kValues = 100;
  auto write = [&](const char16_t* prefix) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Busy", 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
    bool ok = true;
    for (DWORD index = 0; index < kValues && ok; ++index) {
      const std::string digits = std::to_string(index);
      const std::u16string name = prefix + std::u16string(digits.begin(), digits.end());
      ok = RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&index), 4) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return ok;
  };
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(write(u"child") ? 0 : 1);
  EXPECT_TRUE(write(u"parent"));
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  Key key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Busy", 0, KEY_READ, &key.handle), ERROR_SUCCESS);
  DWORD values = 0;
  ASSERT_EQ(RegQueryInfoKeyW(key.handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, 2u * kValues);
}

using NtQueryKeyFunction = NTSTATUS (*)(HANDLE, int, void*, ULONG, ULONG*);

std::u16string kernelName(HKEY key) {
  const HMODULE ntdll = LoadLibraryW(u"ntdll.dll");
  if (ntdll == nullptr) return u"(no ntdll)";
  auto query = reinterpret_cast<NtQueryKeyFunction>(GetProcAddress(ntdll, "NtQueryKey"));
  if (query == nullptr) return u"(no NtQueryKey)";
  ULONG needed = 0;
  if (query(key, KeyNameInformation, nullptr, 0, &needed) != STATUS_BUFFER_TOO_SMALL) return u"(size)";
  std::vector<ULONG> buffer(needed / sizeof(ULONG) + 2);
  if (query(key, KeyNameInformation, buffer.data(), needed + 2, &needed) != STATUS_SUCCESS) return u"(query)";
  FreeLibrary(ntdll);
  const auto* record = reinterpret_cast<const KEY_NAME_INFORMATION*>(buffer.data());
  return std::u16string(record->Name, record->NameLength / sizeof(WCHAR));
}

TEST(RegistryTest, KernelNamesThroughTheLoadedModule) {
  ScratchRoot root;
  Key machine;
  ASSERT_EQ(create(HKEY_LOCAL_MACHINE, u"Software\\Vendor", machine), ERROR_SUCCESS);
  Key user;
  ASSERT_EQ(create(HKEY_CURRENT_USER, u"Software", user), ERROR_SUCCESS);
  Key sameSpelling;
  ASSERT_EQ(RegOpenKeyExW(machine.handle, nullptr, 0, KEY_READ, &sameSpelling.handle), ERROR_SUCCESS);
  const std::string uid = std::to_string(geteuid());
  EXPECT_EQ(kernelName(machine.handle), u"\\REGISTRY\\MACHINE\\Software\\Vendor");
  EXPECT_EQ(kernelName(sameSpelling.handle), u"\\REGISTRY\\MACHINE\\Software\\Vendor");
  EXPECT_EQ(kernelName(user.handle), u"\\REGISTRY\\USER\\" + std::u16string(uid.begin(), uid.end()) + u"\\Software");
  EXPECT_EQ(LoadLibraryW(u"nosuch.dll"), nullptr);
  EXPECT_EQ(GetProcAddress(LoadLibraryW(u"NTDLL"), "NtNothing"), nullptr);
}

}  // namespace
