// The pointer list's merge sort on its links against std::stable_sort on a
// vector of the same items, over a sweep of sizes. Both sort the same
// deterministic random keys; the items are the keys themselves.
#include "zefcorek/PtrList.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

std::vector<intptr_t> randomKeys(size_t n) {
  std::mt19937_64 random(12345);
  std::vector<intptr_t> keys(n);
  for (intptr_t& key : keys) key = static_cast<intptr_t>(random() % (n * 4 + 1));
  return keys;
}

int32_t compareKeys(void* a, void* b, void*) {
  const auto x = reinterpret_cast<intptr_t>(a), y = reinterpret_cast<intptr_t>(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

void BM_PtrListSort(benchmark::State& state) {
  const auto keys = randomKeys(static_cast<size_t>(state.range(0)));
  void* out = nullptr;
  zefCoreKAllocIntf(&CLSID_IPtrListImp, &out, 0);
  auto* list = static_cast<IPtrList*>(out);
  list->SetOption(0, 1);
  list->SetOption(1, static_cast<unsigned>(keys.size()));
  for (auto _ : state) {
    state.PauseTiming();
    list->Clear(false);
    for (intptr_t key : keys) list->AddTail(reinterpret_cast<void*>(key), nullptr);
    state.ResumeTiming();
    benchmark::DoNotOptimize(list->Sort(&compareKeys, nullptr));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  list->Release();
}

void BM_VectorStableSort(benchmark::State& state) {
  const auto keys = randomKeys(static_cast<size_t>(state.range(0)));
  std::vector<intptr_t> items;
  for (auto _ : state) {
    state.PauseTiming();
    items = keys;
    state.ResumeTiming();
    // The same comparison through the same kind of call as the list's.
    std::stable_sort(items.begin(), items.end(), [](intptr_t a, intptr_t b) {
      return compareKeys(reinterpret_cast<void*>(a), reinterpret_cast<void*>(b), nullptr) < 0;
    });
    benchmark::DoNotOptimize(items.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The same sort calling the compare function through a pointer the
// compiler cannot see through, as the list must call its caller's callback.
using CompareFn = int32_t (*)(void*, void*, void*);
CompareFn volatile compareCallback = &compareKeys;

void BM_VectorStableSortCallback(benchmark::State& state) {
  const auto keys = randomKeys(static_cast<size_t>(state.range(0)));
  std::vector<intptr_t> items;
  const CompareFn compare = compareCallback;
  for (auto _ : state) {
    state.PauseTiming();
    items = keys;
    state.ResumeTiming();
    std::stable_sort(items.begin(), items.end(), [compare](intptr_t a, intptr_t b) {
      return compare(reinterpret_cast<void*>(a), reinterpret_cast<void*>(b), nullptr) < 0;
    });
    benchmark::DoNotOptimize(items.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_PtrListSort)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VectorStableSortCallback)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VectorStableSort)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMicrosecond);

}  // namespace
