// The binary heaps against std::priority_queue: push n random keys, then pop
// them all; and the deferred bulk load (push all, one rebuild) against
// building the queue from a range. Keys are deterministic and the items are
// the keys themselves.
#include "zefcorek/BinaryHeap.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <queue>
#include <random>
#include <utility>
#include <vector>

namespace {

std::vector<intptr_t> randomKeys(size_t n) {
  std::mt19937_64 random(777);
  std::vector<intptr_t> keys(n);
  for (intptr_t& key : keys) key = static_cast<intptr_t>(random() % 1000000007);
  return keys;
}

int32_t compareKeys(void* a, void* b) {
  const auto x = reinterpret_cast<intptr_t>(a), y = reinterpret_cast<intptr_t>(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

double keyOf(void* item, void*) { return static_cast<double>(reinterpret_cast<intptr_t>(item)); }

template <class Heap>
Heap* make(const CLSID& id) {
  void* out = nullptr;
  zefCoreKAllocIntf(&id, &out, 0);
  return static_cast<Heap*>(out);
}

void BM_BinaryHeapPushPop(benchmark::State& state) {
  const auto keys = randomKeys(static_cast<size_t>(state.range(0)));
  auto* heap = make<IBinaryHeap>(CLSID_IBinaryHeapImp);
  heap->SetCompareFunc(&compareKeys);
  for (auto _ : state) {
    for (intptr_t key : keys) heap->Push(reinterpret_cast<void*>(key));
    void* top = nullptr;
    for (size_t i = 0; i < keys.size(); ++i) heap->Pop(&top);
    benchmark::DoNotOptimize(top);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  heap->Release();
}

void BM_KeyedBinaryHeapPushPop(benchmark::State& state) {
  const auto keys = randomKeys(static_cast<size_t>(state.range(0)));
  auto* heap = make<IKeyedBinaryHeap>(CLSID_IKeyedBinaryHeapImp);
  heap->SetKeyFunc(&keyOf);
  for (auto _ : state) {
    for (intptr_t key : keys) heap->Push(reinterpret_cast<void*>(key), nullptr);
    void* top = nullptr;
    for (size_t i = 0; i < keys.size(); ++i) heap->Pop(&top);
    benchmark::DoNotOptimize(top);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  heap->Release();
}

// The standard queue with the same comparison through a function pointer.
struct Greater {
  bool operator()(intptr_t a, intptr_t b) const {
    return compareKeys(reinterpret_cast<void*>(a), reinterpret_cast<void*>(b)) > 0;
  }
};

// Pushes the keys into a standard queue ordered by `greater`, then pops them
// all.
template <class Compare>
void priorityQueuePushPop(benchmark::State& state, Compare greater) {
  const auto keys = randomKeys(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    std::priority_queue<intptr_t, std::vector<intptr_t>, Compare> queue(greater);
    for (intptr_t key : keys) queue.push(key);
    intptr_t top = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
      top = queue.top();
      queue.pop();
    }
    benchmark::DoNotOptimize(top);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_PriorityQueuePushPop(benchmark::State& state) { priorityQueuePushPop(state, Greater{}); }

// The same queue calling the compare function through a pointer the
// compiler cannot see through, as the heap must call its client's.
using CompareFn = int32_t (*)(void*, void*);
CompareFn volatile compareCallback = &compareKeys;

struct GreaterByCallback {
  CompareFn compare;
  bool operator()(intptr_t a, intptr_t b) const {
    return compare(reinterpret_cast<void*>(a), reinterpret_cast<void*>(b)) > 0;
  }
};

void BM_PriorityQueueCallbackPushPop(benchmark::State& state) {
  priorityQueuePushPop(state, GreaterByCallback{compareCallback});
}

// The standard queue over (key, item) pairs, the peer of the keyed heap.
void BM_PriorityQueueKeyedPushPop(benchmark::State& state) {
  const auto keys = randomKeys(static_cast<size_t>(state.range(0)));
  using Entry = std::pair<double, intptr_t>;
  auto greater = [](const Entry& a, const Entry& b) { return a.first > b.first; };
  for (auto _ : state) {
    std::priority_queue<Entry, std::vector<Entry>, decltype(greater)> queue(greater);
    for (intptr_t key : keys) queue.emplace(keyOf(reinterpret_cast<void*>(key), nullptr), key);
    intptr_t top = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
      top = queue.top().second;
      queue.pop();
    }
    benchmark::DoNotOptimize(top);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_BinaryHeapDeferredLoad(benchmark::State& state) {
  const auto keys = randomKeys(static_cast<size_t>(state.range(0)));
  auto* heap = make<IBinaryHeap>(CLSID_IBinaryHeapImp);
  heap->SetCompareFunc(&compareKeys);
  for (auto _ : state) {
    heap->SetDeferOrder(true);
    for (intptr_t key : keys) heap->Push(reinterpret_cast<void*>(key));
    benchmark::DoNotOptimize(heap->Rebuild());
    state.PauseTiming();
    heap->Clear();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  heap->Release();
}

void BM_PriorityQueueRangeLoad(benchmark::State& state) {
  const auto keys = randomKeys(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    std::priority_queue<intptr_t, std::vector<intptr_t>, Greater> queue(keys.begin(), keys.end());
    benchmark::DoNotOptimize(queue.top());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_BinaryHeapPushPop)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeyedBinaryHeapPushPop)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PriorityQueuePushPop)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PriorityQueueCallbackPushPop)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PriorityQueueKeyedPushPop)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BinaryHeapDeferredLoad)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PriorityQueueRangeLoad)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace
