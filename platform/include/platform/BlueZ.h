// The BlueZ radio stack on a named bus: what the system's stack is made of
// (Bluetooth.h looks for it on the system bus once), for hosts and tests that
// name the bus themselves.
#pragma once

#include "platform/Bluetooth.h"
#include "platform/Export.h"

#include <memory>
#include <string>

namespace platform {

// The BlueZ back end on the bus at `address` ("unix:path=..."), or null when
// the bus cannot be reached or has no org.bluez on it.
[[nodiscard]] ZEF_EXPORT std::unique_ptr<BluetoothBackend> connectBlueZBackend(const std::string& address);

}  // namespace platform
