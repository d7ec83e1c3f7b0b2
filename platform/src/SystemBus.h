// Where the system bus is: DBUS_SYSTEM_BUS_ADDRESS when set, else the
// standard socket. Read at each call, so a host (or a test) that names
// another bus is followed.
#pragma once

#include <string>

namespace platform {

std::string systemBusAddress();
// Whether a unix-socket address names a socket that exists, so a machine
// without a system bus answers at once (other addresses are tried).
bool busSocketExists(const std::string& address);

}  // namespace platform
