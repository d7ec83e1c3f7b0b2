#include "zefcorek/WinRegistry.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/StringList.h"
#include "zefcorek/ZefCoreK.h"

#include "ScratchFolder.h"

#include "platform/LastError.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using zefcorek::testing::ScratchFolder;
using Bytes = std::vector<unsigned char>;

template <typename Interface>
struct Held {
  explicit Held(const CLSID& id) {
    void* out = nullptr;
    EXPECT_EQ(zefCoreKAllocIntf(&id, &out, 0), S_OK);
    p = static_cast<Interface*>(out);
  }
  ~Held() {
    if (p) p->Release();
  }
  Interface* operator->() const { return p; }
  Interface* p = nullptr;
};

using Registry = Held<IWinRegistry>;

// The stored type and bytes of a value, read past the wrapper.
struct Stored {
  DWORD type = REG_NONE;
  Bytes data;
  bool operator==(const Stored&) const = default;
};

Stored rawValue(const WCHAR* path, const WCHAR* name) {
  HKEY key = nullptr;
  Stored stored;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return stored;
  DWORD size = 64;
  stored.data.resize(size);
  RegQueryValueExW(key, name, nullptr, &stored.type, stored.data.data(), &size);
  stored.data.resize(size);
  RegCloseKey(key);
  return stored;
}

void writeRaw(const WCHAR* path, const WCHAR* name, DWORD type, const Bytes& data) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
  RegCloseKey(key);
}

TEST(WinRegistryTest, NewObjectHasNoPath) {
  ScratchFolder folder;
  Registry reg(CLSID_IWinRegistryImp);
  ASSERT_NE(reg.p, nullptr);
  void* out = &out;
  EXPECT_EQ(reg->QueryInterface(IID_IUnknown, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(reg->QueryInterface(IID_IUnknown, nullptr), E_NOINTERFACE);
  EXPECT_FALSE(reg->HasPath());
  EXPECT_EQ(reg->GetRootKey(), HKEY_CURRENT_USER);
  EXPECT_EQ(reg->ReadInteger(u"n", 7), 7);
  EXPECT_FALSE(reg->WriteInteger(u"n", 1));
  EXPECT_EQ(reg->GetSubKeyCount(), 0);
  EXPECT_EQ(reg->GetValueCount(), -1);
  EXPECT_EQ(reg->GetValueSize(u"n"), -1);
  EXPECT_EQ(reg->GetValueType(u"n"), REG_NONE);
  EXPECT_EQ(reg->AddRef(), 2u);
  EXPECT_EQ(reg->Release(), 1u);
}

TEST(WinRegistryTest, PathRules) {
  ScratchFolder folder;
  Registry reg(CLSID_IWinRegistryImp);
  EXPECT_FALSE(reg->OpenKey(u"\\Software", true));
  EXPECT_FALSE(reg->OpenKey(nullptr, true));
  EXPECT_FALSE(reg->CreateKey(u""));
  EXPECT_FALSE(reg->CreateKey(u"\\x"));
  EXPECT_FALSE(reg->OpenKey(u"Software\\Missing", false));
  EXPECT_FALSE(reg->HasPath());

  EXPECT_TRUE(reg->OpenKey(u"Software\\Vendor\\App", true));  // creates it
  EXPECT_EQ(std::u16string(reg->GetPath().Text()), u"Software\\Vendor\\App");
  EXPECT_FALSE(reg->OpenKey(u"Software\\Missing", false));  // keeps the old path
  EXPECT_EQ(std::u16string(reg->GetPath().Text()), u"Software\\Vendor\\App");
  EXPECT_TRUE(reg->KeyExists(u"Software\\Vendor", nullptr));
  EXPECT_FALSE(reg->KeyExists(u"Software\\Missing", HKEY_CURRENT_USER));
  EXPECT_FALSE(reg->KeyExists(u"", nullptr));
  EXPECT_EQ(std::u16string(reg->GetPath().Text()), u"Software\\Vendor\\App");

  reg->SetAccessRead();
  EXPECT_TRUE(reg->OpenKey(u"Software\\Vendor", false));
  EXPECT_TRUE(reg->CreateKey(u"Software\\Other"));
  EXPECT_EQ(std::u16string(reg->GetPath().Text()), u"Software\\Other");
  EXPECT_TRUE(reg->OpenKey(u"", false));
  EXPECT_FALSE(reg->HasPath());

  reg->SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(reg->CreateKey(u"Software\\Machine"));
  EXPECT_TRUE(reg->Reset());
  EXPECT_EQ(reg->GetRootKey(), HKEY_CURRENT_USER);
  EXPECT_FALSE(reg->HasPath());
  EXPECT_FALSE(reg->KeyExists(u"Software\\Machine", nullptr));
  EXPECT_TRUE(reg->KeyExists(u"Software\\Machine", HKEY_LOCAL_MACHINE));
}

TEST(WinRegistryTest, EncodingsByteByByte) {
  ScratchFolder folder;
  Registry reg(CLSID_IWinRegistryImp);
  const WCHAR* path = u"Software\\Codes";
  ASSERT_TRUE(reg->CreateKey(path));
  ASSERT_TRUE(reg->WriteBool(u"yes", true));
  ASSERT_TRUE(reg->WriteBool(u"no", false));
  ASSERT_TRUE(reg->WriteInteger(u"int", -2));
  ASSERT_TRUE(reg->WriteDWord(u"dword", 0x12345678));
  ASSERT_TRUE(reg->WriteFloat(u"float", 1.5));
  ASSERT_TRUE(reg->WriteString(u"text", u"abc"));
  ASSERT_TRUE(reg->WriteString(u"empty", nullptr));
  struct Case {
    const WCHAR* name;
    Stored stored;
  };
  const Case cases[] = {
      {u"yes", {REG_BINARY, {1, 0, 0, 0}}},
      {u"no", {REG_BINARY, {0, 0, 0, 0}}},
      {u"int", {REG_BINARY, {0xFE, 0xFF, 0xFF, 0xFF}}},
      {u"dword", {REG_DWORD, {0x78, 0x56, 0x34, 0x12}}},
      {u"float", {REG_BINARY, {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}}},
      {u"text", {REG_SZ, {'a', 0, 'b', 0, 'c', 0, 0, 0}}},
      {u"empty", {REG_SZ, {0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::u16string_view(c.name).size()));
    EXPECT_EQ(rawValue(path, c.name), c.stored);
    EXPECT_EQ(reg->GetValueType(c.name), c.stored.type);
    EXPECT_EQ(reg->GetValueSize(c.name), static_cast<int32_t>(c.stored.data.size()));
  }
  EXPECT_TRUE(reg->ReadBool(u"yes", false));
  EXPECT_FALSE(reg->ReadBool(u"no", true));
  EXPECT_EQ(reg->ReadInteger(u"int", 0), -2);
  EXPECT_EQ(reg->ReadDWord(u"dword", 0), 0x12345678u);
  EXPECT_EQ(reg->ReadInteger(u"dword", 0), 0x12345678);  // any type of 4 bytes
  EXPECT_EQ(reg->ReadFloat(u"float", 0), 1.5);
  EXPECT_EQ(std::u16string(reg->ReadString(u"text", u"d").Text()), u"abc");
  EXPECT_TRUE(reg->ValueExists(u"text"));
  EXPECT_TRUE(reg->DeleteValue(u"text"));
  EXPECT_FALSE(reg->ValueExists(u"text"));
  EXPECT_FALSE(reg->DeleteValue(u"text"));
}

TEST(WinRegistryTest, ReadsFallBackToTheDefault) {
  ScratchFolder folder;
  const WCHAR* path = u"Software\\Odd";
  writeRaw(path, u"twelve", REG_BINARY, Bytes(12, 1));
  writeRaw(path, u"two", REG_BINARY, Bytes{5, 0});
  writeRaw(path, u"dword", REG_DWORD, Bytes{1, 0, 0, 0});
  writeRaw(path, u"expand", REG_EXPAND_SZ, Bytes{'%', 0, 'X', 0, '%', 0, 0, 0});
  writeRaw(path, u"inner", REG_SZ, Bytes{'a', 0, 0, 0, 'b', 0, 0, 0});
  writeRaw(path, u"open", REG_SZ, Bytes{'o', 0, 'k', 0});  // no NUL given
  Registry reg(CLSID_IWinRegistryImp);
  ASSERT_TRUE(reg->OpenKey(path, false));
  EXPECT_EQ(reg->ReadFloat(u"twelve", 2.5), 2.5);
  EXPECT_EQ(reg->ReadInteger(u"twelve", 3), 3);
  EXPECT_TRUE(reg->ReadBool(u"twelve", true));
  EXPECT_FALSE(reg->ReadBool(u"missing", false));
  EXPECT_EQ(reg->ReadInteger(u"two", 4), 4);  // shorter than 4 bytes
  EXPECT_EQ(reg->ReadFloat(u"dword", 6.0), 6.0);
  EXPECT_EQ(std::u16string(reg->ReadString(u"dword", u"def").Text()), u"def");
  EXPECT_EQ(std::u16string(reg->ReadString(u"missing", nullptr).Text()), u"");
  EXPECT_EQ(std::u16string(reg->ReadString(u"expand", u"").Text()), u"%X%");
  EXPECT_EQ(std::u16string(reg->ReadString(u"inner", u"").Text()), u"a");
  EXPECT_EQ(std::u16string(reg->ReadString(u"open", u"").Text()), u"ok");
}

TEST(WinRegistryTest, EnumerationInCreationOrder) {
  ScratchFolder folder;
  Registry reg(CLSID_IWinRegistryImp);
  ASSERT_TRUE(reg->CreateKey(u"Software\\Tree\\Zeta"));
  ASSERT_TRUE(reg->CreateKey(u"Software\\Tree\\Alpha"));
  ASSERT_TRUE(reg->OpenKey(u"Software\\Tree", false));
  reg->WriteDWord(u"b", 1);
  reg->WriteDWord(u"a", 2);
  reg->WriteString(u"c", u"x");
  EXPECT_EQ(reg->GetSubKeyCount(), 2);
  EXPECT_EQ(reg->GetValueCount(), 3);

  CLWideStr name(u"before");
  EXPECT_TRUE(reg->GetSubKeyName(1, name));
  EXPECT_EQ(std::u16string(name.Text()), u"Alpha");
  EXPECT_FALSE(reg->GetSubKeyName(2, name));

  Held<IStringList> list(CLSID_IStringListImp);
  list->Append(u"stale");
  EXPECT_TRUE(reg->GetValueNames(list.p));
  ASSERT_EQ(list->GetCount(), 3u);
  const WCHAR* text = nullptr;
  list->GetStringPtr(0, &text);
  EXPECT_EQ(std::u16string(text), u"b");
  EXPECT_TRUE(reg->GetSubKeyNames(list.p));
  ASSERT_EQ(list->GetCount(), 2u);
  list->GetStringPtr(0, &text);
  EXPECT_EQ(std::u16string(text), u"Zeta");
  EXPECT_FALSE(reg->GetSubKeyNames(nullptr));

  ASSERT_TRUE(reg->OpenKey(u"Software\\Tree\\Alpha", false));
  EXPECT_TRUE(reg->GetSubKeyName(0, name));  // no sub-keys: out unchanged
  EXPECT_EQ(std::u16string(name.Text()), u"Alpha");
  reg->Reset();
  EXPECT_FALSE(reg->GetValueNames(list.p));  // no path: cleared
  EXPECT_EQ(list->GetCount(), 0u);
}

TEST(WinRegistryTest, KernelNameOfAnOpenKey) {
  ScratchFolder folder;
  Registry reg(CLSID_IWinRegistryImp);
  EXPECT_TRUE(reg->GetKeyFullPath(nullptr).IsEmpty());
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Vendor", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  std::u16string name(reg->GetKeyFullPath(key).Text());
  RegCloseKey(key);
  EXPECT_EQ(name, u"\\REGISTRY\\MACHINE\\Software\\Vendor");
}

}  // namespace
