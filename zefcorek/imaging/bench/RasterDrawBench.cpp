// Drawing a 20-megapixel 24-bit image into a 32-bpp memory DC, unscaled and
// stretched to half, beside pixman compositing the same pixels with the
// same transform; and reading a 20-megapixel bitmap file into a DIB
// section beside the image library loading it.
#include "zefcorek/ClassIds.h"
#include "zefcorek/DibSections.h"
#include "zefcorek/FIRasterImage.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Gdi.h"
#include "platform/GdiBlits.h"
#include "platform/Paths.h"

#include <FreeImage.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

constexpr int kWidth = 5472;  // 5472 x 3648: 19.96 megapixels
constexpr int kHeight = 3648;

IRasterImage* picture() {
  static IRasterImage* image = [] {
    void* made = nullptr;
    (void)zefCoreKAllocIntf(&CLSID_IFIRasterImageImp, &made, 0);
    auto* created = static_cast<IRasterImage*>(static_cast<IFIRasterImage*>(made));
    (void)created->Allocate(kWidth, kHeight, 24, nullptr);
    uint32_t bytes = 0;
    (void)created->GetBitsSize(&bytes);
    BYTE* bits = created->GetBits();
    for (uint32_t i = 0; i < bytes; ++i) bits[i] = static_cast<BYTE>(i * 13 + i / 4099);
    return created;
  }();
  return image;
}

// A 32-bpp memory DC of the given size, kept for the whole run.
struct Target {
  Target(int width, int height) {
    BITMAPINFOHEADER header{sizeof header, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    dc = CreateCompatibleDC(nullptr);
    previous = SelectObject(dc, bitmap);
  }
  ~Target() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  HBITMAP bitmap = nullptr;
  HDC dc = nullptr;
  HGDIOBJ previous = nullptr;
  void* bits = nullptr;
};

void drawOurs(benchmark::State& state, int divisor) {
  IRasterImage* image = picture();
  const int width = kWidth / divisor;
  const int height = kHeight / divisor;
  Target target(width, height);
  RasterDrawParms parms{};
  parms.size = sizeof parms;
  parms.hdc = target.dc;
  parms.source = {0, 0, kWidth - 1, kHeight - 1};
  parms.destination = {0, 0, width - 1, height - 1};
  for (auto _ : state) benchmark::DoNotOptimize(image->Draw(&parms));
  state.SetItemsProcessed(state.iterations() * width * height);
}

void drawPixman(benchmark::State& state, int divisor) {
  IRasterImage* image = picture();
  const int width = kWidth / divisor;
  const int height = kHeight / divisor;
  Target target(width, height);
  pixman_image_t* source = pixman_image_create_bits(
      PIXMAN_r8g8b8, kWidth, kHeight, reinterpret_cast<uint32_t*>(image->GetBits()), (kWidth * 3 + 3) / 4 * 4);
  pixman_image_t* destination =
      pixman_image_create_bits(PIXMAN_x8r8g8b8, width, height, static_cast<uint32_t*>(target.bits), width * 4);
  pixman_transform_t transform;
  pixman_transform_init_scale(&transform, pixman_int_to_fixed(divisor), pixman_int_to_fixed(divisor));
  pixman_image_set_transform(source, &transform);
  pixman_image_set_filter(source, PIXMAN_FILTER_NEAREST, nullptr, 0);
  for (auto _ : state)
    pixman_image_composite32(PIXMAN_OP_SRC, source, nullptr, destination, 0, 0, 0, 0, 0, 0, width, height);
  pixman_image_unref(destination);
  pixman_image_unref(source);
  state.SetItemsProcessed(state.iterations() * width * height);
}

void BM_DrawUnscaled(benchmark::State& state) { drawOurs(state, 1); }
void BM_PixmanUnscaled(benchmark::State& state) { drawPixman(state, 1); }
void BM_DrawHalf(benchmark::State& state) { drawOurs(state, 2); }
void BM_PixmanHalf(benchmark::State& state) { drawPixman(state, 2); }
BENCHMARK(BM_DrawUnscaled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PixmanUnscaled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawHalf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PixmanHalf)->Unit(benchmark::kMillisecond);

const std::string& bitmapFile() {
  static const std::string name = [] {
    std::string made = "/tmp/zef-draw-bench-" + std::to_string(getpid()) + ".bmp";
    FIBITMAP* bitmap = FreeImage_Allocate(kWidth, kHeight, 24);
    const unsigned pitch = FreeImage_GetPitch(bitmap);
    for (int y = 0; y < kHeight; ++y) {
      BYTE* row = FreeImage_GetScanLine(bitmap, y);
      for (unsigned i = 0; i < pitch; ++i) row[i] = static_cast<BYTE>(i * 7 + static_cast<unsigned>(y));
    }
    FreeImage_Save(FIF_BMP, bitmap, made.c_str(), 0);
    FreeImage_Unload(bitmap);
    std::atexit([] { std::remove(bitmapFile().c_str()); });
    return made;
  }();
  return name;
}

void BM_LoadDIBSectionFromFile(benchmark::State& state) {
  const std::u16string path = platform::windowsPath(bitmapFile());
  for (auto _ : state) {
    void* bits = nullptr;
    HBITMAP bitmap = LoadDIBSectionFromFile(path.c_str(), &bits, nullptr, 0);
    benchmark::DoNotOptimize(bits);
    DeleteObject(bitmap);
  }
}

void BM_LibraryLoadBitmapFile(benchmark::State& state) {
  const std::string& name = bitmapFile();
  for (auto _ : state) {
    FIBITMAP* bitmap = FreeImage_Load(FIF_BMP, name.c_str(), 0);
    benchmark::DoNotOptimize(bitmap);
    FreeImage_Unload(bitmap);
  }
}
BENCHMARK(BM_LoadDIBSectionFromFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibraryLoadBitmapFile)->Unit(benchmark::kMillisecond);

}  // namespace
