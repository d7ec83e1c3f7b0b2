// Loading and saving a 20-megapixel picture as PNG, JPEG and TIFF (LZW)
// through the expert's loader and saver (the file route), beside the image
// library's own load and save of the same files. Arg 0 is the format row
// (0 PNG, 1 JPEG, 2 TIFF); the second arg 0 runs ours, 1 the library.
#include "FIImgIOExpertImp.h"
#include "ImgFormatRows.h"
#include "RasterImageImp.h"
#include "zefcorek/ClassIds.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Paths.h"

#include <FreeImage.h>
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <unistd.h>

namespace {

struct Format {
  const char* extension;
  FREE_IMAGE_FORMAT library;
  int saveFlags;
};
constexpr Format kFormats[] = {
    {"png", FIF_PNG, PNG_Z_DEFAULT_COMPRESSION},
    {"jpg", FIF_JPEG, JPEG_QUALITYGOOD},
    {"tif", FIF_TIFF, TIFF_LZW},
};

FIBITMAP* picture() {
  static FIBITMAP* bitmap = [] {
    FIBITMAP* made = FreeImage_Allocate(5000, 4000, 24);
    // Smooth gradients with a little noise: compressible like a photograph.
    std::mt19937 random(3);
    for (unsigned y = 0; y < 4000; ++y) {
      BYTE* row = FreeImage_GetScanLine(made, static_cast<int>(y));
      for (unsigned x = 0; x < 5000; ++x) {
        row[3 * x] = static_cast<BYTE>(x / 20 + random() % 8);
        row[3 * x + 1] = static_cast<BYTE>(y / 16 + random() % 8);
        row[3 * x + 2] = static_cast<BYTE>((x + y) / 36);
      }
    }
    return made;
  }();
  return bitmap;
}

std::string nativeName(const Format& format, bool ours) {
  return "/tmp/zef-image-bench-" + std::to_string(getpid()) + (ours ? "-ours." : "-lib.") + format.extension;
}

struct Expert {
  Expert() {
    (void)zefcorek::addLibraryFormats(expert);
    (void)expert->CreateLoader(&loader);
    (void)expert->CreateSaver(&saver);
  }
  IFIImgIOExpertImp* expert = new IFIImgIOExpertImp();
  IImgLoader* loader = nullptr;
  IImgSaver* saver = nullptr;
};

Expert& shared() {
  static Expert instance;
  return instance;
}

void BM_Save(benchmark::State& state) {
  const Format& format = kFormats[state.range(0)];
  const bool ours = state.range(1) == 0;
  const std::string native = nativeName(format, ours);
  const std::u16string path = platform::windowsPath(native);
  auto* image = new IFIRasterImageImp(nullptr, FreeImage_Clone(picture()));
  for (auto _ : state) {
    if (ours) {
      benchmark::DoNotOptimize(shared().saver->SaveToFile(0, path.c_str(), image));
    } else {
      benchmark::DoNotOptimize(FreeImage_Save(format.library, picture(), native.c_str(), format.saveFlags));
    }
  }
  image->Release();
}

void BM_Load(benchmark::State& state) {
  const Format& format = kFormats[state.range(0)];
  const bool ours = state.range(1) == 0;
  const std::string native = nativeName(format, ours);
  const std::u16string path = platform::windowsPath(native);
  FreeImage_Save(format.library, picture(), native.c_str(), format.saveFlags);
  for (auto _ : state) {
    if (ours) {
      IRasterImage* loaded = nullptr;
      benchmark::DoNotOptimize(shared().loader->LoadFromFile(path.c_str(), &loaded));
      if (loaded != nullptr) loaded->Release();
    } else {
      FIBITMAP* loaded = FreeImage_Load(format.library, native.c_str(), 0);
      benchmark::DoNotOptimize(loaded);
      FreeImage_Unload(loaded);
    }
  }
  unlink(native.c_str());
}

// The stream route of the loader and saver over the library's file streams
// (a COM stream adapter under the image library's I/O record).
void BM_LoadStream(benchmark::State& state) {
  const Format& format = kFormats[state.range(0)];
  const uint32_t ids[] = {14, 5, 4};
  const std::string native = nativeName(format, true);
  const std::u16string path = platform::windowsPath(native);
  FreeImage_Save(format.library, picture(), native.c_str(), format.saveFlags);
  for (auto _ : state) {
    void* made = nullptr;
    (void)zefCoreKAllocIntf(&CLSID_IFIOIStreamImp, &made, 0);
    auto* stream = static_cast<IFIOIStream*>(made);
    (void)stream->SetName(path.c_str());
    (void)stream->Open(0);
    IRasterImage* loaded = nullptr;
    benchmark::DoNotOptimize(shared().loader->LoadFromStream(ids[state.range(0)], 0, stream, &loaded));
    if (loaded != nullptr) loaded->Release();
    stream->Release();
  }
  unlink(native.c_str());
}

void BM_SaveStream(benchmark::State& state) {
  const Format& format = kFormats[state.range(0)];
  const uint32_t ids[] = {14, 5, 4};
  const std::string native = nativeName(format, true);
  const std::u16string path = platform::windowsPath(native);
  auto* image = new IFIRasterImageImp(shared().expert, FreeImage_Clone(picture()));
  for (auto _ : state) {
    void* made = nullptr;
    (void)zefCoreKAllocIntf(&CLSID_IFIOOStreamImp, &made, 0);
    auto* stream = static_cast<IFIOOStream*>(made);
    (void)stream->SetName(path.c_str());
    (void)stream->Open(0);
    uint32_t written = 0;
    benchmark::DoNotOptimize(image->SaveToStream(ids[state.range(0)], stream, &written));
    stream->Release();
  }
  image->Release();
  unlink(native.c_str());
}

BENCHMARK(BM_LoadStream)->DenseRange(0, 2)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveStream)->DenseRange(0, 2)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->ArgsProduct({{0, 1, 2}, {0, 1}})->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->ArgsProduct({{0, 1, 2}, {0, 1}})->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
