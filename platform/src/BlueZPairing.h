// Pairing over BlueZ: the authentication callbacks the radio modules
// register, played by an agent (org.bluez.Agent1) that we export for the
// length of one Device1.Pair call.
//
// The agent's requests map onto the callback's authentication methods:
//   RequestPinCode      legacy PIN        the response's PIN text is the answer
//   RequestPasskey      passkey entry     the response's passkey is the answer
//   DisplayPasskey      passkey notification, with the passkey
//   DisplayPinCode      passkey notification, with the PIN read as a number
//   RequestConfirmation numeric comparison, with the number
//   RequestAuthorization numeric comparison without a number (just works)
// The callback answers through sendResponse while it runs; no response or a
// negative one rejects the request (a notification that needs no reply
// cancels the pairing instead). Out-of-band pairing asks no agent. A
// request about any other device than the one being paired is refused.
#pragma once

#include "platform/Bluetooth.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class BusSession;
}  // namespace platform
struct DBusMessage;
namespace platform {

class BlueZPairing {
public:
  // What the back end knows of the device it pairs.
  struct Target {
    std::string busAddress;
    std::string devicePath;  // the device's object path under org.bluez
    BLUETOOTH_DEVICE_INFO info;
  };

  DWORD registerCallback(uint64_t address, PFN_AUTHENTICATION_CALLBACK_EX callback, void* context, void** registration);
  bool unregisterCallback(void* registration);
  // The response of the callback that runs now.
  DWORD sendResponse(const BLUETOOTH_AUTHENTICATE_RESPONSE& response);
  // Pairs the device: ERROR_SUCCESS once paired, WAIT_TIMEOUT when BlueZ or
  // the bound gave up waiting, else ERROR_NOT_AUTHENTICATED.
  DWORD pair(const Target& target, BLUETOOTH_AUTHENTICATION_REQUIREMENTS requirements);

private:
  struct Registration {
    uint64_t address;
    PFN_AUTHENTICATION_CALLBACK_EX callback;
    void* context;
  };
  // An agent request being answered: which device, and what the callback sent.
  // Pairings of several devices may run at once, one request each.
  struct OpenRequest {
    uint64_t address = 0;
    std::optional<BLUETOOTH_AUTHENTICATE_RESPONSE> response;
  };

  void serveAgent(BusSession& session, const Target& target, BLUETOOTH_AUTHENTICATION_REQUIREMENTS requirements,
                  DBusMessage* call);
  // Runs the callback registered for the target and answers its response.
  std::optional<BLUETOOTH_AUTHENTICATE_RESPONSE> ask(const Target& target, BLUETOOTH_AUTHENTICATION_METHOD method,
                                                     ULONG number, BLUETOOTH_AUTHENTICATION_REQUIREMENTS requirements);

  std::mutex mutex_;
  std::vector<std::unique_ptr<Registration>> registrations_;
  std::vector<OpenRequest*> open_;  // each owned by the ask() that answers it
};

}  // namespace platform
