#include "zefcorek/BinaryHeap.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "FactoryObjects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <cstdint>
#include <map>
#include <queue>
#include <random>
#include <vector>

namespace {

// Items carry an integer value (and, above it, a serial to tell equal
// values apart): value = number / 100.
void* item(intptr_t n) { return reinterpret_cast<void*>(n); }
intptr_t number(void* x) { return reinterpret_cast<intptr_t>(x); }
intptr_t value(void* x) { return number(x) / 100; }

int32_t byValue(void* a, void* b) { return value(a) < value(b) ? -1 : value(a) > value(b) ? 1 : 0; }

double keyOfValue(void* x, void*) { return static_cast<double>(value(x)); }

void collect(void* x, void* context) { static_cast<std::vector<intptr_t>*>(context)->push_back(number(x)); }

template <class Heap>
std::vector<intptr_t> arrayOrder(Heap* heap) {
  std::vector<intptr_t> out;
  heap->ForEach(&collect, &out);
  return out;
}

// Every entry's value is at least its parent's (positions are 1-based).
testing::AssertionResult isHeapOrdered(const std::vector<intptr_t>& entries) {
  for (size_t p = 2; p <= entries.size(); ++p) {
    if (entries[p - 1] / 100 < entries[p / 2 - 1] / 100)
      return testing::AssertionFailure() << "position " << p << " is below its parent";
  }
  return testing::AssertionSuccess();
}

using zefcorek::testing::make;

TEST(BinaryHeapTest, PopsInOrderAndDefersOnRequest) {
  auto* heap = make<IBinaryHeap>(CLSID_IBinaryHeapImp);
  void* out = item(1);
  EXPECT_EQ(heap->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(out, item(1));
  EXPECT_EQ(heap->GetDeferOrder(), ZR_NO);
  heap->SetCompareFunc(&byValue);
  for (intptr_t v : {5, 3, 8, 1}) ASSERT_EQ(heap->Push(item(v * 100)), ZR_OK);
  for (intptr_t v : {1, 3, 5, 8}) {
    ASSERT_EQ(heap->Pop(&out), ZR_OK);
    EXPECT_EQ(value(out), v);
  }
  EXPECT_EQ(heap->Pop(&out), ZR_OK);
  EXPECT_EQ(out, nullptr);

  ASSERT_EQ(heap->SetDeferOrder(true), ZR_OK);
  EXPECT_EQ(heap->GetDeferOrder(), ZR_OK);
  for (intptr_t v : {5, 3, 8, 1}) heap->Push(item(v * 100));
  EXPECT_EQ(arrayOrder(heap), (std::vector<intptr_t>{500, 300, 800, 100}));
  ASSERT_EQ(heap->Rebuild(), ZR_OK);
  EXPECT_EQ(heap->GetDeferOrder(), ZR_NO);
  for (intptr_t v : {1, 3, 5, 8}) {
    heap->Pop(&out);
    EXPECT_EQ(value(out), v);
  }
  EXPECT_EQ(heap->ForEach(nullptr, nullptr), ZR_BADARG);
  heap->Release();
}

TEST(BinaryHeapTest, WithoutCompareFunction) {
  auto* heap = make<IBinaryHeap>(CLSID_IBinaryHeapImp);
  EXPECT_EQ(heap->Push(item(500)), ZR_FAILED);
  EXPECT_EQ(heap->Push(item(300)), ZR_FAILED);
  EXPECT_EQ(arrayOrder(heap), (std::vector<intptr_t>{500, 300}));
  heap->SetDeferOrder(true);
  EXPECT_EQ(heap->Rebuild(), ZR_FAILED);
  EXPECT_EQ(heap->GetDeferOrder(), ZR_OK);
  void* out = nullptr;
  EXPECT_EQ(heap->Pop(&out), ZR_FAILED);  // the top is taken all the same
  EXPECT_EQ(out, item(500));
  ASSERT_EQ(heap->Clear(), ZR_OK);
  EXPECT_EQ(heap->GetDeferOrder(), ZR_NO);
  heap->Release();
}

TEST(BinaryHeapTest, EqualEntriesKeepTheirPlaces) {
  auto* heap = make<IBinaryHeap>(CLSID_IBinaryHeapImp);
  heap->SetCompareFunc(&byValue);
  // A pushed equal does not climb over its parent.
  for (intptr_t n : {101, 102, 103}) heap->Push(item(n));
  EXPECT_EQ(arrayOrder(heap), (std::vector<intptr_t>{101, 102, 103}));
  // When both children are equal, the right one rises.
  heap->Clear();
  heap->SetDeferOrder(true);
  for (intptr_t n : {900, 301, 302}) heap->Push(item(n));
  ASSERT_EQ(heap->Rebuild(), ZR_OK);
  EXPECT_EQ(arrayOrder(heap), (std::vector<intptr_t>{302, 301, 900}));
  heap->Release();
}

TEST(KeyedBinaryHeapTest, DecreaseKeyAndRemove) {
  auto* heap = make<IKeyedBinaryHeap>(CLSID_IKeyedBinaryHeapImp);
  IKeyedBinaryHeap::Node* node = reinterpret_cast<IKeyedBinaryHeap::Node*>(item(8));
  EXPECT_EQ(heap->Push(item(400), &node), ZR_FAILED);
  EXPECT_EQ(node, nullptr);
  EXPECT_EQ(heap->Reserved1(1, 2), ZR_NOTSUPPORTED);
  EXPECT_EQ(heap->Reserved2(1, 2), ZR_NOTSUPPORTED);

  heap->SetKeyFunc(&keyOfValue);
  IKeyedBinaryHeap::Node* four = nullptr;
  IKeyedBinaryHeap::Node* two = nullptr;
  IKeyedBinaryHeap::Node* nine = nullptr;
  ASSERT_EQ(heap->Push(item(400), &four), ZR_OK);
  ASSERT_EQ(heap->Push(item(200), &two), ZR_OK);
  ASSERT_EQ(heap->Push(item(900), &nine), ZR_OK);
  EXPECT_EQ(heap->DecreaseKey(four, 10.0), ZR_FAILED);
  EXPECT_EQ(heap->DecreaseKey(four, std::nan("")), ZR_FAILED);
  EXPECT_EQ(heap->DecreaseKey(nullptr, 1.0), ZR_BADARG);
  ASSERT_EQ(heap->DecreaseKey(nine, 1.0), ZR_OK);
  void* out = nullptr;
  ASSERT_EQ(heap->Pop(&out), ZR_OK);
  EXPECT_EQ(out, item(900));

  ASSERT_EQ(heap->Remove(two), ZR_OK);
  EXPECT_EQ(heap->Remove(nullptr), ZR_BADARG);
  heap->Pop(&out);
  EXPECT_EQ(out, item(400));
  heap->Pop(&out);
  EXPECT_EQ(out, nullptr);

  // A node of another heap is refused.
  auto* other = make<IKeyedBinaryHeap>(CLSID_IKeyedBinaryHeapImp);
  other->SetKeyFunc(&keyOfValue);
  IKeyedBinaryHeap::Node* foreign = nullptr;
  other->Push(item(100), &foreign);
  heap->Push(item(500), nullptr);
  EXPECT_EQ(heap->Remove(foreign), ZR_FAILED);
  EXPECT_EQ(heap->DecreaseKey(foreign, 0.0), ZR_FAILED);
  other->Release();  // frees its node

  // Clear frees the nodes; a later push makes a new array.
  ASSERT_EQ(heap->Clear(), ZR_OK);
  ASSERT_EQ(heap->Push(item(300), &node), ZR_OK);
  heap->Release();
}

TEST(KeyedBinaryHeapTest, OrderSurvivesALostKeyFunction) {
  auto* heap = make<IKeyedBinaryHeap>(CLSID_IKeyedBinaryHeapImp);
  heap->SetKeyFunc(&keyOfValue);
  for (intptr_t v : {7, 3, 9, 1, 5}) heap->Push(item(v * 100), nullptr);
  heap->SetKeyFunc(nullptr);
  void* out = nullptr;
  std::vector<intptr_t> popped;
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(heap->Pop(&out), i < 4 ? ZR_FAILED : ZR_OK);
    popped.push_back(value(out));
  }
  EXPECT_EQ(popped, (std::vector<intptr_t>{1, 3, 5, 7, 9}));
  heap->Release();
}

// Random pushes, pops, deferred bulk loads and rebuilds against
// std::priority_queue; heap order checked after every change.
TEST(BinaryHeapTest, AgreesWithPriorityQueue) {
  auto* heap = make<IBinaryHeap>(CLSID_IBinaryHeapImp);
  heap->SetCompareFunc(&byValue);
  std::priority_queue<intptr_t, std::vector<intptr_t>, std::greater<>> model;
  std::mt19937 random(99);
  intptr_t serial = 0;
  for (int step = 0; step < 4000; ++step) {
    const unsigned what = random() % 10;
    if (what < 5) {
      const intptr_t v = static_cast<intptr_t>(random() % 50);
      ASSERT_EQ(heap->Push(item(v * 100 + serial++ % 100)), ZR_OK);
      model.push(v);
    } else if (what < 9) {
      if (heap->GetDeferOrder() == ZR_OK) continue;  // a deferred heap's top is not the least
      void* out = nullptr;
      ASSERT_EQ(heap->Pop(&out), ZR_OK);
      if (model.empty()) {
        ASSERT_EQ(out, nullptr);
        continue;
      }
      ASSERT_EQ(value(out), model.top()) << "step " << step;
      model.pop();
    } else if (heap->GetDeferOrder() == ZR_OK) {
      ASSERT_EQ(heap->Rebuild(), ZR_OK);
    } else {
      heap->SetDeferOrder(true);
    }
    if (heap->GetDeferOrder() == ZR_NO) {
      ASSERT_TRUE(isHeapOrdered(arrayOrder(heap))) << "step " << step;
    }
  }
  heap->Release();
}

// The exact layout, ties included, against the plain step-by-step heap:
// an entry climbs while its parent is greater, sinks while the child that
// rises (the right one on a tie) is less. Values are drawn from a handful,
// so nearly every comparison meets an equal.
TEST(BinaryHeapTest, LayoutFollowsTheStepwiseSifts) {
  auto* heap = make<IBinaryHeap>(CLSID_IBinaryHeapImp);
  heap->SetCompareFunc(&byValue);
  std::vector<intptr_t> model;  // 0-based copy of the layout
  const auto order = [&](size_t p, size_t q) { return byValue(item(model[p - 1]), item(model[q - 1])); };
  const auto sinkFrom = [&](size_t position) {
    while (position * 2 <= model.size()) {
      const size_t left = position * 2, right = left + 1;
      const size_t chosen = right <= model.size() && order(left, right) >= 0 ? right : left;
      if (order(position, chosen) <= 0) break;
      std::swap(model[position - 1], model[chosen - 1]);
      position = chosen;
    }
  };
  bool deferred = false;
  std::mt19937 random(4242);
  for (int step = 0; step < 3000; ++step) {
    const unsigned what = random() % 10;
    if (what < 5) {
      const intptr_t n = static_cast<intptr_t>(random() % 4) * 100 + step % 100;
      heap->Push(item(n));
      model.push_back(n);
      for (size_t p = model.size(); !deferred && p >= 2 && order(p / 2, p) > 0; p /= 2)
        std::swap(model[p / 2 - 1], model[p - 1]);
    } else if (what < 9) {
      heap->Pop(nullptr);
      if (!model.empty()) {
        model.front() = model.back();
        model.pop_back();
        sinkFrom(1);
      }
    } else if (deferred) {
      heap->Rebuild();
      for (size_t k = model.size() / 2; k >= 1; --k) sinkFrom(k);
      deferred = false;
    } else {
      heap->SetDeferOrder(true);
      deferred = true;
    }
    ASSERT_EQ(arrayOrder(heap), model) << "step " << step;
  }
  heap->Release();
}

// While ordering is deferred, Pop takes whatever stands at position 1 and
// sinks the last entry step by step through the unordered array.
TEST(BinaryHeapTest, DeferredPopsFollowTheStepwiseSift) {
  struct Step {
    intptr_t popped;
    std::vector<intptr_t> after;
  };
  const Step steps[] = {
      {100, {1, 3, 9, 5, 6, 9, 9, 2}},
      {1, {2, 3, 9, 5, 6, 9, 9}},
      {2, {3, 5, 9, 9, 6, 9}},
      {3, {5, 6, 9, 9, 9}},
      {5, {6, 9, 9, 9}},
      {6, {9, 9, 9}},
      {9, {9, 9}},
      {9, {9}},
      {9, {}},
  };
  const auto values = [](std::vector<intptr_t> numbers) {
    for (intptr_t& n : numbers) n /= 100;
    return numbers;
  };
  auto* plain = make<IBinaryHeap>(CLSID_IBinaryHeapImp);
  auto* keyed = make<IKeyedBinaryHeap>(CLSID_IKeyedBinaryHeapImp);
  plain->SetCompareFunc(&byValue);
  keyed->SetKeyFunc(&keyOfValue);
  plain->SetDeferOrder(true);
  keyed->SetDeferOrder(true);
  for (intptr_t v : {100, 1, 9, 5, 6, 9, 9, 2, 3}) {
    ASSERT_EQ(plain->Push(item(v * 100)), ZR_OK);
    ASSERT_EQ(keyed->Push(item(v * 100), nullptr), ZR_OK);
  }
  for (const Step& step : steps) {
    SCOPED_TRACE(step.popped);
    void* out = nullptr;
    EXPECT_EQ(plain->Pop(&out), ZR_OK);
    EXPECT_EQ(value(out), step.popped);
    EXPECT_EQ(values(arrayOrder(plain)), step.after);
    EXPECT_EQ(keyed->Pop(&out), ZR_OK);
    EXPECT_EQ(value(out), step.popped);
    EXPECT_EQ(values(arrayOrder(keyed)), step.after);
  }
  EXPECT_EQ(plain->GetDeferOrder(), ZR_OK);  // popping leaves the deferral on
  plain->Release();
  keyed->Release();
}

// The keyed heap against a map from each live item to its node and current
// key, with removals and key decreases; items are unique serials.
TEST(KeyedBinaryHeapTest, AgreesWithModel) {
  auto* heap = make<IKeyedBinaryHeap>(CLSID_IKeyedBinaryHeapImp);
  int keyCalls = 0;
  heap->SetKeyContext(&keyCalls);
  heap->SetKeyFunc([](void* x, void* context) {
    ++*static_cast<int*>(context);
    return static_cast<double>(value(x));
  });
  struct Entry {
    IKeyedBinaryHeap::Node* node;
    double key;
  };
  std::map<intptr_t, Entry> live;
  std::mt19937 random(31337);
  intptr_t serial = 0;
  int pushes = 0;
  const auto leastKey = [&] {
    double least = INFINITY;
    for (const auto& [id, entry] : live) least = std::min(least, entry.key);
    return least;
  };
  const auto popAndCheck = [&]() -> testing::AssertionResult {
    const double least = leastKey();
    void* out = nullptr;
    if (heap->Pop(&out) != ZR_OK || out == nullptr) return testing::AssertionFailure() << "pop failed";
    const auto it = live.find(number(out));
    if (it == live.end() || it->second.key != least)
      return testing::AssertionFailure() << "popped " << number(out) << ", not a least key";
    live.erase(it);
    return testing::AssertionSuccess();
  };
  for (int step = 0; step < 4000; ++step) {
    const unsigned what = random() % 10;
    if (what < 4 || live.empty()) {
      IKeyedBinaryHeap::Node* node = nullptr;
      const intptr_t id = static_cast<intptr_t>(random() % 100) * 100000 + serial++;
      ASSERT_EQ(heap->Push(item(id), &node), ZR_OK);
      live[id] = {node, static_cast<double>(id / 100)};
      ++pushes;
      continue;
    }
    auto it = live.begin();
    std::advance(it, random() % live.size());
    if (what < 6) {
      ASSERT_TRUE(popAndCheck()) << "step " << step;
    } else if (what < 8) {
      const double lower = it->second.key - static_cast<double>(random() % 3000);
      ASSERT_EQ(heap->DecreaseKey(it->second.node, lower), ZR_OK);
      it->second.key = lower;
    } else {
      ASSERT_EQ(heap->Remove(it->second.node), ZR_OK);
      live.erase(it);
    }
  }
  EXPECT_EQ(keyCalls, pushes);  // keys are computed once per push
  while (!live.empty()) ASSERT_TRUE(popAndCheck());
  heap->Release();
}

}  // namespace
