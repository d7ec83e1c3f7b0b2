// Reading a large UTF-8 text file line by line: the buffered stream against
// the standard library's getline, on the same file in the same process.
//
// The file (50 MB, lines of 0 to 160 characters with some accented and
// non-Latin characters, LF and CR LF ends) is generated once from a fixed
// seed. The stream returns each line as UTF-16 text; the second reference
// adds that conversion to getline, so the comparison is like for like.
#include "zefcorek/ClassIds.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/CodePage.h"
#include "platform/Paths.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kFileBytes = 50u * 1000 * 1000;

// The fixture file, made on first use and removed at exit.
class TextFile {
public:
  TextFile() {
    char pattern[] = "/tmp/zef-bench-XXXXXX";
    folder_ = mkdtemp(pattern);
    path_ = folder_ + "/lines.txt";
    std::mt19937 random(20261209);
    const std::vector<std::string> pieces = {"a", "b", "c", "x", "y", "z", " ", "0", "9", "\xC3\xA9",
                                             "\xE2\x82\xAC", "\xD0\x96", "-", "."};
    std::string text;
    text.reserve(kFileBytes + 256);
    while (text.size() < kFileBytes) {
      const int length = static_cast<int>(random() % 161);
      for (int i = 0; i < length; ++i) text += pieces[random() % pieces.size()];
      text += random() % 4 == 0 ? "\r\n" : "\n";
    }
    std::ofstream(path_, std::ios::binary) << text;
    size_ = text.size();
  }
  ~TextFile() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  const std::string& path() const { return path_; }
  size_t size() const { return size_; }

private:
  std::string folder_;
  std::string path_;
  size_t size_ = 0;
};

const TextFile& textFile() {
  static TextFile file;
  return file;
}

void BM_BufferedStreamReadText(benchmark::State& state) {
  const TextFile& file = textFile();
  const std::u16string name = platform::windowsPath(file.path());
  std::vector<WCHAR> line(4096);
  size_t lines = 0;
  for (auto _ : state) {
    void* out = nullptr;
    zefCoreKAllocIntf(&CLSID_IFIOIBufferedStreamImp, &out, 0);
    auto* stream = static_cast<IFIOIBufferedStream*>(out);
    stream->SetBufferSize(static_cast<uint32_t>(state.range(0)));
    stream->SetName(name.c_str());
    if (stream->Open(0) != ZR_OK) state.SkipWithError("cannot open the file");
    stream->SetTextEncoding(FIO_TEXT_UTF8, /*noMark=*/true);
    uint32_t length = 0;
    lines = 0;
    while (stream->AtEnd() == ZR_NO) {
      stream->ReadText(line.data(), static_cast<uint32_t>(line.size()), &length);
      benchmark::DoNotOptimize(line.data());
      ++lines;
    }
    stream->Release();
  }
  state.counters["lines"] = static_cast<double>(lines);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_BufferedStreamReadText)->Arg(32768)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void BM_StdGetline(benchmark::State& state) {
  const TextFile& file = textFile();
  std::string line;
  size_t lines = 0;
  for (auto _ : state) {
    std::ifstream in(file.path(), std::ios::binary);
    lines = 0;
    while (std::getline(in, line)) {
      benchmark::DoNotOptimize(line.data());
      ++lines;
    }
  }
  state.counters["lines"] = static_cast<double>(lines);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_StdGetline)->Unit(benchmark::kMillisecond);

void BM_StdGetlineToUtf16(benchmark::State& state) {
  const TextFile& file = textFile();
  std::string line;
  std::vector<char16_t> wide(4096);
  for (auto _ : state) {
    std::ifstream in(file.path(), std::ios::binary);
    while (std::getline(in, line)) {
      const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, line.data(),
                                            static_cast<int>(line.size()), wide.data(),
                                            static_cast<int>(wide.size()));
      benchmark::DoNotOptimize(units);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_StdGetlineToUtf16)->Unit(benchmark::kMillisecond);

}  // namespace
