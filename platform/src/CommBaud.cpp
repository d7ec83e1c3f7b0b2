// Line speeds of any rate through termios2 and BOTHER.
#include "CommBaud.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

bool platform::setBaudRate(int fd, uint32_t baudRate) {
  struct termios2 settings {};
  if (::ioctl(fd, TCGETS2, &settings) != 0) return false;
  settings.c_cflag &= ~CBAUD;
  settings.c_cflag |= BOTHER;
  settings.c_ispeed = baudRate;
  settings.c_ospeed = baudRate;
  return ::ioctl(fd, TCSETS2, &settings) == 0;
}

uint32_t platform::readBaudRate(int fd) {
  struct termios2 settings {};
  if (::ioctl(fd, TCGETS2, &settings) != 0) return 0;
  return settings.c_ospeed;
}
