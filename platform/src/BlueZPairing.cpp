// Pairing over BlueZ through an agent of our own (see BlueZPairing.h).
#include "BlueZPairing.h"

#include "BlueZBus.h"

#include "platform/Synchronization.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kAgentManagerPath = "/org/bluez";
constexpr const char* kAgentManager = "org.bluez.AgentManager1";
constexpr const char* kAgentInterface = "org.bluez.Agent1";
constexpr const char* kAgentPath = "/org/zef/BluetoothAgent";
// We can show a number and read one: BlueZ then picks the method by what the
// device can do.
constexpr const char* kCapability = "KeyboardDisplay";
constexpr const char* kRejected = "org.bluez.Error.Rejected";

constexpr int kManagerCallMs = 5000;
// The whole pairing, the host's answers included; BlueZ ends an agent
// request it waited a minute for, so this is the last resort.
constexpr int kPairMs = 90'000;

constexpr DWORD kNotAuthenticated = 1244;  // ERROR_NOT_AUTHENTICATED
constexpr DWORD kGenFailure = 31;          // ERROR_GEN_FAILURE

// The device address in an object path ".../dev_A1_B2_C3_D4_E5_F6"; 0 when
// the path names no device.
uint64_t addressOfDevicePath(const char* path) {
  const char* name = path == nullptr ? nullptr : std::strstr(path, "/dev_");
  if (name == nullptr) return 0;
  name += 5;
  uint64_t address = 0;
  for (int field = 0; field < 6; ++field) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(name, &end, 16);
    if (end != name + 2) return 0;
    address = (address << 8) | value;
    name = end;
    if (field < 5 && *name++ != '_') return 0;
  }
  return *name == 0 ? address : 0;
}

// The device path argument every agent request starts with.
const char* deviceOf(DBusMessage* call) {
  DBusMessageIter args;
  if (!dbus_message_iter_init(call, &args) || dbus_message_iter_get_arg_type(&args) != DBUS_TYPE_OBJECT_PATH) {
    return nullptr;
  }
  const char* path = nullptr;
  dbus_message_iter_get_basic(&args, &path);
  return path;
}

// The number after the device path (a passkey, or a PIN code's digits); 0
// when the request has none.
ULONG numberOf(DBusMessage* call) {
  DBusMessageIter args;
  if (!dbus_message_iter_init(call, &args) || !dbus_message_iter_next(&args)) return 0;
  if (dbus_message_iter_get_arg_type(&args) == DBUS_TYPE_UINT32) {
    dbus_uint32_t number = 0;
    dbus_message_iter_get_basic(&args, &number);
    return number;
  }
  if (dbus_message_iter_get_arg_type(&args) == DBUS_TYPE_STRING) {
    const char* text = nullptr;
    dbus_message_iter_get_basic(&args, &text);
    return text == nullptr ? 0 : static_cast<ULONG>(std::strtoul(text, nullptr, 10));
  }
  return 0;
}

bool isPositive(const std::optional<BLUETOOTH_AUTHENTICATE_RESPONSE>& response) {
  return response && response->negativeResponse == 0;
}

// A passkey has six decimal digits.
constexpr ULONG kLargestPasskey = 999'999;

// The reply that carries the callback's PIN or passkey to BlueZ; null when
// the answer cannot be carried: BlueZ takes a PIN as text, and a passkey out
// of range could never match the device's.
platform::BusMessage answerOf(DBusMessage* call, BLUETOOTH_AUTHENTICATION_METHOD method,
                              const BLUETOOTH_AUTHENTICATE_RESPONSE& response) {
  platform::BusMessage answer(dbus_message_new_method_return(call));
  if (answer == nullptr) return nullptr;
  if (method == BLUETOOTH_AUTHENTICATION_METHOD_LEGACY) {
    const size_t length = std::min<size_t>(response.pinInfo.pinLength, BTH_MAX_PIN_SIZE);
    const std::string pin(reinterpret_cast<const char*>(response.pinInfo.pin), length);
    const char* text = pin.c_str();
    // libdbus aborts the process on a string that is not UTF-8.
    if (!dbus_validate_utf8(text, nullptr)) return nullptr;
    if (!dbus_message_append_args(answer.get(), DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID)) return nullptr;
  } else if (method == BLUETOOTH_AUTHENTICATION_METHOD_PASSKEY) {
    const dbus_uint32_t passkey = response.passkeyInfo.passkey;
    if (passkey > kLargestPasskey) return nullptr;
    if (!dbus_message_append_args(answer.get(), DBUS_TYPE_UINT32, &passkey, DBUS_TYPE_INVALID)) return nullptr;
  }
  return answer;
}

// The agent's request as an authentication method; `known` false for the
// calls that are no request (Release, Cancel, AuthorizeService…).
struct AgentRequest {
  const char* member;
  BLUETOOTH_AUTHENTICATION_METHOD method;
  bool carriesNumber;
};
constexpr AgentRequest kRequests[] = {
    {"RequestPinCode", BLUETOOTH_AUTHENTICATION_METHOD_LEGACY, false},
    {"RequestPasskey", BLUETOOTH_AUTHENTICATION_METHOD_PASSKEY, false},
    {"DisplayPasskey", BLUETOOTH_AUTHENTICATION_METHOD_PASSKEY_NOTIFICATION, true},
    {"DisplayPinCode", BLUETOOTH_AUTHENTICATION_METHOD_PASSKEY_NOTIFICATION, true},
    {"RequestConfirmation", BLUETOOTH_AUTHENTICATION_METHOD_NUMERIC_COMPARISON, true},
    {"RequestAuthorization", BLUETOOTH_AUTHENTICATION_METHOD_NUMERIC_COMPARISON, false},
};

const AgentRequest* requestOf(DBusMessage* call) {
  for (const AgentRequest& request : kRequests) {
    if (dbus_message_is_method_call(call, kAgentInterface, request.member)) return &request;
  }
  return nullptr;
}

}  // namespace

DWORD platform::BlueZPairing::registerCallback(uint64_t address, PFN_AUTHENTICATION_CALLBACK_EX callback, void* context,
                                               void** registration) {
  std::lock_guard lock(mutex_);
  registrations_.push_back(std::make_unique<Registration>(Registration{address, callback, context}));
  *registration = registrations_.back().get();
  return ERROR_SUCCESS;
}

bool platform::BlueZPairing::unregisterCallback(void* registration) {
  std::lock_guard lock(mutex_);
  const size_t before = registrations_.size();
  std::erase_if(registrations_, [&](const auto& known) { return known.get() == registration; });
  return registrations_.size() != before;
}

DWORD platform::BlueZPairing::sendResponse(const BLUETOOTH_AUTHENTICATE_RESPONSE& response) {
  std::lock_guard lock(mutex_);
  const auto open = std::find_if(open_.rbegin(), open_.rend(), [&](const OpenRequest* request) {
    return request->address == response.bthAddressRemote.ullLong;
  });
  if (open == open_.rend()) return ERROR_INVALID_PARAMETER;
  (*open)->response = response;
  return ERROR_SUCCESS;
}

std::optional<BLUETOOTH_AUTHENTICATE_RESPONSE> platform::BlueZPairing::ask(
    const Target& target, BLUETOOTH_AUTHENTICATION_METHOD method, ULONG number,
    BLUETOOTH_AUTHENTICATION_REQUIREMENTS requirements) {
  std::optional<Registration> registration;
  OpenRequest request{target.info.Address.ullLong, std::nullopt};
  {
    std::lock_guard lock(mutex_);
    for (const auto& known : registrations_) {
      if (known->address == 0 || known->address == target.info.Address.ullLong) registration = *known;
    }
    if (!registration) return std::nullopt;
    open_.push_back(&request);
  }
  BLUETOOTH_AUTHENTICATION_CALLBACK_PARAMS params{};
  params.deviceInfo = target.info;
  params.authenticationMethod = method;
  // BlueZ does not tell what the device can do.
  params.ioCapability = BLUETOOTH_IO_CAPABILITY_UNDEFINED;
  params.authenticationRequirements = requirements;
  params.Numeric_Value = number;
  (void)registration->callback(registration->context, &params);
  std::lock_guard lock(mutex_);
  std::erase(open_, &request);
  return request.response;
}

void platform::BlueZPairing::serveAgent(BusSession& session, const Target& target,
                                        BLUETOOTH_AUTHENTICATION_REQUIREMENTS requirements, DBusMessage* call) {
  const AgentRequest* request = requestOf(call);
  if (request == nullptr) {
    // Release and Cancel need only an answer; services are authorised by
    // nobody here.
    const bool authorize = dbus_message_is_method_call(call, kAgentInterface, "AuthorizeService");
    session.reply(call, authorize ? kRejected : nullptr, "not authorised");
    return;
  }
  const uint64_t address = addressOfDevicePath(deviceOf(call));
  if (address != target.info.Address.ullLong) {
    // Being the default agent while we pair, we may be asked about another
    // device: nobody here pairs that one.
    session.reply(call, kRejected, "not the device being paired");
    return;
  }
  const ULONG number = request->carriesNumber ? numberOf(call) : 0;
  const auto response = ask(target, request->method, number, requirements);
  if (!isPositive(response)) {
    if (dbus_message_get_no_reply(call)) {
      // A notification cannot be answered: the refusal cancels the pairing.
      BusMessage cancel = blueZCall(target.devicePath, kBlueZDeviceInterface, "CancelPairing");
      session.send(cancel.get());
      return;
    }
    session.reply(call, kRejected, "refused");
    return;
  }
  BusMessage answer = answerOf(call, request->method, *response);
  if (answer == nullptr) {
    session.reply(call, kRejected, "no valid answer");
    return;
  }
  session.reply(call, std::move(answer));
}

DWORD platform::BlueZPairing::pair(const Target& target, BLUETOOTH_AUTHENTICATION_REQUIREMENTS requirements) {
  std::unique_ptr<BusSession> session = BusSession::open(target.busAddress);
  if (session == nullptr) return kGenFailure;
  BusSession& bus = *session;
  if (!bus.exportObject(kAgentPath, [&](DBusMessage* call) { serveAgent(bus, target, requirements, call); })) {
    return kGenFailure;
  }
  const char* agentPath = kAgentPath;
  const char* capability = kCapability;
  BusMessage registerAgent = blueZCall(kAgentManagerPath, kAgentManager, "RegisterAgent");
  dbus_message_append_args(registerAgent.get(), DBUS_TYPE_OBJECT_PATH, &agentPath, DBUS_TYPE_STRING, &capability,
                           DBUS_TYPE_INVALID);
  if (!bus.call(registerAgent.get(), kManagerCallMs).succeeded()) return kGenFailure;
  // BlueZ asks the agent of the connection that pairs; being the default one
  // as well covers a device that starts the pairing from its side meanwhile.
  BusMessage makeDefault = blueZCall(kAgentManagerPath, kAgentManager, "RequestDefaultAgent");
  dbus_message_append_args(makeDefault.get(), DBUS_TYPE_OBJECT_PATH, &agentPath, DBUS_TYPE_INVALID);
  (void)bus.call(makeDefault.get(), kManagerCallMs);

  BusMessage pairCall = blueZCall(target.devicePath, kBlueZDeviceInterface, "Pair");
  const BusCallResult paired = bus.call(pairCall.get(), kPairMs);

  BusMessage unregister = blueZCall(kAgentManagerPath, kAgentManager, "UnregisterAgent");
  dbus_message_append_args(unregister.get(), DBUS_TYPE_OBJECT_PATH, &agentPath, DBUS_TYPE_INVALID);
  (void)bus.call(unregister.get(), kManagerCallMs);

  if (paired.succeeded() || paired.errorName == "org.bluez.Error.AlreadyExists") return ERROR_SUCCESS;
  if (paired.timedOut || paired.errorName == "org.bluez.Error.AuthenticationTimeout") return WAIT_TIMEOUT;
  return kNotAuthenticated;
}
