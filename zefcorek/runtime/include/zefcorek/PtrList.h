// IPtrList: a doubly linked list of untyped pointers.
//
// Entries are reached by index or by node: every insertion can hand back the
// node that holds the new item, and a node stays valid until it leaves the
// list. Two things keep the list cheap: an optional pool of spare nodes
// (option 0 switches it on, option 1 is its limit, 64 by default), so steady
// insert and remove traffic does not allocate, and a cursor that remembers
// the node of the last indexed access, so walking by increasing or
// decreasing index costs one step per access.
//
// Results are the ZR_* codes; yes/no questions answer 0 for yes and 1 for
// no. Counts and indices are unsigned 32-bit; 0xFFFFFFFF is "no index" and,
// as a count, "up to the end". Node arguments are trusted to belong to this
// list. Callbacks must not change the list that calls them, except that a
// ForEach callback may remove the node it was given. One thread at a time.
#pragma once

#include "zefcorek/StdInterface.h"

#include <cstdint>

// A node of a pointer list: an opaque handle that callers pass back.
struct TPtrListNode;

struct ZEF_EXPORT IPtrList : virtual IStdDataInterface {
  using Node = TPtrListNode;
  // Called for an item leaving the list when the caller asked for release.
  using ReleaseFunc = int32_t (*)(void* item, Node* node, void* context);
  // 0: this is the item sought; -2: stop searching; else go on.
  using SearchFunc = int32_t (*)(void* item, void* key, void* context);
  // -2: do not insert; other negative: insert before this node; 0 or more: go on.
  using InsertFunc = int32_t (*)(void* newItem, void* nodeItem, void* context, bool nodeIsTail);
  // 0 stops the walk.
  using ForEachFunc = int32_t (*)(void* item, void* context, Node* node);
  using ForEachExFunc = int32_t (*)(void* item, void* context, Node* node, void* context2);
  // 0 or less keeps a before b.
  using CompareFunc = int32_t (*)(void* a, void* b, void* context);

  // Options: 0 pool enabled (0 or 1), 1 pool limit; 3 to 6 are accepted and
  // mean nothing (ZR_OK, *out untouched); any other number: ZR_BADARG, with *out = 0.
  virtual ZRESULT GetOption(unsigned which, unsigned* out) = 0;
  // Switching the pool off frees it; a lowered limit frees nothing at once.
  virtual ZRESULT SetOption(unsigned which, unsigned value) = 0;
  virtual ZRESULT FreeNodePool() = 0;
  // ZR_OUTOFMEMORY when no node can be had (the list unchanged); then AddTail leaves
  // *outNode as it was and every other insertion sets it to null.
  virtual ZRESULT AddTail(void* item, Node** outNode) = 0;
  virtual ZRESULT AddHead(void* item, Node** outNode) = 0;
  // A null `after` inserts at the head.
  virtual ZRESULT InsertAfter(void* item, Node* after, Node** outNode) = 0;
  // index = count appends; above the count: ZR_BADARG with *outNode null.
  virtual ZRESULT InsertAt(void* item, unsigned index, Node** outNode) = 0;
  // Asks the callback from the head on; ZR_NO when it refuses (-2). ZR_BADARG for a
  // null callback.
  virtual ZRESULT InsertSorted(void* item, InsertFunc fn, void* context, Node** outNode) = 0;
  // Hands the whole chain to the caller (both outs needed, else ZR_BADARG) and
  // leaves the list empty; nothing is released or freed.
  virtual ZRESULT DetachAll(Node** outHead, Node** outTail) = 0;
  // Moves every node of `other` to this list's tail; `other` ends empty.
  virtual ZRESULT AppendList(IPtrList* other) = 0;
  // Removes the node holding this very pointer (the cursor's first); ZR_FAILED when
  // no node holds it.
  virtual ZRESULT RemoveItem(void* item, bool release) = 0;
  // n nodes from index, or every node to the tail for n = 0xFFFFFFFF.
  virtual ZRESULT RemoveAt(unsigned index, unsigned n, bool release) = 0;
  // Takes the node out of the chain without releasing or freeing it.
  virtual ZRESULT DetachNode(Node* node) = 0;
  virtual ZRESULT RemoveNode(Node* node, bool release) = 0;
  virtual ZRESULT Reverse() = 0;
  // Releases this list's items, then shares every item of `other`. ZR_BADARG for a
  // null `other` or the list itself.
  virtual ZRESULT CopyFrom(IPtrList* other) = 0;
  // Appends the items of `other` from `first`, n of them or to its tail for
  // 0xFFFFFFFF. From the list itself, the items present at the call.
  virtual ZRESULT AppendCopyRange(IPtrList* other, unsigned first, unsigned n) = 0;
  // ZR_BADARG for a null out or an index at or beyond the count; sets the cursor.
  virtual ZRESULT GetNodeAt(unsigned index, Node** out) = 0;
  virtual ZRESULT GetNextNode(Node* node, Node** out) = 0;
  virtual ZRESULT GetPrevNode(Node* node, Node** out) = 0;
  // The first node holding this very pointer: ZR_OK; none: ZR_NO with *out null.
  virtual ZRESULT FindNode(void* item, Node** out) = 0;
  // The first match becomes the cursor (ZR_OK). A stop (-2) answers ZR_OK with a
  // null node and index 0xFFFFFFFF; no match answers ZR_NO with the same.
  virtual ZRESULT Search(void* key, SearchFunc fn, void* context, unsigned* outIndex, Node** outNode) = 0;
  virtual ZRESULT IndexOfItem(void* item, unsigned* outIndex) = 0;
  // ZR_FAILED with 0xFFFFFFFF for a node not in the list.
  virtual ZRESULT IndexOfNode(Node* node, unsigned* outIndex) = 0;
  virtual ZRESULT GetTail(Node** out) = 0;
  virtual ZRESULT GetHead(Node** out) = 0;
  virtual ZRESULT GetCount(unsigned* out) = 0;
  // ZR_NO when the count is below min or above max, else ZR_OK.
  virtual ZRESULT IsCountOutside(unsigned min, unsigned max) = 0;
  // ZR_OK when every item was visited, ZR_NO when the callback stopped the walk.
  virtual ZRESULT ForEach(ForEachFunc fn, void* context) = 0;
  virtual ZRESULT ForEachEx(ForEachExFunc fn, void* context, void* context2) = 0;
  virtual ZRESULT SwapNodes(Node* a, Node* b) = 0;
  // Stable; relinks nodes and allocates nothing. ZR_BADARG for a null compare.
  virtual ZRESULT Sort(CompareFunc fn, void* context) = 0;
  virtual ZRESULT GetAt(unsigned index, void** outItem) = 0;
  virtual ZRESULT GetItem(Node* node, void** outItem) = 0;
  // Overwrite the item; the old one is not released.
  virtual ZRESULT SetAt(unsigned index, void* item) = 0;
  virtual ZRESULT SetItem(Node* node, void* item) = 0;
  virtual ZRESULT Clear(bool release) = 0;
  // ZR_OK (yes) when the list has no node, ZR_NO (no) otherwise.
  virtual ZRESULT IsEmpty() = 0;
  // Removes the nodes holding null, without release.
  virtual ZRESULT RemoveNullItems() = 0;
  // Either out may be null, not both (ZR_BADARG).
  virtual ZRESULT GetReleaseCallback(ReleaseFunc* outFn, void** outContext) = 0;
  virtual ZRESULT SetReleaseCallback(ReleaseFunc fn, void* context) = 0;
  // Either out may be null, not both (ZR_BADARG); no cursor: null and 0xFFFFFFFF.
  virtual ZRESULT GetCursor(Node** outNode, unsigned* outIndex) = 0;
  // ZR_BADARG for a null node or an empty list.
  virtual ZRESULT MoveToHead(Node* node) = 0;
  virtual ZRESULT MoveToTail(Node* node) = 0;
  ~IPtrList() override;
};

namespace zefcorek {
class ListChain;
struct ListNode;
}  // namespace zefcorek

class ZEF_EXPORT IPtrListImp : public IStdDataInterfaceImp, public virtual IPtrList {
public:
  IPtrListImp();
  // Releases the remaining items as Clear(true), then frees the pool.
  ~IPtrListImp() override;

  // Used only through the pointer it was handed out as: ZR_NOTSUPPORTED for every
  // identifier, *out untouched.
  HRESULT QueryInterface(REFIID iid, void** out) override;

  ZRESULT GetOption(unsigned which, unsigned* out) override;
  ZRESULT SetOption(unsigned which, unsigned value) override;
  ZRESULT FreeNodePool() override;
  ZRESULT AddTail(void* item, Node** outNode) override;
  ZRESULT AddHead(void* item, Node** outNode) override;
  ZRESULT InsertAfter(void* item, Node* after, Node** outNode) override;
  ZRESULT InsertAt(void* item, unsigned index, Node** outNode) override;
  ZRESULT InsertSorted(void* item, InsertFunc fn, void* context, Node** outNode) override;
  ZRESULT DetachAll(Node** outHead, Node** outTail) override;
  ZRESULT AppendList(IPtrList* other) override;
  ZRESULT RemoveItem(void* item, bool release) override;
  ZRESULT RemoveAt(unsigned index, unsigned n, bool release) override;
  ZRESULT DetachNode(Node* node) override;
  ZRESULT RemoveNode(Node* node, bool release) override;
  ZRESULT Reverse() override;
  ZRESULT CopyFrom(IPtrList* other) override;
  ZRESULT AppendCopyRange(IPtrList* other, unsigned first, unsigned n) override;
  ZRESULT GetNodeAt(unsigned index, Node** out) override;
  ZRESULT GetNextNode(Node* node, Node** out) override;
  ZRESULT GetPrevNode(Node* node, Node** out) override;
  ZRESULT FindNode(void* item, Node** out) override;
  ZRESULT Search(void* key, SearchFunc fn, void* context, unsigned* outIndex, Node** outNode) override;
  ZRESULT IndexOfItem(void* item, unsigned* outIndex) override;
  ZRESULT IndexOfNode(Node* node, unsigned* outIndex) override;
  ZRESULT GetTail(Node** out) override;
  ZRESULT GetHead(Node** out) override;
  ZRESULT GetCount(unsigned* out) override;
  ZRESULT IsCountOutside(unsigned min, unsigned max) override;
  ZRESULT ForEach(ForEachFunc fn, void* context) override;
  ZRESULT ForEachEx(ForEachExFunc fn, void* context, void* context2) override;
  ZRESULT SwapNodes(Node* a, Node* b) override;
  ZRESULT Sort(CompareFunc fn, void* context) override;
  ZRESULT GetAt(unsigned index, void** outItem) override;
  ZRESULT GetItem(Node* node, void** outItem) override;
  ZRESULT SetAt(unsigned index, void* item) override;
  ZRESULT SetItem(Node* node, void* item) override;
  ZRESULT Clear(bool release) override;
  ZRESULT IsEmpty() override;
  ZRESULT RemoveNullItems() override;
  ZRESULT GetReleaseCallback(ReleaseFunc* outFn, void** outContext) override;
  ZRESULT SetReleaseCallback(ReleaseFunc fn, void* context) override;
  ZRESULT GetCursor(Node** outNode, unsigned* outIndex) override;
  ZRESULT MoveToHead(Node* node) override;
  ZRESULT MoveToTail(Node* node) override;

private:
  static void releaseNode(void* self, zefcorek::ListNode* node);

  zefcorek::ListChain* chain_;     // nodes, cursor and pool; owned
  ReleaseFunc release_ = nullptr;  // set by the client; null: nothing released
  void* releaseContext_ = nullptr;
};
