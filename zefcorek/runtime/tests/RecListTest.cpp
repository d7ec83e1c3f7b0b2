#include "zefcorek/RecList.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

using Node = TRecListNodeType_Dummy;
constexpr unsigned kNone = 0xFFFFFFFFu;

// A 12-byte record: a sort key, a serial that tells equal keys apart, and a
// tag for the copies.
struct Rec {
  int32_t key;
  int32_t serial;
  int32_t tag;
  bool operator==(const Rec&) const = default;
};

IRecList* makeList(unsigned recordSize) {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IRecListImp, &out, 0), S_OK);
  auto* list = static_cast<IRecList*>(out);
  EXPECT_EQ(list->SetOption(0, recordSize), ZR_OK);
  return list;
}

std::vector<Rec> records(IRecList* list) {
  std::vector<Rec> out;
  Node* node = nullptr;
  list->GetHead(&node);
  while (node != nullptr) {
    Rec r{};
    list->GetNodeRecord(node, &r);
    out.push_back(r);
    list->GetNextNode(node, &node);
  }
  return out;
}

std::vector<int32_t> keys(IRecList* list) {
  std::vector<int32_t> out;
  for (const Rec& r : records(list)) out.push_back(r.key);
  return out;
}

int32_t byKey(const void* a, const void* b, void*) {
  return static_cast<const Rec*>(a)->key - static_cast<const Rec*>(b)->key;
}

int32_t keyMatches(const void* record, const void* key, void*) {
  return static_cast<const Rec*>(record)->key == *static_cast<const int32_t*>(key) ? 0 : 1;
}

int32_t recordRelease(void* record, Node*, void* context) {
  static_cast<std::vector<int32_t>*>(context)->push_back(static_cast<Rec*>(record)->key);
  return 0;
}

class RecListTest : public testing::Test {
protected:
  void SetUp() override {
    list = makeList(sizeof(Rec));
    list->SetReleaseCallback(&recordRelease, &released);
  }
  void TearDown() override {
    if (list != nullptr) list->Release();
  }
  void fill(std::initializer_list<int32_t> ks) {
    int32_t serial = 0;
    for (int32_t k : ks) {
      const Rec r{k, serial++, 0};
      ASSERT_EQ(list->AddTail(&r, nullptr), ZR_OK);
    }
  }

  IRecList* list = nullptr;
  std::vector<int32_t> released;
};

TEST_F(RecListTest, RecordSizeAndOptions) {
  void* out = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IRecListImp, &out, 0), S_OK);
  auto* fresh = static_cast<IRecList*>(out);
  unsigned value = 0;
  EXPECT_EQ(fresh->GetOption(0, &value), ZR_OK);
  EXPECT_EQ(value, 4u);
  EXPECT_EQ(fresh->GetOption(2, &value), ZR_OK);
  EXPECT_EQ(value, 64u);
  EXPECT_EQ(fresh->GetOption(1, &value), ZR_OK);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(fresh->GetOption(7, &value), ZR_BADARG);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(fresh->SetOption(4, 1), ZR_OK);
  EXPECT_EQ(fresh->SetOption(9, 1), ZR_BADARG);
  EXPECT_EQ(fresh->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(out, static_cast<void*>(fresh));

  EXPECT_EQ(fresh->SetOption(0, 12), ZR_OK);
  fresh->AddTail(nullptr, nullptr);
  EXPECT_EQ(fresh->SetOption(0, 8), ZR_FAILED);
  EXPECT_EQ(fresh->GetOption(0, &value), ZR_OK);
  EXPECT_EQ(value, 12u);
  // A null record adds zeros.
  Rec r{1, 2, 3};
  EXPECT_EQ(fresh->GetAt(0, &r), ZR_OK);
  EXPECT_EQ(r, (Rec{0, 0, 0}));
  fresh->Release();
}

TEST_F(RecListTest, CopiesInAndOut) {
  fill({1, 2, 3});
  Rec r{9, 9, 9};
  // Bad indexes and nodes zero-fill the caller's record.
  EXPECT_EQ(list->GetAt(3, &r), ZR_BADARG);
  EXPECT_EQ(r, (Rec{0, 0, 0}));
  r = Rec{9, 9, 9};
  EXPECT_EQ(list->GetNodeRecord(nullptr, &r), ZR_BADARG);
  EXPECT_EQ(r, (Rec{0, 0, 0}));
  void* ptr = &r;
  EXPECT_EQ(list->GetRecordPtrAt(3, &ptr), ZR_BADARG);
  EXPECT_EQ(ptr, nullptr);
  EXPECT_EQ(list->GetNodeRecordPtr(nullptr, &ptr), ZR_BADARG);

  // The pointer reads the record in place; SetAt overwrites it.
  ASSERT_EQ(list->GetRecordPtrAt(1, &ptr), ZR_OK);
  const Rec replacement{7, 7, 7};
  ASSERT_EQ(list->SetAt(1, &replacement), ZR_OK);
  EXPECT_EQ(*static_cast<Rec*>(ptr), replacement);
  EXPECT_EQ(list->SetAt(3, &replacement), ZR_BADARG);
  EXPECT_EQ(list->SetAt(0, nullptr), ZR_BADARG);
  EXPECT_EQ(list->SetNodeRecord(nullptr, &replacement), ZR_BADARG);
  EXPECT_EQ(keys(list), (std::vector<int32_t>{1, 7, 3}));
}

// Index moves on [1, 2, 3, 4] and insertions by index.
TEST_F(RecListTest, MovesByIndex) {
  const struct {
    const char* name;
    ZRESULT (*edit)(IRecList*);
    ZRESULT result;
    std::vector<int32_t> after;
  } cases[] = {
      {"MoveAt 0 to 2", [](IRecList* l) { return l->MoveAt(0, 2); }, ZR_OK, {2, 1, 3, 4}},
      {"MoveAt 0 to 4", [](IRecList* l) { return l->MoveAt(0, 4); }, ZR_OK, {2, 3, 4, 1}},
      {"MoveAt 3 to 0", [](IRecList* l) { return l->MoveAt(3, 0); }, ZR_OK, {4, 1, 2, 3}},
      {"MoveAt 1 to 1", [](IRecList* l) { return l->MoveAt(1, 1); }, ZR_OK, {1, 2, 3, 4}},
      {"MoveAt from 4", [](IRecList* l) { return l->MoveAt(4, 0); }, ZR_BADARG, {1, 2, 3, 4}},
      {"SwapAt 0 and 3", [](IRecList* l) { return l->SwapAt(0, 3); }, ZR_OK, {4, 2, 3, 1}},
      {"SwapAt 2 and 1", [](IRecList* l) { return l->SwapAt(2, 1); }, ZR_OK, {1, 3, 2, 4}},
      {"SwapAt with 4", [](IRecList* l) { return l->SwapAt(0, 4); }, ZR_BADARG, {1, 2, 3, 4}},
      {"InsertAt count",
       [](IRecList* l) {
         const Rec r{9, 0, 0};
         return l->InsertAt(&r, 4, nullptr);
       },
       ZR_OK,
       {1, 2, 3, 4, 9}},
      {"InsertAt past count",
       [](IRecList* l) {
         const Rec r{9, 0, 0};
         Node* out = nullptr;
         l->GetHead(&out);
         const ZRESULT result = l->InsertAt(&r, 5, &out);
         return out == nullptr ? result : ZR_OK;
       },
       ZR_BADARG,
       {1, 2, 3, 4}},
      {"RemoveAt 1 to the end", [](IRecList* l) { return l->RemoveAt(1, kNone, false); }, ZR_OK, {1}},
      {"RemoveAt past the end", [](IRecList* l) { return l->RemoveAt(4, 1, false); }, ZR_BADARG, {1, 2, 3, 4}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    list->Clear(false);
    fill({1, 2, 3, 4});
    EXPECT_EQ(row.edit(list), row.result);
    EXPECT_EQ(keys(list), row.after);
  }
}

TEST_F(RecListTest, SearchesWithACompareCallback) {
  fill({5, 6, 7, 6});
  const int32_t six = 6, seven = 7, nine = 9;
  Node* node = nullptr;
  unsigned index = 0;
  // FindNode passes the key first.
  const auto keyFirst = [](const void* key, const void* record, void*) -> int32_t {
    return keyMatches(record, key, nullptr);
  };
  ASSERT_EQ(list->FindNode(keyFirst, nullptr, &six, &node), ZR_OK);
  EXPECT_EQ(list->IndexOfNode(node, &index), ZR_OK);
  EXPECT_EQ(index, 1u);
  EXPECT_EQ(list->IndexOfItem(&keyMatches, nullptr, &six, &index), ZR_OK);
  EXPECT_EQ(index, 1u);
  // The cursor is asked first.
  list->GetNodeAt(3, &node);
  EXPECT_EQ(list->IndexOfItem(&keyMatches, nullptr, &six, &index), ZR_OK);
  EXPECT_EQ(index, 3u);
  EXPECT_EQ(list->IndexOfItem(&keyMatches, nullptr, &nine, &index), ZR_NO);
  EXPECT_EQ(index, kNone);
  EXPECT_EQ(list->IndexOfItem(nullptr, nullptr, &nine, &index), ZR_BADARG);

  ASSERT_EQ(list->Search(&seven, &keyMatches, nullptr, &index, &node), ZR_OK);
  EXPECT_EQ(index, 2u);
  const auto stop = [](const void*, const void*, void*) -> int32_t { return -2; };
  EXPECT_EQ(list->Search(&six, stop, nullptr, &index, &node), ZR_OK);
  EXPECT_EQ(index, kNone);
  EXPECT_EQ(node, nullptr);

  const auto refuse = [](const void*, const void*, void*, int32_t) -> int32_t { return -2; };
  const Rec r{1, 0, 0};
  node = reinterpret_cast<Node*>(&index);
  EXPECT_EQ(list->InsertSorted(&r, refuse, nullptr, &node), ZR_NO);
  EXPECT_EQ(node, nullptr);
  EXPECT_EQ(keys(list), (std::vector<int32_t>{5, 6, 7, 6}));
}

TEST_F(RecListTest, SortKeepsEqualRecordsInOrder) {
  fill({2, 1, 2, 0, 1, 2, 0});
  ASSERT_EQ(list->Sort(&byKey, nullptr), ZR_OK);
  std::vector<std::pair<int32_t, int32_t>> got;
  for (const Rec& r : records(list)) got.emplace_back(r.key, r.serial);
  EXPECT_EQ(got, (std::vector<std::pair<int32_t, int32_t>>{{0, 3}, {0, 6}, {1, 1}, {1, 4}, {2, 0}, {2, 2}, {2, 5}}));
}

TEST_F(RecListTest, ListsOfDifferentRecordSizesDoNotMix) {
  fill({1, 2});
  IRecList* small = makeList(4);
  const int32_t x = 42;
  small->AddTail(&x, nullptr);
  EXPECT_EQ(list->CopyFrom(small), ZR_FAILED);
  EXPECT_EQ(list->AppendCopyRange(small, 0, kNone), ZR_FAILED);
  // Joining would read the small nodes past their end.
  EXPECT_EQ(list->AppendList(small), ZR_FAILED);
  EXPECT_EQ(keys(list), (std::vector<int32_t>{1, 2}));
  unsigned count = 0;
  small->GetCount(&count);
  EXPECT_EQ(count, 1u);
  small->Release();
  EXPECT_TRUE(released.empty());
}

TEST_F(RecListTest, CopiesAndJoinsOfEqualSizes) {
  fill({1, 2});
  IRecList* other = makeList(sizeof(Rec));
  const Rec a{3, 0, 0}, b{4, 0, 0};
  other->AddTail(&a, nullptr);
  other->AddTail(&b, nullptr);

  ASSERT_EQ(list->AppendCopyRange(other, 1, kNone), ZR_OK);
  EXPECT_EQ(keys(list), (std::vector<int32_t>{1, 2, 4}));
  ASSERT_EQ(list->AppendCopyRange(list, 1, kNone), ZR_OK);
  EXPECT_EQ(keys(list), (std::vector<int32_t>{1, 2, 4, 2, 4}));
  ASSERT_EQ(list->CopyFrom(other), ZR_OK);
  EXPECT_EQ(released, (std::vector<int32_t>{1, 2, 4, 2, 4}));
  EXPECT_EQ(keys(list), (std::vector<int32_t>{3, 4}));
  EXPECT_EQ(list->CopyFrom(list), ZR_BADARG);

  ASSERT_EQ(list->AppendList(other), ZR_OK);
  EXPECT_EQ(keys(list), (std::vector<int32_t>{3, 4, 3, 4}));
  EXPECT_EQ(other->IsEmpty(), ZR_OK);
  Node* cursor = nullptr;
  unsigned index = 0;
  list->GetCursor(&cursor, &index);
  EXPECT_EQ(index, 1u);
  other->Release();
}

TEST_F(RecListTest, AWrongCursorDoesNotRunOffTheList) {
  fill({1, 2, 3, 4});
  Node* head = nullptr;
  list->GetHead(&head);
  ASSERT_EQ(list->SetCursor(head, 3), ZR_OK);  // head claimed to be at 3
  EXPECT_EQ(list->SetCursor(nullptr, 0), ZR_BADARG);
  Rec r{};
  EXPECT_EQ(list->GetAt(3, &r), ZR_OK);  // answers from the wrong cursor
  EXPECT_EQ(list->GetAt(2, &r), ZR_OK);  // would walk back past the head
  EXPECT_EQ(r.key, 3);
}

TEST_F(RecListTest, LastReleaseReleasesEveryRecord) {
  fill({1, 2, 3});
  EXPECT_EQ(list->IsCountOutside(0, 0), ZR_NO);
  list->Release();
  list = nullptr;
  EXPECT_EQ(released, (std::vector<int32_t>{1, 2, 3}));
}

// Random operations against a std::vector model; sorts compared with
// std::stable_sort.
TEST_F(RecListTest, AgreesWithVectorModel) {
  list->SetOption(1, 1);
  std::mt19937 random(1209);
  std::vector<Rec> model;
  auto below = [&](size_t n) { return static_cast<unsigned>(random() % n); };
  int32_t serial = 0;
  for (int step = 0; step < 3000; ++step) {
    const unsigned n = static_cast<unsigned>(model.size());
    const Rec fresh{static_cast<int32_t>(below(6)), serial++, 0};
    switch (below(7)) {
      case 0:
      case 1: {
        const unsigned at = below(n + 1);
        ASSERT_EQ(list->InsertAt(&fresh, at, nullptr), ZR_OK);
        model.insert(model.begin() + at, fresh);
        break;
      }
      case 2:
        if (n > 0) {
          const unsigned at = below(n), k = below(3);
          ASSERT_EQ(list->RemoveAt(at, k, false), ZR_OK);
          model.erase(model.begin() + at, model.begin() + std::min(n, at + k));
        }
        break;
      case 3:
        if (n > 0) {
          const unsigned from = below(n), to = below(n + 1);
          ASSERT_EQ(list->MoveAt(from, to), ZR_OK);
          const Rec moved = model[from];
          if (to >= n) {
            model.erase(model.begin() + from);
            model.push_back(moved);
          } else if (from != to) {
            const unsigned target = from < to ? to - 1 : to;
            model.erase(model.begin() + from);
            model.insert(model.begin() + target, moved);
          }
        }
        break;
      case 4:
        if (n > 0) {
          const unsigned i = below(n), j = below(n);
          ASSERT_EQ(list->SwapAt(i, j), ZR_OK);
          std::swap(model[i], model[j]);
        }
        break;
      case 5:
        if (n > 0) {
          const unsigned at = below(n);
          Rec got{};
          ASSERT_EQ(list->GetAt(at, &got), ZR_OK);
          ASSERT_EQ(got, model[at]);
        }
        break;
      case 6:
        if (below(10) == 0) {
          ASSERT_EQ(list->Sort(&byKey, nullptr), ZR_OK);
          std::stable_sort(model.begin(), model.end(), [](const Rec& a, const Rec& b) { return a.key < b.key; });
        }
        break;
    }
    ASSERT_EQ(records(list), model) << "step " << step;
  }
}

}  // namespace
