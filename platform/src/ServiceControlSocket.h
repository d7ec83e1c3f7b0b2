// The wire between the service manager and a running service: one Unix
// stream socket per service, one control per connection.
//
//   request (client to service)     reply (service to client)
//   offset size meaning             offset size meaning
//   0      4    control code        0      4    1 accepted, 0 refused
//                                   4      4    current state (SERVICE_*)
//                                   8      4    controls the service takes
//
// All fields are little-endian 32-bit unsigned integers.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::detail {

struct ControlReply {
  DWORD accepted = 0;
  DWORD currentState = 0;
  DWORD controlsAccepted = 0;
};

// Sends one control to the socket at `path`; 0 with the reply, or the errno
// of the failing step (ENOENT or ECONNREFUSED: nothing listens; EACCES: the
// socket does not admit us; EPROTO: a short or missing reply).
int sendServiceControl(const std::string& path, DWORD control, ControlReply& reply);

// Binds and listens on `path`: a stale socket that nobody answers is
// replaced; one that answers is left alone (EADDRINUSE). The socket gets
// mode 0660 and `groupId` as its group when one is given (>= 0), else mode
// 0600. The descriptor (non-blocking), or -errno.
int listenOnServiceSocket(const std::string& path, long groupId);

// Reads one request from an accepted connection (waiting at most a second).
bool readControlRequest(int connection, DWORD& control);
void writeControlReply(int connection, const ControlReply& reply);

// The connections a service has accepted and not answered yet. Each is
// served as soon as its request has arrived; none waits for another, and one
// that sends nothing for a second is dropped. Times are milliseconds of a
// monotonic clock.
class ControlConnections {
public:
  using Answer = std::function<ControlReply(DWORD control)>;

  ControlConnections() = default;
  ~ControlConnections();
  ControlConnections(const ControlConnections&) = delete;
  ControlConnections& operator=(const ControlConnections&) = delete;

  // Waits (at most `timeoutMs`) until the listener or a connection has
  // something; accepts what waits on the listener and answers every request
  // that is complete through `answer`.
  void serve(int listener, int timeoutMs, const Answer& answer);
  // Answers every request already sent, on open connections or queued on
  // the listener, without waiting; then closes them all. For a service
  // that stops: no client is left without a reply.
  void drain(int listener, const Answer& answer);

private:
  struct Client {
    int fd;
    uint64_t acceptedMs;
    unsigned char request[4];
    size_t received;
  };
  void acceptWaiting(int listener);
  // Reads what `client` sent; true when it is done with (answered or gone).
  bool readAndAnswer(Client& client, const Answer& answer);

  std::vector<Client> clients_;
};

}  // namespace platform::detail
