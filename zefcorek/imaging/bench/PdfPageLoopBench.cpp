// Opening a 200-page PDF and interpreting every page through a device that
// keeps nothing, beside the engine's own tool listing the same file's images
// (pdfimages -list, which also interprets every page once). The tool runs as
// a process of its own, so its figure includes starting that process; the
// third benchmark measures that start alone (pdfimages -v) to subtract.
#include "PdfDocument.h"

#include "fixtures/PdfWriter.h"

#include <OutputDev.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr int kPages = 200;

class DiscardingDevice : public OutputDev {
public:
  bool upsideDown() override { return true; }
  bool useDrawChar() override { return false; }
  bool interpretType3Chars() override { return false; }
};

// The file: every page draws a 16 x 16 RGB image and an 8 x 8 DCT image.
const std::string& samplePdf() {
  static const std::string path = [] {
    std::vector<uint8_t> grey(64);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<uint8_t>(i * 4);
    const std::string jpeg = fixtures::encodeJpeg(8, 8, 1, grey);
    const std::vector<fixtures::PdfImage> images = {
        {"/Width 16 /Height 16 /ColorSpace /DeviceRGB /BitsPerComponent 8", std::string(16 * 16 * 3, '\x55')},
        {"/Width 8 /Height 8 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /DCTDecode", jpeg},
    };
    const std::vector<std::vector<fixtures::PdfImage>> pages(kPages, images);
    const std::string file = "/tmp/zef-pdf-bench-" + std::to_string(getpid()) + ".pdf";
    std::ofstream(file, std::ios::binary) << fixtures::makeImagePdf(pages);
    return file;
  }();
  return path;
}

void BM_OpenAndRunAllPages(benchmark::State& state) {
  const std::string& path = samplePdf();
  for (auto _ : state) {
    PdfDocument document(path.c_str(), nullptr, nullptr);
    DiscardingDevice device;
    document.displayPages(&device, 1, document.getNumPages(), 72, 72, 0, false, true, false);
    benchmark::DoNotOptimize(document.getNumPages());
  }
  state.SetItemsProcessed(state.iterations() * kPages);
}
BENCHMARK(BM_OpenAndRunAllPages)->Unit(benchmark::kMillisecond);

void BM_PdfImagesList(benchmark::State& state) {
  const std::string command = "pdfimages -list '" + samplePdf() + "' > /dev/null";
  for (auto _ : state) benchmark::DoNotOptimize(std::system(command.c_str()));
  state.SetItemsProcessed(state.iterations() * kPages);
}
BENCHMARK(BM_PdfImagesList)->Unit(benchmark::kMillisecond);

void BM_PdfImagesStartOnly(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(std::system("pdfimages -v > /dev/null 2>&1"));
}
BENCHMARK(BM_PdfImagesStartOnly)->Unit(benchmark::kMillisecond);

}  // namespace
