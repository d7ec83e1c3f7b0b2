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
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
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

// How the fake authenticates a device: it calls the registered callback from
// a thread of its own (the platform's callback thread) with these values.
struct FakeBluetoothAuthentication {
  BLUETOOTH_AUTHENTICATION_METHOD method = BLUETOOTH_AUTHENTICATION_METHOD_LEGACY;
  BLUETOOTH_IO_CAPABILITY ioCapability = BLUETOOTH_IO_CAPABILITY_DISPLAYYESNO;
  BLUETOOTH_AUTHENTICATION_REQUIREMENTS requirements = MITMProtectionNotRequiredBonding;
  ULONG number = 0;              // numeric value or passkey
  uint64_t callbackAddress = 0;  // 0: the device's own address
  int callbacks = 1;             // 0: the authentication ends without a callback
  DWORD failure = 1244;          // the answer without a positive response (ERROR_NOT_AUTHENTICATED)
};

// Connects an RFCOMM link for the fake: a connected descriptor (it passes
// to the socket), or -1 with *error set to the WSAE code connect fails with.
using FakeRfcommFactory = std::function<int(const SOCKADDR_BTH& address, int* error)>;

class ZEF_EXPORT FakeBluetoothBackend : public BluetoothBackend {
public:
  FakeBluetoothBackend();
  ~FakeBluetoothBackend() override;

  std::vector<FakeBluetoothRadio> radios;
  std::vector<FakeBluetoothDevice> devices;
  std::set<std::string> missingFunctions;  // GetProcAddress gives null for these
  DWORD removeDeviceAnswer = ERROR_SUCCESS;
  std::optional<FakeBluetoothAuthentication> authentication;  // unset: not supported
  FakeRfcommFactory rfcommFactory;                            // unset: the device is down

  // Inquiries: each takes the next round (the last one repeats); without
  // rounds they find `devices`. A queued failure answers the next inquiry.
  std::vector<std::vector<FakeBluetoothDevice>> inquiryRounds;
  std::vector<int> inquiryFailures;
  uint64_t localRadioAddress = 0x0000F0E0D0C0B0A0ull;
  int inquiryCount() const;

  // The responses the callback sent, and the addresses connect was given.
  std::vector<BLUETOOTH_AUTHENTICATE_RESPONSE> responses() const;
  std::vector<SOCKADDR_BTH> connects() const;

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
  DWORD authenticateDevice(BLUETOOTH_DEVICE_INFO& device, BLUETOOTH_AUTHENTICATION_REQUIREMENTS requirements) override;
  int rfcommSocket() override;
  int rfcommConnect(int fd, const SOCKADDR_BTH& address) override;
  int inquire(bool flushCache, std::vector<BluetoothInquiryDevice>& devices) override;
  int findService(uint64_t address, uint16_t uuid16, bool& found) override;
  uint64_t radioAddress() override;

protected:
  struct Registration {
    uint64_t address;
    PFN_AUTHENTICATION_CALLBACK_EX callback;
    void* context;
  };

  void record(std::string call);
  const FakeBluetoothDevice* findDevice(uint64_t address) const;

  mutable std::recursive_mutex mutex_;
  std::vector<std::string> calls_;
  std::vector<std::unique_ptr<Registration>> registrations_;
  std::vector<BLUETOOTH_AUTHENTICATE_RESPONSE> responses_;
  std::vector<SOCKADDR_BTH> connects_;
  int inquiries_ = 0;
  std::vector<FakeBluetoothDevice> lastInquiry_;
};

// Installs a back end for one scope and restores the previous one.
class ScopedBluetoothBackend {
public:
  explicit ScopedBluetoothBackend(BluetoothBackend* backend) : previous_(installBluetoothBackend(backend)) {}
  ~ScopedBluetoothBackend() { installBluetoothBackend(previous_); }
  ScopedBluetoothBackend(const ScopedBluetoothBackend&) = delete;
  ScopedBluetoothBackend& operator=(const ScopedBluetoothBackend&) = delete;

private:
  BluetoothBackend* previous_;
};

}  // namespace platform
