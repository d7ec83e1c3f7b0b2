// The Bluetooth back end over BlueZ on the system bus (D-Bus, org.bluez).
#pragma once

#include "platform/Bluetooth.h"

#include <memory>

namespace platform {

// The back end when org.bluez owns its name on the system bus; else null.
std::shared_ptr<BluetoothBackend> connectBluezBackend();

}  // namespace platform
