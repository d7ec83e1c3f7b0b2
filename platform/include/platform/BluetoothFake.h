// The in-process radio stack that tests install: radios, remembered and
// visible devices, and a record of every call that changes something.
//
//   platform::FakeBluetoothBackend fake;
//   fake.radios.push_back({.connectable = true});
//   platform::ScopedBluetoothBackend active(&fake);
//
// Fields are set before the code under test runs; the record is read after.
#pragma once

#include "platform/Bluetooth.h"

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace platform {

struct FakeBluetoothRadio {
  bool connectable = false;
  bool discoverable = false;
};

struct FakeBluetoothDevice {
  uint64_t address = 0;
  std::u16string name;
  uint32_t classOfDevice = 0;
  bool connected = false;
  bool remembered = false;
  bool authenticated = false;
  std::vector<uint16_t> services;  // UUID16 service classes
};

class ZEF_EXPORT FakeBluetoothBackend : public BluetoothBackend {
public:
  FakeBluetoothBackend();
  ~FakeBluetoothBackend() override;

  std::vector<FakeBluetoothRadio> radios;
  std::vector<FakeBluetoothDevice> devices;
  std::set<std::string> missingFunctions;  // GetProcAddress gives null for these
  DWORD removeDeviceAnswer = ERROR_SUCCESS;

  // "EnableIncomingConnections 0 1", "EnableDiscovery 0 1", "RemoveDevice A1B2C3D4E5F6"…
  std::vector<std::string> calls() const;

  bool offers(const char* function) const override;
  int radioCount() override;
  bool isDiscoverable(int radio) override;
  bool isConnectable(int radio) override;
  bool enableDiscovery(int radio, bool enabled) override;
  bool enableIncomingConnections(int radio, bool enabled) override;
  DWORD deviceInfo(BLUETOOTH_DEVICE_INFO& info) override;
  DWORD removeDevice(uint64_t address) override;
  DWORD registerAuthentication(uint64_t address, PFN_AUTHENTICATION_CALLBACK_EX callback, void* context,
                               void** registration) override;
  bool unregisterAuthentication(void* registration) override;
  DWORD sendAuthenticationResponse(const BLUETOOTH_AUTHENTICATE_RESPONSE& response) override;
  DWORD authenticateDevice(BLUETOOTH_DEVICE_INFO& device,
                           BLUETOOTH_AUTHENTICATION_REQUIREMENTS requirements) override;

protected:
  void record(std::string call);
  const FakeBluetoothDevice* findDevice(uint64_t address) const;

  mutable std::recursive_mutex mutex_;
  std::vector<std::string> calls_;
};

// Installs a back end for one scope and restores the previous one.
class ScopedBluetoothBackend {
public:
  explicit ScopedBluetoothBackend(BluetoothBackend* backend)
      : previous_(installBluetoothBackend(backend)) {}
  ~ScopedBluetoothBackend() { installBluetoothBackend(previous_); }
  ScopedBluetoothBackend(const ScopedBluetoothBackend&) = delete;
  ScopedBluetoothBackend& operator=(const ScopedBluetoothBackend&) = delete;

private:
  BluetoothBackend* previous_;
};

}  // namespace platform
