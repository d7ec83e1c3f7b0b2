#include "BluetoothUtils.h"
#include "BthPropsDLL.h"

#include "zefcorek/Bluetooth.h"
#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/BluetoothFake.h"
#include "platform/Handles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

using zefcorek::devices::GetRadioMode;
using zefcorek::devices::SetRadioMode;

constexpr uint64_t kAddress = 0xA1B2C3D4E5F6ull;

std::u16string addressText(uint64_t address) {
  WCHAR text[20];
  EXPECT_EQ(BTDeviceAddressToString(address, text), 0);
  return text;
}

IBluetoothHelper* makeHelper() {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IBluetoothHelperImp, &out, 0), S_OK);
  return static_cast<IBluetoothHelper*>(out);
}

TEST(BluetoothAddressTest, WritesNineteenCharactersFromTheTopByte) {
  const std::u16string text = addressText(kAddress);
  EXPECT_EQ(text, u"(A1:B2:C3:D4:E5:F6)");
  EXPECT_EQ(text.size(), 19u);
  EXPECT_EQ(addressText(0xFFFF000000000001ull), u"(00:00:00:00:00:01)");  // top bytes ignored
  EXPECT_EQ(BTDeviceAddressToString(kAddress, nullptr), 10);
}

TEST(BluetoothAddressTest, ReadsTextForms) {
  struct Case {
    const char16_t* text;
    HRESULT result;
    uint64_t address;
  };
  const Case cases[] = {
      {u"(A1:B2:C3:D4:E5:F6)", S_OK, kAddress},
      {u"A1:B2:C3:D4:E5:F6", S_OK, kAddress},
      {u"(a1:b2:c3:d4:e5:f6)", S_OK, kAddress},
      {u"( A1 : B2:C3\t:D4: E5:F6 )", S_OK, kAddress},
      {u"(1:2:3:4:5:6)", S_OK, 0x010203040506ull},
      {u"A1:B2:C3:D4:E5", E_FAIL, 0},        // five fields
      {u"A1:B2:C3:D4:E5:F6:07", E_FAIL, 0},  // seven
      {u"", E_FAIL, 0},
      {u"A1:B2::D4:E5:F6", E_FAIL, 0xA1B2ull << 32},     // empty field: the bytes before it stay
      {u"A1:G2:C3:D4:E5:F6", E_FAIL, 0xA1ull << 40},     // not hexadecimal
      {u"A1:B2:1FF:D4:E5:F6", E_FAIL, 0xA1B2ull << 32},  // above FF
      {u"0xA1:B2:C3:D4:E5:F6", E_FAIL, 0},               // carries the prefix already
      {u"A1:B2:+C3:D4:E5:F6", E_FAIL, 0xA1B2ull << 32},  // a sign
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)));
    uint64_t address = 0x1234;
    EXPECT_EQ(BTDeviceAddressFromString(c.text, &address), c.result);
    EXPECT_EQ(address, c.address);
  }
}

TEST(BluetoothAddressTest, RefusesNullArgumentsAndRoundTrips) {
  uint64_t address = 7;
  EXPECT_EQ(BTDeviceAddressFromString(u"(A1:B2:C3:D4:E5:F6)", nullptr), E_INVALIDARG);
  EXPECT_EQ(BTDeviceAddressFromString(nullptr, &address), E_INVALIDARG);
  EXPECT_EQ(address, 0u);

  std::mt19937_64 random(42);
  for (int i = 0; i < 1000; ++i) {
    const uint64_t original = random() & 0xFFFFFFFFFFFFull;
    ASSERT_EQ(BTDeviceAddressFromString(addressText(original).c_str(), &address), S_OK);
    ASSERT_EQ(address, original);
  }
}

TEST(BluetoothAddressTest, PacksAnEntryIntoTheDeviceRecord) {
  TBluetoothScannerResEntry entry{};
  const std::u16string remote = addressText(kAddress);
  std::memcpy(entry.RemoteAddress, remote.c_str(), (remote.size() + 1) * sizeof(WCHAR));
  std::memcpy(entry.Name, u"Meter", 6 * sizeof(WCHAR));
  entry.MajorDeviceClass = 0x1F + 0x20;  // cut to 5 bits
  entry.MinorDeviceClass = 0x01;
  entry.ServiceClasses = 0x401;
  entry.Paired = 1;
  entry.Connected = 1;

  BLUETOOTH_DEVICE_INFO info;
  ASSERT_EQ(zefcorek::devices::EntryToDeviceInfo(entry, info), S_OK);
  EXPECT_EQ(info.dwSize, 560u);
  EXPECT_EQ(info.Address.ullLong, kAddress);
  EXPECT_EQ(info.ulClassofDevice, (0x401u << 13) | (0x1Fu << 8) | (0x01u << 2));
  EXPECT_TRUE(info.fAuthenticated);
  EXPECT_TRUE(info.fConnected);
  EXPECT_FALSE(info.fRemembered);
  EXPECT_EQ(std::u16string(info.szName), u"Meter");
  const auto fields = zefcorek::devices::splitClassOfDevice(info.ulClassofDevice);
  EXPECT_EQ(fields.major, 0x1Fu);
  EXPECT_EQ(fields.services, 0x401u);

  std::memcpy(entry.RemoteAddress, u"(A1:B2)", 8 * sizeof(WCHAR));
  EXPECT_EQ(zefcorek::devices::EntryToDeviceInfo(entry, info), E_FAIL);
}

// Each test runs in a process of its own, so the process-wide table is made
// with the back end the test installed first.
TEST(BluetoothRadioTest, WithoutARadioStackEverythingFails) {
  setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
  EXPECT_EQ(RemoveUnpairBluetoothDevice(kAddress), E_FAIL);
  TBluetoothScannerResEntry entry{};
  EXPECT_EQ(DisplayBluetoothDeviceProperties(nullptr, &entry), E_FAIL);
  const auto& table = zefcorek::devices::processBthPropsDLL();
  EXPECT_EQ(table.BthProps, nullptr);
  EXPECT_EQ(table.BluetoothApis, nullptr);
  EXPECT_EQ(table.RemoveDevice, nullptr);
  EXPECT_EQ(table.IsConnectable, nullptr);
  EXPECT_EQ(SetRadioMode(4), E_INVALIDARG);
  EXPECT_EQ(SetRadioMode(2), E_FAIL);

  IBluetoothHelper* helper = makeHelper();
  ASSERT_NE(helper, nullptr);
  EXPECT_EQ(helper->GetRadioState(), 1);  // a table without rows reads as "off"
  EXPECT_EQ(helper->EnableRadio(true), 2);
  EXPECT_EQ(helper->Release(), 0u);
}

TEST(BluetoothRadioTest, ReadsTheModeFromTheRadioFlags) {
  platform::FakeBluetoothBackend fake;
  fake.radios.push_back({});
  platform::ScopedBluetoothBackend active(&fake);
  struct Case {
    bool connectable, discoverable;
    uint32_t mode;
  };
  for (const Case& c : {Case{false, false, 1}, Case{true, false, 2}, Case{true, true, 3}}) {
    fake.radios[0] = {c.connectable, c.discoverable};
    uint32_t mode = 99;
    EXPECT_EQ(GetRadioMode(&mode), S_OK);
    EXPECT_EQ(mode, c.mode);
  }
  EXPECT_TRUE(fake.calls().empty());  // reading changes nothing
}

TEST(BluetoothRadioTest, SwitchesTheModeThroughThePlatformCalls) {
  platform::FakeBluetoothBackend fake;
  fake.radios.push_back({true, true});
  platform::ScopedBluetoothBackend active(&fake);

  EXPECT_EQ(SetRadioMode(4), E_INVALIDARG);
  EXPECT_EQ(SetRadioMode(0), E_INVALIDARG);
  EXPECT_EQ(SetRadioMode(2), S_OK);
  EXPECT_TRUE(fake.radios[0].discoverable);  // mode 2 leaves discovery on
  EXPECT_EQ(SetRadioMode(1), S_OK);
  EXPECT_EQ(SetRadioMode(3), S_OK);
  EXPECT_EQ(fake.calls(), (std::vector<std::string>{"EnableIncomingConnections 0 1", "EnableIncomingConnections 0 0",
                                                    "EnableIncomingConnections 0 1", "EnableDiscovery 0 1"}));
  EXPECT_TRUE(fake.radios[0].connectable && fake.radios[0].discoverable);
}

TEST(BluetoothRadioTest, AMissingFunctionOrRadioFails) {
  platform::FakeBluetoothBackend fake;
  fake.missingFunctions.insert("BluetoothEnableDiscovery");
  platform::ScopedBluetoothBackend active(&fake);
  EXPECT_EQ(SetRadioMode(2), E_FAIL);  // no radio
  fake.radios.push_back({});
  EXPECT_EQ(SetRadioMode(2), S_OK);
  EXPECT_EQ(SetRadioMode(3), E_FAIL);
  uint32_t mode = 0;
  EXPECT_EQ(GetRadioMode(&mode), S_OK);
  EXPECT_EQ(mode, 2u);
}

TEST(BluetoothRadioTest, OpensTheFirstRadioOfItsInterfaceClass) {
  EXPECT_EQ(zefcorek::devices::OpenFirstRadio(), nullptr);  // no back end
  platform::FakeBluetoothBackend fake;
  platform::ScopedBluetoothBackend active(&fake);
  EXPECT_EQ(zefcorek::devices::OpenFirstRadio(), nullptr);  // no radio

  fake.radios = {{true, false}, {false, true}};
  const HANDLE radio = zefcorek::devices::OpenFirstRadio();
  ASSERT_NE(radio, nullptr);
  EXPECT_TRUE(BluetoothIsConnectable(radio));  // radio 0, not radio 1
  EXPECT_FALSE(BluetoothIsDiscoverable(radio));
  EXPECT_TRUE(BluetoothEnableDiscovery(radio, TRUE));
  EXPECT_EQ(fake.calls(), std::vector<std::string>{"EnableDiscovery 0 1"});
  EXPECT_TRUE(CloseHandle(radio));
}

TEST(BluetoothRadioTest, HelperSwitchesTheRadioOn) {
  platform::FakeBluetoothBackend fake;
  fake.radios.push_back({});
  platform::ScopedBluetoothBackend active(&fake);
  IBluetoothHelper* helper = makeHelper();
  ASSERT_NE(helper, nullptr);
  EXPECT_EQ(helper->GetRefCount(), 1);
  EXPECT_EQ(helper->CastToTopInterface(), static_cast<IStdInterface*>(helper));
  EXPECT_EQ(helper->GetRadioState(), 1);
  EXPECT_EQ(helper->EnableRadio(true), 0);
  EXPECT_EQ(helper->GetRadioState(), 0);
  EXPECT_FALSE(fake.radios[0].discoverable);
  EXPECT_EQ(helper->EnableRadio(false), 0);
  EXPECT_EQ(helper->GetRadioState(), 1);
  EXPECT_EQ(helper->Release(), 0u);
}

TEST(BluetoothRadioTest, DeviceOperationsReachTheRadioStack) {
  platform::FakeBluetoothBackend fake;
  fake.removeDeviceAnswer = 1168;
  platform::ScopedBluetoothBackend active(&fake);
  EXPECT_EQ(RemoveUnpairBluetoothDevice(kAddress), 1168);  // the answer unchanged
  fake.removeDeviceAnswer = 0;
  EXPECT_EQ(RemoveUnpairBluetoothDevice(kAddress), 0);
  EXPECT_EQ(fake.calls(), (std::vector<std::string>{"RemoveDevice A1B2C3D4E5F6", "RemoveDevice A1B2C3D4E5F6"}));

  // No back end offers a property sheet: the argument checks still come first.
  TBluetoothScannerResEntry entry{};
  EXPECT_EQ(DisplayBluetoothDeviceProperties(nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(DisplayBluetoothDeviceProperties(nullptr, &entry), E_FAIL);
  const auto& table = zefcorek::devices::processBthPropsDLL();
  EXPECT_NE(table.BthProps, nullptr);
  EXPECT_NE(table.BluetoothApis, nullptr);
  EXPECT_EQ(table.DisplayDeviceProperties, nullptr);
}

}  // namespace

#include "MockServiceBus.h"

namespace {

TEST(BluetoothBlueZTest, RadioModeAndDevicesThroughTheBus) {
  MockBlueZBus bus;
  ASSERT_TRUE(bus.started());
  ASSERT_TRUE(bus.mock("AddAdapter string:hci0 string:survey-box"));
  ASSERT_TRUE(bus.mock("AddDevice string:hci0 string:A1:B2:C3:D4:E5:F6 string:Meter"));
  ASSERT_TRUE(bus.mock("PairDevice string:hci0 string:A1:B2:C3:D4:E5:F6 uint32:7936"));

  uint32_t mode = 0;
  ASSERT_EQ(GetRadioMode(&mode), S_OK);
  EXPECT_EQ(mode, 2u);  // powered, not discoverable
  EXPECT_EQ(SetRadioMode(3), S_OK);
  EXPECT_EQ(bus.property("/org/bluez/hci0", "org.bluez.Adapter1", "Discoverable"), "boolean true");
  ASSERT_EQ(GetRadioMode(&mode), S_OK);
  EXPECT_EQ(mode, 3u);
  EXPECT_EQ(SetRadioMode(1), S_OK);
  EXPECT_EQ(bus.property("/org/bluez/hci0", "org.bluez.Adapter1", "Powered"), "boolean false");
  ASSERT_EQ(GetRadioMode(&mode), S_OK);
  EXPECT_EQ(mode, 1u);

  const auto& table = zefcorek::devices::processBthPropsDLL();
  ASSERT_NE(table.GetDeviceInfo, nullptr);
  BLUETOOTH_DEVICE_INFO info{};
  info.dwSize = sizeof info;
  info.Address.ullLong = kAddress;
  ASSERT_EQ(table.GetDeviceInfo(nullptr, &info), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(info.szName), u"Meter");
  EXPECT_EQ("uint32 " + std::to_string(info.ulClassofDevice),
            bus.property("/org/bluez/hci0/dev_A1_B2_C3_D4_E5_F6", "org.bluez.Device1", "Class"));
  EXPECT_TRUE(info.fAuthenticated && info.fRemembered);
  EXPECT_FALSE(info.fConnected);

  EXPECT_EQ(RemoveUnpairBluetoothDevice(kAddress), 0);
  EXPECT_NE(table.GetDeviceInfo(nullptr, &info), ERROR_SUCCESS);
  EXPECT_NE(RemoveUnpairBluetoothDevice(kAddress), 0);  // gone
}

// A device object of an unexpected place is read, and asked to go, without
// harm: the calls go to its parent object and the process goes on.
TEST(BluetoothBlueZTest, ADeviceOutsideAnAdapterDoesNoHarm) {
  MockBlueZBus bus(BLUEZ_MOCK_TEMPLATE);
  ASSERT_TRUE(bus.started());
  ASSERT_TRUE(bus.mock("AddAdapter string:hci0 string:survey-box"));
  ASSERT_TRUE(bus.mock("AddStrayDevice string:A1:B2:C3:D4:E5:F6"));

  const auto& table = zefcorek::devices::processBthPropsDLL();
  ASSERT_NE(table.GetDeviceInfo, nullptr);
  BLUETOOTH_DEVICE_INFO info{};
  info.dwSize = sizeof info;
  info.Address.ullLong = kAddress;
  ASSERT_EQ(table.GetDeviceInfo(nullptr, &info), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(info.szName), u"Stray");
  (void)RemoveUnpairBluetoothDevice(kAddress);  // whatever the peer answers
  uint32_t mode = 0;
  EXPECT_EQ(GetRadioMode(&mode), S_OK);
}

}  // namespace
