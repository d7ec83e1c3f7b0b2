// The modems of ModemManager (org.freedesktop.ModemManager1 on the system
// bus) as devices of the set-up class "Modem": a modem whose primary port,
// or one of its AT ports, is a device of the serial device map is attached
// to that device's COM port; its description is its manufacturer and model.
// Modems without such a port (network-only ones) are not listed.
#pragma once

#include "platform/DeviceSetup.h"

#include <string>
#include <vector>

namespace platform {

// The modems on the bus at `busAddress`; none when the bus or ModemManager
// is not there (ModemManager is never started for this).
std::vector<SetupDevice> modemManagerSetupDevices(const std::string& busAddress);

}  // namespace platform
