// Pairing a device with the host's confirmation. Three threads meet at one
// request: the radio stack's callback thread (BluetoothAuthenticationExCallback,
// waiting for the host's answer), the pairing thread (blocked while the stack
// authenticates) and the opener's thread (runPairing: it asks the host and
// hands the answer back). Every flag is an atomic; the value is written
// before ask is set and read after answered is seen.
#pragma once

#include "BthPropsDLL.h"

#include "zefcorek/BluetoothConnection.h"

#include "platform/Bluetooth.h"
#include "platform/Export.h"
#include "platform/TThread.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace zefcorek::devices {

inline constexpr uint32_t kNotAuthenticated = 1244;       // ERROR_NOT_AUTHENTICATED
inline constexpr uint32_t kAuthenticationTimedOut = 258;  // WAIT_TIMEOUT

struct TBluetoothPairingRequest {
  BLUETOOTH_DEVICE_INFO DeviceInfo{};
  const TBthPropsDLL* Table = nullptr;
  std::atomic<bool> Called{false};
  std::atomic<uint32_t> MethodCode{BTPAIR_UNKNOWN};
  std::atomic<bool> Ask{false};
  std::atomic<bool> Accepted{false};
  std::atomic<uint32_t> Value{0};
  std::atomic<bool> Answered{false};
  std::atomic<bool> Decided{false};
  bool AutoAccept = false;
  std::atomic<uint32_t> Result{kNotAuthenticated};
  // The legacy PIN as the host wrote it (decimal digits only, leading zeros
  // kept); empty when the PIN text was not plain digits.
  std::string PinDigits;
};

// The value and digits of a PIN text: decimal, or hexadecimal after "0x";
// 0 and no digits when empty or not a number.
ZEF_EXPORT void readPinText(const char* text, size_t capacity, uint32_t& value, std::string& digits);

// The radio stack's authentication callback; `context` is the request.
ZEF_EXPORT BOOL BluetoothAuthenticationExCallback(void* context, BLUETOOTH_AUTHENTICATION_CALLBACK_PARAMS* params);

// Registers the callback, authenticates the device, unregisters.
class TBthPairingThread final : public TThread {
public:
  TBthPairingThread(const TBthPropsDLL* table, TBluetoothPairingRequest* request)
      : TThread(/*createSuspended=*/true), table_(table), request_(request) {}
  ~TBthPairingThread() override { (void)WaitFor(); }

protected:
  void Execute() override;

private:
  const TBthPropsDLL* table_;
  TBluetoothPairingRequest* request_;
};

// The opener's side: runs the pairing thread and answers its questions
// through `callback` every 50 ms until it has finished; `idle` (may be null)
// runs once per pass.
ZEF_EXPORT void runPairing(TBluetoothPairingRequest& request, BluetoothPairingCallback callback, void* userData,
                           BluetoothIdleCallback idle, void* idleUser);

}  // namespace zefcorek::devices
