// Both ends of the service control socket; see ServiceControlSocket.h.
#include "ServiceControlSocket.h"

#include "platform/FileSyscalls.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

void putLittleEndian(unsigned char* out, DWORD value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

DWORD getLittleEndian(const unsigned char* in) {
  DWORD value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<DWORD>(in[i]) << (8 * i);
  return value;
}

bool makeAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// Reads exactly `size` bytes, waiting at most `timeoutMs` for each chunk.
bool readExactly(int fd, unsigned char* data, size_t size, int timeoutMs) {
  size_t done = 0;
  while (done < size) {
    pollfd waitFor{fd, POLLIN, 0};
    const int ready = poll(&waitFor, 1, timeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t got = read(fd, data + done, size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

bool writeExactly(int fd, const unsigned char* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t put = send(fd, data + done, size - done, MSG_NOSIGNAL);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<size_t>(put);
  }
  return true;
}

}  // namespace

int platform::detail::sendServiceControl(const std::string& path, DWORD control, ControlReply& reply) {
  sockaddr_un address;
  if (!makeAddress(path, address)) return ENAMETOOLONG;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return errno;
  int result;
  do {
    result = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  } while (result < 0 && errno == EINTR);
  if (result < 0) {
    const int error = errno;
    close(fd);
    return error;
  }
  unsigned char request[4];
  putLittleEndian(request, control);
  unsigned char answer[12];
  // The service answers as soon as it has queued the control; a service
  // that takes longer than this is hung.
  const bool ok =
      writeExactly(fd, request, sizeof request) && readExactly(fd, answer, sizeof answer, /*timeoutMs=*/30000);
  close(fd);
  if (!ok) return EPROTO;
  reply.accepted = getLittleEndian(answer);
  reply.currentState = getLittleEndian(answer + 4);
  reply.controlsAccepted = getLittleEndian(answer + 8);
  return 0;
}

int platform::detail::listenOnServiceSocket(const std::string& path, long groupId) {
  sockaddr_un address;
  if (!makeAddress(path, address)) return -ENAMETOOLONG;
  ControlReply ignored;
  const int probe = sendServiceControl(path, /*SERVICE_CONTROL_INTERROGATE=*/4, ignored);
  if (probe == 0 || probe == EACCES) return -EADDRINUSE;
  platform::FileSyscalls& calls = platform::fileSyscalls();
  calls.unlink(path.c_str());

  // Non-blocking: the service accepts whatever waits and goes back to its
  // other connections (see ControlConnections).
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -errno;
  // The socket is created with no access for anyone but its owner, then
  // opened to the group: there is never a moment when others may connect.
  const mode_t previous = umask(0177);
  const int bound = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  const int bindError = errno;
  umask(previous);
  if (bound < 0) {
    close(fd);
    return -bindError;
  }
  if (groupId >= 0) {
    if (calls.chown(path.c_str(), static_cast<uid_t>(-1), static_cast<gid_t>(groupId)) != 0 ||
        calls.chmod(path.c_str(), 0660) != 0) {
      const int error = errno;
      close(fd);
      calls.unlink(path.c_str());
      return -error;
    }
  }
  if (listen(fd, 16) < 0) {
    const int error = errno;
    close(fd);
    calls.unlink(path.c_str());
    return -error;
  }
  return fd;
}

bool platform::detail::readControlRequest(int connection, DWORD& control) {
  unsigned char request[4];
  if (!readExactly(connection, request, sizeof request, /*timeoutMs=*/1000)) return false;
  control = getLittleEndian(request);
  return true;
}

void platform::detail::writeControlReply(int connection, const ControlReply& reply) {
  unsigned char answer[12];
  putLittleEndian(answer, reply.accepted);
  putLittleEndian(answer + 4, reply.currentState);
  putLittleEndian(answer + 8, reply.controlsAccepted);
  writeExactly(connection, answer, sizeof answer);
}

namespace {

// How long an accepted connection may take to send its request.
constexpr uint64_t kRequestWaitMs = 1000;

uint64_t nowMs() {
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

platform::detail::ControlConnections::~ControlConnections() {
  for (const Client& client : clients_) close(client.fd);
}

void platform::detail::ControlConnections::acceptWaiting(int listener) {
  for (;;) {
    const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;  // nothing more waits (or a passing failure)
    clients_.push_back(Client{fd, nowMs(), {}, 0});
  }
}

bool platform::detail::ControlConnections::readAndAnswer(Client& client, const Answer& answer) {
  for (;;) {
    const ssize_t got =
        recv(client.fd, client.request + client.received, sizeof client.request - client.received, MSG_DONTWAIT);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
    if (got <= 0) return true;  // closed or broken before the request was whole
    client.received += static_cast<size_t>(got);
    if (client.received < sizeof client.request) continue;
    writeControlReply(client.fd, answer(getLittleEndian(client.request)));
    return true;
  }
}

void platform::detail::ControlConnections::serve(int listener, int timeoutMs, const Answer& answer) {
  std::vector<pollfd> waitFor;
  waitFor.push_back({listener, POLLIN, 0});
  for (const Client& client : clients_) waitFor.push_back({client.fd, POLLIN, 0});
  if (poll(waitFor.data(), waitFor.size(), timeoutMs) < 0) return;
  // Connections first, then new ones, so indexes of waitFor stay valid.
  const uint64_t now = nowMs();
  std::vector<Client> open;
  for (size_t i = 0; i < clients_.size(); ++i) {
    Client& client = clients_[i];
    const bool isDone =
        (waitFor[i + 1].revents != 0 && readAndAnswer(client, answer)) || now - client.acceptedMs >= kRequestWaitMs;
    if (isDone) {
      close(client.fd);
      continue;
    }
    open.push_back(client);
  }
  clients_ = std::move(open);
  if (waitFor[0].revents & POLLIN) acceptWaiting(listener);
}

void platform::detail::ControlConnections::drain(int listener, const Answer& answer) {
  acceptWaiting(listener);
  for (Client& client : clients_) {
    readAndAnswer(client, answer);
    close(client.fd);
  }
  clients_.clear();
}
