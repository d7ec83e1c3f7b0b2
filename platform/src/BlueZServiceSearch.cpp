// A service search through BlueZ (see BlueZServiceSearch.h).
#include "BlueZServiceSearch.h"

#include "platform/Sockets.h"
#include "platform/TextTools.h"

// After the platform's types: libdbus defines TRUE and FALSE as macros.
#include "BlueZBus.h"

#include <algorithm>

namespace {

// Paging the device and searching its services.
constexpr int kConnectMs = 30'000;
constexpr int kDisconnectMs = 5000;

bool offers(const platform::BlueZDeviceServices& device, const std::string& uuid) {
  // UUID text is hexadecimal ASCII in either case.
  return std::any_of(device.uuids.begin(), device.uuids.end(),
                     [&](const std::string& known) { return platform::equalsAsciiIgnoreCase(known, uuid); });
}

bool callDevice(platform::BusSession& session, const std::string& path, const char* method, int timeoutMs) {
  platform::BusMessage call = platform::blueZCall(path, platform::kBlueZDeviceInterface, method);
  return session.call(call.get(), timeoutMs).succeeded();
}

}  // namespace

int platform::searchBlueZService(const std::string& busAddress, const std::string& devicePath, const std::string& uuid,
                                 const BlueZDeviceReader& readDevice, bool& found) {
  found = false;
  const std::optional<BlueZDeviceServices> before = readDevice();
  if (!before) return WSAENETDOWN;
  if (offers(*before, uuid) || before->resolved) {
    found = offers(*before, uuid);
    return 0;
  }
  std::unique_ptr<BusSession> session = BusSession::open(busAddress);
  if (session == nullptr) return WSAENETDOWN;
  // A connect that fails after the search still leaves the services found.
  (void)callDevice(*session, devicePath, "Connect", kConnectMs);
  const std::optional<BlueZDeviceServices> after = readDevice();
  if (!before->connected && after && after->connected) {
    (void)callDevice(*session, devicePath, "Disconnect", kDisconnectMs);
  }
  found = after && offers(*after, uuid);
  return 0;
}
