// A WLAN back end kept in memory, for tests on machines without radios.
//
// The test fills the interface table (interfaces with their networks and
// stored profiles) and the outcome of connecting, installs it with
// setWlanBackend and drives time through the platform clock: a connect that
// succeeds reports the connected state once `connectDelayMs` have passed on
// the clock in force. Like the system, a network that has a stored profile
// (same SSID) is listed twice: once bare and once with the profile's name.
#pragma once

#include "platform/Export.h"
#include "platform/Wlan.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace platform {

struct FakeWlanProfile {
  std::u16string name;
  std::u16string xml;
  std::u16string ssid;  // from the XML
  std::vector<uint8_t> userData;
};

struct FakeWlanInterface {
  WlanInterfaceEntry entry;
  std::vector<WlanNetworkEntry> networks;  // as seen; hidden ones have an empty SSID
  std::vector<FakeWlanProfile> profiles;
};

class ZEF_EXPORT FakeWlanBackend : public WlanBackend {
public:
  FakeWlanBackend();
  ~FakeWlanBackend() override;

  // Configuration, set by the test before use.
  std::vector<FakeWlanInterface> interfaceTable;
  std::set<std::string, std::less<>> missingFunctions;  // names GetProcAddress does not find
  DWORD networksResult = ERROR_SUCCESS;                 // what listing networks answers
  DWORD profilesResult = ERROR_SUCCESS;                 // what listing profiles answers
  DWORD connectResult = ERROR_SUCCESS;                  // what connect answers
  std::optional<uint64_t> connectDelayMs = 0;           // empty: the connection never comes
  DWORD editResult = ERROR_SUCCESS;

  // What happened.
  int scans = 0;
  std::u16string connectingProfile;  // the profile of the last accepted connect

  FakeWlanInterface* find(const GUID& guid);
  // A stored profile of the interface, or null.
  FakeWlanProfile* findProfile(const GUID& guid, std::u16string_view name);

  bool offers(std::string_view function) const override;
  DWORD interfaces(std::vector<WlanInterfaceEntry>& out) override;
  DWORD networks(const GUID& interfaceGuid, DWORD flags, std::vector<WlanNetworkEntry>& out) override;
  DWORD profiles(const GUID& interfaceGuid, std::vector<std::u16string>& out) override;
  DWORD scan(const GUID& interfaceGuid) override;
  DWORD setProfile(const GUID& interfaceGuid, std::u16string_view xml, bool overwrite) override;
  DWORD profileUserData(const GUID& interfaceGuid, std::u16string_view profile, std::vector<uint8_t>& out) override;
  DWORD setProfileUserData(const GUID& interfaceGuid, std::u16string_view profile,
                           std::span<const uint8_t> data) override;
  DWORD connect(const GUID& interfaceGuid, std::u16string_view profile) override;
  DWORD interfaceState(const GUID& interfaceGuid, DWORD& state) override;
  DWORD editProfile(const GUID& interfaceGuid, std::u16string_view profile, HWND owner) override;

private:
  std::optional<uint64_t> connectStartMs_;  // set by an accepted connect
  GUID connectingInterface_{};
};

// Installs a back end for the lifetime of a scope (tests), then goes back to
// the system's.
class ScopedWlanBackend {
public:
  // Null: no back end at all, whatever the system has.
  explicit ScopedWlanBackend(WlanBackend* backend) { setWlanBackend(backend); }
  ~ScopedWlanBackend() { useSystemWlanBackend(); }
  ScopedWlanBackend(const ScopedWlanBackend&) = delete;
  ScopedWlanBackend& operator=(const ScopedWlanBackend&) = delete;
};

}  // namespace platform
