// One private connection to a message bus that both calls out and serves
// objects of its own: while it waits for the reply to a call, the method
// calls that arrive for its objects are dispatched. Pairing needs this (the
// radio stack calls our agent back while our pairing call is still pending),
// and so does a profile connect (the stack hands the connected socket to our
// profile object before it answers the connect).
//
// A session is used from one thread at a time. Every wait has a bound.
#pragma once

#include <dbus/dbus.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct BusMessageDeleter {
  void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using BusMessage = std::unique_ptr<DBusMessage, BusMessageDeleter>;

// How a call ended: a reply, an error reply (its name and text), or no
// answer within the bound (timedOut; also when the bus went away).
struct BusCallResult {
  BusMessage reply;
  std::string errorName;
  std::string errorText;
  bool timedOut = false;

  bool succeeded() const { return reply != nullptr; }
};

class BusSession {
public:
  // The method calls of an exported object: the handler answers through
  // reply() (or leaves a call that expects no reply unanswered).
  using ObjectHandler = std::function<void(DBusMessage* call)>;

  // A session on the bus at `address`, or null when the bus cannot be reached.
  static std::unique_ptr<BusSession> open(const std::string& address);
  ~BusSession();
  BusSession(const BusSession&) = delete;
  BusSession& operator=(const BusSession&) = delete;

  // Serves the method calls made on `path` with `handler` until the session ends.
  [[nodiscard]] bool exportObject(const std::string& path, ObjectHandler handler);

  // Sends `call` and waits up to `timeoutMs` for its reply, serving the
  // exported objects meanwhile.
  BusCallResult call(DBusMessage* call, int timeoutMs);
  // Sends `call` without waiting for any reply.
  void send(DBusMessage* call);
  // Answers `call` with an empty reply, or with the error `errorName` when set,
  // unless the caller asked for no reply.
  void reply(DBusMessage* call, const char* errorName = nullptr, const char* errorText = nullptr);
  void reply(DBusMessage* call, BusMessage answer);

private:
  explicit BusSession(DBusConnection* connection) : connection_(connection) {}
  static DBusHandlerResult dispatchToObject(DBusConnection*, DBusMessage* message, void* user);

  DBusConnection* connection_;
  std::vector<std::unique_ptr<ObjectHandler>> handlers_;  // one per exported path, kept while registered
};

}  // namespace platform

namespace platform {

// Reading replies of the usual shapes.
//
// Each interface of each object of a GetManagedObjects reply
// (a{oa{sa{sv}}}), with the iterator over its properties (a{sv}).
void forEachManagedInterface(
    DBusMessage* reply,
    const std::function<void(const char* path, const char* interface, DBusMessageIter* properties)>& visit);
// Each property of an a{sv} iterator, with the iterator at its variant.
// Entries of other shapes are skipped, as are replies of another signature.
void forEachProperty(DBusMessageIter* properties,
                     const std::function<void(const char* key, DBusMessageIter* value)>& visit);
// The string (or object path) a variant holds; empty for any other type.
std::string variantText(DBusMessageIter* value);

}  // namespace platform
