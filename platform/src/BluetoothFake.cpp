// The test radio stack: answers from the fields the test set and records
// each call that would change a radio or a device.
#include "platform/BluetoothFake.h"

#include "platform/LastError.h"
#include "platform/Sockets.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

constexpr DWORD kNotFound = 1168;    // ERROR_NOT_FOUND
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

DWORD platform::FakeBluetoothBackend::registerAuthentication(uint64_t address, PFN_AUTHENTICATION_CALLBACK_EX callback,
                                                             void* context, void** registration) {
  std::lock_guard lock(mutex_);
  if (!authentication) return kNotSupported;
  record("RegisterForAuthentication " + addressText(address));
  registrations_.push_back(std::make_unique<Registration>(Registration{address, callback, context}));
  *registration = registrations_.back().get();
  return ERROR_SUCCESS;
}

bool platform::FakeBluetoothBackend::unregisterAuthentication(void* registration) {
  std::lock_guard lock(mutex_);
  const auto before = registrations_.size();
  std::erase_if(registrations_, [&](const auto& r) { return r.get() == registration; });
  if (registrations_.size() == before) return false;
  record("UnregisterAuthentication");
  return true;
}

DWORD platform::FakeBluetoothBackend::sendAuthenticationResponse(const BLUETOOTH_AUTHENTICATE_RESPONSE& response) {
  std::lock_guard lock(mutex_);
  if (!authentication) return kNotSupported;
  responses_.push_back(response);
  return ERROR_SUCCESS;
}

std::vector<BLUETOOTH_AUTHENTICATE_RESPONSE> platform::FakeBluetoothBackend::responses() const {
  std::lock_guard lock(mutex_);
  return responses_;
}

std::vector<SOCKADDR_BTH> platform::FakeBluetoothBackend::connects() const {
  std::lock_guard lock(mutex_);
  return connects_;
}

// The callbacks run on a thread of their own while the caller blocks here,
// as the platform's callback thread runs them; the lock is not held then.
DWORD platform::FakeBluetoothBackend::authenticateDevice(BLUETOOTH_DEVICE_INFO& device,
                                                         BLUETOOTH_AUTHENTICATION_REQUIREMENTS) {
  FakeBluetoothAuthentication plan;
  std::optional<Registration> registration;
  size_t responsesBefore = 0;
  {
    std::lock_guard lock(mutex_);
    if (!authentication) return kNotSupported;
    record("AuthenticateDevice " + addressText(device.Address.ullLong));
    plan = *authentication;
    for (const auto& r : registrations_) {
      if (r->address == 0 || r->address == device.Address.ullLong) registration = *r;
    }
    responsesBefore = responses_.size();
  }
  if (registration && plan.callbacks > 0) {
    std::thread callbackThread([&] {
      for (int i = 0; i < plan.callbacks; ++i) {
        BLUETOOTH_AUTHENTICATION_CALLBACK_PARAMS params{};
        params.deviceInfo = device;
        if (plan.callbackAddress != 0) params.deviceInfo.Address.ullLong = plan.callbackAddress;
        params.authenticationMethod = plan.method;
        params.ioCapability = plan.ioCapability;
        params.authenticationRequirements = plan.requirements;
        params.Numeric_Value = plan.number;
        (void)registration->callback(registration->context, &params);
      }
    });
    callbackThread.join();
  }
  std::lock_guard lock(mutex_);
  const bool accepted = responses_.size() > responsesBefore && responses_.back().negativeResponse == 0;
  if (!accepted) return plan.failure;
  for (auto& known : devices) {
    if (known.address != device.Address.ullLong) continue;
    known.authenticated = true;
    known.remembered = true;
  }
  return ERROR_SUCCESS;
}

int platform::FakeBluetoothBackend::rfcommSocket() { return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0); }

// The factory's descriptor takes the place of the socket's, so the socket
// keeps its number and everything after connect is a plain stream.
int platform::FakeBluetoothBackend::rfcommConnect(int fd, const SOCKADDR_BTH& address) {
  FakeRfcommFactory factory;
  {
    std::lock_guard lock(mutex_);
    connects_.push_back(address);
    factory = rfcommFactory;
  }
  if (!factory) return WSAEHOSTDOWN;
  int error = WSAEHOSTDOWN;
  const int connected = factory(address, &error);
  if (connected < 0) return error;
  const int result = ::dup3(connected, fd, O_CLOEXEC);
  ::close(connected);
  return result < 0 ? WSAENOBUFS : 0;
}

int platform::FakeBluetoothBackend::inquiryCount() const {
  std::lock_guard lock(mutex_);
  return inquiries_;
}

int platform::FakeBluetoothBackend::inquire(bool flushCache, std::vector<BluetoothInquiryDevice>& found) {
  std::lock_guard lock(mutex_);
  record(std::string("Inquiry") + (flushCache ? " flush" : ""));
  if (!inquiryFailures.empty()) {
    const int error = inquiryFailures.front();
    inquiryFailures.erase(inquiryFailures.begin());
    return error;
  }
  const size_t round = static_cast<size_t>(inquiries_++);
  lastInquiry_ = inquiryRounds.empty() ? devices : inquiryRounds[std::min(round, inquiryRounds.size() - 1)];
  found.clear();
  for (const auto& device : lastInquiry_) {
    found.push_back(
        {device.address, device.name, device.classOfDevice, device.authenticated, device.remembered, device.connected});
  }
  return 0;
}

int platform::FakeBluetoothBackend::findService(uint64_t address, uint16_t uuid16, bool& found) {
  std::lock_guard lock(mutex_);
  found = false;
  for (const auto* list : {&lastInquiry_, &devices}) {
    for (const auto& device : *list) {
      if (device.address != address) continue;
      found = std::find(device.services.begin(), device.services.end(), uuid16) != device.services.end();
      return 0;
    }
  }
  return 0;
}

uint64_t platform::FakeBluetoothBackend::radioAddress() {
  std::lock_guard lock(mutex_);
  return localRadioAddress;
}
