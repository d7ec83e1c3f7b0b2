// A private bus connection that serves its own objects while it waits (see
// BusSession.h). libdbus runs no main loop here: the waits pump the
// connection themselves, one message at a time, until the reply has come or
// the bound has passed.
#include "BusSession.h"

#include <chrono>
#include <vector>

namespace {

// How long one pump of the connection may block: short, so the bound of a
// call is checked often.
constexpr int kPumpMs = 50;

}  // namespace

std::unique_ptr<platform::BusSession> platform::BusSession::open(const std::string& address) {
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* connection = dbus_connection_open_private(address.c_str(), &error);
  if (connection == nullptr) {
    dbus_error_free(&error);
    return nullptr;
  }
  dbus_connection_set_exit_on_disconnect(connection, FALSE);
  if (!dbus_bus_register(connection, &error)) {
    dbus_error_free(&error);
    dbus_connection_close(connection);
    dbus_connection_unref(connection);
    return nullptr;
  }
  return std::unique_ptr<BusSession>(new BusSession(connection));
}

platform::BusSession::~BusSession() {
  dbus_connection_close(connection_);
  dbus_connection_unref(connection_);
}

DBusHandlerResult platform::BusSession::dispatchToObject(DBusConnection*, DBusMessage* message, void* user) {
  if (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_METHOD_CALL) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  (*static_cast<ObjectHandler*>(user))(message);
  return DBUS_HANDLER_RESULT_HANDLED;
}

bool platform::BusSession::exportObject(const std::string& path, ObjectHandler handler) {
  static const DBusObjectPathVTable kTable = {nullptr, &BusSession::dispatchToObject, nullptr, nullptr, nullptr,
                                              nullptr};
  handlers_.push_back(std::make_unique<ObjectHandler>(std::move(handler)));
  return dbus_connection_register_object_path(connection_, path.c_str(), &kTable, handlers_.back().get()) != FALSE;
}

platform::BusCallResult platform::BusSession::call(DBusMessage* message, int timeoutMs) {
  BusCallResult result;
  DBusPendingCall* pending = nullptr;
  if (!dbus_connection_send_with_reply(connection_, message, &pending, timeoutMs) || pending == nullptr) {
    result.timedOut = true;
    return result;
  }
  // The pending call's own time-out needs a main loop; the bound is kept here,
  // in real time: a virtual clock cannot make the peer answer any sooner.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!dbus_pending_call_get_completed(pending) && std::chrono::steady_clock::now() < deadline) {
    if (!dbus_connection_read_write_dispatch(connection_, kPumpMs)) break;  // the bus went away
  }
  if (!dbus_pending_call_get_completed(pending)) {
    dbus_pending_call_cancel(pending);
    dbus_pending_call_unref(pending);
    result.timedOut = true;
    return result;
  }
  BusMessage reply(dbus_pending_call_steal_reply(pending));
  dbus_pending_call_unref(pending);
  if (reply == nullptr) {
    result.timedOut = true;
    return result;
  }
  if (dbus_message_get_type(reply.get()) == DBUS_MESSAGE_TYPE_ERROR) {
    const char* name = dbus_message_get_error_name(reply.get());
    result.errorName = name != nullptr ? name : "";
    const char* text = nullptr;
    if (dbus_message_get_args(reply.get(), nullptr, DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID) && text != nullptr) {
      result.errorText = text;
    }
    // A reply that never came is produced locally as NoReply: a time-out too.
    result.timedOut = result.errorName == DBUS_ERROR_NO_REPLY;
    return result;
  }
  result.reply = std::move(reply);
  return result;
}

void platform::BusSession::send(DBusMessage* message) {
  dbus_message_set_no_reply(message, TRUE);
  (void)dbus_connection_send(connection_, message, nullptr);
  dbus_connection_flush(connection_);
}

void platform::BusSession::reply(DBusMessage* call, const char* errorName, const char* errorText) {
  if (dbus_message_get_no_reply(call)) return;
  reply(call, BusMessage(errorName != nullptr ? dbus_message_new_error(call, errorName, errorText)
                                              : dbus_message_new_method_return(call)));
}

void platform::BusSession::reply(DBusMessage* call, BusMessage answer) {
  if (dbus_message_get_no_reply(call) || answer == nullptr) return;
  (void)dbus_connection_send(connection_, answer.get(), nullptr);
  dbus_connection_flush(connection_);
}

namespace {

// The key of a dict entry when it has the wanted basic type, with `entry`
// moved on to its value; null for an entry of another shape. What a peer
// sends is checked here, so a reply of an unexpected signature is skipped.
const char* entryKey(DBusMessageIter* dictEntry, int keyType, DBusMessageIter& entry) {
  dbus_message_iter_recurse(dictEntry, &entry);
  if (dbus_message_iter_get_arg_type(&entry) != keyType) return nullptr;
  const char* key = nullptr;
  dbus_message_iter_get_basic(&entry, &key);
  if (key == nullptr || !dbus_message_iter_next(&entry)) return nullptr;
  return key;
}

}  // namespace

void platform::forEachManagedInterface(DBusMessage* reply,
                                       const std::function<void(const char*, const char*, DBusMessageIter*)>& visit) {
  DBusMessageIter objects;
  if (reply == nullptr || !dbus_message_iter_init(reply, &objects) ||
      dbus_message_iter_get_arg_type(&objects) != DBUS_TYPE_ARRAY) {
    return;
  }
  DBusMessageIter object;
  for (dbus_message_iter_recurse(&objects, &object); dbus_message_iter_get_arg_type(&object) == DBUS_TYPE_DICT_ENTRY;
       dbus_message_iter_next(&object)) {
    DBusMessageIter entry;
    const char* path = entryKey(&object, DBUS_TYPE_OBJECT_PATH, entry);
    if (path == nullptr || dbus_message_iter_get_arg_type(&entry) != DBUS_TYPE_ARRAY) continue;
    DBusMessageIter interface;
    for (dbus_message_iter_recurse(&entry, &interface);
         dbus_message_iter_get_arg_type(&interface) == DBUS_TYPE_DICT_ENTRY; dbus_message_iter_next(&interface)) {
      DBusMessageIter pair;
      const char* name = entryKey(&interface, DBUS_TYPE_STRING, pair);
      if (name == nullptr || dbus_message_iter_get_arg_type(&pair) != DBUS_TYPE_ARRAY) continue;
      visit(path, name, &pair);
    }
  }
}

void platform::forEachProperty(DBusMessageIter* properties,
                               const std::function<void(const char*, DBusMessageIter*)>& visit) {
  if (dbus_message_iter_get_arg_type(properties) != DBUS_TYPE_ARRAY) return;
  DBusMessageIter property;
  for (dbus_message_iter_recurse(properties, &property);
       dbus_message_iter_get_arg_type(&property) == DBUS_TYPE_DICT_ENTRY; dbus_message_iter_next(&property)) {
    DBusMessageIter pair;
    const char* key = entryKey(&property, DBUS_TYPE_STRING, pair);
    if (key == nullptr || dbus_message_iter_get_arg_type(&pair) != DBUS_TYPE_VARIANT) continue;
    visit(key, &pair);
  }
}

std::string platform::variantText(DBusMessageIter* value) {
  if (dbus_message_iter_get_arg_type(value) != DBUS_TYPE_VARIANT) return {};
  DBusMessageIter variant;
  dbus_message_iter_recurse(value, &variant);
  const int type = dbus_message_iter_get_arg_type(&variant);
  if (type != DBUS_TYPE_STRING && type != DBUS_TYPE_OBJECT_PATH) return {};
  const char* text = nullptr;
  dbus_message_iter_get_basic(&variant, &text);
  return text == nullptr ? std::string() : std::string(text);
}
