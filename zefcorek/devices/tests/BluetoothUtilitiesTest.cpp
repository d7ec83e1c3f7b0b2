// Bluetooth address text, and the device and radio services on a machine
// without a Bluetooth back end.
#include "zefcorek/BluetoothUtilities.h"

#include "BthPropsTable.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

TEST(BluetoothAddressTest, TextOfAnAddress) {
  WCHAR text[20];
  ASSERT_EQ(BTDeviceAddressToString(0xA1B2C3D4E5F6ull, text), 0);
  EXPECT_EQ(std::u16string(text), u"(A1:B2:C3:D4:E5:F6)");
  EXPECT_EQ(std::u16string(text).size(), 19u);
  EXPECT_EQ(BTDeviceAddressToString(1, nullptr), 10);
}

TEST(BluetoothAddressTest, ReadingBack) {
  const struct {
    const char16_t* text;
    HRESULT result;
    uint64_t address;
  } cases[] = {
      {u"(A1:B2:C3:D4:E5:F6)", S_OK, 0xA1B2C3D4E5F6ull},
      {u"A1:B2:C3:D4:E5:F6", S_OK, 0xA1B2C3D4E5F6ull},
      {u"(a1:b2:c3:d4:e5:f6)", S_OK, 0xA1B2C3D4E5F6ull},
      {u"( A1 : B2:C3 :D4: E5:F6 )", S_OK, 0xA1B2C3D4E5F6ull},
      {u"A1:B2:C3:D4:E5", E_FAIL, 0},             // five fields
      {u"A1:B2:C3:D4:E5:F6:07", E_FAIL, 0},       // seven fields
      {u"A1:B2::D4:E5:F6", E_FAIL, 0xA1B2ull << 32},  // an empty field; read bytes stay
      {u"A1:G2:C3:D4:E5:F6", E_FAIL, 0xA1ull << 40},
      {u"A1:B2:100:D4:E5:F6", E_FAIL, 0xA1B2ull << 32},
      {u"0xA1:B2:C3:D4:E5:F6", E_FAIL, 0},        // a field with its own prefix
      {u"", E_FAIL, 0},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(std::string(row.text, row.text + std::char_traits<char16_t>::length(row.text)));
    uint64_t address = 77;
    EXPECT_EQ(BTDeviceAddressFromString(row.text, &address), row.result);
    EXPECT_EQ(address, row.address);
  }
  uint64_t address = 5;
  EXPECT_EQ(BTDeviceAddressFromString(nullptr, &address), E_INVALIDARG);
  EXPECT_EQ(address, 0u);
  EXPECT_EQ(BTDeviceAddressFromString(u"(A1:B2:C3:D4:E5:F6)", nullptr), E_INVALIDARG);

  std::mt19937_64 random(42);
  for (int i = 0; i < 1000; ++i) {
    const uint64_t original = random() & 0xFFFFFFFFFFFFull;
    WCHAR text[20];
    BTDeviceAddressToString(original, text);
    uint64_t back = 0;
    ASSERT_EQ(BTDeviceAddressFromString(text, &back), S_OK);
    ASSERT_EQ(back, original);
  }
}

TEST(BluetoothWithoutBackEndTest, EveryServiceReportsItsAbsence) {
  const auto* table = zefcorek::devices::EnsureBthPropsDLL();
  ASSERT_NE(table, nullptr);
  for (FARPROC function : table->Functions) EXPECT_EQ(function, nullptr);
  EXPECT_EQ(table->BthProps, nullptr);
  EXPECT_EQ(RemoveUnpairBluetoothDevice(0xA1B2C3D4E5F6ull), E_FAIL);
  TBluetoothScannerResEntry entry{};
  std::u16string(u"(A1:B2:C3:D4:E5:F6)").copy(entry.RemoteAddress, 127);
  EXPECT_EQ(DisplayBluetoothDeviceProperties(nullptr, &entry), E_FAIL);
  EXPECT_EQ(SetRadioMode(4), E_INVALIDARG) << "a bad mode is refused before the radio is looked for";
  EXPECT_EQ(SetRadioMode(2), E_FAIL);
  uint32_t mode = 9;
  EXPECT_EQ(GetRadioMode(&mode), S_OK);
  EXPECT_EQ(mode, 1u) << "missing functions answer false";

  void* made = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IBluetoothHelperImp, &made, 0), S_OK);
  auto* helper = static_cast<IBluetoothHelper*>(made);
  EXPECT_EQ(helper->CastToTopInterface(), static_cast<IStdInterface*>(helper));
  EXPECT_EQ(helper->EnableRadio(true), 2);
  EXPECT_EQ(helper->GetRadioState(), 1);
  helper->Release();
}

}  // namespace
