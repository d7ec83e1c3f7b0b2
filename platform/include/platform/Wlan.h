// The wireless-network functions, reached by name: LoadLibraryW of
// "wlanapi.dll" or "wlanui.dll" and GetProcAddress (platform/LoadableModules.h).
//
// The functions hand out records allocated with WlanAllocateMemory, which
// the caller gives back with WlanFreeMemory. What they report comes from the
// WLAN back end in force (setWlanBackend, or NetworkManager on the system
// bus when no other was installed): the modules load only while one
// is active, and GetProcAddress answers only the names that back end offers,
// so a client sees a machine without wireless support exactly as a system
// without the libraries. Texts are UTF-16; network names are raw bytes.
#pragma once

#include "platform/Export.h"
#include "platform/LastError.h"
#include "platform/LoadableModules.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr DWORD ERROR_NOT_FOUND = 1168;
inline constexpr DWORD ERROR_BAD_PROFILE = 1206;

inline constexpr DWORD WLAN_CLIENT_VERSION_2 = 2;
inline constexpr size_t WLAN_MAX_NAME_LENGTH = 256;
inline constexpr size_t DOT11_SSID_MAX_LENGTH = 32;

// Interface states.
inline constexpr DWORD WLAN_STATE_NOT_READY = 0;
inline constexpr DWORD WLAN_STATE_CONNECTED = 1;
inline constexpr DWORD WLAN_STATE_DISCONNECTED = 4;
// Interface types of the capability record.
inline constexpr DWORD WLAN_INTERFACE_TYPE_EMULATED = 0;
inline constexpr DWORD WLAN_INTERFACE_TYPE_NATIVE = 1;
inline constexpr DWORD WLAN_INTERFACE_TYPE_INVALID = 2;
// BSS types.
inline constexpr DWORD DOT11_BSS_INFRASTRUCTURE = 1;
inline constexpr DWORD DOT11_BSS_INDEPENDENT = 2;
inline constexpr DWORD DOT11_BSS_ANY = 3;
// Authentication algorithm numbers.
inline constexpr DWORD DOT11_AUTH_OPEN = 1;
inline constexpr DWORD DOT11_AUTH_SHARED_KEY = 2;
inline constexpr DWORD DOT11_AUTH_WPA = 3;
inline constexpr DWORD DOT11_AUTH_WPA_PSK = 4;
inline constexpr DWORD DOT11_AUTH_WPA_NONE = 5;
inline constexpr DWORD DOT11_AUTH_RSNA = 6;
inline constexpr DWORD DOT11_AUTH_RSNA_PSK = 7;
// Cipher algorithm numbers.
inline constexpr DWORD DOT11_CIPHER_NONE = 0;
inline constexpr DWORD DOT11_CIPHER_WEP40 = 1;
inline constexpr DWORD DOT11_CIPHER_TKIP = 2;
inline constexpr DWORD DOT11_CIPHER_CCMP = 4;
inline constexpr DWORD DOT11_CIPHER_WEP104 = 5;
inline constexpr DWORD DOT11_CIPHER_WEP = 0x101;
// Network flags.
inline constexpr DWORD WLAN_NETWORK_CONNECTED = 1;
inline constexpr DWORD WLAN_NETWORK_HAS_PROFILE = 2;
// Network-list flag: include hidden networks that have a profile.
inline constexpr DWORD WLAN_LIST_HIDDEN_WITH_PROFILES = 2;
// Profile flag: stored for all users (no flag bit set).
inline constexpr DWORD WLAN_PROFILE_ALL_USERS = 0;
// Connection mode: connect with a stored profile.
inline constexpr DWORD WLAN_CONNECT_WITH_PROFILE = 0;
// Query code of the interface state (a DWORD).
inline constexpr DWORD WLAN_QUERY_INTERFACE_STATE = 6;
// The profile editor's security page.
inline constexpr DWORD WLAN_EDITOR_SECURITY_PAGE = 1;

struct WlanSsid {
  ULONG length;  // bytes of `bytes` in use, at most 32
  uint8_t bytes[DOT11_SSID_MAX_LENGTH];
};

struct WlanInterfaceRecord {
  GUID guid;
  WCHAR description[WLAN_MAX_NAME_LENGTH];
  DWORD state;
};

struct WlanInterfaceList {
  DWORD count;
  DWORD current;
  WlanInterfaceRecord items[1];  // `count` entries follow
};

struct WlanInterfaceCapability {
  DWORD interfaceType;
  BOOL dot11dSupported;
  DWORD maxSsidListSize;
  DWORD maxBssidListSize;
  DWORD phyTypeCount;
  DWORD phyTypes[64];
};

struct WlanNetworkRecord {
  WCHAR profileName[WLAN_MAX_NAME_LENGTH];  // empty: no profile
  WlanSsid ssid;
  DWORD bssType;
  ULONG bssidCount;
  BOOL connectable;
  DWORD notConnectableReason;
  ULONG phyTypeCount;
  DWORD phyTypes[8];
  BOOL morePhyTypes;
  ULONG signalQuality;  // 0 to 100
  BOOL securityEnabled;
  DWORD authAlgorithm;
  DWORD cipherAlgorithm;
  DWORD flags;  // WLAN_NETWORK_CONNECTED | WLAN_NETWORK_HAS_PROFILE
  DWORD reserved;
};

struct WlanNetworkList {
  DWORD count;
  DWORD current;
  WlanNetworkRecord items[1];
};

struct WlanProfileRecord {
  WCHAR name[WLAN_MAX_NAME_LENGTH];
  DWORD flags;
};

struct WlanProfileList {
  DWORD count;
  DWORD current;
  WlanProfileRecord items[1];
};

struct WlanConnectionParameters {
  DWORD mode;             // WLAN_CONNECT_WITH_PROFILE
  LPCWSTR profile;        // the stored profile's name
  const WlanSsid* ssid;   // null: the profile's
  const void* bssidList;  // null: any
  DWORD bssType;
  DWORD flags;
};

namespace platform {

struct WlanInterfaceEntry {
  GUID guid{};
  std::u16string description;
  DWORD state = WLAN_STATE_DISCONNECTED;
  DWORD interfaceType = WLAN_INTERFACE_TYPE_NATIVE;
};

struct WlanNetworkEntry {
  std::u16string profileName;
  std::string ssid;  // raw bytes; more than 32 are cut
  DWORD bssType = DOT11_BSS_INFRASTRUCTURE;
  ULONG bssidCount = 1;
  bool connectable = true;
  ULONG signalQuality = 0;
  bool securityEnabled = false;
  DWORD authAlgorithm = DOT11_AUTH_OPEN;
  DWORD cipherAlgorithm = DOT11_CIPHER_NONE;
  DWORD flags = 0;
};

// What the wireless functions ask of the system. Every call answers a
// Win32 error code (ERROR_SUCCESS when it worked). Calls come from the
// client's thread; a back end that answers from other threads locks itself.
class ZEF_EXPORT WlanBackend {
public:
  virtual ~WlanBackend();
  // Whether `function` (one of the exported names) is available.
  virtual bool offers(std::string_view function) const = 0;
  [[nodiscard]] virtual DWORD interfaces(std::vector<WlanInterfaceEntry>& out) = 0;
  // Networks in sight; `flags` may ask for hidden networks with a profile.
  [[nodiscard]] virtual DWORD networks(const GUID& interfaceGuid, DWORD flags, std::vector<WlanNetworkEntry>& out) = 0;
  [[nodiscard]] virtual DWORD profiles(const GUID& interfaceGuid, std::vector<std::u16string>& out) = 0;
  [[nodiscard]] virtual DWORD scan(const GUID& interfaceGuid) = 0;
  // Stores the profile XML under the name it holds.
  [[nodiscard]] virtual DWORD setProfile(const GUID& interfaceGuid, std::u16string_view xml, bool overwrite) = 0;
  [[nodiscard]] virtual DWORD profileUserData(const GUID& interfaceGuid, std::u16string_view profile,
                                              std::vector<uint8_t>& out) = 0;
  [[nodiscard]] virtual DWORD setProfileUserData(const GUID& interfaceGuid, std::u16string_view profile,
                                                 std::span<const uint8_t> data) = 0;
  // Starts connecting with the stored profile; the state tells the outcome.
  [[nodiscard]] virtual DWORD connect(const GUID& interfaceGuid, std::u16string_view profile) = 0;
  [[nodiscard]] virtual DWORD interfaceState(const GUID& interfaceGuid, DWORD& state) = 0;
  // The profile editor; ERROR_SUCCESS when the user saved the profile.
  [[nodiscard]] virtual DWORD editProfile(const GUID& interfaceGuid, std::u16string_view profile, HWND owner) = 0;
};

// Installs `backend` (null: none, the libraries are then missing). The
// caller keeps ownership and keeps it alive until it is replaced.
ZEF_EXPORT void setWlanBackend(WlanBackend* backend);
// Goes back to the system's back end, the state at start: NetworkManager
// on the system bus when it runs there (looked for once, on first need),
// none when it does not or when ZEF_WLAN_BACKEND is "none".
ZEF_EXPORT void useSystemWlanBackend();
// The back end in force; null when there is none.
ZEF_EXPORT WlanBackend* wlanBackend();

// The address of wireless function `name` of `module` ("wlanapi" or
// "wlanui", without ".dll"); null when the module has no such function or
// the back end in force does not offer it.
ZEF_EXPORT FARPROC wlanFunction(std::u16string_view module, const char* name);

}  // namespace platform

// The wireless functions; the client handle comes from WlanOpenHandle.
ZEF_EXTERN_C void* WlanAllocateMemory(DWORD size);
ZEF_EXTERN_C void WlanFreeMemory(void* memory);
ZEF_EXTERN_C DWORD WlanOpenHandle(DWORD clientVersion, void* reserved, DWORD* negotiatedVersion, HANDLE* client);
ZEF_EXTERN_C DWORD WlanCloseHandle(HANDLE client, void* reserved);
ZEF_EXTERN_C DWORD WlanEnumInterfaces(HANDLE client, void* reserved, WlanInterfaceList** list);
ZEF_EXTERN_C DWORD WlanGetInterfaceCapability(HANDLE client, const GUID* interfaceGuid, void* reserved,
                                              WlanInterfaceCapability** capability);
ZEF_EXTERN_C DWORD WlanGetAvailableNetworkList(HANDLE client, const GUID* interfaceGuid, DWORD flags, void* reserved,
                                               WlanNetworkList** list);
ZEF_EXTERN_C DWORD WlanGetProfileList(HANDLE client, const GUID* interfaceGuid, void* reserved, WlanProfileList** list);
ZEF_EXTERN_C DWORD WlanConnect(HANDLE client, const GUID* interfaceGuid, const WlanConnectionParameters* parameters,
                               void* reserved);
ZEF_EXTERN_C DWORD WlanScan(HANDLE client, const GUID* interfaceGuid, const WlanSsid* ssid,
                            const void* informationElement, void* reserved);
ZEF_EXTERN_C DWORD WlanSaveTemporaryProfile(HANDLE client, const GUID* interfaceGuid, LPCWSTR profile,
                                            LPCWSTR allUserSecurity, DWORD flags, BOOL overwrite, void* reserved);
ZEF_EXTERN_C DWORD WlanSetProfile(HANDLE client, const GUID* interfaceGuid, DWORD flags, LPCWSTR xml,
                                  LPCWSTR allUserSecurity, BOOL overwrite, void* reserved, DWORD* reasonCode);
ZEF_EXTERN_C DWORD WlanGetProfileCustomUserData(HANDLE client, const GUID* interfaceGuid, LPCWSTR profile,
                                                void* reserved, DWORD* size, uint8_t** data);
ZEF_EXTERN_C DWORD WlanSetProfileCustomUserData(HANDLE client, const GUID* interfaceGuid, LPCWSTR profile, DWORD size,
                                                const uint8_t* data, void* reserved);
ZEF_EXTERN_C DWORD WlanRegisterNotification(HANDLE client, DWORD sources, BOOL ignoreDuplicate, void* callback,
                                            void* context, void* reserved, DWORD* previousSources);
ZEF_EXTERN_C DWORD WlanQueryInterface(HANDLE client, const GUID* interfaceGuid, DWORD opCode, void* reserved,
                                      DWORD* dataSize, void** data, DWORD* valueType);
ZEF_EXTERN_C DWORD WlanUIEditProfile(DWORD clientVersion, LPCWSTR profile, GUID* interfaceGuid, HWND owner,
                                     DWORD startPage, void* reserved, DWORD* reasonCode);
