// The radio modules' functions: each checks its arguments, then asks the
// active back end. Radio handles and radio searches are kernel objects, so
// CloseHandle ends them and a stale handle is refused. A radio handle comes
// from a radio search or from the device path of the radio's interface.
#include "platform/Bluetooth.h"

#include "BluetoothBlueZ.h"
#include "BluetoothRadios.h"

#include "platform/Handles.h"
#include "platform/LastError.h"
#include "platform/Utf16.h"

#include <atomic>
#include <string>

namespace {

std::atomic<platform::BluetoothBackend*> activeBackend{nullptr};
std::atomic<uint64_t> installCount{0};

// What every call answers while no back end is active.
constexpr DWORD kNoRadioStack = 1062;  // ERROR_SERVICE_NOT_ACTIVE

class RadioObject final : public platform::KernelObject {
public:
  explicit RadioObject(int index) : index_(index) {}
  int index() const { return index_; }

private:
  int index_;
};

class RadioSearch final : public platform::KernelObject {
public:
  int next = 1;
};

// The system's radio stack, looked for once: kept for the life of the
// process, as the radio modules it stands behind are never unloaded.
platform::BluetoothBackend* systemBackend() {
  static platform::BluetoothBackend* const found = platform::makeBlueZBackend();
  return found;
}

// The back end a test installed, else the system's; null when there is none.
platform::BluetoothBackend* currentBackend() {
  platform::BluetoothBackend* installed = activeBackend.load();
  return installed != nullptr ? installed : systemBackend();
}

// The back end, or null with ERROR_SERVICE_NOT_ACTIVE when there is none.
platform::BluetoothBackend* backend() {
  platform::BluetoothBackend* active = currentBackend();
  if (active == nullptr) SetLastError(kNoRadioStack);
  return active;
}

// The radio index behind a handle; -1 for "any radio" (null); -2 for a
// handle that is no radio.
int radioIndex(HANDLE radio) {
  if (radio == nullptr) return -1;
  auto* object = platform::lookupHandleAs<RadioObject>(radio);
  return object == nullptr ? -2 : object->index();
}

HANDLE openRadio(int index) { return platform::registerHandle(new RadioObject(index)); }

std::u16string decimal(int value) {
  const std::string digits = std::to_string(value);
  return {digits.begin(), digits.end()};
}

// The device path of radio `index`: the radio's place in the back end's
// order is all a radio handle keeps, so the path names that place.
std::u16string radioDevicePath(int index) {
  return platform::deviceInterfacePath(u"bthradio#" + decimal(index), GUID_BTHPORT_DEVICE_INTERFACE);
}

}  // namespace

platform::BluetoothBackend::~BluetoothBackend() = default;

platform::BluetoothBackend* platform::installBluetoothBackend(BluetoothBackend* backend) {
  BluetoothBackend* previous = activeBackend.exchange(backend);
  installCount.fetch_add(1);
  return previous;
}

uint64_t platform::bluetoothBackendGeneration() { return installCount.load(); }

platform::BluetoothBackend* platform::activeBluetoothBackend() { return currentBackend(); }

std::vector<platform::SetupDevice> platform::bluetoothRadioDevices() {
  std::vector<SetupDevice> devices;
  BluetoothBackend* active = currentBackend();
  const int count = active == nullptr ? 0 : active->radioCount();
  for (int index = 0; index < count; ++index) {
    SetupDevice device{};
    device.classGuid = GUID_DEVCLASS_BLUETOOTH;
    device.instanceId = u"BTHRADIO\\" + decimal(index);
    device.description = u"Bluetooth Radio";
    device.interfaces.push_back({GUID_BTHPORT_DEVICE_INTERFACE, radioDevicePath(index)});
    devices.push_back(std::move(device));
  }
  return devices;
}

HANDLE platform::openBluetoothRadio(std::u16string_view devicePath) {
  BluetoothBackend* active = currentBackend();
  const int count = active == nullptr ? 0 : active->radioCount();
  for (int index = 0; index < count; ++index) {
    if (equalsIgnoreCase(devicePath, radioDevicePath(index))) return openRadio(index);
  }
  return nullptr;
}

bool platform::bluetoothOffers(const char* function) {
  BluetoothBackend* active = currentBackend();
  if (active == nullptr) return false;
  return function == nullptr || active->offers(function);
}

HBLUETOOTH_RADIO_FIND BluetoothFindFirstRadio(const BLUETOOTH_FIND_RADIO_PARAMS* params, HANDLE* radio) {
  if (params == nullptr || params->dwSize != sizeof(BLUETOOTH_FIND_RADIO_PARAMS) || radio == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  *radio = nullptr;
  platform::BluetoothBackend* active = backend();
  if (active == nullptr) return nullptr;
  if (active->radioCount() <= 0) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return nullptr;
  }
  *radio = openRadio(0);
  return platform::registerHandle(new RadioSearch());
}

BOOL BluetoothFindNextRadio(HBLUETOOTH_RADIO_FIND find, HANDLE* radio) {
  auto* search = platform::lookupHandleAs<RadioSearch>(find);
  if (search == nullptr || radio == nullptr) return FALSE;
  platform::BluetoothBackend* active = backend();
  if (active == nullptr) return FALSE;
  if (search->next >= active->radioCount()) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  *radio = openRadio(search->next++);
  return TRUE;
}

BOOL BluetoothFindRadioClose(HBLUETOOTH_RADIO_FIND find) {
  if (platform::lookupHandleAs<RadioSearch>(find) == nullptr) return FALSE;
  return CloseHandle(find);
}

BOOL BluetoothIsDiscoverable(HANDLE radio) {
  const int index = radioIndex(radio);
  platform::BluetoothBackend* active = backend();
  return index != -2 && active != nullptr && active->isDiscoverable(index) ? TRUE : FALSE;
}

BOOL BluetoothEnableDiscovery(HANDLE radio, BOOL enabled) {
  const int index = radioIndex(radio);
  platform::BluetoothBackend* active = backend();
  return index != -2 && active != nullptr && active->enableDiscovery(index, enabled != FALSE) ? TRUE : FALSE;
}

BOOL BluetoothIsConnectable(HANDLE radio) {
  const int index = radioIndex(radio);
  platform::BluetoothBackend* active = backend();
  return index != -2 && active != nullptr && active->isConnectable(index) ? TRUE : FALSE;
}

BOOL BluetoothEnableIncomingConnections(HANDLE radio, BOOL enabled) {
  const int index = radioIndex(radio);
  platform::BluetoothBackend* active = backend();
  return index != -2 && active != nullptr && active->enableIncomingConnections(index, enabled != FALSE) ? TRUE : FALSE;
}

DWORD BluetoothGetDeviceInfo(HANDLE radio, BLUETOOTH_DEVICE_INFO* info) {
  if (info == nullptr || info->dwSize != sizeof(BLUETOOTH_DEVICE_INFO)) return ERROR_INVALID_PARAMETER;
  if (radioIndex(radio) == -2) return ERROR_INVALID_HANDLE;
  platform::BluetoothBackend* active = backend();
  if (active == nullptr) return kNoRadioStack;
  return active->deviceInfo(*info);
}

DWORD BluetoothRegisterForAuthenticationEx(const BLUETOOTH_DEVICE_INFO* device,
                                           HBLUETOOTH_AUTHENTICATION_REGISTRATION* out,
                                           PFN_AUTHENTICATION_CALLBACK_EX callback, void* context) {
  if (out == nullptr || callback == nullptr) return ERROR_INVALID_PARAMETER;
  *out = nullptr;
  platform::BluetoothBackend* active = backend();
  if (active == nullptr) return kNoRadioStack;
  const uint64_t address = device == nullptr ? 0 : device->Address.ullLong;
  void* registration = nullptr;
  const DWORD result = active->registerAuthentication(address, callback, context, &registration);
  if (result == ERROR_SUCCESS) *out = registration;
  return result;
}

BOOL BluetoothUnregisterAuthentication(HBLUETOOTH_AUTHENTICATION_REGISTRATION handle) {
  platform::BluetoothBackend* active = backend();
  return active != nullptr && handle != nullptr && active->unregisterAuthentication(handle) ? TRUE : FALSE;
}

DWORD BluetoothSendAuthenticationResponseEx(HANDLE radio, const BLUETOOTH_AUTHENTICATE_RESPONSE* response) {
  if (response == nullptr) return ERROR_INVALID_PARAMETER;
  if (radioIndex(radio) == -2) return ERROR_INVALID_HANDLE;
  platform::BluetoothBackend* active = backend();
  if (active == nullptr) return kNoRadioStack;
  return active->sendAuthenticationResponse(*response);
}

DWORD BluetoothAuthenticateDeviceEx(HWND, HANDLE radio, BLUETOOTH_DEVICE_INFO* device, void*,
                                    BLUETOOTH_AUTHENTICATION_REQUIREMENTS requirements) {
  if (device == nullptr || device->dwSize != sizeof(BLUETOOTH_DEVICE_INFO)) return ERROR_INVALID_PARAMETER;
  if (radioIndex(radio) == -2) return ERROR_INVALID_HANDLE;
  platform::BluetoothBackend* active = backend();
  if (active == nullptr) return kNoRadioStack;
  return active->authenticateDevice(*device, requirements);
}

DWORD BluetoothRemoveDevice(const BLUETOOTH_ADDRESS* address) {
  if (address == nullptr) return ERROR_INVALID_PARAMETER;
  platform::BluetoothBackend* active = backend();
  if (active == nullptr) return kNoRadioStack;
  return active->removeDevice(address->ullLong);
}
