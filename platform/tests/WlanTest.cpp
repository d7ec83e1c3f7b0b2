#include "platform/Wlan.h"

#include "platform/LoadableModules.h"
#include "platform/WlanFake.h"
#include "platform/WlanProfileXml.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using platform::FakeWlanBackend;

const GUID kGuid = {0x22222222, 0x2222, 0x2222, {2, 2, 2, 2, 2, 2, 2, 2}};

const std::u16string kProfile =
    u"<?xml version=\"1.0\"?>\r\n<WLANProfile xmlns=\"urn:p\"><name>Home</name>"
    u"<SSIDConfig><SSID><name>HomeNet</name></SSID></SSIDConfig></WLANProfile>";

TEST(WlanModulesTest, LoadOnlyWithABackendAndAnswerOfferedNames) {
  {
    platform::ScopedWlanBackend none(nullptr);
    EXPECT_EQ(LoadLibraryW(u"wlanapi.dll"), nullptr);
    EXPECT_EQ(LoadLibraryW(u"wlanui.dll"), nullptr);
  }

  FakeWlanBackend backend;
  backend.missingFunctions = {"WlanScan"};
  platform::ScopedWlanBackend use(&backend);
  const HMODULE api = LoadLibraryW(u"C:\\Windows\\System32\\WLANAPI.DLL");
  const HMODULE ui = LoadLibraryW(u"wlanui.dll");
  ASSERT_NE(api, nullptr);
  ASSERT_NE(ui, nullptr);
  EXPECT_EQ(GetProcAddress(api, "WlanOpenHandle"), reinterpret_cast<FARPROC>(&WlanOpenHandle));
  EXPECT_EQ(GetProcAddress(api, "WlanScan"), nullptr) << "not offered by the back end";
  EXPECT_EQ(GetProcAddress(api, "WlanUIEditProfile"), nullptr) << "lives in wlanui";
  EXPECT_EQ(GetProcAddress(ui, "WlanUIEditProfile"), reinterpret_cast<FARPROC>(&WlanUIEditProfile));
  EXPECT_EQ(GetProcAddress(ui, "WlanOpenHandle"), nullptr);
  EXPECT_EQ(GetProcAddress(api, nullptr), nullptr);
  EXPECT_TRUE(FreeLibrary(api));
}

TEST(WlanFunctionsTest, HandOutRecordsFromTheBackend) {
  FakeWlanBackend backend;
  platform::FakeWlanInterface wifi;
  wifi.entry = {kGuid, std::u16string(300, u'd'), WLAN_STATE_DISCONNECTED, WLAN_INTERFACE_TYPE_NATIVE};
  platform::WlanNetworkEntry longName;
  longName.ssid = std::string(40, 'n');
  longName.signalQuality = 70;
  platform::WlanNetworkEntry hidden;
  wifi.networks = {longName, hidden};
  backend.interfaceTable = {wifi};
  platform::ScopedWlanBackend use(&backend);

  DWORD version = 0;
  HANDLE client = nullptr;
  ASSERT_EQ(WlanOpenHandle(WLAN_CLIENT_VERSION_2, nullptr, &version, &client), ERROR_SUCCESS);
  EXPECT_EQ(version, 2u);

  WlanInterfaceList* interfaces = nullptr;
  ASSERT_EQ(WlanEnumInterfaces(client, nullptr, &interfaces), ERROR_SUCCESS);
  ASSERT_EQ(interfaces->count, 1u);
  EXPECT_EQ(interfaces->items[0].guid, kGuid);
  EXPECT_EQ(std::u16string(interfaces->items[0].description), std::u16string(255, u'd'));
  WlanFreeMemory(interfaces);

  // Names are cut to 32 bytes; hidden networks only when asked for.
  WlanNetworkList* networks = nullptr;
  ASSERT_EQ(WlanGetAvailableNetworkList(client, &kGuid, 0, nullptr, &networks), ERROR_SUCCESS);
  ASSERT_EQ(networks->count, 1u);
  EXPECT_EQ(networks->items[0].ssid.length, 32u);
  EXPECT_EQ(networks->items[0].signalQuality, 70u);
  WlanFreeMemory(networks);
  ASSERT_EQ(WlanGetAvailableNetworkList(client, &kGuid, WLAN_LIST_HIDDEN_WITH_PROFILES, nullptr, &networks),
            ERROR_SUCCESS);
  EXPECT_EQ(networks->count, 2u);
  WlanFreeMemory(networks);

  // A stored profile takes its name from the XML; a broken one is refused.
  DWORD reason = 0;
  EXPECT_EQ(WlanSetProfile(client, &kGuid, 0, u"<WLANProfile><name>x</WLANProfile>", nullptr, TRUE, nullptr, &reason),
            ERROR_BAD_PROFILE);
  ASSERT_EQ(WlanSetProfile(client, &kGuid, 0, kProfile.c_str(), nullptr, TRUE, nullptr, &reason), ERROR_SUCCESS);
  EXPECT_EQ(WlanSetProfile(client, &kGuid, 0, kProfile.c_str(), nullptr, FALSE, nullptr, &reason),
            ERROR_ALREADY_EXISTS);
  WlanProfileList* profiles = nullptr;
  ASSERT_EQ(WlanGetProfileList(client, &kGuid, nullptr, &profiles), ERROR_SUCCESS);
  ASSERT_EQ(profiles->count, 1u);
  EXPECT_EQ(std::u16string(profiles->items[0].name), u"Home");
  WlanFreeMemory(profiles);

  const uint8_t marker[] = {1, 2, 3};
  EXPECT_EQ(WlanSetProfileCustomUserData(client, &kGuid, u"Home", 3, marker, nullptr), ERROR_SUCCESS);
  DWORD size = 0;
  uint8_t* data = nullptr;
  ASSERT_EQ(WlanGetProfileCustomUserData(client, &kGuid, u"Home", nullptr, &size, &data), ERROR_SUCCESS);
  ASSERT_EQ(size, 3u);
  EXPECT_EQ(std::memcmp(data, marker, 3), 0);
  WlanFreeMemory(data);

  void* state = nullptr;
  EXPECT_EQ(WlanQueryInterface(client, &kGuid, WLAN_QUERY_INTERFACE_STATE, nullptr, &size, &state, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(*static_cast<DWORD*>(state), WLAN_STATE_DISCONNECTED);
  WlanFreeMemory(state);

  const GUID other = {1, 0, 0, {}};
  EXPECT_EQ(WlanGetProfileList(client, &other, nullptr, &profiles), ERROR_NOT_FOUND);
  EXPECT_EQ(profiles, nullptr);

  // A closed handle is refused.
  EXPECT_EQ(WlanCloseHandle(client, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(WlanCloseHandle(client, nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(WlanEnumInterfaces(client, nullptr, &interfaces), ERROR_INVALID_HANDLE);
  EXPECT_EQ(interfaces, nullptr);
}

TEST(WlanProfileXmlTest, ReadsValuesAndRefusesMalformedText) {
  struct Row {
    const char* label;
    std::u16string xml;
    const char* error;         // null: accepted
    std::u16string name = {};  // the profile name when accepted
    std::u16string ssid = {};
  };
  const std::u16string deep = u"<WLANProfile><name>n</name>" + [] {
    std::u16string open;
    std::u16string close;
    for (int i = 0; i < 70; ++i) {
      open += u"<a>";
      close += u"</a>";
    }
    return open + close;
  }() + u"</WLANProfile>";
  const Row rows[] = {
      {"plain", kProfile, nullptr, u"Home", u"HomeNet"},
      {"entities, references, CDATA, prefixes",
       u"\uFEFF<!-- c --><p:WLANProfile xmlns:p='urn:p' a=\"&lt;\"><p:name>A&amp;B&#x263A;"
       u"&#128512;</p:name><SSIDConfig><SSID><name><![CDATA[<x>]]></name></SSID></SSIDConfig>"
       u"<e/></p:WLANProfile>\r\n<?pi?>",
       nullptr, u"A&B\u263A\U0001F600", u"<x>"},
      {"name only at the top counts", u"<WLANProfile><SSIDConfig><name>n</name></SSIDConfig></WLANProfile>",
       "profile has no name"},
      {"other root", u"<Profile><name>n</name></Profile>", "root is not WLANProfile"},
      {"mismatched", u"<WLANProfile><name>n</nam></WLANProfile>", "closing tag does not match"},
      {"unclosed", u"<WLANProfile><name>n</name>", "unclosed element"},
      {"stray close", u"</WLANProfile>", "closing tag does not match"},
      {"doctype", u"<!DOCTYPE x><WLANProfile><name>n</name></WLANProfile>",
       "document type declarations are not accepted"},
      {"unknown entity", u"<WLANProfile><name>&e;</name></WLANProfile>", "unknown entity"},
      {"NUL reference", u"<WLANProfile><name>&#0;</name></WLANProfile>", "bad character reference"},
      {"surrogate reference", u"<WLANProfile><name>&#xD800;</name></WLANProfile>", "bad character reference"},
      {"huge reference", u"<WLANProfile><name>&#x110000;</name></WLANProfile>", "character reference out of range"},
      {"second root", kProfile + u"<WLANProfile/>", "second root element"},
      {"text after root", kProfile + u"x", "text outside the root element"},
      {"unquoted attribute", u"<WLANProfile a=1><name>n</name></WLANProfile>", "quoted value expected"},
      {"'<' in attribute", u"<WLANProfile a='<'><name>n</name></WLANProfile>", "'<' in an attribute value"},
      {"deep nesting", deep, "elements nested too deeply"},
      {"empty", u"", "no root element"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    const platform::WlanProfileParse parsed = platform::parseWlanProfile(row.xml);
    if (row.error != nullptr) {
      EXPECT_FALSE(parsed.fields);
      ASSERT_NE(parsed.error, nullptr);
      EXPECT_STREQ(parsed.error, row.error);
      EXPECT_LE(parsed.errorOffset, row.xml.size());
      continue;
    }
    ASSERT_TRUE(parsed.fields) << parsed.error << " at " << parsed.errorOffset;
    EXPECT_EQ(parsed.fields->profileName, row.name);
    EXPECT_EQ(parsed.fields->ssidName, row.ssid);
  }
}

}  // namespace
