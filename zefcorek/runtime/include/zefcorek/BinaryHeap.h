// Binary min-heaps of untyped pointers, kept in flat arrays they own.
//
// IBinaryHeap orders its items with a client compare function; the smallest
// item is on top. IKeyedBinaryHeap computes a double key for each item once,
// when it is pushed, and hands back a node through which the client can later
// remove the item or lower its key.
//
// Both can defer ordering: while deferral is on, pushes only append, and one
// Rebuild (which also turns deferral off) orders everything in O(n). Heap
// positions are 1-based: the entry at position p is at array index p - 1,
// its children at 2p and 2p + 1. The heaps never look inside items and never
// free them; the keyed heap frees only its own nodes. Results are the ZR_*
// codes; GetDeferOrder answers ZR_OK for yes and ZR_NO for no. One thread at a time.
#pragma once

#include "zefcorek/StdInterface.h"

#include <cstdint>

struct ZEF_EXPORT IBinaryHeap : virtual IStdDataInterface {
  // Greater than 0 when a belongs below b.
  using CompareFunc = int32_t (*)(void* a, void* b);
  using VisitFunc = void (*)(void* item, void* context);

  // Turning deferral off here does not reorder: Rebuild does that.
  virtual ZRESULT SetDeferOrder(bool defer) = 0;
  virtual ZRESULT GetDeferOrder() = 0;
  virtual ZRESULT SetCompareFunc(CompareFunc fn) = 0;
  // Appends the item and, unless deferring, sifts it up. ZR_FAILED without a
  // compare function (the item stays appended); ZR_OUTOFMEMORY when memory runs out.
  virtual ZRESULT Push(void* item) = 0;
  // Takes the top into *outItem (may be null); an empty heap gives null and
  // ZR_OK. ZR_FAILED without a compare function: the top is taken all the same.
  virtual ZRESULT Pop(void** outItem) = 0;
  // While deferring: orders everything and turns deferral off (ZR_FAILED without a
  // compare function, deferral then stays on). Otherwise nothing.
  virtual ZRESULT Rebuild() = 0;
  // Visits every item in array order (heap order, not sorted). ZR_BADARG for null.
  virtual ZRESULT ForEach(VisitFunc fn, void* context) = 0;
  // Empties the heap and turns deferral off; the compare function stays.
  virtual ZRESULT Clear() = 0;
  ~IBinaryHeap() override;
};

// A keyed heap's handle for one pushed item; valid until the item is popped
// or removed or the heap is cleared.
struct TKeyedBinaryHeapNode;

struct ZEF_EXPORT IKeyedBinaryHeap : virtual IStdDataInterface {
  using Node = TKeyedBinaryHeapNode;
  using KeyFunc = double (*)(void* item, void* keyContext);
  using VisitFunc = void (*)(void* item, void* context);

  virtual ZRESULT SetDeferOrder(bool defer) = 0;
  virtual ZRESULT GetDeferOrder() = 0;
  virtual ZRESULT SetKeyContext(void* context) = 0;
  virtual ZRESULT SetKeyFunc(KeyFunc fn) = 0;
  // Computes the item's key and sifts it up unless deferring; *outNode (may
  // be null) = its node. ZR_FAILED with *outNode null without a key function; ZR_OUTOFMEMORY
  // when memory runs out.
  virtual ZRESULT Push(void* item, Node** outNode) = 0;
  // Takes the top item into *outItem (may be null) and frees its node.
  virtual ZRESULT Pop(void** outItem) = 0;
  virtual ZRESULT Rebuild() = 0;
  virtual ZRESULT ForEach(VisitFunc fn, void* context) = 0;
  // Removes the node's item (not handed back) and frees the node. ZR_BADARG for
  // null; ZR_FAILED for a node that is not in this heap at its recorded place.
  virtual ZRESULT Remove(Node* node) = 0;
  // Lowers the node's key. ZR_FAILED, nothing changed, for a larger or NaN key or a
  // node not in this heap; ZR_BADARG for null.
  virtual ZRESULT DecreaseKey(Node* node, double newKey) = 0;
  // Kept for their table slots; always ZR_NOTSUPPORTED.
  virtual ZRESULT Reserved1(intptr_t, intptr_t) = 0;
  virtual ZRESULT Reserved2(intptr_t, intptr_t) = 0;
  // Frees every node and empties the heap; the key function and context stay.
  virtual ZRESULT Clear() = 0;
  ~IKeyedBinaryHeap() override;
};

class ZEF_EXPORT IBinaryHeapImp : public IStdDataInterfaceImp, public virtual IBinaryHeap {
public:
  IBinaryHeapImp() = default;
  ~IBinaryHeapImp() override;

  // ZR_NOTSUPPORTED for every identifier, *out untouched.
  HRESULT QueryInterface(REFIID iid, void** out) override;

  ZRESULT SetDeferOrder(bool defer) override;
  ZRESULT GetDeferOrder() override;
  ZRESULT SetCompareFunc(CompareFunc fn) override;
  ZRESULT Push(void* item) override;
  ZRESULT Pop(void** outItem) override;
  ZRESULT Rebuild() override;
  ZRESULT ForEach(VisitFunc fn, void* context) override;
  ZRESULT Clear() override;

private:
  struct Entries;  // the entries in heap order, see the source
  bool ensureEntries();
  ZRESULT siftUp(unsigned position);
  // `orderedBelow`: the entries below position already form a heap (after
  // a pop with ordering on, and during a rebuild), which lets the sift take
  // its fast path.
  ZRESULT siftDown(unsigned position, bool orderedBelow);

  Entries* entries_ = nullptr;     // made on first need, owned
  CompareFunc compare_ = nullptr;  // set by the client
  bool defer_ = false;             // pushes only append while set
};

class ZEF_EXPORT IKeyedBinaryHeapImp : public IStdDataInterfaceImp, public virtual IKeyedBinaryHeap {
public:
  IKeyedBinaryHeapImp() = default;
  ~IKeyedBinaryHeapImp() override;

  // ZR_NOTSUPPORTED for every identifier, *out untouched.
  HRESULT QueryInterface(REFIID iid, void** out) override;

  ZRESULT SetDeferOrder(bool defer) override;
  ZRESULT GetDeferOrder() override;
  ZRESULT SetKeyContext(void* context) override;
  ZRESULT SetKeyFunc(KeyFunc fn) override;
  ZRESULT Push(void* item, Node** outNode) override;
  ZRESULT Pop(void** outItem) override;
  ZRESULT Rebuild() override;
  ZRESULT ForEach(VisitFunc fn, void* context) override;
  ZRESULT Remove(Node* node) override;
  ZRESULT DecreaseKey(Node* node, double newKey) override;
  ZRESULT Reserved1(intptr_t, intptr_t) override;
  ZRESULT Reserved2(intptr_t, intptr_t) override;
  ZRESULT Clear() override;

private:
  struct Slot;       // one entry: the node's key beside the node
  struct Entries;    // the slots in heap order, see the source
  struct NodeBlock;  // a block of nodes, see the source
  bool ensureEntries();
  bool holds(Node* node);
  ZRESULT siftUp(unsigned position);
  // `orderedBelow`: the entries below position already form a heap (after
  // a pop with ordering on, and during a rebuild), which lets the sift take
  // its fast path.
  ZRESULT siftDown(unsigned position, bool orderedBelow);
  Node* takeNode();
  void giveBackNode(Node* node);

  void* keyContext_ = nullptr;   // handed to the key function
  Entries* entries_ = nullptr;   // made on first need, owned
  NodeBlock* blocks_ = nullptr;  // every node block, newest first; owned
  Node* spareNodes_ = nullptr;   // nodes not in use, chained through their items
  KeyFunc keyFunc_ = nullptr;    // set by the client
  bool defer_ = false;           // pushes only append while set
};
