#include "zefcorek/WlanHelper.h"

#include "WlanProfileTemplate.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Wlan.h"
#include "platform/WlanFake.h"
#include "platform/WlanProfileXml.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using platform::FakeWlanBackend;
using platform::WlanNetworkEntry;

const GUID kBrokenGuid = {0x11111111, 0x1111, 0x1111, {1, 1, 1, 1, 1, 1, 1, 1}};
const GUID kWifiGuid = {0x22222222, 0x2222, 0x2222, {2, 2, 2, 2, 2, 2, 2, 2}};

WlanNetworkEntry network(const char* ssid, DWORD auth, DWORD cipher, ULONG quality = 50) {
  WlanNetworkEntry entry;
  entry.ssid = ssid;
  entry.authAlgorithm = auth;
  entry.cipherAlgorithm = cipher;
  entry.securityEnabled = !(auth == DOT11_AUTH_OPEN && cipher == DOT11_CIPHER_NONE);
  entry.signalQuality = quality;
  return entry;
}

platform::FakeWlanProfile storedProfile(const char16_t* name, const char16_t* ssid) {
  const std::u16string xml = zefcorek::devices::fillWlanProfile({name, ssid, u"WPA2PSK", u"AES", u"secret"});
  return {name, xml, ssid, {}};
}

IWlanHelper* makeHelper() {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IWlanHelperImp, &out, 0), S_OK);
  return static_cast<IWlanHelper*>(out);
}

// A machine with an interface of the invalid type before the usable one,
// which sees a secured, an open, a WEP and an oddly named network, one name
// twice (once through a stored profile) and two hidden networks.
class WlanHelperTest : public ::testing::Test {
protected:
  WlanHelperTest() : useClock_(clock_) {
    platform::FakeWlanInterface broken;
    broken.entry = {kBrokenGuid, u"Broken adapter", WLAN_STATE_DISCONNECTED, WLAN_INTERFACE_TYPE_INVALID};
    platform::FakeWlanInterface wifi;
    wifi.entry = {kWifiGuid, u"Wireless adapter", WLAN_STATE_DISCONNECTED, WLAN_INTERFACE_TYPE_NATIVE};
    wifi.networks = {
        network("HomeNet", DOT11_AUTH_RSNA_PSK, DOT11_CIPHER_CCMP, 80),
        network("Cafe", DOT11_AUTH_OPEN, DOT11_CIPHER_NONE, 40),
        network("OldWep", DOT11_AUTH_SHARED_KEY, DOT11_CIPHER_WEP40),
        network("A&B", DOT11_AUTH_OPEN, DOT11_CIPHER_NONE),
        network("Twin", DOT11_AUTH_RSNA_PSK, DOT11_CIPHER_CCMP),
        network("Odd", 8, DOT11_CIPHER_CCMP),
        network("", DOT11_AUTH_RSNA_PSK, DOT11_CIPHER_CCMP),
        network("", DOT11_AUTH_RSNA_PSK, DOT11_CIPHER_CCMP),
    };
    wifi.profiles = {storedProfile(u"TwinProfile", u"Twin")};
    backend_.interfaceTable = {broken, wifi};
    platform::setWlanBackend(&backend_);
  }
  ~WlanHelperTest() override {
    if (helper_ != nullptr) helper_->Release();
    platform::useSystemWlanBackend();
  }

  IWlanHelper& helper() {
    if (helper_ == nullptr) helper_ = makeHelper();
    return *helper_;
  }
  IWlanHelper& selected() {
    EXPECT_EQ(helper().SelectInterfaceByIndex(0, /*scan=*/true), ZR_OK);
    return helper();
  }
  platform::FakeWlanInterface& wifi() { return *backend_.find(kWifiGuid); }
  const platform::FakeWlanProfile* stored(const char16_t* name) { return backend_.findProfile(kWifiGuid, name); }
  std::vector<std::u16string> listedNames() {
    std::vector<std::u16string> names;
    TWlanNetworkInfo info;
    for (uint32_t i = 0; i < helper().GetNetworkCount(); ++i) {
      EXPECT_EQ(helper().GetNetworkInfo(i, &info), ZR_OK);
      names.push_back(info.SSID.ToUnicodeString() + u"/" + info.ProfileName.ToUnicodeString());
    }
    return names;
  }

  platform::VirtualClock clock_;
  platform::ScopedClock useClock_;
  FakeWlanBackend backend_;
  IWlanHelper* helper_ = nullptr;
};

TEST(WlanProfileTemplateTest, HasTheTwentySevenLinesInOrder) {
  const std::string_view text = zefcorek::devices::kWlanProfileTemplate;
  EXPECT_EQ(text.size(), 711u);
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find("\r\n", start);
    ASSERT_NE(end, std::string_view::npos) << "line without CR LF at " << start;
    ASSERT_EQ(text.substr(start, end - start).find('\n'), std::string_view::npos);
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  ASSERT_EQ(lines.size(), 27u);
  EXPECT_EQ(lines[0], R"(<?xml version="1.0" encoding="US-ASCII"?>)");
  EXPECT_EQ(lines[2], "<name>%%profilename%%</name>");
  EXPECT_EQ(lines[5], "<name>%%ssidname%%</name>");
  EXPECT_EQ(lines[15], "<authentication>%%autentication%%</authentication>");
  EXPECT_EQ(lines[16], "<encryption>%%encryption%%</encryption>");
  EXPECT_EQ(lines[20], "<keyType>%%keytype%%</keyType>");
  EXPECT_EQ(lines[22], "<keyMaterial>%%keymaterial%%</keyMaterial>");
  EXPECT_EQ(lines[26], "</WLANProfile>");

  // Filled, it is a profile the reader accepts, every value in its place.
  const auto parsed =
      platform::parseWlanProfile(zefcorek::devices::fillWlanProfile({u"P", u"N", u"WPA2PSK", u"AES", u"K"}));
  ASSERT_TRUE(parsed.fields) << parsed.error;
  EXPECT_EQ(parsed.fields->profileName, u"P");
  EXPECT_EQ(parsed.fields->ssidName, u"N");
  EXPECT_EQ(parsed.fields->connectionType, u"ESS");
  EXPECT_EQ(parsed.fields->connectionMode, u"auto");
  EXPECT_EQ(parsed.fields->authentication, u"WPA2PSK");
  EXPECT_EQ(parsed.fields->encryption, u"AES");
  EXPECT_EQ(parsed.fields->keyType, u"passPhrase");
  EXPECT_EQ(parsed.fields->keyMaterial, u"K");
}

TEST_F(WlanHelperTest, IndexesOnlyUsableInterfaces) {
  EXPECT_TRUE(helper().IsApiLoaded());
  EXPECT_EQ(helper().GetInterfaceCount(), 1u);

  TWlanInterfaceInfo info{kWifiGuid, CLWideStr(u"stale"), 3};
  EXPECT_EQ(helper().GetInterfaceInfo(1, &info), ZR_BADARG);
  EXPECT_EQ(info.InterfaceGuid, GUID{});
  EXPECT_TRUE(info.Description.IsEmpty());
  EXPECT_EQ(info.State, 0u);
  EXPECT_EQ(helper().GetInterfaceInfo(0, nullptr), ZR_BADARG);

  // Index 0 is the usable interface, not the broken one listed first.
  ASSERT_EQ(helper().GetInterfaceInfo(0, &info), ZR_OK);
  EXPECT_EQ(info.InterfaceGuid, kWifiGuid);
  EXPECT_EQ(info.Description.ToUnicodeString(), u"Wireless adapter");
  EXPECT_EQ(info.State, WLAN_STATE_DISCONNECTED);

  EXPECT_EQ(helper().SelectInterfaceByIndex(1, /*scan=*/false), ZR_BADARG);
  EXPECT_EQ(helper().GetNetworkCount(), 0u);
  EXPECT_EQ(helper().SelectInterfaceByIndex(0, /*scan=*/false), ZR_OK);
  EXPECT_EQ(backend_.scans, 0);
  EXPECT_GT(helper().GetNetworkCount(), 0u);

  const GUID unknown = {9, 9, 9, {9}};
  EXPECT_EQ(helper().SelectInterfaceByGUID(&unknown, /*scan=*/true), ZR_BADARG);
  EXPECT_EQ(helper().GetNetworkCount(), 0u) << "a failed selection releases the lists";
  EXPECT_EQ(helper().SelectInterfaceByGUID(&kWifiGuid, /*scan=*/true), ZR_OK);
  EXPECT_EQ(backend_.scans, 1);

  backend_.profilesResult = ERROR_ACCESS_DENIED;
  EXPECT_EQ(helper().SelectInterfaceByIndex(0, /*scan=*/false), ZR_FAILED);
  EXPECT_EQ(helper().GetNetworkCount(), 0u);
}

TEST_F(WlanHelperTest, ListsEachNetworkNameOnceKeepingHiddenOnes) {
  selected();
  // Twin is seen bare and through TwinProfile: only the profiled entry stays;
  // the two hidden networks have no name to match and both stay.
  EXPECT_EQ(listedNames(), (std::vector<std::u16string>{u"HomeNet/", u"Cafe/", u"OldWep/", u"A&B/", u"Twin/TwinProfile",
                                                        u"Odd/", u"/", u"/"}));

  TWlanNetworkInfo info;
  ASSERT_EQ(helper().GetNetworkInfo(0, &info), ZR_OK);
  EXPECT_EQ(info.BssType, DOT11_BSS_INFRASTRUCTURE);
  EXPECT_EQ(info.BssidCount, 1u);
  EXPECT_TRUE(info.Connectable);
  EXPECT_EQ(info.SignalQuality, 80u);
  EXPECT_TRUE(info.SecurityEnabled);
  EXPECT_EQ(info.Authentication.ToUnicodeString(), u"WPA2PSK");
  EXPECT_EQ(info.Cipher.ToUnicodeString(), u"AES");
  EXPECT_FALSE(info.HasProfile);
  ASSERT_EQ(helper().GetNetworkInfo(4, &info), ZR_OK);
  EXPECT_TRUE(info.HasProfile);
  ASSERT_EQ(helper().GetNetworkInfo(5, &info), ZR_OK);
  EXPECT_TRUE(info.Authentication.IsEmpty()) << "number 8 has no text";

  EXPECT_EQ(helper().GetNetworkInfo(8, &info), ZR_BADARG);
  EXPECT_TRUE(info.SSID.IsEmpty());
  EXPECT_EQ(info.SignalQuality, 0u);
  EXPECT_EQ(helper().GetNetworkInfo(0, nullptr), ZR_BADARG);
}

TEST_F(WlanHelperTest, NetworkSecurityIgnoresCase) {
  CLWideStr auth(u"x");
  CLWideStr cipher(u"y");
  EXPECT_EQ(helper().GetNetworkSecurity(u"HomeNet", &auth, &cipher), ZR_FAILED) << "no interface selected";
  EXPECT_TRUE(auth.IsEmpty());
  selected();
  struct Row {
    const char16_t* name;
    ZRESULT result;
    const char16_t* auth;
    const char16_t* cipher;
  };
  const Row rows[] = {
      {u"homenet", ZR_OK, u"WPA2PSK", u"AES"}, {u"OLDWEP", ZR_OK, u"shared", u"WEP"},
      {u"cafe", ZR_OK, u"open", u"none"},      {u"Odd", ZR_FAILED, u"", u""},  // authentication number without text
      {u"Nowhere", ZR_FAILED, u"", u""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(platform::wideToAnsiLenient(row.name)));
    EXPECT_EQ(helper().GetNetworkSecurity(row.name, &auth, &cipher), row.result);
    EXPECT_EQ(auth.ToUnicodeString(), row.auth);
    EXPECT_EQ(cipher.ToUnicodeString(), row.cipher);
  }
}

TEST_F(WlanHelperTest, SetProfileFillsTheTemplate) {
  selected();
  struct Row {
    const char* label;
    const char16_t* profile;
    const char16_t* network;
    const char16_t* auth;
    const char16_t* cipher;
    const char16_t* key;
    ZRESULT result;
    const char16_t* storedAuth = nullptr;
    const char16_t* storedCipher = nullptr;
    const char16_t* keyType = nullptr;
  };
  const Row rows[] = {
      {"WEP network, texts from the network", u"Wep", u"oldwep", u"", u"", u"12345", ZR_OK, u"shared", u"WEP",
       u"networkKey"},
      {"texts given", u"Home", u"HomeNet", u"WPA2PSK", u"AES", u"pass word", ZR_OK, u"WPA2PSK", u"AES", u"passPhrase"},
      {"WEP in any case", u"Wep2", u"OldWep", u"shared", u"wep", u"k", ZR_OK, u"shared", u"wep", u"networkKey"},
      {"cipher alone", u"Bad", u"HomeNet", u"", u"AES", u"k", ZR_FAILED},
      {"authentication alone", u"Bad", u"HomeNet", u"WPA2PSK", nullptr, u"k", ZR_FAILED},
      {"unknown network", u"Bad", u"Nowhere", nullptr, nullptr, u"k", ZR_FAILED},
      {"network without texts", u"Bad", u"Odd", u"", u"", u"k", ZR_FAILED},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    int index = 99;
    ASSERT_EQ(helper().SetProfile(row.profile, row.network, row.auth, row.cipher, row.key, &index), row.result);
    if (row.result != ZR_OK) {
      EXPECT_EQ(index, -1);
      EXPECT_EQ(stored(row.profile), nullptr);
      continue;
    }
    const platform::FakeWlanProfile* profile = stored(row.profile);
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(wifi().profiles[index].name, row.profile) << "index in the refreshed list";
    const auto parsed = platform::parseWlanProfile(profile->xml);
    ASSERT_TRUE(parsed.fields) << parsed.error;
    EXPECT_EQ(parsed.fields->ssidName, row.network);
    EXPECT_EQ(parsed.fields->authentication, row.storedAuth);
    EXPECT_EQ(parsed.fields->encryption, row.storedCipher);
    EXPECT_EQ(parsed.fields->keyType, row.keyType);
    EXPECT_EQ(parsed.fields->keyMaterial, row.key);
    ASSERT_EQ(profile->userData.size(), 58u);
    EXPECT_EQ(std::memcmp(profile->userData.data(), u"ProfileAuthor=App:VendrakoXE", 58), 0);
  }
}

TEST_F(WlanHelperTest, SetProfileEscapesValues) {
  selected();
  int index = -1;
  const char16_t* key = u"k</keyMaterial><extra>1</extra><keyMaterial>";
  ASSERT_EQ(helper().SetProfile(u"A&B", u"A&B", u"open", u"none", key, &index), ZR_OK);
  const platform::FakeWlanProfile* profile = stored(u"A&B");
  ASSERT_NE(profile, nullptr);
  EXPECT_NE(profile->xml.find(u"<name>A&amp;B</name>"), std::u16string::npos);
  const auto parsed = platform::parseWlanProfile(profile->xml);
  ASSERT_TRUE(parsed.fields) << parsed.error;
  EXPECT_EQ(parsed.fields->ssidName, u"A&B");
  EXPECT_EQ(parsed.fields->keyMaterial, key);
}

TEST_F(WlanHelperTest, SetProfileOverwritesAndKeepsTheOldListOnFailure) {
  selected();
  const uint32_t count = helper().GetNetworkCount();
  int index = -1;
  ASSERT_EQ(helper().SetProfile(u"TwinProfile", u"Twin", u"WPA2PSK", u"TKIP", u"new", &index), ZR_OK);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(wifi().profiles.size(), 1u);
  EXPECT_NE(stored(u"TwinProfile")->xml.find(u"TKIP"), std::u16string::npos);

  // The store works but the network list cannot be fetched: the old one stays.
  backend_.networksResult = ERROR_ACCESS_DENIED;
  ASSERT_EQ(helper().SetProfile(u"Home", u"HomeNet", u"WPA2PSK", u"AES", u"k", &index), ZR_OK);
  EXPECT_EQ(helper().GetNetworkCount(), count);
}

TEST_F(WlanHelperTest, ConnectMakesProfilesForOpenNetworksAndWaitsOnTheClock) {
  selected();
  EXPECT_EQ(helper().Connect(nullptr, nullptr), ZR_BADARG);

  backend_.connectDelayMs = 300;
  ASSERT_EQ(helper().Connect(u"Unknown", u"cafe"), ZR_OK);
  ASSERT_NE(stored(u"Cafe"), nullptr) << "profile named after the network";
  EXPECT_EQ(backend_.connectingProfile, u"Cafe");
  EXPECT_GE(clock_.sleptMs(), 300u);
  EXPECT_LT(clock_.sleptMs(), 1000u);
  const auto parsed = platform::parseWlanProfile(stored(u"Cafe")->xml);
  ASSERT_TRUE(parsed.fields);
  EXPECT_EQ(parsed.fields->authentication, u"open");
  EXPECT_EQ(parsed.fields->encryption, u"none");

  const uint64_t before = clock_.sleptMs();
  EXPECT_EQ(helper().Connect(u"Unknown", u"HomeNet"), ZR_FAILED);
  EXPECT_EQ(clock_.sleptMs(), before) << "a secured network without profile fails at once";
  EXPECT_EQ(stored(u"HomeNet"), nullptr);
  EXPECT_EQ(helper().Connect(u"Unknown", u"Nowhere"), ZR_FAILED);

  // A profile by name, network name not needed.
  backend_.connectDelayMs = std::nullopt;
  const uint64_t start = clock_.sleptMs();
  EXPECT_EQ(helper().Connect(u"TwinProfile", nullptr), ZR_FAILED);
  const uint64_t waited = clock_.sleptMs() - start;
  EXPECT_GT(waited, 8000u);
  EXPECT_LE(waited, 8100u);
  EXPECT_EQ(backend_.connectingProfile, u"TwinProfile");

  backend_.connectResult = ERROR_ACCESS_DENIED;
  const uint64_t refusedAt = clock_.sleptMs();
  EXPECT_EQ(helper().Connect(u"TwinProfile", u"Twin"), ZR_FAILED);
  EXPECT_EQ(clock_.sleptMs(), refusedAt);
}

TEST_F(WlanHelperTest, EditProfile) {
  EXPECT_EQ(helper().EditProfile(nullptr, u"TwinProfile"), ZR_FAILED) << "no selection";
  selected();
  EXPECT_EQ(helper().EditProfile(nullptr, nullptr), ZR_BADARG);
  EXPECT_EQ(helper().EditProfile(nullptr, u""), ZR_BADARG);
  EXPECT_EQ(helper().EditProfile(nullptr, u"twinprofile"), ZR_FAILED);
  EXPECT_EQ(helper().EditProfile(nullptr, u"TwinProfile"), ZR_OK);
  backend_.editResult = 1223;  // the user cancelled
  EXPECT_EQ(helper().EditProfile(nullptr, u"TwinProfile"), ZR_FAILED);
}

TEST_F(WlanHelperTest, MissingFunctions) {
  // Without the editor the helper still works; EditProfile fails.
  backend_.missingFunctions = {"WlanUIEditProfile"};
  EXPECT_TRUE(selected().IsApiLoaded());
  EXPECT_EQ(helper().EditProfile(nullptr, u"TwinProfile"), ZR_FAILED);
  helper_->Release();
  helper_ = nullptr;

  // Without a required function it is not ready.
  backend_.missingFunctions = {"WlanScan"};
  EXPECT_FALSE(helper().IsApiLoaded());
  EXPECT_EQ(helper().GetInterfaceCount(), 0u);
}

TEST(WlanHelperWithoutBackendTest, IsNotReady) {
  platform::ScopedWlanBackend none(nullptr);
  IWlanHelper* helper = makeHelper();
  ASSERT_NE(helper, nullptr);
  EXPECT_FALSE(helper->IsApiLoaded());
  EXPECT_EQ(helper->GetInterfaceCount(), 0u);
  TWlanInterfaceInfo info{kWifiGuid, CLWideStr(u"stale"), 1};
  EXPECT_EQ(helper->GetInterfaceInfo(0, &info), ZR_BADARG);
  EXPECT_EQ(info.InterfaceGuid, GUID{});
  EXPECT_EQ(helper->SelectInterfaceByIndex(0, /*scan=*/true), ZR_BADARG);
  EXPECT_EQ(helper->SelectInterfaceByGUID(&kWifiGuid, /*scan=*/true), ZR_FAILED);
  EXPECT_EQ(helper->GetNetworkCount(), 0u);
  TWlanNetworkInfo network;
  EXPECT_EQ(helper->GetNetworkInfo(0, &network), ZR_BADARG);
  EXPECT_EQ(helper->Connect(u"P", u"N"), ZR_FAILED);
  CLWideStr auth;
  CLWideStr cipher;
  EXPECT_EQ(helper->GetNetworkSecurity(u"N", &auth, &cipher), ZR_FAILED);
  int index = 5;
  EXPECT_EQ(helper->SetProfile(u"P", u"N", u"open", u"none", u"", &index), ZR_FAILED);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(helper->EditProfile(nullptr, u"P"), ZR_FAILED);

  // The text option is only kept.
  CLWideStr text(u"old");
  EXPECT_EQ(helper->SetTextOption(u"option"), ZR_OK);
  EXPECT_EQ(helper->GetTextOption(&text), ZR_OK);
  EXPECT_EQ(text.ToUnicodeString(), u"option");
  EXPECT_EQ(helper->SetTextOption(nullptr), ZR_OK);
  EXPECT_EQ(helper->GetTextOption(&text), ZR_OK);
  EXPECT_TRUE(text.IsEmpty());

  EXPECT_EQ(helper->GetRefCount(), 1);
  EXPECT_EQ(helper->Release(), 0u);
}

}  // namespace
