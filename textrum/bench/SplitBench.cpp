// Speed of splitting a row at a separator into a reused string array, against
// the same split into a reused vector of standard strings.
//
// Both sides reuse their items across iterations; the records take a new
// text buffer for every field (a wide record never shares or reuses one),
// while an assigned std::basic_string reuses its capacity, so the standard
// side is the lower bound for the work.
#include "textrum/LStr.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Deterministic row of `fields` fields of 1 to 16 letters, comma-separated.
template <typename Char>
std::basic_string<Char> sampleRow(int fields) {
  std::mt19937 random(42);
  std::uniform_int_distribution<int> letter('a', 'z');
  std::uniform_int_distribution<int> width(1, 16);
  std::basic_string<Char> row;
  for (int i = 0; i < fields; ++i) {
    if (i > 0) row.push_back(Char(','));
    for (int n = width(random); n > 0; --n) row.push_back(static_cast<Char>(letter(random)));
  }
  return row;
}

template <typename Char>
void splitIntoVector(std::basic_string_view<Char> row, Char separator, std::vector<std::basic_string<Char>>& fields,
                     size_t& count) {
  count = 0;
  size_t pos = 0;
  while (pos < row.size()) {
    const size_t end = std::min(row.find(separator, pos), row.size());
    if (count == fields.size()) fields.emplace_back();
    fields[count++].assign(row.substr(pos, end - pos));
    pos = end + 1;
  }
}

void fieldCounts(benchmark::internal::Benchmark* bench) { bench->RangeMultiplier(4)->Range(4, 256); }

template <typename Str, typename Array>
void BM_SplitBySepEx(benchmark::State& state) {
  using Char = typename Str::CharType;
  const Str row(sampleRow<Char>(static_cast<int>(state.range(0))));
  Array array;
  for (auto _ : state) benchmark::DoNotOptimize(SplitBySepEx(row, Char(','), array, false));
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * row.Length() * int64_t{sizeof(Char)});
}
BENCHMARK(BM_SplitBySepEx<CLAnsiStr, CLAnsiStrArray>)->Apply(fieldCounts);
BENCHMARK(BM_SplitBySepEx<CLWideStr, CLWideStrArray>)->Apply(fieldCounts);

template <typename Char>
void BM_SplitStdVector(benchmark::State& state) {
  const std::basic_string<Char> row = sampleRow<Char>(static_cast<int>(state.range(0)));
  std::vector<std::basic_string<Char>> fields;
  size_t count = 0;
  for (auto _ : state) {
    splitIntoVector<Char>(row, Char(','), fields, count);
    benchmark::DoNotOptimize(fields.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(row.size() * sizeof(Char)));
}
BENCHMARK(BM_SplitStdVector<char>)->Apply(fieldCounts);
BENCHMARK(BM_SplitStdVector<char16_t>)->Apply(fieldCounts);

}  // namespace
