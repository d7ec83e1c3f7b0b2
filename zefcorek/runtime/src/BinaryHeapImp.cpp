// The two binary heaps: sift up and down over 1-based positions in a flat
// array, with the ordering optionally deferred to one bottom-up rebuild
// (Floyd's heap construction, O(n)).
//
// Entries are told apart by position, never by value, so a null item is an
// entry like any other and cannot be taken for a missing child. Sifting
// moves a hole instead of swapping: the moving entry is held aside, the
// entries it passes move one level each, and it is stored once where it
// stops.
#include "zefcorek/BinaryHeap.h"

#include "Allocation.h"
#include "zefcorek/ClassMakers.h"

#include <cstdlib>
#include <new>

// The keyed heap's node: the item, its key (computed once, when pushed) and
// its current heap position, kept up to date on every move. A spare node
// (not in the heap) has position 0 and chains the next spare through `item`.
struct TKeyedBinaryHeapNode {
  void* item;
  double key;
  unsigned position;
};

// An entry of the keyed heap: the key is kept beside the node reference, so
// that ordering reads the array alone and touches a node only to record its
// new position.
struct IKeyedBinaryHeapImp::Slot {
  double key;
  Node* node;
};

// The entries in heap order: the first `count` of `capacity` slots, in one
// malloc'ed block. Each heap makes its record on first need, then the block.
struct IBinaryHeapImp::Entries {
  void** items = nullptr;
  unsigned count = 0;
  unsigned capacity = 0;
  ~Entries() { std::free(items); }
};

struct IKeyedBinaryHeapImp::Entries {
  Slot* slots = nullptr;
  unsigned count = 0;
  unsigned capacity = 0;
  ~Entries() { std::free(slots); }
};

// Nodes come from blocks owned by the heap and go back to its spare chain
// when popped or removed; Clear frees the blocks.
struct IKeyedBinaryHeapImp::NodeBlock {
  static constexpr unsigned kNodes = 256;
  NodeBlock* next;
  Node nodes[kNodes];
};

namespace {

// Most entries a heap holds, so that 2 * position never overflows.
constexpr unsigned kMaxEntries = 0x7FFFFFFFu;

// Makes room for one more entry in a malloc'ed array, doubling it, so that
// n pushes cost O(n) copying in all; false when memory runs out.
template <class Entry>
bool makeRoomForOne(Entry*& entries, unsigned count, unsigned& capacity) {
  if (count < capacity) return true;
  if (capacity >= kMaxEntries) return false;
  const unsigned grown = capacity == 0 ? 16 : capacity > kMaxEntries / 2 ? kMaxEntries : capacity * 2;
  void* memory = zefcorek::runtimeRealloc(entries, size_t{grown} * sizeof(Entry));
  if (memory == nullptr) return false;
  entries = static_cast<Entry*>(memory);
  capacity = grown;
  return true;
}

// The ordering both heaps share, over 1-based positions. `order(a, b)` is
// negative when entry a belongs above entry b, positive when b belongs above
// a and zero when neither must come first; `place(p, entry)` stores an entry
// at position p. Equal entries do not move, so an item never climbs past its
// equal, and when both children compare equal the right one rises. The
// moving entry is always the first argument of order when it meets another
// entry, as it was when entries were swapped one step at a time.
template <class Entry, class Order, class Place>
void siftUpFrom(const Entry* entries, unsigned position, Order order, Place place) {
  const Entry moving = entries[position - 1];
  while (position >= 2) {
    const unsigned parent = position / 2;
    if (order(entries[parent - 1], moving) <= 0) break;
    place(position, entries[parent - 1]);
    position = parent;
  }
  place(position, moving);
}

// The child of position that would rise: the right one unless the left one
// comes first. Position must have a left child.
template <class Entry, class Order>
unsigned risingChild(const Entry* entries, unsigned position, unsigned count, Order order) {
  const unsigned left = position * 2;
  const unsigned right = left + 1;
  return right <= count && order(entries[left - 1], entries[right - 1]) >= 0 ? right : left;
}

// Sinks the entry at position the step-by-step way: while it belongs below
// the child that would rise, the two change places.
template <class Entry, class Order, class Place>
void siftDownStepwise(const Entry* entries, unsigned position, unsigned count, Order order, Place place) {
  const Entry moving = entries[position - 1];
  while (uint64_t{position} * 2 <= count) {
    const unsigned chosen = risingChild(entries, position, count, order);
    if (order(moving, entries[chosen - 1]) <= 0) break;
    place(position, entries[chosen - 1]);
    position = chosen;
  }
  place(position, moving);
}

// Sinking over entries that already form a heap below position goes
// bottom-up: the hole first runs down to a leaf along the children that
// would rise, then the moving entry climbs back while it does not belong
// below the entry above it. Along that path the entries never decrease, so
// it stops where a step-by-step sink would have stopped (above its equals,
// too), with about half the comparisons: the moving entry mostly belongs
// near the bottom. Over unordered entries (a pop while ordering is
// deferred) the path may decrease and the two ways differ, so those sink
// step by step.
template <class Entry, class Order, class Place>
void siftDownFrom(const Entry* entries, unsigned position, unsigned count, bool orderedBelow, Order order,
                  Place place) {
  if (!orderedBelow) {
    siftDownStepwise(entries, position, count, order, place);
    return;
  }
  const Entry moving = entries[position - 1];
  const unsigned start = position;
  while (uint64_t{position} * 2 <= count) {
    const unsigned chosen = risingChild(entries, position, count, order);
    place(position, entries[chosen - 1]);
    position = chosen;
  }
  while (position > start) {
    const unsigned parent = position / 2;
    if (order(moving, entries[parent - 1]) > 0) break;
    place(position, entries[parent - 1]);
    position = parent;
  }
  place(position, moving);
}

// Keys compare as numbers; a NaN key neither precedes nor follows another.
int compareKeys(double a, double b) { return int{a > b} - int{a < b}; }

// Orders the entries appended while deferring, bottom-up, and ends the
// deferral; the first failing sift stops it with its answer.
template <class SiftDown>
ZRESULT rebuildDeferred(unsigned count, bool& defer, SiftDown siftDown) {
  if (!defer) return ZR_OK;
  for (unsigned k = count / 2; k >= 1; --k) {
    if (const ZRESULT result = siftDown(k, /*orderedBelow=*/true); result != ZR_OK) return result;
  }
  defer = false;
  return ZR_OK;
}

}  // namespace

IBinaryHeap::~IBinaryHeap() = default;
IKeyedBinaryHeap::~IKeyedBinaryHeap() = default;

void* zefcorek::makeIBinaryHeapImp(intptr_t) { return static_cast<IBinaryHeap*>(new (std::nothrow) IBinaryHeapImp()); }

void* zefcorek::makeIKeyedBinaryHeapImp(intptr_t) {
  return static_cast<IKeyedBinaryHeap*>(new (std::nothrow) IKeyedBinaryHeapImp());
}

// --- IBinaryHeapImp ---------------------------------------------------------

IBinaryHeapImp::~IBinaryHeapImp() { Clear(); }

HRESULT IBinaryHeapImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

bool IBinaryHeapImp::ensureEntries() {
  if (entries_ == nullptr) entries_ = zefcorek::runtimeNew<Entries>();
  return entries_ != nullptr;
}

// Without a compare function nothing moves.
ZRESULT IBinaryHeapImp::siftUp(unsigned position) {
  if (compare_ == nullptr) return ZR_FAILED;
  void** items = entries_->items;
  siftUpFrom(items, position, compare_, [items](unsigned p, void* item) { items[p - 1] = item; });
  return ZR_OK;
}

ZRESULT IBinaryHeapImp::siftDown(unsigned position, bool orderedBelow) {
  if (compare_ == nullptr) return ZR_FAILED;
  void** items = entries_->items;
  siftDownFrom(items, position, entries_->count, orderedBelow, compare_,
               [items](unsigned p, void* item) { items[p - 1] = item; });
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
  if (!ensureEntries() || !makeRoomForOne(entries_->items, entries_->count, entries_->capacity)) return ZR_OUTOFMEMORY;
  entries_->items[entries_->count++] = item;
  if (defer_) return ZR_OK;
  return siftUp(entries_->count);
}

// The last entry moves to the top and sinks; without a compare function it
// stays there and the answer is 2.
ZRESULT IBinaryHeapImp::Pop(void** outItem) {
  if (outItem != nullptr) *outItem = nullptr;
  if (entries_ == nullptr || entries_->count == 0) return ZR_OK;
  void** items = entries_->items;
  if (outItem != nullptr) *outItem = items[0];
  if (--entries_->count == 0) return ZR_OK;
  items[0] = items[entries_->count];
  return siftDown(1, /*orderedBelow=*/!defer_);
}

ZRESULT IBinaryHeapImp::Rebuild() {
  const unsigned count = entries_ == nullptr ? 0 : entries_->count;
  return rebuildDeferred(count, defer_, [this](unsigned k, bool orderedBelow) { return siftDown(k, orderedBelow); });
}

ZRESULT IBinaryHeapImp::ForEach(VisitFunc fn, void* context) {
  if (fn == nullptr) return ZR_BADARG;
  const unsigned count = entries_ == nullptr ? 0 : entries_->count;
  for (unsigned i = 0; i < count; ++i) fn(entries_->items[i], context);
  return ZR_OK;
}

ZRESULT IBinaryHeapImp::Clear() {
  delete entries_;
  entries_ = nullptr;
  defer_ = false;
  return ZR_OK;
}

// --- IKeyedBinaryHeapImp ----------------------------------------------------

IKeyedBinaryHeapImp::~IKeyedBinaryHeapImp() { Clear(); }

HRESULT IKeyedBinaryHeapImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

bool IKeyedBinaryHeapImp::ensureEntries() {
  if (entries_ == nullptr) entries_ = zefcorek::runtimeNew<Entries>();
  return entries_ != nullptr;
}

TKeyedBinaryHeapNode* IKeyedBinaryHeapImp::takeNode() {
  if (spareNodes_ == nullptr) {
    auto* block = zefcorek::runtimeNew<NodeBlock>();
    if (block == nullptr) return nullptr;
    block->next = blocks_;
    blocks_ = block;
    for (Node& node : block->nodes) giveBackNode(&node);
  }
  Node* node = spareNodes_;
  spareNodes_ = static_cast<Node*>(node->item);
  return node;
}

void IKeyedBinaryHeapImp::giveBackNode(Node* node) {
  *node = Node{spareNodes_, 0.0, 0};
  spareNodes_ = node;
}

bool IKeyedBinaryHeapImp::holds(Node* node) {
  const unsigned position = node->position;
  return entries_ != nullptr && position >= 1 && position <= entries_->count &&
         entries_->slots[position - 1].node == node;
}

namespace {

template <class Slot>
int orderOfSlots(const Slot& a, const Slot& b) {
  return compareKeys(a.key, b.key);
}

}  // namespace

// The keys were computed at push time, so the heap keeps its order even when
// the key function has been taken away since; the answer still says that
// the function is missing.
ZRESULT IKeyedBinaryHeapImp::siftUp(unsigned position) {
  Slot* slots = entries_->slots;
  siftUpFrom(slots, position, orderOfSlots<Slot>, [slots](unsigned p, const Slot& slot) {
    slots[p - 1] = slot;
    slot.node->position = p;
  });
  return keyFunc_ != nullptr ? ZR_OK : ZR_FAILED;
}

ZRESULT IKeyedBinaryHeapImp::siftDown(unsigned position, bool orderedBelow) {
  Slot* slots = entries_->slots;
  siftDownFrom(slots, position, entries_->count, orderedBelow, orderOfSlots<Slot>,
               [slots](unsigned p, const Slot& slot) {
                 slots[p - 1] = slot;
                 slot.node->position = p;
               });
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
  if (outNode != nullptr) *outNode = nullptr;
  if (keyFunc_ == nullptr) return ZR_FAILED;
  if (!ensureEntries() || !makeRoomForOne(entries_->slots, entries_->count, entries_->capacity)) return ZR_OUTOFMEMORY;
  Node* node = takeNode();
  if (node == nullptr) return ZR_OUTOFMEMORY;
  // The entry is in the heap before the key function runs, as it always was.
  *node = Node{item, 0.0, entries_->count + 1};
  entries_->slots[entries_->count++] = Slot{0.0, node};
  node->key = keyFunc_(item, keyContext_);
  entries_->slots[node->position - 1].key = node->key;
  if (outNode != nullptr) *outNode = node;
  if (defer_) return ZR_OK;
  return siftUp(node->position);
}

ZRESULT IKeyedBinaryHeapImp::Pop(void** outItem) {
  if (outItem != nullptr) *outItem = nullptr;
  if (entries_ == nullptr || entries_->count == 0) return ZR_OK;
  Slot* slots = entries_->slots;
  Node* top = slots[0].node;
  if (outItem != nullptr) *outItem = top->item;
  giveBackNode(top);
  if (--entries_->count == 0) return ZR_OK;
  slots[0] = slots[entries_->count];
  slots[0].node->position = 1;
  return siftDown(1, /*orderedBelow=*/!defer_);
}

ZRESULT IKeyedBinaryHeapImp::Rebuild() {
  const unsigned count = entries_ == nullptr ? 0 : entries_->count;
  return rebuildDeferred(count, defer_, [this](unsigned k, bool orderedBelow) { return siftDown(k, orderedBelow); });
}

ZRESULT IKeyedBinaryHeapImp::ForEach(VisitFunc fn, void* context) {
  if (fn == nullptr) return ZR_BADARG;
  const unsigned count = entries_ == nullptr ? 0 : entries_->count;
  for (unsigned p = 1; p <= count; ++p) fn(entries_->slots[p - 1].node->item, context);
  return ZR_OK;
}

// The node climbs to the top whatever its key, then leaves as the top does.
ZRESULT IKeyedBinaryHeapImp::Remove(Node* node) {
  if (node == nullptr) return ZR_BADARG;
  if (!holds(node)) return ZR_FAILED;
  Slot* slots = entries_->slots;
  const Slot moving = slots[node->position - 1];
  unsigned position = node->position;
  for (; position > 1; position /= 2) {
    slots[position - 1] = slots[position / 2 - 1];
    slots[position - 1].node->position = position;
  }
  slots[0] = moving;
  node->position = 1;
  return Pop(nullptr);
}

ZRESULT IKeyedBinaryHeapImp::DecreaseKey(Node* node, double newKey) {
  if (node == nullptr) return ZR_BADARG;
  if (!holds(node) || !(newKey <= node->key)) return ZR_FAILED;
  node->key = newKey;
  entries_->slots[node->position - 1].key = newKey;
  if (defer_) return ZR_OK;
  return siftUp(node->position);
}

ZRESULT IKeyedBinaryHeapImp::Reserved1(intptr_t, intptr_t) { return ZR_NOTSUPPORTED; }

ZRESULT IKeyedBinaryHeapImp::Reserved2(intptr_t, intptr_t) { return ZR_NOTSUPPORTED; }

ZRESULT IKeyedBinaryHeapImp::Clear() {
  while (blocks_ != nullptr) {
    NodeBlock* next = blocks_->next;
    delete blocks_;
    blocks_ = next;
  }
  spareNodes_ = nullptr;
  delete entries_;
  entries_ = nullptr;
  defer_ = false;
  return ZR_OK;
}
