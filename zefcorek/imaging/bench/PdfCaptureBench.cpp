// Capturing the decoded images of a 50-page PDF into the result list,
// beside the engine's own tool writing the same images as PPM/PBM files
// into a memory-backed folder (both decode every sample once). The tool
// runs as a process of its own: its figure includes that process's start
// (see BM_PdfImagesStartOnly in PdfPageLoopBench.cpp).
#include "PdfDocument.h"
#include "ZefImageOutputDev.h"

#include "fixtures/PdfWriter.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr int kPages = 50;

const std::string& capturePdf() {
  static const std::string path = [] {
    const std::vector<fixtures::PdfImage> images = {
        {"/Width 200 /Height 150 /ColorSpace /DeviceGray /BitsPerComponent 8", std::string(200 * 150, '\x70')},
        {"/Width 200 /Height 150 /ColorSpace /DeviceRGB /BitsPerComponent 8", std::string(200 * 150 * 3, '\x33')},
    };
    const std::vector<std::vector<fixtures::PdfImage>> pages(kPages, images);
    const std::string file = "/tmp/zef-capture-bench-" + std::to_string(getpid()) + ".pdf";
    std::ofstream(file, std::ios::binary) << fixtures::makeImagePdf(pages);
    return file;
  }();
  return path;
}

void BM_CaptureIntoList(benchmark::State& state) {
  for (auto _ : state) {
    PdfDocument document(capturePdf().c_str(), nullptr, nullptr);
    PDFII::PDFImgExtractOptions options{1, 0, PDFII::PDFII_CAPTURE_DECODED, 0, 0, nullptr, nullptr, nullptr};
    ZefImageOutputDev device(&document, &options);
    document.displayPages(&device, 1, document.getNumPages(), 96, 96, 0, false, true, false);
    PDFII::IPDFCapturedImgList* list = device.CreateCapturedImgList();
    benchmark::DoNotOptimize(list->GetCount());
    list->Release();
  }
  state.SetItemsProcessed(state.iterations() * kPages * 2);
}
BENCHMARK(BM_CaptureIntoList)->Unit(benchmark::kMillisecond);

void BM_PdfImagesToFiles(benchmark::State& state) {
  const std::string folder = "/dev/shm/zef-capture-bench-" + std::to_string(getpid());
  const std::string command = "mkdir -p " + folder + " && pdfimages '" + capturePdf() + "' " + folder + "/img";
  for (auto _ : state) benchmark::DoNotOptimize(std::system(command.c_str()));
  std::system(("rm -rf " + folder).c_str());
  state.SetItemsProcessed(state.iterations() * kPages * 2);
}
BENCHMARK(BM_PdfImagesToFiles)->Unit(benchmark::kMillisecond);

}  // namespace
