#include "zefcorek/PtrArray.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

namespace {

// Distinct fake items: the array never dereferences them.
void* item(uintptr_t n) { return reinterpret_cast<void*>(n * 16); }
void* const a = item(1);
void* const b = item(2);
void* const c = item(3);
void* const d = item(4);
void* const p = item(9);

struct Released {
  void* item;
  unsigned index;
  bool operator==(const Released&) const = default;
};

void recordRelease(void* released, void* context, unsigned index) {
  static_cast<std::vector<Released>*>(context)->push_back({released, index});
}

std::vector<void*> contents(IPtrArray* array) {
  std::vector<void*> items;
  for (unsigned i = 0; i < array->GetCount(); ++i) items.push_back(array->GetAt(i));
  return items;
}

// A factory-made array that records what it releases; released at the end.
class PtrArrayTest : public testing::Test {
protected:
  void SetUp() override {
    void* out = nullptr;
    ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IPtrArrayImp, &out, 0), S_OK);
    array = static_cast<IPtrArray*>(out);
    array->SetReleaseCallback(&recordRelease, &released);
  }
  void TearDown() override {
    if (array != nullptr) array->Release();
  }
  void fill(std::initializer_list<void*> items) {
    for (void* x : items) ASSERT_EQ(array->Add(x, nullptr), ZR_OK);
  }

  IPtrArray* array = nullptr;
  std::vector<Released> released;
};

TEST_F(PtrArrayTest, FactoryMakesAnEmptyArrayThatAnswersNoInterface) {
  EXPECT_EQ(array->GetRefCount(), 1);
  EXPECT_EQ(array->GetCapacity(), 0u);
  EXPECT_EQ(array->GetCount(), 0u);
  EXPECT_EQ(array->GetGrowBy(), 4u);
  void* out = a;
  EXPECT_EQ(array->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(out, a);
  EXPECT_EQ(array->GetRefCount(), 1);
  EXPECT_EQ(array->Reserved(5), ZR_NOTSUPPORTED);
}

TEST_F(PtrArrayTest, GrowsByItsStep) {
  unsigned index = 99;
  for (unsigned i = 0; i < 5; ++i) {
    ASSERT_EQ(array->Add(item(i + 1), &index), ZR_OK);
    EXPECT_EQ(index, i);
  }
  EXPECT_EQ(array->GetCapacity(), 8u);

  EXPECT_EQ(array->SetGrowBy(0), ZR_BADARG);
  EXPECT_EQ(array->GetGrowBy(), 4u);
  ASSERT_EQ(array->SetGrowBy(100), ZR_OK);
  fill({a, b, c});
  EXPECT_EQ(array->GetCapacity(), 8u);
  fill({d});
  EXPECT_EQ(array->GetCapacity(), 108u);

  // Runs grow by their length plus the step.
  ASSERT_EQ(array->AddN(p, 200, &index), ZR_OK);
  EXPECT_EQ(index, 9u);
  EXPECT_EQ(array->GetCapacity(), 108u + 200u + 100u);
  ASSERT_EQ(array->AddN(p, 0, &index), ZR_OK);
  EXPECT_EQ(index, 209u);

  // Setting a capacity between the count and the capacity changes nothing.
  EXPECT_EQ(array->SetCapacity(300, false), ZR_OK);
  EXPECT_EQ(array->GetCapacity(), 408u);
}

TEST_F(PtrArrayTest, IndexAndRangeChecks) {
  fill({a, b});
  void* out = p;
  EXPECT_EQ(array->Get(2, &out), ZR_BADARG);
  EXPECT_EQ(array->Get(0, nullptr), ZR_BADARG);
  EXPECT_EQ(array->GetAt(2), nullptr);
  EXPECT_EQ(array->Insert(3, p), ZR_BADARG);
  EXPECT_EQ(array->InsertN(3, p, 1), ZR_BADARG);
  EXPECT_EQ(array->Replace(2, p, false), ZR_BADARG);
  EXPECT_EQ(array->Delete(2, false), ZR_BADARG);
  EXPECT_EQ(array->DeleteRange(2, 0, false), ZR_OK);
  EXPECT_EQ(array->DeleteRange(3, 0, false), ZR_BADARG);
  EXPECT_EQ(array->DeleteRange(1, 2, false), ZR_BADARG);
  // A range whose end passes 4 GiB must not wrap round to a small index.
  EXPECT_EQ(array->DeleteRange(1, 0xFFFFFFFFu, false), ZR_BADARG);
  EXPECT_EQ(array->ReverseRange(1, 0xFFFFFFFFu), ZR_BADARG);
  EXPECT_EQ(array->ReverseRange(0, 0), ZR_BADARG);
  EXPECT_EQ(array->Swap(0, 2), ZR_BADARG);
  IPtrArray* clone = nullptr;
  EXPECT_EQ(array->CloneRange(1, 0xFFFFFFFFu, &clone), ZR_BADARG);
  EXPECT_EQ(array->Clone(nullptr), ZR_BADARG);
  EXPECT_EQ(array->AddN(p, 0xFFFFFFFFu, nullptr), ZR_OUTOFMEMORY);
  EXPECT_EQ(contents(array), (std::vector<void*>{a, b}));
  EXPECT_TRUE(released.empty());
}

// Edits on [a, b, c, d]: the resulting items and what reached the callback.
TEST_F(PtrArrayTest, EditsAndTheirReleases) {
  using Edit = void (*)(IPtrArray*);
  const struct {
    const char* name;
    Edit edit;
    std::vector<void*> after;
    std::vector<Released> released;
  } cases[] = {
      {"Insert at 0", [](IPtrArray* x) { x->Insert(0, p); }, {p, a, b, c, d}, {}},
      {"Insert at count", [](IPtrArray* x) { x->Insert(4, p); }, {a, b, c, d, p}, {}},
      {"InsertN", [](IPtrArray* x) { x->InsertN(1, p, 2); }, {a, p, p, b, c, d}, {}},
      {"InsertN of 0", [](IPtrArray* x) { x->InsertN(1, p, 0); }, {a, b, c, d}, {}},
      {"Replace releasing", [](IPtrArray* x) { x->Replace(1, p, true); }, {a, p, c, d}, {{b, 1}}},
      {"Replace keeping", [](IPtrArray* x) { x->Replace(1, p, false); }, {a, p, c, d}, {}},
      {"Delete", [](IPtrArray* x) { x->Delete(0, false); }, {b, c, d}, {}},
      {"DeleteRange releasing", [](IPtrArray* x) { x->DeleteRange(1, 2, true); }, {a, d}, {{b, 1}, {c, 2}}},
      {"Swap", [](IPtrArray* x) { x->Swap(0, 3); }, {d, b, c, a}, {}},
      {"Swap with itself", [](IPtrArray* x) { x->Swap(2, 2); }, {a, b, c, d}, {}},
      {"Reverse", [](IPtrArray* x) { x->Reverse(); }, {d, c, b, a}, {}},
      {"ReverseRange", [](IPtrArray* x) { x->ReverseRange(1, 2); }, {a, c, b, d}, {}},
      {"SetCount shrinking with release", [](IPtrArray* x) { x->SetCount(2, true); }, {a, b}, {{c, 2}, {d, 3}}},
      {"SetCount shrinking then growing",
       [](IPtrArray* x) {
         x->SetCount(2, false);
         x->SetCount(4, false);
       },
       {a, b, nullptr, nullptr},
       {}},
      {"SetCapacity below count", [](IPtrArray* x) { x->SetCapacity(1, true); }, {a}, {{b, 1}, {c, 2}, {d, 3}}},
      {"SetCount 0 with release", [](IPtrArray* x) { x->SetCount(0, true); }, {}, {{a, 0}, {b, 1}, {c, 2}, {d, 3}}},
      {"Clear without release", [](IPtrArray* x) { x->Clear(false); }, {}, {}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    array->Clear(false);
    released.clear();
    fill({a, b, c, d});
    row.edit(array);
    EXPECT_EQ(contents(array), row.after);
    EXPECT_EQ(released, row.released);
  }
}

TEST_F(PtrArrayTest, BlockIsFreedByClearAndKeptByShrinks) {
  fill({a, b, c, d, a});
  ASSERT_EQ(array->SetCount(2, true), ZR_OK);
  EXPECT_EQ(array->GetCapacity(), 8u);
  ASSERT_EQ(array->SetCount(0, false), ZR_OK);
  EXPECT_EQ(array->GetCapacity(), 0u);

  // On an empty array a capacity of 0 keeps the block.
  ASSERT_EQ(array->SetCapacity(10, false), ZR_OK);
  ASSERT_EQ(array->SetCapacity(0, false), ZR_OK);
  EXPECT_EQ(array->GetCapacity(), 10u);

  array->Clear(true);
  EXPECT_EQ(array->Clear(true), ZR_OK);
  EXPECT_EQ(array->GetCapacity(), 0u);
}

TEST_F(PtrArrayTest, RemoveNullItemsAndIndexOf) {
  fill({nullptr, a, nullptr, b, a});
  unsigned index = 0;
  EXPECT_EQ(array->IndexOf(a, &index), ZR_OK);
  EXPECT_EQ(index, 1u);
  EXPECT_EQ(array->IndexOf(nullptr, nullptr), ZR_BADARG);
  ASSERT_EQ(array->RemoveNullItems(), ZR_OK);
  EXPECT_EQ(contents(array), (std::vector<void*>{a, b, a}));
  EXPECT_EQ(array->IndexOf(p, &index), ZR_NO);
  EXPECT_EQ(index, 0xFFFFFFFFu);

  array->Clear(false);
  fill({nullptr, nullptr});
  ASSERT_EQ(array->RemoveNullItems(), ZR_OK);
  EXPECT_EQ(array->GetCount(), 0u);
  EXPECT_EQ(array->GetCapacity(), 0u);
  EXPECT_TRUE(released.empty());
}

TEST_F(PtrArrayTest, CloneIsShallowAndWithoutCallback) {
  fill({a, b, c});
  IPtrArray* clone = nullptr;
  ASSERT_EQ(array->Clone(&clone), ZR_OK);
  EXPECT_EQ(contents(clone), (std::vector<void*>{a, b, c}));
  EXPECT_EQ(clone->GetCapacity(), 3u);
  EXPECT_EQ(clone->GetGrowBy(), 4u);
  EXPECT_EQ(clone->GetRefCount(), 1);
  IPtrArray::ReleaseFunc fn = &recordRelease;
  EXPECT_EQ(clone->GetReleaseCallback(&fn, nullptr), ZR_OK);
  EXPECT_EQ(fn, nullptr);
  clone->Release();

  ASSERT_EQ(array->CloneRange(1, 2, &clone), ZR_OK);
  EXPECT_EQ(contents(clone), (std::vector<void*>{b, c}));
  clone->Release();
  ASSERT_EQ(array->CloneRange(3, 0, &clone), ZR_OK);
  EXPECT_EQ(clone->GetCount(), 0u);
  clone->Release();
  EXPECT_TRUE(released.empty());
}

TEST_F(PtrArrayTest, LastReleaseReleasesRemainingItems) {
  fill({a, b});
  void* context = nullptr;
  EXPECT_EQ(array->GetReleaseCallback(nullptr, nullptr), ZR_BADARG);
  EXPECT_EQ(array->GetReleaseCallback(nullptr, &context), ZR_OK);
  EXPECT_EQ(context, &released);
  EXPECT_EQ(array->Release(), 0u);
  array = nullptr;
  EXPECT_EQ(released, (std::vector<Released>{{a, 0}, {b, 1}}));
}

// Random edits against a std::vector model, released items included.
TEST_F(PtrArrayTest, AgreesWithVectorModel) {
  std::mt19937 random(20261209);
  std::vector<void*> model;
  std::vector<Released> modelReleased;
  auto below = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
  for (int step = 0; step < 4000; ++step) {
    const unsigned n = static_cast<unsigned>(model.size());
    void* x = below(8) == 0 ? nullptr : item(1 + below(50));
    switch (below(8)) {
      case 0:
        ASSERT_EQ(array->Add(x, nullptr), ZR_OK);
        model.push_back(x);
        break;
      case 1: {
        const unsigned at = below(n + 2), k = below(4);
        const ZRESULT r = array->InsertN(at, x, k);
        ASSERT_EQ(r, at <= n ? ZR_OK : ZR_BADARG);
        if (r == ZR_OK) model.insert(model.begin() + at, k, x);
        break;
      }
      case 2: {
        const unsigned first = below(n + 2), k = below(5);
        const ZRESULT r = array->DeleteRange(first, k, true);
        ASSERT_EQ(r, first + k <= n ? ZR_OK : ZR_BADARG);
        if (r != ZR_OK) break;
        for (unsigned i = first; i < first + k; ++i) modelReleased.push_back({model[i], i});
        model.erase(model.begin() + first, model.begin() + first + k);
        break;
      }
      case 3:
        if (n > 0) {
          const unsigned i = below(n), j = below(n);
          ASSERT_EQ(array->Swap(i, j), ZR_OK);
          std::swap(model[i], model[j]);
        }
        break;
      case 4:
        if (n > 0) {
          const unsigned first = below(n), k = 1 + below(n - first);
          ASSERT_EQ(array->ReverseRange(first, k), ZR_OK);
          std::reverse(model.begin() + first, model.begin() + first + k);
        }
        break;
      case 5: {
        const unsigned k = below(n + 3);
        ASSERT_EQ(array->SetCount(k, true), ZR_OK);
        for (unsigned i = k; i < n; ++i) modelReleased.push_back({model[i], i});
        model.resize(k, nullptr);
        break;
      }
      case 6:
        ASSERT_EQ(array->RemoveNullItems(), ZR_OK);
        std::erase(model, nullptr);
        break;
      case 7: {
        unsigned index = 0;
        const auto found = std::find(model.begin(), model.end(), x);
        EXPECT_EQ(array->IndexOf(x, &index), found == model.end() ? ZR_NO : ZR_OK);
        EXPECT_EQ(index, found == model.end() ? 0xFFFFFFFFu : static_cast<unsigned>(found - model.begin()));
        break;
      }
    }
    ASSERT_EQ(contents(array), model) << "step " << step;
    ASSERT_LE(array->GetCount(), array->GetCapacity());
  }
  EXPECT_EQ(released, modelReleased);
}

}  // namespace
