// Transfers between 1024 × 1024 surfaces and the textured quad, beside
// pixman's compositing of the same pixels.
#include "BenchSurfaces.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <random>

namespace {

constexpr int kSide = 1024;

// A surface of random pixels.
Pictrel::IDrawableDS* surface(int width, int height, int bpp) {
  auto* s = benchsupport::newSurface(width, height, bpp);
  std::mt19937 random(5);
  const int rowBytes = (width * (bpp == 15 ? 16 : bpp) + 31) / 32 * 4;
  for (int y = 0; y < height; ++y)
    for (int i = 0; i < rowBytes; ++i) s->GetScanLine(y)[i] = static_cast<BYTE>(random());
  return s;
}

pixman_image_t* imageOf(Pictrel::IDrawableDS* s, pixman_format_code_t format) {
  const int rowBytes = (s->GetWidth() * s->GetBitsPerPixel() + 31) / 32 * 4;
  return pixman_image_create_bits(format, s->GetWidth(), s->GetHeight(), reinterpret_cast<uint32_t*>(s->GetBits()),
                                  rowBytes);
}

void pixels(benchmark::State& state, int64_t count) { state.SetItemsProcessed(state.iterations() * count); }

// A whole-surface transfer between two surfaces of the depth.
void surfaceTransfer(benchmark::State& state, int bpp, COLORREF key) {
  auto* source = surface(kSide, kSide, bpp);
  auto* target = surface(kSide, kSide, bpp);
  for (auto _ : state) source->TransferTo(target, nullptr, 0, 0, key);
  pixels(state, int64_t{kSide} * kSide);
  source->Release();
  target->Release();
}

// The same pixels composited by pixman.
void pixmanComposite(benchmark::State& state, int bpp, pixman_op_t op, pixman_format_code_t sourceFormat,
                     pixman_format_code_t targetFormat) {
  auto* source = surface(kSide, kSide, bpp);
  auto* target = surface(kSide, kSide, bpp);
  pixman_image_t* from = imageOf(source, sourceFormat);
  pixman_image_t* to = imageOf(target, targetFormat);
  for (auto _ : state) pixman_image_composite(op, from, nullptr, to, 0, 0, 0, 0, 0, 0, kSide, kSide);
  pixels(state, int64_t{kSide} * kSide);
  pixman_image_unref(from);
  pixman_image_unref(to);
  source->Release();
  target->Release();
}

void BM_SurfaceAlphaTransfer(benchmark::State& state) { surfaceTransfer(state, 32, 0); }
BENCHMARK(BM_SurfaceAlphaTransfer);

void BM_PixmanOver(benchmark::State& state) {
  pixmanComposite(state, 32, PIXMAN_OP_OVER, PIXMAN_a8r8g8b8, PIXMAN_x8r8g8b8);
}
BENCHMARK(BM_PixmanOver);

void BM_SurfaceKeyedTransfer24(benchmark::State& state) { surfaceTransfer(state, 24, 0x00FF00FF); }
BENCHMARK(BM_SurfaceKeyedTransfer24);

void BM_PixmanSource24(benchmark::State& state) {
  pixmanComposite(state, 24, PIXMAN_OP_SRC, PIXMAN_r8g8b8, PIXMAN_r8g8b8);
}
BENCHMARK(BM_PixmanSource24);

struct Canvas {
  uint32_t* bits;
};

void writePixel(void* userData, int x, int y, COLORREF color, COLORREF) {
  static_cast<Canvas*>(userData)->bits[y * kSide + x] = color;
}

void BM_SurfaceTexturedQuad(benchmark::State& state) {
  auto* texture = surface(512, 512, 32);
  auto* target = surface(kSide, kSide, 32);
  Canvas canvas{reinterpret_cast<uint32_t*>(target->GetBits())};
  Pictrel::TexturedQuadRecord quad{};
  quad.callback = &writePixel;
  quad.userData = &canvas;
  const int xs[4] = {512, 1000, 512, 24};
  const int ys[4] = {24, 512, 1000, 512};
  std::copy(xs, xs + 4, quad.x);
  std::copy(ys, ys + 4, quad.y);
  quad.clipMaxX = kSide - 1;
  quad.clipMaxY = kSide - 1;
  for (auto _ : state) texture->DrawTexturedQuad(&quad);
  pixels(state, 2 * 488 * 488);
  texture->Release();
  target->Release();
}
BENCHMARK(BM_SurfaceTexturedQuad);

void BM_PixmanAffineNearest(benchmark::State& state) {
  auto* texture = surface(512, 512, 32);
  auto* target = surface(kSide, kSide, 32);
  pixman_image_t* from = imageOf(texture, PIXMAN_x8r8g8b8);
  pixman_image_t* to = imageOf(target, PIXMAN_x8r8g8b8);
  // The same quarter turn and scale as the quad: destination → texture.
  pixman_transform_t transform;
  pixman_transform_init_identity(&transform);
  const double scale = 512.0 / (488.0 * 1.41421356);
  pixman_transform_rotate(&transform, nullptr, pixman_double_to_fixed(0.70710678), pixman_double_to_fixed(-0.70710678));
  pixman_transform_scale(&transform, nullptr, pixman_double_to_fixed(scale), pixman_double_to_fixed(scale));
  pixman_image_set_transform(from, &transform);
  pixman_image_set_filter(from, PIXMAN_FILTER_NEAREST, nullptr, 0);
  for (auto _ : state) pixman_image_composite(PIXMAN_OP_SRC, from, nullptr, to, 0, 0, 0, 0, 24, 24, 976, 976);
  pixels(state, 2 * 488 * 488);
  pixman_image_unref(from);
  pixman_image_unref(to);
  texture->Release();
  target->Release();
}
BENCHMARK(BM_PixmanAffineNearest);

}  // namespace
