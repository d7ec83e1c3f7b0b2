// Extracting the images of a 200-page PDF with 1,000 images (five a page:
// DCT, grey, RGB, a 1-bit image and a stencil mask) into files in a
// memory-backed folder, beside pdfimages -j writing the same files there.
// pdfimages runs as a process of its own: its figure includes that start.
// Arg 1 empties the folder before each run (not timed), as a first
// extraction into a new folder finds it; arg 0 writes over the files of the
// run before.
#include "zefcorek/ClassIds.h"
#include "zefcorek/PdfCapture.h"
#include "zefcorek/ZefCoreK.h"

#include "fixtures/PdfWriter.h"

#include "platform/Paths.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const std::string& folderPdf() {
  static const std::string path = [] {
    const std::string jpeg = fixtures::encodeJpeg(64, 48, 3, std::vector<uint8_t>(64 * 48 * 3, 0x66));
    const std::vector<fixtures::PdfImage> images = {
        {"/Width 64 /Height 48 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode", jpeg},
        {"/Width 64 /Height 48 /ColorSpace /DeviceGray /BitsPerComponent 8", std::string(64 * 48, '\x40')},
        {"/Width 64 /Height 48 /ColorSpace /DeviceRGB /BitsPerComponent 8", std::string(64 * 48 * 3, '\x22')},
        {"/Width 64 /Height 48 /ColorSpace /DeviceGray /BitsPerComponent 1", std::string(8 * 48, '\x5A')},
        {"/Width 64 /Height 48 /ImageMask true /BitsPerComponent 1", std::string(8 * 48, '\x0F')},
    };
    const std::string file = "/tmp/zef-folder-bench-" + std::to_string(getpid()) + ".pdf";
    std::ofstream(file, std::ios::binary)
        << fixtures::makeImagePdf(std::vector<std::vector<fixtures::PdfImage>>(200, images));
    static const std::string removed = file;
    std::atexit([] { std::remove(removed.c_str()); });
    return file;
  }();
  return path;
}

const std::string& outputFolder() {
  static const std::string folder = "/dev/shm/zef-folder-bench-" + std::to_string(getpid());
  return folder;
}

void emptyOutputFolder(benchmark::State& state) {
  if (state.range(0) == 0) return;
  state.PauseTiming();
  std::system(("rm -rf " + outputFolder() + " && mkdir -p " + outputFolder()).c_str());
  state.ResumeTiming();
}

void BM_ExtractImagesToFolder(benchmark::State& state) {
  std::system(("mkdir -p " + outputFolder()).c_str());
  void* made = nullptr;
  (void)zefCoreKAllocIntf(&CLSID_IPDFImgExtractorImp, &made, 0);
  auto* extractor = static_cast<PDFII::IPDFImgExtractor*>(made);
  PDFII::PDFOpenPasswords passwords{};
  uint32_t code = 0;
  (void)extractor->Open(folderPdf().c_str(), &passwords, &code);
  for (auto _ : state) {
    emptyOutputFolder(state);
    uint32_t count = 0;
    benchmark::DoNotOptimize(extractor->ExtractImagesToFolder(0, 0, outputFolder().c_str(), "ours", &count));
    if (count != 1000) state.SkipWithError("not every image was written");
  }
  extractor->Release();
  std::system(("rm -rf " + outputFolder()).c_str());
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_ExtractImagesToFolder)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PdfImagesJ(benchmark::State& state) {
  const std::string command =
      "mkdir -p " + outputFolder() + " && pdfimages -j '" + folderPdf() + "' " + outputFolder() + "/tool";
  for (auto _ : state) {
    emptyOutputFolder(state);
    if (std::system(command.c_str()) != 0) state.SkipWithError("pdfimages failed");
  }
  std::system(("rm -rf " + outputFolder()).c_str());
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_PdfImagesJ)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
