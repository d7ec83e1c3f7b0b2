// GDI text on FreeType faces that fontconfig finds: extents, DrawTextW's
// boxes and the '&' prefix rule.
#include "platform/GdiText.h"

#include "FixtureFonts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A memory DC with a 32-bpp section and a font of the face and weight.
class TextCanvas {
public:
  TextCanvas(const char16_t* face, LONG height, LONG weight = FW_NORMAL, int width = 120, int rows = 40)
      : width_(width), rows_(rows) {
    platform::testing::useFixtureFonts();
    BITMAPINFOHEADER header{sizeof header, width, -rows, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    bitmap_ = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits_, nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    previousBitmap_ = SelectObject(dc_, bitmap_);
    LOGFONTW description{};
    description.lfHeight = height;
    description.lfWeight = weight;
    std::memcpy(description.lfFaceName, face, (std::char_traits<char16_t>::length(face) + 1) * 2);
    font_ = CreateFontIndirectW(&description);
    previousFont_ = SelectObject(dc_, font_);
    SetTextColor(dc_, 0x00FFFFFF);
    SetBkMode(dc_, TRANSPARENT);
  }
  ~TextCanvas() {
    SelectObject(dc_, previousFont_);
    SelectObject(dc_, previousBitmap_);
    DeleteObject(font_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  SIZE extent(const std::u16string& text) const {
    SIZE size{-1, -1};
    EXPECT_TRUE(GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size));
    return size;
  }
  // The box of the pixels that are not black, right and bottom exclusive;
  // empty when nothing was drawn.
  RECT inked() const {
    RECT box{width_, rows_, 0, 0};
    const auto* pixels = static_cast<const uint32_t*>(bits_);
    for (int y = 0; y < rows_; ++y)
      for (int x = 0; x < width_; ++x)
        if (pixels[y * width_ + x] != 0)
          box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                 std::max<LONG>(box.bottom, y + 1)};
    return box;
  }
  std::vector<uint32_t> pixels() const {
    const auto* p = static_cast<const uint32_t*>(bits_);
    return std::vector<uint32_t>(p, p + width_ * rows_);
  }
  void clear() { std::memset(bits_, 0, static_cast<size_t>(width_) * rows_ * 4); }

private:
  int width_;
  int rows_;
  void* bits_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ previousBitmap_ = nullptr;
  HGDIOBJ previousFont_ = nullptr;
};

TEST(GdiTextTest, ExtentsAddUpAndEmptyTextHasNoWidth) {
  TextCanvas mono(u"DejaVu Sans Mono", -12);
  EXPECT_EQ(mono.extent(u"").cx, 0);
  EXPECT_GT(mono.extent(u"").cy, 10);
  const SIZE one = mono.extent(u"i");
  EXPECT_GT(one.cx, 0);
  EXPECT_EQ(mono.extent(u"iiii").cx, 4 * one.cx);
  EXPECT_EQ(mono.extent(u"WWWW").cx, 4 * one.cx);  // every glyph of a mono face as wide

  TextCanvas regular(u"DejaVu Sans", -14);
  TextCanvas bold(u"DejaVu Sans", -14, FW_BOLD);
  EXPECT_GT(bold.extent(u"Hello world").cx, regular.extent(u"Hello world").cx);
  TextCanvas tahoma(u"Tahoma", -14);  // resolves to DejaVu Sans
  EXPECT_EQ(tahoma.extent(u"Hello world").cx, regular.extent(u"Hello world").cx);
  TextCanvas cell(u"DejaVu Sans", 20);  // a positive height is the cell
  EXPECT_EQ(cell.extent(u"x").cy, 20);
}

TEST(GdiTextTest, CalculatedBoxHoldsWhatIsDrawn) {
  TextCanvas canvas(u"DejaVu Sans", -13, FW_NORMAL, 200, 60);
  RECT box{10, 5, 10, 5};
  const int height = DrawTextW(canvas.dc(), u"Two words\nand more", -1, &box, DT_CALCRECT);
  EXPECT_EQ(height, box.bottom - box.top);
  EXPECT_EQ(height, 2 * canvas.extent(u"x").cy);
  EXPECT_EQ(box.right - box.left, canvas.extent(u"Two words").cx);
  EXPECT_EQ(canvas.inked().right, 0);  // measuring draws nothing
  RECT target = box;
  EXPECT_EQ(DrawTextW(canvas.dc(), u"Two words\nand more", -1, &target, DT_LEFT), height);
  const RECT inked = canvas.inked();
  EXPECT_GE(inked.left, box.left);
  EXPECT_GE(inked.top, box.top);
  EXPECT_LE(inked.right, box.right);
  EXPECT_LE(inked.bottom, box.bottom);
  EXPECT_GT(inked.right - inked.left, (box.right - box.left) / 2);

  // Word breaks at the rectangle's width.
  RECT narrow{0, 0, canvas.extent(u"Two words").cx - 1, 0};
  EXPECT_EQ(DrawTextW(canvas.dc(), u"Two words", -1, &narrow, DT_CALCRECT | DT_WORDBREAK), 2 * canvas.extent(u"x").cy);
}

TEST(GdiTextTest, PrefixesShowOneAmpersandAndUnderline) {
  TextCanvas canvas(u"DejaVu Sans", -13);
  struct {
    const char16_t* text;
    UINT format;
    const char16_t* shown;
  } const rows[] = {
      {u"a&&b", 0, u"a&b"},
      {u"&File", 0, u"File"},
      {u"&File", DT_NOPREFIX, u"&File"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.format);
    RECT box{0, 0, 0, 0};
    DrawTextW(canvas.dc(), row.text, -1, &box, DT_CALCRECT | DT_SINGLELINE | row.format);
    EXPECT_EQ(box.right, canvas.extent(row.shown).cx);
  }
  RECT place{0, 0, 120, 40};
  DrawTextW(canvas.dc(), u"File", -1, &place, DT_SINGLELINE);
  const std::vector<uint32_t> plain = canvas.pixels();
  canvas.clear();
  DrawTextW(canvas.dc(), u"&File", -1, &place, DT_SINGLELINE);
  EXPECT_NE(canvas.pixels(), plain);  // the F is underlined
  EXPECT_GT(canvas.inked().bottom, 0);
}

TEST(GdiTextTest, DrawingStaysInsideTheRectangleAndTheClipRegion) {
  TextCanvas canvas(u"DejaVu Sans", -20);
  RECT rect{5, 5, 40, 20};
  DrawTextW(canvas.dc(), u"Clipped text", -1, &rect, DT_SINGLELINE);
  RECT inked = canvas.inked();
  EXPECT_GE(inked.left, 5);
  EXPECT_LE(inked.right, 40);
  EXPECT_LE(inked.bottom, 20);
  canvas.clear();
  HRGN region = CreateRectRgn(0, 0, 30, 40);
  SelectClipRgn(canvas.dc(), region);
  RECT wide{0, 0, 120, 40};
  DrawTextW(canvas.dc(), u"Clipped text", -1, &wide, DT_NOCLIP);
  EXPECT_LE(canvas.inked().right, 30);
  SelectClipRgn(canvas.dc(), nullptr);
  DeleteObject(region);
}

}  // namespace
