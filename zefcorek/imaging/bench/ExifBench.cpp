// Extracting the Exif data of 1,000 small JPEG files beside libexif on the
// same files (the page cache warm after the first round).
#include "ExifInfoExtractorImp.h"

#include "zefcorek/TaggedValSet.h"

#include "platform/Paths.h"

#include <benchmark/benchmark.h>
#include <libexif/exif-data.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kFiles = 1000;

// A JPEG shell with an Exif segment: IFD0 with a size, a resolution and a
// maker text, an Exif IFD with pixel dimensions.
std::string sampleFile(uint32_t width) {
  auto put = [](std::string& out, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
  };
  std::string tiff = "II";
  put(tiff, 42, 2);
  put(tiff, 8, 4);
  // IFD0 at 8: four entries, then the link, then the rational at 62.
  put(tiff, 4, 2);
  const uint32_t entries[4][4] = {{0x0100, 4, 1, width}, {0x0101, 4, 1, 480}, {0x011A, 5, 1, 62}, {0x8769, 4, 1, 70}};
  for (const auto& entry : entries) {
    put(tiff, entry[0], 2);
    put(tiff, entry[1], 2);
    put(tiff, entry[2], 4);
    put(tiff, entry[3], 4);
  }
  put(tiff, 0, 4);
  put(tiff, 72, 4);
  put(tiff, 1, 4);
  // Exif IFD at 70.
  put(tiff, 1, 2);
  put(tiff, 0xA002, 2);
  put(tiff, 4, 2);
  put(tiff, 1, 4);
  put(tiff, width, 4);
  put(tiff, 0, 4);
  const std::string body = std::string("Exif\0\0", 6) + tiff;
  const size_t length = body.size() + 2;
  return std::string("\xFF\xD8\xFF\xE1", 4) + static_cast<char>(length >> 8) + static_cast<char>(length & 0xFF) + body +
         "\xFF\xD9";
}

const std::vector<std::string>& files() {
  static const std::vector<std::string> paths = [] {
    std::vector<std::string> made;
    const std::string folder = "/tmp/zef-exif-bench-" + std::to_string(getpid());
    mkdir(folder.c_str(), 0700);
    for (int i = 0; i < kFiles; ++i) {
      made.push_back(folder + "/photo" + std::to_string(i) + ".jpg");
      FILE* file = std::fopen(made.back().c_str(), "wb");
      const std::string bytes = sampleFile(640 + i);
      std::fwrite(bytes.data(), 1, bytes.size(), file);
      std::fclose(file);
    }
    return made;
  }();
  return paths;
}

void BM_ExtractOurs(benchmark::State& state) {
  std::vector<std::u16string> names;
  for (const auto& path : files()) names.push_back(platform::windowsPath(path));
  auto* extractor = new ExifIOLib::IExifInfoExtractorImp();
  for (auto _ : state) {
    for (const auto& name : names) {
      ITaggedValSet* set = nullptr;
      benchmark::DoNotOptimize(extractor->Extract(name.c_str(), &set));
      if (set != nullptr) set->Release();
    }
  }
  extractor->Release();
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_ExtractOurs)->Unit(benchmark::kMillisecond);

void BM_ExtractLibexif(benchmark::State& state) {
  for (auto _ : state) {
    for (const auto& path : files()) {
      ExifData* data = exif_data_new_from_file(path.c_str());
      benchmark::DoNotOptimize(data);
      if (data != nullptr) exif_data_unref(data);
    }
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_ExtractLibexif)->Unit(benchmark::kMillisecond);

}  // namespace
