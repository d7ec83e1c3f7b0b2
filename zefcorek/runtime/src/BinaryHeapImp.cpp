// The two binary heaps: sift up and down over 1-based positions in a pointer
// array, with the ordering optionally deferred to one bottom-up rebuild
// (Floyd's heap construction, O(n)).
//
// Entries are told apart by position, never by value, so a null item is an
// entry like any other and cannot be taken for a missing child.
#include "zefcorek/BinaryHeap.h"

#include "Allocation.h"
#include "zefcorek/ClassMakers.h"
#include "zefcorek/PtrArray.h"

#include <new>

// The keyed heap's node: the item, its key (computed once, when pushed) and
// its current heap position, kept up to date on every move.
struct TKeyedBinaryHeapNode {
  void* item;
  double key;
  unsigned position;
};

namespace {

// The array grows by a fixed step, which would make n pushes cost O(n^2)
// copying; raising the step with the size keeps a push amortised O(log n).
ZRESULT appendEntry(IPtrArray* array, void* entry, unsigned* outIndex) {
  const unsigned count = array->GetCount();
  if (count == array->GetCapacity() && count / 2 > array->GetGrowBy())
    array->SetGrowBy(count / 2);
  return array->Add(entry, outIndex);
}

// The ordering both heaps share, over 1-based positions. `order(p, q)` is
// negative when the entry at p belongs above the one at q, positive when the
// one at q belongs above it and zero when neither must come first;
// `exchange(p, q)` swaps the two entries. Equal entries do not move, so an
// item never climbs past its equal, and when both children compare equal the
// right one rises.
template <class Order, class Exchange>
void siftUpFrom(unsigned position, Order order, Exchange exchange) {
  while (position >= 2) {
    const unsigned parent = position / 2;
    if (order(parent, position) <= 0)
      break;
    exchange(parent, position);
    position = parent;
  }
}

template <class Order, class Exchange>
void siftDownFrom(unsigned position, unsigned count, Order order, Exchange exchange) {
  while (uint64_t{position} * 2 <= count) {
    const unsigned left = position * 2;
    const unsigned right = left + 1;
    const unsigned chosen = right <= count && order(left, right) >= 0 ? right : left;
    if (order(position, chosen) <= 0)
      break;
    exchange(position, chosen);
    position = chosen;
  }
}

// Keys compare as numbers; a NaN key neither precedes nor follows another.
int compareKeys(double a, double b) { return int{a > b} - int{a < b}; }

// Takes the top away: `takeTop()` hands out (and frees) the top entry, then
// the last entry is moved to the top by `moveToTop(entry)` and sifted down.
template <class TakeTop, class MoveToTop, class SiftDown>
ZRESULT popTop(IPtrArray* array, TakeTop takeTop, MoveToTop moveToTop, SiftDown siftDown) {
  const unsigned count = array->GetCount();
  if (count == 0)
    return ZR_OK;
  takeTop();
  if (count == 1) {
    array->Delete(0, false);
    return ZR_OK;
  }
  void* last = array->GetAt(count - 1);
  array->Delete(count - 1, false);
  moveToTop(last);
  return siftDown(1);
}

// Orders the entries appended while deferring, bottom-up, and ends the
// deferral; the first failing sift stops it with its answer.
template <class SiftDown>
ZRESULT rebuildDeferred(IPtrArray* array, bool& defer, SiftDown siftDown) {
  if (!defer)
    return ZR_OK;
  for (unsigned k = array->GetCount() / 2; k >= 1; --k) {
    if (const ZRESULT result = siftDown(k); result != ZR_OK)
      return result;
  }
  defer = false;
  return ZR_OK;
}

}  // namespace

IBinaryHeap::~IBinaryHeap() = default;
IKeyedBinaryHeap::~IKeyedBinaryHeap() = default;

void* zefcorek::makeIBinaryHeapImp(intptr_t) {
  return static_cast<IBinaryHeap*>(new (std::nothrow) IBinaryHeapImp());
}

void* zefcorek::makeIKeyedBinaryHeapImp(intptr_t) {
  return static_cast<IKeyedBinaryHeap*>(new (std::nothrow) IKeyedBinaryHeapImp());
}

// --- IBinaryHeapImp ---------------------------------------------------------

IBinaryHeapImp::~IBinaryHeapImp() { Clear(); }

HRESULT IBinaryHeapImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

bool IBinaryHeapImp::ensureArray() {
  if (array_ == nullptr)
    array_ = zefcorek::runtimeNew<IPtrArrayImp>();
  return array_ != nullptr;
}

void* IBinaryHeapImp::at(unsigned position) { return array_->GetAt(position - 1); }

void IBinaryHeapImp::exchange(unsigned p, unsigned q) { array_->Swap(p - 1, q - 1); }

// Without a compare function nothing moves.
ZRESULT IBinaryHeapImp::siftUp(unsigned position) {
  if (compare_ == nullptr)
    return ZR_FAILED;
  const auto order = [this](unsigned p, unsigned q) { return compare_(at(p), at(q)); };
  const auto swap = [this](unsigned p, unsigned q) { exchange(p, q); };
  siftUpFrom(position, order, swap);
  return ZR_OK;
}

ZRESULT IBinaryHeapImp::siftDown(unsigned position) {
  if (compare_ == nullptr)
    return ZR_FAILED;
  const auto order = [this](unsigned p, unsigned q) { return compare_(at(p), at(q)); };
  const auto swap = [this](unsigned p, unsigned q) { exchange(p, q); };
  siftDownFrom(position, array_->GetCount(), order, swap);
  return ZR_OK;
}

ZRESULT IBinaryHeapImp::SetDeferOrder(bool defer) {
  defer_ = defer;
  return ZR_OK;
}

ZRESULT IBinaryHeapImp::GetDeferOrder() { return defer_ ? ZR_OK : ZR_NO; }

ZRESULT IBinaryHeapImp::SetCompareFunc(CompareFunc fn) {
  compare_ = fn;
  return ZR_OK;
}

ZRESULT IBinaryHeapImp::Push(void* item) {
  if (!ensureArray())
    return ZR_OUTOFMEMORY;
  if (const ZRESULT result = appendEntry(array_, item, nullptr); result != ZR_OK)
    return result;
  if (defer_)
    return ZR_OK;
  return siftUp(array_->GetCount());
}

ZRESULT IBinaryHeapImp::Pop(void** outItem) {
  if (outItem != nullptr)
    *outItem = nullptr;
  if (!ensureArray())
    return ZR_OUTOFMEMORY;
  return popTop(
      array_,
      [&] {
        if (outItem != nullptr)
          *outItem = at(1);
      },
      [this](void* last) { array_->Replace(0, last, false); },
      [this](unsigned position) { return siftDown(position); });
}

ZRESULT IBinaryHeapImp::Rebuild() {
  if (!ensureArray())
    return ZR_OUTOFMEMORY;
  return rebuildDeferred(array_, defer_, [this](unsigned k) { return siftDown(k); });
}

ZRESULT IBinaryHeapImp::ForEach(VisitFunc fn, void* context) {
  if (fn == nullptr)
    return ZR_BADARG;
  if (!ensureArray())
    return ZR_OUTOFMEMORY;
  const unsigned count = array_->GetCount();
  for (unsigned i = 0; i < count; ++i)
    fn(array_->GetAt(i), context);
  return ZR_OK;
}

ZRESULT IBinaryHeapImp::Clear() {
  if (array_ != nullptr) {
    array_->Release();
    array_ = nullptr;
  }
  defer_ = false;
  return ZR_OK;
}

// --- IKeyedBinaryHeapImp ----------------------------------------------------

IKeyedBinaryHeapImp::~IKeyedBinaryHeapImp() { Clear(); }

HRESULT IKeyedBinaryHeapImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

bool IKeyedBinaryHeapImp::ensureArray() {
  if (array_ == nullptr)
    array_ = zefcorek::runtimeNew<IPtrArrayImp>();
  return array_ != nullptr;
}

TKeyedBinaryHeapNode* IKeyedBinaryHeapImp::at(unsigned position) {
  return static_cast<Node*>(array_->GetAt(position - 1));
}

void IKeyedBinaryHeapImp::place(unsigned position, Node* node) {
  array_->Replace(position - 1, node, false);
  node->position = position;
}

void IKeyedBinaryHeapImp::exchange(unsigned p, unsigned q) {
  Node* atP = at(p);
  Node* atQ = at(q);
  place(p, atQ);
  place(q, atP);
}

bool IKeyedBinaryHeapImp::holds(Node* node) {
  const unsigned position = node->position;
  return position >= 1 && position <= array_->GetCount() && at(position) == node;
}

// The keys were computed at push time, so the heap keeps its order even when
// the key function has been taken away since; the answer still says that
// the function is missing.
ZRESULT IKeyedBinaryHeapImp::siftUp(unsigned position) {
  const auto order = [this](unsigned p, unsigned q) { return compareKeys(at(p)->key, at(q)->key); };
  const auto swap = [this](unsigned p, unsigned q) { exchange(p, q); };
  siftUpFrom(position, order, swap);
  return keyFunc_ != nullptr ? ZR_OK : ZR_FAILED;
}

ZRESULT IKeyedBinaryHeapImp::siftDown(unsigned position) {
  const auto order = [this](unsigned p, unsigned q) { return compareKeys(at(p)->key, at(q)->key); };
  const auto swap = [this](unsigned p, unsigned q) { exchange(p, q); };
  siftDownFrom(position, array_->GetCount(), order, swap);
  return keyFunc_ != nullptr ? ZR_OK : ZR_FAILED;
}

ZRESULT IKeyedBinaryHeapImp::SetDeferOrder(bool defer) {
  defer_ = defer;
  return ZR_OK;
}

ZRESULT IKeyedBinaryHeapImp::GetDeferOrder() { return defer_ ? ZR_OK : ZR_NO; }

ZRESULT IKeyedBinaryHeapImp::SetKeyContext(void* context) {
  keyContext_ = context;
  return ZR_OK;
}

ZRESULT IKeyedBinaryHeapImp::SetKeyFunc(KeyFunc fn) {
  keyFunc_ = fn;
  return ZR_OK;
}

ZRESULT IKeyedBinaryHeapImp::Push(void* item, Node** outNode) {
  if (!ensureArray())
    return ZR_OUTOFMEMORY;
  if (outNode != nullptr)
    *outNode = nullptr;
  if (keyFunc_ == nullptr)
    return ZR_FAILED;
  auto* node = zefcorek::runtimeNew<Node>(Node{item, 0.0, 0});
  if (node == nullptr)
    return ZR_OUTOFMEMORY;
  unsigned index = 0;
  if (appendEntry(array_, node, &index) != ZR_OK) {
    delete node;
    return ZR_OUTOFMEMORY;
  }
  node->position = index + 1;
  node->key = keyFunc_(item, keyContext_);
  if (outNode != nullptr)
    *outNode = node;
  if (defer_)
    return ZR_OK;
  return siftUp(node->position);
}

ZRESULT IKeyedBinaryHeapImp::Pop(void** outItem) {
  if (outItem != nullptr)
    *outItem = nullptr;
  if (!ensureArray())
    return ZR_OUTOFMEMORY;
  return popTop(
      array_,
      [&] {
        Node* top = at(1);
        if (outItem != nullptr)
          *outItem = top->item;
        delete top;
      },
      [this](void* last) { place(1, static_cast<Node*>(last)); },
      [this](unsigned position) { return siftDown(position); });
}

ZRESULT IKeyedBinaryHeapImp::Rebuild() {
  if (!ensureArray())
    return ZR_OUTOFMEMORY;
  return rebuildDeferred(array_, defer_, [this](unsigned k) { return siftDown(k); });
}

ZRESULT IKeyedBinaryHeapImp::ForEach(VisitFunc fn, void* context) {
  if (fn == nullptr)
    return ZR_BADARG;
  if (!ensureArray())
    return ZR_OUTOFMEMORY;
  const unsigned count = array_->GetCount();
  for (unsigned p = 1; p <= count; ++p)
    fn(at(p)->item, context);
  return ZR_OK;
}

// The node climbs to the top whatever its key, then leaves as the top does.
ZRESULT IKeyedBinaryHeapImp::Remove(Node* node) {
  if (node == nullptr)
    return ZR_BADARG;
  if (!ensureArray())
    return ZR_OUTOFMEMORY;
  if (!holds(node))
    return ZR_FAILED;
  for (unsigned position = node->position; position > 1; position /= 2)
    exchange(position / 2, position);
  return Pop(nullptr);
}

ZRESULT IKeyedBinaryHeapImp::DecreaseKey(Node* node, double newKey) {
  if (node == nullptr)
    return ZR_BADARG;
  if (!ensureArray())
    return ZR_OUTOFMEMORY;
  if (!holds(node) || !(newKey <= node->key))
    return ZR_FAILED;
  node->key = newKey;
  if (defer_)
    return ZR_OK;
  return siftUp(node->position);
}

ZRESULT IKeyedBinaryHeapImp::Reserved1(intptr_t, intptr_t) { return ZR_NOTSUPPORTED; }

ZRESULT IKeyedBinaryHeapImp::Reserved2(intptr_t, intptr_t) { return ZR_NOTSUPPORTED; }

ZRESULT IKeyedBinaryHeapImp::Clear() {
  if (array_ != nullptr) {
    const unsigned count = array_->GetCount();
    for (unsigned p = 1; p <= count; ++p)
      delete at(p);
    array_->Release();
    array_ = nullptr;
  }
  defer_ = false;
  return ZR_OK;
}
