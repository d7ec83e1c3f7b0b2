// The Bluetooth connection over a mocked BlueZ: a connect by service class
// goes through a client profile whose socket BlueZ hands over (the mock's
// end echoes), and an unpaired device is paired through our agent first.
#include "zefcorek/BluetoothConnection.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "MockServiceBus.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// The serial port service class, and one the mocked device does not offer.
constexpr GUID kSerialPort = {0x00001101, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};
constexpr GUID kFileTransfer = {0x00001106, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};
constexpr const char* kSerialPortUuid = "00001101-0000-1000-8000-00805f9b34fb";

struct Release {
  void operator()(IBluetoothConnection* connection) const { connection->Release(); }
};
using Connection = std::unique_ptr<IBluetoothConnection, Release>;

Connection makeConnection(uint64_t address, const GUID& serviceClass, BluetoothPairingCallback pairing = nullptr,
                          void* user = nullptr) {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IBluetoothConnectionImp, &out, 0), S_OK);
  Connection connection(static_cast<IBluetoothConnection*>(out));
  TBluetoothConnParms parms{};
  parms.Address = address;
  parms.ServiceClassId = serviceClass;
  parms.ReadWriteTimeoutMs = 5000;
  parms.SecondTimeoutMs = 5000;
  parms.PairingCallback = pairing;
  parms.PairingUserData = user;
  EXPECT_EQ(connection->SetParms(&parms).Value, CONN_OK);
  return connection;
}

// Writes and reads back through the mock's echoing end of the link.
std::string echoed(IBluetoothConnection& connection, const std::string& text) {
  if (connection.Write(text.data(), static_cast<uint16_t>(text.size())) != text.size()) return {};
  std::string bytes(text.size(), '\0');
  uint16_t got = 0;
  if (connection.Read(bytes.data(), static_cast<uint16_t>(bytes.size()), true, &got).Value != CONN_OK) return {};
  return bytes.substr(0, got);
}

struct ServiceBus {
  MockBlueZBus bus{BLUEZ_MOCK_TEMPLATE};

  // A device offering the serial port service, paired or not.
  bool addDevice(const std::string& address, bool paired) {
    return bus.mock("AddDevice string:hci0 string:" + address + " string:Receiver") &&
           bus.mock("SetServices string:" + address + " array:string:" + kSerialPortUuid) &&
           (!paired || bus.mock("PairDevice string:hci0 string:" + address + " uint32:7936"));
  }
};

bool acceptAll(TBluetoothPairingQuery* query) {
  ++*static_cast<int*>(query->UserData);
  return true;
}

TEST(BluetoothBlueZConnectionTest, ServiceClassConnectReachesTheProfilesSocket) {
  ServiceBus stack;
  ASSERT_TRUE(stack.bus.started());
  ASSERT_TRUE(stack.bus.mock("AddAdapter string:hci0 string:survey-box"));
  ASSERT_TRUE(stack.addDevice("A1:B2:C3:D4:E5:F6", /*paired=*/true));

  Connection serial = makeConnection(0xA1B2C3D4E5F6ull, kSerialPort);
  ASSERT_EQ(serial->Open().Value, CONN_OK);
  EXPECT_EQ(echoed(*serial, "ping\r\n"), "ping\r\n");
  EXPECT_EQ(stack.bus.ask("/ org.bluez.Mock.Profiles"), "]");  // unregistered again, the link kept
  EXPECT_EQ(echoed(*serial, "again"), "again");
  EXPECT_EQ(serial->Close().Value, CONN_OK);

  Connection files = makeConnection(0xA1B2C3D4E5F6ull, kFileTransfer);
  EXPECT_EQ(files->Open().Value, BTCONN_ADDRESS_NOT_AVAILABLE);
  EXPECT_FALSE(files->IsOpen());
  EXPECT_EQ(stack.bus.ask("/ org.bluez.Mock.Profiles"), "]");  // unregistered after a failed connect too
  Connection unknown = makeConnection(0x112233445566ull, kSerialPort);
  EXPECT_EQ(unknown->Open().Value, BTCONN_HOST_DOWN);
}

TEST(BluetoothBlueZConnectionTest, AnUnpairedDeviceIsPairedThenConnected) {
  ServiceBus stack;
  ASSERT_TRUE(stack.bus.started());
  ASSERT_TRUE(stack.bus.mock("AddAdapter string:hci0 string:survey-box"));
  ASSERT_TRUE(stack.addDevice("00:11:22:33:44:55", /*paired=*/false));
  ASSERT_TRUE(stack.bus.mock("PlanPairing string:00:11:22:33:44:55 string:RequestConfirmation uint32:4711"));

  int asked = 0;
  Connection serial = makeConnection(0x001122334455ull, kSerialPort, &acceptAll, &asked);
  serial->GetParms()->AutoAccept = 0;
  ASSERT_EQ(serial->Open().Value, CONN_OK);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(stack.bus.property("/org/bluez/hci0/dev_00_11_22_33_44_55", "org.bluez.Device1", "Paired"), "boolean true");
  EXPECT_EQ(echoed(*serial, "paired"), "paired");
}

}  // namespace
