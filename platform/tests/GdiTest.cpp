// The in-memory GDI objects: DIB sections of every depth, memory DCs and
// their selections, palettes, regions, fonts and the GDI+ start-up.
#include "platform/Gdi.h"
#include "platform/GdiPlus.h"
#include "platform/GdiPlusGraphics.h"

#include "platform/FileMapping.h"
#include "platform/Files.h"
#include "platform/PixelFormat.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A BITMAPINFO with room for the masks and 256 colours.
struct InfoBlock {
  BITMAPINFOHEADER header;
  uint32_t tail[256 + 3];

  BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(this); }
};

struct DibCase {
  const char* name;
  int bitsPerPixel;
  DWORD compression;
  uint32_t masks[3];
  int stride;  // bytes per row at width 5
};

const DibCase kDibCases[] = {
    {"1 bpp", 1, BI_RGB, {}, 4},
    {"4 bpp", 4, BI_RGB, {}, 4},
    {"8 bpp", 8, BI_RGB, {}, 8},
    {"15 bpp as 16", 16, BI_BITFIELDS, {0x7C00, 0x03E0, 0x001F}, 12},
    {"16 bpp", 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 12},
    {"24 bpp", 24, BI_RGB, {}, 16},
    {"32 bpp", 32, BI_BITFIELDS, {0x00FF0000, 0x0000FF00, 0x000000FF}, 20},
};

InfoBlock makeInfo(const DibCase& row, int width, int height) {
  InfoBlock block{};
  block.header = {
      sizeof(BITMAPINFOHEADER), width, height, 1, static_cast<WORD>(row.bitsPerPixel), row.compression, 0, 0, 0, 0, 0};
  if (row.compression == BI_BITFIELDS) {
    std::memcpy(block.tail, row.masks, sizeof row.masks);
  } else if (row.bitsPerPixel <= 8) {
    for (uint32_t i = 0; i < (1u << row.bitsPerPixel); ++i) block.tail[i] = 0x00010203u * i;
  }
  return block;
}

TEST(GdiTest, DibSectionsOfEveryDepthDescribeThemselves) {
  for (const DibCase& row : kDibCases) {
    for (int height : {3, -3}) {
      SCOPED_TRACE(testing::Message() << row.name << ", height " << height);
      InfoBlock block = makeInfo(row, 5, height);
      void* bits = nullptr;
      HBITMAP bitmap = CreateDIBSection(nullptr, block.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
      ASSERT_NE(bitmap, nullptr);
      ASSERT_NE(bits, nullptr);
      const std::vector<BYTE> zero(static_cast<size_t>(row.stride) * 3, 0);
      EXPECT_EQ(std::memcmp(bits, zero.data(), zero.size()), 0);

      DIBSECTION section{};
      ASSERT_EQ(GetObjectW(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
      EXPECT_EQ(section.dsBm.bmWidth, 5);
      EXPECT_EQ(section.dsBm.bmHeight, 3);
      EXPECT_EQ(section.dsBmih.biHeight, height);
      EXPECT_EQ(section.dsBm.bmWidthBytes, row.stride);
      EXPECT_EQ(section.dsBm.bmBitsPixel, row.bitsPerPixel);
      EXPECT_EQ(section.dsBm.bmBits, bits);
      EXPECT_EQ(section.dsBmih.biSizeImage, static_cast<DWORD>(row.stride * 3));
      EXPECT_EQ(section.dsBmih.biCompression, row.compression);
      for (int i = 0; i < 3; ++i) EXPECT_EQ(section.dsBitfields[i], row.masks[i]);
      BITMAP plain{};
      EXPECT_EQ(GetObjectW(bitmap, sizeof plain, &plain), static_cast<int>(sizeof plain));
      EXPECT_EQ(plain.bmBits, bits);

      HDC dc = CreateCompatibleDC(nullptr);
      ASSERT_NE(SelectObject(dc, bitmap), nullptr);
      RGBQUAD colors[256];
      const UINT count = GetDIBColorTable(dc, 0, 256, colors);
      if (row.bitsPerPixel <= 8) {
        ASSERT_EQ(count, 1u << row.bitsPerPixel);
        uint32_t last = 0;
        std::memcpy(&last, &colors[count - 1], 4);
        EXPECT_EQ(last, 0x00010203u * (count - 1));
      } else {
        EXPECT_EQ(count, 0u);
      }
      EXPECT_TRUE(DeleteDC(dc));
      EXPECT_TRUE(DeleteObject(bitmap));
    }
  }
}

TEST(GdiTest, BadOrOversizedHeadersMakeNoSection) {
  const DibCase& eight = kDibCases[2];
  struct Damage {
    const char* name;
    void (*apply)(InfoBlock&);
  };
  const Damage damages[] = {
      {"zero width", [](InfoBlock& b) { b.header.biWidth = 0; }},
      {"zero height", [](InfoBlock& b) { b.header.biHeight = 0; }},
      {"depth 12", [](InfoBlock& b) { b.header.biBitCount = 12; }},
      {"run-length", [](InfoBlock& b) { b.header.biCompression = BI_RLE8; }},
      {"short header", [](InfoBlock& b) { b.header.biSize = 12; }},
      {"rows beyond the limit", [](InfoBlock& b) { b.header.biWidth = b.header.biHeight = 100000; }},
      {"row beyond 32 bits", [](InfoBlock& b) { b.header.biWidth = 0x7FFFFFFF; }},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.name);
    InfoBlock block = makeInfo(eight, 4, 4);
    damage.apply(block);
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDIBSection(nullptr, block.info(), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
  }
}

TEST(GdiTest, SectionOnAFileMappingSharesTheFileBytes) {
  platform::testing::ScratchRoot root;
  const std::string content(4096 + 64, '\x11');
  const std::u16string name = root.writeFile("pixels.bin", content);
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
  ASSERT_NE(mapping, nullptr);

  InfoBlock block = makeInfo(kDibCases[2], 4, 2);  // 8 bytes of pixels
  void* bits = nullptr;
  const DWORD offset = 4096 + 8;  // past a page, so the view must be re-aligned
  HBITMAP bitmap = CreateDIBSection(nullptr, block.info(), DIB_RGB_COLORS, &bits, mapping, offset);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(static_cast<BYTE*>(bits)[0], 0x11);
  std::memset(bits, 0x7E, 8);
  DIBSECTION section{};
  GetObjectW(bitmap, sizeof section, &section);
  EXPECT_EQ(section.dshSection, mapping);
  EXPECT_EQ(section.dsOffset, offset);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_TRUE(CloseHandle(file));

  const std::string after = root.readFile("pixels.bin");
  EXPECT_EQ(after.substr(offset - 1, 10), std::string("\x11") + std::string(8, '\x7E') + "\x11");

  // A mapping too short for the rows, and an offset that is not a multiple
  // of 4, give no section.
  file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
  mapping = CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
  EXPECT_EQ(
      CreateDIBSection(nullptr, block.info(), DIB_RGB_COLORS, &bits, mapping, static_cast<DWORD>(content.size()) - 4),
      nullptr);
  EXPECT_EQ(CreateDIBSection(nullptr, block.info(), DIB_RGB_COLORS, &bits, mapping, 2), nullptr);
  CloseHandle(mapping);
  CloseHandle(file);
}

TEST(GdiTest, SelectionsAnswerThePreviousObjectAndGuardDeletion) {
  InfoBlock block = makeInfo(kDibCases[5], 2, 2);
  HBITMAP first = CreateDIBSection(nullptr, block.info(), DIB_RGB_COLORS, nullptr, nullptr, 0);
  HBITMAP second = CreateDIBSection(nullptr, block.info(), DIB_RGB_COLORS, nullptr, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HDC other = CreateCompatibleDC(dc);
  ASSERT_NE(dc, nullptr);

  HGDIOBJ stock = SelectObject(dc, first);
  ASSERT_NE(stock, nullptr);
  EXPECT_EQ(SelectObject(other, first), nullptr);  // one DC at a time
  EXPECT_FALSE(DeleteObject(first));               // still selected
  EXPECT_EQ(SelectObject(dc, second), first);
  EXPECT_TRUE(DeleteObject(first));
  EXPECT_FALSE(DeleteObject(first));  // a handle once deleted stays dead
  EXPECT_EQ(SelectObject(dc, stock), second);
  EXPECT_TRUE(DeleteObject(second));

  LOGFONTW description{};
  description.lfHeight = -11;
  description.lfWeight = FW_NORMAL;
  std::memcpy(description.lfFaceName, u"Tahoma", sizeof u"Tahoma");
  HFONT font = CreateFontIndirectW(&description);
  HGDIOBJ systemFont = SelectObject(dc, font);
  EXPECT_NE(systemFont, nullptr);
  EXPECT_FALSE(DeleteObject(font));
  LOGFONTW back{};
  EXPECT_EQ(GetObjectW(font, sizeof back, &back), 92);
  EXPECT_EQ(std::memcmp(&back, &description, sizeof back), 0);
  LOGFONTA narrow{};
  EXPECT_EQ(GetObjectA(font, sizeof narrow, &narrow), 60);
  EXPECT_STREQ(narrow.lfFaceName, "Tahoma");
  EXPECT_EQ(narrow.lfHeight, -11);
  EXPECT_EQ(SelectObject(dc, systemFont), font);
  EXPECT_TRUE(DeleteObject(font));

  EXPECT_FALSE(DeleteObject(dc));  // a DC goes with DeleteDC
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_EQ(SelectObject(dc, font), nullptr);
}

TEST(GdiTest, PalettesSelectRealiseAndTheStockOneSurvives) {
  HGDIOBJ stock = GetStockObject(DEFAULT_PALETTE);
  ASSERT_NE(stock, nullptr);
  EXPECT_EQ(GetPaletteEntries(static_cast<HPALETTE>(stock), 0, 0, nullptr), 20u);
  EXPECT_TRUE(DeleteObject(stock));
  EXPECT_EQ(GetStockObject(DEFAULT_PALETTE), stock);
  WORD count = 0;
  EXPECT_EQ(GetObjectW(stock, sizeof count, &count), 2);
  EXPECT_EQ(count, 20);

  struct {
    LOGPALETTE head;
    PALETTEENTRY more[1];
  } logical{{0x300, 2, {{1, 2, 3, PC_NOCOLLAPSE}}}, {{4, 5, 6, PC_NOCOLLAPSE}}};
  HPALETTE palette = CreatePalette(&logical.head);
  ASSERT_NE(palette, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectPalette(dc, palette, FALSE), stock);
  EXPECT_EQ(RealizePalette(dc), 2u);
  EXPECT_FALSE(DeleteObject(palette));
  EXPECT_EQ(SelectPalette(dc, static_cast<HPALETTE>(stock), FALSE), palette);
  PALETTEENTRY entries[2];
  EXPECT_EQ(GetPaletteEntries(palette, 1, 5, entries), 1u);
  EXPECT_EQ(entries[0].peBlue, 6);
  EXPECT_TRUE(DeleteObject(palette));
  EXPECT_TRUE(DeleteDC(dc));

  logical.head.palVersion = 0x200;
  EXPECT_EQ(CreatePalette(&logical.head), nullptr);
}

TEST(GdiTest, RegionsExcludeTheirRightAndBottomEdges) {
  HRGN region = CreateRectRgn(5, 6, 1, 2);  // corners in any order
  RECT box{};
  EXPECT_EQ(GetRgnBox(region, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 1);
  EXPECT_EQ(box.bottom, 6);
  struct {
    int x, y;
    BOOL inside;
  } const points[] = {{1, 2, TRUE}, {4, 5, TRUE}, {5, 3, FALSE}, {3, 6, FALSE}, {0, 3, FALSE}};
  for (const auto& point : points) {
    SCOPED_TRACE(testing::Message() << point.x << "," << point.y);
    EXPECT_EQ(PtInRegion(region, point.x, point.y), point.inside);
  }
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectClipRgn(dc, region), SIMPLEREGION);
  EXPECT_TRUE(DeleteObject(region));  // the DC keeps a copy
  EXPECT_EQ(SelectClipRgn(dc, nullptr), SIMPLEREGION);
  HRGN empty = CreateRectRgn(3, 3, 3, 9);
  EXPECT_EQ(reinterpret_cast<intptr_t>(SelectObject(dc, empty)), NULLREGION);
  EXPECT_TRUE(DeleteObject(empty));
  EXPECT_TRUE(DeleteDC(dc));
}

TEST(GdiTest, ScreenDeviceAnswersItsSettings) {
  HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(screen, TECHNOLOGY), DT_RASDISPLAY);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
  platform::setScreenBitsPerPixel(16);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 16);
  platform::setScreenBitsPerPixel(32);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 0);
}

TEST(GdiTest, GdiplusStartupCountsTokensAndCanBeMadeToFail) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR first = 0;
  ULONG_PTR second = 0;
  ASSERT_EQ(GdiplusStartup(&first, &input, nullptr), Gdiplus::Status::Ok);
  ASSERT_EQ(GdiplusStartup(&second, &input, nullptr), Gdiplus::Status::Ok);
  EXPECT_NE(first, 0u);
  EXPECT_NE(first, second);
  GdiplusShutdown(first);
  EXPECT_TRUE(platform::isGdiplusStarted());
  GdiplusShutdown(second);
  EXPECT_FALSE(platform::isGdiplusStarted());

  platform::failNextGdiplusStartup();
  ULONG_PTR failed = 99;
  EXPECT_NE(GdiplusStartup(&failed, &input, nullptr), Gdiplus::Status::Ok);
  EXPECT_EQ(failed, 0u);
  ULONG_PTR again = 0;
  EXPECT_EQ(GdiplusStartup(&again, &input, nullptr), Gdiplus::Status::Ok);  // only once
  GdiplusShutdown(again);
}

TEST(GdiTest, PixelFormatsRoundTripEveryDepth) {
  struct {
    int bitsPerPixel;
    uint32_t masks[3];
    uint32_t pixel;
    COLORREF color;
  } const rows[] = {
      {16, {0x7C00, 0x03E0, 0x001F}, 0x7C00 | (0x10 << 5) | 0x01, RGB(0xF8, 0x80, 0x08)},
      {16, {0xF800, 0x07E0, 0x001F}, 0xF800 | (0x21 << 5) | 0x01, RGB(0xF8, 0x84, 0x08)},
      {24, {}, 0x00332211, RGB(0x33, 0x22, 0x11)},
      {32, {}, 0x00AABBCC, RGB(0xAA, 0xBB, 0xCC)},
      {32, {0x000000FF, 0x0000FF00, 0x00FF0000}, 0x00AABBCC, RGB(0xCC, 0xBB, 0xAA)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.bitsPerPixel << " bpp, pixel " << row.pixel);
    const auto format = platform::PixelFormat::of(row.bitsPerPixel, row.masks[0], row.masks[1], row.masks[2]);
    EXPECT_EQ(format.toColor(row.pixel), row.color);
    EXPECT_EQ(format.fromColor(row.color), row.pixel);
  }
  // Writing one pixel of a row leaves its neighbours, at every depth.
  for (int depth : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(testing::Message() << depth << " bpp");
    BYTE row[16];
    std::memset(row, 0xFF, sizeof row);
    const uint32_t value = depth == 32 ? 0x12345678u : (depth == 1 ? 0u : 0x5u);
    platform::writePixel(row, 1, depth, value);
    EXPECT_EQ(platform::readPixel(row, 1, depth), value);
    const uint32_t full = depth == 32 ? 0xFFFFFFFFu : (1u << depth) - 1;
    EXPECT_EQ(platform::readPixel(row, 0, depth), full);
    EXPECT_EQ(platform::readPixel(row, 2, depth), full);
  }
}

TEST(GdiTest, GdiplusFiguresDrawOnlyIntoTheSectionAndItsClip) {
  HDC dc = CreateCompatibleDC(nullptr);
  {
    Gdiplus::Graphics withoutSection(dc);
    EXPECT_EQ(withoutSection.GetLastStatus(), Gdiplus::Status::WrongState);
    Gdiplus::Pen pen(0xFFFFFFFF, 3.0f);
    EXPECT_EQ(withoutSection.DrawLineI(&pen, 0, 0, 9, 9), Gdiplus::Status::WrongState);
  }
  for (const DibCase& row : kDibCases) {
    if (row.bitsPerPixel < 16) continue;
    SCOPED_TRACE(row.name);
    InfoBlock block = makeInfo(row, 20, 16);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, block.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    const size_t bytes = static_cast<size_t>(platform::dibRowBytes(20, row.bitsPerPixel)) * 16;
    // A pattern every format holds exactly, so a round trip through the
    // 32-bit scratch copy would show as a change.
    for (size_t i = 0; i < bytes; ++i) static_cast<BYTE*>(bits)[i] = static_cast<BYTE>(i * 37);
    const std::vector<BYTE> before(static_cast<BYTE*>(bits), static_cast<BYTE*>(bits) + bytes);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    HRGN clip = CreateRectRgn(4, 4, 12, 10);
    SelectClipRgn(dc, clip);
    {
      Gdiplus::Graphics graphics(dc);
      graphics.SetSmoothingMode(Gdiplus::SmoothingMode::AntiAlias);
      Gdiplus::Pen pen(0xFF102030, 5.0f);
      EXPECT_EQ(graphics.DrawLineI(&pen, 0, 0, 19, 15), Gdiplus::Status::Ok);
      Gdiplus::SolidBrush brush(0xFF405060);
      EXPECT_EQ(graphics.FillEllipseI(&brush, 2, 2, 12, 12), Gdiplus::Status::Ok);
    }
    int changedInside = 0;
    for (int y = 0; y < 16; ++y) {
      const int stored = y;  // bottom-up: stored row y is picture row 15 − y
      const int pictureY = 15 - stored;
      const size_t rowStart = static_cast<size_t>(stored) * platform::dibRowBytes(20, row.bitsPerPixel);
      for (int x = 0; x < 20; ++x) {
        const uint32_t now = platform::readPixel(static_cast<BYTE*>(bits) + rowStart, x, row.bitsPerPixel);
        const uint32_t was = platform::readPixel(before.data() + rowStart, x, row.bitsPerPixel);
        const bool inside = x >= 4 && x < 12 && pictureY >= 4 && pictureY < 10;
        if (!inside) {
          EXPECT_EQ(now, was) << x << "," << pictureY;
        } else if (now != was) {
          ++changedInside;
        }
      }
    }
    EXPECT_GT(changedInside, 20);
    SelectObject(dc, previous);
    DeleteObject(clip);
    DeleteObject(bitmap);
  }
  DeleteDC(dc);
}

}  // namespace
