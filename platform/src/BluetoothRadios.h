// The radios of the active Bluetooth back end as the device set-up
// functions list them, and the radio handles their device paths open to.
#pragma once

#include "platform/DeviceSetup.h"
#include "platform/WinTypes.h"

#include <string_view>
#include <vector>

namespace platform {

// One device of class GUID_DEVCLASS_BLUETOOTH per radio, in the back end's
// order, each with its GUID_BTHPORT_DEVICE_INTERFACE interface; none without
// a back end.
std::vector<SetupDevice> bluetoothRadioDevices();

// A radio handle for the device path of a radio of the active back end, as
// BluetoothFindFirstRadio hands them out; null for any other path.
HANDLE openBluetoothRadio(std::u16string_view devicePath);

}  // namespace platform
