// The surface object: factory, reference counting, the pixel sources it
// takes (new DIB sections, adopted HBITMAPs), Destroy and detaching, the
// description of its pixels, the lock and the checksum.
#include "DrawableSurface.h"
#include "SurfaceTables.h"

#include "SurfaceFixture.h"

#include "platform/Gdi.h"
#include "platform/GdiPlus.h"
#include "platform/MulDiv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>

namespace {

using pictrel::testing::SurfaceHolder;

TEST(SurfaceLifecycleTest, FactoryAnswersOnlyTheSurfaceInterface) {
  EXPECT_EQ(pctAllocIntf(&Pictrel::IID_IDrawableDS, nullptr), E_INVALIDARG);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(pctAllocIntf(&IID_IUnknown, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);

  ASSERT_EQ(pctAllocIntf(&Pictrel::IID_IDrawableDS, &out), S_OK);
  auto* surface = static_cast<Pictrel::IDrawableDS*>(out);
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(surface->QueryInterface(IID_IUnknown, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(surface->QueryInterface(Pictrel::IID_IDrawableDS, nullptr), E_INVALIDARG);
  ASSERT_EQ(surface->QueryInterface(Pictrel::IID_IDrawableDS, &other), S_OK);
  EXPECT_EQ(other, surface);
  EXPECT_EQ(surface->Release(), 1u);
  EXPECT_EQ(surface->Release(), 0u);
}

TEST(SurfaceLifecycleTest, EmptySurfaceDescribesNothing) {
  SurfaceHolder surface;
  EXPECT_EQ(surface->GetWidth(), 0);
  EXPECT_EQ(surface->GetHeight(), 0);
  EXPECT_EQ(surface->GetBitsPerPixel(), 0);
  EXPECT_EQ(surface->GetBits(), nullptr);
  EXPECT_EQ(surface->GetScanLine(0), nullptr);
  EXPECT_EQ(surface->GetHBITMAP(), nullptr);
  EXPECT_FALSE(surface->IsBottomUp());
  uint64_t sum = 99;
  EXPECT_EQ(surface->Checksum(&sum), S_OK);
  EXPECT_EQ(sum, 0u);
  EXPECT_EQ(surface->Reserved97(1, 2), E_FAIL);
  EXPECT_EQ(surface->Reserved98(), S_OK);
  EXPECT_EQ(surface->Reserved100(), S_OK);
}

TEST(SurfaceLifecycleTest, TopDownEightBitSurfaceHasAGreyRamp) {
  SurfaceHolder surface;
  ASSERT_EQ(surface->CreateEx(10, -5, 8, 0, nullptr), S_OK);
  EXPECT_EQ(surface->GetWidth(), 10);
  EXPECT_EQ(surface->GetHeight(), 5);
  EXPECT_EQ(surface->GetBitsPerPixel(), 8);
  EXPECT_FALSE(surface->IsBottomUp());
  EXPECT_EQ(surface->GetScanLine(0), surface->GetBits());
  EXPECT_EQ(surface->GetScanLine(4), surface->GetBits() + 4 * 12);
  EXPECT_EQ(surface->GetScanLine(5), nullptr);
  EXPECT_EQ(surface->GetScanLine(-1), nullptr);

  auto& state = *static_cast<Pictrel::SurfaceState*>(surface->GetImpData());
  const RGBQUAD& white = state.info->colors[255];
  const RGBQUAD& black = state.info->colors[0];
  EXPECT_EQ(white.rgbRed + white.rgbGreen + white.rgbBlue, 3 * 255);
  EXPECT_EQ(black.rgbRed + black.rgbGreen + black.rgbBlue, 0);
  EXPECT_EQ(state.info->header.biXPelsPerMeter, 3780);
  EXPECT_EQ(state.stride, 12);
  const tagT_IRECT2D whole{0, 0, 9, 4};
  EXPECT_EQ(std::memcmp(&state.clip(), &whole, sizeof whole), 0);

  // The GDI side sees the same colours through the surface's bitmap.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, surface->GetHBITMAP());
  EXPECT_EQ(previous, nullptr);  // the surface's own DC holds it
  DeleteDC(dc);
}

TEST(SurfaceLifecycleTest, RampsAndMasksFollowTheDepth) {
  struct {
    int bpp;
    int reported;
    uint32_t masks[3];
    bool sixGreen;
  } const rows[] = {
      {15, 16, {0x7C00, 0x03E0, 0x001F}, false},
      {16, 16, {0xF800, 0x07E0, 0x001F}, true},
      {32, 32, {0x00FF0000, 0x0000FF00, 0x000000FF}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.bpp);
    SurfaceHolder surface;
    ASSERT_EQ(surface->Create(3, 2, row.bpp, nullptr), S_OK);
    EXPECT_EQ(surface->GetBitsPerPixel(), row.reported);
    EXPECT_TRUE(surface->IsBottomUp());
    auto& state = *static_cast<Pictrel::SurfaceState*>(surface->GetImpData());
    EXPECT_EQ(state.info->header.biCompression, BI_BITFIELDS);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(state.dib.dsBitfields[i], row.masks[i]);
      EXPECT_EQ(state.info->masks()[i], row.masks[i]);
    }
    EXPECT_EQ(state.greenHasSixBits, row.sixGreen);
    EXPECT_EQ(state.redShift, row.bpp == 32 ? 16 : row.bpp == 16 ? 11 : 10);
    EXPECT_LT(state.stride, 0);
    EXPECT_EQ(surface->GetScanLine(1), surface->GetBits());  // bottom-up: last row first
  }

  for (int bpp : {1, 4}) {
    SCOPED_TRACE(bpp);
    SurfaceHolder surface;
    ASSERT_EQ(surface->Create(3, 2, bpp, nullptr), S_OK);
    auto& state = *static_cast<Pictrel::SurfaceState*>(surface->GetImpData());
    const int last = (1 << bpp) - 1;
    for (int i = 0; i <= last; ++i) EXPECT_EQ(state.info->colors[i].rgbGreen, MulDiv(i, 255, last));
  }

  RGBQUAD given[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(8, 1, 1, given), S_OK);
  auto& state = *static_cast<Pictrel::SurfaceState*>(surface->GetImpData());
  EXPECT_EQ(state.info->colors[1].rgbRed, 6);
}

TEST(SurfaceLifecycleTest, BadSizesAndDepthsLeaveAnEmptySurface) {
  struct {
    int width, height, bpp;
    HRESULT result;
  } const rows[] = {
      {0, 5, 8, E_INVALIDARG},
      {5, 0, 8, E_INVALIDARG},
      {5, 5, 12, E_INVALIDARG},
      {INT32_MIN, 5, 8, E_INVALIDARG},
      {100000, 100000, 32, E_OUTOFMEMORY},  // rows beyond the platform's limit
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.width << " x " << row.height << " @ " << row.bpp);
    SurfaceHolder surface;
    ASSERT_EQ(surface->Create(4, 4, 8, nullptr), S_OK);
    EXPECT_EQ(surface->CreateEx(row.width, row.height, row.bpp, 0, nullptr), row.result);
    EXPECT_EQ(surface->GetBits(), nullptr);
    EXPECT_EQ(surface->GetWidth(), 0);
    EXPECT_EQ(surface->GetHBITMAP(), nullptr);
  }
  SurfaceHolder surface;
  EXPECT_EQ(surface->Create(-3, 2, 24, nullptr), S_OK);  // the width's sign is dropped
  EXPECT_EQ(surface->GetWidth(), 3);
  EXPECT_EQ(surface->Create(3, 2, 0, nullptr), S_OK);  // the screen's depth
  EXPECT_EQ(surface->GetBitsPerPixel(), 32);
}

TEST(SurfaceLifecycleTest, DetachedBitmapOutlivesTheSurface) {
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(4, 4, 24, nullptr), S_OK);
  surface->GetBits()[0] = 0x5A;
  HBITMAP bitmap = surface->DetachHBITMAP();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(surface->GetBits(), nullptr);
  EXPECT_EQ(surface->GetHBITMAP(), nullptr);
  DIBSECTION dib{};
  ASSERT_EQ(GetObjectW(bitmap, sizeof dib, &dib), static_cast<int>(sizeof dib));
  EXPECT_EQ(static_cast<BYTE*>(dib.dsBm.bmBits)[0], 0x5A);
  EXPECT_TRUE(DeleteObject(bitmap));  // no DC holds it any more
}

BITMAPINFO* infoOf(BITMAPINFOHEADER& header) { return reinterpret_cast<BITMAPINFO*>(&header); }

TEST(SurfaceLifecycleTest, AttachedSectionsAreAdoptedWithTheirTablesAndMasks) {
  // A 32-bpp section without masks gets the default ones.
  BITMAPINFOHEADER header{sizeof header, 2, -3, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HBITMAP plain = CreateDIBSection(nullptr, infoOf(header), DIB_RGB_COLORS, nullptr, nullptr, 0);
  SurfaceHolder surface;
  ASSERT_EQ(surface->AttachDIB(plain, nullptr), S_OK);
  EXPECT_EQ(surface->GetHBITMAP(), plain);
  EXPECT_FALSE(surface->IsBottomUp());
  EXPECT_EQ(surface->GetHeight(), 3);
  auto& state = *static_cast<Pictrel::SurfaceState*>(surface->GetImpData());
  EXPECT_EQ(state.dib.dsBitfields[0], 0x00FF0000u);
  EXPECT_EQ(state.info->masks()[2], 0x000000FFu);
  EXPECT_EQ(state.info->header.biCompression, BI_BITFIELDS);
  EXPECT_EQ(surface->AttachDIB(plain, nullptr), S_OK);  // the same bitmap: nothing to do
  EXPECT_EQ(surface->GetHBITMAP(), plain);

  // A 16-bpp section without masks holds 5-5-5 pixels.
  header.biBitCount = 16;
  HBITMAP words = CreateDIBSection(nullptr, infoOf(header), DIB_RGB_COLORS, nullptr, nullptr, 0);
  ASSERT_EQ(surface->AttachDIB(words, nullptr), S_OK);  // the first one is deleted
  EXPECT_EQ(GetObjectW(plain, 0, nullptr), 0);
  EXPECT_EQ(state.dib.dsBitfields[1], 0x03E0u);
  EXPECT_FALSE(state.greenHasSixBits);

  // A palette section brings its colour table.
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[16];
  } paletted{{sizeof(BITMAPINFOHEADER), 5, 2, 1, 4, BI_RGB, 0, 0, 0, 0, 0}, {}};
  paletted.colors[15] = {9, 8, 7, 0};
  HBITMAP indexed = CreateDIBSection(nullptr, infoOf(paletted.header), DIB_RGB_COLORS, nullptr, nullptr, 0);
  ASSERT_EQ(surface->AttachDIB(indexed, nullptr), S_OK);
  EXPECT_EQ(state.info->colors[15].rgbRed, 7);
  EXPECT_TRUE(surface->IsBottomUp());

  // A handle that is no DIB section is refused and the surface left empty.
  EXPECT_EQ(surface->AttachDIB(reinterpret_cast<HBITMAP>(0x12345), nullptr), E_FAIL);
  EXPECT_EQ(surface->GetBits(), nullptr);
  EXPECT_EQ(GetObjectW(indexed, 0, nullptr), 0);  // Destroy deleted the adopted one
  EXPECT_EQ(surface->AttachDIB(nullptr, nullptr), S_OK);
}

TEST(SurfaceLifecycleTest, ChecksumAddsLittleEndianWordsAndTrailingBytes) {
  SurfaceHolder surface;
  ASSERT_EQ(surface->Create(2, 1, 32, nullptr), S_OK);
  const uint32_t words[2] = {1, 2};
  std::memcpy(surface->GetScanLine(0), words, sizeof words);
  uint64_t sum = 0;
  EXPECT_EQ(surface->Checksum(&sum), S_OK);
  EXPECT_EQ(sum, 8589934593u);

  // 3 × 1 at 24 bpp: a 12-byte row is one word and four single bytes.
  ASSERT_EQ(surface->Create(3, 1, 24, nullptr), S_OK);
  BYTE* row = surface->GetScanLine(0);
  for (int i = 0; i < 12; ++i) row[i] = static_cast<BYTE>(0xF0 + i);
  uint64_t word = 0;
  for (int i = 7; i >= 0; --i) word = (word << 8) | row[i];
  EXPECT_EQ(surface->Checksum(&sum), S_OK);
  EXPECT_EQ(sum, word + 0xF8 + 0xF9 + 0xFA + 0xFB);

  // The sum wraps modulo 2^64 and runs over every row.
  ASSERT_EQ(surface->Create(2, 2, 32, nullptr), S_OK);
  std::memset(surface->GetBits(), 0xFF, 16);
  EXPECT_EQ(surface->Checksum(&sum), S_OK);
  EXPECT_EQ(sum, uint64_t{0} - 2);
}

TEST(SurfaceLifecycleTest, LockIsHeldPerThread) {
  SurfaceHolder surface;
  ASSERT_EQ(surface->Lock(true), S_OK);
  HRESULT fromOtherThread = S_OK;
  std::thread([&] { fromOtherThread = surface->Lock(false); }).join();
  EXPECT_EQ(fromOtherThread, S_FALSE);
  EXPECT_EQ(surface->Lock(false), S_OK);  // the owner may enter again
  EXPECT_EQ(surface->Unlock(), S_OK);
  EXPECT_EQ(surface->Unlock(), S_OK);
  std::thread([&] {
    fromOtherThread = surface->Lock(false);
    surface->Unlock();
  }).join();
  EXPECT_EQ(fromOtherThread, S_OK);
}

TEST(SurfaceLifecycleTest, AntiAliasSwitchNeedsAGdiplusToken) {
  SurfaceHolder surface;
  EXPECT_FALSE(surface->IsAntiAliasEnabled());
  EXPECT_EQ(surface->EnableAntiAlias(true), S_OK);
  EXPECT_EQ(surface->EnableAntiAlias(true), S_OK);
  EXPECT_EQ(surface->EnableAntiAlias(false), S_OK);
  EXPECT_TRUE(surface->IsAntiAliasEnabled());
  EXPECT_EQ(surface->EnableAntiAlias(false), S_OK);
  EXPECT_EQ(surface->EnableAntiAlias(false), S_OK);  // no lower bound
  EXPECT_EQ(surface->EnableAntiAlias(true), S_OK);
  EXPECT_FALSE(surface->IsAntiAliasEnabled());

  platform::failNextGdiplusStartup();
  SurfaceHolder withoutGdiplus;
  EXPECT_EQ(withoutGdiplus->EnableAntiAlias(true), E_FAIL);
  EXPECT_FALSE(withoutGdiplus->IsAntiAliasEnabled());
}

TEST(SurfaceLifecycleTest, LookupTablesMatchTheirDefinitions) {
  for (int i = 0; i < 256; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Pictrel::CoverageGammaTable[i], static_cast<int>(255.0 * std::pow(i / 255.0, 0.96)));
    int reversed = 0;
    for (int bit = 0; bit < 8; ++bit)
      if (i & (1 << bit)) reversed |= 0x80 >> bit;
    EXPECT_EQ(Pictrel::BitReverseTable[i], reversed);
  }
}

}  // namespace
