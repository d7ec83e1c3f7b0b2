// The object code against plain UTF-16 strings: sorting by parts (a split of
// both codes per comparison) beside libstdc++'s u16string order, and hashing
// beside std::hash of the lower-cased text.
#include "zefcorek/ZefStdCode.h"

#include "CodeSamples.h"

#include "platform/Utf16.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using CodesDB::TZefStdCode;

void BM_SortCodesByParts(benchmark::State& state) {
  const auto texts = codes_bench::sampleCodes(static_cast<size_t>(state.range(0)), 91);
  std::vector<TZefStdCode> source(texts.begin(), texts.end());
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<TZefStdCode> codes(source);
    state.ResumeTiming();
    std::sort(codes.begin(), codes.end(), [](const TZefStdCode& a, const TZefStdCode& b) { return a.Compare(b) < 0; });
    benchmark::DoNotOptimize(codes.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortCodesByParts)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SortPlainTexts(benchmark::State& state) {
  const auto source = codes_bench::sampleCodes(static_cast<size_t>(state.range(0)), 91);
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::u16string> texts(source);
    state.ResumeTiming();
    std::sort(texts.begin(), texts.end());
    benchmark::DoNotOptimize(texts.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortPlainTexts)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_HashCodes(benchmark::State& state) {
  const auto texts = codes_bench::sampleCodes(1000000, 17);
  std::vector<TZefStdCode> codes(texts.begin(), texts.end());
  for (auto _ : state) {
    for (TZefStdCode& code : codes) code.CalcHash();
    benchmark::DoNotOptimize(codes.front().GetHash());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(codes.size()));
}
BENCHMARK(BM_HashCodes)->Unit(benchmark::kMillisecond);

void BM_HashLowerCasedTexts(benchmark::State& state) {
  const auto texts = codes_bench::sampleCodes(1000000, 17);
  std::hash<std::u16string> hasher;
  for (auto _ : state) {
    size_t sum = 0;
    for (const std::u16string& text : texts) {
      std::u16string lower(text);
      platform::toLowerInPlace(lower);
      sum += hasher(lower);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}
BENCHMARK(BM_HashLowerCasedTexts)->Unit(benchmark::kMillisecond);

}  // namespace
