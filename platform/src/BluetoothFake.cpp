// The test radio stack: answers from the fields the test set and records
// each call that would change a radio or a device.
#include "platform/BluetoothFake.h"

#include "platform/LastError.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr DWORD kNotFound = 1168;  // ERROR_NOT_FOUND
constexpr DWORD kNotSupported = 50;  // ERROR_NOT_SUPPORTED

std::string addressText(uint64_t address) {
  char text[16];
  std::snprintf(text, sizeof text, "%012llX", static_cast<unsigned long long>(address));
  return text;
}

}  // namespace

platform::FakeBluetoothBackend::FakeBluetoothBackend() = default;
platform::FakeBluetoothBackend::~FakeBluetoothBackend() = default;

std::vector<std::string> platform::FakeBluetoothBackend::calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

void platform::FakeBluetoothBackend::record(std::string call) {
  std::lock_guard lock(mutex_);
  calls_.push_back(std::move(call));
}

const platform::FakeBluetoothDevice* platform::FakeBluetoothBackend::findDevice(uint64_t address) const {
  for (const auto& device : devices) {
    if (device.address == address) return &device;
  }
  return nullptr;
}

// The fake has no property sheet, as no back end here has one.
bool platform::FakeBluetoothBackend::offers(const char* function) const {
  if (std::strcmp(function, "BluetoothDisplayDeviceProperties") == 0) return false;
  return missingFunctions.count(function) == 0;
}

int platform::FakeBluetoothBackend::radioCount() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(radios.size());
}

bool platform::FakeBluetoothBackend::isDiscoverable(int radio) {
  std::lock_guard lock(mutex_);
  if (radio >= 0) return radio < static_cast<int>(radios.size()) && radios[radio].discoverable;
  return std::any_of(radios.begin(), radios.end(), [](const auto& r) { return r.discoverable; });
}

bool platform::FakeBluetoothBackend::isConnectable(int radio) {
  std::lock_guard lock(mutex_);
  if (radio >= 0) return radio < static_cast<int>(radios.size()) && radios[radio].connectable;
  return std::any_of(radios.begin(), radios.end(), [](const auto& r) { return r.connectable; });
}

// A radio that is not connectable cannot be discoverable: switching
// connections off takes discovery with it, switching discovery on needs
// connections, as a real stack does.
bool platform::FakeBluetoothBackend::enableDiscovery(int radio, bool enabled) {
  std::lock_guard lock(mutex_);
  record("EnableDiscovery " + std::to_string(radio) + " " + std::to_string(enabled));
  bool changed = false;
  for (int i = 0; i < static_cast<int>(radios.size()); ++i) {
    if (radio >= 0 && i != radio) continue;
    if (enabled && !radios[i].connectable) continue;
    radios[i].discoverable = enabled;
    changed = true;
  }
  return changed;
}

bool platform::FakeBluetoothBackend::enableIncomingConnections(int radio, bool enabled) {
  std::lock_guard lock(mutex_);
  record("EnableIncomingConnections " + std::to_string(radio) + " " + std::to_string(enabled));
  bool changed = false;
  for (int i = 0; i < static_cast<int>(radios.size()); ++i) {
    if (radio >= 0 && i != radio) continue;
    radios[i].connectable = enabled;
    if (!enabled) radios[i].discoverable = false;
    changed = true;
  }
  return changed;
}

DWORD platform::FakeBluetoothBackend::deviceInfo(BLUETOOTH_DEVICE_INFO& info) {
  std::lock_guard lock(mutex_);
  const FakeBluetoothDevice* device = findDevice(info.Address.ullLong);
  if (device == nullptr) return kNotFound;
  info.ulClassofDevice = device->classOfDevice;
  info.fConnected = device->connected;
  info.fRemembered = device->remembered;
  info.fAuthenticated = device->authenticated;
  std::memset(info.szName, 0, sizeof info.szName);
  const size_t length = std::min(device->name.size(), BLUETOOTH_MAX_NAME_SIZE - 1);
  std::memcpy(info.szName, device->name.data(), length * sizeof(WCHAR));
  return ERROR_SUCCESS;
}

DWORD platform::FakeBluetoothBackend::removeDevice(uint64_t address) {
  std::lock_guard lock(mutex_);
  record("RemoveDevice " + addressText(address));
  if (removeDeviceAnswer == ERROR_SUCCESS) {
    std::erase_if(devices, [&](const auto& device) { return device.address == address; });
  }
  return removeDeviceAnswer;
}

DWORD platform::FakeBluetoothBackend::registerAuthentication(uint64_t, PFN_AUTHENTICATION_CALLBACK_EX,
                                                             void*, void**) {
  return kNotSupported;
}

bool platform::FakeBluetoothBackend::unregisterAuthentication(void*) { return false; }

DWORD platform::FakeBluetoothBackend::sendAuthenticationResponse(const BLUETOOTH_AUTHENTICATE_RESPONSE&) {
  return kNotSupported;
}

DWORD platform::FakeBluetoothBackend::authenticateDevice(BLUETOOTH_DEVICE_INFO&,
                                                         BLUETOOTH_AUTHENTICATION_REQUIREMENTS) {
  return kNotSupported;
}
