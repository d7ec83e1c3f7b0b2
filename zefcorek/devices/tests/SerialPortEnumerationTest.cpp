// Serial port enumeration over a fake device provider, the SERIALCOMM map
// and the COM name arbiter's bitmap.
#include "zefcorek/SerialPortEnumeration.h"

#include "platform/CodePage.h"
#include "platform/CommPorts.h"
#include "platform/DeviceSetup.h"
#include "platform/Registry.h"

#include "testsupport/PtyPair.h"

#include "MockServiceBus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using platform::SetupDevice;

class FakeProvider final : public platform::DeviceSetupProvider {
public:
  std::vector<SetupDevice> devices() override { return list; }
  std::vector<SetupDevice> list;
};

SetupDevice port(const std::u16string& id, const std::u16string& portName, const std::u16string& friendly) {
  SetupDevice device{};
  device.classGuid = GUID_DEVCLASS_PORTS;
  device.instanceId = id;
  device.portName = portName;
  device.friendlyName = friendly;
  return device;
}

SetupDevice modem(const std::u16string& id, const std::u16string& attachedTo, const std::u16string& description) {
  SetupDevice device{};
  device.classGuid = GUID_DEVCLASS_MODEM;
  device.instanceId = id;
  device.attachedTo = attachedTo;
  device.description = description;
  return device;
}

class RecordingCombo final : public IPortListControl {
public:
  void BeginUpdate() override { ++updates; }
  void Clear() override { lines.clear(), ports.clear(); }
  void AddItem(const WCHAR* text, intptr_t port) override {
    lines.emplace_back(text);
    ports.push_back(port);
  }
  void EndUpdate() override { --updates; }
  int Count() override { return static_cast<int>(lines.size()); }
  intptr_t ItemPort(int index) override { return ports[index]; }
  void SetItemIndex(int index) override { itemIndex = index; }
  std::vector<std::u16string> lines;
  std::vector<intptr_t> ports;
  int updates = 0;
  int itemIndex = 5;
};

class SerialPortEnumerationTest : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/zef-enum-test-XXXXXX";
    root_ = mkdtemp(pattern);
    setenv("ZEF_PLATFORM_ROOT", root_.c_str(), 1);
    provider_ = std::make_shared<FakeProvider>();
    platform::setDeviceSetupProvider(provider_);
  }
  void TearDown() override {
    platform::setDeviceSetupProvider(nullptr);
    unsetenv("ZEF_PLATFORM_ROOT");
    fs::remove_all(root_);
  }
  void mapValue(const std::u16string& name, const std::u16string& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * 2));
    RegCloseKey(key);
  }
  std::unique_ptr<TSerialPortList> find() {
    auto list = std::make_unique<TSerialPortList>();
    EXPECT_TRUE(zefCoreKFindSerialPorts(3, list.get()));
    return list;
  }
  std::string root_;
  std::shared_ptr<FakeProvider> provider_;
};

TEST_F(SerialPortEnumerationTest, PortsAndModemsJoinedSortedAndLabelled) {
  SetupDevice bluetoothIn = port(u"BTHENUM\\1", u"COM9", u"Standard Serial over Bluetooth link");
  bluetoothIn.bluetoothId = u"00:11:22:33:44:55";
  SetupDevice bluetoothSpp = port(u"BTHENUM\\2", u"COM8", u"GPS SPP Port");
  bluetoothSpp.bluetoothId = u"00:11:22:33:44:66";
  SetupDevice bluetoothById = port(u"BTHENUM\\3", u"COM11", u"Link");
  bluetoothById.bluetoothId = u"00:11:22:33:44:77";
  bluetoothById.compatibleIds = {u"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}"};
  provider_->list = {
      port(u"USB\\A", u"COM7", u"USB Serial (COM7)"),
      modem(u"MDM\\A", u"COM7", u"Fax Modem"),
      port(u"USB\\B", u"COM5", u"First COM5"),
      port(u"USB\\C", u"COM0", u"zero"),
      port(u"USB\\D", u"COM256", u"too high"),
      port(u"USB\\E", u"cnca3", u""),
      bluetoothIn,
      bluetoothSpp,
      bluetoothById,
  };
  mapValue(u"\\Device\\VSPE_SERIAL5", u"COM5");
  mapValue(u"\\Device\\bizVSerial0x1A", u"COM26");
  mapValue(u"\\Device\\VSPE_SERIALx", u"COM99");  // not a number: skipped
  mapValue(u"\\Device\\Serial0", u"COM1");        // not a virtual port

  const auto list = find();
  struct Row {
    uint32_t number;
    uint32_t sources;
    std::u16string portDescription;
    std::u16string modemDescription;
  };
  const std::vector<Row> expected = {
      {3, 1, u"cnca3", u""},
      {5, 1, u"First COM5", u""},
      {5, 1, u"VSPE - Virtual Serial Port", u""},
      {7, 3, u"USB Serial (COM7)", u"Fax Modem"},
      {8, 1, u"GPS  Port (outgoing) SPP", u""},
      {9, 1, u"Standard Serial over Bluetooth link (incoming)", u""},
      {11, 1, u"Link (outgoing) SPP", u""},
      {26, 1, u"Franson GpsGate - Virtual Serial Port", u""},
  };
  ASSERT_EQ(list->EntryCount, expected.size());
  EXPECT_EQ(list->ListFlags & 1, 1u) << "two COM5 serial entries";
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "entry " << i);
    const TSerialPortEntry& entry = list->Entries[i];
    EXPECT_EQ(entry.PortNumber, expected[i].number);
    EXPECT_EQ(entry.Sources, expected[i].sources);
    EXPECT_EQ(std::u16string(entry.PortDescription), expected[i].portDescription);
    EXPECT_EQ(std::u16string(entry.ModemDescription), expected[i].modemDescription);
  }

  RecordingCombo combo;
  zefCoreKFillSerialPortsCombo(&combo);
  ASSERT_EQ(combo.lines.size(), expected.size());
  EXPECT_EQ(combo.lines[3], u" COM7   : Fax Modem @ USB Serial (COM7)");
  EXPECT_EQ(combo.lines[0], u" COM3   : cnca3");
  EXPECT_EQ(combo.itemIndex, -1);
  EXPECT_EQ(combo.updates, 0);
  EXPECT_EQ(zefCoreKGetPortIndexInPortsCombo(&combo, 7), 3);
  EXPECT_EQ(zefCoreKGetPortIndexInPortsCombo(&combo, 0), -1);
  EXPECT_EQ(zefCoreKGetPortIndexInPortsCombo(&combo, 42), -1);
  EXPECT_FALSE(zefCoreKFindSerialPorts(3, nullptr));
}

TEST_F(SerialPortEnumerationTest, TheListStopsAt256Entries) {
  for (int i = 0; i < 300; ++i) {
    const std::u16string number(1, static_cast<char16_t>(u'1' + i % 9));
    provider_->list.push_back(
        port(u"USB\\" + std::u16string(1, static_cast<char16_t>(0x100 + i)), u"COM" + number, u"p"));
  }
  const auto list = find();
  EXPECT_EQ(list->EntryCount, kMaxSerialPortEntries);
}

TEST_F(SerialPortEnumerationTest, DefaultProviderListsTheMappedPorts) {
  platform::setDeviceSetupProvider(nullptr);
  testsupport::PtyPair pty;
  const auto list = find();
  ASSERT_EQ(list->EntryCount, 1u);
  EXPECT_EQ(list->Entries[0].PortNumber, pty.comNumber());
  const std::u16string name = u"COM" + std::u16string(1, static_cast<char16_t>(u'0' + pty.comNumber()));
  EXPECT_EQ(std::u16string(list->Entries[0].PortName), name);
  EXPECT_EQ(std::u16string(list->Entries[0].PortDescription), u"Communications Port (" + name + u")");
}

// The default provider joins ModemManager's modems to the mapped ports they
// are attached to (the primary port, else an AT port); a modem without a
// serial port is not listed, and without ModemManager there are no modems.
TEST_F(SerialPortEnumerationTest, DefaultProviderJoinsModemManagersModems) {
  platform::setDeviceSetupProvider(nullptr);
  testsupport::PtyPair fax;
  testsupport::PtyPair cellular;
  MockServiceBus bus(MM_MOCK_TEMPLATE, "org.freedesktop.ModemManager1", "/org/freedesktop/ModemManager1",
                     "org.freedesktop.ModemManager1.Mock");
  ASSERT_TRUE(bus.serviceStarted());
  const std::string faxPort = fax.devicePath();
  const std::string cellularPort = cellular.devicePath();
  ASSERT_TRUE(bus.mock("AddModem string:Acme 'string:Fax 56k' string:" + faxPort + " array:string:" + faxPort +
                       " array:uint32:3"));
  ASSERT_TRUE(bus.mock("AddModem string:Cellco string:LTE string:cdc-wdm0 array:string:cdc-wdm0,wwan0," + cellularPort +
                       " array:uint32:6,2,3"));
  ASSERT_TRUE(
      bus.mock("AddModem string:Cellco string:5G string:cdc-wdm1 array:string:cdc-wdm1,wwan1 array:uint32:6,2"));

  const std::string hermetic = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address().c_str(), 1);
  RecordingCombo combo;
  zefCoreKFillSerialPortsCombo(&combo);
  const auto joined = find();
  setenv("DBUS_SYSTEM_BUS_ADDRESS", hermetic.c_str(), 1);

  const auto line = [](unsigned number, const char* modem) {
    const std::u16string digits = platform::ansiToWideLenient(std::to_string(number));
    std::u16string column = digits;
    column.resize(3, u' ');
    return u" COM" + column + u" : " + platform::ansiToWideLenient(modem) + u" @ Communications Port (COM" + digits +
           u")";
  };
  std::vector<std::u16string> expected = {line(fax.comNumber(), "Acme Fax 56k"),
                                          line(cellular.comNumber(), "Cellco LTE")};
  if (cellular.comNumber() < fax.comNumber()) std::swap(expected[0], expected[1]);
  EXPECT_EQ(combo.lines, expected);
  ASSERT_EQ(joined->EntryCount, 2u);
  EXPECT_EQ(joined->Entries[0].Sources, 3u);
  EXPECT_EQ(joined->ListFlags, 0u);

  bus.stop();
  const auto portsOnly = find();
  ASSERT_EQ(portsOnly->EntryCount, 2u);
  EXPECT_EQ(portsOnly->Entries[0].Sources, 1u);
  EXPECT_EQ(portsOnly->Entries[1].Sources, 1u);
}

TEST_F(SerialPortEnumerationTest, ComNameArbiterBitmap) {
  TComDBArbiterData* data = nullptr;
  const struct {
    uint32_t bits;
    uint32_t bitCount;
    uint32_t totalSize;
  } sizes[] = {{0, 64, 19}, {65, 72, 20}, {256, 256, 43}};
  for (const auto& row : sizes) {
    ASSERT_TRUE(zefCoreKAllocCOMDBArbiterData(&data, row.bits));
    EXPECT_EQ(data->BitCount, row.bitCount);
    EXPECT_EQ(data->TotalSize, row.totalSize);
    EXPECT_TRUE(zefCoreKFreeCOMDBArbiterData(data));
  }
  EXPECT_FALSE(zefCoreKFreeCOMDBArbiterData(nullptr));
  EXPECT_FALSE(zefCoreKGetCOMDBArbiterData(&data)) << "nothing stored yet";
  EXPECT_EQ(data, nullptr);

  ASSERT_TRUE(zefCoreKAllocCOMDBArbiterData(&data, 72));
  data->Bitmap[0] = 0x05;
  data->Bitmap[8] = 0x80;
  // The arbiter's key belongs to the system: it is written, never made.
  constexpr char16_t kArbiter[] = u"SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";
  HKEY key = nullptr;
  EXPECT_FALSE(zefCoreKSetCOMDBArbiterData(data));
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kArbiter, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kArbiter, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_TRUE(zefCoreKSetCOMDBArbiterData(data));
  zefCoreKFreeCOMDBArbiterData(data);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kArbiter, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  DWORD size = 0;
  ASSERT_EQ(RegQueryValueExW(key, u"ComDB", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 9u);
  const BYTE five[5] = {1, 2, 3, 4, 5};
  ASSERT_EQ(RegSetValueExW(key, u"ComDB", 0, REG_BINARY, five, 5), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_TRUE(zefCoreKGetCOMDBArbiterData(&data));
  EXPECT_EQ(data->BitCount, 256u);
  EXPECT_EQ(data->Bitmap[4], 5);
  EXPECT_EQ(data->Bitmap[5], 0);
  zefCoreKFreeCOMDBArbiterData(data);
}

}  // namespace
