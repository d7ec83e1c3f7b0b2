// Calls to BlueZ's objects, shared by the back end and the connections it
// opens for pairing, profile connects and service searches.
#pragma once

#include "BusSession.h"

#include <string>

namespace platform {

inline constexpr const char* kBlueZService = "org.bluez";
inline constexpr const char* kBlueZDeviceInterface = "org.bluez.Device1";

// A call of `method` on BlueZ's object at `path`.
inline BusMessage blueZCall(const std::string& path, const char* interface, const char* method) {
  return BusMessage(dbus_message_new_method_call(kBlueZService, path.c_str(), interface, method));
}

}  // namespace platform
