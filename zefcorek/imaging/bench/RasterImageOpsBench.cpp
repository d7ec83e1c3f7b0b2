// Whole-image operations of the raster image on a 4000 x 3000 24-bit image,
// each beside the same work done with direct image-library calls, and a
// million bilinear samples beside the same four reads and blend done
// directly. Arg 0 runs the image object, 1 the library directly.
#include "RasterImageImp.h"

#include <FreeImage.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

FIBITMAP* sourceBitmap() {
  static FIBITMAP* bitmap = [] {
    FIBITMAP* made = FreeImage_Allocate(kWidth, kHeight, 24);
    std::mt19937 random(7);
    BYTE* bits = FreeImage_GetBits(made);
    const size_t size = static_cast<size_t>(FreeImage_GetPitch(made)) * kHeight;
    for (size_t i = 0; i < size; ++i) bits[i] = static_cast<BYTE>(random());
    return made;
  }();
  return bitmap;
}

// Runs `ours` on an image around a fresh copy, or `direct` on a fresh copy;
// making the copy and freeing the final bitmap are not timed. A direct
// operation that makes a new bitmap frees the old one inside the timing, as
// the image does when it replaces its bitmap.
template <typename Ours, typename Direct>
void timeOperation(benchmark::State& state, Ours ours, Direct direct) {
  const bool useImage = state.range(0) == 0;
  for (auto _ : state) {
    state.PauseTiming();
    FIBITMAP* copy = FreeImage_Clone(sourceBitmap());
    auto* image = useImage ? new IFIRasterImageImp(nullptr, copy) : nullptr;
    state.ResumeTiming();
    if (useImage) {
      benchmark::DoNotOptimize(ours(image));
      state.PauseTiming();
      image->Release();
    } else {
      FIBITMAP* result = direct(copy);
      benchmark::DoNotOptimize(result);
      if (result != copy) FreeImage_Unload(copy);
      state.PauseTiming();
      FreeImage_Unload(result);
    }
    state.ResumeTiming();
  }
}

void BM_Fill(benchmark::State& state) {
  timeOperation(
      state, [](IFIRasterImageImp* image) { return image->Fill(0x123456); },
      [](FIBITMAP* bitmap) {
        RGBQUAD color{0x56, 0x34, 0x12, 0};
        FreeImage_FillBackground(bitmap, &color, 0);
        return bitmap;
      });
}
BENCHMARK(BM_Fill)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ConvertTo8(benchmark::State& state) {
  timeOperation(
      state, [](IFIRasterImageImp* image) { return image->ConvertToBPP(8, false); },
      [](FIBITMAP* bitmap) { return FreeImage_ConvertTo8Bits(bitmap); });
}
BENCHMARK(BM_ConvertTo8)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DitherTo1(benchmark::State& state) {
  timeOperation(
      state, [](IFIRasterImageImp* image) { return image->ConvertToBPP(1, true); },
      [](FIBITMAP* bitmap) { return FreeImage_Dither(bitmap, FID_FS); });
}
BENCHMARK(BM_DitherTo1)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Rotate90(benchmark::State& state) {
  timeOperation(
      state, [](IFIRasterImageImp* image) { return image->Rotate(9000); },
      [](FIBITMAP* bitmap) { return FreeImage_Rotate(bitmap, -90, nullptr); });
}
BENCHMARK(BM_Rotate90)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_MillionBilinearSamples(benchmark::State& state) {
  const bool useImage = state.range(0) == 0;
  std::mt19937 random(11);
  std::uniform_real_distribution<double> xs(0, kWidth - 1), ys(0, kHeight - 1);
  std::vector<std::pair<double, double>> points(1'000'000);
  for (auto& point : points) point = {xs(random), ys(random)};
  auto* image = new IFIRasterImageImp(nullptr, FreeImage_Clone(sourceBitmap()));
  FIBITMAP* bitmap = sourceBitmap();
  for (auto _ : state) {
    unsigned sum = 0;
    uint8_t rgb[3];
    for (const auto& [x, y] : points) {
      if (useImage) {
        (void)image->Sample(1, x, y, nullptr, rgb);
      } else {
        const auto x0 = static_cast<unsigned>(x), y0 = static_cast<unsigned>(y);
        RGBQUAD p[4];
        FreeImage_GetPixelColor(bitmap, x0, y0, &p[0]);
        FreeImage_GetPixelColor(bitmap, x0 + 1, y0, &p[1]);
        FreeImage_GetPixelColor(bitmap, x0, y0 + 1, &p[2]);
        FreeImage_GetPixelColor(bitmap, x0 + 1, y0 + 1, &p[3]);
        const double t = x - x0, u = y - y0;
        rgb[0] = static_cast<uint8_t>(p[0].rgbRed * (1 - t) * (1 - u) + p[1].rgbRed * t * (1 - u) +
                                      p[2].rgbRed * (1 - t) * u + p[3].rgbRed * t * u);
      }
      sum += rgb[0];
    }
    benchmark::DoNotOptimize(sum);
  }
  image->Release();
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(points.size()));
}
BENCHMARK(BM_MillionBilinearSamples)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
