// Finding the format of a file name: the expert's FindFormatByExt over the
// library's five rows beside the image library's own lookup by file name,
// on the same generated paths (wide for ours, UTF-8 for the library's).
#include "zefcorek/ImgIOExpertImp.h"

#include <FreeImage.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kPathCount = 1'000'000;

struct Paths {
  std::vector<std::u16string> wide;
  std::vector<std::string> narrow;
};

const Paths& paths() {
  static const Paths generated = [] {
    const char* extensions[] = {"jpg", "JPEG", "png", "tif", "Tiff", "bmp", "tga", "gif", "jif"};
    std::mt19937 random(20261210);
    Paths out;
    out.wide.reserve(kPathCount);
    out.narrow.reserve(kPathCount);
    char buffer[96];
    for (size_t index = 0; index < kPathCount; ++index) {
      std::snprintf(buffer, sizeof buffer, "C:\\scans\\roll%u\\frame%u.%s", static_cast<unsigned>(random() % 100),
                    static_cast<unsigned>(random() % 10000), extensions[random() % std::size(extensions)]);
      out.narrow.emplace_back(buffer);
      out.wide.emplace_back(out.narrow.back().begin(), out.narrow.back().end());
    }
    return out;
  }();
  return generated;
}

void copyText(WCHAR* to, const char16_t* from) {
  while ((*to++ = *from++) != u'\0') {}
}

IImgIOExpertImp* makeExpert() {
  struct RowData {
    const char16_t* description;
    uint32_t ids[2];
    const char16_t* extensions[3];
  } rows[] = {
      {u"Windows Bitmap (*.bmp)", {2, 1}, {u"bmp"}},
      {u"JPEG/JFIF (*.jpg,*.jif,*.jpeg)", {5, 6}, {u"jpg", u"jif", u"jpeg"}},
      {u"Tagged Image File Format (*.tif,*.tiff)", {4, 1}, {u"tif", u"tiff"}},
      {u"Portable Network Graphics (*.png)", {14, 1}, {u"png"}},
      {u"Truevision Targa (*.tga)", {7, 1}, {u"tga"}},
  };
  auto* expert = new IImgIOExpertImp();
  for (const auto& data : rows) {
    ImgFormatInfo row{};
    row.cbSize = sizeof row;
    row.FormatIds[0] = data.ids[0];
    row.FormatIds[1] = data.ids[1];
    row.FormatIds[2] = row.FormatIds[3] = 1;
    copyText(row.Description, data.description);
    for (const char16_t* extension : data.extensions) {
      if (extension) copyText(row.Extensions[row.ExtCount++], extension);
    }
    (void)expert->AddFormat(&row, nullptr);
  }
  return expert;
}

void BM_FindFormatByExt(benchmark::State& state) {
  const Paths& all = paths();
  IImgIOExpertImp* expert = makeExpert();
  ImgFormatInfo row{};
  row.cbSize = sizeof row;
  size_t index = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(expert->FindFormatByExt(0, all.wide[index].c_str(), &row));
    if (++index == kPathCount) index = 0;
  }
  state.SetItemsProcessed(state.iterations());
  expert->Release();
}
BENCHMARK(BM_FindFormatByExt);

void BM_GetFIFFromFilename(benchmark::State& state) {
  const Paths& all = paths();
  size_t index = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FreeImage_GetFIFFromFilename(all.narrow[index].c_str()));
    if (++index == kPathCount) index = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetFIFFromFilename);

}  // namespace
