// The WLAN back end over NetworkManager's D-Bus interface.
//
// Wi-Fi devices are the interfaces (the GUID is made from the device's
// object path), their access points the networks (one entry per name, the
// strongest signal), the saved Wi-Fi connections the profiles (by their id).
// A stored profile becomes a connection with the SSID, the key management
// and the PSK or WEP key of the profile XML; its custom user data goes to
// the connection's `user` setting. Connecting activates the connection on
// the device; the device state 100 (activated) is the connected state.
// There is no profile editor: WlanUIEditProfile is not offered.
//
// Security of an access point, from its Flags, WpaFlags and RsnFlags, as
// the authentication and cipher numbers of the wireless functions:
//
//   RsnFlags key management PSK       -> 7 (WPA2PSK)
//   RsnFlags key management 802.1X    -> 6 (WPA2)
//   WpaFlags key management PSK       -> 4 (WPAPSK)
//   WpaFlags key management 802.1X    -> 3 (WPA)
//   else                              -> 1 (open)
//   cipher of the flags used: pairwise CCMP -> 4 (AES), TKIP -> 2,
//   WEP-104 -> 5, WEP-40 -> 1; no WPA/RSN flags but the privacy flag ->
//   0x101 (WEP); nothing -> 0 (none).
#pragma once

#include "platform/Export.h"
#include "platform/Wlan.h"

#include <memory>
#include <string>

namespace platform {

// The back end on the bus at `address` (empty: the system bus); null when
// the bus cannot be reached. Every call waits at most two seconds.
[[nodiscard]] ZEF_EXPORT std::unique_ptr<WlanBackend> connectNetworkManagerWlan(const std::string& address);

}  // namespace platform
