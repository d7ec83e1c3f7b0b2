// The aliased figures at every depth, compared as text pictures.
#include "SurfaceFixture.h"
#include "SurfacePicture.h"

#include "platform/GdiTypes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using pictrel::testing::pictureOf;
using pictrel::testing::rows;
using pictrel::testing::SurfaceHolder;

// One depth with the ink it draws in: white on the palette depths' grey
// ramps (the figures that take pixel values get white's index), a colour
// exact in every direct format otherwise. `masks` picks 5-5-5 over 5-6-5.
struct Depth {
  const char* name;
  int bpp;
  COLORREF ink;
  DWORD inkValue;
};

const Depth kDepths[] = {
    {"1 bpp", 1, 0x00FFFFFF, 1},
    {"4 bpp", 4, 0x00FFFFFF, 15},
    {"8 bpp", 8, 0x00FFFFFF, 255},
    {"15 bpp", 15, RGB(0xF8, 0x80, 0x08), RGB(0xF8, 0x80, 0x08)},
    {"16 bpp", 16, RGB(0xF8, 0x84, 0x08), RGB(0xF8, 0x84, 0x08)},
    {"24 bpp", 24, RGB(0xF8, 0x80, 0x09), RGB(0xF8, 0x80, 0x09)},
    {"32 bpp", 32, RGB(0xF8, 0x80, 0x09), RGB(0xF8, 0x80, 0x09)},
};

class FiguresTest : public ::testing::TestWithParam<Depth> {
protected:
  // A fresh surface of the size, cleared to black, with `draw` applied.
  std::string draw(int width, int height, const std::function<void(Pictrel::IDrawableDS*, const Depth&)>& figure) {
    SurfaceHolder surface;
    EXPECT_EQ(surface->Create(width, height, GetParam().bpp, nullptr), S_OK);
    EXPECT_EQ(surface->Clear(0), S_OK);
    figure(surface.get(), GetParam());
    return pictureOf(surface.get(), GetParam().ink, 0);
  }
};

struct FigureCase {
  const char* name;
  int width;
  int height;
  std::function<void(Pictrel::IDrawableDS*, const Depth&)> figure;
  std::string picture;
};

const FigureCase kFigures[] = {
    {"HLine with its ends swapped", 12, 5, [](auto* s, const Depth& d) { EXPECT_EQ(s->HLine(9, 3, 2, d.ink), S_OK); },
     rows("............", "............", "............", "..########..", "............")},
    {"shallow Line", 6, 3, [](auto* s, const Depth& d) { EXPECT_EQ(s->Line(0, 0, 4, 2, d.ink), S_OK); },
     rows("#.....", ".##...", "...##.")},
    {"diagonal Line", 4, 4, [](auto* s, const Depth& d) { EXPECT_EQ(s->Line(0, 0, 3, 3, d.ink), S_OK); },
     rows("#...", ".#..", "..#.", "...#")},
    {"steep Line upwards", 4, 6, [](auto* s, const Depth& d) { EXPECT_EQ(s->Line(3, 5, 1, 0, d.ink), S_OK); },
     rows(".#..", ".#..", "..#.", "..#.", "...#", "...#")},
    {"Rectangle", 6, 5, [](auto* s, const Depth& d) { EXPECT_EQ(s->Rectangle(4, 3, 1, 1, d.ink), S_OK); },
     rows("......", ".####.", ".#..#.", ".####.", "......")},
    {"Circle", 9, 9, [](auto* s, const Depth& d) { EXPECT_EQ(s->Circle(4, 4, -3, d.inkValue), S_OK); },
     rows(".........", "...###...", "..#...#..", ".#.....#.", ".#.....#.", ".#.....#.", "..#...#..", "...###...",
          ".........")},
    {"FilledCircle", 9, 9, [](auto* s, const Depth& d) { EXPECT_EQ(s->FilledCircle(4, 4, 3, d.ink), S_OK); },
     rows(".........", "...###...", "..#####..", ".#######.", ".#######.", ".#######.", "..#####..", "...###...",
          ".........")},
    {"XorFilledCircle covers each row once", 9, 9,
     [](auto* s, const Depth& d) { EXPECT_EQ(s->XorFilledCircle(4, 4, 3, d.ink), S_OK); },
     rows(".........", "...###...", "..#####..", ".#######.", ".#######.", ".#######.", "..#####..", "...###...",
          ".........")},
    {"Ellipse", 11, 7, [](auto* s, const Depth& d) { EXPECT_EQ(s->Ellipse(5, 3, 4, 2, d.inkValue), S_OK); },
     rows("...........", "...#####...", "..#.....#..", ".#.......#.", "..#.....#..", "...#####...", "...........")},
    {"FillRect", 5, 4, [](auto* s, const Depth& d) { EXPECT_EQ(s->FillRect(3, 2, 1, 1, d.ink), S_OK); },
     rows(".....", ".###.", ".###.", ".....")},
    {"FillPolygon of a square leaves its right column", 6, 6,
     [](auto* s, const Depth& d) {
       const tagT_IPOINT2D square[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
       EXPECT_EQ(s->FillPolygon(square, 4, d.ink), S_OK);
     },
     rows("####..", "####..", "####..", "####..", "####..", "......")},
    {"FillTriangle leaves its top row", 11, 6,
     [](auto* s, const Depth& d) {
       const tagT_IPOINT2D corners[] = {{5, 0}, {9, 4}, {1, 4}};
       EXPECT_EQ(s->FillTriangle(corners, d.ink), S_OK);
     },
     rows("...........", "....###....", "...#####...", "..#######..", ".#########.", "...........")},
    {"XorRectangle flips each outline pixel once", 5, 4,
     [](auto* s, const Depth& d) { EXPECT_EQ(s->XorRectangle(0, 0, 4, 3, d.ink), S_OK); },
     rows("#####", "#...#", "#...#", "#####")},
};

TEST_P(FiguresTest, FiguresMatchTheirPictures) {
  for (const FigureCase& figure : kFigures) {
    SCOPED_TRACE(figure.name);
    EXPECT_EQ(draw(figure.width, figure.height, figure.figure), figure.picture);
  }
}

TEST_P(FiguresTest, XorFiguresTwiceRestoreTheSurface) {
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(16, 16, GetParam().bpp, nullptr), S_OK);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) surface->SetPixel(x, y, (x * 7 + y * 13) % 2 ? GetParam().inkValue : 0);
  // The pixel rows, byte for byte.
  auto snapshot = [&] {
    std::string bytes;
    for (int y = 0; y < 16; ++y)
      bytes.append(reinterpret_cast<const char*>(surface->GetScanLine(y)),
                   static_cast<size_t>((16 * surface->GetBitsPerPixel() + 31) / 32 * 4));
    return bytes;
  };
  const std::string before = snapshot();
  const DWORD value = GetParam().inkValue;
  const COLORREF ink = GetParam().ink;
  const std::function<void()> figures[] = {
      [&] { surface->XorRectangle(2, 2, 9, 7, ink); }, [&] { surface->XorRectangle(5, 5, 6, 6, ink); },  // 2 × 2
      [&] { surface->XorRectangle(3, 1, 3, 5, ink); },           // 1 × 5
      [&] { surface->XorCircle(8, 8, 5, value); },     [&] { surface->XorCircle(8, 8, 0, value); },
      [&] { surface->XorFilledCircle(7, 9, 6, ink); }, [&] { surface->XorEllipse(8, 8, 6, 3, value); },
      [&] { surface->XorLine(-3, 2, 20, 11, ink); },   [&] { surface->XorHLine(-5, 4, 30, ink); },
  };
  for (size_t i = 0; i < std::size(figures); ++i) {
    SCOPED_TRACE(i);
    figures[i]();
    EXPECT_NE(snapshot(), before);
    figures[i]();
    EXPECT_EQ(snapshot(), before);
  }
}

TEST_P(FiguresTest, DashesSwitchColourEverySixteenthPixel) {
  // Colour A where (pixels left mod 16) ≥ 7; at 1 bpp A clears, B sets.
  const bool isMonochrome = GetParam().bpp == 1;
  const std::string expected = isMonochrome ? rows(".........#######") : rows("#########ooooooo");
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(16, 1, GetParam().bpp, nullptr), S_OK);
  surface->Clear(0x00808080);
  const COLORREF other = GetParam().bpp <= 8 ? 0 : RGB(0x08, 0x40, 0x80);
  EXPECT_EQ(surface->DashedHLine(0, 0, 15, GetParam().ink, other), S_OK);
  const std::string drawn = isMonochrome ? pictureOf(surface.get(), 0x00FFFFFF, 0)
                                         : pictureOf(surface.get(), GetParam().ink, 0xFFFFFFFFu, other);
  EXPECT_EQ(drawn, expected);

  // Vertical and Bresenham dashes: along a line the major coordinate picks.
  ASSERT_EQ(surface->Create(1, 16, GetParam().bpp, nullptr), S_OK);
  EXPECT_EQ(surface->DashedVLine(0, 15, 0, GetParam().ink, other), S_OK);
  COLORREF top = 0;
  COLORREF bottom = 0;
  surface->GetPixel(0, 0, &top);
  surface->GetPixel(0, 15, &bottom);
  EXPECT_EQ(top, isMonochrome ? 0u : GetParam().ink);
  EXPECT_EQ(bottom, isMonochrome ? 0x00FFFFFFu : other);
  ASSERT_EQ(surface->Create(20, 4, GetParam().bpp, nullptr), S_OK);
  EXPECT_EQ(surface->DashedLine(0, 0, 19, 3, GetParam().ink, other), S_OK);
  COLORREF at6 = 0;
  COLORREF at7 = 0;
  COLORREF at16 = 0;
  surface->GetPixel(6, 1, &at6);
  surface->GetPixel(7, 1, &at7);
  surface->GetPixel(16, 3, &at16);
  EXPECT_EQ(at6, isMonochrome ? 0x00FFFFFFu : other);
  EXPECT_EQ(at7, isMonochrome ? 0u : GetParam().ink);
  EXPECT_EQ(at16, isMonochrome ? 0x00FFFFFFu : other);
}

TEST_P(FiguresTest, FiguresOffTheClipDrawNothing) {
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(8, 8, GetParam().bpp, nullptr), S_OK);
  surface->Clear(0);
  const tagT_IRECT2D clip{2, 2, 5, 5};
  surface->SetClipRect(&clip);
  const COLORREF ink = GetParam().ink;
  EXPECT_EQ(surface->HLine(0, 1, 7, ink), S_FALSE);
  EXPECT_EQ(surface->HLine(6, 3, 7, ink), S_FALSE);
  EXPECT_EQ(surface->VLine(1, 0, 7, ink), S_FALSE);
  EXPECT_EQ(surface->Line(0, 0, 7, 1, ink), S_FALSE);
  EXPECT_EQ(surface->FillRect(6, 6, 9, 9, ink), S_FALSE);
  EXPECT_EQ(surface->Circle(30, 30, 3, GetParam().inkValue), S_OK);
  const tagT_IPOINT2D far[] = {{10, 10}, {12, 10}, {12, 12}};
  EXPECT_EQ(surface->FillPolygon(far, 3, ink), S_FALSE);
  EXPECT_EQ(surface->FillRect(0, 0, 7, 7, ink), S_OK);
  surface->SetClipRect(nullptr);
  EXPECT_EQ(pictureOf(surface.get(), ink, 0),
            rows("........", "........", "..####..", "..####..", "..####..", "..####..", "........", "........"));
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, FiguresTest, ::testing::ValuesIn(kDepths), [](const auto& info) {
  std::string name = info.param.name;
  return name.substr(0, name.find(' ')) + "bpp";
});

}  // namespace
