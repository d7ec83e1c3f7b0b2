// IRecList: a doubly linked list whose nodes carry a fixed-size record,
// copied in and out byte for byte.
//
// It shares its design with the pointer list (PtrList.h): the optional pool
// of spare nodes, the cursor that makes walks by index cost one step per
// access, the release callback and the stable merge sort on the links. The
// differences: option 0 is the record size (4 by default; it can change only
// while the list is empty), pooling is option 1 and the pool limit option 2;
// callbacks receive a pointer to the record inside the node; searches take a
// compare callback and a key; records are read either through a pointer into
// the node (valid until the node leaves the list) or as a copy, and a copy
// from a bad index or node is zero-filled.
//
// Results are the ZR_* codes; yes/no questions answer 0 for yes and 1 for
// no; 0xFFFFFFFF is "no index" and, as a count, "up to the end". Node
// arguments are trusted to belong to this list. One thread at a time.
#pragma once

#include "zefcorek/StdInterface.h"

#include <cstdint>

// A node of a record list: an opaque handle that callers pass back.
struct TRecListNodeType_Dummy;

struct ZEF_EXPORT IRecList : virtual IStdDataInterface {
  using Node = TRecListNodeType_Dummy;
  // Called for a record leaving the list when the caller asked for release.
  using ReleaseFunc = int32_t (*)(void* record, Node* node, void* context);
  // InsertSorted: -2 refuses, another negative value inserts before this
  // node, 0 or more goes on; isLast is 1 for the tail node.
  using InsertFunc = int32_t (*)(const void* newRecord, const void* nodeRecord, void* context, int32_t isLast);
  // FindNode calls it as (key, record), Search and IndexOfItem as (record,
  // key); 0 is a match, and -2 stops a Search.
  using MatchFunc = int32_t (*)(const void* a, const void* b, void* context);
  // 0 or less keeps a before b.
  using CompareFunc = int32_t (*)(const void* a, const void* b, void* context);
  // 0 stops the walk.
  using ForEachFunc = int32_t (*)(void* record, void* context, Node* node);
  using ForEachExFunc = int32_t (*)(void* record, void* context, Node* node, void* context2);

  // Options: 0 record size, 1 pool enabled (0 or 1), 2 pool limit; 3 to 6
  // are accepted and mean nothing (ZR_OK, *out untouched); others: ZR_BADARG (*out = 0).
  virtual ZRESULT GetOption(unsigned which, unsigned* out) = 0;
  // A record size change on a non-empty list answers ZR_FAILED.
  virtual ZRESULT SetOption(unsigned which, unsigned value) = 0;
  virtual ZRESULT FreeNodePool() = 0;
  // Copies record-size bytes from `record`, or adds zeros for a null record.
  // ZR_OUTOFMEMORY when no node can be had: AddTail leaves *outNode as it was, the other
  // insertions set it to null.
  virtual ZRESULT AddTail(const void* record, Node** outNode) = 0;
  virtual ZRESULT AddHead(const void* record, Node** outNode) = 0;
  virtual ZRESULT InsertAfter(const void* record, Node* after, Node** outNode) = 0;
  virtual ZRESULT InsertAt(const void* record, unsigned index, Node** outNode) = 0;
  virtual ZRESULT InsertSorted(const void* record, InsertFunc fn, void* context, Node** outNode) = 0;
  virtual ZRESULT DetachAll(Node** outHead, Node** outTail) = 0;
  // Moves every node of `other` to the tail. ZR_FAILED when the record sizes differ.
  virtual ZRESULT AppendList(IRecList* other) = 0;
  virtual ZRESULT RemoveAt(unsigned first, unsigned count, bool release) = 0;
  virtual ZRESULT DetachNode(Node* node) = 0;
  virtual ZRESULT RemoveNode(Node* node, bool release) = 0;
  virtual ZRESULT Reverse() = 0;
  // Releases this list's records, then copies every record of `other`.
  // ZR_FAILED for different record sizes; ZR_BADARG for null or the list itself.
  virtual ZRESULT CopyFrom(IRecList* other) = 0;
  virtual ZRESULT AppendCopyRange(IRecList* other, unsigned first, unsigned count) = 0;
  virtual ZRESULT GetNodeAt(unsigned index, Node** outNode) = 0;
  virtual ZRESULT GetNextNode(Node* node, Node** outNode) = 0;
  virtual ZRESULT GetPrevNode(Node* node, Node** outNode) = 0;
  virtual ZRESULT FindNode(MatchFunc fn, void* context, const void* key, Node** outNode) = 0;
  virtual ZRESULT Search(const void* key, MatchFunc fn, void* context, unsigned* outIndex, Node** outNode) = 0;
  virtual ZRESULT IndexOfItem(MatchFunc fn, void* context, const void* key, unsigned* outIndex) = 0;
  virtual ZRESULT IndexOfNode(Node* node, unsigned* outIndex) = 0;
  virtual ZRESULT GetTail(Node** outNode) = 0;
  virtual ZRESULT GetHead(Node** outNode) = 0;
  virtual ZRESULT GetCount(unsigned* outCount) = 0;
  virtual ZRESULT IsCountOutside(unsigned min, unsigned max) = 0;
  virtual ZRESULT ForEach(ForEachFunc fn, void* context) = 0;
  virtual ZRESULT ForEachEx(ForEachExFunc fn, void* context, void* context2) = 0;
  virtual ZRESULT SwapNodes(Node* a, Node* b) = 0;
  virtual ZRESULT Sort(CompareFunc fn, void* context) = 0;
  virtual ZRESULT GetRecordPtrAt(unsigned index, void** outPtr) = 0;
  virtual ZRESULT GetAt(unsigned index, void* outRecord) = 0;
  virtual ZRESULT GetNodeRecordPtr(Node* node, void** outPtr) = 0;
  virtual ZRESULT GetNodeRecord(Node* node, void* outRecord) = 0;
  virtual ZRESULT SetAt(unsigned index, const void* record) = 0;
  virtual ZRESULT SetNodeRecord(Node* node, const void* record) = 0;
  virtual ZRESULT Clear(bool release) = 0;
  virtual ZRESULT IsEmpty() = 0;
  virtual ZRESULT GetReleaseCallback(ReleaseFunc* outFn, void** outContext) = 0;
  virtual ZRESULT SetReleaseCallback(ReleaseFunc fn, void* context) = 0;
  virtual ZRESULT GetCursor(Node** outNode, unsigned* outIndex) = 0;
  // Stores the cursor unchecked: the caller vouches that node is at index.
  virtual ZRESULT SetCursor(Node* node, unsigned index) = 0;
  virtual ZRESULT MoveToHead(Node* node) = 0;
  virtual ZRESULT MoveToTail(Node* node) = 0;
  virtual ZRESULT SwapAt(unsigned i, unsigned j) = 0;
  // Relinks the node at `from` before the node that stood at `to` (so a
  // forward move ends at to - 1); to at or beyond the count moves it last.
  virtual ZRESULT MoveAt(unsigned from, unsigned to) = 0;
  ~IRecList() override;
};

namespace zefcorek {
class ListChain;
struct ListNode;
}  // namespace zefcorek

class ZEF_EXPORT IRecListImp : public IStdDataInterfaceImp, public virtual IRecList {
public:
  // Records of `recordSize` bytes; 0 means 4.
  explicit IRecListImp(unsigned recordSize = 4);
  // Releases the remaining records as Clear(true), then frees the pool.
  ~IRecListImp() override;

  // ZR_NOTSUPPORTED for every identifier, *out untouched.
  HRESULT QueryInterface(REFIID iid, void** out) override;

  ZRESULT GetOption(unsigned which, unsigned* out) override;
  ZRESULT SetOption(unsigned which, unsigned value) override;
  ZRESULT FreeNodePool() override;
  ZRESULT AddTail(const void* record, Node** outNode) override;
  ZRESULT AddHead(const void* record, Node** outNode) override;
  ZRESULT InsertAfter(const void* record, Node* after, Node** outNode) override;
  ZRESULT InsertAt(const void* record, unsigned index, Node** outNode) override;
  ZRESULT InsertSorted(const void* record, InsertFunc fn, void* context, Node** outNode) override;
  ZRESULT DetachAll(Node** outHead, Node** outTail) override;
  ZRESULT AppendList(IRecList* other) override;
  ZRESULT RemoveAt(unsigned first, unsigned count, bool release) override;
  ZRESULT DetachNode(Node* node) override;
  ZRESULT RemoveNode(Node* node, bool release) override;
  ZRESULT Reverse() override;
  ZRESULT CopyFrom(IRecList* other) override;
  ZRESULT AppendCopyRange(IRecList* other, unsigned first, unsigned count) override;
  ZRESULT GetNodeAt(unsigned index, Node** outNode) override;
  ZRESULT GetNextNode(Node* node, Node** outNode) override;
  ZRESULT GetPrevNode(Node* node, Node** outNode) override;
  ZRESULT FindNode(MatchFunc fn, void* context, const void* key, Node** outNode) override;
  ZRESULT Search(const void* key, MatchFunc fn, void* context, unsigned* outIndex, Node** outNode) override;
  ZRESULT IndexOfItem(MatchFunc fn, void* context, const void* key, unsigned* outIndex) override;
  ZRESULT IndexOfNode(Node* node, unsigned* outIndex) override;
  ZRESULT GetTail(Node** outNode) override;
  ZRESULT GetHead(Node** outNode) override;
  ZRESULT GetCount(unsigned* outCount) override;
  ZRESULT IsCountOutside(unsigned min, unsigned max) override;
  ZRESULT ForEach(ForEachFunc fn, void* context) override;
  ZRESULT ForEachEx(ForEachExFunc fn, void* context, void* context2) override;
  ZRESULT SwapNodes(Node* a, Node* b) override;
  ZRESULT Sort(CompareFunc fn, void* context) override;
  ZRESULT GetRecordPtrAt(unsigned index, void** outPtr) override;
  ZRESULT GetAt(unsigned index, void* outRecord) override;
  ZRESULT GetNodeRecordPtr(Node* node, void** outPtr) override;
  ZRESULT GetNodeRecord(Node* node, void* outRecord) override;
  ZRESULT SetAt(unsigned index, const void* record) override;
  ZRESULT SetNodeRecord(Node* node, const void* record) override;
  ZRESULT Clear(bool release) override;
  ZRESULT IsEmpty() override;
  ZRESULT GetReleaseCallback(ReleaseFunc* outFn, void** outContext) override;
  ZRESULT SetReleaseCallback(ReleaseFunc fn, void* context) override;
  ZRESULT GetCursor(Node** outNode, unsigned* outIndex) override;
  ZRESULT SetCursor(Node* node, unsigned index) override;
  ZRESULT MoveToHead(Node* node) override;
  ZRESULT MoveToTail(Node* node) override;
  ZRESULT SwapAt(unsigned i, unsigned j) override;
  ZRESULT MoveAt(unsigned from, unsigned to) override;

private:
  static void releaseNode(void* self, zefcorek::ListNode* node);
  unsigned recordSize() const;
  ZRESULT requireSameRecordSize(IRecList* other);
  ZRESULT appendCopies(IRecList* other, Node* node, unsigned limit);

  zefcorek::ListChain* chain_;     // nodes, cursor and pool; owned
  ReleaseFunc release_ = nullptr;  // set by the client; null: nothing released
  void* releaseContext_ = nullptr;
};
