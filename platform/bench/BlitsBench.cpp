// Blits between 1024 × 1024 sections beside pixman's compositing of the
// same pixels: plain copies, a 2 × nearest stretch and a per-pixel blend.
#include "platform/GdiBlits.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <random>

namespace {

constexpr int kSide = 1024;

struct Section {
  HBITMAP bitmap = nullptr;
  HDC dc = nullptr;
  void* bits = nullptr;
  Section(int width, int height, int bpp) {
    BITMAPINFOHEADER header{sizeof header, width, -height, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
    bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bitmap);
    std::mt19937 random(3);
    auto* bytes = static_cast<BYTE*>(bits);
    const size_t size = static_cast<size_t>(platform::dibRowBytes(width, bpp)) * height;
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>(random());
  }
  ~Section() {
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  pixman_image_t* image(pixman_format_code_t format, int width, int height, int bpp) const {
    return pixman_image_create_bits(format, width, height, static_cast<uint32_t*>(bits),
                                    static_cast<int>(platform::dibRowBytes(width, bpp)));
  }
};

void perPixel(benchmark::State& state, int64_t pixels) { state.SetItemsProcessed(state.iterations() * pixels); }

void BM_BitBlt(benchmark::State& state) {
  const int bpp = static_cast<int>(state.range(0));
  Section source(kSide, kSide, bpp);
  Section target(kSide, kSide, 32);
  for (auto _ : state) BitBlt(target.dc, 0, 0, kSide, kSide, source.dc, 0, 0, SRCCOPY);
  perPixel(state, int64_t{kSide} * kSide);
}
BENCHMARK(BM_BitBlt)->Arg(32)->Arg(24);

void BM_PixmanSource(benchmark::State& state) {
  const int bpp = static_cast<int>(state.range(0));
  Section source(kSide, kSide, bpp);
  Section target(kSide, kSide, 32);
  pixman_image_t* from = source.image(bpp == 32 ? PIXMAN_x8r8g8b8 : PIXMAN_r8g8b8, kSide, kSide, bpp);
  pixman_image_t* to = target.image(PIXMAN_x8r8g8b8, kSide, kSide, 32);
  for (auto _ : state) pixman_image_composite(PIXMAN_OP_SRC, from, nullptr, to, 0, 0, 0, 0, 0, 0, kSide, kSide);
  perPixel(state, int64_t{kSide} * kSide);
  pixman_image_unref(from);
  pixman_image_unref(to);
}
BENCHMARK(BM_PixmanSource)->Arg(32)->Arg(24);

void BM_StretchBltTwice(benchmark::State& state) {
  Section source(kSide / 2, kSide / 2, 32);
  Section target(kSide, kSide, 32);
  SetStretchBltMode(target.dc, COLORONCOLOR);
  for (auto _ : state) StretchBlt(target.dc, 0, 0, kSide, kSide, source.dc, 0, 0, kSide / 2, kSide / 2, SRCCOPY);
  perPixel(state, int64_t{kSide} * kSide);
}
BENCHMARK(BM_StretchBltTwice);

void BM_PixmanNearestTwice(benchmark::State& state) {
  Section source(kSide / 2, kSide / 2, 32);
  Section target(kSide, kSide, 32);
  pixman_image_t* from = source.image(PIXMAN_x8r8g8b8, kSide / 2, kSide / 2, 32);
  pixman_image_t* to = target.image(PIXMAN_x8r8g8b8, kSide, kSide, 32);
  pixman_transform_t transform;
  pixman_transform_init_scale(&transform, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
  pixman_image_set_transform(from, &transform);
  pixman_image_set_filter(from, PIXMAN_FILTER_NEAREST, nullptr, 0);
  for (auto _ : state) pixman_image_composite(PIXMAN_OP_SRC, from, nullptr, to, 0, 0, 0, 0, 0, 0, kSide, kSide);
  perPixel(state, int64_t{kSide} * kSide);
  pixman_image_unref(from);
  pixman_image_unref(to);
}
BENCHMARK(BM_PixmanNearestTwice);

void BM_AlphaBlend(benchmark::State& state) {
  Section source(kSide, kSide, 32);
  Section target(kSide, kSide, 32);
  for (auto _ : state)
    AlphaBlend(target.dc, 0, 0, kSide, kSide, source.dc, 0, 0, kSide, kSide,
               BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
  perPixel(state, int64_t{kSide} * kSide);
}
BENCHMARK(BM_AlphaBlend);

void BM_PixmanOver(benchmark::State& state) {
  Section source(kSide, kSide, 32);
  Section target(kSide, kSide, 32);
  pixman_image_t* from = source.image(PIXMAN_a8r8g8b8, kSide, kSide, 32);
  pixman_image_t* to = target.image(PIXMAN_x8r8g8b8, kSide, kSide, 32);
  for (auto _ : state) pixman_image_composite(PIXMAN_OP_OVER, from, nullptr, to, 0, 0, 0, 0, 0, 0, kSide, kSide);
  perPixel(state, int64_t{kSide} * kSide);
  pixman_image_unref(from);
  pixman_image_unref(to);
}
BENCHMARK(BM_PixmanOver);

}  // namespace
