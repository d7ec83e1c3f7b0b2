// Transfers between surfaces, and drawing against a depth buffer and with
// a texture.
#include "DrawableSurface.h"
#include "SurfaceDrawing.h"

#include "SurfaceFixture.h"

#include "platform/GdiTypes.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <tuple>
#include <vector>

namespace {

using pictrel::testing::SurfaceHolder;

COLORREF pixelAt(Pictrel::IDrawableDS* surface, int x, int y) {
  COLORREF color = 0;
  surface->GetPixel(x, y, &color);
  return color;
}

TEST(SurfaceTransfersTest, CopiesAnswerTheirCodes) {
  SurfaceHolder source;
  SurfaceHolder target;
  ASSERT_EQ(source->Create(4, 4, 24, nullptr), S_OK);
  ASSERT_EQ(target->Create(6, 6, 24, nullptr), S_OK);
  EXPECT_EQ(source->CopyTo(nullptr, nullptr, 0, 0), E_INVALIDARG);
  EXPECT_EQ(source->CopyTo(source.get(), nullptr, 0, 0), E_FAIL);
  const tagT_IRECT2D leftOfIt{-9, 0, -5, 3};
  EXPECT_EQ(source->CopyTo(target.get(), &leftOfIt, 0, 0), S_FALSE);
  EXPECT_EQ(source->CopyTo(target.get(), nullptr, 6, 0), S_FALSE);
  SurfaceHolder other;
  ASSERT_EQ(other->Create(4, 4, 32, nullptr), S_OK);
  EXPECT_EQ(source->CopyTo(other.get(), nullptr, 0, 0), E_FAIL);
  SurfaceHolder tall;
  ASSERT_EQ(tall->Create(4, 5, 24, nullptr), S_OK);
  EXPECT_EQ(source->TransferAllTo(tall.get(), 0), E_INVALIDARG);
  EXPECT_EQ(source->TransferAllTo(nullptr, 0), E_INVALIDARG);
}

TEST(SurfaceTransfersTest, CopyPlacesTheRectangleAndStaysInsideTheTarget) {
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bpp);
    SurfaceHolder source;
    SurfaceHolder target;
    ASSERT_EQ(source->Create(5, 4, bpp, nullptr), S_OK);
    ASSERT_EQ(target->Create(6, 3, bpp, nullptr), S_OK);
    const DWORD ink = bpp <= 8 ? 1 : 0x00FFFFFF;
    source->SetPixel(1, 1, ink);
    source->SetPixel(4, 3, ink);
    // A target clip larger than the target must not let the copy out.
    const tagT_IRECT2D huge{-20, -20, 40, 40};
    target->SetClipRect(&huge);
    const tagT_IRECT2D area{4, 3, 1, 1};  // given corner to corner, either order
    EXPECT_EQ(source->CopyTo(target.get(), &area, 3, 1), S_OK);
    target->SetClipRect(nullptr);
    const COLORREF inked = pixelAt(source.get(), 1, 1);
    EXPECT_EQ(pixelAt(target.get(), 3, 1), inked);
    EXPECT_EQ(pixelAt(target.get(), 2, 1), pixelAt(target.get(), 0, 0));
    EXPECT_EQ(source->CopyTo(target.get(), nullptr, -1, -1), S_OK);
    EXPECT_EQ(pixelAt(target.get(), 0, 0), inked);
  }
}

TEST(SurfaceTransfersTest, AlphaSourcesBlendOntoTwentyFourAndThirtyTwoBits) {
  for (int targetBpp : {24, 32}) {
    SCOPED_TRACE(targetBpp);
    SurfaceHolder source;
    SurfaceHolder target;
    ASSERT_EQ(source->Create(3, 1, 32, nullptr), S_OK);
    ASSERT_EQ(target->Create(3, 1, targetBpp, nullptr), S_OK);
    target->Clear(RGB(10, 20, 30));
    source->SetPixel(0, 0, 0x00FFFFFF);  // alpha 0: skipped
    source->SetPixel(1, 0, 0xFF102030);  // alpha 255
    source->SetPixel(2, 0, 0x80306090);  // alpha 128
    EXPECT_EQ(source->TransferTo(target.get(), nullptr, 0, 0, 0), S_OK);
    EXPECT_EQ(pixelAt(target.get(), 0, 0) & 0x00FFFFFF, RGB(10, 20, 30));
    EXPECT_EQ(pixelAt(target.get(), 1, 0) & 0x00FFFFFF, RGB(0x30 * 255 >> 8, 0x20 * 255 >> 8, 0x10 * 255 >> 8));
    EXPECT_EQ(pixelAt(target.get(), 2, 0) & 0x00FFFFFF,
              RGB((128 * 0x90 + 127 * 10) >> 8, (128 * 0x60 + 127 * 20) >> 8, (128 * 0x30 + 127 * 30) >> 8));
    // The key's bit 31 blends the grey mean.
    target->Clear(0);
    EXPECT_EQ(source->TransferTo(target.get(), nullptr, 0, 0, 0x80000000u), S_OK);
    const uint32_t mean = (0x10 + 0x20 + 0x30) / 3;
    EXPECT_EQ(pixelAt(target.get(), 1, 0) & 0x00FFFFFF, RGB(mean * 255 >> 8, mean * 255 >> 8, mean * 255 >> 8));
  }
  SurfaceHolder source;
  SurfaceHolder target;
  ASSERT_EQ(source->Create(2, 2, 32, nullptr), S_OK);
  ASSERT_EQ(target->Create(2, 2, 32, nullptr), S_OK);
  EXPECT_EQ(source->TransferAllTo(target.get(), 0), S_OK);  // nothing for 32 bpp
  SurfaceHolder words;
  ASSERT_EQ(words->Create(2, 2, 16, nullptr), S_OK);
  EXPECT_EQ(source->TransferTo(words.get(), nullptr, 0, 0, 0), E_FAIL);
}

TEST(SurfaceTransfersTest, BlendsWriteEachChannelWhereTheTargetsMasksSay) {
  // A 32-bpp section that keeps red in its lowest byte.
  struct {
    BITMAPINFOHEADER header;
    DWORD masks[3];
  } info{{sizeof(BITMAPINFOHEADER), 1, -1, 1, 32, BI_BITFIELDS, 0, 0, 0, 0, 0}, {0x000000FF, 0x0000FF00, 0x00FF0000}};
  HBITMAP section =
      CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, nullptr, nullptr, 0);
  ASSERT_NE(section, nullptr);
  SurfaceHolder target;
  ASSERT_EQ(target->AttachDIB(section, nullptr), S_OK);
  SurfaceHolder source;
  ASSERT_EQ(source->Create(1, 1, 32, nullptr), S_OK);
  source->SetPixel(0, 0, 0xFF0000FF);  // opaque red
  ASSERT_EQ(source->TransferTo(target.get(), nullptr, 0, 0, 0), S_OK);
  uint32_t pixel = 0;
  std::memcpy(&pixel, target->GetScanLine(0), 4);
  EXPECT_EQ(pixel, 0x000000FEu);  // red in the red byte, 255 * 255 >> 8
  EXPECT_EQ(pixelAt(target.get(), 0, 0) & 0x00FFFFFF, RGB(0xFE, 0, 0));
}

TEST(SurfaceTransfersTest, ColourKeysSkipExactlyTheKeyedPixels) {
  constexpr COLORREF kMagenta = 0x00FF00FF;
  for (int bpp : {16, 24}) {
    SCOPED_TRACE(bpp);
    SurfaceHolder source;
    SurfaceHolder target;
    ASSERT_EQ(source->Create(4, 1, bpp, nullptr), S_OK);
    ASSERT_EQ(target->Create(4, 1, bpp, nullptr), S_OK);
    const COLORREF colors[4] = {kMagenta, RGB(0xF8, 0, 0xF0), kMagenta, RGB(8, 0x80, 8)};
    for (int x = 0; x < 4; ++x) source->SetPixel(x, 0, colors[x]);
    target->Clear(RGB(0, 0x40, 0));
    EXPECT_EQ(source->TransferTo(target.get(), nullptr, 0, 0, kMagenta), S_OK);
    EXPECT_EQ(pixelAt(target.get(), 0, 0), pixelAt(target.get(), 2, 0));
    EXPECT_EQ(pixelAt(target.get(), 0, 0), RGB(0, 0x40, 0));
    EXPECT_EQ(pixelAt(target.get(), 1, 0), pixelAt(source.get(), 1, 0));
    EXPECT_EQ(pixelAt(target.get(), 3, 0), pixelAt(source.get(), 3, 0));
    target->Clear(0);
    EXPECT_EQ(source->TransferAllTo(target.get(), kMagenta), S_OK);
    EXPECT_EQ(pixelAt(target.get(), 0, 0), 0u);
    EXPECT_EQ(pixelAt(target.get(), 3, 0), pixelAt(source.get(), 3, 0));
  }
  SurfaceHolder source;
  SurfaceHolder target;
  ASSERT_EQ(source->Create(2, 1, 8, nullptr), S_OK);
  ASSERT_EQ(target->Create(2, 1, 8, nullptr), S_OK);
  source->Clear(0x00FFFFFF);
  EXPECT_EQ(source->TransferTo(target.get(), nullptr, 0, 0, kMagenta), S_OK);
  EXPECT_EQ(pixelAt(target.get(), 0, 0), 0u);  // palette depths copy nothing
}

TEST(SurfaceTransfersTest, TilesStepBySourceSizeAndRestoreTheClip) {
  SurfaceHolder source;
  SurfaceHolder target;
  ASSERT_EQ(source->Create(3, 3, 24, nullptr), S_OK);
  ASSERT_EQ(target->Create(12, 12, 24, nullptr), S_OK);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) source->SetPixel(x, y, RGB(10 + x, 20 + y, 30));
  const tagT_IRECT2D targetClip{0, 0, 11, 11};
  target->SetClipRect(&targetClip);
  const tagT_IRECT2D area{0, 0, 9, 9};
  EXPECT_EQ(source->TileTo(target.get(), nullptr, &area, 0x00FF00FF), S_OK);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      const COLORREF expected = x <= 9 && y <= 9 ? RGB(10 + x % 3, 20 + y % 3, 30) : 0;
      ASSERT_EQ(pixelAt(target.get(), x, y), expected) << x << "," << y;
    }
  tagT_IRECT2D after{};
  target->GetClipRect(&after);
  EXPECT_EQ(std::tie(after.left, after.top, after.right, after.bottom), std::make_tuple(0, 0, 11, 11));
  const tagT_IRECT2D away{30, 30, 40, 40};
  EXPECT_EQ(source->TileTo(target.get(), nullptr, &away, 0), S_FALSE);
  target->GetClipRect(&after);
  EXPECT_EQ(after.right, 11);
  EXPECT_EQ(source->TileTo(nullptr, nullptr, nullptr, 0), E_INVALIDARG);
}

// The texels a textured quad hands out.
struct Texel {
  int x;
  int y;
  COLORREF color;
};

void recordTexel(void* userData, int x, int y, COLORREF color, COLORREF same) {
  EXPECT_EQ(color, same);
  static_cast<std::vector<Texel>*>(userData)->push_back({x, y, color});
}

Pictrel::TexturedQuadRecord quadOver(std::vector<Texel>& texels, int w, int h) {
  Pictrel::TexturedQuadRecord quad{};
  quad.callback = &recordTexel;
  quad.userData = &texels;
  const int xs[4] = {0, w, w, 0};
  const int ys[4] = {0, 0, h, h};
  std::copy(xs, xs + 4, quad.x);
  std::copy(ys, ys + 4, quad.y);
  quad.clipMinX = 0;
  quad.clipMinY = 0;
  quad.clipMaxX = 100;
  quad.clipMaxY = 100;
  return quad;
}

TEST(SurfaceTransfersTest, TexturedQuadHandsOutTheTexelOfEachCoveredPixel) {
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bpp);
    SurfaceHolder texture;
    ASSERT_EQ(texture->Create(5, 4, bpp, nullptr), S_OK);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) texture->SetPixel(x, y, bpp <= 8 ? (x + y) % 2 : RGB(x * 40, y * 50, 7));
    std::vector<Texel> texels;
    Pictrel::TexturedQuadRecord quad = quadOver(texels, 5, 4);
    EXPECT_EQ(texture->DrawTexturedQuad(&quad), S_OK);
    if (bpp == 16) {
      EXPECT_TRUE(texels.empty());
      continue;
    }
    ASSERT_EQ(texels.size(), 20u);
    for (const Texel& texel : texels)
      EXPECT_EQ(texel.color, pixelAt(texture.get(), texel.x, texel.y)) << texel.x << "," << texel.y;
  }
  SurfaceHolder texture;
  ASSERT_EQ(texture->Create(4, 4, 24, nullptr), S_OK);
  std::vector<Texel> texels;
  Pictrel::TexturedQuadRecord quad = quadOver(texels, 4, 4);
  quad.clipMinX = 10;
  EXPECT_EQ(texture->DrawTexturedQuad(&quad), S_FALSE);  // wholly left of the clip
  EXPECT_TRUE(texels.empty());
  EXPECT_EQ(texture->DrawTexturedQuad(nullptr), E_INVALIDARG);
  quad.callback = nullptr;
  EXPECT_EQ(texture->DrawTexturedQuad(&quad), E_INVALIDARG);
  SurfaceHolder empty;
  quad = quadOver(texels, 4, 4);
  EXPECT_EQ(empty->DrawTexturedQuad(&quad), E_FAIL);

  // A slanted quad: truncating edges never cover fewer pixels.
  std::vector<Texel> rounded;
  std::vector<Texel> truncated;
  Pictrel::TexturedQuadRecord slanted = quadOver(rounded, 4, 4);
  const int xs[4] = {3, 13, 10, 0};
  const int ys[4] = {0, 3, 13, 10};
  std::copy(xs, xs + 4, slanted.x);
  std::copy(ys, ys + 4, slanted.y);
  EXPECT_EQ(texture->DrawTexturedQuad(&slanted), S_OK);
  slanted.userData = &truncated;
  slanted.flags = 1;
  EXPECT_EQ(texture->DrawTexturedQuad(&slanted), S_OK);
  EXPECT_GT(rounded.size(), 50u);
  EXPECT_GE(truncated.size(), rounded.size());
}

TEST(SurfaceTransfersTest, DepthTestsWriteOnlyNearerPixels) {
  SurfaceHolder surface;
  SurfaceHolder depth;
  ASSERT_EQ(surface->Create(8, 8, 24, nullptr), S_OK);
  ASSERT_EQ(depth->Create(8, 8, 32, nullptr), S_OK);  // zeroed floats: 0.0
  const tagT_IPOINT2D centre{4, 4};
  EXPECT_EQ(surface->DepthTestedSquare(depth.get(), &centre, 0, std::bit_cast<int32_t>(2.0f), 0x00FFFFFF), S_OK);
  int inked = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      if (pixelAt(surface.get(), x, y) != 0) {
        ++inked;
        EXPECT_LE(std::abs(x - 4), 1);
        EXPECT_LE(std::abs(y - 4), 1);
      }
  EXPECT_EQ(inked, 9);
  EXPECT_EQ(surface->DepthTestedSquare(depth.get(), &centre, 0, std::bit_cast<int32_t>(1.0f), 0x00112233), S_OK);
  EXPECT_EQ(pixelAt(surface.get(), 4, 4), 0x00FFFFFFu);  // farther: nothing

  const tagT_IPOINT2D corners[] = {{0, 0}, {7, 3}, {1, 7}};
  const float depths[] = {5.0f, 6.0f, 7.0f};
  surface->Clear(0);
  EXPECT_EQ(surface->FillTriangleDepth(depth.get(), corners, depths, 0x00FFFFFF), S_OK);
  uint64_t first = 0;
  surface->Checksum(&first);
  EXPECT_NE(first, 0u);
  surface->Clear(0);
  EXPECT_EQ(surface->FillTriangleDepth(depth.get(), corners, depths, 0x00FFFFFF), S_OK);
  uint64_t second = 0;
  surface->Checksum(&second);
  EXPECT_EQ(second, 0u);  // every pixel already as near

  SurfaceHolder small;
  ASSERT_EQ(small->Create(4, 8, 32, nullptr), S_OK);
  EXPECT_EQ(surface->FillTriangleDepth(small.get(), corners, depths, 0x00FFFFFF), E_INVALIDARG);
  EXPECT_EQ(surface->DepthTestedSquare(small.get(), &centre, 8, 0, 0x00FFFFFF), E_INVALIDARG);
  SurfaceHolder shallow;
  ASSERT_EQ(shallow->Create(8, 8, 24, nullptr), S_OK);
  EXPECT_EQ(surface->DepthTestedSquare(shallow.get(), &centre, 8, 0, 0x00FFFFFF), E_INVALIDARG);
  EXPECT_EQ(surface->DepthTestedSquare(nullptr, &centre, 8, 0, 0x00FFFFFF), E_INVALIDARG);
}

// Jumping an edge ahead lands where stepping it row by row does, for runs
// of either sign, steep and shallow, and from any row.
TEST(SurfaceTransfersTest, TriangleEdgeSkipMatchesStepping) {
  const int64_t runs[] = {0, 1, -1, 7, -7, 13, -13, 100, -100, 1000};
  for (int64_t rows : {1, 2, 3, 7, 16, 29}) {
    for (int64_t run : runs) {
      Pictrel::TriangleEdge stepped(5, -3, 5 + run, -3 + rows);
      for (int64_t from = 0; from <= rows; ++from) {
        Pictrel::TriangleEdge jumped(5, -3, 5 + run, -3 + rows);
        jumped.skip(from);
        for (int64_t k = 0; k < 3; ++k) {
          Pictrel::TriangleEdge reference(5, -3, 5 + run, -3 + rows);
          for (int64_t i = 0; i < from + k; ++i) reference.advance();
          ASSERT_EQ(jumped.x(), reference.x()) << rows << " " << run << " " << from << " " << k;
          jumped.advance();
        }
      }
    }
  }
}

// Triangles drawn with both fill slots: a triangle moved up past the top of
// a shorter surface shows the same rows as the whole one on a tall surface,
// and corners near the ends of the int range draw the visible rows without
// stepping through the billions of rows outside.
TEST(SurfaceTransfersTest, TrianglesFarOutsideTheSurfaceDrawOnlyTheirVisibleRows) {
  using Fill = std::function<void(Pictrel::IDrawableDS*, const tagT_IPOINT2D*)>;
  const float depths[] = {1.0f, 2.0f, 3.0f};
  const std::pair<const char*, Fill> fills[] = {
      {"FillTriangle",
       [](Pictrel::IDrawableDS* s, const tagT_IPOINT2D* p) { EXPECT_EQ(s->FillTriangle(p, 0x00FFFFFF), S_OK); }},
      {"FillTriangleDepth",
       [&](Pictrel::IDrawableDS* s, const tagT_IPOINT2D* p) {
         SurfaceHolder depth;
         ASSERT_EQ(depth->Create(s->GetWidth(), s->GetHeight(), 32, nullptr), S_OK);
         EXPECT_EQ(s->FillTriangleDepth(depth.get(), p, depths, 0x00FFFFFF), S_OK);
       }},
  };
  for (const auto& [name, fill] : fills) {
    SCOPED_TRACE(name);
    SurfaceHolder tall;
    SurfaceHolder shortened;
    ASSERT_EQ(tall->Create(40, 60, 24, nullptr), S_OK);
    ASSERT_EQ(shortened->Create(40, 20, 24, nullptr), S_OK);
    const tagT_IPOINT2D whole[] = {{3, 2}, {37, 25}, {10, 58}};
    const tagT_IPOINT2D raised[] = {{3, -28}, {37, -5}, {10, 28}};
    fill(tall.get(), whole);
    fill(shortened.get(), raised);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 40; ++x)
        ASSERT_EQ(pixelAt(shortened.get(), x, y), pixelAt(tall.get(), x, y + 30)) << x << "," << y;

    constexpr int kMin = std::numeric_limits<int>::min();
    constexpr int kMax = std::numeric_limits<int>::max();
    const tagT_IPOINT2D vast[] = {{0, kMin}, {kMax, kMax}, {kMin, kMax}};
    SurfaceHolder covered;
    ASSERT_EQ(covered->Create(9, 7, 24, nullptr), S_OK);
    fill(covered.get(), vast);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 9; ++x) EXPECT_EQ(pixelAt(covered.get(), x, y), 0x00FFFFFFu) << x << "," << y;
  }
}

}  // namespace
