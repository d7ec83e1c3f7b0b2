// Whether a device offers a service class, asked of BlueZ: the UUIDs BlueZ
// keeps for the device answer when they name the class or when BlueZ has
// resolved the device's services on this connection; otherwise a service
// discovery runs first (Device1.Connect pages the device and searches its
// services), and a link made only for it is dropped again.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// What BlueZ shows of a device now.
struct BlueZDeviceServices {
  std::vector<std::string> uuids;
  bool resolved = false;  // ServicesResolved: the services were searched on this link
  bool connected = false;
};
using BlueZDeviceReader = std::function<std::optional<BlueZDeviceServices>()>;

// 0 and `found`, or a WSAE error code when the device cannot be read.
[[nodiscard]] int searchBlueZService(const std::string& busAddress, const std::string& devicePath,
                                     const std::string& uuid, const BlueZDeviceReader& readDevice, bool& found);

}  // namespace platform
