// A pseudo-terminal pair standing in for a serial device: the slave is
// entered in the serial device map as a COM port, the test talks to it from
// the master side. Test code: it calls the operating system directly.
#pragma once

#include <termios.h>

#include <string>

namespace testsupport {

class PtyPair {
public:
  PtyPair();  // aborts the test binary when no pty can be had
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  unsigned comNumber() const { return comNumber_; }
  // The slave's path below /dev ("pts/7").
  const std::string& devicePath() const { return devicePath_; }

  // The device side: bytes written to and read from the port.
  bool writeMaster(const std::string& bytes);
  // Reads what the master holds, waiting up to `timeoutMs` for `atLeast` bytes.
  std::string readMaster(size_t atLeast, int timeoutMs);
  // Fills the pty from the port's side until it takes no more, so that the
  // port's next write cannot go out while the master reads nothing.
  void fillFromSlave();
  // The slave's settings as the port left them.
  termios slaveSettings() const;

private:
  int master_ = -1;
  int slave_ = -1;  // kept open so the master never sees a hang-up
  std::string devicePath_;
  unsigned comNumber_ = 0;
};

}  // namespace testsupport
