// Single pixels, the palette and its nearest-colour cache, the clip
// rectangle with its stack, and the segment clipper.
#include "DrawableSurface.h"

#include "SurfaceFixture.h"
#include "SurfacePicture.h"

#include "platform/Gdi.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>

namespace {

using pictrel::testing::pictureOf;
using pictrel::testing::SurfaceHolder;

bool operator==(const tagT_IRECT2D& a, const tagT_IRECT2D& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

tagT_IRECT2D clipOf(Pictrel::IDrawableDS* surface) {
  tagT_IRECT2D clip{};
  EXPECT_EQ(surface->GetClipRect(&clip), S_OK);
  return clip;
}

TEST(SurfacePixelsTest, ClipRectanglesNormaliseStackAndIntersect) {
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(20, 20, 8, nullptr), S_OK);
  const tagT_IRECT2D reversed{5, 9, 1, 2};
  EXPECT_EQ(surface->SetClipRect(&reversed), S_OK);
  EXPECT_TRUE((clipOf(surface.get()) == tagT_IRECT2D{1, 2, 5, 9}));

  // Touching in one pixel pushes; missing by one does not.
  const tagT_IRECT2D corner{5, 9, 8, 12};
  EXPECT_EQ(surface->PushClipRect(&corner), S_OK);
  EXPECT_TRUE((clipOf(surface.get()) == tagT_IRECT2D{5, 9, 5, 9}));
  const tagT_IRECT2D beside{6, 0, 8, 12};
  EXPECT_EQ(surface->PushClipRect(&beside), S_FALSE);
  EXPECT_TRUE((clipOf(surface.get()) == tagT_IRECT2D{5, 9, 5, 9}));
  EXPECT_EQ(surface->PopClipRect(), S_OK);
  EXPECT_TRUE((clipOf(surface.get()) == tagT_IRECT2D{1, 2, 5, 9}));
  EXPECT_EQ(surface->PopClipRect(), S_OK);  // empty stack: the clip stays
  EXPECT_TRUE((clipOf(surface.get()) == tagT_IRECT2D{1, 2, 5, 9}));

  EXPECT_EQ(surface->SetClipRect(nullptr), S_OK);
  EXPECT_TRUE((clipOf(surface.get()) == tagT_IRECT2D{0, 0, 19, 19}));
  EXPECT_EQ(surface->GetClipRect(nullptr), E_INVALIDARG);
}

TEST(SurfacePixelsTest, PixelSlotsAnswerTheirCodes) {
  SurfaceHolder surface;
  COLORREF color = 0;
  int index = 7;
  EXPECT_EQ(surface->GetPixel(0, 0, &color), E_FAIL);
  EXPECT_EQ(color, 0x000000FFu);
  EXPECT_EQ(surface->SetPixel(0, 0, 1), E_FAIL);
  EXPECT_EQ(surface->Clear(0), E_FAIL);
  EXPECT_EQ(surface->HLine(0, 0, 1, 0), E_FAIL);
  EXPECT_EQ(surface->NearestPaletteIndex(0), -1);

  ASSERT_EQ(surface->Create(8, 8, 8, nullptr), S_OK);
  const tagT_IRECT2D clip{2, 2, 5, 5};
  surface->SetClipRect(&clip);
  color = 0;
  EXPECT_EQ(surface->GetPixel(1, 3, &color), S_FALSE);
  EXPECT_EQ(color, 0x000000FFu);
  EXPECT_EQ(surface->GetPixel(1, 3, nullptr), E_INVALIDARG);
  EXPECT_EQ(surface->SetPixel(6, 3, 200), S_FALSE);
  EXPECT_EQ(surface->GetPixelIndex(2, 2, nullptr), E_INVALIDARG);
  EXPECT_EQ(surface->SetPixelIndex(3, 3, 200), S_OK);
  EXPECT_EQ(surface->GetPixelIndex(3, 3, &index), S_OK);
  EXPECT_EQ(index, 200);
  EXPECT_EQ(surface->XorPixelIndex(3, 3, 0), S_OK);
  EXPECT_EQ(surface->GetPixelIndex(3, 3, &index), S_OK);
  EXPECT_EQ(index, 200);
  EXPECT_EQ(surface->XorPixelIndex(3, 3, 0x0F), S_OK);
  EXPECT_EQ(surface->GetPixelIndex(3, 3, &index), S_OK);
  EXPECT_EQ(index, 200 ^ 0x0F);
  EXPECT_EQ(surface->GetPixel(3, 3, &color), S_OK);
  EXPECT_EQ(color, RGB(200 ^ 0x0F, 200 ^ 0x0F, 200 ^ 0x0F));

  ASSERT_EQ(surface->Create(4, 4, 24, nullptr), S_OK);
  EXPECT_EQ(surface->SetPixelIndex(1, 1, 3), E_FAIL);
  EXPECT_EQ(surface->GetPixelIndex(1, 1, &index), E_FAIL);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(surface->XorPixelIndex(1, 1, 3), E_FAIL);
  EXPECT_EQ(surface->GetPalette(), nullptr);
}

TEST(SurfacePixelsTest, SubBytePixelsKeepTheirNeighbours) {
  for (int bpp : {1, 4}) {
    SCOPED_TRACE(bpp);
    SurfaceHolder surface;
    ASSERT_EQ(surface->Create(9, 1, bpp, nullptr), S_OK);
    const DWORD top = (1u << bpp) - 1;
    EXPECT_EQ(surface->SetPixel(3, 0, 0x1234567), S_OK);  // any non-zero value / low nibble
    int index = 0;
    surface->GetPixelIndex(3, 0, &index);
    EXPECT_EQ(index, bpp == 1 ? 1 : 0x7);
    EXPECT_EQ(surface->SetPixel(8, 0, top), S_OK);
    EXPECT_EQ(surface->XorPixel(8, 0, top), S_OK);
    surface->GetPixelIndex(8, 0, &index);
    EXPECT_EQ(index, 0);
    for (int x : {2, 4, 7}) {
      surface->GetPixelIndex(x, 0, &index);
      EXPECT_EQ(index, 0);
    }
  }
}

TEST(SurfacePixelsTest, DirectColoursConvertPerFormat) {
  struct {
    int bpp;
    COLORREF written;
    COLORREF read;
    uint32_t stored;
  } const rows[] = {
      {15, RGB(0xFF, 0x87, 0x0F), RGB(0xF8, 0x80, 0x08), 0x7C00 | (0x10 << 5) | 0x01},
      {16, RGB(0xFF, 0x87, 0x0F), RGB(0xF8, 0x84, 0x08), 0xF800 | (0x21 << 5) | 0x01},
      {24, RGB(0x11, 0x22, 0x33), RGB(0x11, 0x22, 0x33), 0x112233},
      {32, 0x80112233, 0x80112233, 0x80332211},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.bpp);
    SurfaceHolder surface;
    ASSERT_EQ(surface->Create(2, 1, row.bpp, nullptr), S_OK);
    EXPECT_EQ(surface->SetPixel(1, 0, row.written), S_OK);
    COLORREF color = 0;
    EXPECT_EQ(surface->GetPixel(1, 0, &color), S_OK);
    EXPECT_EQ(color, row.read);
    const BYTE* pixel = surface->GetScanLine(0) + (surface->GetBitsPerPixel() / 8);
    uint32_t stored = 0;
    for (int i = surface->GetBitsPerPixel() / 8 - 1; i >= 0; --i) stored = (stored << 8) | pixel[i];
    EXPECT_EQ(stored, row.stored);
  }
  // XOR at 32 bpp leaves the alpha byte.
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(1, 1, 32, nullptr), S_OK);
  surface->SetPixel(0, 0, 0x80112233);
  EXPECT_EQ(surface->XorPixel(0, 0, 0xFF0000FF), S_OK);
  COLORREF color = 0;
  surface->GetPixel(0, 0, &color);
  EXPECT_EQ(color, 0x801122CCu);
}

TEST(SurfacePixelsTest, NearestPaletteIndexSearchesAndCaches) {
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(2, 2, 8, nullptr), S_OK);
  EXPECT_EQ(surface->NearestPaletteIndex(0x00808080), 128);
  EXPECT_EQ(surface->NearestPaletteIndex(RGB(10, 12, 14)), 12);

  auto& state = *static_cast<Pictrel::SurfaceState*>(surface->GetImpData());
  for (COLORREF color : {1u, 2u, 3u, 4u, 5u}) surface->NearestPaletteIndex(color);
  EXPECT_EQ(state.nearestCache.count, 4u);
  EXPECT_EQ(state.nearestCache.colors[0], 5u);
  EXPECT_EQ(state.nearestCache.colors[3], 2u);

  // Two equal entries: the lower index wins, and a new table empties the
  // cache so its answers count at once.
  RGBQUAD table[256] = {};
  table[7] = {0x40, 0x40, 0x40, 0};
  table[9] = {0x40, 0x40, 0x40, 0};
  EXPECT_EQ(surface->SetPalette(table), S_OK);
  EXPECT_EQ(state.nearestCache.count, 0u);
  EXPECT_EQ(surface->NearestPaletteIndex(0x00404040), 7);
  EXPECT_EQ(surface->NearestPaletteIndex(0x00808080), 7);
  EXPECT_EQ(surface->GetPalette()[9].rgbGreen, 0x40);
  EXPECT_EQ(surface->SetPalette(nullptr), E_INVALIDARG);

  // The section keeps its own table: GDI still sees the grey ramp.
  HDC dc = nullptr;
  HPALETTE palette = nullptr;
  EXPECT_EQ(surface->CreateHPALETTE(nullptr, &palette), E_INVALIDARG);
  EXPECT_EQ(surface->CreateHPALETTE(reinterpret_cast<HDC>(1), nullptr), E_INVALIDARG);
  dc = GetDC(nullptr);
  ASSERT_EQ(surface->CreateHPALETTE(dc, &palette), S_OK);
  PALETTEENTRY entries[256];
  EXPECT_EQ(GetPaletteEntries(palette, 0, 256, entries), 256u);
  EXPECT_EQ(entries[9].peRed, 0x40);
  EXPECT_EQ(entries[9].peFlags, PC_NOCOLLAPSE);
  EXPECT_TRUE(DeleteObject(palette));
  ReleaseDC(nullptr, dc);
}

TEST(SurfacePixelsTest, MonochromeSpansSetAndClearBits) {
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(20, 2, 1, nullptr), S_OK);
  EXPECT_EQ(surface->HLine(2, 0, 17, 0x00FFFFFF), S_OK);
  EXPECT_EQ(surface->HLine(5, 0, 9, 0), S_OK);
  EXPECT_EQ(pictureOf(surface.get(), 0x00FFFFFF, 0), "..###.....########..\n....................\n");
}

TEST(SurfacePixelsTest, ClipLineCutsToTheClipOrRefuses) {
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(10, 10, 32, nullptr), S_OK);
  struct {
    const char* name;
    int in[4];
    HRESULT result;
    int out[4];
  } const rows[] = {
      {"through both sides", {-10, 5, 20, 5}, S_OK, {0, 5, 9, 5}},
      {"wholly above", {-3, -2, 12, -1}, S_FALSE, {-3, -2, 12, -1}},
      {"inside", {1, 2, 3, 4}, S_OK, {1, 2, 3, 4}},
      {"through a corner", {-5, -5, 14, 14}, S_OK, {0, 0, 9, 9}},
      {"past a corner", {8, -3, 13, 2}, S_FALSE, {8, -3, 13, 2}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    int x0 = row.in[0], y0 = row.in[1], x1 = row.in[2], y1 = row.in[3];
    EXPECT_EQ(surface->ClipLine(&x0, &y0, &x1, &y1), row.result);
    EXPECT_EQ(x0, row.out[0]);
    EXPECT_EQ(y0, row.out[1]);
    EXPECT_EQ(x1, row.out[2]);
    EXPECT_EQ(y1, row.out[3]);
  }
  auto& state = *static_cast<Pictrel::SurfaceState*>(surface->GetImpData());
  EXPECT_EQ(state.lineClip.startOutcode, 16u);  // the last one was invisible
  EXPECT_EQ(state.lineClip.endOutcode, 16u);
}

// The pixels a line sets, as a set of points.
std::set<std::pair<int, int>> inkedPoints(Pictrel::IDrawableDS* surface) {
  std::set<std::pair<int, int>> points;
  surface->SetClipRect(nullptr);
  for (int y = 0; y < surface->GetHeight(); ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(surface->GetScanLine(y));
    for (int x = 0; x < surface->GetWidth(); ++x)
      if (row[x] != 0) points.emplace(x, y);
  }
  return points;
}

TEST(SurfacePixelsTest, ClippedLinesSetTheUnclippedLinesPixelsInsideTheClip) {
  std::mt19937 random(20260101);
  std::uniform_int_distribution<int> coordinate(-40, 100);
  std::uniform_int_distribution<int> edge(0, 63);
  SurfaceHolder whole;
  SurfaceHolder clipped;
  ASSERT_EQ(whole->Create(64, 64, 32, nullptr), S_OK);
  ASSERT_EQ(clipped->Create(64, 64, 32, nullptr), S_OK);
  int visibleCases = 0;
  for (int round = 0; round < 3000; ++round) {
    const int x0 = coordinate(random), y0 = coordinate(random);
    const int x1 = coordinate(random), y1 = coordinate(random);
    int left = edge(random), right = edge(random), top = edge(random), bottom = edge(random);
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    const tagT_IRECT2D clip{left, top, right, bottom};
    // The unclipped line, shifted so all of it lands on a large surface.
    SurfaceHolder reference;
    ASSERT_EQ(reference->Create(160, 160, 32, nullptr), S_OK);
    reference->Line(x0 + 50, y0 + 50, x1 + 50, y1 + 50, 0x00FFFFFF);
    std::set<std::pair<int, int>> expected;
    for (const auto& [x, y] : inkedPoints(reference.get())) {
      const int px = x - 50, py = y - 50;
      if (px >= left && px <= right && py >= top && py <= bottom) expected.emplace(px, py);
    }
    clipped->Clear(0);
    clipped->SetClipRect(&clip);
    const HRESULT result = clipped->Line(x0, y0, x1, y1, 0x00FFFFFF);
    EXPECT_EQ(result, expected.empty() ? S_FALSE : S_OK)
        << x0 << "," << y0 << " - " << x1 << "," << y1 << " in " << left << "," << top << "," << right << "," << bottom;
    EXPECT_EQ(inkedPoints(clipped.get()), expected)
        << x0 << "," << y0 << " - " << x1 << "," << y1 << " in " << left << "," << top << "," << right << "," << bottom;
    if (!expected.empty()) ++visibleCases;
    if (HasFailure()) break;
  }
  EXPECT_GT(visibleCases, 500);  // the property was tried on real cuts
}

TEST(SurfacePixelsTest, ClipLargerThanTheSurfaceNeverWritesOutside) {
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bpp);
    SurfaceHolder surface;
    ASSERT_EQ(surface->Create(7, 5, bpp, nullptr), S_OK);
    const tagT_IRECT2D huge{-100, -100, 100, 100};
    surface->SetClipRect(&huge);
    tagT_IRECT2D back{};
    surface->GetClipRect(&back);
    EXPECT_EQ(back.right, 100);  // answered as set
    EXPECT_EQ(surface->SetPixel(7, 0, 1), S_FALSE);
    EXPECT_EQ(surface->SetPixel(-1, 0, 1), S_FALSE);
    EXPECT_EQ(surface->HLine(-50, 2, 50, 0x00FFFFFF), S_OK);
    EXPECT_EQ(surface->VLine(3, -50, 50, 0x00FFFFFF), S_OK);
    EXPECT_EQ(surface->Line(-20, -20, 40, 40, 0x00FFFFFF), S_OK);
    EXPECT_EQ(surface->Circle(3, 2, 20, 1), S_OK);
    EXPECT_EQ(surface->FilledCircle(3, 2, 20, 0x00FFFFFF), S_OK);
    EXPECT_EQ(surface->XorFilledCircle(3, 2, 9, 0x00FFFFFF), S_OK);
    EXPECT_EQ(surface->Ellipse(3, 2, 30, 9, 1), S_OK);
    EXPECT_EQ(surface->FillRect(-9, -9, 99, 99, 0x00FFFFFF), S_OK);
    const tagT_IPOINT2D triangle[] = {{-30, -30}, {60, 0}, {0, 60}};
    EXPECT_EQ(surface->FillTriangle(triangle, 0x00FFFFFF), S_OK);
    EXPECT_EQ(surface->FillPolygon(triangle, 3, 0x00FFFFFF), S_OK);
    EXPECT_EQ(surface->Clear(0x00FFFFFF), S_OK);
    EXPECT_EQ(surface->DashedLine(-9, 12, 12, -9, 0x00FFFFFF, 0), S_OK);
  }
}

TEST(SurfacePixelsTest, PolygonColumnsAlwaysAnswerFalse) {
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(6, 6, 8, nullptr), S_OK);
  const tagT_IPOINT2D square[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
  EXPECT_EQ(surface->FillPolygonColumn(2, square, 4, 0x00FFFFFF), S_FALSE);
  int index = 0;
  surface->GetPixelIndex(2, 4, &index);
  EXPECT_EQ(index, 255);  // it drew all the same
  EXPECT_EQ(surface->FillPolygonColumn(2, square, 1, 0x00FFFFFF), E_INVALIDARG);
  EXPECT_EQ(surface->FillPolygonColumn(2, nullptr, 4, 0x00FFFFFF), E_INVALIDARG);
  EXPECT_EQ(surface->FillPolygon(square, 2, 0x00FFFFFF), E_INVALIDARG);
  EXPECT_EQ(surface->FillTriangle(nullptr, 0x00FFFFFF), E_INVALIDARG);
  EXPECT_EQ(surface->FillRectR(nullptr, 0x00FFFFFF), E_INVALIDARG);
}

}  // namespace
