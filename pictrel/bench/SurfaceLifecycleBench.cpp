// Making and dropping 1024 × 1024 surfaces, and their checksum, beside
// pixman's image of the same size and a plain sum over the same bytes.
#include "pictrel/Pictrel.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kSide = 1024;

Pictrel::IDrawableDS* newSurface() {
  void* out = nullptr;
  pctAllocIntf(&Pictrel::IID_IDrawableDS, &out);
  return static_cast<Pictrel::IDrawableDS*>(out);
}

void BM_SurfaceCreateDestroy(benchmark::State& state) {
  const int bpp = static_cast<int>(state.range(0));
  Pictrel::IDrawableDS* surface = newSurface();
  for (auto _ : state) {
    benchmark::DoNotOptimize(surface->CreateEx(kSide, kSide, bpp, 0, nullptr));
    surface->Destroy();
  }
  surface->Release();
}
BENCHMARK(BM_SurfaceCreateDestroy)->Arg(8)->Arg(24)->Arg(32);

void BM_PixmanCreateUnref(benchmark::State& state) {
  const auto format = state.range(0) == 8 ? PIXMAN_a8 : state.range(0) == 24 ? PIXMAN_r8g8b8 : PIXMAN_x8r8g8b8;
  for (auto _ : state) {
    pixman_image_t* image = pixman_image_create_bits(format, kSide, kSide, nullptr, 0);
    benchmark::DoNotOptimize(image);
    pixman_image_unref(image);
  }
}
BENCHMARK(BM_PixmanCreateUnref)->Arg(8)->Arg(24)->Arg(32);

void BM_SurfaceChecksum(benchmark::State& state) {
  Pictrel::IDrawableDS* surface = newSurface();
  surface->CreateEx(kSide, kSide, 32, 0, nullptr);
  std::memset(surface->GetBits(), 0x5A, size_t{kSide} * kSide * 4);
  for (auto _ : state) {
    uint64_t sum = 0;
    surface->Checksum(&sum);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSide} * kSide * 4);
  surface->Release();
}
BENCHMARK(BM_SurfaceChecksum);

void BM_PlainSum(benchmark::State& state) {
  std::vector<uint64_t> words(size_t{kSide} * kSide / 2, 0x5A5A5A5A5A5A5A5Aull);
  for (auto _ : state) {
    uint64_t sum = 0;
    for (uint64_t word : words) sum += word;
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSide} * kSide * 4);
}
BENCHMARK(BM_PlainSum);

}  // namespace
