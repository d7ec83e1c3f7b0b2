// BlueZ through libdbus: the adapters (org.bluez.Adapter1) are the radios.
//
//   radio connectable      Adapter1.Powered
//   radio discoverable     Adapter1.Powered and Adapter1.Discoverable
//   incoming connections   Adapter1.Powered set (off also ends discoverable)
//   discovery              Adapter1.Discoverable set
//   remove a device        Adapter1.RemoveDevice(<adapter>/dev_XX_XX_XX_XX_XX_XX)
//
// Every call waits at most kCallTimeoutMs for the answer.
#include "BluezBackend.h"

#include "platform/Format.h"
#include "platform/LastError.h"

#include <dbus/dbus.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr int kCallTimeoutMs = 2000;
constexpr char kService[] = "org.bluez";
constexpr char kAdapter[] = "org.bluez.Adapter1";
constexpr char kProperties[] = "org.freedesktop.DBus.Properties";

class BluezBackend final : public platform::BluetoothBackend {
public:
  explicit BluezBackend(DBusConnection* connection) : connection_(connection) {}
  ~BluezBackend() override {
    dbus_connection_close(connection_);
    dbus_connection_unref(connection_);
  }

  FARPROC function(std::string_view name) override;
  size_t radioCount() override { return adapters().size(); }

  std::vector<std::string> adapters();
  bool property(const std::string& adapter, const char* name);
  bool setProperty(const std::string& adapter, const char* name, bool value);
  DWORD removeDevice(const std::string& adapter, uint64_t address);

private:
  DBusMessage* call(DBusMessage* message);

  std::mutex mutex_;  // one call at a time on the private connection
  DBusConnection* connection_;
};

DBusMessage* BluezBackend::call(DBusMessage* message) {
  if (message == nullptr) return nullptr;
  DBusError error;
  dbus_error_init(&error);
  DBusMessage* reply;
  {
    std::lock_guard lock(mutex_);
    reply = dbus_connection_send_with_reply_and_block(connection_, message, kCallTimeoutMs, &error);
  }
  dbus_message_unref(message);
  dbus_error_free(&error);
  return reply;
}

// The object paths that carry Adapter1, sorted (hci0 first).
std::vector<std::string> BluezBackend::adapters() {
  std::vector<std::string> found;
  DBusMessage* reply = call(dbus_message_new_method_call(
      kService, "/", "org.freedesktop.DBus.ObjectManager", "GetManagedObjects"));
  if (reply == nullptr) return found;
  DBusMessageIter objects;
  if (dbus_message_iter_init(reply, &objects) && dbus_message_iter_get_arg_type(&objects) == DBUS_TYPE_ARRAY) {
    DBusMessageIter entry;
    for (dbus_message_iter_recurse(&objects, &entry);
         dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_DICT_ENTRY; dbus_message_iter_next(&entry)) {
      DBusMessageIter field;
      dbus_message_iter_recurse(&entry, &field);
      if (dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_OBJECT_PATH) continue;
      const char* path = nullptr;
      dbus_message_iter_get_basic(&field, &path);
      dbus_message_iter_next(&field);
      if (dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_ARRAY) continue;
      DBusMessageIter interface;
      for (dbus_message_iter_recurse(&field, &interface);
           dbus_message_iter_get_arg_type(&interface) == DBUS_TYPE_DICT_ENTRY;
           dbus_message_iter_next(&interface)) {
        DBusMessageIter name;
        dbus_message_iter_recurse(&interface, &name);
        if (dbus_message_iter_get_arg_type(&name) != DBUS_TYPE_STRING) continue;
        const char* text = nullptr;
        dbus_message_iter_get_basic(&name, &text);
        if (std::string_view(text) == kAdapter) found.emplace_back(path);
      }
    }
  }
  dbus_message_unref(reply);
  std::sort(found.begin(), found.end());
  return found;
}

bool BluezBackend::property(const std::string& adapter, const char* name) {
  DBusMessage* message = dbus_message_new_method_call(kService, adapter.c_str(), kProperties, "Get");
  if (message == nullptr) return false;
  const char* interface = kAdapter;
  dbus_message_append_args(message, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &name,
                           DBUS_TYPE_INVALID);
  DBusMessage* reply = call(message);
  if (reply == nullptr) return false;
  bool value = false;
  DBusMessageIter variant;
  if (dbus_message_iter_init(reply, &variant) &&
      dbus_message_iter_get_arg_type(&variant) == DBUS_TYPE_VARIANT) {
    DBusMessageIter inner;
    dbus_message_iter_recurse(&variant, &inner);
    if (dbus_message_iter_get_arg_type(&inner) == DBUS_TYPE_BOOLEAN) {
      dbus_bool_t flag = FALSE;
      dbus_message_iter_get_basic(&inner, &flag);
      value = flag != 0;
    }
  }
  dbus_message_unref(reply);
  return value;
}

bool BluezBackend::setProperty(const std::string& adapter, const char* name, bool value) {
  DBusMessage* message = dbus_message_new_method_call(kService, adapter.c_str(), kProperties, "Set");
  if (message == nullptr) return false;
  DBusMessageIter arguments;
  dbus_message_iter_init_append(message, &arguments);
  const char* interface = kAdapter;
  dbus_message_iter_append_basic(&arguments, DBUS_TYPE_STRING, &interface);
  dbus_message_iter_append_basic(&arguments, DBUS_TYPE_STRING, &name);
  DBusMessageIter variant;
  dbus_message_iter_open_container(&arguments, DBUS_TYPE_VARIANT, DBUS_TYPE_BOOLEAN_AS_STRING, &variant);
  const dbus_bool_t flag = value ? TRUE : FALSE;
  dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &flag);
  dbus_message_iter_close_container(&arguments, &variant);
  DBusMessage* reply = call(message);
  if (reply == nullptr) return false;
  const bool done = dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN;
  dbus_message_unref(reply);
  return done;
}

DWORD BluezBackend::removeDevice(const std::string& adapter, uint64_t address) {
  std::string device = adapter + "/dev";
  for (int byte = 5; byte >= 0; --byte) {
    device += platform::formatText(std::string_view("_%02X"),
                                   static_cast<unsigned>((address >> (byte * 8)) & 0xFF));
  }
  DBusMessage* message = dbus_message_new_method_call(kService, adapter.c_str(), kAdapter, "RemoveDevice");
  if (message == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  const char* path = device.c_str();
  dbus_message_append_args(message, DBUS_TYPE_OBJECT_PATH, &path, DBUS_TYPE_INVALID);
  DBusMessage* reply = call(message);
  if (reply == nullptr) return ERROR_FILE_NOT_FOUND;
  const bool done = dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN;
  dbus_message_unref(reply);
  return done ? 0 : ERROR_FILE_NOT_FOUND;
}

std::shared_ptr<BluezBackend> active() {
  return std::dynamic_pointer_cast<BluezBackend>(platform::bluetoothBackend());
}

// The adapter a radio handle stands for (the first one for no handle).
std::string adapterOf(BluezBackend& backend, HANDLE radio) {
  const auto adapters = backend.adapters();
  const int index = platform::bluetoothRadioIndex(radio);
  if (adapters.empty()) return {};
  if (index < 0) return adapters.front();
  return static_cast<size_t>(index) < adapters.size() ? adapters[index] : std::string();
}

BOOL bluezIsConnectable(HANDLE radio) {
  auto backend = active();
  if (!backend) return FALSE;
  const std::string adapter = adapterOf(*backend, radio);
  return !adapter.empty() && backend->property(adapter, "Powered");
}

BOOL bluezIsDiscoverable(HANDLE radio) {
  auto backend = active();
  if (!backend) return FALSE;
  const std::string adapter = adapterOf(*backend, radio);
  return !adapter.empty() && backend->property(adapter, "Powered") &&
         backend->property(adapter, "Discoverable");
}

BOOL bluezEnableIncomingConnections(HANDLE radio, BOOL on) {
  auto backend = active();
  if (!backend) return FALSE;
  const std::string adapter = adapterOf(*backend, radio);
  if (adapter.empty()) return FALSE;
  if (!on && !backend->setProperty(adapter, "Discoverable", false)) return FALSE;
  return backend->setProperty(adapter, "Powered", on != FALSE);
}

BOOL bluezEnableDiscovery(HANDLE radio, BOOL on) {
  auto backend = active();
  if (!backend) return FALSE;
  const std::string adapter = adapterOf(*backend, radio);
  return !adapter.empty() && backend->setProperty(adapter, "Discoverable", on != FALSE);
}

DWORD bluezRemoveDevice(const uint64_t* address) {
  auto backend = active();
  if (!backend || address == nullptr) return ERROR_INVALID_PARAMETER;
  const std::string adapter = adapterOf(*backend, nullptr);
  if (adapter.empty()) return ERROR_FILE_NOT_FOUND;
  return backend->removeDevice(adapter, *address);
}

FARPROC BluezBackend::function(std::string_view name) {
  struct Row {
    std::string_view name;
    FARPROC function;
  };
  static const Row kRows[] = {
      {"BluetoothIsDiscoverable", reinterpret_cast<FARPROC>(&bluezIsDiscoverable)},
      {"BluetoothIsConnectable", reinterpret_cast<FARPROC>(&bluezIsConnectable)},
      {"BluetoothEnableDiscovery", reinterpret_cast<FARPROC>(&bluezEnableDiscovery)},
      {"BluetoothEnableIncomingConnections",
       reinterpret_cast<FARPROC>(&bluezEnableIncomingConnections)},
      {"BluetoothRemoveDevice", reinterpret_cast<FARPROC>(&bluezRemoveDevice)},
  };
  for (const Row& row : kRows) {
    if (row.name == name) return row.function;
  }
  return nullptr;
}

}  // namespace

std::shared_ptr<platform::BluetoothBackend> platform::connectBluezBackend() {
  dbus_threads_init_default();
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* connection = dbus_bus_get_private(DBUS_BUS_SYSTEM, &error);
  if (connection == nullptr) {
    dbus_error_free(&error);
    return nullptr;
  }
  // A private connection must not end the process when the bus goes.
  dbus_connection_set_exit_on_disconnect(connection, FALSE);
  const bool present = dbus_bus_name_has_owner(connection, kService, &error);
  dbus_error_free(&error);
  if (!present) {
    dbus_connection_close(connection);
    dbus_connection_unref(connection);
    return nullptr;
  }
  return std::make_shared<BluezBackend>(connection);
}
