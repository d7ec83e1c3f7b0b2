#include "platform/Bluetooth.h"
#include "platform/BluetoothFake.h"
#include "platform/Handles.h"
#include "platform/LoadableModules.h"

#include <gtest/gtest.h>

namespace {

TEST(BluetoothModulesTest, LoadOnlyWhileABackEndIsActive) {
  EXPECT_EQ(LoadLibraryW(u"bthprops.cpl"), nullptr);
  EXPECT_EQ(LoadLibraryW(u"bluetoothapis.dll"), nullptr);

  platform::FakeBluetoothBackend fake;
  fake.missingFunctions.insert("BluetoothRemoveDevice");
  {
    platform::ScopedBluetoothBackend active(&fake);
    HMODULE props = LoadLibraryW(u"BTHPROPS.CPL");
    ASSERT_NE(props, nullptr);
    EXPECT_NE(LoadLibraryW(u"bluetoothapis.dll"), nullptr);
    EXPECT_EQ(GetProcAddress(props, "BluetoothIsConnectable"), reinterpret_cast<FARPROC>(&BluetoothIsConnectable));
    EXPECT_EQ(GetProcAddress(props, "BluetoothRemoveDevice"), nullptr);             // taken away
    EXPECT_EQ(GetProcAddress(props, "BluetoothDisplayDeviceProperties"), nullptr);  // no sheet here
    EXPECT_EQ(GetProcAddress(props, "BluetoothSelectDevices"), nullptr);
    EXPECT_TRUE(FreeLibrary(props));
  }
  EXPECT_EQ(LoadLibraryW(u"bthprops.cpl"), nullptr);
}

TEST(BluetoothModulesTest, RadioSearchAndHandles) {
  const BLUETOOTH_FIND_RADIO_PARAMS params{sizeof params};
  HANDLE radio = reinterpret_cast<HANDLE>(1);
  EXPECT_EQ(BluetoothFindFirstRadio(&params, &radio), nullptr);  // no back end
  EXPECT_EQ(radio, nullptr);

  platform::FakeBluetoothBackend fake;
  fake.radios = {{true, false}, {false, false}};
  platform::ScopedBluetoothBackend active(&fake);
  HBLUETOOTH_RADIO_FIND find = BluetoothFindFirstRadio(&params, &radio);
  ASSERT_NE(find, nullptr);
  HANDLE second = nullptr;
  EXPECT_TRUE(BluetoothFindNextRadio(find, &second));
  HANDLE third = nullptr;
  EXPECT_FALSE(BluetoothFindNextRadio(find, &third));
  EXPECT_TRUE(BluetoothFindRadioClose(find));

  EXPECT_TRUE(BluetoothIsConnectable(radio));
  EXPECT_FALSE(BluetoothIsConnectable(second));
  EXPECT_TRUE(BluetoothIsConnectable(nullptr));          // any radio
  EXPECT_FALSE(BluetoothEnableDiscovery(second, TRUE));  // not connectable
  EXPECT_FALSE(BluetoothIsConnectable(find));            // a closed handle is no radio
  EXPECT_TRUE(CloseHandle(radio));
  EXPECT_TRUE(CloseHandle(second));
  EXPECT_FALSE(BluetoothEnableIncomingConnections(radio, TRUE));
}

TEST(BluetoothModulesTest, DeviceInformationFromTheBackEnd) {
  platform::FakeBluetoothBackend fake;
  fake.devices.push_back({0x112233445566ull, u"Level", 0x1F00, true, true, false, {0x1101}});
  platform::ScopedBluetoothBackend active(&fake);
  BLUETOOTH_DEVICE_INFO info{};
  info.dwSize = sizeof info;
  info.Address.ullLong = 0x112233445566ull;
  ASSERT_EQ(BluetoothGetDeviceInfo(nullptr, &info), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(info.szName), u"Level");
  EXPECT_EQ(info.ulClassofDevice, 0x1F00u);
  EXPECT_TRUE(info.fConnected && info.fRemembered && !info.fAuthenticated);
  info.Address.ullLong = 1;
  EXPECT_NE(BluetoothGetDeviceInfo(nullptr, &info), ERROR_SUCCESS);
  info.dwSize = 8;
  EXPECT_EQ(BluetoothGetDeviceInfo(nullptr, &info), ERROR_INVALID_PARAMETER);
}

}  // namespace
