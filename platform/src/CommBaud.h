// Line speeds of any rate, through the kernel's termios2 (kept apart: its
// header cannot live beside <termios.h>).
#pragma once

#include <cstdint>

namespace platform {

// False when the device refuses the rate (a pty accepts any).
bool setBaudRate(int fd, uint32_t baudRate);
// The output speed; 0 when it cannot be read.
uint32_t readBaudRate(int fd);

}  // namespace platform
