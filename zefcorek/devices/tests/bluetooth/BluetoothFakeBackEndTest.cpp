// The radio and device services over the in-process fake Bluetooth back
// end. A binary of its own: the process-wide function table is made once,
// and here it is made while the fake is installed.
#include "zefcorek/BluetoothUtilities.h"

#include "BthPropsTable.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Bluetooth.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Radio = platform::FakeBluetoothBackend::Radio;

std::shared_ptr<platform::FakeBluetoothBackend>& fake() {
  static auto backend = std::make_shared<platform::FakeBluetoothBackend>();
  return backend;
}

class FakeBackEnd : public ::testing::Environment {
public:
  void SetUp() override {
    fake()->addRadio(Radio{});
    platform::setBluetoothBackend(fake());
  }
  void TearDown() override { platform::setBluetoothBackend(nullptr); }
};
::testing::Environment* const kFakeBackEnd = ::testing::AddGlobalTestEnvironment(new FakeBackEnd);

size_t callCount() { return fake()->calls().size(); }
std::vector<std::string> callsSince(size_t start) {
  const auto all = fake()->calls();
  return std::vector<std::string>(all.begin() + static_cast<long>(start), all.end());
}

TEST(BluetoothFakeBackEndTest, TableHoldsWhatTheBackEndOffers) {
  const auto* table = zefcorek::devices::EnsureBthPropsDLL();
  ASSERT_NE(table, nullptr);
  EXPECT_NE(table->BthProps, nullptr);
  EXPECT_NE(table->BluetoothApis, nullptr);
  namespace dev = zefcorek::devices;
  for (int row : {dev::kIsDiscoverable, dev::kIsConnectable, dev::kEnableDiscovery,
                  dev::kEnableIncomingConnections, dev::kRemoveDevice}) {
    EXPECT_NE(table->Functions[row], nullptr) << "row " << row;
  }
  EXPECT_EQ(table->Functions[dev::kDisplayDeviceProperties], nullptr);
  EXPECT_EQ(table->Functions[dev::kAuthenticateDeviceEx], nullptr);
}

TEST(BluetoothFakeBackEndTest, RadioModeFromTheRadiosFlags) {
  const struct {
    Radio radio;
    uint32_t mode;
  } cases[] = {{{false, false}, 1}, {{true, false}, 2}, {{true, true}, 3}};
  for (const auto& row : cases) {
    fake()->setRadioState(0, row.radio);
    uint32_t mode = 0;
    EXPECT_EQ(GetRadioMode(&mode), S_OK);
    EXPECT_EQ(mode, row.mode);
  }
}

TEST(BluetoothFakeBackEndTest, SwitchingTheRadioMakesThePlatformCalls) {
  fake()->setRadioState(0, Radio{});
  const struct {
    uint32_t mode;
    std::vector<std::string> calls;
    uint32_t after;
  } cases[] = {
      {3, {"EnableIncomingConnections(1)", "EnableDiscovery(1)"}, 3},
      {2, {"EnableIncomingConnections(1)"}, 3},  // discovery stays on
      {1, {"EnableIncomingConnections(0)"}, 1},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.mode);
    const size_t start = callCount();
    EXPECT_EQ(SetRadioMode(row.mode), S_OK);
    EXPECT_EQ(callsSince(start), row.calls);
    uint32_t mode = 0;
    ASSERT_EQ(GetRadioMode(&mode), S_OK);
    EXPECT_EQ(mode, row.after);
  }
  EXPECT_EQ(SetRadioMode(0), E_INVALIDARG);

  void* made = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IBluetoothHelperImp, &made, 0), S_OK);
  auto* helper = static_cast<IBluetoothHelper*>(made);
  EXPECT_EQ(helper->EnableRadio(true), 0);
  EXPECT_EQ(helper->GetRadioState(), 0);
  EXPECT_EQ(helper->EnableRadio(false), 0);
  EXPECT_EQ(helper->GetRadioState(), 1);
  helper->Release();
}

TEST(BluetoothFakeBackEndTest, DeviceExportsPassTheBackEndsAnswer) {
  fake()->setRemoveAnswer(1168);
  const size_t start = callCount();
  EXPECT_EQ(RemoveUnpairBluetoothDevice(0xA1B2C3D4E5F6ull), 1168);
  EXPECT_EQ(callsSince(start), std::vector<std::string>{"RemoveDevice(A1B2C3D4E5F6)"});
  fake()->setRemoveAnswer(0);
  EXPECT_EQ(RemoveUnpairBluetoothDevice(1), 0);

  TBluetoothScannerResEntry entry{};
  std::u16string(u"(A1:B2:C3:D4:E5:F6)").copy(entry.RemoteAddress, 127);
  EXPECT_EQ(DisplayBluetoothDeviceProperties(nullptr, nullptr), E_INVALIDARG);
  // The back ends have no property sheet.
  EXPECT_EQ(DisplayBluetoothDeviceProperties(nullptr, &entry), E_FAIL);
}

}  // namespace
