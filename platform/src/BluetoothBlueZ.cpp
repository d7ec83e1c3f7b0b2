// BlueZ over D-Bus (libdbus-1): the radio flags are properties of the
// adapter objects (org.bluez.Adapter1), the devices are the objects under
// them (org.bluez.Device1), both read with one GetManagedObjects call.
//
// "Connectable" here is a powered adapter and "discoverable" a powered,
// discoverable one: switching incoming connections off powers the adapter
// down, as the radio switch of the system does.
//
// Pairing (BlueZPairing), connects by service class (BlueZProfileConnect)
// and service searches (BlueZServiceSearch) each run on a bus connection of
// their own, which serves our agent or profile object while it waits.
#include "BluetoothBlueZ.h"

#include "BlueZPairing.h"
#include "BlueZProfileConnect.h"
#include "BlueZServiceSearch.h"
#include "BlueZBus.h"
#include "BusSession.h"
#include "SystemBus.h"

#include "platform/BlueZ.h"

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Sockets.h"
#include "platform/TextTools.h"

#include <dbus/dbus.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kCallTimeoutMs = 5000;     // every bus call is bounded
constexpr uint32_t kDiscoveryMs = 4000;  // an inquiry of about five seconds
constexpr DWORD kNotFound = 1168;        // ERROR_NOT_FOUND
constexpr DWORD kGenFailure = 31;        // ERROR_GEN_FAILURE

// The kernel's RFCOMM socket address (struct sockaddr_rc): the device
// address least significant byte first, then the channel.
constexpr int kAfBluetooth = 31;
constexpr int kBtProtoRfcomm = 3;
struct RfcommAddress {
  sa_family_t family;
  uint8_t address[6];
  uint8_t channel;
};

using Message = platform::BusMessage;

struct Adapter {
  std::string path;
  bool powered = false;
  bool discoverable = false;
};

struct Device {
  std::string path;
  std::string adapter;
  uint64_t address = 0;
  std::string name;
  uint32_t classOfDevice = 0;
  bool paired = false;
  bool trusted = false;
  bool connected = false;
  bool servicesResolved = false;
  std::vector<std::string> uuids;
};

struct Snapshot {
  std::vector<Adapter> adapters;
  std::vector<Device> devices;
};

// "AA:BB:CC:DD:EE:FF" with AA the top byte; 0 when it does not read.
uint64_t parseAddress(const char* text) {
  uint64_t address = 0;
  int fields = 0;
  const char* p = text;
  while (*p != 0 && fields < 6) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(p, &end, 16);
    if (end != p + 2 || value > 0xFF) return 0;
    address = (address << 8) | value;
    ++fields;
    p = end;
    if (*p == ':') ++p;
  }
  return fields == 6 && *p == 0 ? address : 0;
}

// Reads the variant under `iter` when it holds the basic type `type`.
template <typename T>
bool readVariant(DBusMessageIter* iter, int type, T& out) {
  DBusMessageIter variant;
  dbus_message_iter_recurse(iter, &variant);
  if (dbus_message_iter_get_arg_type(&variant) != type) return false;
  dbus_message_iter_get_basic(&variant, &out);
  return true;
}

std::vector<std::string> readStrings(DBusMessageIter* iter) {
  std::vector<std::string> strings;
  DBusMessageIter variant;
  dbus_message_iter_recurse(iter, &variant);
  if (dbus_message_iter_get_arg_type(&variant) != DBUS_TYPE_ARRAY) return strings;
  DBusMessageIter item;
  for (dbus_message_iter_recurse(&variant, &item); dbus_message_iter_get_arg_type(&item) == DBUS_TYPE_STRING;
       dbus_message_iter_next(&item)) {
    const char* text = nullptr;
    dbus_message_iter_get_basic(&item, &text);
    if (text != nullptr) strings.emplace_back(text);
  }
  return strings;
}

bool readBool(DBusMessageIter* iter) {
  dbus_bool_t value = FALSE;
  return readVariant(iter, DBUS_TYPE_BOOLEAN, value) && value;
}

std::string readString(DBusMessageIter* iter) {
  const char* value = nullptr;
  if (!readVariant(iter, DBUS_TYPE_STRING, value) || value == nullptr) return {};
  return value;
}

class BlueZBackend final : public platform::BluetoothBackend {
public:
  BlueZBackend(DBusConnection* bus, std::string address) : bus_(bus), address_(std::move(address)) {}
  ~BlueZBackend() override {
    dbus_connection_close(bus_);
    dbus_connection_unref(bus_);
  }

  bool offers(const char* function) const override {
    static const char* const kOffered[] = {
        "BluetoothFindFirstRadio",
        "BluetoothFindNextRadio",
        "BluetoothFindRadioClose",
        "BluetoothIsDiscoverable",
        "BluetoothEnableDiscovery",
        "BluetoothIsConnectable",
        "BluetoothEnableIncomingConnections",
        "BluetoothGetDeviceInfo",
        "BluetoothRemoveDevice",
        "BluetoothRegisterForAuthenticationEx",
        "BluetoothUnregisterAuthentication",
        "BluetoothSendAuthenticationResponseEx",
        "BluetoothAuthenticateDeviceEx",
    };
    for (const char* name : kOffered) {
      if (std::strcmp(name, function) == 0) return true;
    }
    return false;
  }

  int radioCount() override { return static_cast<int>(snapshot().adapters.size()); }

  bool isDiscoverable(int radio) override {
    return anyAdapter(radio, [](const Adapter& a) { return a.powered && a.discoverable; });
  }
  bool isConnectable(int radio) override {
    return anyAdapter(radio, [](const Adapter& a) { return a.powered; });
  }
  bool enableDiscovery(int radio, bool enabled) override { return setOnAdapters(radio, "Discoverable", enabled); }
  bool enableIncomingConnections(int radio, bool enabled) override { return setOnAdapters(radio, "Powered", enabled); }

  DWORD deviceInfo(BLUETOOTH_DEVICE_INFO& info) override {
    const Snapshot now = snapshot();
    for (const Device& device : now.devices) {
      if (device.address != info.Address.ullLong) continue;
      info.ulClassofDevice = device.classOfDevice;
      info.fConnected = device.connected;
      info.fRemembered = device.paired || device.trusted;
      info.fAuthenticated = device.paired;
      std::memset(info.szName, 0, sizeof info.szName);
      const std::u16string name = platform::ansiToWideLenient(device.name);
      const size_t length = std::min(name.size(), BLUETOOTH_MAX_NAME_SIZE - 1);
      std::memcpy(info.szName, name.data(), length * sizeof(WCHAR));
      return ERROR_SUCCESS;
    }
    return kNotFound;
  }

  DWORD removeDevice(uint64_t address) override {
    const Snapshot now = snapshot();
    for (const Device& device : now.devices) {
      if (device.address != address) continue;
      Message call = platform::blueZCall(device.adapter, "org.bluez.Adapter1", "RemoveDevice");
      const char* path = device.path.c_str();
      dbus_message_append_args(call.get(), DBUS_TYPE_OBJECT_PATH, &path, DBUS_TYPE_INVALID);
      return send(call.get()) ? ERROR_SUCCESS : kGenFailure;
    }
    return kNotFound;
  }

  DWORD registerAuthentication(uint64_t address, PFN_AUTHENTICATION_CALLBACK_EX callback, void* context,
                               void** registration) override {
    return pairing_.registerCallback(address, callback, context, registration);
  }
  bool unregisterAuthentication(void* registration) override { return pairing_.unregisterCallback(registration); }
  DWORD sendAuthenticationResponse(const BLUETOOTH_AUTHENTICATE_RESPONSE& response) override {
    return pairing_.sendResponse(response);
  }
  DWORD authenticateDevice(BLUETOOTH_DEVICE_INFO& info, BLUETOOTH_AUTHENTICATION_REQUIREMENTS requirements) override {
    const std::string path = devicePath(info.Address.ullLong);
    if (path.empty()) return kNotFound;
    return pairing_.pair({address_, path, info}, requirements);
  }

  // The devices the adapters know, after a discovery of a few seconds. The
  // services are those BlueZ resolved itself.
  int inquire(bool, std::vector<platform::BluetoothInquiryDevice>& devices) override {
    discover();
    const Snapshot now = snapshot();
    if (now.adapters.empty()) return WSAENETDOWN;
    devices.clear();
    for (const Device& device : now.devices) {
      devices.push_back({device.address, platform::ansiToWideLenient(device.name), device.classOfDevice, device.paired,
                         device.paired || device.trusted, device.connected});
    }
    return 0;
  }

  int findService(uint64_t address, uint16_t uuid16, bool& found) override {
    found = false;
    char wanted[40];
    std::snprintf(wanted, sizeof wanted, "0000%04x-0000-1000-8000-00805f9b34fb", uuid16);
    const std::string path = devicePath(address);
    if (path.empty()) return 0;
    return platform::searchBlueZService(
        address_, path, wanted, [&] { return deviceServices(address); }, found);
  }

  // The socket stands in until connect makes the RFCOMM link and puts it
  // in its place, so a socket (and its protocol information) exists even
  // where the kernel has no Bluetooth sockets; connect then fails.
  int rfcommSocket() override { return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0); }

  // A channel, or a service class whose channel BlueZ finds (port 0).
  int rfcommConnect(int fd, const SOCKADDR_BTH& address) override {
    const GUID serviceClass = address.serviceClassId;  // packed: read by value
    if (address.port == 0 && !(serviceClass == GUID{})) return connectByServiceClass(fd, address.btAddr, serviceClass);
    if (address.port == 0 || address.port > 30) return WSAEADDRNOTAVAIL;
    const int link = ::socket(kAfBluetooth, SOCK_STREAM | SOCK_CLOEXEC, kBtProtoRfcomm);
    if (link < 0) return WSAENETDOWN;
    RfcommAddress target{};
    target.family = kAfBluetooth;
    std::memcpy(target.address, &address.btAddr, sizeof target.address);
    target.channel = static_cast<uint8_t>(address.port);
    int error = 0;
    if (::connect(link, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
      switch (errno) {
        case ECONNREFUSED: error = WSAECONNREFUSED; break;
        case ETIMEDOUT: error = WSAETIMEDOUT; break;
        case EHOSTDOWN: error = WSAEHOSTDOWN; break;
        case EHOSTUNREACH: error = WSAEHOSTUNREACH; break;
        default: error = WSAENETDOWN; break;
      }
    } else if (::dup3(link, fd, O_CLOEXEC) < 0) {
      error = WSAENOBUFS;
    }
    ::close(link);
    return error;
  }

private:
  // The profile's socket takes the place of the stand-in descriptor.
  int connectByServiceClass(int fd, uint64_t device, const GUID& serviceClass) {
    const std::string path = devicePath(device);
    if (path.empty()) return WSAEHOSTDOWN;
    int connected = -1;
    const int error = platform::connectBlueZProfile(address_, path, serviceClass, connected);
    if (error != 0) return error;
    const int placed = ::dup3(connected, fd, O_CLOEXEC);
    ::close(connected);
    return placed < 0 ? WSAENOBUFS : 0;
  }

  std::optional<platform::BlueZDeviceServices> deviceServices(uint64_t address) {
    for (const Device& device : snapshot().devices) {
      if (device.address != address) continue;
      return platform::BlueZDeviceServices{device.uuids, device.servicesResolved, device.connected};
    }
    return std::nullopt;
  }

  // The object path of the device of `address`; empty when BlueZ knows none.
  std::string devicePath(uint64_t address) {
    for (const Device& device : snapshot().devices) {
      if (device.address == address) return device.path;
    }
    return {};
  }

  // The reply, or null for an error or a call that timed out.
  Message call(DBusMessage* message) {
    std::lock_guard lock(mutex_);
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus_, message, kCallTimeoutMs, &error);
    dbus_error_free(&error);
    return Message(reply);
  }
  bool send(DBusMessage* message) { return call(message) != nullptr; }

  template <typename Predicate>
  bool anyAdapter(int radio, Predicate predicate) {
    const Snapshot now = snapshot();
    for (int i = 0; i < static_cast<int>(now.adapters.size()); ++i) {
      if ((radio < 0 || radio == i) && predicate(now.adapters[i])) return true;
    }
    return false;
  }

  bool setOnAdapters(int radio, const char* property, bool enabled) {
    const Snapshot now = snapshot();
    bool done = false;
    for (int i = 0; i < static_cast<int>(now.adapters.size()); ++i) {
      if (radio >= 0 && radio != i) continue;
      if (!setProperty(now.adapters[i].path, property, enabled)) return false;
      done = true;
    }
    return done;
  }

  // A bounded discovery on every adapter; adapters that refuse are skipped.
  void discover() {
    const Snapshot now = snapshot();
    for (const Adapter& adapter : now.adapters) {
      Message start = platform::blueZCall(adapter.path, "org.bluez.Adapter1", "StartDiscovery");
      if (!send(start.get())) continue;
      platform::clock().sleepMs(kDiscoveryMs);
      Message stop = platform::blueZCall(adapter.path, "org.bluez.Adapter1", "StopDiscovery");
      (void)send(stop.get());
    }
  }

  bool setProperty(const std::string& path, const char* property, bool value) {
    Message message = platform::blueZCall(path, "org.freedesktop.DBus.Properties", "Set");
    const char* interface = "org.bluez.Adapter1";
    DBusMessageIter iter;
    DBusMessageIter variant;
    dbus_message_iter_init_append(message.get(), &iter);
    dbus_message_iter_append_basic(&iter, DBUS_TYPE_STRING, &interface);
    dbus_message_iter_append_basic(&iter, DBUS_TYPE_STRING, &property);
    dbus_message_iter_open_container(&iter, DBUS_TYPE_VARIANT, DBUS_TYPE_BOOLEAN_AS_STRING, &variant);
    const dbus_bool_t flag = value ? TRUE : FALSE;
    dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &flag);
    dbus_message_iter_close_container(&iter, &variant);
    return send(message.get());
  }

  // Every adapter and device under org.bluez, read in one call.
  Snapshot snapshot() {
    Snapshot result;
    Message message = platform::blueZCall("/", "org.freedesktop.DBus.ObjectManager", "GetManagedObjects");
    Message reply = call(message.get());
    platform::forEachManagedInterface(reply.get(),
                                      [&](const char* path, const char* name, DBusMessageIter* properties) {
                                        readInterface(path, name, properties, result);
                                      });
    return result;
  }

  static void readInterface(const char* path, const char* name, DBusMessageIter* properties, Snapshot& into) {
    using platform::forEachProperty;
    if (std::strcmp(name, "org.bluez.Adapter1") == 0) {
      Adapter adapter;
      adapter.path = path;
      forEachProperty(properties, [&](const char* key, DBusMessageIter* value) {
        if (std::strcmp(key, "Powered") == 0) adapter.powered = readBool(value);
        if (std::strcmp(key, "Discoverable") == 0) adapter.discoverable = readBool(value);
      });
      into.adapters.push_back(adapter);
    } else if (std::strcmp(name, platform::kBlueZDeviceInterface) == 0) {
      Device device;
      device.path = path;
      std::string alias;
      forEachProperty(properties, [&](const char* key, DBusMessageIter* value) {
        if (std::strcmp(key, "Address") == 0) device.address = parseAddress(readString(value).c_str());
        if (std::strcmp(key, "Name") == 0) device.name = readString(value);
        if (std::strcmp(key, "Alias") == 0) alias = readString(value);
        if (std::strcmp(key, "Adapter") == 0) {
          const char* adapterPath = nullptr;
          if (readVariant(value, DBUS_TYPE_OBJECT_PATH, adapterPath)) device.adapter = adapterPath;
        }
        if (std::strcmp(key, "Class") == 0) (void)readVariant(value, DBUS_TYPE_UINT32, device.classOfDevice);
        if (std::strcmp(key, "Paired") == 0) device.paired = readBool(value);
        if (std::strcmp(key, "Trusted") == 0) device.trusted = readBool(value);
        if (std::strcmp(key, "Connected") == 0) device.connected = readBool(value);
        if (std::strcmp(key, "UUIDs") == 0) device.uuids = readStrings(value);
        if (std::strcmp(key, "ServicesResolved") == 0) device.servicesResolved = readBool(value);
      });
      if (device.name.empty()) device.name = alias;
      // The parent object; "/" for one right below the root (an empty path
      // is no object path: libdbus would abort the call made on it).
      if (device.adapter.empty()) device.adapter = device.path.substr(0, std::max<size_t>(device.path.rfind('/'), 1));
      into.devices.push_back(device);
    }
  }

  DBusConnection* bus_;
  std::string address_;  // the bus's address, for the connections pairing and profiles open
  std::mutex mutex_;
  platform::BlueZPairing pairing_;
};

}  // namespace

std::unique_ptr<platform::BluetoothBackend> platform::connectBlueZBackend(const std::string& address) {
  if (!platform::busSocketExists(address)) return nullptr;
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* bus = dbus_connection_open_private(address.c_str(), &error);
  if (bus == nullptr) {
    dbus_error_free(&error);
    return nullptr;
  }
  dbus_connection_set_exit_on_disconnect(bus, FALSE);
  const bool registered = dbus_bus_register(bus, &error);
  const bool hasBlueZ = registered && dbus_bus_name_has_owner(bus, platform::kBlueZService, &error);
  dbus_error_free(&error);
  if (!hasBlueZ) {
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
    return nullptr;
  }
  return std::make_unique<BlueZBackend>(bus, address);
}

platform::BluetoothBackend* platform::makeBlueZBackend() {
  return connectBlueZBackend(platform::systemBusAddress()).release();
}
