// The pty pair of the serial tests (see PtyPair.h).
#include "testsupport/PtyPair.h"

#include "platform/CommPorts.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

testsupport::PtyPair::PtyPair() {
  char name[128] = {};
  termios raw{};
  cfmakeraw(&raw);
  if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) std::abort();
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  const std::string path(name);
  devicePath_ = path.rfind("/dev/", 0) == 0 ? path.substr(5) : path;
  comNumber_ = platform::registerSerialDevice(devicePath_);
}

testsupport::PtyPair::~PtyPair() {
  platform::unregisterSerialDevice(devicePath_);
  close(slave_);
  close(master_);
}

bool testsupport::PtyPair::writeMaster(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = write(master_, bytes.data() + done, bytes.size() - done);
    if (put < 0) {
      if (errno != EAGAIN) return false;
      pollfd watch{master_, POLLOUT, 0};
      poll(&watch, 1, 100);
      continue;
    }
    done += static_cast<size_t>(put);
  }
  return true;
}

std::string testsupport::PtyPair::readMaster(size_t atLeast, int timeoutMs) {
  std::string got;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  char buffer[4096];
  for (;;) {
    const ssize_t read = ::read(master_, buffer, sizeof buffer);
    if (read > 0) {
      got.append(buffer, static_cast<size_t>(read));
      continue;
    }
    if (got.size() >= atLeast || std::chrono::steady_clock::now() > end) return got;
    pollfd watch{master_, POLLIN, 0};
    poll(&watch, 1, 5);
  }
}

void testsupport::PtyPair::fillFromSlave() {
  const int flags = fcntl(slave_, F_GETFL);
  fcntl(slave_, F_SETFL, flags | O_NONBLOCK);
  char block[4096];
  std::memset(block, 'f', sizeof block);
  // The kernel moves bytes on to the master's side in the background, which
  // makes room again: fill until a round takes nothing at all.
  for (int round = 0; round < 100; ++round) {
    size_t taken = 0;
    for (ssize_t put; (put = write(slave_, block, sizeof block)) > 0;) taken += static_cast<size_t>(put);
    if (taken == 0) break;
    usleep(20'000);
  }
  fcntl(slave_, F_SETFL, flags);
}

termios testsupport::PtyPair::slaveSettings() const {
  termios settings{};
  tcgetattr(slave_, &settings);
  return settings;
}
