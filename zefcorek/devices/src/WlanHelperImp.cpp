// IWlanHelperImp: the WLAN helper over the wireless functions it loads by
// name.
//
// State: not ready when a library or a required function is missing or no
// client handle opens; ready with no selection after construction; with a
// selection the network and profile lists exist and the list operations work
// on them. The lists are the wireless functions' own blocks, released with
// their WlanFreeMemory; they change only on a new selection, SetProfile and
// EditProfile.
//
// Interfaces are indexed among the usable ones (a valid interface type), so
// an index below GetInterfaceCount always names a usable interface.
#include "zefcorek/WlanHelper.h"

#include "WlanNetworkList.h"
#include "WlanProfileTemplate.h"

#include "zefcorek/ClassMakers.h"

#include "textrum/LStrCore.h"

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/LoadableModules.h"
#include "platform/Utf16.h"
#include "platform/Wlan.h"

#include <array>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

using zefcorek::devices::ssidBytes;

constexpr uint32_t kNoSelection = 0xFFFFFFFFu;
constexpr DWORD kConnectStepMs = 50;
constexpr uint64_t kConnectWaitMs = 8000;

// The own-profile marker, kept with its terminator as the custom user data
// of every profile the helper makes.
constexpr char16_t kProfileMarker[] = u"ProfileAuthor=App:VendrakoXE";
static_assert(sizeof(kProfileMarker) == 58);

// The wireless functions, in the order they are resolved.
enum WlanFn : size_t {
  kAllocateMemory,
  kFreeMemory,
  kOpenHandle,
  kCloseHandle,
  kEnumInterfaces,
  kGetInterfaceCapability,
  kGetAvailableNetworkList,
  kGetProfileList,
  kConnect,
  kScan,
  kSaveTemporaryProfile,
  kSetProfile,
  kGetProfileCustomUserData,
  kSetProfileCustomUserData,
  kRegisterNotification,
  kQueryInterface,
  kUIEditProfile,
  kWlanFnCount
};

struct WlanFnRow {
  const char* name;
  bool fromUi;    // wlanui.dll, else wlanapi.dll
  bool required;  // needed for the helper to be ready
};

// WlanUIEditProfile is optional: where the system has no profile editor the
// helper still lists and connects, and EditProfile answers 2.
constexpr std::array<WlanFnRow, kWlanFnCount> kWlanFns = {{
    {"WlanAllocateMemory", false, true},
    {"WlanFreeMemory", false, true},
    {"WlanOpenHandle", false, true},
    {"WlanCloseHandle", false, true},
    {"WlanEnumInterfaces", false, true},
    {"WlanGetInterfaceCapability", false, true},
    {"WlanGetAvailableNetworkList", false, true},
    {"WlanGetProfileList", false, true},
    {"WlanConnect", false, true},
    {"WlanScan", false, true},
    {"WlanSaveTemporaryProfile", false, false},
    {"WlanSetProfile", false, true},
    {"WlanGetProfileCustomUserData", false, true},
    {"WlanSetProfileCustomUserData", false, true},
    {"WlanRegisterNotification", false, true},
    {"WlanQueryInterface", false, true},
    {"WlanUIEditProfile", true, false},
}};

// Authentication and cipher numbers and their texts.
struct AlgorithmText {
  DWORD number;
  const char16_t* text;
};
constexpr AlgorithmText kAuthTexts[] = {
    {1, u"open"}, {2, u"shared"}, {3, u"WPA"}, {4, u"WPAPSK"}, {5, u"WPA"}, {6, u"WPA2"}, {7, u"WPA2PSK"},
};
constexpr AlgorithmText kCipherTexts[] = {
    {0, u"none"}, {1, u"WEP"}, {2, u"TKIP"}, {4, u"AES"}, {5, u"WEP"}, {0x101, u"WEP"},
};

template <size_t N>
const char16_t* textOf(const AlgorithmText (&table)[N], DWORD number) {
  for (const AlgorithmText& row : table) {
    if (row.number == number) return row.text;
  }
  return nullptr;
}

std::u16string_view viewOf(const WCHAR* text) {
  return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

std::u16string networkName(const WlanNetworkRecord& network) { return platform::ansiToWideLenient(ssidBytes(network)); }

class IWlanHelperImp final : public IStdInterfaceImp, public virtual IWlanHelper {
public:
  IWlanHelperImp() { load(); }
  ~IWlanHelperImp() override { unload(); }

  ZRESULT SetTextOption(const WCHAR* text) override {
    textOption_.AssignSz(text == nullptr ? u"" : text);
    return ZR_OK;
  }

  ZRESULT GetTextOption(CLWideStr* text) override {
    if (text != nullptr) text->Assign(textOption_);
    return ZR_OK;
  }

  bool IsApiLoaded() override { return apiReady_; }

  uint32_t GetInterfaceCount() override { return static_cast<uint32_t>(usable_.size()); }

  ZRESULT GetInterfaceInfo(uint32_t index, TWlanInterfaceInfo* info) override {
    if (info == nullptr) return ZR_BADARG;
    info->InterfaceGuid = GUID{};
    info->Description.AssignSz(u"");
    info->State = 0;
    if (interfaces_ == nullptr || index >= usable_.size()) return ZR_BADARG;
    const WlanInterfaceRecord& item = interfaces_->items[usable_[index]];
    info->InterfaceGuid = item.guid;
    info->Description.AssignSz(item.description);
    info->State = item.state <= 7 ? item.state : 0;
    return ZR_OK;
  }

  ZRESULT SelectInterfaceByIndex(uint32_t index, bool scan) override {
    clearSelection();
    if (interfaces_ == nullptr || index >= usable_.size()) return ZR_BADARG;
    return select(usable_[index], scan);
  }

  ZRESULT SelectInterfaceByGUID(const GUID* guid, bool scan) override {
    clearSelection();
    if (interfaces_ == nullptr) return ZR_FAILED;
    if (guid == nullptr) return ZR_BADARG;
    for (DWORD i = 0; i < interfaces_->count; ++i) {
      if (interfaces_->items[i].guid == *guid) return select(i, scan);
    }
    return ZR_BADARG;
  }

  uint32_t GetNetworkCount() override { return hasLists() ? networks_->count : 0; }

  ZRESULT GetNetworkInfo(uint32_t index, TWlanNetworkInfo* info) override {
    if (info == nullptr) return ZR_BADARG;
    resetNetworkInfo(*info);
    if (!hasLists() || index >= networks_->count) return ZR_BADARG;
    const WlanNetworkRecord& network = networks_->items[index];
    info->ProfileName.AssignSz(network.profileName);
    const std::string_view ssid = ssidBytes(network);
    info->SSID = CLWideStr(LStrAllocFromASzStrW(ssid.data(), static_cast<int>(ssid.size())),
                           /*owns=*/true);
    info->BssType = network.bssType <= DOT11_BSS_ANY ? network.bssType : 0;
    info->BssidCount = network.bssidCount;
    info->Connectable = network.connectable != FALSE;
    info->SignalQuality = network.signalQuality;
    info->SecurityEnabled = network.securityEnabled != FALSE;
    info->Authentication.AssignSz(textOr(textOf(kAuthTexts, network.authAlgorithm)));
    info->Cipher.AssignSz(textOr(textOf(kCipherTexts, network.cipherAlgorithm)));
    info->Connected = (network.flags & WLAN_NETWORK_CONNECTED) != 0;
    info->HasProfile = (network.flags & WLAN_NETWORK_HAS_PROFILE) != 0;
    return ZR_OK;
  }

  ZRESULT Connect(const WCHAR* profileName, const WCHAR* networkName) override {
    if (!hasLists()) return ZR_FAILED;
    if (profileName == nullptr && networkName == nullptr) return ZR_BADARG;
    const std::u16string_view wantedProfile = viewOf(profileName);
    const std::u16string_view wantedNetwork = viewOf(networkName);
    int profile = findProfile(wantedProfile);
    const WlanNetworkRecord* network = findNetwork(wantedProfile, wantedNetwork);
    if (profile < 0 && network == nullptr) return ZR_FAILED;
    if (profile < 0 && isOpenNetwork(*network)) {
      const std::u16string name = ::networkName(*network);
      (void)SetProfile(name.c_str(), name.c_str(), u"open", u"none", u"", &profile);
    }
    if (profile < 0) return ZR_FAILED;
    return connectWith(profiles_->items[profile].name);
  }

  ZRESULT GetNetworkSecurity(const WCHAR* networkName, CLWideStr* authentication, CLWideStr* cipher) override {
    if (authentication != nullptr) authentication->AssignSz(u"");
    if (cipher != nullptr) cipher->AssignSz(u"");
    if (networks_ == nullptr) return ZR_FAILED;
    const std::u16string_view wanted = viewOf(networkName);
    for (DWORD i = 0; i < networks_->count; ++i) {
      const WlanNetworkRecord& network = networks_->items[i];
      if (!platform::equalsIgnoreCase(::networkName(network), wanted)) continue;
      const char16_t* authText = textOf(kAuthTexts, network.authAlgorithm);
      const char16_t* cipherText = textOf(kCipherTexts, network.cipherAlgorithm);
      if (authText == nullptr || cipherText == nullptr) return ZR_FAILED;
      if (authentication != nullptr) authentication->AssignSz(authText);
      if (cipher != nullptr) cipher->AssignSz(cipherText);
      return ZR_OK;
    }
    return ZR_FAILED;
  }

  ZRESULT SetProfile(const WCHAR* profileName, const WCHAR* networkName, const WCHAR* authentication,
                     const WCHAR* cipher, const WCHAR* key, int* index) override {
    if (index != nullptr) *index = -1;
    if (!hasLists()) return ZR_FAILED;
    std::u16string xml;
    if (buildProfile(viewOf(profileName), viewOf(networkName), viewOf(authentication), viewOf(cipher), viewOf(key),
                     xml) != ZR_OK) {
      return ZR_FAILED;
    }
    const GUID guid = selectedGuid();
    DWORD reason = 0;
    if (fn<decltype(&WlanSetProfile)>(kSetProfile)(client_, &guid, WLAN_PROFILE_ALL_USERS, xml.c_str(), nullptr,
                                                   /*overwrite=*/TRUE, nullptr, &reason) != ERROR_SUCCESS) {
      return ZR_FAILED;
    }
    (void)fn<decltype(&WlanSetProfileCustomUserData)>(kSetProfileCustomUserData)(
        client_, &guid, profileName == nullptr ? u"" : profileName, sizeof(kProfileMarker),
        reinterpret_cast<const uint8_t*>(kProfileMarker), nullptr);
    (void)refreshNetworks(/*keepOnFailure=*/true);
    (void)refreshProfiles();
    const int found = findProfile(viewOf(profileName));
    if (found < 0) return ZR_FAILED;
    if (index != nullptr) *index = found;
    return ZR_OK;
  }

  ZRESULT EditProfile(HWND owner, const WCHAR* profileName) override {
    if (profileName == nullptr || *profileName == u'\0') return ZR_BADARG;
    if (!hasLists()) return ZR_FAILED;
    if (findProfile(profileName) < 0) return ZR_FAILED;
    auto edit = fn<decltype(&WlanUIEditProfile)>(kUIEditProfile);
    if (edit == nullptr) return ZR_FAILED;
    GUID guid = selectedGuid();
    DWORD reason = 0;
    const DWORD result = edit(clientVersion_, profileName, &guid, owner, WLAN_EDITOR_SECURITY_PAGE, nullptr, &reason);
    (void)refreshNetworks(/*keepOnFailure=*/true);
    (void)refreshProfiles();
    return result == ERROR_SUCCESS ? ZR_OK : ZR_FAILED;
  }

private:
  template <typename F>
  F fn(WlanFn id) const {
    return reinterpret_cast<F>(functions_[id]);
  }

  void freeBlock(void* block) {
    if (block != nullptr) fn<decltype(&WlanFreeMemory)>(kFreeMemory)(block);
  }

  static const char16_t* textOr(const char16_t* text) { return text == nullptr ? u"" : text; }

  static void resetNetworkInfo(TWlanNetworkInfo& info) {
    info.ProfileName.AssignSz(u"");
    info.SSID.AssignSz(u"");
    info.BssType = 0;
    info.BssidCount = 0;
    info.Connectable = false;
    info.SignalQuality = 0;
    info.SecurityEnabled = false;
    info.Authentication.AssignSz(u"");
    info.Cipher.AssignSz(u"");
    info.Connected = false;
    info.HasProfile = false;
  }

  // Loads both libraries and resolves the functions; stays not ready when
  // anything required is missing.
  void load() {
    api_ = LoadLibraryW(u"wlanapi.dll");
    ui_ = LoadLibraryW(u"wlanui.dll");
    if (api_ == nullptr || ui_ == nullptr) {
      freeModules();
      return;
    }
    for (size_t i = 0; i < kWlanFnCount; ++i) {
      functions_[i] = GetProcAddress(kWlanFns[i].fromUi ? ui_ : api_, kWlanFns[i].name);
      if (functions_[i] == nullptr && kWlanFns[i].required) return;
    }
    HANDLE client = nullptr;
    if (fn<decltype(&WlanOpenHandle)>(kOpenHandle)(WLAN_CLIENT_VERSION_2, nullptr, &clientVersion_, &client) !=
        ERROR_SUCCESS) {
      return;
    }
    client_ = client;
    if (fn<decltype(&WlanEnumInterfaces)>(kEnumInterfaces)(client_, nullptr, &interfaces_) == ERROR_SUCCESS) {
      countUsableInterfaces();
    }
    apiReady_ = true;
  }

  void countUsableInterfaces() {
    auto capabilityOf = fn<decltype(&WlanGetInterfaceCapability)>(kGetInterfaceCapability);
    for (DWORD i = 0; i < interfaces_->count; ++i) {
      WlanInterfaceCapability* capability = nullptr;
      if (capabilityOf(client_, &interfaces_->items[i].guid, nullptr, &capability) != ERROR_SUCCESS) {
        continue;
      }
      if (capability != nullptr && capability->interfaceType != WLAN_INTERFACE_TYPE_INVALID) {
        usable_.push_back(i);
      }
      freeBlock(capability);
    }
  }

  void unload() {
    if (client_ != nullptr) {
      clearSelection();
      freeBlock(interfaces_);
      interfaces_ = nullptr;
      (void)fn<decltype(&WlanCloseHandle)>(kCloseHandle)(client_, nullptr);
      client_ = nullptr;
    }
    freeModules();
    apiReady_ = false;
  }

  void freeModules() {
    if (api_ != nullptr) (void)FreeLibrary(api_);
    if (ui_ != nullptr) (void)FreeLibrary(ui_);
    api_ = nullptr;
    ui_ = nullptr;
    functions_.fill(nullptr);
  }

  bool hasLists() const { return networks_ != nullptr && profiles_ != nullptr; }

  GUID selectedGuid() const { return interfaces_->items[selected_].guid; }

  void clearSelection() {
    if (client_ != nullptr) {
      freeBlock(networks_);
      freeBlock(profiles_);
    }
    networks_ = nullptr;
    profiles_ = nullptr;
    selected_ = kNoSelection;
  }

  ZRESULT select(DWORD interfaceIndex, bool scan) {
    selected_ = interfaceIndex;
    const GUID guid = selectedGuid();
    if (scan) (void)fn<decltype(&WlanScan)>(kScan)(client_, &guid, nullptr, nullptr, nullptr);
    if (refreshNetworks(/*keepOnFailure=*/false) != ZR_OK) return ZR_FAILED;
    return refreshProfiles();
  }

  // Fetches the network list, hidden networks with profiles included, and
  // leaves one entry per name.
  ZRESULT refreshNetworks(bool keepOnFailure) {
    const GUID guid = selectedGuid();
    WlanNetworkList* fresh = nullptr;
    const DWORD result = fn<decltype(&WlanGetAvailableNetworkList)>(kGetAvailableNetworkList)(
        client_, &guid, WLAN_LIST_HIDDEN_WITH_PROFILES, nullptr, &fresh);
    if (result != ERROR_SUCCESS || fresh == nullptr) {
      if (!keepOnFailure) {
        freeBlock(networks_);
        networks_ = nullptr;
      }
      return ZR_FAILED;
    }
    zefcorek::devices::removeDuplicateNetworks(*fresh);
    freeBlock(networks_);
    networks_ = fresh;
    return ZR_OK;
  }

  ZRESULT refreshProfiles() {
    freeBlock(profiles_);
    profiles_ = nullptr;
    const GUID guid = selectedGuid();
    const DWORD result = fn<decltype(&WlanGetProfileList)>(kGetProfileList)(client_, &guid, nullptr, &profiles_);
    if (result == ERROR_SUCCESS && profiles_ != nullptr) return ZR_OK;
    freeBlock(profiles_);
    profiles_ = nullptr;
    return ZR_FAILED;
  }

  // The index of the profile with exactly this name; -1 for none or empty.
  int findProfile(std::u16string_view name) const {
    if (name.empty() || profiles_ == nullptr) return -1;
    for (DWORD i = 0; i < profiles_->count; ++i) {
      if (name == profiles_->items[i].name) return static_cast<int>(i);
    }
    return -1;
  }

  // The first network that has no profile and this name (any case), or
  // whose profile is `profile`.
  const WlanNetworkRecord* findNetwork(std::u16string_view profile, std::u16string_view name) const {
    for (DWORD i = 0; i < networks_->count; ++i) {
      const WlanNetworkRecord& network = networks_->items[i];
      const std::u16string_view networkProfile(network.profileName);
      if (networkProfile.empty() && platform::equalsIgnoreCase(::networkName(network), name)) {
        return &network;
      }
      if (!profile.empty() && networkProfile == profile) return &network;
    }
    return nullptr;
  }

  static bool isOpenNetwork(const WlanNetworkRecord& network) {
    return network.securityEnabled == FALSE && network.authAlgorithm == DOT11_AUTH_OPEN &&
           network.cipherAlgorithm == DOT11_CIPHER_NONE;
  }

  ZRESULT buildProfile(std::u16string_view profileName, std::u16string_view networkName,
                       std::u16string_view authentication, std::u16string_view cipher, std::u16string_view key,
                       std::u16string& xml) {
    CLWideStr foundAuth;
    CLWideStr foundCipher;
    if (authentication.empty() && cipher.empty()) {
      const std::u16string name(networkName);
      if (GetNetworkSecurity(name.c_str(), &foundAuth, &foundCipher) != ZR_OK) return ZR_FAILED;
      authentication = foundAuth.Text();
      cipher = foundCipher.Text();
    }
    if (authentication.empty() || cipher.empty()) return ZR_FAILED;
    xml = zefcorek::devices::fillWlanProfile({profileName, networkName, authentication, cipher, key});
    return ZR_OK;
  }

  // Asks for the connection and polls the interface state every 50 ms for
  // up to 8 s on the platform clock.
  ZRESULT connectWith(const WCHAR* profile) {
    const GUID guid = selectedGuid();
    const WlanConnectionParameters parameters{WLAN_CONNECT_WITH_PROFILE, profile, nullptr, nullptr, DOT11_BSS_ANY, 0};
    if (fn<decltype(&WlanConnect)>(kConnect)(client_, &guid, &parameters, nullptr) != ERROR_SUCCESS) {
      return ZR_FAILED;
    }
    auto query = fn<decltype(&WlanQueryInterface)>(kQueryInterface);
    const uint64_t start = GetTickCount64();
    uint64_t elapsed = 0;
    do {
      Sleep(kConnectStepMs);
      DWORD size = 0;
      void* data = nullptr;
      const DWORD result = query(client_, &guid, WLAN_QUERY_INTERFACE_STATE, nullptr, &size, &data, nullptr);
      const bool connected = result == ERROR_SUCCESS && data != nullptr && size >= sizeof(DWORD) &&
                             *static_cast<const DWORD*>(data) == WLAN_STATE_CONNECTED;
      freeBlock(data);
      if (connected) return ZR_OK;
      const uint64_t now = GetTickCount64();
      elapsed = now > start ? now - start : 0;
    } while (elapsed <= kConnectWaitMs);
    return ZR_FAILED;
  }

  CLWideStr textOption_;                           // handed back by GetTextOption only
  bool apiReady_ = false;                          // libraries, functions and client handle present
  HMODULE api_ = nullptr;                          // wlanapi.dll
  HMODULE ui_ = nullptr;                           // wlanui.dll
  std::array<FARPROC, kWlanFnCount> functions_{};  // by WlanFn; optional ones may be null
  DWORD clientVersion_ = 0;                        // negotiated at WlanOpenHandle
  HANDLE client_ = nullptr;                        // the client handle; null when not ready
  WlanInterfaceList* interfaces_ = nullptr;
  std::vector<DWORD> usable_;            // indices into interfaces_ of valid-type interfaces
  uint32_t selected_ = kNoSelection;     // index into interfaces_
  WlanNetworkList* networks_ = nullptr;  // of the selected interface, duplicates removed
  WlanProfileList* profiles_ = nullptr;  // of the selected interface
};

}  // namespace

IWlanHelper::~IWlanHelper() = default;

void* zefcorek::makeIWlanHelperImp(intptr_t) { return static_cast<IWlanHelper*>(new (std::nothrow) IWlanHelperImp()); }
