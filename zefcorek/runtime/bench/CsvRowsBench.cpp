// Splitting a large CSV file: LoadCSVFile followed by SplitCSVRowToStringList
// on every row, against a plain std::getline loop that splits each line at
// the separator into standard strings, on the same file in the same process.
//
// The files (10 MB and 100 MB of rows with eight fields: words, numbers,
// blanks around fields, quoted fields holding the separator, empty fields,
// CR LF ends) are generated once from a fixed seed. The reference loop knows
// nothing of quotes or blanks and keeps UTF-8; it is the floor that a simple
// reader pays for the same bytes. A third case times LoadCSVFile alone, so
// the share of reading and of splitting can be told apart.
#include "zefcorek/CsvRows.h"
#include "zefcorek/StringList.h"

#include "platform/Paths.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

// A CSV file of about `megabytes` MB, made on first use and removed at exit.
class CsvFile {
public:
  explicit CsvFile(size_t megabytes) {
    char pattern[] = "/tmp/zef-csv-bench-XXXXXX";
    folder_ = mkdtemp(pattern);
    path_ = folder_ + "/rows.csv";
    std::mt19937 random(20261209 + static_cast<unsigned>(megabytes));
    const std::vector<std::string> words = {
        "alpha", "Beta", "gamma ray", "delta", "caf\xC3\xA9", "\"quoted, with comma\"", "", "  padded  "};
    const size_t target = megabytes * 1000 * 1000;
    std::string text;
    text.reserve(target + 512);
    while (text.size() < target) {
      for (int field = 0; field < 8; ++field) {
        if (field != 0) text += ',';
        if (random() % 2 == 0)
          text += std::to_string(random() % 100000) + "." + std::to_string(random() % 100);
        else
          text += words[random() % words.size()];
      }
      text += "\r\n";
    }
    std::ofstream(path_, std::ios::binary) << text;
    size_ = text.size();
  }
  ~CsvFile() {
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

const CsvFile& fileOf(size_t megabytes) {
  static std::map<size_t, std::unique_ptr<CsvFile>> files;
  auto& file = files[megabytes];
  if (!file) file = std::make_unique<CsvFile>(megabytes);
  return *file;
}

void BM_LoadCSVFileAndSplit(benchmark::State& state) {
  const CsvFile& file = fileOf(static_cast<size_t>(state.range(0)));
  const std::u16string path = platform::windowsPath(file.path());
  for (auto _ : state) {
    IStringList* rows = LoadCSVFile(path.c_str());
    size_t fields = 0;
    for (uint32_t i = 0; i < rows->GetCount(); ++i) {
      IStringList* row = SplitCSVRowOfStringList(u',', rows, i);
      if (row == nullptr) continue;
      fields += row->GetCount();
      row->Release();
    }
    benchmark::DoNotOptimize(fields);
    rows->Release();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}

void BM_LoadCSVFileOnly(benchmark::State& state) {
  const CsvFile& file = fileOf(static_cast<size_t>(state.range(0)));
  const std::u16string path = platform::windowsPath(file.path());
  for (auto _ : state) {
    IStringList* rows = LoadCSVFile(path.c_str());
    benchmark::DoNotOptimize(rows->GetCount());
    rows->Release();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}

void BM_GetlineAndSplit(benchmark::State& state) {
  const CsvFile& file = fileOf(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    std::ifstream in(file.path(), std::ios::binary);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::vector<std::string> fields;
      size_t start = 0;
      for (size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
        fields.emplace_back(line, start, comma - start);
      fields.emplace_back(line, start);
      rows.push_back(std::move(fields));
    }
    benchmark::DoNotOptimize(rows.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}

BENCHMARK(BM_LoadCSVFileAndSplit)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadCSVFileOnly)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetlineAndSplit)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
