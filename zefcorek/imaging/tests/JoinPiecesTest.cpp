#include "PdfDocument.h"
#include "RasterImageImp.h"
#include "ScratchFolder.h"
#include "ZefImageOutputDev.h"

#include "fixtures/PdfWriter.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

// A record on `page` at `bpp` bits whose bounding box is the given one.
CachedImgDef record(uint32_t page, uint32_t bpp, double minX, double maxX, double minY, double maxY,
                    bool rotated = false, bool valid = true) {
  CachedImgDef made{};
  made.page = page;
  made.bitsPerPixel = bpp;
  made.placement.valid = valid;
  made.placement.rotated = rotated;
  made.placement.minX = minX;
  made.placement.maxX = maxX;
  made.placement.minY = minY;
  made.placement.maxY = maxY;
  return made;
}

TEST(FindJoinGroupsTest, ChainsOfStripsOnOnePageAndDepth) {
  const struct {
    const char* what;
    std::vector<CachedImgDef> records;
    int groups;
    std::vector<int32_t> roles;
  } cases[] = {
      {"two stacked strips", {record(1, 8, 0, 10, 0, 20), record(1, 8, 0, 10, 21, 40)}, 1, {1, 2}},
      {"three stacked strips",
       {record(1, 8, 0, 10, 0, 20), record(1, 8, 0, 10, 21, 40), record(1, 8, 0, 10, 40, 60)},
       1,
       {1, 2, 2}},
      {"three rotated side by side",
       {record(1, 24, 0, 10, 0, 20, true), record(1, 24, 11, 20, 0, 20, true), record(1, 24, 21, 30, 1, 21, true)},
       1,
       {1, 2, 3}},
      {"edges 2 pixels apart do not touch", {record(1, 8, 0, 10, 0, 20), record(1, 8, 0, 10, 22, 40)}, 0, {0, 0}},
      {"other left edge", {record(1, 8, 0, 10, 0, 20), record(1, 8, 1, 10, 21, 40)}, 0, {0, 0}},
      {"other depth", {record(1, 8, 0, 10, 0, 20), record(1, 24, 0, 10, 21, 40)}, 0, {0, 0}},
      {"other page", {record(1, 8, 0, 10, 0, 20), record(2, 8, 0, 10, 21, 40)}, 0, {0, 0}},
      {"another page in between ends the search",
       {record(1, 8, 0, 10, 0, 20), record(2, 8, 50, 60, 0, 9), record(1, 8, 0, 10, 21, 40)},
       0,
       {0, 0, 0}},
      {"an invalid placement never joins",
       {record(1, 8, 0, 10, 0, 20), record(1, 8, 0, 10, 21, 40, false, false)},
       0,
       {0, 0}},
      // Both the first and the second could take the third: it joins once.
      {"a continuation is taken once",
       {record(1, 8, 0, 10, 0, 20), record(1, 8, 0, 10, 40, 59), record(1, 8, 0, 10, 20, 40)},
       1,
       {1, 0, 2}},
  };
  for (const auto& row : cases) {
    std::vector<const CachedImgDef*> pointers;
    for (const auto& each : row.records) pointers.push_back(&each);
    std::vector<JoinLink> links;
    EXPECT_EQ(FindJoinGroups(pointers, links), row.groups) << row.what;
    ASSERT_EQ(links.size(), row.records.size()) << row.what;
    for (size_t index = 0; index < links.size(); ++index) {
      EXPECT_EQ(links[index].role, row.roles[index]) << row.what << " #" << index;
      EXPECT_EQ(links[index].group != 0, row.roles[index] != 0) << row.what << " #" << index;
    }
  }
  std::vector<JoinLink> links;
  EXPECT_EQ(FindJoinGroups({}, links), 0);
}

TEST(JoinPiecesTest, StackedStripsBecomeOneImageAfterTheOthers) {
  zefcorek::testing::ScratchFolder folder;
  const std::vector<fixtures::PdfImage> images = {
      {"/Width 3 /Height 3 /ColorSpace /DeviceRGB /BitsPerComponent 8", std::string(27, '\x55'), false,
       "30 0 0 30 300 300"},
      {"/Width 4 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8", std::string(8, '\x20'), false,
       "30 0 0 15 30 699"},
      {"/Width 4 /Height 3 /ColorSpace /DeviceGray /BitsPerComponent 8", std::string(12, '\xC0'), false,
       "30 0 0 15 30 684"},
  };
  folder.write("strips.pdf", fixtures::makeImagePdf({{}, images}));
  const std::string name = platform::wideToAnsiLenient(folder.name("strips.pdf"));
  PdfDocument document(name.c_str(), nullptr, nullptr);
  ASSERT_TRUE(document.isOk());
  PDFII::PDFImgExtractOptions options{1, 2, PDFII::PDFII_CAPTURE_DECODED, 0, 0, nullptr, nullptr, nullptr};
  ZefImageOutputDev device(&document, &options);
  document.displayPages(&device, 1, 2, 96, 96, 0, false, true, false);
  ASSERT_EQ(device.getImageCount(), 3);

  device.JoinPieces();
  ASSERT_EQ(device.getImageCount(), 2);
  EXPECT_EQ(device.GetCapturedImage(0)->width, 3u) << "the image not joined comes first";
  CachedImgDef* joined = device.GetCapturedImage(1);
  EXPECT_EQ(joined->width, 4u);
  EXPECT_EQ(joined->height, 5u);
  EXPECT_EQ(joined->bitsPerPixel, 8u);
  EXPECT_EQ(joined->page, 2u) << "the strips' page";
  ASSERT_NE(joined->image, nullptr);
  // The first strip on top (stored rows count from the bottom).
  const std::array<uint8_t, 5> rowsFromBottom = {0xC0, 0xC0, 0xC0, 0x20, 0x20};
  for (int y = 0; y < 5; ++y) {
    uint8_t rgb[3];
    ASSERT_EQ(joined->image->GetPixelRGB(3, y, rgb), ZR_OK);
    EXPECT_EQ(rgb[0], rowsFromBottom[y]) << y;
  }
  PDFII::IPDFCapturedImgList* list = device.CreateCapturedImgList();
  EXPECT_EQ(list->GetCount(), 2u);
  EXPECT_EQ(list->GetPage(1), 2u);
  list->Release();

  // Nothing left to join: the records stay as they are.
  device.JoinPieces();
  EXPECT_EQ(device.getImageCount(), 2);
}

// The grey levels of an 8-bit image, row by row from the top.
std::vector<std::vector<uint8_t>> rowsOf(IRasterImage* image) {
  uint32_t width = 0, height = 0;
  EXPECT_EQ(image->GetSize(&width, &height), ZR_OK);
  std::vector<std::vector<uint8_t>> rows;
  for (uint32_t y = height; y-- > 0;) {
    rows.emplace_back();
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t rgb[3];
      EXPECT_EQ(image->GetPixelRGB(x, y, rgb), ZR_OK);
      rows.back().push_back(rgb[0]);
    }
  }
  return rows;
}

TEST(JoinPiecesTest, RotatedStripsSideBySideJoinWithTheThirdFlipped) {
  zefcorek::testing::ScratchFolder folder;
  std::vector<fixtures::PdfImage> strips;
  for (int strip = 0; strip < 3; ++strip) {
    std::string samples;
    for (int i = 0; i < 6; ++i) samples.push_back(static_cast<char>(0x10 * (strip + 1) + i));
    // A quarter turn: each strip 15 points wide, the next one right beside it.
    strips.push_back({"/Width 2 /Height 3 /ColorSpace /DeviceGray /BitsPerComponent 8", samples, false,
                      "0 30 -15 0 " + std::to_string(45 + 15 * strip) + " 600"});
  }
  folder.write("rotated.pdf", fixtures::makeImagePdf({strips}));
  const std::string name = platform::wideToAnsiLenient(folder.name("rotated.pdf"));
  PdfDocument document(name.c_str(), nullptr, nullptr);
  ASSERT_TRUE(document.isOk());
  PDFII::PDFImgExtractOptions options{1, 1, PDFII::PDFII_CAPTURE_DECODED, 0, 0, nullptr, nullptr, nullptr};
  ZefImageOutputDev device(&document, &options);
  document.displayPages(&device, 1, 1, 96, 96, 0, false, true, false);
  ASSERT_EQ(device.getImageCount(), 3);
  std::vector<const CachedImgDef*> records;
  std::vector<std::vector<std::vector<uint8_t>>> pieces;
  for (uint32_t index = 0; index < 3; ++index) {
    records.push_back(device.GetCapturedImage(index));
    ASSERT_TRUE(records.back()->placement.rotated);
    pieces.push_back(rowsOf(records.back()->image));
  }
  std::vector<JoinLink> links;
  ASSERT_EQ(FindJoinGroups(records, links), 1);
  EXPECT_EQ(links[0].role, 1);
  EXPECT_EQ(links[1].role, 2);
  EXPECT_EQ(links[2].role, 3);

  device.JoinPieces();
  ASSERT_EQ(device.getImageCount(), 1);
  const std::vector<std::vector<uint8_t>> joined = rowsOf(device.GetCapturedImage(0)->image);
  // The pieces from the top, the third upside down.
  std::vector<std::vector<uint8_t>> expected = pieces[0];
  expected.insert(expected.end(), pieces[1].begin(), pieces[1].end());
  expected.insert(expected.end(), pieces[2].rbegin(), pieces[2].rend());
  EXPECT_EQ(joined, expected);
}

}  // namespace
