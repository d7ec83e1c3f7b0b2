// Anti-aliased and wide figures: our own coverage rasteriser pixel for
// pixel, the coverage blends of each depth, single-pixel blending, and the
// GDI+ path drawn by the platform.
#include "DrawableSurface.h"
#include "SurfaceTables.h"

#include "SurfaceFixture.h"
#include "SurfacePicture.h"

#include "platform/GdiTypes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using pictrel::testing::pictureOf;
using pictrel::testing::SurfaceHolder;

struct SmoothDepth {
  const char* name;
  int bpp;
};

const SmoothDepth kSmoothDepths[] = {{"15bpp", 15}, {"16bpp", 16}, {"24bpp", 24}, {"32bpp", 32}};

constexpr COLORREF kInk = RGB(0xF8, 0x80, 0x08);

Pictrel::SurfaceState& stateOf(Pictrel::IDrawableDS* surface) {
  return *static_cast<Pictrel::SurfaceState*>(surface->GetImpData());
}

// Every pixel's colour, row by row.
std::vector<COLORREF> colorsOf(Pictrel::IDrawableDS* surface) {
  std::vector<COLORREF> colors;
  surface->SetClipRect(nullptr);
  for (int y = 0; y < surface->GetHeight(); ++y)
    for (int x = 0; x < surface->GetWidth(); ++x) {
      COLORREF color = 0;
      surface->GetPixel(x, y, &color);
      colors.push_back(color);
    }
  return colors;
}

class SmoothFiguresTest : public ::testing::TestWithParam<SmoothDepth> {
protected:
  // The ink blended at full coverage onto black: (c · 255) >> 8 per channel.
  COLORREF fullInk() {
    SurfaceHolder probe;
    make(probe, 1, 1);
    Pictrel::SurfaceState& state = stateOf(probe.get());
    state.coverageBlendRoutine(state, 0, 0, kInk, 255);
    COLORREF color = 0;
    probe->GetPixel(0, 0, &color);
    return color;
  }
  void make(SurfaceHolder& surface, int width, int height) {
    ASSERT_EQ(surface->Create(width, height, GetParam().bpp, nullptr), S_OK);
  }
};

TEST_P(SmoothFiguresTest, UprightThinLinesAreSpans) {
  SurfaceHolder smooth;
  SurfaceHolder plain;
  make(smooth, 12, 4);
  make(plain, 12, 4);
  EXPECT_EQ(smooth->AALine(0, 1, 10, 1, 1, kInk), S_OK);
  EXPECT_EQ(plain->HLine(0, 1, 10, kInk), S_OK);
  EXPECT_EQ(smooth->AALine(3, 0, 3, 3, 0, kInk), S_OK);
  EXPECT_EQ(plain->VLine(3, 0, 3, kInk), S_OK);
  EXPECT_EQ(colorsOf(smooth.get()), colorsOf(plain.get()));
}

TEST_P(SmoothFiguresTest, SteepLineBlendsTwoPixelsPerRowWithTheWalksCoverage) {
  SurfaceHolder surface;
  make(surface, 8, 10);
  surface->Clear(0x00FFFFFF);
  EXPECT_EQ(surface->AALine(0, 0, 4, 8, 1, kInk), S_OK);

  // Worked out by hand: the accumulator steps by 0x8000, so odd rows sit
  // half way (coverages gamma[127] and gamma[128]) and even rows on a pixel
  // (gamma[255] and gamma[0]); x moves on the even rows.
  SurfaceHolder expected;
  make(expected, 8, 10);
  expected->Clear(0x00FFFFFF);
  Pictrel::SurfaceState& state = stateOf(expected.get());
  const int columns[9] = {0, 0, 1, 1, 2, 2, 3, 3, 4};
  for (int y = 1; y <= 8; ++y) {
    const bool half = y % 2 == 1;
    const uint8_t near = Pictrel::CoverageGammaTable[half ? 127 : 255];
    const uint8_t far = Pictrel::CoverageGammaTable[half ? 128 : 0];
    state.coverageBlendRoutine(state, columns[y], y, kInk, near);
    state.coverageBlendRoutine(state, columns[y] + 1, y, kInk, far);
  }
  EXPECT_EQ(colorsOf(surface.get()), colorsOf(expected.get()));
  EXPECT_EQ(Pictrel::CoverageGammaTable[127], 130);  // the hand figures
  EXPECT_EQ(Pictrel::CoverageGammaTable[128], 131);
  COLORREF rowZero = 0;
  surface->GetPixel(0, 0, &rowZero);
  EXPECT_EQ(rowZero, colorsOf(expected.get())[1]);  // row 0 untouched (still white)
}

TEST_P(SmoothFiguresTest, WideLinesHaveAFullCoreAndMirrorWithTheirDirection) {
  for (int width : {1, 2, 5}) {
    SCOPED_TRACE(width);
    SurfaceHolder forward;
    SurfaceHolder backward;
    make(forward, 16, 12);
    make(backward, 16, 12);
    EXPECT_EQ(forward->AALine(4, 0, 7, 10, width, kInk), S_OK);
    EXPECT_EQ(backward->AALine(11, 0, 8, 10, width, kInk), S_OK);
    const std::vector<COLORREF> a = colorsOf(forward.get());
    const std::vector<COLORREF> b = colorsOf(backward.get());
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 16; ++x)
        ASSERT_EQ(a[static_cast<size_t>(y * 16 + x)], b[static_cast<size_t>(y * 16 + 15 - x)]) << x << "," << y;
    if (width < 2) continue;
    // The walk's own pixel on row 4 (x = 5) is in the full core.
    COLORREF centre = 0;
    forward->GetPixel(5, 4, &centre);
    EXPECT_EQ(centre, fullInk());
  }
  // Width 5 on an upright line: columns x − 1 … x + 1 full, x − 2 the near
  // edge (full here), x + 2 the far one (coverage 0: unchanged).
  SurfaceHolder surface;
  make(surface, 10, 8);
  EXPECT_EQ(surface->AALine(5, 1, 5, 6, 5, kInk), S_OK);
  EXPECT_EQ(pictureOf(surface.get(), fullInk(), 0),
            pictrel::testing::rows("..........", "..........", "...####...", "...####...", "...####...", "...####...",
                                   "...####...", ".........."));
}

TEST_P(SmoothFiguresTest, SmoothCircleIsSymmetricWithTwoCoverages) {
  SurfaceHolder surface;
  make(surface, 15, 15);
  EXPECT_EQ(surface->AACircle(7, 7, 5, 1, kInk), S_OK);
  const std::vector<COLORREF> colors = colorsOf(surface.get());
  auto at = [&](int x, int y) { return colors[static_cast<size_t>(y * 15 + x)]; };
  int full = 0;
  for (int y = 0; y < 15; ++y) {
    for (int x = 0; x < 15; ++x) {
      const int i = x - 7, j = y - 7;
      // The eight octants agree.
      ASSERT_EQ(at(x, y), at(7 - i, y)) << x << "," << y;
      ASSERT_EQ(at(x, y), at(x, 7 - j)) << x << "," << y;
      ASSERT_EQ(at(x, y), at(7 + j, 7 + i)) << x << "," << y;
      const auto t = static_cast<int>(std::sqrt(double(i * i + j * j)) - 5.0);
      if (std::abs(t) > 1) {
        EXPECT_EQ(at(x, y), 0u) << x << "," << y;
      }
      if (at(x, y) == fullInk()) {
        ++full;
        EXPECT_EQ(t, 0) << x << "," << y;
      }
    }
  }
  EXPECT_GT(full, 8);
  EXPECT_EQ(at(7, 2), fullInk());  // (0, r) itself
}

TEST_P(SmoothFiguresTest, SmallDiscsAndFiguresOfSegments) {
  SurfaceHolder surface;
  make(surface, 5, 5);
  EXPECT_EQ(surface->AAFilledCircle(2, 2, 1, kInk), S_OK);
  EXPECT_EQ(pictureOf(surface.get(), kInk, 0), pictrel::testing::rows(".....", ".....", "..#..", ".....", "....."));

  const tagT_IPOINT2D points[] = {{1, 1}, {14, 4}, {6, 12}};
  SurfaceHolder polyline;
  SurfaceHolder segments;
  make(polyline, 16, 16);
  make(segments, 16, 16);
  EXPECT_EQ(polyline->AAPolyline(points, 3, 1, kInk), S_OK);
  segments->AALine(1, 1, 14, 4, 1, kInk);
  segments->AALine(14, 4, 6, 12, 1, kInk);
  EXPECT_EQ(colorsOf(polyline.get()), colorsOf(segments.get()));
  EXPECT_EQ(polyline->AAPolygon(points, 3, 1, kInk), S_OK);
  segments->AALine(1, 1, 14, 4, 1, kInk);
  segments->AALine(14, 4, 6, 12, 1, kInk);
  segments->AALine(6, 12, 1, 1, 1, kInk);
  EXPECT_EQ(colorsOf(polyline.get()), colorsOf(segments.get()));
  EXPECT_EQ(polyline->AAPolyline(points, 1, 1, kInk), E_INVALIDARG);
  EXPECT_EQ(polyline->AAPolygon(points, 2, 1, kInk), E_INVALIDARG);
  EXPECT_EQ(polyline->AAPolyline(nullptr, 3, 1, kInk), E_INVALIDARG);
}

TEST_P(SmoothFiguresTest, ThickLinesWriteAcrossTheMinorAxis) {
  SurfaceHolder thick;
  SurfaceHolder plain;
  make(thick, 12, 8);
  make(plain, 12, 8);
  EXPECT_EQ(thick->ThickLine(1, 1, 10, 6, 1, kInk), S_OK);
  EXPECT_EQ(plain->Line(1, 1, 10, 6, kInk), S_OK);
  EXPECT_EQ(colorsOf(thick.get()), colorsOf(plain.get()));

  SurfaceHolder surface;
  make(surface, 8, 5);
  EXPECT_EQ(surface->ThickLine(1, 2, 6, 2, 3, kInk), S_OK);  // steps first: x 2 … 6
  EXPECT_EQ(pictureOf(surface.get(), kInk, 0),
            pictrel::testing::rows("........", "..#####.", "..#####.", "..#####.", "........"));
  EXPECT_EQ(surface->ThickLine(-20, -20, -10, -15, 3, kInk), S_FALSE);
}

TEST_P(SmoothFiguresTest, CoverageBlendsMixPerChannel) {
  SurfaceHolder surface;
  make(surface, 2, 1);
  surface->SetPixel(0, 0, RGB(0x10, 0x20, 0x40));
  Pictrel::SurfaceState& state = stateOf(surface.get());
  state.coverageBlendRoutine(state, 0, 0, RGB(0xF0, 0xE0, 0xC0), 0x80);
  COLORREF color = 0;
  surface->GetPixel(0, 0, &color);
  // (c·α + d·(255 − α)) >> 8 per channel, on what each format holds.
  const COLORREF expected = [&] {
    switch (GetParam().bpp) {
      case 15:
        return RGB(((0xF0 * 0x80 + 0x10 * 0x7F) >> 11) << 3, ((0xE0 * 0x80 + 0x20 * 0x7F) >> 11) << 3,
                   ((0xC0 * 0x80 + 0x40 * 0x7F) >> 11) << 3);
      case 16:
        return RGB(((0xF0 * 0x80 + 0x10 * 0x7F) >> 11) << 3, ((0xE0 * 0x80 + 0x20 * 0x7F) >> 10) << 2,
                   ((0xC0 * 0x80 + 0x40 * 0x7F) >> 11) << 3);
      case 32:
        return RGB((0xF0 * 0x80 + 0x10 * 0x7F) >> 8, (0xE0 * 0x80 + 0x20 * 0x7F) >> 8,
                   (0xC0 * 0x80 + 0x40 * 0x7F) >> 8) |
               0x80000000u;  // the alpha byte becomes the coverage
      default:
        return RGB((0xF0 * 0x80 + 0x10 * 0x7F) >> 8, (0xE0 * 0x80 + 0x20 * 0x7F) >> 8,
                   (0xC0 * 0x80 + 0x40 * 0x7F) >> 8);
    }
  }();
  EXPECT_EQ(color, expected);
}

INSTANTIATE_TEST_SUITE_P(DirectDepths, SmoothFiguresTest, ::testing::ValuesIn(kSmoothDepths),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SmoothFiguresRulesTest, PaletteDepthsAndEmptySurfacesRefuse) {
  SurfaceHolder surface;
  const tagT_IPOINT2D points[] = {{0, 0}, {4, 4}, {0, 4}};
  EXPECT_EQ(surface->AALine(0, 0, 5, 3, 1, 0), E_FAIL);
  EXPECT_EQ(surface->AAPolygon(points, 3, 1, 0), E_FAIL);
  EXPECT_EQ(surface->AAPolyline(points, 3, 1, 0), E_FAIL);
  for (int bpp : {1, 4, 8}) {
    SCOPED_TRACE(bpp);
    ASSERT_EQ(surface->Create(8, 8, bpp, nullptr), S_OK);
    EXPECT_EQ(surface->AALine(0, 0, 5, 3, 1, 0), E_FAIL);
    EXPECT_EQ(surface->AACircle(4, 4, 2, 1, 0), E_FAIL);
    EXPECT_EQ(surface->AAFilledCircle(4, 4, 2, 0), E_FAIL);
    EXPECT_EQ(surface->AAPolygon(points, 3, 1, 0), E_FAIL);
    EXPECT_EQ(surface->AAPolyline(points, 3, 1, 0), E_FAIL);
    EXPECT_EQ(surface->AAPolyline(points, 1, 1, 0), E_INVALIDARG);
  }
  EXPECT_EQ(surface->ThickLine(0, 0, 7, 3, 3, 255), S_OK);  // wide lines take pixel values
  int index = 0;
  surface->GetPixelIndex(7, 3, &index);
  EXPECT_EQ(index, 255);
}

TEST(SmoothFiguresRulesTest, BlendPixelMixesAndStaysInside) {
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(2, 2, 24, nullptr), S_OK);
  surface->SetPixel(0, 0, 0x00FFFFFF);
  EXPECT_EQ(surface->BlendPixel(0, 0, 0, 0), S_OK);
  COLORREF color = 0;
  surface->GetPixel(0, 0, &color);
  EXPECT_EQ(color, RGB(254, 254, 254));
  EXPECT_EQ(surface->BlendPixel(2, 0, 0, 255), S_FALSE);
  EXPECT_EQ(surface->BlendPixel(0, -1, 0, 255), S_FALSE);
  const tagT_IRECT2D huge{-50, -50, 50, 50};
  surface->SetClipRect(&huge);
  EXPECT_EQ(surface->BlendPixel(1, 7, 0, 255), S_FALSE);

  ASSERT_EQ(surface->Create(1, 1, 32, nullptr), S_OK);
  surface->SetPixel(0, 0, 0xC0404040);
  EXPECT_EQ(surface->BlendPixel(0, 0, RGB(0x80, 0x80, 0x80), 0x40), S_OK);
  surface->GetPixel(0, 0, &color);
  EXPECT_EQ(color >> 24, 0xC0u);  // the larger alpha stays
  EXPECT_EQ(color & 0xFF, (0x80u * 0x40 + 0x40u * 0xC0) >> 8);

  ASSERT_EQ(surface->Create(1, 1, 16, nullptr), S_OK);
  EXPECT_EQ(surface->BlendPixel(0, 0, 0, 0), S_OK);  // low bits of every channel set
  surface->GetPixel(0, 0, &color);
  EXPECT_EQ(color, RGB(7 << 3, 3 << 2, 7 << 3));

  ASSERT_EQ(surface->Create(1, 1, 8, nullptr), S_OK);
  EXPECT_EQ(surface->BlendPixel(0, 0, 0x00FFFFFF, 0), S_OK);  // SetPixel below 15 bpp
  int index = 0;
  surface->GetPixelIndex(0, 0, &index);
  EXPECT_EQ(index, 0xFF);
}

// The GDI+ path: the platform draws with cairo into the section.
TEST(SmoothFiguresRulesTest, GdiplusFiguresStayInTheirBoxesAndFollowRowOrder) {
  for (int bpp : {16, 24, 32}) {
    SCOPED_TRACE(bpp);
    std::vector<COLORREF> pictures[2];
    for (int order = 0; order < 2; ++order) {
      SurfaceHolder surface;
      ASSERT_EQ(surface->Create(40, order == 0 ? 30 : -30, bpp, nullptr), S_OK);
      ASSERT_EQ(surface->EnableAntiAlias(true), S_OK);
      EXPECT_EQ(surface->AALine(5, 5, 30, 20, 5, 0x00FFFFFF), S_OK);
      pictures[order] = colorsOf(surface.get());
      for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
          if (pictures[order][static_cast<size_t>(y * 40 + x)] == 0) continue;
          EXPECT_TRUE(x >= 0 && x <= 35 && y >= 0 && y <= 25) << x << "," << y;
        }
      // White as this depth holds it.
      SurfaceHolder probe;
      probe->Create(1, 1, bpp, nullptr);
      probe->SetPixel(0, 0, 0x00FFFFFF);
      COLORREF white = 0;
      probe->GetPixel(0, 0, &white);
      COLORREF centre = 0;
      surface->GetPixel(17, 12, &centre);
      EXPECT_EQ(centre & 0x00FFFFFF, white);

      SurfaceHolder disc;
      ASSERT_EQ(disc->Create(20, 20, bpp, nullptr), S_OK);
      ASSERT_EQ(disc->EnableAntiAlias(true), S_OK);
      EXPECT_EQ(disc->AAFilledCircle(10, 10, 4, 0x00FFFFFF), S_OK);
      EXPECT_EQ(disc->AACircle(10, 10, 7, 1, 0x00FFFFFF), S_OK);
      const std::vector<COLORREF> colors = colorsOf(disc.get());
      COLORREF middle = colors[10 * 20 + 10];
      EXPECT_EQ(middle & 0x00FFFFFF, white);
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
          if (std::abs(x - 10) > 9 || std::abs(y - 10) > 9) {
            EXPECT_EQ(colors[static_cast<size_t>(y * 20 + x)], 0u);
          }
    }
    EXPECT_EQ(pictures[0], pictures[1]);
  }
}

}  // namespace
