// Device interfaces of the device set-up functions: the interfaces a
// provider's devices offer, the radios of the Bluetooth back end, and the
// device paths CreateFileW opens.
#include "platform/DeviceSetup.h"

#include "platform/Bluetooth.h"
#include "platform/BluetoothFake.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/LastError.h"

#include "testsupport/PtyPair.h"
#include "testsupport/ScratchRoot.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using platform::SetupDevice;

constexpr GUID kOtherInterface = {0x12345678, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};

class FakeProvider final : public platform::DeviceSetupProvider {
public:
  std::vector<SetupDevice> devices() override { return list; }
  std::vector<SetupDevice> list;
};

SetupDevice device(const GUID& classGuid, const std::u16string& id, std::vector<platform::SetupInterface> interfaces) {
  SetupDevice made{};
  made.classGuid = classGuid;
  made.instanceId = id;
  made.interfaces = std::move(interfaces);
  return made;
}

// Installs a provider for one test and puts the default one back.
class DeviceSetupTest : public ::testing::Test {
protected:
  void SetUp() override { platform::setDeviceSetupProvider(provider_); }
  void TearDown() override { platform::setDeviceSetupProvider(nullptr); }

  static HDEVINFO interfaceSet(const GUID& interfaceClass) {
    return SetupDiGetClassDevsW(&interfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  }
  static DWORD deviceCount(HDEVINFO set) {
    SP_DEVINFO_DATA data{sizeof data, {}, 0, 0};
    DWORD count = 0;
    while (SetupDiEnumDeviceInfo(set, count, &data)) ++count;
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    return count;
  }
  // The device paths of the interfaces of `interfaceClass`, of `device` alone
  // when given, each read with the two calls: the size, then the path.
  static std::vector<std::u16string> devicePaths(HDEVINFO set, const GUID& interfaceClass,
                                                 SP_DEVINFO_DATA* device = nullptr) {
    std::vector<std::u16string> paths;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD index = 0; SetupDiEnumDeviceInterfaces(set, device, &interfaceClass, index, &data); ++index) {
      EXPECT_EQ(data.InterfaceClassGuid, interfaceClass);
      DWORD required = 0;
      EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &required, nullptr));
      EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
      std::vector<BYTE> buffer(required);
      auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
      detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
      EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required - 1, nullptr, nullptr));
      EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
      if (!SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required, nullptr, nullptr)) break;
      paths.emplace_back(detail->DevicePath);
      EXPECT_EQ(required, 4 + (paths.back().size() + 1) * sizeof(WCHAR));
    }
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    return paths;
  }

  testsupport::ScratchRoot root_{"/tmp/zef-devsetup-test-XXXXXX"};
  std::shared_ptr<FakeProvider> provider_ = std::make_shared<FakeProvider>();
};

TEST_F(DeviceSetupTest, InterfaceClassesListTheDevicesThatOfferThem) {
  provider_->list = {
      device(GUID_DEVCLASS_PORTS, u"USB\\A", {{GUID_DEVINTERFACE_COMPORT, u"\\\\.\\COM3"}, {kOtherInterface, u"a"}}),
      device(GUID_DEVCLASS_MODEM, u"USB\\B", {}),
      device(GUID_DEVCLASS_PORTS, u"USB\\C", {{GUID_DEVINTERFACE_COMPORT, u"\\\\.\\COM12"}}),
  };
  const HDEVINFO ports = interfaceSet(GUID_DEVINTERFACE_COMPORT);
  ASSERT_NE(ports, INVALID_DEVICE_SET);
  EXPECT_EQ(deviceCount(ports), 2u);  // the modem offers no port interface
  EXPECT_EQ(devicePaths(ports, GUID_DEVINTERFACE_COMPORT),
            (std::vector<std::u16string>{u"\\\\.\\COM3", u"\\\\.\\COM12"}));
  EXPECT_EQ(devicePaths(ports, kOtherInterface), std::vector<std::u16string>{u"a"});

  // One device's interfaces, and the device an interface belongs to.
  SP_DEVINFO_DATA second{sizeof second, {}, 0, 0};
  ASSERT_TRUE(SetupDiEnumDeviceInfo(ports, 1, &second));
  EXPECT_EQ(second.ClassGuid, GUID_DEVCLASS_PORTS);
  EXPECT_EQ(devicePaths(ports, GUID_DEVINTERFACE_COMPORT, &second), std::vector<std::u16string>{u"\\\\.\\COM12"});
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  ASSERT_TRUE(SetupDiEnumDeviceInterfaces(ports, nullptr, &GUID_DEVINTERFACE_COMPORT, 1, &data));
  SP_DEVINFO_DATA owner{sizeof owner, {}, 99, 0};
  DWORD required = 0;
  EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailW(ports, &data, nullptr, 0, &required, &owner));
  EXPECT_EQ(owner.DevInst, 1u);

  // Records of the wrong size and interfaces of no set are refused.
  struct {
    const char* what;
    std::function<BOOL()> call;
    DWORD error;
  } const refusals[] = {
      {"interface record size",
       [&] {
         SP_DEVICE_INTERFACE_DATA wrong{};
         wrong.cbSize = 8;
         return SetupDiEnumDeviceInterfaces(ports, nullptr, &GUID_DEVINTERFACE_COMPORT, 0, &wrong);
       },
       ERROR_INVALID_USER_BUFFER},
      {"detail record size",
       [&] {
         alignas(8) BYTE buffer[256] = {};
         reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer)->cbSize = 6;
         return SetupDiGetDeviceInterfaceDetailW(ports, &data,
                                                 reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer),
                                                 sizeof buffer, nullptr, nullptr);
       },
       ERROR_INVALID_USER_BUFFER},
      {"size without a buffer",
       [&] { return SetupDiGetDeviceInterfaceDetailW(ports, &data, nullptr, 64, nullptr, nullptr); },
       ERROR_INVALID_USER_BUFFER},
      {"interface never enumerated",
       [&] {
         SP_DEVICE_INTERFACE_DATA blank{};
         blank.cbSize = sizeof blank;
         return SetupDiGetDeviceInterfaceDetailW(ports, &blank, nullptr, 0, &required, nullptr);
       },
       ERROR_INVALID_PARAMETER},
      {"no interface class", [&] { return SetupDiEnumDeviceInterfaces(ports, nullptr, nullptr, 0, &data); },
       ERROR_INVALID_PARAMETER},
  };
  for (const auto& refusal : refusals) {
    SCOPED_TRACE(refusal.what);
    SetLastError(0);
    EXPECT_FALSE(refusal.call());
    EXPECT_EQ(GetLastError(), refusal.error);
  }
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(ports));
  EXPECT_FALSE(SetupDiEnumDeviceInterfaces(ports, nullptr, &GUID_DEVINTERFACE_COMPORT, 0, &data));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  // A class set still lists by setup class, interfaces or not.
  const HDEVINFO byClass = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  EXPECT_EQ(deviceCount(byClass), 2u);
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(byClass));
}

TEST_F(DeviceSetupTest, RadioInterfacesOpenToRadioHandles) {
  provider_->list = {device(GUID_DEVCLASS_PORTS, u"USB\\A", {{GUID_DEVINTERFACE_COMPORT, u"\\\\.\\COM3"}})};
  platform::FakeBluetoothBackend fake;
  fake.radios = {{true, false}, {false, false}};
  std::vector<std::u16string> paths;
  {
    platform::ScopedBluetoothBackend active(&fake);
    const HDEVINFO radios = interfaceSet(GUID_BTHPORT_DEVICE_INTERFACE);
    EXPECT_EQ(deviceCount(radios), 2u);  // the provider's port is no radio
    SP_DEVINFO_DATA first{sizeof first, {}, 0, 0};
    ASSERT_TRUE(SetupDiEnumDeviceInfo(radios, 0, &first));
    EXPECT_EQ(first.ClassGuid, GUID_DEVCLASS_BLUETOOTH);
    paths = devicePaths(radios, GUID_BTHPORT_DEVICE_INTERFACE);
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(radios));
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_NE(paths[0], paths[1]);

    // Each path opens its own radio, and the radio functions take the handle.
    const HANDLE secondRadio = CreateFileW(paths[1].c_str(), GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(secondRadio, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(BluetoothIsConnectable(secondRadio));
    EXPECT_TRUE(BluetoothEnableIncomingConnections(secondRadio, TRUE));
    EXPECT_EQ(fake.calls(), std::vector<std::string>{"EnableIncomingConnections 1 1"});
    EXPECT_TRUE(CloseHandle(secondRadio));

    std::u16string lower = paths[0];
    for (char16_t& unit : lower) unit = unit >= u'A' && unit <= u'Z' ? char16_t(unit + 32) : unit;
    const HANDLE firstRadio = CreateFileW(lower.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(firstRadio, INVALID_HANDLE_VALUE);  // device paths ignore case
    EXPECT_TRUE(BluetoothIsConnectable(firstRadio));
    EXPECT_TRUE(CloseHandle(firstRadio));

    // The ports' set does not ask the radio stack.
    const HDEVINFO ports = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    EXPECT_EQ(deviceCount(ports), 1u);
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(ports));
  }
  // Without the back end its radios are gone, and so are paths of no radio.
  const std::u16string noRadio = platform::deviceInterfacePath(u"bthradio#7", GUID_BTHPORT_DEVICE_INTERFACE);
  for (const std::u16string& path : {paths[0], noRadio, std::u16string(u"\\\\?\\nothing#here")}) {
    SetLastError(0);
    EXPECT_EQ(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  }
  const HDEVINFO none = interfaceSet(GUID_BTHPORT_DEVICE_INTERFACE);
  EXPECT_EQ(deviceCount(none), 0u);
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(none));
}

TEST_F(DeviceSetupTest, MappedPortsOfferTheirComNameAsDevicePath) {
  platform::setDeviceSetupProvider(nullptr);
  testsupport::PtyPair pty;
  const HDEVINFO ports = interfaceSet(GUID_DEVINTERFACE_COMPORT);
  const std::string digits = std::to_string(pty.comNumber());
  const std::u16string name = u"\\\\.\\COM" + std::u16string(digits.begin(), digits.end());
  EXPECT_EQ(devicePaths(ports, GUID_DEVINTERFACE_COMPORT), std::vector<std::u16string>{name});
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(ports));
  const HANDLE port = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(port, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(port));
}

}  // namespace
