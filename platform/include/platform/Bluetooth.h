// The Bluetooth functions of the two radio modules ("bthprops.cpl" and
// "bluetoothapis.dll") and their records, over a replaceable back end.
//
// Callers never link these functions: they load the modules with LoadLibraryW
// and ask GetProcAddress for each function, so a machine without a radio
// stack runs everything else. The modules load only while a back end is
// active, and GetProcAddress answers only the functions that back end offers.
// The active back end is the one a test installed, else BlueZ when org.bluez
// is on the system bus (looked for once per process), else none.
#pragma once

#include "platform/Export.h"
#include "platform/LastError.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

union BLUETOOTH_ADDRESS {
  ULONGLONG ullLong;
  uint8_t rgBytes[6];  // byte 5 is the most significant of the 48 bits
};
static_assert(sizeof(BLUETOOTH_ADDRESS) == 8);

inline constexpr size_t BLUETOOTH_MAX_NAME_SIZE = 248;

struct BLUETOOTH_DEVICE_INFO {
  DWORD dwSize;  // 560
  BLUETOOTH_ADDRESS Address;
  ULONG ulClassofDevice;
  BOOL fConnected;
  BOOL fRemembered;
  BOOL fAuthenticated;
  SYSTEMTIME stLastSeen;
  SYSTEMTIME stLastUsed;
  WCHAR szName[BLUETOOTH_MAX_NAME_SIZE];
};
static_assert(offsetof(BLUETOOTH_DEVICE_INFO, Address) == 8);
static_assert(offsetof(BLUETOOTH_DEVICE_INFO, ulClassofDevice) == 16);
static_assert(offsetof(BLUETOOTH_DEVICE_INFO, szName) == 64);
static_assert(sizeof(BLUETOOTH_DEVICE_INFO) == 560);

struct BLUETOOTH_FIND_RADIO_PARAMS {
  DWORD dwSize;
};

enum BLUETOOTH_AUTHENTICATION_METHOD : int32_t {
  BLUETOOTH_AUTHENTICATION_METHOD_LEGACY = 1,
  BLUETOOTH_AUTHENTICATION_METHOD_OOB,
  BLUETOOTH_AUTHENTICATION_METHOD_NUMERIC_COMPARISON,
  BLUETOOTH_AUTHENTICATION_METHOD_PASSKEY_NOTIFICATION,
  BLUETOOTH_AUTHENTICATION_METHOD_PASSKEY,
};

enum BLUETOOTH_IO_CAPABILITY : int32_t {
  BLUETOOTH_IO_CAPABILITY_DISPLAYONLY = 0,
  BLUETOOTH_IO_CAPABILITY_DISPLAYYESNO = 1,
  BLUETOOTH_IO_CAPABILITY_KEYBOARDONLY = 2,
  BLUETOOTH_IO_CAPABILITY_NOINPUTNOOUTPUT = 3,
  BLUETOOTH_IO_CAPABILITY_UNDEFINED = 0xff,
};

enum BLUETOOTH_AUTHENTICATION_REQUIREMENTS : int32_t {
  MITMProtectionNotRequired = 0,
  MITMProtectionRequired = 1,
  MITMProtectionNotRequiredBonding = 2,
  MITMProtectionRequiredBonding = 3,
  MITMProtectionNotRequiredGeneralBonding = 4,
  MITMProtectionRequiredGeneralBonding = 5,
  MITMProtectionNotDefined = 0xff,
};

struct BLUETOOTH_AUTHENTICATION_CALLBACK_PARAMS {
  BLUETOOTH_DEVICE_INFO deviceInfo;
  BLUETOOTH_AUTHENTICATION_METHOD authenticationMethod;
  BLUETOOTH_IO_CAPABILITY ioCapability;
  BLUETOOTH_AUTHENTICATION_REQUIREMENTS authenticationRequirements;
  union {
    ULONG Numeric_Value;
    ULONG Passkey;
  };
};
static_assert(sizeof(BLUETOOTH_AUTHENTICATION_CALLBACK_PARAMS) == 576);

inline constexpr size_t BTH_MAX_PIN_SIZE = 16;

struct BLUETOOTH_PIN_INFO {
  uint8_t pin[BTH_MAX_PIN_SIZE];
  uint8_t pinLength;
};
struct BLUETOOTH_OOB_DATA_INFO {
  uint8_t C[16];
  uint8_t R[16];
};
struct BLUETOOTH_NUMERIC_COMPARISON_INFO {
  ULONG NumericValue;
};
struct BLUETOOTH_PASSKEY_INFO {
  ULONG passkey;
};

struct BLUETOOTH_AUTHENTICATE_RESPONSE {
  BLUETOOTH_ADDRESS bthAddressRemote;
  BLUETOOTH_AUTHENTICATION_METHOD authMethod;
  union {
    BLUETOOTH_PIN_INFO pinInfo;
    BLUETOOTH_OOB_DATA_INFO oobInfo;
    BLUETOOTH_NUMERIC_COMPARISON_INFO numericCompInfo;
    BLUETOOTH_PASSKEY_INFO passkeyInfo;
  };
  uint8_t negativeResponse;
};
static_assert(offsetof(BLUETOOTH_AUTHENTICATE_RESPONSE, negativeResponse) == 44);
static_assert(sizeof(BLUETOOTH_AUTHENTICATE_RESPONSE) == 48);

// Bluetooth sockets of the sockets layer (platform/Sockets.h): a stream
// socket of family AF_BTH and protocol BTHPROTO_RFCOMM connects to an RFCOMM
// channel of a device, or to a service class (port 0) the stack resolves.
inline constexpr int AF_BTH = 32;
inline constexpr int BTHPROTO_RFCOMM = 3;

#pragma pack(push, 1)
struct SOCKADDR_BTH {
  uint16_t addressFamily;  // AF_BTH
  uint64_t btAddr;
  GUID serviceClassId;  // null: connect to `port`
  ULONG port;
};
#pragma pack(pop)
static_assert(sizeof(SOCKADDR_BTH) == 30);

// The device interface class of the radios: the device set-up functions
// (DeviceSetup.h) list each radio of the active back end with an interface
// of it, and CreateFileW on that interface's device path gives a radio handle.
inline constexpr GUID GUID_BTHPORT_DEVICE_INTERFACE = {
    0x0850302A, 0xB344, 0x4FDA, {0x9B, 0xE9, 0x90, 0x57, 0x6B, 0x8D, 0x46, 0xF0}};

using HBLUETOOTH_RADIO_FIND = HANDLE;
using HBLUETOOTH_AUTHENTICATION_REGISTRATION = HANDLE;
using PFN_AUTHENTICATION_CALLBACK_EX = BOOL (*)(void* context, BLUETOOTH_AUTHENTICATION_CALLBACK_PARAMS* params);

// The functions as the modules export them. A null radio means any radio.
ZEF_EXTERN_C HBLUETOOTH_RADIO_FIND BluetoothFindFirstRadio(const BLUETOOTH_FIND_RADIO_PARAMS* params, HANDLE* radio);
ZEF_EXTERN_C BOOL BluetoothFindNextRadio(HBLUETOOTH_RADIO_FIND find, HANDLE* radio);
ZEF_EXTERN_C BOOL BluetoothFindRadioClose(HBLUETOOTH_RADIO_FIND find);
ZEF_EXTERN_C BOOL BluetoothIsDiscoverable(HANDLE radio);
ZEF_EXTERN_C BOOL BluetoothEnableDiscovery(HANDLE radio, BOOL enabled);
ZEF_EXTERN_C BOOL BluetoothIsConnectable(HANDLE radio);
ZEF_EXTERN_C BOOL BluetoothEnableIncomingConnections(HANDLE radio, BOOL enabled);
ZEF_EXTERN_C DWORD BluetoothGetDeviceInfo(HANDLE radio, BLUETOOTH_DEVICE_INFO* info);
ZEF_EXTERN_C DWORD BluetoothRegisterForAuthenticationEx(const BLUETOOTH_DEVICE_INFO* device,
                                                        HBLUETOOTH_AUTHENTICATION_REGISTRATION* out,
                                                        PFN_AUTHENTICATION_CALLBACK_EX callback, void* context);
ZEF_EXTERN_C BOOL BluetoothUnregisterAuthentication(HBLUETOOTH_AUTHENTICATION_REGISTRATION handle);
ZEF_EXTERN_C DWORD BluetoothSendAuthenticationResponseEx(HANDLE radio, const BLUETOOTH_AUTHENTICATE_RESPONSE* response);
ZEF_EXTERN_C DWORD BluetoothAuthenticateDeviceEx(HWND parent, HANDLE radio, BLUETOOTH_DEVICE_INFO* device,
                                                 void* outOfBandData,
                                                 BLUETOOTH_AUTHENTICATION_REQUIREMENTS requirements);
ZEF_EXTERN_C DWORD BluetoothRemoveDevice(const BLUETOOTH_ADDRESS* address);

namespace platform {

// A device an inquiry found.
struct BluetoothInquiryDevice {
  uint64_t address = 0;
  std::u16string name;  // empty: the device gave none
  uint32_t classOfDevice = 0;
  bool paired = false;
  bool remembered = false;
  bool connected = false;
};

// One radio stack. Calls come from any thread; a back end locks what it shares.
class ZEF_EXPORT BluetoothBackend {
public:
  virtual ~BluetoothBackend();

  // Whether GetProcAddress hands out the module function of this name.
  virtual bool offers(const char* function) const = 0;

  virtual int radioCount() = 0;
  // Radio flags of radio `index`; -1 stands for "any radio".
  virtual bool isDiscoverable(int radio) = 0;
  virtual bool isConnectable(int radio) = 0;
  virtual bool enableDiscovery(int radio, bool enabled) = 0;
  virtual bool enableIncomingConnections(int radio, bool enabled) = 0;

  // ERROR_SUCCESS with `info` filled from the device of info->Address.
  virtual DWORD deviceInfo(BLUETOOTH_DEVICE_INFO& info) = 0;
  virtual DWORD removeDevice(uint64_t address) = 0;

  // The authentication callback for one device (address 0: every device).
  virtual DWORD registerAuthentication(uint64_t address, PFN_AUTHENTICATION_CALLBACK_EX callback, void* context,
                                       void** registration) = 0;
  virtual bool unregisterAuthentication(void* registration) = 0;
  virtual DWORD sendAuthenticationResponse(const BLUETOOTH_AUTHENTICATE_RESPONSE& response) = 0;
  virtual DWORD authenticateDevice(BLUETOOTH_DEVICE_INFO& device,
                                   BLUETOOTH_AUTHENTICATION_REQUIREMENTS requirements) = 0;

  // A descriptor for an RFCOMM socket, or -1 with errno.
  virtual int rfcommSocket() = 0;
  // Connects the descriptor rfcommSocket gave: 0, or a WSAE error code.
  virtual int rfcommConnect(int fd, const SOCKADDR_BTH& address) = 0;

  // A device inquiry (the cache of earlier ones dropped first when asked):
  // 0 and the devices, or a WSAE error code.
  virtual int inquire(bool flushCache, std::vector<BluetoothInquiryDevice>& devices) = 0;
  // Whether the device offers the service class `uuid16`: 0, or a WSAE error.
  virtual int findService(uint64_t address, uint16_t uuid16, bool& found) = 0;
  // The address of the first radio (0 when unknown).
  virtual uint64_t radioAddress() { return 0; }
};

// Makes `backend` the active one (null: none); the caller keeps ownership and
// uninstalls it before destroying it. Returns the one it replaced (the
// system's radio stack is never returned: it stays underneath).
ZEF_EXPORT BluetoothBackend* installBluetoothBackend(BluetoothBackend* backend);
ZEF_EXPORT BluetoothBackend* activeBluetoothBackend();
// Counts the installs: a table of module functions resolved under one back
// end is stale once this has moved on.
ZEF_EXPORT uint64_t bluetoothBackendGeneration();

// Whether the radio modules load now (function null) and whether
// GetProcAddress hands out `function` of them.
bool bluetoothOffers(const char* function);

}  // namespace platform
