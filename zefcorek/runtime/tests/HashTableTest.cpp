#include "zefcorek/HashTable.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <deque>
#include <map>
#include <random>
#include <set>
#include <vector>

namespace {

// Items point at integers; equal integers are equal items. The hash is the
// integer itself, so tests can aim at buckets.
unsigned hashValue(unsigned, void* item, void*) { return static_cast<unsigned>(*static_cast<int*>(item)); }

// mode 1 keeps a bucket ascending, a new item after its equals.
int32_t compareValues(void* existing, void* item, void*, int32_t mode) {
  const int a = *static_cast<int*>(existing), b = *static_cast<int*>(item);
  if (mode == 0) return a == b ? 0 : 1;
  return a <= b ? 1 : 0;
}

constexpr unsigned kPrimes[] = {11,      19,      37,      73,      109,     163,     251,     367,    557,
                                823,     1237,    1861,    2777,    4177,    6247,    9371,    14057,  21089,
                                31627,   47431,   71143,   106721,  160073,  240101,  360163,  540217, 810343,
                                1215497, 1823231, 2734867, 4102283, 6153409, 9230113, 13845163};

class HashTableTest : public testing::Test {
protected:
  void SetUp() override {
    void* out = nullptr;
    ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IHashTableImp, &out, 0), S_OK);
    table = static_cast<IHashTable*>(out);
    table->SetHashFunc(&hashValue, nullptr);
    table->SetCompareFunc(&compareValues, nullptr);
  }
  void TearDown() override { table->Release(); }

  unsigned buckets() {
    unsigned n = 0;
    table->GetBucketCount(&n);
    return n;
  }
  // Storage for items: a deque keeps their addresses stable.
  int* value(int v) { return &values.emplace_back(v); }

  IHashTable* table = nullptr;
  std::deque<int> values;
};

TEST(SpacedPrimesTest, ClosestPrimeAbove) {
  const struct {
    unsigned n, expected;
  } cases[] = {{0, 11},
               {10, 11},
               {11, 19},
               {36, 37},
               {37, 73},
               {13845162, 13845163},
               {13845163, 13845163},
               {20000000, 13845163},
               {0xFFFFFFFFu, 13845163}};
  for (const auto& row : cases) EXPECT_EQ(SpacedPrimesClosest(row.n), row.expected) << "n = " << row.n;
  // Every entry of the table leads to the next.
  for (size_t i = 0; i + 1 < std::size(kPrimes); ++i) EXPECT_EQ(SpacedPrimesClosest(kPrimes[i]), kPrimes[i + 1]);
}

TEST_F(HashTableTest, NewTableAndItsChecks) {
  void* out = table;
  EXPECT_EQ(table->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(out, table);
  EXPECT_EQ(table->GetRefCount(), 1);
  EXPECT_EQ(buckets(), 11u);
  double low = 0, high = 0;
  ASSERT_EQ(table->GetLoadFactors(&low, &high), ZR_OK);
  EXPECT_EQ(low, 0.3);
  EXPECT_EQ(high, 3.0);
  for (auto [l, h] : {std::pair{0.0, 1.0}, {2.0, 1.0}, {NAN, 1.0}, {0.5, NAN}, {-1.0, 1.0}})
    EXPECT_EQ(table->SetLoadFactors(l, h), ZR_BADARG) << l << ", " << h;
  table->GetLoadFactors(&low, &high);
  EXPECT_EQ(low, 0.3);
  EXPECT_EQ(high, 3.0);
  EXPECT_EQ(table->GetLoadFactors(nullptr, nullptr), ZR_BADARG);

  EXPECT_EQ(table->Add(nullptr), ZR_BADARG);
  EXPECT_EQ(table->Find(value(1), nullptr), ZR_BADARG);
  EXPECT_EQ(table->IsBucketUsed(value(1)), 0);
  EXPECT_EQ(table->GetBucketItem(11, 0, &out), ZR_BADARG);
  EXPECT_EQ(table->RemoveIf([](void*, void*) -> int32_t { return 1; }, nullptr, nullptr),
            ZR_BADARG);  // nothing removed
  EXPECT_EQ(table->ForEach(nullptr, nullptr), ZR_BADARG);

  // Without a compare function everything that hashes answers 2.
  table->SetCompareFunc(nullptr, nullptr);
  unsigned bucket = 0;
  EXPECT_EQ(table->Add(value(1)), ZR_FAILED);
  EXPECT_EQ(table->Find(value(1), &out), ZR_FAILED);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(table->BucketOf(value(1), &bucket), ZR_FAILED);
  EXPECT_EQ(bucket, 0xFFFFFFFFu);
  EXPECT_EQ(table->IsBucketUsed(value(1)), ZR_FAILED);
  EXPECT_EQ(table->Remove(value(1)), ZR_FAILED);
}

TEST_F(HashTableTest, FindComparesRemoveMatchesThePointer) {
  int* first = value(5);
  int* twin = value(5);
  ASSERT_EQ(table->Add(first), ZR_OK);
  ASSERT_EQ(table->Add(twin), ZR_OK);  // equal items are not refused
  void* found = nullptr;
  ASSERT_EQ(table->Find(value(5), &found), ZR_OK);
  EXPECT_EQ(found, first);
  EXPECT_EQ(table->Find(value(6), &found), ZR_NO);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(table->Remove(value(5)), ZR_NO);  // equal, but not held
  ASSERT_EQ(table->Remove(first), ZR_OK);
  ASSERT_EQ(table->Find(value(5), &found), ZR_OK);
  EXPECT_EQ(found, twin);
  EXPECT_EQ(table->IsBucketUsed(value(16)), 1);  // 16 % 11 == 5: occupied, not present
  EXPECT_EQ(table->IsBucketUsed(value(6)), 0);
}

TEST_F(HashTableTest, AddPlacesByCompareWithinABucket) {
  // 3, 14, 25 and 36 all land in bucket 3 of 11.
  for (int v : {25, 3, 36, 14, 25}) table->Add(value(v));
  std::vector<int> order;
  void* x = nullptr;
  for (int32_t i = 0; table->GetBucketItem(3, i, &x) == ZR_OK && x != nullptr; ++i)
    order.push_back(*static_cast<int*>(x));
  EXPECT_EQ(order, (std::vector<int>{3, 14, 25, 25, 36}));
  EXPECT_EQ(table->GetBucketItem(3, -1, &x), ZR_OK);
  EXPECT_EQ(x, nullptr);
  unsigned bucket = 0;
  ASSERT_EQ(table->BucketOf(value(47), &bucket), ZR_OK);
  EXPECT_EQ(bucket, 3u);
}

TEST_F(HashTableTest, GrowsAndShrinksAlongThePrimes) {
  std::vector<int*> items;
  for (int i = 0; i < 34; ++i) {
    items.push_back(value(i));
    ASSERT_EQ(table->Add(items.back()), ZR_OK);
    EXPECT_EQ(buckets(), i + 1 < 33 ? 11u : 37u) << "after " << i + 1 << " items";
  }
  // 11 items in 37 buckets is a load of 0.297: back to the next prime above 11.
  for (int i = 33; i >= 11; --i) table->Remove(items[i]);
  EXPECT_EQ(buckets(), 19u);
  for (int i = 10; i >= 0; --i) table->Remove(items[i]);
  EXPECT_EQ(buckets(), 11u);

  ASSERT_EQ(table->SetBucketCount(5), ZR_OK);
  EXPECT_EQ(buckets(), 11u);
  ASSERT_EQ(table->SetBucketCount(0xFFFFFFFFu), ZR_OK);
  EXPECT_EQ(buckets(), 13845163u);
}

// A rehash takes the old buckets in order and moves each item, in list
// order, to the front of its new bucket. Checked against that rule on a
// model across rehashes of items of every history: added since the last
// rehash, moved by it, and with removals in between.
TEST_F(HashTableTest, RehashMovesEachItemToTheFrontOfItsNewBucket) {
  using Buckets = std::vector<std::deque<int*>>;
  const auto listed = [&] {
    Buckets lists(buckets());
    for (unsigned b = 0; b < lists.size(); ++b) {
      void* x = nullptr;
      for (int32_t i = 0; table->GetBucketItem(b, i, &x) == ZR_OK && x != nullptr; ++i)
        lists[b].push_back(static_cast<int*>(x));
    }
    return lists;
  };
  const auto rehashed = [](const Buckets& old, unsigned n) {
    Buckets lists(n);
    for (const auto& bucket : old) {
      for (int* item : bucket) lists[static_cast<unsigned>(*item) % n].push_front(item);
    }
    return lists;
  };
  std::mt19937 random(18);
  std::vector<int*> held;
  for (unsigned n : {37u, 163u, 19u, 557u, 11u}) {
    table->BeginUpdate();  // no resizing but the one asked for
    for (int i = 0; i < 60; ++i) {
      held.push_back(value(static_cast<int>(random() % 1000)));
      ASSERT_EQ(table->Add(held.back()), ZR_OK);
    }
    for (int i = 0; i < 15; ++i) {
      const size_t at = random() % held.size();
      ASSERT_EQ(table->Remove(held[at]), ZR_OK);
      held.erase(held.begin() + static_cast<long>(at));
    }
    const Buckets expected = rehashed(listed(), n);
    ASSERT_EQ(table->SetBucketCount(n), ZR_OK);
    EXPECT_EQ(listed(), expected) << n << " buckets";
    for (int* item : held) {
      void* found = nullptr;
      EXPECT_EQ(table->Find(item, &found), ZR_OK);
    }
    table->EndUpdate();
  }
}

TEST_F(HashTableTest, UpdateBracketHoldsResizingBack) {
  table->BeginUpdate();
  table->BeginUpdate();
  for (int i = 0; i < 100; ++i) table->Add(value(i));
  EXPECT_EQ(buckets(), 11u);
  EXPECT_EQ(table->EndUpdate(), ZR_OK);
  EXPECT_EQ(buckets(), 11u);  // still inside the outer bracket
  EXPECT_EQ(table->EndUpdate(), ZR_OK);
  EXPECT_EQ(buckets(), 109u);
  EXPECT_EQ(table->EndUpdate(), ZR_OK);  // unmatched: nothing

  unsigned removed = 0;
  ASSERT_EQ(table->RemoveIf([](void* x, void*) -> int32_t { return *static_cast<int*>(x) >= 10; }, nullptr, &removed),
            ZR_OK);
  EXPECT_EQ(removed, 90u);
  EXPECT_EQ(buckets(), 11u);

  // Clear empties every bucket of any number and ends an open update.
  table->SetBucketCount(557);
  table->BeginUpdate();
  ASSERT_EQ(table->Clear(), ZR_OK);
  EXPECT_EQ(buckets(), 557u);
  void* x = table;
  for (unsigned b = 0; b < 557; ++b) {
    table->GetBucketItem(b, 0, &x);
    ASSERT_EQ(x, nullptr) << "bucket " << b;
  }
  table->Add(value(1));  // no update open any more: shrinks at once
  EXPECT_EQ(buckets(), 11u);
}

TEST_F(HashTableTest, DefaultHashIsTheAddressAndWithoutItNothingMoves) {
  table->SetHashFunc(nullptr, nullptr);
  EXPECT_EQ(table->Add(value(1)), ZR_FAILED);
  EXPECT_EQ(table->SetBucketCount(37), ZR_OK);  // empty: nothing to place

  void* out = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IHashTableImp, &out, 0), S_OK);
  auto* byAddress = static_cast<IHashTable*>(out);
  byAddress->SetCompareFunc(
      [](void* existing, void* item, void*, int32_t) -> int32_t { return existing == item ? 0 : 1; }, nullptr);
  int* x = value(7);
  ASSERT_EQ(byAddress->Add(x), ZR_OK);
  unsigned bucket = 0;
  byAddress->BucketOf(x, &bucket);
  EXPECT_EQ(bucket, static_cast<unsigned>(reinterpret_cast<uintptr_t>(x)) % 11);
  // A table holding items cannot be rehashed once its hash is gone.
  byAddress->SetHashFunc(nullptr, nullptr);
  EXPECT_EQ(byAddress->SetBucketCount(37), ZR_FAILED);
  unsigned removed = 0;
  EXPECT_EQ(byAddress->RemoveIf([](void*, void*) -> int32_t { return 1; }, nullptr, &removed), ZR_OK);
  EXPECT_EQ(removed, 1u);
  byAddress->Release();
}

// Random adds, removals, finds and bulk updates against std::multiset; after
// each change every item sits in its own bucket and the load is in bounds.
// Buckets are the hash modulo the count for any count the table may be
// given and any hash, the extremes included.
TEST_F(HashTableTest, BucketIsTheHashModuloAnyCount) {
  const unsigned counts[] = {11, 12, 64, 99991, 1 << 20, 13845163};
  const int hashes[] = {0, 1, 10, 11, 12345, 0x7FFFFFFF, -1, -2, static_cast<int>(0x80000000u)};
  for (const unsigned count : counts) {
    ASSERT_EQ(table->SetBucketCount(count), ZR_OK);
    ASSERT_EQ(buckets(), count);
    for (const int hash : hashes) {
      int key = hash;
      unsigned bucket = 0;
      ASSERT_EQ(table->BucketOf(&key, &bucket), ZR_OK);
      EXPECT_EQ(bucket, static_cast<unsigned>(hash) % count) << "count " << count << ", hash " << hash;
    }
  }
}

// A new hash function that keeps every item in its bucket keeps every item
// found, though its hashes differ from the old ones.
TEST_F(HashTableTest, ItemsStayFoundUnderANewHashOfTheSameBuckets) {
  for (int v = 0; v < 40; ++v) table->Add(value(v));
  table->SetHashFunc([](unsigned buckets, void* item, void*) { return hashValue(buckets, item, nullptr) + buckets; },
                     nullptr);
  for (int v = 0; v < 40; ++v) {
    int key = v;
    void* found = nullptr;
    EXPECT_EQ(table->Find(&key, &found), ZR_OK) << v;
  }
}

TEST_F(HashTableTest, AgreesWithMultisetModel) {
  std::mt19937 random(2026);
  std::multiset<int> model;
  std::vector<int*> held;
  unsigned visitedCount = 0;
  const auto checkShape = [&]() -> testing::AssertionResult {
    const unsigned n = buckets();
    if (std::find(std::begin(kPrimes), std::end(kPrimes), n) == std::end(kPrimes))
      return testing::AssertionFailure() << n << " buckets is not a table prime";
    const double load = static_cast<double>(model.size()) / n;
    if ((load >= 3.0 && n < 13845163) || (load <= 0.3 && n > 11))
      return testing::AssertionFailure() << "load " << load << " with " << n << " buckets";
    visitedCount = 0;
    for (unsigned b = 0; b < n; ++b) {
      void* x = nullptr;
      for (int32_t i = 0; table->GetBucketItem(b, i, &x) == ZR_OK && x != nullptr; ++i) {
        ++visitedCount;
        if (static_cast<unsigned>(*static_cast<int*>(x)) % n != b)
          return testing::AssertionFailure() << "item in the wrong bucket " << b;
      }
    }
    if (visitedCount != model.size())
      return testing::AssertionFailure() << visitedCount << " items, model " << model.size();
    return testing::AssertionSuccess();
  };
  for (int step = 0; step < 3000; ++step) {
    const unsigned what = random() % 10;
    if (what < 5 || held.empty()) {
      int* x = value(static_cast<int>(random() % 500));
      ASSERT_EQ(table->Add(x), ZR_OK);
      held.push_back(x);
      model.insert(*x);
    } else if (what < 8) {
      const size_t at = random() % held.size();
      ASSERT_EQ(table->Remove(held[at]), ZR_OK);
      model.erase(model.find(*held[at]));
      held.erase(held.begin() + static_cast<long>(at));
    } else if (what < 9) {
      int* key = value(static_cast<int>(random() % 500));
      void* found = nullptr;
      const ZRESULT result = table->Find(key, &found);
      ASSERT_EQ(result, model.count(*key) != 0 ? ZR_OK : ZR_NO);
      if (found != nullptr) {
        ASSERT_EQ(*static_cast<int*>(found), *key);
      }
    } else {
      // Bulk changes inside an update bracket resize once at the end: a load
      // or, as often, a purge.
      table->BeginUpdate();
      const bool load = random() % 2 == 0;
      for (int i = 0; i < 150 && (load || !held.empty()); ++i) {
        if (load) {
          int* x = value(static_cast<int>(random() % 500));
          table->Add(x);
          held.push_back(x);
          model.insert(*x);
          continue;
        }
        const size_t at = random() % held.size();
        table->Remove(held[at]);
        model.erase(model.find(*held[at]));
        held.erase(held.begin() + static_cast<long>(at));
      }
      table->EndUpdate();
    }
    ASSERT_TRUE(checkShape()) << "step " << step;
  }
}

}  // namespace
