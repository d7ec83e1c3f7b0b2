// DIB sections from bitmap files and resources, and the standard palette.
#include "zefcorek/DibSections.h"

#include "ScratchFolder.h"

#include "platform/BinaryResources.h"
#include "platform/FileMapping.h"
#include "platform/Files.h"
#include "platform/PixelFormat.h"

#include "../../../platform/tests/BmpBuilder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <tuple>
#include <vector>

namespace {

using platform::testing::BmpPicture;

// The table's rules written out again, independently of the library.
std::vector<std::array<int, 3>> standardTable() {
  std::vector<std::array<int, 3>> table = {
      {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00}, {0x00, 0x00, 0x80},
      {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0}, {0xC0, 0xDC, 0xC0}, {0xA6, 0xCA, 0xF0}};
  const int levels[6] = {0x00, 0x2C, 0x56, 0x87, 0xC0, 0xFF};
  for (int i = 0; i < 216; ++i) {
    const std::array<int, 3> c = {levels[i % 6], levels[i / 6 % 6], levels[i / 36]};
    if (c == std::array<int, 3>{0, 0, 0} || c == std::array<int, 3>{0, 0xFF, 0xFF} ||
        c == std::array<int, 3>{0xC0, 0xC0, 0xC0})
      continue;
    table.push_back(c);
  }
  for (int v : {0x11, 0x18, 0x1E, 0x25, 0x2C, 0x34, 0x3C, 0x44, 0x4D, 0x56, 0x5F, 0x69,
                0x72, 0x7D, 0x92, 0x9D, 0xA8, 0xB4, 0xCC, 0xD8, 0xE5, 0xF2, 0xFF})
    table.push_back({v, v, v});
  const std::vector<std::array<int, 3>> last = {
      {0xFF, 0xFB, 0xF0}, {0xA0, 0xA0, 0xA4}, {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00},
      {0xFF, 0xFF, 0x00}, {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF}};
  table.insert(table.end(), last.begin(), last.end());
  return table;
}

TEST(DibSectionsTest, StandardPaletteFollowsItsRules) {
  const std::vector<std::array<int, 3>> expected = standardTable();
  ASSERT_EQ(expected.size(), 256u);
  const RGBQUAD* table = GetStdPalColors();
  for (int i = 0; i < 256; ++i) {
    SCOPED_TRACE(i);
    const BYTE* bytes = reinterpret_cast<const BYTE*>(table + i);
    EXPECT_EQ(bytes[0], expected[static_cast<size_t>(i)][0]);
    EXPECT_EQ(bytes[1], expected[static_cast<size_t>(i)][1]);
    EXPECT_EQ(bytes[2], expected[static_cast<size_t>(i)][2]);
    EXPECT_EQ(bytes[3], 0);
  }
  const struct {
    int index;
    int first, second, third;
  } named[] = {{10, 0x2C, 0, 0},        {11, 0x56, 0, 0},        {15, 0, 0x2C, 0},        {100, 0x2C, 0x87, 0x56},
               {221, 0xC0, 0xFF, 0xFF}, {222, 0xFF, 0xFF, 0xFF}, {223, 0x11, 0x11, 0x11}, {255, 0xFF, 0xFF, 0xFF}};
  for (const auto& row : named) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(table + row.index);
    EXPECT_EQ(std::make_tuple(int{bytes[0]}, int{bytes[1]}, int{bytes[2]}),
              std::make_tuple(row.first, row.second, row.third))
        << row.index;
  }
}

void expectPicture(HBITMAP bitmap, void* bits, const BmpPicture& picture) {
  ASSERT_NE(bitmap, nullptr);
  DIBSECTION dib{};
  ASSERT_EQ(GetObjectW(bitmap, sizeof dib, &dib), static_cast<int>(sizeof dib));
  EXPECT_EQ(dib.dsBm.bmBits, bits);
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x)
      ASSERT_EQ(platform::readPixel(
                    static_cast<BYTE*>(bits) + static_cast<size_t>(picture.height - 1 - y) * dib.dsBm.bmWidthBytes, x,
                    picture.bpp),
                picture.pixel(x, y))
          << x << "," << y;
}

TEST(DibSectionsTest, FilesOfEveryDepthLoadTheirPixels) {
  zefcorek::testing::ScratchFolder folder;
  const BmpPicture pictures[] = {{5, 3, 1, false}, {5, 3, 4, false},  {5, 3, 8, false},
                                 {5, 3, 16, true}, {5, 3, 24, false}, {5, 3, 32, false}};
  for (const BmpPicture& picture : pictures) {
    SCOPED_TRACE(picture.bpp);
    const std::u16string name = folder.write("picture.bmp", picture.file());
    void* bits = nullptr;
    HBITMAP bitmap = LoadDIBSectionFromFile(name.c_str(), &bits, nullptr, 0);
    expectPicture(bitmap, bits, picture);
    DeleteObject(bitmap);
  }
}

TEST(DibSectionsTest, SectionsOnAFileMappingKeepThePixelsInTheFile) {
  zefcorek::testing::ScratchFolder folder;
  const BmpPicture picture{5, 3, 8, false};
  const std::u16string name = folder.write("picture.bmp", picture.file());
  const std::u16string backing = folder.write("backing.bin", std::string(8192, '\0'));
  HANDLE file = CreateFileW(backing.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
  void* bits = nullptr;
  HBITMAP bitmap = LoadDIBSectionFromFile(name.c_str(), &bits, mapping, 4096);
  expectPicture(bitmap, bits, picture);
  DeleteObject(bitmap);
  CloseHandle(mapping);
  CloseHandle(file);
  const std::string stored = folder.read("backing.bin");
  EXPECT_EQ(static_cast<BYTE>(stored[4096]), picture.pixel(0, 2));  // the bottom row comes first
}

TEST(DibSectionsTest, DamagedFilesGiveNothingOrTheBytesThereAre) {
  zefcorek::testing::ScratchFolder folder;
  const BmpPicture picture{6, 4, 8, false};
  const std::string whole = picture.file();
  void* bits = nullptr;
  const std::u16string notBitmap = folder.write("not.bmp", "PK" + whole.substr(2));
  EXPECT_EQ(LoadDIBSectionFromFile(notBitmap.c_str(), &bits, nullptr, 0), nullptr);
  const std::u16string header = folder.write("header.bmp", whole.substr(0, 30));
  EXPECT_EQ(LoadDIBSectionFromFile(header.c_str(), &bits, nullptr, 0), nullptr);
  std::string absurd = whole;
  absurd[18] = '\xFF';
  absurd[19] = '\xFF';
  absurd[20] = '\xFF';
  absurd[21] = '\x3F';
  const std::u16string wide = folder.write("absurd.bmp", absurd);
  EXPECT_EQ(LoadDIBSectionFromFile(wide.c_str(), &bits, nullptr, 0), nullptr);
  // More rows claimed than the file holds: the rows there are, the rest zero.
  std::string tall = whole;
  tall[22] = 40;
  const std::u16string claimed = folder.write("tall.bmp", tall);
  HBITMAP bitmap = LoadDIBSectionFromFile(claimed.c_str(), &bits, nullptr, 0);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(static_cast<BYTE*>(bits)[0], picture.pixel(0, 3));  // the file's first stored row
  EXPECT_EQ(static_cast<BYTE*>(bits)[8 * 39], 0);
  DeleteObject(bitmap);
  EXPECT_EQ(LoadDIBSectionFromFile(folder.name("missing.bmp").c_str(), &bits, nullptr, 0), nullptr);
}

TEST(DibSectionsTest, ResourcesTakeTheDepthAskedFor) {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(uintptr_t{0xD1B50000});
  const BmpPicture picture{4, 2, 24, false};
  platform::registerBinaryResource(module, RT_BITMAP, u"Logo", picture.resource());
  struct {
    uint32_t asked;
    int bits;
    uint32_t greenMask;
  } const rows[] = {{0, 24, 0}, {15, 16, 0x03E0}, {16, 16, 0x07E0}, {32, 32, 0xFF00}, {8, 8, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.asked);
    HBITMAP bitmap = LoadDIBSectionFromRes(module, u"LOGO", row.asked);
    ASSERT_NE(bitmap, nullptr);
    DIBSECTION dib{};
    GetObjectW(bitmap, sizeof dib, &dib);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, row.bits);
    EXPECT_EQ(dib.dsBitfields[1], row.greenMask);
    EXPECT_EQ(dib.dsBmih.biXPelsPerMeter, 3779);
    EXPECT_GT(dib.dsBmih.biHeight, 0);
    DeleteObject(bitmap);
  }
  // The pixels come across at 24 bits unchanged.
  HBITMAP same = LoadDIBSectionFromRes(module, u"Logo", 24);
  DIBSECTION dib{};
  GetObjectW(same, sizeof dib, &dib);
  expectPicture(same, dib.dsBm.bmBits, picture);
  DeleteObject(same);
  EXPECT_EQ(LoadDIBSectionFromRes(module, u"absent", 24), nullptr);
  platform::unregisterBinaryResources(module);
}

}  // namespace
