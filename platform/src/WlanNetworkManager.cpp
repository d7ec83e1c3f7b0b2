// The NetworkManager WLAN back end: each call is one or a few synchronous
// D-Bus method calls on a private connection, bounded by kCallTimeoutMs.
#include "platform/WlanNetworkManager.h"

#include "platform/CodePage.h"
#include "platform/Utf16.h"
#include "platform/WlanProfileXml.h"

#include <dbus/dbus.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr int kCallTimeoutMs = 2000;
constexpr const char* kService = "org.freedesktop.NetworkManager";
constexpr const char* kManagerPath = "/org/freedesktop/NetworkManager";
constexpr const char* kSettingsPath = "/org/freedesktop/NetworkManager/Settings";
constexpr const char* kManagerIface = "org.freedesktop.NetworkManager";
constexpr const char* kDeviceIface = "org.freedesktop.NetworkManager.Device";
constexpr const char* kWirelessIface = "org.freedesktop.NetworkManager.Device.Wireless";
constexpr const char* kApIface = "org.freedesktop.NetworkManager.AccessPoint";
constexpr const char* kSettingsIface = "org.freedesktop.NetworkManager.Settings";
constexpr const char* kConnectionIface = "org.freedesktop.NetworkManager.Settings.Connection";
constexpr const char* kPropertiesIface = "org.freedesktop.DBus.Properties";
constexpr const char* kWifiType = "802-11-wireless";
constexpr const char* kSecuritySetting = "802-11-wireless-security";
// The key of the custom user data in the connection's `user` setting: the
// bytes as hexadecimal text.
constexpr const char* kUserDataKey = "zef.wlan.custom-user-data";

constexpr uint32_t kDeviceTypeWifi = 2;
constexpr uint32_t kDeviceActivated = 100;
constexpr uint32_t kApPrivacy = 0x1;
constexpr uint32_t kPairWep40 = 0x1;
constexpr uint32_t kPairWep104 = 0x2;
constexpr uint32_t kPairTkip = 0x4;
constexpr uint32_t kPairCcmp = 0x8;
constexpr uint32_t kKeyMgmtPsk = 0x100;
constexpr uint32_t kKeyMgmt8021x = 0x200;

// Owns one D-Bus message reference.
struct MessageRef {
  DBusMessage* message = nullptr;
  MessageRef() = default;
  explicit MessageRef(DBusMessage* m) : message(m) {}
  MessageRef(MessageRef&& other) noexcept : message(std::exchange(other.message, nullptr)) {}
  MessageRef& operator=(MessageRef&& other) noexcept {
    std::swap(message, other.message);
    return *this;
  }
  ~MessageRef() {
    if (message != nullptr) dbus_message_unref(message);
  }
  explicit operator bool() const { return message != nullptr; }
};

using Appender = std::function<void(DBusMessageIter*)>;

int typeAt(DBusMessageIter* it) { return dbus_message_iter_get_arg_type(it); }

std::string readString(DBusMessageIter* it) {
  const int type = typeAt(it);
  if (type != DBUS_TYPE_STRING && type != DBUS_TYPE_OBJECT_PATH) return {};
  const char* text = nullptr;
  dbus_message_iter_get_basic(it, &text);
  return text == nullptr ? std::string() : std::string(text);
}

uint32_t readU32(DBusMessageIter* it) {
  if (typeAt(it) == DBUS_TYPE_UINT32) {
    dbus_uint32_t value = 0;
    dbus_message_iter_get_basic(it, &value);
    return value;
  }
  if (typeAt(it) == DBUS_TYPE_BYTE) {
    unsigned char value = 0;
    dbus_message_iter_get_basic(it, &value);
    return value;
  }
  return 0;
}

// Steps into a variant (when the iterator is on one).
DBusMessageIter unwrapVariant(DBusMessageIter* it) {
  DBusMessageIter inner = *it;
  if (typeAt(it) == DBUS_TYPE_VARIANT) dbus_message_iter_recurse(it, &inner);
  return inner;
}

// Calls `each` for every element of the array at `it`.
void forEachElement(DBusMessageIter* it, const std::function<void(DBusMessageIter*)>& each) {
  if (typeAt(it) != DBUS_TYPE_ARRAY) return;
  DBusMessageIter element;
  dbus_message_iter_recurse(it, &element);
  while (typeAt(&element) != DBUS_TYPE_INVALID) {
    each(&element);
    dbus_message_iter_next(&element);
  }
}

std::vector<std::string> readStrings(DBusMessageIter* it) {
  std::vector<std::string> out;
  forEachElement(it, [&](DBusMessageIter* element) { out.push_back(readString(element)); });
  return out;
}

std::string readBytes(DBusMessageIter* it) {
  std::string out;
  forEachElement(it, [&](DBusMessageIter* element) { out.push_back(static_cast<char>(readU32(element))); });
  return out;
}

// Calls `each(key, value)` for the entries of a dictionary with string keys.
void forEachEntry(DBusMessageIter* it, const std::function<void(const std::string&, DBusMessageIter*)>& each) {
  forEachElement(it, [&](DBusMessageIter* entry) {
    if (typeAt(entry) != DBUS_TYPE_DICT_ENTRY) return;
    DBusMessageIter field;
    dbus_message_iter_recurse(entry, &field);
    const std::string key = readString(&field);
    if (!dbus_message_iter_next(&field)) return;
    each(key, &field);
  });
}

// Copies the value at `from` (of any type) to `to`.
void copyValue(DBusMessageIter* from, DBusMessageIter* to) {
  const int type = typeAt(from);
  if (dbus_type_is_basic(type)) {
    DBusBasicValue value;
    dbus_message_iter_get_basic(from, &value);
    dbus_message_iter_append_basic(to, type, &value);
    return;
  }
  DBusMessageIter in;
  dbus_message_iter_recurse(from, &in);
  char* contained = nullptr;
  if (type == DBUS_TYPE_VARIANT) contained = dbus_message_iter_get_signature(&in);
  char* whole = type == DBUS_TYPE_ARRAY ? dbus_message_iter_get_signature(from) : nullptr;
  DBusMessageIter out;
  dbus_message_iter_open_container(to, type, whole != nullptr ? whole + 1 : contained, &out);
  while (typeAt(&in) != DBUS_TYPE_INVALID) {
    copyValue(&in, &out);
    dbus_message_iter_next(&in);
  }
  dbus_message_iter_close_container(to, &out);
  dbus_free(contained);
  dbus_free(whole);
}

// Appenders of settings values: one {sv} entry.
void appendEntry(DBusMessageIter* dict, const char* key, int type, const void* value) {
  DBusMessageIter entry;
  DBusMessageIter variant;
  const char signature[2] = {static_cast<char>(type), '\0'};
  dbus_message_iter_open_container(dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
  dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
  dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, signature, &variant);
  dbus_message_iter_append_basic(&variant, type, value);
  dbus_message_iter_close_container(&entry, &variant);
  dbus_message_iter_close_container(dict, &entry);
}

void appendStringEntry(DBusMessageIter* dict, const char* key, const std::string& value) {
  const char* text = value.c_str();
  appendEntry(dict, key, DBUS_TYPE_STRING, &text);
}

void appendBytesEntry(DBusMessageIter* dict, const char* key, std::string_view bytes) {
  DBusMessageIter entry;
  DBusMessageIter variant;
  DBusMessageIter array;
  dbus_message_iter_open_container(dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
  dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
  dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "ay", &variant);
  dbus_message_iter_open_container(&variant, DBUS_TYPE_ARRAY, "y", &array);
  const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes.data());
  dbus_message_iter_append_fixed_array(&array, DBUS_TYPE_BYTE, &data, static_cast<int>(bytes.size()));
  dbus_message_iter_close_container(&variant, &array);
  dbus_message_iter_close_container(&entry, &variant);
  dbus_message_iter_close_container(dict, &entry);
}

void appendStringMapEntry(DBusMessageIter* dict, const char* key, const std::map<std::string, std::string>& values) {
  DBusMessageIter entry;
  DBusMessageIter variant;
  DBusMessageIter array;
  dbus_message_iter_open_container(dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
  dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
  dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "a{ss}", &variant);
  dbus_message_iter_open_container(&variant, DBUS_TYPE_ARRAY, "{ss}", &array);
  for (const auto& [name, value] : values) {
    DBusMessageIter pair;
    const char* k = name.c_str();
    const char* v = value.c_str();
    dbus_message_iter_open_container(&array, DBUS_TYPE_DICT_ENTRY, nullptr, &pair);
    dbus_message_iter_append_basic(&pair, DBUS_TYPE_STRING, &k);
    dbus_message_iter_append_basic(&pair, DBUS_TYPE_STRING, &v);
    dbus_message_iter_close_container(&array, &pair);
  }
  dbus_message_iter_close_container(&variant, &array);
  dbus_message_iter_close_container(&entry, &variant);
  dbus_message_iter_close_container(dict, &entry);
}

// One setting ({sa{sv}} entry) whose keys `fill` appends.
void appendSetting(DBusMessageIter* settings, const char* name, const std::function<void(DBusMessageIter*)>& fill) {
  DBusMessageIter entry;
  DBusMessageIter dict;
  dbus_message_iter_open_container(settings, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
  dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &name);
  dbus_message_iter_open_container(&entry, DBUS_TYPE_ARRAY, "{sv}", &dict);
  fill(&dict);
  dbus_message_iter_close_container(&entry, &dict);
  dbus_message_iter_close_container(settings, &entry);
}

std::string hexOf(std::span<const uint8_t> data) {
  std::string out;
  char pair[3];
  for (const uint8_t byte : data) {
    std::snprintf(pair, sizeof pair, "%02x", byte);
    out += pair;
  }
  return out;
}

std::vector<uint8_t> bytesOfHex(std::string_view hex) {
  std::vector<uint8_t> out;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    const int high = nibble(hex[i]);
    const int low = nibble(hex[i + 1]);
    if (high < 0 || low < 0) return {};
    out.push_back(static_cast<uint8_t>(high * 16 + low));
  }
  return out;
}

std::string newUuid() {
  std::random_device device;
  std::uniform_int_distribution<int> digit(0, 15);
  std::string out = "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx";
  for (char& c : out) {
    if (c != 'x' && c != 'y') continue;
    const int value = c == 'x' ? digit(device) : 8 + digit(device) % 4;
    c = "0123456789abcdef"[value];
  }
  return out;
}

// A GUID for a device: FNV-1a of its object path, spread over 16 bytes.
GUID guidOf(std::string_view path) {
  uint64_t a = 0xcbf29ce484222325ull;
  uint64_t b = 0x84222325cbf29ce4ull;
  for (const char c : path) {
    a = (a ^ static_cast<uint8_t>(c)) * 0x100000001b3ull;
    b = (b ^ static_cast<uint8_t>(c)) * 0x100000001b3ull + 7;
  }
  GUID guid{};
  std::memcpy(&guid, &a, 8);
  std::memcpy(reinterpret_cast<char*>(&guid) + 8, &b, 8);
  return guid;
}

// The security of an access point as authentication and cipher numbers.
struct ApSecurity {
  bool enabled;
  DWORD auth;
  DWORD cipher;
};

DWORD cipherOf(uint32_t flags) {
  if (flags & kPairCcmp) return DOT11_CIPHER_CCMP;
  if (flags & kPairTkip) return DOT11_CIPHER_TKIP;
  if (flags & kPairWep104) return DOT11_CIPHER_WEP104;
  if (flags & kPairWep40) return DOT11_CIPHER_WEP40;
  return DOT11_CIPHER_CCMP;  // key management without a pairwise cipher: assume the usual
}

ApSecurity securityOf(uint32_t flags, uint32_t wpaFlags, uint32_t rsnFlags) {
  if (rsnFlags & kKeyMgmtPsk) return {true, DOT11_AUTH_RSNA_PSK, cipherOf(rsnFlags)};
  if (rsnFlags & kKeyMgmt8021x) return {true, DOT11_AUTH_RSNA, cipherOf(rsnFlags)};
  if (wpaFlags & kKeyMgmtPsk) return {true, DOT11_AUTH_WPA_PSK, cipherOf(wpaFlags)};
  if (wpaFlags & kKeyMgmt8021x) return {true, DOT11_AUTH_WPA, cipherOf(wpaFlags)};
  if (flags & kApPrivacy) return {true, DOT11_AUTH_OPEN, DOT11_CIPHER_WEP};
  return {false, DOT11_AUTH_OPEN, DOT11_CIPHER_NONE};
}

// A saved Wi-Fi connection.
struct SavedConnection {
  std::string path;
  std::u16string id;
  std::string ssid;
  std::map<std::string, std::string> userData;
};

class NetworkManagerWlan final : public platform::WlanBackend {
public:
  explicit NetworkManagerWlan(DBusConnection* bus) : bus_(bus) {}
  ~NetworkManagerWlan() override {
    dbus_connection_close(bus_);
    dbus_connection_unref(bus_);
  }

  bool offers(std::string_view function) const override { return function != "WlanUIEditProfile"; }

  DWORD interfaces(std::vector<platform::WlanInterfaceEntry>& out) override {
    out.clear();
    MessageRef reply = call(kManagerPath, kManagerIface, "GetDevices", nullptr);
    if (!reply) return ERROR_GEN_FAILURE;
    DBusMessageIter it;
    dbus_message_iter_init(reply.message, &it);
    for (const std::string& path : readStrings(&it)) {
      if (propertyU32(path, kDeviceIface, "DeviceType") != kDeviceTypeWifi) continue;
      platform::WlanInterfaceEntry entry;
      entry.guid = guidOf(path);
      entry.description = platform::ansiToWideLenient(propertyString(path, kDeviceIface, "Interface"));
      entry.state =
          propertyU32(path, kDeviceIface, "State") == kDeviceActivated ? WLAN_STATE_CONNECTED : WLAN_STATE_DISCONNECTED;
      entry.interfaceType = WLAN_INTERFACE_TYPE_NATIVE;
      out.push_back(std::move(entry));
      devicePaths_[path] = out.back().guid;
    }
    return ERROR_SUCCESS;
  }

  DWORD networks(const GUID& guid, DWORD flags, std::vector<platform::WlanNetworkEntry>& out) override {
    out.clear();
    const std::string device = devicePath(guid);
    if (device.empty()) return ERROR_NOT_FOUND;
    MessageRef reply = getProperty(device, kWirelessIface, "AccessPoints");
    if (!reply) return ERROR_GEN_FAILURE;
    DBusMessageIter it;
    dbus_message_iter_init(reply.message, &it);
    DBusMessageIter value = unwrapVariant(&it);
    std::vector<SavedConnection> saved;
    (void)savedConnections(saved);
    const bool hidden = (flags & WLAN_LIST_HIDDEN_WITH_PROFILES) != 0;
    for (const std::string& ap : readStrings(&value)) {
      MessageRef ssidReply = getProperty(ap, kApIface, "Ssid");
      if (!ssidReply) continue;
      DBusMessageIter ssidIt;
      dbus_message_iter_init(ssidReply.message, &ssidIt);
      DBusMessageIter ssidValue = unwrapVariant(&ssidIt);
      const std::string ssid = readBytes(&ssidValue);
      if (ssid.empty() && !hidden) continue;
      const ULONG strength = propertyU32(ap, kApIface, "Strength");
      auto same = std::find_if(out.begin(), out.end(), [&](const platform::WlanNetworkEntry& e) {
        return !ssid.empty() && e.ssid == ssid && e.profileName.empty();
      });
      if (same != out.end()) {
        ++same->bssidCount;
        same->signalQuality = std::max(same->signalQuality, strength);
        continue;
      }
      const ApSecurity security = securityOf(propertyU32(ap, kApIface, "Flags"), propertyU32(ap, kApIface, "WpaFlags"),
                                             propertyU32(ap, kApIface, "RsnFlags"));
      platform::WlanNetworkEntry entry;
      entry.ssid = ssid;
      entry.signalQuality = std::min<ULONG>(strength, 100);
      entry.securityEnabled = security.enabled;
      entry.authAlgorithm = security.auth;
      entry.cipherAlgorithm = security.cipher;
      out.push_back(entry);
    }
    // A network with saved connections is listed again under each of them.
    const size_t seen = out.size();
    for (size_t i = 0; i < seen; ++i) {
      for (const SavedConnection& connection : saved) {
        if (out[i].ssid.empty() || connection.ssid != out[i].ssid) continue;
        platform::WlanNetworkEntry withProfile = out[i];
        withProfile.profileName = connection.id;
        withProfile.flags |= WLAN_NETWORK_HAS_PROFILE;
        out.push_back(withProfile);
      }
    }
    return ERROR_SUCCESS;
  }

  DWORD profiles(const GUID& guid, std::vector<std::u16string>& out) override {
    out.clear();
    if (devicePath(guid).empty()) return ERROR_NOT_FOUND;
    std::vector<SavedConnection> saved;
    if (const DWORD result = savedConnections(saved); result != ERROR_SUCCESS) return result;
    for (const SavedConnection& connection : saved) out.push_back(connection.id);
    return ERROR_SUCCESS;
  }

  DWORD scan(const GUID& guid) override {
    const std::string device = devicePath(guid);
    if (device.empty()) return ERROR_NOT_FOUND;
    MessageRef reply = call(device, kWirelessIface, "RequestScan", [](DBusMessageIter* it) {
      DBusMessageIter options;
      dbus_message_iter_open_container(it, DBUS_TYPE_ARRAY, "{sv}", &options);
      dbus_message_iter_close_container(it, &options);
    });
    return reply ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
  }

  DWORD setProfile(const GUID& guid, std::u16string_view xml, bool overwrite) override {
    if (devicePath(guid).empty()) return ERROR_NOT_FOUND;
    const platform::WlanProfileParse parsed = platform::parseWlanProfile(xml);
    if (!parsed.fields) return ERROR_BAD_PROFILE;
    const platform::WlanProfileFields& fields = *parsed.fields;
    const std::optional<std::string> ssid = platform::wideToAnsi(fields.ssidName);
    const std::optional<std::string> key = platform::wideToAnsi(fields.keyMaterial);
    const std::optional<std::string> id = platform::wideToAnsi(fields.profileName);
    if (!ssid || !key || !id || ssid->empty() || ssid->size() > DOT11_SSID_MAX_LENGTH) {
      return ERROR_BAD_PROFILE;
    }
    std::string keyManagement;
    if (const DWORD result = keyManagementOf(fields, keyManagement); result != ERROR_SUCCESS) {
      return result;
    }
    std::vector<SavedConnection> saved;
    if (const DWORD result = savedConnections(saved); result != ERROR_SUCCESS) return result;
    const auto existing =
        std::find_if(saved.begin(), saved.end(), [&](const SavedConnection& c) { return c.id == fields.profileName; });
    if (existing != saved.end() && !overwrite) return ERROR_ALREADY_EXISTS;

    const std::string uuid = newUuid();
    const bool wep = platform::equalsIgnoreCase(fields.encryption, u"WEP");
    const bool shared = platform::equalsIgnoreCase(fields.authentication, u"shared");
    const Appender settings = [&](DBusMessageIter* it) {
      DBusMessageIter all;
      dbus_message_iter_open_container(it, DBUS_TYPE_ARRAY, "{sa{sv}}", &all);
      appendSetting(&all, "connection", [&](DBusMessageIter* d) {
        appendStringEntry(d, "id", *id);
        appendStringEntry(d, "type", kWifiType);
        if (existing == saved.end()) appendStringEntry(d, "uuid", uuid);
      });
      appendSetting(&all, kWifiType, [&](DBusMessageIter* d) {
        appendBytesEntry(d, "ssid", *ssid);
        appendStringEntry(d, "mode", "infrastructure");
        if (!keyManagement.empty()) appendStringEntry(d, "security", kSecuritySetting);
      });
      if (!keyManagement.empty()) {
        appendSetting(&all, kSecuritySetting, [&](DBusMessageIter* d) {
          appendStringEntry(d, "key-mgmt", keyManagement);
          if (keyManagement == "wpa-psk") appendStringEntry(d, "psk", *key);
          if (wep) {
            appendStringEntry(d, "auth-alg", shared ? "shared" : "open");
            appendStringEntry(d, "wep-key0", *key);
            const dbus_uint32_t keyType = 1;  // a hexadecimal or ASCII key
            appendEntry(d, "wep-key-type", DBUS_TYPE_UINT32, &keyType);
          }
        });
      }
      dbus_message_iter_close_container(it, &all);
    };
    MessageRef reply = existing != saved.end() ? call(existing->path, kConnectionIface, "Update", settings)
                                               : call(kSettingsPath, kSettingsIface, "AddConnection", settings);
    return reply ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
  }

  DWORD profileUserData(const GUID& guid, std::u16string_view profile, std::vector<uint8_t>& out) override {
    out.clear();
    SavedConnection connection;
    if (const DWORD result = findConnection(guid, profile, connection); result != ERROR_SUCCESS) {
      return result;
    }
    const auto data = connection.userData.find(kUserDataKey);
    if (data != connection.userData.end()) out = bytesOfHex(data->second);
    return ERROR_SUCCESS;
  }

  // Sends the connection's settings back with the user data in place: an
  // update replaces a connection's settings as a whole.
  DWORD setProfileUserData(const GUID& guid, std::u16string_view profile, std::span<const uint8_t> data) override {
    SavedConnection connection;
    if (const DWORD result = findConnection(guid, profile, connection); result != ERROR_SUCCESS) {
      return result;
    }
    MessageRef current = call(connection.path, kConnectionIface, "GetSettings", nullptr);
    if (!current) return ERROR_GEN_FAILURE;
    connection.userData[kUserDataKey] = hexOf(data);
    MessageRef reply = call(connection.path, kConnectionIface, "Update", [&](DBusMessageIter* it) {
      DBusMessageIter all;
      dbus_message_iter_open_container(it, DBUS_TYPE_ARRAY, "{sa{sv}}", &all);
      DBusMessageIter read;
      dbus_message_iter_init(current.message, &read);
      forEachElement(&read, [&](DBusMessageIter* entry) {
        DBusMessageIter field;
        dbus_message_iter_recurse(entry, &field);
        if (readString(&field) == "user") return;
        copyValue(entry, &all);
      });
      appendSetting(&all, "user", [&](DBusMessageIter* d) { appendStringMapEntry(d, "data", connection.userData); });
      dbus_message_iter_close_container(it, &all);
    });
    return reply ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
  }

  DWORD connect(const GUID& guid, std::u16string_view profile) override {
    SavedConnection connection;
    if (const DWORD result = findConnection(guid, profile, connection); result != ERROR_SUCCESS) {
      return result;
    }
    const std::string device = devicePath(guid);
    MessageRef reply = call(kManagerPath, kManagerIface, "ActivateConnection", [&](DBusMessageIter* it) {
      const char* paths[] = {connection.path.c_str(), device.c_str(), "/"};
      for (const char* path : paths) {
        dbus_message_iter_append_basic(it, DBUS_TYPE_OBJECT_PATH, &path);
      }
    });
    return reply ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
  }

  DWORD interfaceState(const GUID& guid, DWORD& state) override {
    const std::string device = devicePath(guid);
    if (device.empty()) return ERROR_NOT_FOUND;
    MessageRef reply = getProperty(device, kDeviceIface, "State");
    if (!reply) return ERROR_GEN_FAILURE;
    DBusMessageIter it;
    dbus_message_iter_init(reply.message, &it);
    DBusMessageIter value = unwrapVariant(&it);
    state = readU32(&value) == kDeviceActivated ? WLAN_STATE_CONNECTED : WLAN_STATE_DISCONNECTED;
    return ERROR_SUCCESS;
  }

  DWORD editProfile(const GUID&, std::u16string_view, HWND) override { return ERROR_NOT_SUPPORTED; }

private:
  // A method call and its reply; an empty reference on an error reply or
  // when no reply came within the time-out.
  MessageRef call(const std::string& path, const char* iface, const char* method, const Appender& append) {
    MessageRef request(dbus_message_new_method_call(kService, path.c_str(), iface, method));
    if (!request) return {};
    if (append) {
      DBusMessageIter it;
      dbus_message_iter_init_append(request.message, &it);
      append(&it);
    }
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus_, request.message, kCallTimeoutMs, &error);
    dbus_error_free(&error);
    return MessageRef(reply);
  }

  MessageRef getProperty(const std::string& path, const char* iface, const char* name) {
    return call(path, kPropertiesIface, "Get", [&](DBusMessageIter* it) {
      dbus_message_iter_append_basic(it, DBUS_TYPE_STRING, &iface);
      dbus_message_iter_append_basic(it, DBUS_TYPE_STRING, &name);
    });
  }

  uint32_t propertyU32(const std::string& path, const char* iface, const char* name) {
    MessageRef reply = getProperty(path, iface, name);
    if (!reply) return 0;
    DBusMessageIter it;
    dbus_message_iter_init(reply.message, &it);
    DBusMessageIter value = unwrapVariant(&it);
    return readU32(&value);
  }

  std::string propertyString(const std::string& path, const char* iface, const char* name) {
    MessageRef reply = getProperty(path, iface, name);
    if (!reply) return {};
    DBusMessageIter it;
    dbus_message_iter_init(reply.message, &it);
    DBusMessageIter value = unwrapVariant(&it);
    return readString(&value);
  }

  // The device with this GUID (listing the devices again when it is not
  // known yet); empty when there is none.
  std::string devicePath(const GUID& guid) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      for (const auto& [path, known] : devicePaths_) {
        if (known == guid) return path;
      }
      std::vector<platform::WlanInterfaceEntry> ignored;
      if (attempt == 0) (void)interfaces(ignored);
    }
    return {};
  }

  DWORD savedConnections(std::vector<SavedConnection>& out) {
    out.clear();
    MessageRef reply = call(kSettingsPath, kSettingsIface, "ListConnections", nullptr);
    if (!reply) return ERROR_GEN_FAILURE;
    DBusMessageIter it;
    dbus_message_iter_init(reply.message, &it);
    for (const std::string& path : readStrings(&it)) {
      MessageRef settings = call(path, kConnectionIface, "GetSettings", nullptr);
      if (!settings) continue;
      SavedConnection connection{path, {}, {}, {}};
      std::string type;
      DBusMessageIter read;
      dbus_message_iter_init(settings.message, &read);
      forEachEntry(&read, [&](const std::string& setting, DBusMessageIter* keys) {
        forEachEntry(keys, [&](const std::string& key, DBusMessageIter* variant) {
          DBusMessageIter value = unwrapVariant(variant);
          if (setting == "connection" && key == "id") {
            connection.id = platform::ansiToWideLenient(readString(&value));
          } else if (setting == "connection" && key == "type") {
            type = readString(&value);
          } else if (setting == kWifiType && key == "ssid") {
            connection.ssid = readBytes(&value);
          } else if (setting == "user" && key == "data") {
            forEachEntry(&value, [&](const std::string& name, DBusMessageIter* text) {
              connection.userData[name] = readString(text);
            });
          }
        });
      });
      if (type == kWifiType && !connection.id.empty()) out.push_back(std::move(connection));
    }
    return ERROR_SUCCESS;
  }

  DWORD findConnection(const GUID& guid, std::u16string_view profile, SavedConnection& out) {
    if (devicePath(guid).empty()) return ERROR_NOT_FOUND;
    std::vector<SavedConnection> saved;
    if (const DWORD result = savedConnections(saved); result != ERROR_SUCCESS) return result;
    for (SavedConnection& connection : saved) {
      if (connection.id != profile) continue;
      out = std::move(connection);
      return ERROR_SUCCESS;
    }
    return ERROR_NOT_FOUND;
  }

  // The key management of a profile: empty for an open network.
  static DWORD keyManagementOf(const platform::WlanProfileFields& fields, std::string& out) {
    const std::u16string_view auth = fields.authentication;
    const bool noCipher = platform::equalsIgnoreCase(fields.encryption, u"none");
    if ((platform::equalsIgnoreCase(auth, u"open") || auth.empty()) && noCipher) {
      out.clear();
      return ERROR_SUCCESS;
    }
    if (platform::equalsIgnoreCase(fields.encryption, u"WEP")) {
      out = "none";
      return ERROR_SUCCESS;
    }
    if (platform::equalsIgnoreCase(auth, u"WPAPSK") || platform::equalsIgnoreCase(auth, u"WPA2PSK")) {
      out = "wpa-psk";
      return ERROR_SUCCESS;
    }
    return ERROR_NOT_SUPPORTED;  // enterprise (802.1X) profiles need more than a key
  }

  DBusConnection* bus_;                      // private connection, closed at destruction
  std::map<std::string, GUID> devicePaths_;  // Wi-Fi devices seen, by object path
};

}  // namespace

std::unique_ptr<platform::WlanBackend> platform::connectNetworkManagerWlan(const std::string& address) {
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* bus = nullptr;
  if (address.empty()) {
    bus = dbus_bus_get_private(DBUS_BUS_SYSTEM, &error);
  } else {
    bus = dbus_connection_open_private(address.c_str(), &error);
    if (bus != nullptr && !dbus_bus_register(bus, &error)) {
      dbus_connection_close(bus);
      dbus_connection_unref(bus);
      bus = nullptr;
    }
  }
  // Without NetworkManager on the bus there is nothing to work with.
  if (bus != nullptr && !dbus_bus_name_has_owner(bus, kService, &error)) {
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
    bus = nullptr;
  }
  dbus_error_free(&error);
  if (bus == nullptr) return nullptr;
  // A lost bus must not end the host process.
  dbus_connection_set_exit_on_disconnect(bus, FALSE);
  return std::make_unique<NetworkManagerWlan>(bus);
}
