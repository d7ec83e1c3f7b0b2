// The modems of ModemManager (org.freedesktop.ModemManager1 on the system
// bus) as devices of the set-up class "Modem": a modem whose primary port,
// or one of its AT ports, is a device of the serial device map is attached
// to that device's COM port; its description is its manufacturer and model.
// Modems without such a port (network-only ones) are not listed.
#pragma once

#include "platform/DeviceSetup.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct DBusMessage;

namespace platform {

// A modem as ModemManager shows it.
struct ModemManagerModem {
  std::string path;
  std::string manufacturer;
  std::string model;
  std::string primaryPort;
  std::vector<std::pair<std::string, uint32_t>> ports;  // name and port type
};

// The modems of a GetManagedObjects reply (null: none); objects, interfaces
// and properties of other shapes are skipped.
std::vector<ModemManagerModem> modemsOfManagedObjects(DBusMessage* reply);

// The modems on the bus at `busAddress`; none when the bus or ModemManager
// is not there (ModemManager is never started for this).
std::vector<SetupDevice> modemManagerSetupDevices(const std::string& busAddress);

}  // namespace platform
