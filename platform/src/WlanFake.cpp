// The in-memory WLAN back end.
#include "platform/WlanFake.h"

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/WlanProfileXml.h"

#include <algorithm>

platform::FakeWlanBackend::FakeWlanBackend() = default;
platform::FakeWlanBackend::~FakeWlanBackend() = default;

platform::FakeWlanInterface* platform::FakeWlanBackend::find(const GUID& guid) {
  for (FakeWlanInterface& item : interfaceTable) {
    if (item.entry.guid == guid) return &item;
  }
  return nullptr;
}

platform::FakeWlanProfile* platform::FakeWlanBackend::findProfile(const GUID& guid, std::u16string_view name) {
  FakeWlanInterface* item = find(guid);
  if (item == nullptr) return nullptr;
  for (FakeWlanProfile& profile : item->profiles) {
    if (profile.name == name) return &profile;
  }
  return nullptr;
}

bool platform::FakeWlanBackend::offers(std::string_view function) const { return !missingFunctions.contains(function); }

DWORD platform::FakeWlanBackend::interfaces(std::vector<WlanInterfaceEntry>& out) {
  out.clear();
  for (const FakeWlanInterface& item : interfaceTable) out.push_back(item.entry);
  return ERROR_SUCCESS;
}

DWORD platform::FakeWlanBackend::networks(const GUID& interfaceGuid, DWORD flags, std::vector<WlanNetworkEntry>& out) {
  out.clear();
  FakeWlanInterface* item = find(interfaceGuid);
  if (item == nullptr) return ERROR_NOT_FOUND;
  if (networksResult != ERROR_SUCCESS) return networksResult;
  const bool hidden = (flags & WLAN_LIST_HIDDEN_WITH_PROFILES) != 0;
  DWORD state = 0;
  (void)interfaceState(interfaceGuid, state);
  for (const WlanNetworkEntry& network : item->networks) {
    if (network.ssid.empty() && !hidden) continue;
    out.push_back(network);
    const std::u16string ssid = ansiToWideLenient(network.ssid);
    for (const FakeWlanProfile& profile : item->profiles) {
      if (network.ssid.empty() || profile.ssid != ssid) continue;
      WlanNetworkEntry withProfile = network;
      withProfile.profileName = profile.name;
      withProfile.flags |= WLAN_NETWORK_HAS_PROFILE;
      if (state == WLAN_STATE_CONNECTED && profile.name == connectingProfile) {
        withProfile.flags |= WLAN_NETWORK_CONNECTED;
      }
      out.push_back(withProfile);
    }
  }
  return ERROR_SUCCESS;
}

DWORD platform::FakeWlanBackend::profiles(const GUID& interfaceGuid, std::vector<std::u16string>& out) {
  out.clear();
  FakeWlanInterface* item = find(interfaceGuid);
  if (item == nullptr) return ERROR_NOT_FOUND;
  if (profilesResult != ERROR_SUCCESS) return profilesResult;
  for (const FakeWlanProfile& profile : item->profiles) out.push_back(profile.name);
  return ERROR_SUCCESS;
}

DWORD platform::FakeWlanBackend::scan(const GUID& interfaceGuid) {
  if (find(interfaceGuid) == nullptr) return ERROR_NOT_FOUND;
  ++scans;
  return ERROR_SUCCESS;
}

DWORD platform::FakeWlanBackend::setProfile(const GUID& interfaceGuid, std::u16string_view xml, bool overwrite) {
  FakeWlanInterface* item = find(interfaceGuid);
  if (item == nullptr) return ERROR_NOT_FOUND;
  WlanProfileParse parsed = parseWlanProfile(xml);
  if (!parsed.fields) return ERROR_BAD_PROFILE;
  FakeWlanProfile stored{parsed.fields->profileName, std::u16string(xml), parsed.fields->ssidName, {}};
  for (FakeWlanProfile& profile : item->profiles) {
    if (profile.name != stored.name) continue;
    if (!overwrite) return ERROR_ALREADY_EXISTS;
    profile = std::move(stored);
    return ERROR_SUCCESS;
  }
  item->profiles.push_back(std::move(stored));
  return ERROR_SUCCESS;
}

DWORD platform::FakeWlanBackend::profileUserData(const GUID& interfaceGuid, std::u16string_view profile,
                                                 std::vector<uint8_t>& out) {
  FakeWlanProfile* stored = findProfile(interfaceGuid, profile);
  if (stored == nullptr) return ERROR_NOT_FOUND;
  out = stored->userData;
  return ERROR_SUCCESS;
}

DWORD platform::FakeWlanBackend::setProfileUserData(const GUID& interfaceGuid, std::u16string_view profile,
                                                    std::span<const uint8_t> data) {
  FakeWlanProfile* stored = findProfile(interfaceGuid, profile);
  if (stored == nullptr) return ERROR_NOT_FOUND;
  stored->userData.assign(data.begin(), data.end());
  return ERROR_SUCCESS;
}

DWORD platform::FakeWlanBackend::connect(const GUID& interfaceGuid, std::u16string_view profile) {
  if (findProfile(interfaceGuid, profile) == nullptr) return ERROR_NOT_FOUND;
  if (connectResult != ERROR_SUCCESS) return connectResult;
  connectingProfile = profile;
  connectingInterface_ = interfaceGuid;
  connectStartMs_ = clock().monotonicMs();
  return ERROR_SUCCESS;
}

DWORD platform::FakeWlanBackend::interfaceState(const GUID& interfaceGuid, DWORD& state) {
  FakeWlanInterface* item = find(interfaceGuid);
  if (item == nullptr) return ERROR_NOT_FOUND;
  state = item->entry.state;
  const bool connecting = connectStartMs_ && connectingInterface_ == interfaceGuid;
  if (connecting && connectDelayMs && clock().monotonicMs() - *connectStartMs_ >= *connectDelayMs) {
    state = WLAN_STATE_CONNECTED;
  }
  return ERROR_SUCCESS;
}

DWORD platform::FakeWlanBackend::editProfile(const GUID& interfaceGuid, std::u16string_view profile, HWND) {
  if (findProfile(interfaceGuid, profile) == nullptr) return ERROR_NOT_FOUND;
  return editResult;
}
