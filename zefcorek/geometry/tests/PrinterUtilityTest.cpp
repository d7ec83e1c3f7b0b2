#include "zefcorek/PrinterUtility.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/StringList.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Printers.h"
#include "testsupport/ScratchRoot.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A platform root of its own holding a printer table.
class PrinterTable : public testsupport::ScratchRoot {
public:
  explicit PrinterTable(const std::string& ini) : ScratchRoot("/tmp/zef-printer-test-XXXXXX") {
    writeNative("printers.ini", ini);
  }
};

const std::string kLongName(64, 'N');

const std::string kTable =
    "[Current]\nPrinter=Office\n"
    "[Printer:Office]\nPort=LPT1:\nPaperCount=4\n"
    "Paper0=letter\nPaper0Size=2159,2794\n"
    "Paper1=A4\nPaper1Size=2100,2970\n"
    "Paper2=" +
    kLongName +
    "\nPaper2Size=1000,1000\n"
    "Paper3=a5\nPaper3Size=1480,2100\n"
    "[Printer:Other]\nPaperCount=0\n";

TEST(PrinterUtilityTest, DeviceCapabilitiesFromTheTable) {
  PrinterTable table(kTable);
  platform::TPrinter printer;
  std::u16string device, port;
  ASSERT_TRUE(printer.GetPrinter(device, port));
  EXPECT_EQ(device, u"Office");
  EXPECT_EQ(port, u"LPT1:");
  EXPECT_EQ(DeviceCapabilitiesW(u"Office", nullptr, DC_PAPERNAMES, nullptr, nullptr), 4);
  WCHAR names[4 * kPaperNameUnits];
  ASSERT_EQ(DeviceCapabilitiesW(u"Office", nullptr, DC_PAPERNAMES, names, nullptr), 4);
  EXPECT_EQ(std::u16string(names + kPaperNameUnits), u"A4");
  EXPECT_EQ(names[2 * kPaperNameUnits + 63], u'N');  // 64 units, no zero
  POINT sizes[4];
  ASSERT_EQ(DeviceCapabilitiesW(u"Office", nullptr, DC_PAPERSIZE, reinterpret_cast<LPWSTR>(sizes), nullptr), 4);
  EXPECT_EQ(sizes[1].x, 2100);
  EXPECT_EQ(sizes[1].y, 2970);
  EXPECT_EQ(DeviceCapabilitiesW(u"Nobody", nullptr, DC_PAPERNAMES, nullptr, nullptr), -1);
  EXPECT_EQ(DeviceCapabilitiesW(u"Other", nullptr, DC_PAPERNAMES, nullptr, nullptr), 0);
}

TEST(PrinterUtilityTest, PapersSortedConvertedAndMatched) {
  PrinterTable table(kTable);
  platform::TPrinter printer;
  TPrinterUtility utility;
  EXPECT_EQ(utility.GetPaperCount(), 0u);
  utility.UsePrinter(&printer);
  ASSERT_EQ(utility.GetPaperCount(), 4u);
  TPrinterPaperInfo info;
  const char16_t* sorted[] = {u"A4", u"a5", u"letter", nullptr};
  for (unsigned i = 0; i < 3; ++i) {
    ASSERT_TRUE(utility.GetPaperInfo(i, &info));
    EXPECT_EQ(std::u16string(info.name), sorted[i]);
  }
  ASSERT_TRUE(utility.GetPaperInfo(3, &info));
  EXPECT_EQ(std::u16string(info.name), std::u16string(64, u'N'));  // kept whole
  EXPECT_FALSE(utility.GetPaperInfo(4, &info));
  ASSERT_TRUE(utility.GetPaperInfo(0, &info));
  const double width = info.width, height = info.height;  // packed: read by value
  EXPECT_EQ(width, 2100 * 0.0001);
  EXPECT_EQ(height, 2970 * 0.0001);

  unsigned index = 7;
  const tagT_SIZE2D portrait{0.210, 0.297};
  EXPECT_TRUE(utility.MatchPaperSize(&portrait, 0.001, &index));
  EXPECT_EQ(index, 0u);
  const tagT_SIZE2D landscape{0.297, 0.210};
  EXPECT_FALSE(utility.MatchPaperSize(&landscape, 0.001, &index));
  EXPECT_EQ(index, 0xFFFFFFFFu);

  void* out = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IStringListImp, &out, 0), S_OK);
  auto* names = static_cast<IStringList*>(out);
  (void)names->Add(u"old", nullptr);
  utility.GetPaperNames(names);
  uint32_t found = 0;
  EXPECT_EQ(names->IndexOf(u"old", &found), ZR_NO);
  EXPECT_EQ(names->IndexOf(u"letter", &found), ZR_OK);
  EXPECT_EQ(found, 2u);
  names->Release();

  utility.UsePrinter(nullptr);
  EXPECT_EQ(utility.GetPaperCount(), 0u);
}

TEST(PrinterUtilityTest, NoCurrentPrinterGivesNoPapers) {
  PrinterTable table("[Printer:Office]\nPaperCount=1\nPaper0=A4\nPaper0Size=2100,2970\n");
  platform::TPrinter printer;
  TPrinterUtility utility;
  utility.UsePrinter(&printer);
  EXPECT_EQ(utility.GetPaperCount(), 0u);
}

}  // namespace
