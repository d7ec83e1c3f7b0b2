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
    const std::vector<std::string> pieces = {
        "a", "b", "c", "x", "y", "z", " ", "0", "9", "\xC3\xA9", "\xE2\x82\xAC", "\xD0\x96", "-", "."};
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
      const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, line.data(), static_cast<int>(line.size()),
                                            wide.data(), static_cast<int>(wide.size()));
      benchmark::DoNotOptimize(units);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_StdGetlineToUtf16)->Unit(benchmark::kMillisecond);

// A plain per-character UTF-8 decoder into a reused std::u16string, as a
// simple reader would write one: the floor the stream is measured against.
// It checks lead and trail bytes but not overlong forms, so it does a little
// less work than the stream's strict decoding.
void decodeUtf8Plainly(const std::string& bytes, std::u16string& out) {
  out.clear();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    const unsigned char lead = *p++;
    if (lead < 0x80) {
      out.push_back(lead);
      continue;
    }
    const int trailing = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (trailing < 0 || end - p < trailing) {
      out.push_back(0xFFFD);
      continue;
    }
    char32_t value = lead & (0x3F >> trailing);
    for (int i = 0; i < trailing; ++i) value = (value << 6) | (*p++ & 0x3F);
    if (value < 0x10000) {
      out.push_back(static_cast<char16_t>(value));
      continue;
    }
    value -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (value >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
  }
}

void BM_StdGetlinePlainDecoder(benchmark::State& state) {
  const TextFile& file = textFile();
  std::string line;
  std::u16string wide;
  for (auto _ : state) {
    std::ifstream in(file.path(), std::ios::binary);
    while (std::getline(in, line)) {
      decodeUtf8Plainly(line, wide);
      benchmark::DoNotOptimize(wide.data());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_StdGetlinePlainDecoder)->Unit(benchmark::kMillisecond);

}  // namespace
