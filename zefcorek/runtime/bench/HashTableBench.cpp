// The hash table against std::unordered_set: insert, find and erase of 1M
// distinct keys. The table holds pointers to the keys, hashes a key by its
// value and compares values; the set holds the values with its identity
// hash, so both spread keys the same way.
#include "zefcorek/HashTable.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <unordered_set>
#include <vector>

namespace {

constexpr size_t kKeys = 1000000;

// Distinct keys in a deterministic shuffled order.
const std::vector<uint32_t>& keys() {
  static const std::vector<uint32_t> shuffled = [] {
    std::vector<uint32_t> values(kKeys);
    std::iota(values.begin(), values.end(), 0u);
    for (uint32_t& v : values) v = v * 2654435761u;  // spread, still distinct
    std::shuffle(values.begin(), values.end(), std::mt19937(4242));
    return values;
  }();
  return shuffled;
}

unsigned hashValue(unsigned, void* item, void*) { return *static_cast<uint32_t*>(item); }

int32_t sameValue(void* existing, void* item, void*, int32_t mode) {
  return mode == 0 && *static_cast<uint32_t*>(existing) != *static_cast<uint32_t*>(item) ? 1 : 0;
}

IHashTable* makeTable() {
  void* out = nullptr;
  zefCoreKAllocIntf(&CLSID_IHashTableImp, &out, 0);
  auto* table = static_cast<IHashTable*>(out);
  table->SetHashFunc(&hashValue, nullptr);
  table->SetCompareFunc(&sameValue, nullptr);
  return table;
}

void* itemOf(const uint32_t& key) { return const_cast<uint32_t*>(&key); }

void BM_HashTableInsert(benchmark::State& state) {
  for (auto _ : state) {
    IHashTable* table = makeTable();
    for (const uint32_t& key : keys()) table->Add(itemOf(key));
    state.PauseTiming();
    table->Release();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_UnorderedSetInsert(benchmark::State& state) {
  for (auto _ : state) {
    auto* set = new std::unordered_set<uint32_t>;
    for (uint32_t key : keys()) set->insert(key);
    state.PauseTiming();
    delete set;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_HashTableFind(benchmark::State& state) {
  IHashTable* table = makeTable();
  for (const uint32_t& key : keys()) table->Add(itemOf(key));
  std::vector<uint32_t> probes = keys();
  std::shuffle(probes.begin(), probes.end(), std::mt19937(99));
  for (auto _ : state) {
    void* found = nullptr;
    for (uint32_t& probe : probes) table->Find(&probe, &found);
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
  table->Release();
}

void BM_UnorderedSetFind(benchmark::State& state) {
  std::unordered_set<uint32_t> set(keys().begin(), keys().end());
  std::vector<uint32_t> probes = keys();
  std::shuffle(probes.begin(), probes.end(), std::mt19937(99));
  for (auto _ : state) {
    size_t hits = 0;
    for (uint32_t probe : probes) hits += set.find(probe) != set.end();
    benchmark::DoNotOptimize(hits);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

// The standard set holding the same item pointers with the same hash and
// compare functions, called through pointers: it pays for reaching each
// item as the table does.
using HashFn = unsigned (*)(unsigned, void*, void*);
using CompareFn = int32_t (*)(void*, void*, void*, int32_t);
HashFn volatile hashCallback = &hashValue;
CompareFn volatile compareCallback = &sameValue;

struct HashByCallback {
  HashFn hash;
  size_t operator()(void* item) const { return hash(0, item, nullptr); }
};
struct EqualByCallback {
  CompareFn compare;
  bool operator()(void* a, void* b) const { return compare(a, b, nullptr, 0) == 0; }
};

void BM_UnorderedSetOfItemsFind(benchmark::State& state) {
  std::unordered_set<void*, HashByCallback, EqualByCallback> set(0, HashByCallback{hashCallback},
                                                                 EqualByCallback{compareCallback});
  for (const uint32_t& key : keys()) set.insert(itemOf(key));
  std::vector<uint32_t> probes = keys();
  std::shuffle(probes.begin(), probes.end(), std::mt19937(99));
  for (auto _ : state) {
    size_t hits = 0;
    for (uint32_t& probe : probes) hits += set.find(&probe) != set.end();
    benchmark::DoNotOptimize(hits);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_HashTableErase(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    IHashTable* table = makeTable();
    for (const uint32_t& key : keys()) table->Add(itemOf(key));
    state.ResumeTiming();
    for (const uint32_t& key : keys()) table->Remove(itemOf(key));
    state.PauseTiming();
    table->Release();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_UnorderedSetErase(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto* set = new std::unordered_set<uint32_t>(keys().begin(), keys().end());
    state.ResumeTiming();
    for (uint32_t key : keys()) set->erase(key);
    state.PauseTiming();
    delete set;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

BENCHMARK(BM_HashTableInsert)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnorderedSetInsert)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HashTableFind)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnorderedSetFind)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnorderedSetOfItemsFind)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HashTableErase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnorderedSetErase)->Unit(benchmark::kMillisecond);

}  // namespace
