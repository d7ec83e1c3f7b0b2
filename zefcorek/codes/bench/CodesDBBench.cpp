// The codes database against std::unordered_map with a case-folding hash and
// equality on std::u16string: one million adds, then hits and misses. The
// heap held by each filled container is reported as the counter heap_MB
// (glibc's mallinfo2, measured around the fill).
#include "zefcorek/ZefCodesDB.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "CodeSamples.h"

#include "platform/Utf16.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <string>
#include <unordered_map>
#include <vector>

namespace {

using CodesDB::IZefCodesDB;
using CodesDB::TZefStdCode;

constexpr size_t kCodes = 1000000;

// Distinct texts: sample codes made unique by their index.
const std::vector<std::u16string>& texts(unsigned seed) {
  static std::vector<std::u16string> hits = [] {
    auto base = codes_bench::sampleCodes(kCodes, 92);
    for (size_t i = 0; i < base.size(); ++i) base[i] += u'.' + std::u16string(TZefStdCode(int64_t(i)).c_str());
    return base;
  }();
  static std::vector<std::u16string> misses = [] {
    auto base = codes_bench::sampleCodes(kCodes, 93);
    for (size_t i = 0; i < base.size(); ++i) base[i] += u'#' + std::u16string(TZefStdCode(int64_t(i)).c_str());
    return base;
  }();
  return seed == 0 ? hits : misses;
}

const std::vector<TZefStdCode>& codes(unsigned seed) {
  static std::vector<TZefStdCode> hits(texts(0).begin(), texts(0).end());
  static std::vector<TZefStdCode> misses(texts(1).begin(), texts(1).end());
  return seed == 0 ? hits : misses;
}

size_t heapInUse() { return mallinfo2().uordblks; }

struct FoldedHash {
  size_t operator()(const std::u16string& text) const {
    thread_local std::u16string folded;  // reused: no allocation per hash
    folded.assign(text);
    for (char16_t& unit : folded) unit = platform::foldCaseUnit(unit);
    return std::hash<std::u16string>()(folded);
  }
};
struct FoldedEqual {
  bool operator()(const std::u16string& a, const std::u16string& b) const { return platform::equalsIgnoreCase(a, b); }
};
using PeerMap = std::unordered_map<std::u16string, uintptr_t, FoldedHash, FoldedEqual>;

IZefCodesDB* newDatabase() {
  void* out = nullptr;
  (void)zefCoreKAllocIntf(&CLSID_IZefCodesDBImp, &out, 0);
  return static_cast<IZefCodesDB*>(out);
}

void BM_CodesDBAdd(benchmark::State& state) {
  const auto& keys = codes(0);
  size_t heap = 0;
  for (auto _ : state) {
    const size_t before = heapInUse();
    IZefCodesDB* db = newDatabase();
    for (size_t i = 0; i < keys.size(); ++i) (void)db->Add(keys[i], i);
    heap = heapInUse() - before;
    state.PauseTiming();
    db->Release();
    state.ResumeTiming();
  }
  state.counters["heap_MB"] = static_cast<double>(heap) / 1e6;
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}
BENCHMARK(BM_CodesDBAdd)->Unit(benchmark::kMillisecond);

void BM_PeerMapAdd(benchmark::State& state) {
  const auto& keys = texts(0);
  size_t heap = 0;
  for (auto _ : state) {
    const size_t before = heapInUse();
    auto* map = new PeerMap();
    for (size_t i = 0; i < keys.size(); ++i) map->emplace(keys[i], i);
    heap = heapInUse() - before;
    state.PauseTiming();
    delete map;
    state.ResumeTiming();
  }
  state.counters["heap_MB"] = static_cast<double>(heap) / 1e6;
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}
BENCHMARK(BM_PeerMapAdd)->Unit(benchmark::kMillisecond);

void BM_CodesDBFind(benchmark::State& state) {
  IZefCodesDB* db = newDatabase();
  for (size_t i = 0; i < kCodes; ++i) (void)db->Add(codes(0)[i], i);
  const auto& keys = codes(static_cast<unsigned>(state.range(0)));
  for (auto _ : state) {
    uintptr_t sum = 0;
    for (const TZefStdCode& key : keys) {
      uintptr_t value = 0;
      (void)db->Find(key, &value);
      sum += value;
    }
    benchmark::DoNotOptimize(sum);
  }
  db->Release();
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}
BENCHMARK(BM_CodesDBFind)->Arg(0)->Arg(1)->ArgName("miss")->Unit(benchmark::kMillisecond);

void BM_PeerMapFind(benchmark::State& state) {
  PeerMap map;
  for (size_t i = 0; i < kCodes; ++i) map.emplace(texts(0)[i], i);
  const auto& keys = texts(static_cast<unsigned>(state.range(0)));
  for (auto _ : state) {
    uintptr_t sum = 0;
    for (const std::u16string& key : keys) {
      const auto at = map.find(key);
      sum += at != map.end() ? at->second : 0;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}
BENCHMARK(BM_PeerMapFind)->Arg(0)->Arg(1)->ArgName("miss")->Unit(benchmark::kMillisecond);

}  // namespace
