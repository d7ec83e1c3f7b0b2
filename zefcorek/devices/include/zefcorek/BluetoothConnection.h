// The Bluetooth connection (factory class CLSID_IBluetoothConnectionImp): a
// device connection over an RFCOMM link, and the pairing the host confirms.
//
// Open pairs an unpaired device first when the host gave a pairing callback:
// the callback runs on the thread that called Open, between 50 ms sleeps,
// while the radio stack waits for the answer. ShowBluetoothPairingWizard
// pairs a device on the host's request in the same way.
//
// Open's statuses besides CONN_OK and CONN_FAILED: BTCONN_REFUSED the
// device refused the connection, BTCONN_TIMED_OUT the connection or the
// authentication timed out, BTCONN_ADDRESS_NOT_AVAILABLE the address is not
// available, BTCONN_HOST_DOWN the device is down.
#pragma once

#include "zefcorek/DeviceConnection.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t BTCONN_REFUSED = 1002;
inline constexpr uint32_t BTCONN_TIMED_OUT = 1003;
inline constexpr uint32_t BTCONN_ADDRESS_NOT_AVAILABLE = 1007;
inline constexpr uint32_t BTCONN_HOST_DOWN = 1008;

// Pairing methods as the host sees them.
inline constexpr uint32_t BTPAIR_LEGACY_PIN = 0;
inline constexpr uint32_t BTPAIR_OUT_OF_BAND = 1;
inline constexpr uint32_t BTPAIR_NUMERIC_COMPARISON = 2;
inline constexpr uint32_t BTPAIR_PASSKEY_NOTIFICATION = 3;
inline constexpr uint32_t BTPAIR_PASSKEY_ENTRY = 4;
inline constexpr uint32_t BTPAIR_UNKNOWN = 5;

// What the host's pairing callback gets. The user pointer covers the
// reserved word of the 32-bit layout, so the record stays 24 bytes.
struct TBluetoothPairingQuery {
  void* UserData;
  uint64_t Address;
  uint32_t Method;  // BTPAIR_…
  uint32_t Value;   // PIN or passkey; the host may change it before accepting
};
static_assert(offsetof(TBluetoothPairingQuery, Address) == 8);
static_assert(offsetof(TBluetoothPairingQuery, Method) == 16);
static_assert(offsetof(TBluetoothPairingQuery, Value) == 20);
static_assert(sizeof(TBluetoothPairingQuery) == 24);

// True accepts the request.
using BluetoothPairingCallback = bool (*)(TBluetoothPairingQuery* query);
using BluetoothIdleCallback = void (*)(void* user);

// The argument of ShowBluetoothPairingWizard; 64-bit layout (28 bytes on
// the 32-bit system).
struct TBluetoothPairingWizardParms {
  uint64_t Address;
  BluetoothPairingCallback PairingCallback;  // required
  void* PairingUserData;
  BluetoothIdleCallback IdleCallback;  // required; called once per 50 ms pass
  void* IdleUserData;
  uint32_t PinValue;  // offered for legacy pairing
};
static_assert(offsetof(TBluetoothPairingWizardParms, PairingCallback) == 8);
static_assert(offsetof(TBluetoothPairingWizardParms, IdleCallback) == 24);
static_assert(offsetof(TBluetoothPairingWizardParms, PinValue) == 40);
static_assert(sizeof(TBluetoothPairingWizardParms) == 48);

// Pairs the device, asking the host through PairingCallback: S_OK whatever
// the outcome; E_INVALIDARG for a missing argument or callback, E_FAIL when
// the radio stack lacks a function it needs.
ZEF_EXTERN_C HRESULT ShowBluetoothPairingWizard(const TBluetoothPairingWizardParms* parms);

// The connection's parameters, copied whole by SetParms. 64-bit layout: the
// fields up to the reserved bytes keep their offsets (0-99), the pointers
// sit at 104 and 112 (112 bytes on the 32-bit system).
struct TBluetoothConnParms {
  uint64_t Address;             // the 48-bit device address in the low six bytes
  uint32_t Port;                // RFCOMM channel, used when ServiceClassId is null
  char PinText[64];             // PIN or passkey for pairing: decimal, or hexadecimal after "0x"
  GUID ServiceClassId;          // null: connect to Port
  uint16_t ReadWriteTimeoutMs;  // Read and Write; default 2000, at least 300
  uint16_t SecondTimeoutMs;     // default 4000, at least 300; read by nothing
  uint8_t AutoAccept;           // 1 (default): known values are answered without asking
  uint8_t Reserved[3];
  BluetoothPairingCallback PairingCallback;  // null: Open has no pairing step
  void* PairingUserData;
  uint32_t Unused;
};
static_assert(offsetof(TBluetoothConnParms, PinText) == 12);
static_assert(offsetof(TBluetoothConnParms, ServiceClassId) == 76);
static_assert(offsetof(TBluetoothConnParms, ReadWriteTimeoutMs) == 92);
static_assert(offsetof(TBluetoothConnParms, AutoAccept) == 96);
static_assert(offsetof(TBluetoothConnParms, PairingCallback) == 104);
static_assert(offsetof(TBluetoothConnParms, PairingUserData) == 112);
static_assert(offsetof(TBluetoothConnParms, Unused) == 120);
static_assert(sizeof(TBluetoothConnParms) == 128);

struct ZEF_EXPORT IBluetoothConnection : virtual IDeviceConnection {
  // Whether the radio stack knows the device as authenticated: CONN_OK (also when
  // the stack does not know the device), CONN_BAD_ARGUMENT for address 0 or a
  // null out, CONN_FAILED without the radio stack's device function.
  virtual TConnResult IsDevicePaired(uint64_t address, bool* paired) = 0;
  // The connection's own record (live: writing through it skips the clamps).
  virtual TBluetoothConnParms* GetParms() = 0;
  // CONN_BAD_ARGUMENT for null; else copies it and raises time-outs below 300
  // to 300.
  virtual TConnResult SetParms(const TBluetoothConnParms* parms) = 0;
};
