// Modems from ModemManager (see ModemManager.h).
#include "ModemManager.h"

#include "platform/CodePage.h"
#include "platform/CommPorts.h"

// After the platform's types: libdbus defines TRUE and FALSE as macros.
#include "BusSession.h"
#include "SystemBus.h"

#include <cstring>
#include <optional>

namespace {

constexpr const char* kService = "org.freedesktop.ModemManager1";
constexpr const char* kManagerPath = "/org/freedesktop/ModemManager1";
constexpr const char* kModemInterface = "org.freedesktop.ModemManager1.Modem";
constexpr uint32_t kAtPort = 3;  // MM_MODEM_PORT_TYPE_AT
constexpr int kCallMs = 3000;

using platform::ModemManagerModem;

// Ports (a(su)): each port's name and type.
std::vector<std::pair<std::string, uint32_t>> readPorts(DBusMessageIter* value) {
  std::vector<std::pair<std::string, uint32_t>> ports;
  if (dbus_message_iter_get_arg_type(value) != DBUS_TYPE_VARIANT) return ports;
  DBusMessageIter variant;
  dbus_message_iter_recurse(value, &variant);
  if (dbus_message_iter_get_arg_type(&variant) != DBUS_TYPE_ARRAY) return ports;
  DBusMessageIter item;
  for (dbus_message_iter_recurse(&variant, &item); dbus_message_iter_get_arg_type(&item) == DBUS_TYPE_STRUCT;
       dbus_message_iter_next(&item)) {
    DBusMessageIter field;
    dbus_message_iter_recurse(&item, &field);
    if (dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_STRING) continue;
    const char* name = nullptr;
    dbus_message_iter_get_basic(&field, &name);
    dbus_uint32_t type = 0;
    if (dbus_message_iter_next(&field) && dbus_message_iter_get_arg_type(&field) == DBUS_TYPE_UINT32) {
      dbus_message_iter_get_basic(&field, &type);
    }
    if (name != nullptr) ports.emplace_back(name, type);
  }
  return ports;
}

bool hasOwner(platform::BusSession& session) {
  platform::BusMessage call(dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                         "org.freedesktop.DBus", "NameHasOwner"));
  const char* name = kService;
  dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
  const platform::BusCallResult result = session.call(call.get(), kCallMs);
  dbus_bool_t owned = FALSE;
  return result.succeeded() &&
         dbus_message_get_args(result.reply.get(), nullptr, DBUS_TYPE_BOOLEAN, &owned, DBUS_TYPE_INVALID) && owned;
}

// The GetManagedObjects reply of ModemManager; null when it is not running.
platform::BusMessage managedObjects(const std::string& busAddress) {
  if (!platform::busSocketExists(busAddress)) return nullptr;
  std::unique_ptr<platform::BusSession> session = platform::BusSession::open(busAddress);
  // Asked only when running: a call to an absent service could start it.
  if (session == nullptr || !hasOwner(*session)) return nullptr;
  platform::BusMessage call(
      dbus_message_new_method_call(kService, kManagerPath, "org.freedesktop.DBus.ObjectManager", "GetManagedObjects"));
  // Nor when it stopped since: the bus must not start it for this call.
  dbus_message_set_auto_start(call.get(), FALSE);
  return std::move(session->call(call.get(), kCallMs).reply);
}

// The COM number of a serial map device named `port` (its path below /dev).
std::optional<unsigned> comNumberOf(const std::string& port) {
  if (port.empty()) return std::nullopt;
  for (unsigned number = 1; number <= 256; ++number) {
    if (platform::serialDeviceOfPort(number) == port) return number;
  }
  return std::nullopt;
}

// The port a modem is attached to: its primary port, else its first AT
// port, that the serial map knows.
std::optional<unsigned> attachedPort(const ModemManagerModem& modem) {
  if (auto number = comNumberOf(modem.primaryPort)) return number;
  for (const auto& [name, type] : modem.ports) {
    if (type != kAtPort) continue;
    if (auto number = comNumberOf(name)) return number;
  }
  return std::nullopt;
}

std::string descriptionOf(const ModemManagerModem& modem) {
  if (modem.manufacturer.empty() || modem.model.empty()) return modem.manufacturer + modem.model;
  return modem.manufacturer + " " + modem.model;
}

}  // namespace

std::vector<platform::ModemManagerModem> platform::modemsOfManagedObjects(DBusMessage* reply) {
  std::vector<ModemManagerModem> modems;
  forEachManagedInterface(reply, [&](const char* path, const char* interface, DBusMessageIter* properties) {
    if (std::strcmp(interface, kModemInterface) != 0) return;
    ModemManagerModem modem;
    modem.path = path;
    forEachProperty(properties, [&](const char* key, DBusMessageIter* value) {
      if (std::strcmp(key, "Manufacturer") == 0) modem.manufacturer = variantText(value);
      if (std::strcmp(key, "Model") == 0) modem.model = variantText(value);
      if (std::strcmp(key, "PrimaryPort") == 0) modem.primaryPort = variantText(value);
      if (std::strcmp(key, "Ports") == 0) modem.ports = readPorts(value);
    });
    modems.push_back(std::move(modem));
  });
  return modems;
}

std::vector<platform::SetupDevice> platform::modemManagerSetupDevices(const std::string& busAddress) {
  std::vector<SetupDevice> devices;
  const BusMessage reply = managedObjects(busAddress);
  for (const ModemManagerModem& modem : modemsOfManagedObjects(reply.get())) {
    const std::optional<unsigned> number = attachedPort(modem);
    if (!number) continue;
    SetupDevice device{};
    device.classGuid = GUID_DEVCLASS_MODEM;
    device.instanceId = u"MODEMMANAGER\\" + ansiToWideLenient(modem.path.substr(modem.path.rfind('/') + 1));
    device.description = ansiToWideLenient(descriptionOf(modem));
    device.attachedTo = u"COM" + ansiToWideLenient(std::to_string(*number));
    devices.push_back(std::move(device));
  }
  return devices;
}
