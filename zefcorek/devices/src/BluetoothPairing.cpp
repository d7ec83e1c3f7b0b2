// Pairing: the pairing thread, the authentication callback and the opener's
// wait loop, with their entries in the debug log.
#include "BluetoothPairing.h"

#include "zefcorek/DebugLog.h"

#include "platform/Clock.h"
#include "platform/Format.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

namespace {

using zefcorek::devices::TBluetoothPairingRequest;

constexpr const WCHAR* kLogSource = u"BluetoothUtils";
constexpr DWORD kPollMs = 50;
constexpr DWORD kAnswerPollMs = 10;
// The host answers within a minute or the request is refused: a host that
// never answers must not hold the radio stack's callback thread for good.
constexpr ULONGLONG kAnswerLimitMs = 60'000;

void log(const std::u16string& text) { (void)zefcorekLog(text.c_str(), kLogSource); }

std::u16string methodName(uint32_t method) {
  switch (method) {
    case BLUETOOTH_AUTHENTICATION_METHOD_LEGACY: return u"BLUETOOTH_AUTHENTICATION_METHOD_LEGACY";
    case BLUETOOTH_AUTHENTICATION_METHOD_OOB: return u"BLUETOOTH_AUTHENTICATION_METHOD_OOB";
    case BLUETOOTH_AUTHENTICATION_METHOD_NUMERIC_COMPARISON:
      return u"BLUETOOTH_AUTHENTICATION_METHOD_NUMERIC_COMPARISON";
    case BLUETOOTH_AUTHENTICATION_METHOD_PASSKEY_NOTIFICATION:
      return u"BLUETOOTH_AUTHENTICATION_METHOD_PASSKEY_NOTIFICATION";
    case BLUETOOTH_AUTHENTICATION_METHOD_PASSKEY: return u"BLUETOOTH_AUTHENTICATION_METHOD_PASSKEY";
    default: return platform::formatText(u"unknown -> %u", method);
  }
}

std::u16string ioCapabilityName(uint32_t capability) {
  switch (capability) {
    case 0: return u"BLUETOOTH_IO_CAPABILITY_DISPLAYONLY";
    case 1: return u"BLUETOOTH_IO_CAPABILITY_DISPLAYYESNO";
    case 2: return u"BLUETOOTH_IO_CAPABILITY_KEYBOARDONLY";
    case 3: return u"BLUETOOTH_IO_CAPABILITY_NOINPUTNOOUTPUT";
    case 255: return u"BLUETOOTH_IO_CAPABILITY_UNDEFINED";
    default: return platform::formatText(u"unknown caps -> %u", capability);
  }
}

std::u16string requirementsName(uint32_t requirements) {
  switch (requirements) {
    case 0: return u"BLUETOOTH_MITM_ProtectionNotRequired";
    case 1: return u"BLUETOOTH_MITM_ProtectionRequired";
    case 2: return u"BLUETOOTH_MITM_ProtectionNotRequiredBonding";
    case 3: return u"BLUETOOTH_MITM_ProtectionRequiredBonding";
    case 4: return u"BLUETOOTH_MITM_ProtectionNotRequiredGeneralBonding";
    case 5: return u"BLUETOOTH_MITM_ProtectionRequiredGeneralBonding";
    case 255: return u"BLUETOOTH_MITM_ProtectionNotDefined";
    default: return platform::formatText(u"unknown -> %u", requirements);
  }
}

uint32_t methodCode(uint32_t method) { return method >= 1 && method <= 5 ? method - 1 : BTPAIR_UNKNOWN; }

// Hands the question to the opener and waits for its answer; false when
// none came in time.
bool askHost(TBluetoothPairingRequest& request, uint32_t code, uint32_t value) {
  request.MethodCode = code;
  request.Value = value;
  request.Accepted = false;
  request.Answered = false;
  request.Ask = true;
  request.Decided = true;
  const ULONGLONG start = GetTickCount64();
  while (!request.Answered) {
    if (GetTickCount64() - start >= kAnswerLimitMs) return false;
    Sleep(kAnswerPollMs);
  }
  return true;
}

void sendResponse(TBluetoothPairingRequest& request, uint32_t method, bool positive, uint32_t value,
                  const std::string& pin) {
  BLUETOOTH_AUTHENTICATE_RESPONSE response;
  std::memset(&response, 0, sizeof response);
  response.bthAddressRemote = request.DeviceInfo.Address;
  response.authMethod = static_cast<BLUETOOTH_AUTHENTICATION_METHOD>(method);
  response.negativeResponse = positive ? 0 : 1;
  switch (method) {
    case BLUETOOTH_AUTHENTICATION_METHOD_LEGACY: {
      const size_t length = std::min(pin.size(), BTH_MAX_PIN_SIZE);
      std::memcpy(response.pinInfo.pin, pin.data(), length);
      response.pinInfo.pinLength = static_cast<uint8_t>(length);
      break;
    }
    case BLUETOOTH_AUTHENTICATION_METHOD_NUMERIC_COMPARISON: response.numericCompInfo.NumericValue = value; break;
    default: response.passkeyInfo.passkey = value; break;
  }
  const DWORD result = request.Table->SendAuthenticationResponseEx != nullptr
                           ? request.Table->SendAuthenticationResponseEx(nullptr, &response)
                           : ERROR_PROC_NOT_FOUND;
  log(platform::formatText(u"BluetoothSendAuthenticationResponseEx() == %u (%X)", result, result));
}

}  // namespace

void zefcorek::devices::readPinText(const char* text, size_t capacity, uint32_t& value, std::string& digits) {
  value = 0;
  digits.clear();
  const std::string pin(text, strnlen(text, capacity));
  if (pin.empty()) return;
  if (pin.size() > 2 && pin[0] == '0' && (pin[1] == 'x' || pin[1] == 'X')) {
    if (!std::all_of(pin.begin() + 2, pin.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }) ||
        pin.size() > 10) {
      return;
    }
    value = static_cast<uint32_t>(std::stoul(pin.substr(2), nullptr, 16));
    digits = std::to_string(static_cast<int32_t>(value));
    return;
  }
  if (!std::all_of(pin.begin(), pin.end(), [](char c) { return c >= '0' && c <= '9'; }) || pin.size() > 10) return;
  const unsigned long long number = std::stoull(pin);
  if (number > 0x7FFFFFFF) return;
  value = static_cast<uint32_t>(number);
  digits = pin;
}

BOOL zefcorek::devices::BluetoothAuthenticationExCallback(void* context,
                                                          BLUETOOTH_AUTHENTICATION_CALLBACK_PARAMS* params) {
  auto& request = *static_cast<TBluetoothPairingRequest*>(context);
  log(u"-> BluetoothAuthenticationExCallback()");
  if (request.Called.exchange(true)) {
    log(u"!!! callback called twice. ignoring second call.");
    log(u"<- BluetoothAuthenticationExCallback()");
    return TRUE;
  }
  if (params->deviceInfo.Address.ullLong != request.DeviceInfo.Address.ullLong) {
    log(u"Auth. request ignored (device address mismatch)");
    log(u"<- BluetoothAuthenticationExCallback()");
    return TRUE;
  }
  const uint32_t method = static_cast<uint32_t>(params->authenticationMethod);
  log(u"authenticationMethod = " + methodName(method));
  log(u"ioCapability = " + ioCapabilityName(static_cast<uint32_t>(params->ioCapability)));
  log(u"authenticationRequirements = " + requirementsName(static_cast<uint32_t>(params->authenticationRequirements)));

  const uint32_t code = methodCode(method);
  uint32_t value = 0;
  std::string pin;
  switch (code) {
    case BTPAIR_LEGACY_PIN:
      value = request.Value;
      pin = request.PinDigits;
      break;
    case BTPAIR_NUMERIC_COMPARISON:
      value = params->Numeric_Value;
      log(platform::formatText(u"Numeric Comparison authentication value = %u", value));
      break;
    case BTPAIR_PASSKEY_NOTIFICATION:
    case BTPAIR_PASSKEY_ENTRY:
      value = params->Passkey;
      log(platform::formatText(u"Passkey used for authentication = %u", value));
      break;
    default: break;
  }

  // A legacy PIN is known when it has digits; the numbers of the other
  // automatic methods come from the radio stack, 000000 included.
  const bool known = code == BTPAIR_LEGACY_PIN
                         ? !pin.empty()
                         : code == BTPAIR_NUMERIC_COMPARISON || code == BTPAIR_PASSKEY_NOTIFICATION;
  if (request.AutoAccept && known) {
    request.MethodCode = code;
    request.Accepted = true;
    request.Decided = true;
  } else if (!request.Decided) {
    if (askHost(request, code, value)) {
      const uint32_t answered = request.Value;
      if (answered != value) {
        log(platform::formatText(u"Pin/Passkey value was changed from %u to %u.", value, answered));
        value = answered;
        pin = value == 0 ? std::string() : std::to_string(static_cast<int32_t>(value));
      }
    } else {
      request.Accepted = false;
    }
  }

  const bool positive = request.Accepted && (code != BTPAIR_LEGACY_PIN || !pin.empty());
  if (code != BTPAIR_OUT_OF_BAND && code != BTPAIR_UNKNOWN) sendResponse(request, method, positive, value, pin);
  log(u"<- BluetoothAuthenticationExCallback()");
  return TRUE;
}

void zefcorek::devices::TBthPairingThread::Execute() {
  HBLUETOOTH_AUTHENTICATION_REGISTRATION registration = nullptr;
  const DWORD registered = table_->RegisterForAuthenticationEx != nullptr
                               ? table_->RegisterForAuthenticationEx(&request_->DeviceInfo, &registration,
                                                                     &BluetoothAuthenticationExCallback, request_)
                               : ERROR_PROC_NOT_FOUND;
  log(platform::formatText(u"BluetoothRegisterForAuthenticationEx() == %d (%08X)", static_cast<int32_t>(registered),
                           registered));
  const DWORD authenticated =
      table_->AuthenticateDeviceEx(nullptr, nullptr, &request_->DeviceInfo, nullptr, MITMProtectionNotRequiredBonding);
  request_->Result = authenticated;
  log(platform::formatText(u"BluetoothAuthenticateDeviceEx() == %d (%08X)", static_cast<int32_t>(authenticated),
                           authenticated));
  const BOOL unregistered =
      table_->UnregisterAuthentication != nullptr ? table_->UnregisterAuthentication(registration) : FALSE;
  log(platform::formatText(u"BluetoothUnregisterAuthentication() == %d (%08X)", static_cast<int32_t>(unregistered),
                           static_cast<uint32_t>(unregistered)));
}

void zefcorek::devices::runPairing(TBluetoothPairingRequest& request, BluetoothPairingCallback callback, void* userData,
                                   BluetoothIdleCallback idle, void* idleUser) {
  auto thread = std::make_unique<TBthPairingThread>(request.Table, &request);
  thread->AfterConstruction();
  thread->Resume();
  while (!thread->Finished()) {
    if (request.Ask) {
      TBluetoothPairingQuery query{userData, request.DeviceInfo.Address.ullLong, request.MethodCode, request.Value};
      const bool accepted = callback(&query);
      if (accepted) request.Value = query.Value;
      request.Accepted = accepted;
      request.Ask = false;
      request.Answered = true;
    }
    if (idle != nullptr) idle(idleUser);
    Sleep(kPollMs);
  }
  (void)thread->WaitFor();
}

HRESULT ShowBluetoothPairingWizard(const TBluetoothPairingWizardParms* parms) {
  using namespace zefcorek::devices;
  if (parms == nullptr || parms->PairingCallback == nullptr) return E_INVALIDARG;
  if (!EnsureBthPropsDLL()) return E_FAIL;
  if (parms->IdleCallback == nullptr) return E_INVALIDARG;
  const TBthPropsDLL& table = processBthPropsDLL();
  if (table.AuthenticateDeviceEx == nullptr || table.SendAuthenticationResponseEx == nullptr ||
      table.GetDeviceInfo == nullptr) {
    return E_FAIL;
  }
  TBluetoothPairingRequest request;
  request.DeviceInfo.dwSize = sizeof request.DeviceInfo;
  request.DeviceInfo.Address.ullLong = parms->Address;
  (void)table.GetDeviceInfo(nullptr, &request.DeviceInfo);
  request.Table = &table;
  request.Value = parms->PinValue;
  if (parms->PinValue != 0) request.PinDigits = std::to_string(static_cast<int32_t>(parms->PinValue));
  runPairing(request, parms->PairingCallback, parms->PairingUserData, parms->IdleCallback, parms->IdleUserData);
  return S_OK;
}
