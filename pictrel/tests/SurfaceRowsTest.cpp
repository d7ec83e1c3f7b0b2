// Row operations: exchanging, mirroring, flipping and turning the row order.
#include "SurfaceFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using pictrel::testing::SurfaceHolder;

std::vector<BYTE> rowBytes(Pictrel::IDrawableDS* surface, int row, size_t count) {
  const BYTE* bytes = surface->GetScanLine(row);
  return std::vector<BYTE>(bytes, bytes + count);
}

TEST(SurfaceRowsTest, MirroredRowsReverseTheirPixels) {
  struct {
    const char* name;
    int width;
    int bpp;
    std::vector<BYTE> before;
    std::vector<BYTE> after;
  } const rows[] = {
      {"1 bpp by bytes", 16, 1, {0x80, 0x00}, {0x00, 0x01}},
      {"4 bpp by bytes", 6, 4, {0x12, 0x34, 0x56}, {0x65, 0x43, 0x21}},
      {"1 bpp by pixels", 5, 1, {0xC0}, {0x18}},
      {"4 bpp by pixels", 5, 4, {0x12, 0x34, 0x50}, {0x54, 0x32, 0x10}},
      {"8 bpp", 3, 8, {1, 2, 3}, {3, 2, 1}},
      {"16 bpp", 3, 16, {1, 2, 3, 4, 5, 6}, {5, 6, 3, 4, 1, 2}},
      {"24 bpp", 2, 24, {1, 2, 3, 4, 5, 6}, {4, 5, 6, 1, 2, 3}},
      {"32 bpp", 2, 32, {1, 2, 3, 4, 5, 6, 7, 8}, {5, 6, 7, 8, 1, 2, 3, 4}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SurfaceHolder surface;
    ASSERT_EQ(surface->Create(row.width, 2, row.bpp, nullptr), S_OK);
    std::memcpy(surface->GetScanLine(1), row.before.data(), row.before.size());
    EXPECT_EQ(surface->MirrorRow(1), S_OK);
    EXPECT_EQ(rowBytes(surface.get(), 1, row.after.size()), row.after);
    EXPECT_EQ(surface->MirrorHorizontal(), S_OK);  // mirroring twice gives the row back
    EXPECT_EQ(rowBytes(surface.get(), 1, row.before.size()), row.before);
  }
}

TEST(SurfaceRowsTest, RowsSwapFlipAndTurnTheirOrder) {
  SurfaceHolder surface;
  EXPECT_EQ(surface->SwapRows(0, 0), E_FAIL);
  EXPECT_EQ(surface->MakeTopDown(), E_FAIL);
  ASSERT_EQ(surface->Create(4, 3, 8, nullptr), S_OK);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) surface->SetPixelIndex(x, y, y * 10 + x);
  uint64_t before = 0;
  surface->Checksum(&before);
  EXPECT_EQ(surface->SwapRows(0, 3), E_INVALIDARG);
  EXPECT_EQ(surface->SwapRows(-1, 0), E_INVALIDARG);
  EXPECT_EQ(surface->MirrorRow(3), E_INVALIDARG);
  EXPECT_EQ(surface->SwapRows(0, 2), S_OK);
  int index = 0;
  surface->GetPixelIndex(1, 0, &index);
  EXPECT_EQ(index, 21);
  EXPECT_EQ(surface->FlipVertical(), S_OK);  // back to the first order
  surface->GetPixelIndex(1, 0, &index);
  EXPECT_EQ(index, 1);

  EXPECT_TRUE(surface->IsBottomUp());
  EXPECT_EQ(surface->MakeTopDown(), S_OK);
  EXPECT_FALSE(surface->IsBottomUp());
  EXPECT_EQ(surface->GetScanLine(0), surface->GetBits());
  surface->GetPixelIndex(2, 1, &index);
  EXPECT_EQ(index, 12);  // the picture keeps its pixels
  EXPECT_EQ(surface->MakeTopDown(), S_OK);
  EXPECT_EQ(surface->MakeBottomUp(), S_OK);
  EXPECT_TRUE(surface->IsBottomUp());
  uint64_t after = 0;
  surface->Checksum(&after);
  EXPECT_EQ(after, before);
  surface->GetPixelIndex(3, 2, &index);
  EXPECT_EQ(index, 23);
}

}  // namespace
