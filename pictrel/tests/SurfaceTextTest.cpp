// Text on surfaces: boxes, anchors and clipping (not glyph pixels), the
// surface font and the lent device context.
#include "DrawableSurface.h"

#include "testsupport/FixtureFonts.h"
#include "SurfaceFixture.h"

#include "platform/GdiPlus.h"
#include "platform/GdiPlusGraphics.h"
#include "platform/GdiText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using pictrel::testing::SurfaceHolder;

struct TextDepth {
  const char* name;
  int bpp;
};
const TextDepth kTextDepths[] = {{"1bpp", 1}, {"8bpp", 8}, {"16bpp", 16}, {"24bpp", 24}, {"32bpp", 32}};

// The box of the pixels that differ from the background colour 0, right
// and bottom exclusive; left > right when nothing was drawn.
tagT_IRECT2D inkedBox(Pictrel::IDrawableDS* surface) {
  tagT_IRECT2D box{surface->GetWidth(), surface->GetHeight(), -1, -1};
  tagT_IRECT2D clip{};
  surface->GetClipRect(&clip);
  surface->SetClipRect(nullptr);
  for (int y = 0; y < surface->GetHeight(); ++y)
    for (int x = 0; x < surface->GetWidth(); ++x) {
      COLORREF color = 0;
      surface->GetPixel(x, y, &color);
      if ((color & 0x00FFFFFF) == 0) continue;
      box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
    }
  surface->SetClipRect(&clip);
  return box;
}

class TextTest : public ::testing::TestWithParam<TextDepth> {
protected:
  void SetUp() override { testsupport::useFixtureFonts(); }
  void make(SurfaceHolder& surface, int width = 120, int height = 40) {
    ASSERT_EQ(surface->Create(width, height, GetParam().bpp, nullptr), S_OK);
    ASSERT_EQ(surface->SetFont(u"DejaVu Sans", 0, -16), S_OK);
    surface->Clear(0);
  }
};

TEST_P(TextTest, NothingOutsideTheClipOrTheRectangleChanges) {
  SurfaceHolder surface;
  make(surface);
  const tagT_IRECT2D clip{10, 0, 35, 39};
  surface->SetClipRect(&clip);
  tagT_IRECT2D rect{0, 2, 110, 12};
  EXPECT_EQ(surface->DrawText(u"Wide text here", &rect, 0, 0x00FFFFFF), S_OK);
  const tagT_IRECT2D inked = inkedBox(surface.get());
  EXPECT_GE(inked.left, 10);
  EXPECT_LE(inked.right, 36);
  EXPECT_GE(inked.top, 2);
  EXPECT_LE(inked.bottom, 13);
  EXPECT_LT(inked.left, inked.right);
  // A rectangle that misses the clip draws nothing and says so with S_OK.
  tagT_IRECT2D away{50, 0, 90, 20};
  surface->Clear(0);
  EXPECT_EQ(surface->DrawText(u"Gone", &away, 0, 0x00FFFFFF), S_OK);
  EXPECT_GT(inkedBox(surface.get()).left, inkedBox(surface.get()).right);
}

TEST_P(TextTest, AnchorsPlaceTheText) {
  SurfaceHolder surface;
  make(surface, 160, 60);
  // Flags 0 without a box: laid out from (x, y).
  EXPECT_EQ(surface->DrawTextAt(u"Anchor", 20, 10, 0, 0x00FFFFFF, nullptr), S_OK);
  tagT_IRECT2D inked = inkedBox(surface.get());
  EXPECT_GE(inked.left, 20);
  EXPECT_GE(inked.top, 10);
  EXPECT_LT(inked.left, 24);

  // Right: the text ends on column x (GDI+ puts the box's right on x).
  const bool throughGdiplus = GetParam().bpp == 32;
  surface->Clear(0);
  tagT_IRECT2D box{};
  EXPECT_EQ(surface->DrawTextAt(u"Anchor", 100, 10, 2, 0x00FFFFFF, &box), S_OK);
  inked = inkedBox(surface.get());
  EXPECT_LE(inked.right, 101);
  EXPECT_GT(inked.right, 92);
  EXPECT_EQ(box.right, throughGdiplus ? 100 : 101);

  // Centre: the box's middle is x, within a pixel.
  surface->Clear(0);
  EXPECT_EQ(surface->DrawTextAt(u"Anchor", 80, 10, 1, 0x00FFFFFF, &box), S_OK);
  EXPECT_LE(std::abs((box.left + box.right) - 2 * 80), 2);

  // Vertical centre (GDI): the box's middle is y.
  if (throughGdiplus) return;
  surface->Clear(0);
  EXPECT_EQ(surface->DrawTextAt(u"Anchor", 10, 30, 4, 0x00FFFFFF, &box), S_OK);
  EXPECT_LE(std::abs((box.top + box.bottom) - 2 * 30), 2);
  inked = inkedBox(surface.get());
  EXPECT_GE(inked.top, box.top);
  EXPECT_LE(inked.bottom, box.bottom);
}

INSTANTIATE_TEST_SUITE_P(TextDepths, TextTest, ::testing::ValuesIn(kTextDepths),
                         [](const auto& info) { return std::string(info.param.name); });

// A rectangle given with either pair of corners the other way round draws
// what the ordered one draws, at every depth and under a clip that cuts it.
// Full blocks of a font larger than the rectangle ink every pixel of it.
TEST(SurfaceTextRulesTest, ReversedRectanglesDrawTheSame) {
  testsupport::useFixtureFonts();
  const tagT_IRECT2D ordered{4, 3, 30, 20};
  const tagT_IRECT2D reversals[] = {{30, 20, 4, 3}, {30, 3, 4, 20}, {4, 20, 30, 3}};
  const tagT_IRECT2D cutting{10, 0, 119, 12};
  for (int bpp : {1, 4, 8, 15, 16, 24, 32}) {
    for (const tagT_IRECT2D* clip : {static_cast<const tagT_IRECT2D*>(nullptr), &cutting}) {
      SCOPED_TRACE(::testing::Message() << bpp << " bpp, " << (clip ? "cut" : "whole"));
      auto draw = [&](const tagT_IRECT2D& rect, SurfaceHolder& surface) {
        ASSERT_EQ(surface->Create(60, 30, bpp, nullptr), S_OK);
        ASSERT_EQ(surface->SetFont(u"DejaVu Sans", 0, -40), S_OK);
        surface->Clear(0);
        surface->SetClipRect(clip);
        tagT_IRECT2D given = rect;
        EXPECT_EQ(surface->DrawText(u"\u2588\u2588\u2588\u2588", &given, DT_SINGLELINE, 0x00FFFFFF), S_OK);
      };
      SurfaceHolder reference;
      ASSERT_NO_FATAL_FAILURE(draw(ordered, reference));
      const tagT_IRECT2D inked = inkedBox(reference.get());
      // GDI+ (32 bpp) lays the text out in |right - left| by |bottom - top|.
      const int past = bpp == 32 ? 0 : 1;
      const tagT_IRECT2D expected =
          clip ? tagT_IRECT2D{10, 3, 30 + past, 13} : tagT_IRECT2D{4, 3, 30 + past, 20 + past};
      EXPECT_EQ(inked.left, expected.left);
      EXPECT_EQ(inked.top, expected.top);
      EXPECT_EQ(inked.right, expected.right);
      EXPECT_EQ(inked.bottom, expected.bottom);
      uint64_t want = 0;
      reference->Checksum(&want);
      for (const tagT_IRECT2D& reversed : reversals) {
        SurfaceHolder surface;
        ASSERT_NO_FATAL_FAILURE(draw(reversed, surface));
        uint64_t got = 0;
        surface->Checksum(&got);
        EXPECT_EQ(got, want) << reversed.left << ", " << reversed.top << ", " << reversed.right << ", "
                             << reversed.bottom;
      }
    }
  }
}

TEST(SurfaceTextRulesTest, GdiplusAnchoringFollowsTheMeasuredBox) {
  testsupport::useFixtureFonts();
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(200, 60, 32, nullptr), S_OK);
  ASSERT_EQ(surface->SetFont(u"DejaVu Sans", 0, -16), S_OK);
  HDC dc = nullptr;
  ASSERT_EQ(surface->GetDC(&dc, true), S_OK);
  Gdiplus::Graphics graphics(dc);
  Gdiplus::Font font(dc);
  Gdiplus::StringFormat format(0);
  format.SetHotkeyPrefix(Gdiplus::HotkeyPrefix::Show);
  Gdiplus::RectF measured;
  ASSERT_EQ(graphics.MeasureString(u"Measured", -1, &font, Gdiplus::RectF{}, &format, &measured), Gdiplus::Status::Ok);
  surface->ReleaseDC(dc);
  const int width = static_cast<int>(std::ceil(measured.Width));
  const int height = static_cast<int>(std::ceil(measured.Height));
  EXPECT_GT(width, 30);

  tagT_IRECT2D box{};
  EXPECT_EQ(surface->DrawTextAt(u"Measured", 10, 20, 0, 0x00FFFFFF, &box), S_OK);
  EXPECT_EQ(box.left, 10);
  EXPECT_EQ(box.right, 10 + width);
  EXPECT_EQ(box.bottom - box.top, height);
  EXPECT_EQ(surface->DrawTextAt(u"Measured", 150, 20, 2 | 8, 0x00FFFFFF, &box), S_OK);
  EXPECT_EQ(box.right, 150);
  EXPECT_EQ(box.bottom, 20);
  Gdiplus::FontFamily family;
  font.GetFamily(&family);
  const double ascent = font.GetSize() / family.GetEmHeight(0) * family.GetCellAscent(0) * 96.0 / 72.0;
  EXPECT_EQ(surface->DrawTextAt(u"Measured", 10, 30, 4, 0x00FFFFFF, &box), S_OK);
  EXPECT_EQ(box.top, 30 - static_cast<int>(std::floor((ascent + 0.5) / 2)));
  const tagT_IRECT2D inked = inkedBox(surface.get());
  EXPECT_LT(inked.left, inked.right);
}

TEST(SurfaceTextRulesTest, FontsFailCleanly) {
  testsupport::useFixtureFonts();
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(40, 20, 24, nullptr), S_OK);
  auto& state = *static_cast<Pictrel::SurfaceState*>(surface->GetImpData());
  HFONT before = state.font;
  ASSERT_NE(before, nullptr);
  EXPECT_EQ(surface->SetFont(nullptr, 0, -12), E_INVALIDARG);
  EXPECT_EQ(state.font, before);
  HGDIOBJ held = nullptr;
  EXPECT_EQ(surface->SelectGdiObject(GetStockObject(SYSTEM_FONT), &held), S_OK);
  EXPECT_EQ(held, before);  // the surface font was still selected
  EXPECT_EQ(surface->SelectGdiObject(held, nullptr), S_OK);

  EXPECT_EQ(surface->SetFontEx(u"DejaVu Sans", 1, -12, 6), S_OK);
  LOGFONTW description{};
  GetObjectW(state.font, sizeof description, &description);
  EXPECT_EQ(description.lfWeight, FW_BOLD);
  EXPECT_EQ(description.lfWidth, 6);

  platform::failNextFontCreation();
  EXPECT_EQ(surface->SetFont(u"DejaVu Sans", 0, -12), E_FAIL);
  tagT_IRECT2D rect{0, 0, 39, 19};
  EXPECT_EQ(surface->DrawText(u"x", &rect, 0, 0x00FFFFFF), E_FAIL);
  EXPECT_EQ(surface->DrawTextAt(u"x", 0, 0, 0, 0x00FFFFFF, nullptr), E_FAIL);
  EXPECT_EQ(surface->DrawText(nullptr, &rect, 0, 0), E_INVALIDARG);
  EXPECT_EQ(surface->DrawText(u"x", nullptr, 0, 0), E_INVALIDARG);
}

TEST(SurfaceTextRulesTest, LentDeviceContextKeepsOneRegion) {
  SurfaceHolder empty;
  HDC dc = reinterpret_cast<HDC>(1);
  EXPECT_EQ(empty->GetDC(&dc, false), E_FAIL);
  EXPECT_EQ(dc, nullptr);
  EXPECT_EQ(empty->GetDC(nullptr, false), E_INVALIDARG);

  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(20, 10, 32, nullptr), S_OK);
  ASSERT_EQ(surface->GetDC(&dc, false), S_OK);
  HDC again = nullptr;
  ASSERT_EQ(surface->GetDC(&again, false), S_OK);
  EXPECT_EQ(again, dc);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(dc, region), 1);
  RECT box{};
  GetRgnBox(region, &box);
  EXPECT_EQ(box.right, 19);  // the clip's last column falls outside
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(surface->ReleaseDC(other), E_FAIL);
  DeleteDC(other);
  EXPECT_EQ(surface->ReleaseDC(dc), S_OK);
  EXPECT_EQ(GetClipRgn(dc, region), 0);
  DeleteObject(region);
}

TEST(SurfaceTextRulesTest, WithoutGdiplusThirtyTwoBitTextTakesGdi) {
  testsupport::useFixtureFonts();
  platform::failNextGdiplusStartup();
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(80, 30, 32, nullptr), S_OK);
  tagT_IRECT2D rect{2, 2, 70, 25};
  EXPECT_EQ(surface->DrawText(u"Drawn", &rect, DT_SINGLELINE, 0x00FFFFFF), S_OK);
  const tagT_IRECT2D inked = inkedBox(surface.get());
  EXPECT_LT(inked.left, inked.right);
}

}  // namespace
