#include "zefcorek/PtrList.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <set>
#include <vector>

namespace {

using Node = TPtrListNode;
constexpr unsigned kNone = 0xFFFFFFFFu;

// Fake items that carry a small number: the list never dereferences them.
void* item(uintptr_t n) { return reinterpret_cast<void*>(n << 4); }
uintptr_t number(void* x) { return reinterpret_cast<uintptr_t>(x) >> 4; }

IPtrList* makeList() {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IPtrListImp, &out, 0), S_OK);
  return static_cast<IPtrList*>(out);
}

std::vector<uintptr_t> numbers(IPtrList* list) {
  std::vector<uintptr_t> out;
  Node* node = nullptr;
  list->GetHead(&node);
  while (node != nullptr) {
    void* x = nullptr;
    list->GetItem(node, &x);
    out.push_back(number(x));
    list->GetNextNode(node, &node);
  }
  return out;
}

// The cursor, when set, must be the node at its index; checked without
// moving it.
testing::AssertionResult cursorIsRight(IPtrList* list) {
  Node* cursor = nullptr;
  unsigned index = 0;
  list->GetCursor(&cursor, &index);
  if (cursor == nullptr)
    return index == kNone ? testing::AssertionSuccess()
                          : testing::AssertionFailure() << "no cursor but index " << index;
  Node* node = nullptr;
  list->GetHead(&node);
  for (unsigned i = 0; node != nullptr; ++i, list->GetNextNode(node, &node)) {
    if (node == cursor)
      return i == index ? testing::AssertionSuccess()
                        : testing::AssertionFailure() << "cursor at " << i << " reads " << index;
  }
  return testing::AssertionFailure() << "cursor node not in the list";
}

int32_t recordRelease(void* x, Node*, void* context) {
  static_cast<std::vector<uintptr_t>*>(context)->push_back(number(x));
  return 0;
}

int32_t ascending(void* newItem, void* nodeItem, void*, bool) { return number(newItem) < number(nodeItem) ? -1 : 1; }

// Items are (key * 10 + serial): the sort compares keys only.
int32_t byKey(void* a, void* b, void*) {
  return static_cast<int32_t>(number(a) / 10) - static_cast<int32_t>(number(b) / 10);
}

class PtrListTest : public testing::Test {
protected:
  void SetUp() override {
    list = makeList();
    list->SetReleaseCallback(&recordRelease, &released);
  }
  void TearDown() override {
    if (list != nullptr) list->Release();
  }
  void fill(std::initializer_list<uintptr_t> items) {
    for (uintptr_t n : items) ASSERT_EQ(list->AddTail(item(n), nullptr), ZR_OK);
  }

  IPtrList* list = nullptr;
  std::vector<uintptr_t> released;
};

TEST_F(PtrListTest, OptionsAndIdentity) {
  unsigned value = 7;
  EXPECT_EQ(list->GetOption(0, &value), ZR_OK);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(list->GetOption(1, &value), ZR_OK);
  EXPECT_EQ(value, 64u);
  EXPECT_EQ(list->GetOption(2, &value), ZR_BADARG);
  EXPECT_EQ(value, 0u);
  value = 7;
  EXPECT_EQ(list->GetOption(5, &value), ZR_OK);
  EXPECT_EQ(value, 7u);
  EXPECT_EQ(list->GetOption(0, nullptr), ZR_BADARG);
  EXPECT_EQ(list->SetOption(5, 1), ZR_OK);
  EXPECT_EQ(list->SetOption(7, 1), ZR_BADARG);
  EXPECT_EQ(list->SetOption(0, 9), ZR_OK);
  EXPECT_EQ(list->GetOption(0, &value), ZR_OK);
  EXPECT_EQ(value, 1u);

  void* out = item(1);
  EXPECT_EQ(list->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(out, item(1));
  EXPECT_EQ(list->GetRefCount(), 1);
}

TEST_F(PtrListTest, PoolRecyclesNodes) {
  list->SetOption(0, 1);
  std::set<Node*> first;
  for (uintptr_t i = 0; i < 10; ++i) {
    Node* node = nullptr;
    ASSERT_EQ(list->AddTail(item(i), &node), ZR_OK);
    first.insert(node);
  }
  list->Clear(false);
  std::set<Node*> second;
  for (uintptr_t i = 0; i < 10; ++i) {
    Node* node = nullptr;
    ASSERT_EQ(list->AddTail(item(i), &node), ZR_OK);
    second.insert(node);
  }
  EXPECT_EQ(first, second);
  // Pooled nodes come back zeroed, not with their old links.
  EXPECT_EQ(numbers(list), (std::vector<uintptr_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  list->Clear(false);
  EXPECT_EQ(list->SetOption(0, 0), ZR_OK);  // frees the pool (the leak checker sees)
}

// Insertions into [1, 2, 4]: answer, resulting items, and what the node
// out-pointer holds afterwards (the new item's number, 0 for null, -1 for
// untouched).
TEST_F(PtrListTest, Insertions) {
  using Insert = ZRESULT (*)(IPtrList*, Node * *out);
  const struct {
    const char* name;
    Insert insert;
    ZRESULT result;
    std::vector<uintptr_t> after;
    int outItem;
  } cases[] = {
      {"InsertAfter null",
       [](IPtrList* l, Node** o) { return l->InsertAfter(item(9), nullptr, o); },
       ZR_OK,
       {9, 1, 2, 4},
       9},
      {"InsertAfter tail",
       [](IPtrList* l, Node** o) {
         Node* tail = nullptr;
         l->GetTail(&tail);
         return l->InsertAfter(item(9), tail, o);
       },
       ZR_OK,
       {1, 2, 4, 9},
       9},
      {"InsertAfter head",
       [](IPtrList* l, Node** o) {
         Node* head = nullptr;
         l->GetHead(&head);
         return l->InsertAfter(item(9), head, o);
       },
       ZR_OK,
       {1, 9, 2, 4},
       9},
      {"InsertAt count", [](IPtrList* l, Node** o) { return l->InsertAt(item(9), 3, o); }, ZR_OK, {1, 2, 4, 9}, 9},
      {"InsertAt middle", [](IPtrList* l, Node** o) { return l->InsertAt(item(9), 1, o); }, ZR_OK, {1, 9, 2, 4}, 9},
      {"InsertAt past count",
       [](IPtrList* l, Node** o) { return l->InsertAt(item(9), 4, o); },
       ZR_BADARG,
       {1, 2, 4},
       0},
      {"InsertSorted 3",
       [](IPtrList* l, Node** o) { return l->InsertSorted(item(3), &ascending, nullptr, o); },
       ZR_OK,
       {1, 2, 3, 4},
       3},
      {"InsertSorted 5",
       [](IPtrList* l, Node** o) { return l->InsertSorted(item(5), &ascending, nullptr, o); },
       ZR_OK,
       {1, 2, 4, 5},
       5},
      {"InsertSorted 0",
       [](IPtrList* l, Node** o) { return l->InsertSorted(item(0), &ascending, nullptr, o); },
       ZR_OK,
       {0, 1, 2, 4},
       0},
      {"InsertSorted refused on the second node",
       [](IPtrList* l, Node** o) {
         return l->InsertSorted(
             item(3), [](void*, void* nodeItem, void*, bool) -> int32_t { return number(nodeItem) == 2 ? -2 : 0; },
             nullptr, o);
       },
       ZR_NO,
       {1, 2, 4},
       0},
      {"InsertSorted without callback",
       [](IPtrList* l, Node** o) { return l->InsertSorted(item(3), nullptr, nullptr, o); },
       ZR_BADARG,
       {1, 2, 4},
       -1},
  };
  Node* const untouched = reinterpret_cast<Node*>(item(77));
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    list->Clear(false);
    fill({1, 2, 4});
    Node* out = untouched;
    EXPECT_EQ(row.insert(list, &out), row.result);
    EXPECT_EQ(numbers(list), row.after);
    if (row.outItem < 0) {
      EXPECT_EQ(out, untouched);
    } else if (row.result != ZR_OK) {
      EXPECT_EQ(out, nullptr);
    } else {
      void* x = nullptr;
      ASSERT_EQ(list->GetItem(out, &x), ZR_OK);
      EXPECT_EQ(number(x), static_cast<uintptr_t>(row.outItem));
    }
    EXPECT_TRUE(cursorIsRight(list));
  }
}

TEST_F(PtrListTest, RemovalAndReleases) {
  fill({1, 2, 3, 4});
  EXPECT_EQ(list->RemoveAt(4, 1, false), ZR_BADARG);
  EXPECT_EQ(list->RemoveAt(1, kNone, true), ZR_OK);
  EXPECT_EQ(numbers(list), (std::vector<uintptr_t>{1}));
  EXPECT_EQ(released, (std::vector<uintptr_t>{2, 3, 4}));

  fill({2, 3});
  EXPECT_EQ(list->RemoveItem(item(9), true), ZR_FAILED);
  EXPECT_EQ(list->RemoveItem(item(2), false), ZR_OK);
  Node* head = nullptr;
  list->GetHead(&head);
  EXPECT_EQ(list->DetachNode(head), ZR_OK);
  EXPECT_EQ(numbers(list), (std::vector<uintptr_t>{3}));
  EXPECT_EQ(list->MoveToHead(nullptr), ZR_BADARG);
  EXPECT_EQ(list->AppendList(nullptr), ZR_BADARG);
  list->Clear(false);

  fill({0, 5, 0, 6});
  EXPECT_EQ(list->RemoveNullItems(), ZR_OK);
  EXPECT_EQ(numbers(list), (std::vector<uintptr_t>{5, 6}));
  EXPECT_EQ(released, (std::vector<uintptr_t>{2, 3, 4}));

  // Detached nodes are the caller's; they come from the C heap.
  std::free(reinterpret_cast<void*>(head));
  Node* h = nullptr;
  EXPECT_EQ(list->DetachAll(&h, nullptr), ZR_BADARG);

  list->Release();
  list = nullptr;
  EXPECT_EQ(released, (std::vector<uintptr_t>{2, 3, 4, 5, 6}));
}

TEST_F(PtrListTest, CursorFollowsTheOperations) {
  for (uintptr_t i = 0; i < 1000; ++i) list->AddTail(item(i), nullptr);
  void* x = nullptr;
  Node* cursor = nullptr;
  unsigned index = 0;
  for (unsigned at : {2u, 3u, 999u, 500u, 0u, 998u, 1u}) {
    ASSERT_EQ(list->GetAt(at, &x), ZR_OK);
    EXPECT_EQ(number(x), at);
    list->GetCursor(nullptr, &index);
    EXPECT_EQ(index, at);
  }
  EXPECT_EQ(list->GetAt(1000, &x), ZR_BADARG);
  EXPECT_EQ(x, nullptr);
  EXPECT_EQ(list->GetCursor(nullptr, nullptr), ZR_BADARG);

  // Removing the cursor node hands the cursor to the next node.
  list->GetAt(10, &x);
  ASSERT_EQ(list->RemoveItem(item(10), false), ZR_OK);
  list->GetCursor(&cursor, &index);
  list->GetItem(cursor, &x);
  EXPECT_EQ(index, 10u);
  EXPECT_EQ(number(x), 11u);
  // Removing an item before the cursor moves its index down.
  ASSERT_EQ(list->RemoveItem(item(3), false), ZR_OK);
  list->GetCursor(&cursor, &index);
  EXPECT_EQ(index, 9u);
  EXPECT_TRUE(cursorIsRight(list));
  // At the tail the cursor steps back.
  list->GetAt(997, &x);
  list->GetCursor(&cursor, nullptr);
  ASSERT_EQ(list->DetachNode(cursor), ZR_OK);
  std::free(reinterpret_cast<void*>(cursor));
  list->GetCursor(&cursor, &index);
  EXPECT_EQ(index, 996u);
  EXPECT_TRUE(cursorIsRight(list));
  // AddHead and MoveToHead keep it right; Sort drops it.
  list->AddHead(item(5000), nullptr);
  EXPECT_TRUE(cursorIsRight(list));
  Node* tail = nullptr;
  list->GetTail(&tail);
  list->MoveToHead(tail);
  EXPECT_TRUE(cursorIsRight(list));
  list->Sort(&byKey, nullptr);
  list->GetCursor(&cursor, &index);
  EXPECT_EQ(cursor, nullptr);
  EXPECT_EQ(index, kNone);
}

TEST_F(PtrListTest, SortIsStable) {
  // Keys 2, 1, 2, 0, 1, 2, 0 with serials in insertion order.
  fill({21, 12, 23, 4, 15, 26, 7});
  ASSERT_EQ(list->Sort(&byKey, nullptr), ZR_OK);
  EXPECT_EQ(numbers(list), (std::vector<uintptr_t>{4, 7, 12, 15, 21, 23, 26}));
  EXPECT_EQ(list->Sort(nullptr, nullptr), ZR_BADARG);

  list->Clear(false);
  fill({21, 10, 22});
  list->Sort(&byKey, nullptr);
  EXPECT_EQ(numbers(list), (std::vector<uintptr_t>{10, 21, 22}));
  Node* tail = nullptr;
  Node* prev = nullptr;
  list->GetTail(&tail);
  list->GetPrevNode(tail, &prev);
  void* x = nullptr;
  list->GetItem(prev, &x);
  EXPECT_EQ(number(x), 21u);  // back links rebuilt

  // Every length up to 70 (odd runs at each level), against std::stable_sort.
  std::mt19937 random(7);
  for (unsigned length = 0; length <= 70; ++length) {
    list->Clear(false);
    std::vector<uintptr_t> model;
    for (unsigned i = 0; i < length; ++i) {
      model.push_back((random() % 5) * 10 + i % 10);
      list->AddTail(item(model.back()), nullptr);
    }
    std::stable_sort(model.begin(), model.end(), [](uintptr_t a, uintptr_t b) { return a / 10 < b / 10; });
    list->Sort(&byKey, nullptr);
    ASSERT_EQ(numbers(list), model) << "length " << length;
  }
}

// Sort moves the nodes, not the items: every node handed out before keeps
// its item, and the back links agree with the forward links, over enough
// items for several rounds of merging.
TEST_F(PtrListTest, SortedNodesKeepTheirItemsAndLinks) {
  std::mt19937 random(11);
  std::vector<std::pair<Node*, void*>> before;
  for (unsigned i = 0; i < 1000; ++i) {
    Node* node = nullptr;
    void* payload = item((random() % 50) * 10 + i % 10);
    list->AddTail(payload, &node);
    before.emplace_back(node, payload);
  }
  ASSERT_EQ(list->Sort(&byKey, nullptr), ZR_OK);
  for (const auto& [node, payload] : before) {
    void* x = nullptr;
    list->GetItem(node, &x);
    ASSERT_EQ(x, payload);
  }
  Node* node = nullptr;
  Node* previous = nullptr;
  unsigned count = 0;
  for (list->GetHead(&node); node != nullptr; list->GetNextNode(node, &node)) {
    Node* back = nullptr;
    list->GetPrevNode(node, &back);
    ASSERT_EQ(back, previous) << "node " << count;
    previous = node;
    ++count;
  }
  EXPECT_EQ(count, 1000u);
}

TEST_F(PtrListTest, SearchVisitAndQuestions) {
  EXPECT_EQ(list->IsEmpty(), ZR_OK);
  EXPECT_EQ(list->IsCountOutside(0, 0), ZR_OK);
  fill({1, 2, 3, 4});
  EXPECT_EQ(list->IsEmpty(), ZR_NO);
  EXPECT_EQ(list->IsCountOutside(2, 5), ZR_OK);
  EXPECT_EQ(list->IsCountOutside(5, 6), ZR_NO);

  unsigned index = 0;
  Node* node = nullptr;
  const auto findThree = [](void* x, void*, void*) -> int32_t { return number(x) == 3 ? 0 : 1; };
  EXPECT_EQ(list->Search(nullptr, findThree, nullptr, &index, &node), ZR_OK);
  EXPECT_EQ(index, 2u);
  Node* cursor = nullptr;
  list->GetCursor(&cursor, nullptr);
  EXPECT_EQ(cursor, node);
  const auto stop = [](void*, void*, void*) -> int32_t { return -2; };
  EXPECT_EQ(list->Search(nullptr, stop, nullptr, &index, &node), ZR_OK);
  EXPECT_EQ(index, kNone);
  EXPECT_EQ(node, nullptr);
  const auto never = [](void*, void*, void*) -> int32_t { return 1; };
  EXPECT_EQ(list->Search(nullptr, never, nullptr, nullptr, nullptr), ZR_NO);
  EXPECT_EQ(list->Search(nullptr, nullptr, nullptr, nullptr, nullptr), ZR_BADARG);

  EXPECT_EQ(list->FindNode(item(4), &node), ZR_OK);
  EXPECT_EQ(list->IndexOfNode(node, &index), ZR_OK);
  EXPECT_EQ(index, 3u);
  EXPECT_EQ(list->IndexOfItem(item(2), &index), ZR_OK);
  EXPECT_EQ(index, 1u);
  EXPECT_EQ(list->IndexOfItem(item(9), &index), ZR_NO);
  EXPECT_EQ(index, kNone);
  EXPECT_EQ(list->FindNode(item(9), &node), ZR_NO);
  EXPECT_EQ(node, nullptr);

  // A walk stopped on the second item; a callback that removes its node.
  int calls = 0;
  const auto stopAtTwo = [](void* x, void* context, Node*) -> int32_t {
    ++*static_cast<int*>(context);
    return number(x) == 2 ? 0 : 1;
  };
  EXPECT_EQ(list->ForEach(stopAtTwo, &calls), ZR_NO);
  EXPECT_EQ(calls, 2);
  const auto removeOdd = [](void* x, void* context, Node* n, void* self) -> int32_t {
    if (number(x) % 2 == 1) static_cast<IPtrList*>(self)->RemoveNode(n, false);
    ++*static_cast<int*>(context);
    return 1;
  };
  calls = 0;
  EXPECT_EQ(list->ForEachEx(removeOdd, &calls, list), ZR_OK);
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(numbers(list), (std::vector<uintptr_t>{2, 4}));
}

TEST_F(PtrListTest, MovesSwapsAndMerges) {
  fill({1, 2, 3});
  Node* head = nullptr;
  list->GetHead(&head);
  ASSERT_EQ(list->MoveToTail(head), ZR_OK);
  EXPECT_EQ(numbers(list), (std::vector<uintptr_t>{2, 3, 1}));
  list->Reverse();
  EXPECT_EQ(numbers(list), (std::vector<uintptr_t>{1, 3, 2}));

  // Swaps: adjacent either way round, apart, with the ends.
  const struct {
    unsigned i, j;
    std::vector<uintptr_t> after;
  } swaps[] = {
      {0, 1, {2, 1, 3, 4}}, {1, 0, {2, 1, 3, 4}}, {0, 3, {4, 2, 3, 1}}, {1, 3, {1, 4, 3, 2}}, {2, 2, {1, 2, 3, 4}}};
  for (const auto& row : swaps) {
    SCOPED_TRACE(testing::Message() << "swap " << row.i << ", " << row.j);
    list->Clear(false);
    fill({1, 2, 3, 4});
    Node* a = nullptr;
    Node* b = nullptr;
    list->GetNodeAt(row.i, &a);
    list->GetNodeAt(row.j, &b);
    ASSERT_EQ(list->SwapNodes(a, b), ZR_OK);
    EXPECT_EQ(numbers(list), row.after);
    list->Reverse();
    std::vector<uintptr_t> backwards(row.after.rbegin(), row.after.rend());
    EXPECT_EQ(numbers(list), backwards);
  }

  list->Clear(false);
  fill({1, 2});
  IPtrList* other = makeList();
  other->AddTail(item(3), nullptr);
  other->AddTail(item(4), nullptr);
  ASSERT_EQ(list->AppendList(other), ZR_OK);
  EXPECT_EQ(numbers(list), (std::vector<uintptr_t>{1, 2, 3, 4}));
  EXPECT_EQ(other->IsEmpty(), ZR_OK);
  Node* cursor = nullptr;
  unsigned index = 0;
  list->GetCursor(&cursor, &index);
  EXPECT_EQ(index, 1u);
  EXPECT_TRUE(cursorIsRight(list));

  // CopyFrom releases this list's own items first and shares the others'.
  other->AddTail(item(7), nullptr);
  other->AddTail(item(8), nullptr);
  ASSERT_EQ(list->CopyFrom(other), ZR_OK);
  EXPECT_EQ(released, (std::vector<uintptr_t>{1, 2, 3, 4}));
  EXPECT_EQ(numbers(list), (std::vector<uintptr_t>{7, 8}));
  EXPECT_EQ(list->CopyFrom(list), ZR_BADARG);

  // Copies of a range, from another list and from the list itself.
  ASSERT_EQ(list->AppendCopyRange(other, 1, kNone), ZR_OK);
  EXPECT_EQ(numbers(list), (std::vector<uintptr_t>{7, 8, 8}));
  ASSERT_EQ(list->AppendCopyRange(list, 0, kNone), ZR_OK);
  EXPECT_EQ(numbers(list), (std::vector<uintptr_t>{7, 8, 8, 7, 8, 8}));
  EXPECT_EQ(list->AppendCopyRange(other, 2, 1), ZR_BADARG);
  other->Release();
}

// Random operations against a std::vector model, the cursor checked after each.
TEST_F(PtrListTest, AgreesWithVectorModel) {
  list->SetOption(0, 1);
  list->SetOption(1, 8);
  std::mt19937 random(424242);
  std::vector<uintptr_t> model;
  std::vector<uintptr_t> modelReleased;
  auto below = [&](size_t n) { return static_cast<unsigned>(random() % n); };
  uintptr_t next = 1;
  for (int step = 0; step < 4000; ++step) {
    const unsigned n = static_cast<unsigned>(model.size());
    switch (below(9)) {
      case 0:
        list->AddTail(item(next), nullptr);
        model.push_back(next++);
        break;
      case 1:
        list->AddHead(item(next), nullptr);
        model.insert(model.begin(), next++);
        break;
      case 2: {
        const unsigned at = below(n + 2);
        ASSERT_EQ(list->InsertAt(item(next), at, nullptr), at <= n ? ZR_OK : ZR_BADARG);
        if (at <= n) model.insert(model.begin() + at, next);
        ++next;
        break;
      }
      case 3: {
        if (n == 0) break;
        const unsigned at = below(n), k = below(4) == 0 ? kNone : below(3);
        ASSERT_EQ(list->RemoveAt(at, k, true), ZR_OK);
        const unsigned end = k == kNone ? n : std::min(n, at + k);
        modelReleased.insert(modelReleased.end(), model.begin() + at, model.begin() + end);
        model.erase(model.begin() + at, model.begin() + end);
        break;
      }
      case 4: {
        const unsigned at = below(n + 1);
        void* x = nullptr;
        ASSERT_EQ(list->GetAt(at, &x), at < n ? ZR_OK : ZR_BADARG);
        if (at < n) {
          ASSERT_EQ(number(x), model[at]);
        }
        break;
      }
      case 5: {
        if (n == 0) break;
        const uintptr_t victim = model[below(n)];
        ASSERT_EQ(list->RemoveItem(item(victim), true), ZR_OK);
        model.erase(std::find(model.begin(), model.end(), victim));
        modelReleased.push_back(victim);
        break;
      }
      case 6: {
        if (n == 0) break;
        Node* node = nullptr;
        list->GetNodeAt(below(n), &node);
        void* x = nullptr;
        list->GetItem(node, &x);
        const bool toHead = below(2) == 0;
        ASSERT_EQ(toHead ? list->MoveToHead(node) : list->MoveToTail(node), ZR_OK);
        std::erase(model, number(x));
        if (toHead)
          model.insert(model.begin(), number(x));
        else
          model.push_back(number(x));
        break;
      }
      case 7:
        if (below(20) == 0) {
          list->Reverse();
          std::reverse(model.begin(), model.end());
        }
        break;
      case 8: {
        if (n < 2) break;
        Node* a = nullptr;
        Node* b = nullptr;
        const unsigned i = below(n), j = below(n);
        list->GetNodeAt(i, &a);
        list->GetNodeAt(j, &b);
        ASSERT_EQ(list->SwapNodes(a, b), ZR_OK);
        std::swap(model[i], model[j]);
        break;
      }
    }
    ASSERT_EQ(numbers(list), model) << "step " << step;
    ASSERT_TRUE(cursorIsRight(list)) << "step " << step;
    unsigned count = 0;
    list->GetCount(&count);
    ASSERT_EQ(count, model.size());
  }
  EXPECT_EQ(released, modelReleased);
}

}  // namespace
