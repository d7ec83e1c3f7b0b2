// The radio stack of the system bus: BlueZ's adapters and devices reached
// over D-Bus. Made only when org.bluez answers on the system bus.
#pragma once

#include "platform/Bluetooth.h"

namespace platform {

// The BlueZ back end, or null when the system bus has no org.bluez (or no
// system bus is reachable). The system bus is DBUS_SYSTEM_BUS_ADDRESS when
// set, else the standard socket.
BluetoothBackend* makeBlueZBackend();

}  // namespace platform
