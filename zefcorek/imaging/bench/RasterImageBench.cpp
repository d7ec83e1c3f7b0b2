// The raster image's own cost: make an image around a small bitmap, ask its
// size, depth and resolution, release it; beside the same queries made
// directly on a bitmap. Both sides allocate and free one 16 x 16 bitmap per
// round, so the difference is the object.
#include "zefcorek/ClassIds.h"
#include "zefcorek/FIRasterImage.h"
#include "zefcorek/ZefCoreK.h"

#include <FreeImage.h>
#include <benchmark/benchmark.h>

namespace {

void BM_ImageObjectQueries(benchmark::State& state) {
  for (auto _ : state) {
    void* made = nullptr;
    (void)zefCoreKAllocIntf(&CLSID_IFIRasterImageImp, &made, 0);
    auto* image = static_cast<IFIRasterImage*>(made);
    (void)image->SetBitmap(FreeImage_Allocate(16, 16, 24));
    uint32_t width = 0, height = 0, bpp = 0, dpiX = 0, dpiY = 0;
    (void)image->GetSize(&width, &height);
    (void)image->GetBPP(&bpp);
    (void)image->GetDPIX(&dpiX);
    (void)image->GetDPIY(&dpiY);
    benchmark::DoNotOptimize(width + height + bpp + dpiX + dpiY);
    image->Release();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ImageObjectQueries);

void BM_DirectBitmapQueries(benchmark::State& state) {
  for (auto _ : state) {
    FIBITMAP* bitmap = FreeImage_Allocate(16, 16, 24);
    const unsigned width = FreeImage_GetWidth(bitmap);
    const unsigned height = FreeImage_GetHeight(bitmap);
    const unsigned bpp = FreeImage_GetBPP(bitmap);
    const unsigned dpiX = FreeImage_GetDotsPerMeterX(bitmap) * 254 / 10000;
    const unsigned dpiY = FreeImage_GetDotsPerMeterY(bitmap) * 254 / 10000;
    benchmark::DoNotOptimize(width + height + bpp + dpiX + dpiY);
    FreeImage_Unload(bitmap);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DirectBitmapQueries);

}  // namespace
