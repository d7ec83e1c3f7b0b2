// The Bluetooth back end behind the modules "bthprops.cpl" and
// "bluetoothapis.dll".
//
// LoadLibraryW of either module succeeds only while a back end is installed,
// and GetProcAddress answers the functions that back end offers (null for
// the others), so the library above sees the machine through this seam. The
// back end's radios are the devices of the device interface class
// GUID_BTHPORT_DEVICE_INTERFACE; CreateFileW on such a device's path gives a
// radio handle.
//
// The fake back end is in process and configured by tests: its radios'
// flags, the answer to removing a device, and a record of the calls made.
#pragma once

#include "platform/Export.h"
#include "platform/LoadableModules.h"
#include "platform/WinTypes.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

inline constexpr GUID GUID_BTHPORT_DEVICE_INTERFACE = {
    0x0850302A, 0xB344, 0x4FDA, {0x9B, 0xE9, 0x90, 0x57, 0x6B, 0x8D, 0x46, 0xF0}};

// The platform's device record (560 bytes).
struct BLUETOOTH_DEVICE_INFO {
  DWORD dwSize;
  uint64_t Address;
  ULONG ulClassofDevice;
  BOOL fConnected;
  BOOL fRemembered;
  BOOL fAuthenticated;
  SYSTEMTIME stLastSeen;
  SYSTEMTIME stLastUsed;
  WCHAR szName[248];
};
static_assert(sizeof(BLUETOOTH_DEVICE_INFO) == 560);

namespace platform {

class ZEF_EXPORT BluetoothBackend {
public:
  virtual ~BluetoothBackend();
  // The function of that name, or null when this back end has none.
  virtual FARPROC function(std::string_view name) = 0;
  virtual size_t radioCount() = 0;
};

// Installs the back end (null: none; the modules then do not load).
ZEF_EXPORT void setBluetoothBackend(std::shared_ptr<BluetoothBackend> backend);
ZEF_EXPORT std::shared_ptr<BluetoothBackend> bluetoothBackend();

// The device path of radio `index` ("\\?\BTHPORT#RADIO#<index>").
ZEF_EXPORT std::u16string bluetoothRadioPath(size_t index);
// Opens a radio by its device path (CreateFileW hands such paths here).
ZEF_EXPORT HANDLE openBluetoothRadio(std::u16string_view path);
// The radio index behind a handle, or -1.
ZEF_EXPORT int bluetoothRadioIndex(HANDLE radio);

class ZEF_EXPORT FakeBluetoothBackend final : public BluetoothBackend {
public:
  struct Radio {
    bool connectable = false;
    bool discoverable = false;
  };

  FARPROC function(std::string_view name) override;
  size_t radioCount() override;

  // Test set-up and inspection; safe from any thread.
  void addRadio(Radio radio);
  void setRadioState(size_t index, Radio radio);
  Radio radio(size_t index);
  void setRemoveAnswer(DWORD answer);
  std::vector<std::string> calls();

  // Used by the fake's functions.
  bool anyRadio(bool discoverable);
  bool setRadio(int index, bool discoverable, bool on);
  DWORD removeDevice(uint64_t address);

private:
  std::mutex mutex_;
  std::vector<Radio> radios_;
  DWORD removeAnswer_ = 0;
  std::vector<std::string> calls_;
};

}  // namespace platform
