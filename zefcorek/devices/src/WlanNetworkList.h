// Work on the network lists the wireless functions hand out.
#pragma once

#include "platform/Export.h"
#include "platform/Wlan.h"

#include <string_view>

namespace zefcorek::devices {

// The network's name as its raw bytes.
inline std::string_view ssidBytes(const WlanNetworkRecord& network) {
  const size_t length = network.ssid.length < DOT11_SSID_MAX_LENGTH ? network.ssid.length : DOT11_SSID_MAX_LENGTH;
  return {reinterpret_cast<const char*>(network.ssid.bytes), length};
}

// Leaves one entry per network name: of two entries with one name the one
// with a profile stays (of two with profiles, the first). Names compare
// byte for byte; empty names (hidden networks) never match, so all of those
// stay. After each removal the search starts again from the first entry, so
// what stays is the same whatever the list's order of removals.
ZEF_EXPORT void removeDuplicateNetworks(WlanNetworkList& list);

}  // namespace zefcorek::devices
