// An RFCOMM link by service class over BlueZ: BlueZ finds the channel of the
// class on the device itself (its service discovery) when we register a
// client profile for the class's UUID and ask the device to connect that
// profile; the connected socket comes to our profile object
// (org.bluez.Profile1.NewConnection) before the connect call is answered.
#pragma once

#include "platform/WinTypes.h"

#include <string>

namespace platform {

// Connects the device at `devicePath` to `serviceClass`: 0 and the connected
// socket in `connected`, or a WSAE error code (WSAEADDRNOTAVAIL when the
// device offers no such service).
[[nodiscard]] int connectBlueZProfile(const std::string& busAddress, const std::string& devicePath,
                                      const GUID& serviceClass, int& connected);

// The UUID text BlueZ names a service class by ("00001101-0000-1000-8000-00805f9b34fb").
std::string serviceClassUuid(const GUID& serviceClass);

}  // namespace platform
