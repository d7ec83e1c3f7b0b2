// A service-class connect through a BlueZ client profile (see BlueZProfileConnect.h).
#include "BlueZProfileConnect.h"

#include "BlueZBus.h"

#include "platform/Sockets.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr const char* kManagerPath = "/org/bluez";
constexpr const char* kProfileManager = "org.bluez.ProfileManager1";
constexpr const char* kProfileInterface = "org.bluez.Profile1";
constexpr const char* kProfilePath = "/org/zef/BluetoothProfile";
constexpr int kManagerCallMs = 5000;
// A connect pages the device, searches its services and opens the channel.
constexpr int kConnectMs = 60'000;

// RegisterProfile(o path, s uuid, a{sv} options) with Role "client": we only
// connect out, never listen for the class.
platform::BusMessage registerProfileCall(const std::string& uuid) {
  platform::BusMessage call = platform::blueZCall(kManagerPath, kProfileManager, "RegisterProfile");
  DBusMessageIter args;
  DBusMessageIter options;
  DBusMessageIter entry;
  DBusMessageIter value;
  const char* path = kProfilePath;
  const char* uuidText = uuid.c_str();
  const char* key = "Role";
  const char* role = "client";
  dbus_message_iter_init_append(call.get(), &args);
  dbus_message_iter_append_basic(&args, DBUS_TYPE_OBJECT_PATH, &path);
  dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &uuidText);
  dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &options);
  dbus_message_iter_open_container(&options, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
  dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
  dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, DBUS_TYPE_STRING_AS_STRING, &value);
  dbus_message_iter_append_basic(&value, DBUS_TYPE_STRING, &role);
  dbus_message_iter_close_container(&entry, &value);
  dbus_message_iter_close_container(&options, &entry);
  dbus_message_iter_close_container(&args, &options);
  return call;
}

bool contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

// BlueZ answers a failed connect with an error name and, for the link
// itself, a text naming the socket error ("Connection refused",
// "br-connection-page-timeout", "Host is down").
int connectError(const platform::BusCallResult& result) {
  if (result.timedOut) return WSAETIMEDOUT;
  const std::string& name = result.errorName;
  if (name == "org.bluez.Error.NotAvailable" || name == "org.bluez.Error.DoesNotExist" ||
      name == "org.bluez.Error.InvalidArguments") {
    return WSAEADDRNOTAVAIL;
  }
  const std::string& text = result.errorText;
  if (contains(text, "refused")) return WSAECONNREFUSED;
  if (contains(text, "down") || contains(text, "unreachable")) return WSAEHOSTDOWN;
  if (contains(text, "time")) return WSAETIMEDOUT;
  return WSAENETDOWN;
}

// The profile object: keeps the first socket handed over, answers the rest.
struct ProfileObject {
  platform::BusSession& session;
  int socket = -1;

  void serve(DBusMessage* call) {
    if (dbus_message_is_method_call(call, kProfileInterface, "NewConnection")) {
      const char* device = nullptr;
      int fd = -1;
      // The descriptor read from a message is our own duplicate.
      if (dbus_message_get_args(call, nullptr, DBUS_TYPE_OBJECT_PATH, &device, DBUS_TYPE_UNIX_FD, &fd,
                                DBUS_TYPE_INVALID)) {
        if (socket < 0) {
          socket = fd;
        } else {
          ::close(fd);
        }
      }
    }
    session.reply(call);
  }
};

}  // namespace

std::string platform::serviceClassUuid(const GUID& c) {
  char text[37];
  std::snprintf(text, sizeof text, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", c.Data1, c.Data2, c.Data3,
                c.Data4[0], c.Data4[1], c.Data4[2], c.Data4[3], c.Data4[4], c.Data4[5], c.Data4[6], c.Data4[7]);
  return text;
}

int platform::connectBlueZProfile(const std::string& busAddress, const std::string& devicePath,
                                  const GUID& serviceClass, int& connected) {
  connected = -1;
  std::unique_ptr<BusSession> session = BusSession::open(busAddress);
  if (session == nullptr) return WSAENETDOWN;
  ProfileObject profile{*session};
  if (!session->exportObject(kProfilePath, [&](DBusMessage* call) { profile.serve(call); })) return WSAENOBUFS;
  const std::string uuid = serviceClassUuid(serviceClass);
  BusMessage registerCall = registerProfileCall(uuid);
  if (!session->call(registerCall.get(), kManagerCallMs).succeeded()) return WSAENETDOWN;

  BusMessage connectCall = blueZCall(devicePath, kBlueZDeviceInterface, "ConnectProfile");
  const char* uuidText = uuid.c_str();
  dbus_message_append_args(connectCall.get(), DBUS_TYPE_STRING, &uuidText, DBUS_TYPE_INVALID);
  const BusCallResult result = session->call(connectCall.get(), kConnectMs);

  // The link stays ours once handed over: unregistering only stops BlueZ
  // from offering the profile again.
  BusMessage unregister = blueZCall(kManagerPath, kProfileManager, "UnregisterProfile");
  const char* path = kProfilePath;
  dbus_message_append_args(unregister.get(), DBUS_TYPE_OBJECT_PATH, &path, DBUS_TYPE_INVALID);
  (void)session->call(unregister.get(), kManagerCallMs);

  if (!result.succeeded() || profile.socket < 0) {
    if (profile.socket >= 0) ::close(profile.socket);
    return result.succeeded() ? WSAENETDOWN : connectError(result);
  }
  connected = profile.socket;
  return 0;
}
