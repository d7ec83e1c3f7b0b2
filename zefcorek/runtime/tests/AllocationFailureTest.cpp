// Out-of-memory paths of the containers and the factory, driven by the
// runtime's allocation seam: each row arms the seam to refuse one allocation
// (or all of them) in the middle of an operation and checks that the
// operation answers 30 (or null), hands out what its header promises and
// leaves the container usable and unchanged.
#include "zefcorek/AllocationFaults.h"

#include "zefcorek/BinaryHeap.h"
#include "zefcorek/ClassIds.h"
#include "zefcorek/HashTable.h"
#include "zefcorek/PtrArray.h"
#include "zefcorek/PtrList.h"
#include "zefcorek/RecList.h"
#include "zefcorek/ZefCoreK.h"

#include "FactoryObjects.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

namespace {

using zefcorek::ScopedAllocationFailure;

using zefcorek::testing::make;

// A non-null handle that a failed insertion must overwrite (or keep).
template <class Node>
Node* poison() {
  return reinterpret_cast<Node*>(uintptr_t{0x5a5a5a50});
}

unsigned recCount(IRecList* list) {
  unsigned n = 0;
  list->GetCount(&n);
  return n;
}

unsigned ptrListCount(IPtrList* list) {
  unsigned n = 0;
  list->GetCount(&n);
  return n;
}

// The record list's insertions; AddTail keeps the node argument, the others
// null it.
testing::AssertionResult recListInsertion(
    const std::function<ZRESULT(IRecList*, const void*, TRecListNodeType_Dummy**)>& insert, bool keepsNode) {
  auto* list = make<IRecList>(CLSID_IRecListImp);
  const int32_t first = 7;
  list->AddTail(&first, nullptr);
  auto* node = poison<TRecListNodeType_Dummy>();
  const int32_t record = 9;
  ZRESULT result;
  {
    ScopedAllocationFailure fail(1);
    result = insert(list, &record, &node);
  }
  const unsigned count = recCount(list);
  void* head = nullptr;
  list->GetRecordPtrAt(0, &head);
  const bool headKept = head != nullptr && *static_cast<int32_t*>(head) == first;
  // The list still works once memory is back.
  const ZRESULT after = list->AddTail(&record, nullptr);
  list->Release();
  if (result != ZR_OUTOFMEMORY) return testing::AssertionFailure() << "result " << result;
  if ((node == poison<TRecListNodeType_Dummy>()) != keepsNode)
    return testing::AssertionFailure() << "node argument " << node;
  if (count != 1 || !headKept) return testing::AssertionFailure() << "list changed: count " << count;
  if (after != ZR_OK) return testing::AssertionFailure() << "list unusable afterwards";
  return testing::AssertionSuccess();
}

testing::AssertionResult ptrListInsertion(const std::function<ZRESULT(IPtrList*, void*, IPtrList::Node**)>& insert,
                                          bool keepsNode) {
  auto* list = make<IPtrList>(CLSID_IPtrListImp);
  int item = 0;
  list->AddTail(&item, nullptr);
  auto* node = poison<IPtrList::Node>();
  ZRESULT result;
  {
    ScopedAllocationFailure fail(1);
    result = insert(list, &item, &node);
  }
  const unsigned count = ptrListCount(list);
  list->Release();
  if (result != ZR_OUTOFMEMORY) return testing::AssertionFailure() << "result " << result;
  if ((node == poison<IPtrList::Node>()) != keepsNode) return testing::AssertionFailure() << "node argument " << node;
  if (count != 1) return testing::AssertionFailure() << "list changed: count " << count;
  return testing::AssertionSuccess();
}

// Clone and CloneRange fail on the array object (first allocation) and on
// its block (second).
testing::AssertionResult arrayClone(unsigned nth, bool range) {
  auto* array = make<IPtrArray>(CLSID_IPtrArrayImp);
  int item = 0;
  for (int i = 0; i < 5; ++i) array->Add(&item, nullptr);
  IPtrArray* copy = reinterpret_cast<IPtrArray*>(uintptr_t{0x5a5a5a50});
  ZRESULT result;
  {
    ScopedAllocationFailure fail(nth);
    result = range ? array->CloneRange(1, 3, &copy) : array->Clone(&copy);
  }
  const unsigned count = array->GetCount();
  array->Release();
  if (result != ZR_OUTOFMEMORY || copy != nullptr)
    return testing::AssertionFailure() << "result " << result << ", copy " << copy;
  if (count != 5) return testing::AssertionFailure() << "source changed: count " << count;
  return testing::AssertionSuccess();
}

// Adding past the capacity needs a bigger block.
testing::AssertionResult arrayGrowth() {
  auto* array = make<IPtrArray>(CLSID_IPtrArrayImp);
  int item = 0;
  while (array->GetCount() < array->GetCapacity() || array->GetCount() == 0) array->Add(&item, nullptr);
  const unsigned before = array->GetCount();
  unsigned index = 0xFFFFFFFFu;
  ZRESULT result;
  {
    ScopedAllocationFailure fail(1);
    result = array->Add(&item, &index);
  }
  const unsigned count = array->GetCount();
  array->Release();
  if (result != ZR_OUTOFMEMORY || count != before)
    return testing::AssertionFailure() << "result " << result << ", count " << count;
  return testing::AssertionSuccess();
}

void countItem(void*, void* context) { ++*static_cast<unsigned*>(context); }

int32_t lessFirst(void* a, void* b) { return a > b ? 1 : 0; }
double keyOf(void* item, void*) { return double(reinterpret_cast<uintptr_t>(item)); }

// The heaps' first push makes the item array (first allocation), which then
// takes its block (second); the keyed heap also makes a node per item.
template <class Heap>
testing::AssertionResult heapPush(const CLSID& id, unsigned nth) {
  auto* heap = make<Heap>(id);
  ZRESULT result;
  if constexpr (std::is_same_v<Heap, IBinaryHeap>) {
    heap->SetCompareFunc(&lessFirst);
    ScopedAllocationFailure fail(nth);
    result = heap->Push(reinterpret_cast<void*>(uintptr_t{16}));
  } else {
    heap->SetKeyFunc(&keyOf);
    auto* node = poison<TKeyedBinaryHeapNode>();
    ScopedAllocationFailure fail(nth);
    result = heap->Push(reinterpret_cast<void*>(uintptr_t{16}), &node);
  }
  unsigned items = 0;
  heap->ForEach(&countItem, &items);
  heap->Release();
  if (result != ZR_OUTOFMEMORY || items != 0)
    return testing::AssertionFailure() << "result " << result << ", items " << items;
  return testing::AssertionSuccess();
}

unsigned identityHash(unsigned, void* item, void*) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(item)); }
int32_t samePointer(void* a, void* b, void*, int32_t mode) { return mode == 0 ? (a == b ? 0 : 1) : 1; }

IHashTable* makeTable() {
  auto* table = make<IHashTable>(CLSID_IHashTableImp);
  table->SetHashFunc(&identityHash, nullptr);
  table->SetCompareFunc(&samePointer, nullptr);
  return table;
}

void* key(unsigned v) { return reinterpret_cast<void*>(uintptr_t{v}); }

unsigned bucketCount(IHashTable* table) {
  unsigned n = 0;
  table->GetBucketCount(&n);
  return n;
}

// A node that cannot be had refuses the item.
testing::AssertionResult hashNode() {
  IHashTable* table = makeTable();
  ZRESULT result;
  {
    ScopedAllocationFailure fail(1);
    result = table->Add(key(5));
  }
  void* found = nullptr;
  const ZRESULT find = table->Find(key(5), &found);
  table->Release();
  if (result != ZR_OUTOFMEMORY || find != ZR_NO)
    return testing::AssertionFailure() << "result " << result << ", find " << find;
  return testing::AssertionSuccess();
}

// A bucket array that cannot be had: SetBucketCount answers 30, and an Add
// whose growth fails keeps its item in the old buckets.
testing::AssertionResult hashGrowth() {
  IHashTable* table = makeTable();
  const unsigned before = bucketCount(table);
  ZRESULT rehash;
  {
    ScopedAllocationFailure fail(1);
    rehash = table->SetBucketCount(100);
  }
  // The 33rd item takes 11 buckets past the high load of 3 and would grow them.
  for (unsigned v = 1; v <= 32; ++v) table->Add(key(v));
  ZRESULT add;
  {
    ScopedAllocationFailure fail(2);  // the node passes, the bucket array fails
    add = table->Add(key(33));
  }
  void* found = nullptr;
  const ZRESULT find = table->Find(key(33), &found);
  const unsigned after = bucketCount(table);
  table->Release();
  if (rehash != ZR_OUTOFMEMORY) return testing::AssertionFailure() << "SetBucketCount " << rehash;
  if (add != ZR_OK || find != ZR_OK || found != key(33) || after != before)
    return testing::AssertionFailure() << "add " << add << ", find " << find << ", buckets " << after;
  return testing::AssertionSuccess();
}

// A rehash without memory for laying its nodes out anew (the bucket array
// passes; any later allocation fails) still rehashes every item.
testing::AssertionResult hashRehashInPlace() {
  IHashTable* table = makeTable();
  for (unsigned v = 1; v <= 30; ++v) table->Add(key(v));
  ZRESULT rehash;
  {
    ScopedAllocationFailure fail(2, /*persistent=*/true);
    rehash = table->SetBucketCount(37);
  }
  unsigned found = 0;
  for (unsigned v = 1; v <= 30; ++v) {
    void* item = nullptr;
    found += table->Find(key(v), &item) == ZR_OK && item == key(v);
  }
  const unsigned after = bucketCount(table);
  table->Release();
  if (rehash != ZR_OK || found != 30 || after != 37)
    return testing::AssertionFailure() << "rehash " << rehash << ", found " << found << ", buckets " << after;
  return testing::AssertionSuccess();
}

TEST(AllocationFailureTest, ContainersAnswer30AndStayIntact) {
  using RecNode = TRecListNodeType_Dummy;
  using PtrNode = IPtrList::Node;
  const struct {
    const char* name;
    std::function<testing::AssertionResult()> run;
  } cases[] = {
      {"record AddTail",
       [] { return recListInsertion([](IRecList* l, const void* r, RecNode** n) { return l->AddTail(r, n); }, true); }},
      {"record AddHead",
       [] {
         return recListInsertion([](IRecList* l, const void* r, RecNode** n) { return l->AddHead(r, n); }, false);
       }},
      {"record InsertAfter",
       [] {
         return recListInsertion(
             [](IRecList* l, const void* r, RecNode** n) {
               RecNode* head = nullptr;
               l->GetHead(&head);
               return l->InsertAfter(r, head, n);
             },
             false);
       }},
      {"record InsertAt",
       [] {
         return recListInsertion([](IRecList* l, const void* r, RecNode** n) { return l->InsertAt(r, 0, n); }, false);
       }},
      {"pointer AddTail",
       [] { return ptrListInsertion([](IPtrList* l, void* i, PtrNode** n) { return l->AddTail(i, n); }, true); }},
      {"pointer AddHead",
       [] { return ptrListInsertion([](IPtrList* l, void* i, PtrNode** n) { return l->AddHead(i, n); }, false); }},
      {"pointer InsertAt",
       [] { return ptrListInsertion([](IPtrList* l, void* i, PtrNode** n) { return l->InsertAt(i, 1, n); }, false); }},
      {"array Clone, object", [] { return arrayClone(1, false); }},
      {"array Clone, block", [] { return arrayClone(2, false); }},
      {"array CloneRange, object", [] { return arrayClone(1, true); }},
      {"array CloneRange, block", [] { return arrayClone(2, true); }},
      {"array growth", [] { return arrayGrowth(); }},
      {"heap array object", [] { return heapPush<IBinaryHeap>(CLSID_IBinaryHeapImp, 1); }},
      {"heap array block", [] { return heapPush<IBinaryHeap>(CLSID_IBinaryHeapImp, 2); }},
      {"keyed heap array object", [] { return heapPush<IKeyedBinaryHeap>(CLSID_IKeyedBinaryHeapImp, 1); }},
      {"keyed heap node", [] { return heapPush<IKeyedBinaryHeap>(CLSID_IKeyedBinaryHeapImp, 2); }},
      {"hash node", [] { return hashNode(); }},
      {"hash bucket array", [] { return hashGrowth(); }},
      {"hash rehash in place", [] { return hashRehashInPlace(); }},
  };
  for (const auto& row : cases) EXPECT_TRUE(row.run()) << row.name;
}

TEST(AllocationFailureTest, FactoryMakesNothingWhileRefused) {
  void* out = reinterpret_cast<void*>(uintptr_t{1});
  {
    ScopedAllocationFailure fail(1, /*persistent=*/true);
    EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IRecListImp, &out, 0), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IPtrListImp, &out, 0), E_NOINTERFACE);
    EXPECT_EQ(zefcorek::refusedRuntimeAllocations(), 2u);
  }
  // Disarmed at the end of the scope.
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IRecListImp, &out, 0), S_OK);
  ASSERT_NE(out, nullptr);
  static_cast<IRecList*>(out)->Release();
}

// A transient failure refuses one allocation only: the second of two
// insertions fails, the third succeeds.
TEST(AllocationFailureTest, TransientFailureRefusesOnlyTheNth) {
  auto* list = make<IRecList>(CLSID_IRecListImp);
  ZRESULT results[3];
  {
    ScopedAllocationFailure fail(2);
    for (ZRESULT& r : results) r = list->AddTail(nullptr, nullptr);
  }
  EXPECT_EQ(results[0], ZR_OK);
  EXPECT_EQ(results[1], ZR_OUTOFMEMORY);
  EXPECT_EQ(results[2], ZR_OK);
  EXPECT_EQ(recCount(list), 2u);
  list->Release();
}

}  // namespace
