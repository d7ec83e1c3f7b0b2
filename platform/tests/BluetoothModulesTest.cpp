#include "platform/Bluetooth.h"
#include "platform/BluetoothFake.h"
#include "platform/Handles.h"
#include "platform/LoadableModules.h"
#include "platform/Sockets.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

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

// The connected link takes the socket's place; the buffer sizes set before
// the connect stay with it.
TEST(BluetoothModulesTest, RfcommConnectKeepsTheBufferSizes) {
  platform::FakeBluetoothBackend fake;
  fake.rfcommFactory = [](const SOCKADDR_BTH&, int*) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return -1;
    ::close(pair[1]);
    return pair[0];
  };
  platform::ScopedBluetoothBackend active(&fake);
  const SOCKET s = platform::socket(AF_BTH, SOCK_STREAM_TYPE, BTHPROTO_RFCOMM);
  ASSERT_NE(s, INVALID_SOCKET);
  const int receive = 8192, send = 1024;
  ASSERT_EQ(platform::setsockopt(s, SOL_SOCKET_LEVEL, SO_RCVBUF_OPTION, reinterpret_cast<const char*>(&receive),
                                 sizeof receive),
            0);
  ASSERT_EQ(
      platform::setsockopt(s, SOL_SOCKET_LEVEL, SO_SNDBUF_OPTION, reinterpret_cast<const char*>(&send), sizeof send),
      0);
  const auto sizeOf = [&](int option) {
    int value = 0;
    socklen_t length = sizeof value;
    EXPECT_EQ(::getsockopt(static_cast<int>(s), SOL_SOCKET, option, &value, &length), 0);
    return value;
  };
  const int receiveBefore = sizeOf(SO_RCVBUF), sendBefore = sizeOf(SO_SNDBUF);
  SOCKADDR_BTH address{};
  address.addressFamily = AF_BTH;
  address.btAddr = 0x00A0B0C0D0E0ull;
  address.port = 3;
  ASSERT_EQ(platform::connect(s, reinterpret_cast<const SOCKADDR*>(&address), sizeof address), 0);
  EXPECT_EQ(sizeOf(SO_RCVBUF), receiveBefore);
  EXPECT_EQ(sizeOf(SO_SNDBUF), sendBefore);
  platform::closesocket(s);
}

}  // namespace
