// IRecListImp: the record list as a thin layer over the shared chain, whose
// node payload is one record of the list's record size.
#include "zefcorek/RecList.h"

#include "ListFront.h"

#include "zefcorek/ClassMakers.h"

#include <cstring>
#include <new>

using zefcorek::ListChain;
using zefcorek::ListNode;

namespace {

using Front = zefcorek::ListFront<TRecListNodeType_Dummy>;
constexpr auto link = Front::link;
constexpr auto handle = Front::handle;

void* recordOf(ListNode* node) { return node->payload(); }

// Adds a copy of another list's record at the tail.
auto tailAdder(IRecListImp* list) {
  return [list](void* record) { return list->AddTail(record, nullptr); };
}

}  // namespace

IRecList::~IRecList() = default;

void* zefcorek::makeIRecListImp(intptr_t) { return static_cast<IRecList*>(new (std::nothrow) IRecListImp()); }

IRecListImp::IRecListImp(unsigned recordSize)
    : chain_(new ListChain(recordSize != 0 ? recordSize : 4, &releaseNode, this)) {}

IRecListImp::~IRecListImp() {
  chain_->clear(/*release=*/true);
  delete chain_;
}

void IRecListImp::releaseNode(void* self, ListNode* node) {
  auto* list = static_cast<IRecListImp*>(self);
  if (list->release_ != nullptr) list->release_(recordOf(node), handle(node), list->releaseContext_);
}

unsigned IRecListImp::recordSize() const { return static_cast<unsigned>(chain_->pool().payloadSize()); }

// Nodes or records of another size cannot be taken over byte for byte.
ZRESULT IRecListImp::requireSameRecordSize(IRecList* other) {
  unsigned size = 0;
  if (const ZRESULT result = other->GetOption(0, &size); result != ZR_OK) return result;
  return size == recordSize() ? ZR_OK : ZR_FAILED;
}

HRESULT IRecListImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

ZRESULT IRecListImp::GetOption(unsigned which, unsigned* out) {
  if (out == nullptr) return ZR_BADARG;
  if (which == 0)
    *out = recordSize();
  else if (which == 1)
    *out = chain_->pool().isEnabled() ? 1 : 0;
  else if (which == 2)
    *out = chain_->pool().limit();
  else if (!Front::isInertOption(which)) {
    *out = 0;
    return ZR_BADARG;
  }
  return ZR_OK;
}

ZRESULT IRecListImp::SetOption(unsigned which, unsigned value) {
  if (which == 0) {
    if (chain_->count() != 0) return ZR_FAILED;
    chain_->pool().setPayloadSize(value);
  } else if (which == 1) {
    chain_->pool().setEnabled(value != 0);
  } else if (which == 2) {
    chain_->pool().setLimit(value);
  } else if (!Front::isInertOption(which)) {
    return ZR_BADARG;
  }
  return ZR_OK;
}

ZRESULT IRecListImp::FreeNodePool() {
  chain_->pool().freeAll();
  return ZR_OK;
}

ZRESULT IRecListImp::AddTail(const void* record, Node** outNode) {
  return Front::withNodeOut(outNode, [&](ListNode** out) { return chain_->addTail(record, out); });
}

ZRESULT IRecListImp::AddHead(const void* record, Node** outNode) {
  return Front::withNodeOut(outNode, [&](ListNode** out) { return chain_->addHead(record, out); });
}

ZRESULT IRecListImp::InsertAfter(const void* record, Node* after, Node** outNode) {
  return Front::withNodeOut(outNode, [&](ListNode** out) { return chain_->insertAfter(record, link(after), out); });
}

ZRESULT IRecListImp::InsertAt(const void* record, unsigned index, Node** outNode) {
  return Front::withNodeOut(outNode, [&](ListNode** out) { return chain_->insertAt(record, index, out); });
}

ZRESULT IRecListImp::InsertSorted(const void* record, InsertFunc fn, void* context, Node** outNode) {
  if (fn == nullptr) {
    if (outNode != nullptr) *outNode = nullptr;
    return ZR_BADARG;
  }
  const auto answer = [&](ListNode* node) {
    return fn(record, recordOf(node), context, node == chain_->tail() ? 1 : 0);
  };
  return Front::withNodeOut(outNode, [&](ListNode** out) { return chain_->insertSorted(record, answer, out); });
}

ZRESULT IRecListImp::DetachAll(Node** outHead, Node** outTail) { return Front::detachAll(*chain_, outHead, outTail); }

// Nodes of another record size would be read past their end, so lists of
// different sizes are not joined.
ZRESULT IRecListImp::AppendList(IRecList* other) {
  if (other == nullptr) return ZR_BADARG;
  if (const ZRESULT result = requireSameRecordSize(other); result != ZR_OK) return result;
  return Front::appendList(*chain_, other);
}

ZRESULT IRecListImp::RemoveAt(unsigned first, unsigned count, bool release) {
  return chain_->removeAt(first, count, release);
}

ZRESULT IRecListImp::DetachNode(Node* node) { return chain_->detachNode(link(node)); }

ZRESULT IRecListImp::RemoveNode(Node* node, bool release) { return chain_->removeNode(link(node), release); }

ZRESULT IRecListImp::Reverse() {
  chain_->reverse();
  return ZR_OK;
}

// Copies up to `limit` records (kNoIndex: all) from `node` on in `other`.
ZRESULT IRecListImp::appendCopies(IRecList* other, Node* node, unsigned limit) {
  return Front::appendCopies(other, &IRecList::GetNodeRecordPtr, node, limit, tailAdder(this));
}

ZRESULT IRecListImp::CopyFrom(IRecList* other) {
  if (other == nullptr || other == static_cast<IRecList*>(this)) return ZR_BADARG;
  if (const ZRESULT result = requireSameRecordSize(other); result != ZR_OK) return result;
  return Front::copyFrom(*chain_, other, &IRecList::GetNodeRecordPtr, tailAdder(this));
}

ZRESULT IRecListImp::AppendCopyRange(IRecList* other, unsigned first, unsigned count) {
  if (other == nullptr) return ZR_BADARG;
  if (const ZRESULT result = requireSameRecordSize(other); result != ZR_OK) return result;
  return Front::appendCopyRange(*chain_, static_cast<IRecList*>(this), other, &IRecList::GetNodeRecordPtr, first, count,
                                tailAdder(this));
}

ZRESULT IRecListImp::GetNodeAt(unsigned index, Node** outNode) { return Front::nodeAt(*chain_, index, outNode); }

ZRESULT IRecListImp::GetNextNode(Node* node, Node** outNode) { return Front::nextNode(node, outNode); }

ZRESULT IRecListImp::GetPrevNode(Node* node, Node** outNode) { return Front::prevNode(node, outNode); }

ZRESULT IRecListImp::FindNode(MatchFunc fn, void* context, const void* key, Node** outNode) {
  if (fn == nullptr) return ZR_BADARG;
  return Front::findNode(
      *chain_, [&](ListNode* node) { return fn(key, recordOf(node), context) == 0; }, outNode);
}

ZRESULT IRecListImp::Search(const void* key, MatchFunc fn, void* context, unsigned* outIndex, Node** outNode) {
  if (fn == nullptr) return ZR_BADARG;
  return Front::search(
      *chain_, [&](ListNode* node) { return fn(recordOf(node), key, context); }, outIndex, outNode);
}

ZRESULT IRecListImp::IndexOfItem(MatchFunc fn, void* context, const void* key, unsigned* outIndex) {
  if (fn == nullptr || outIndex == nullptr) return ZR_BADARG;
  return Front::indexOfMatch(
      *chain_, [&](ListNode* node) { return fn(recordOf(node), key, context) == 0; }, outIndex);
}

ZRESULT IRecListImp::IndexOfNode(Node* node, unsigned* outIndex) { return Front::indexOfNode(*chain_, node, outIndex); }

ZRESULT IRecListImp::GetTail(Node** outNode) { return Front::tail(*chain_, outNode); }

ZRESULT IRecListImp::GetHead(Node** outNode) { return Front::head(*chain_, outNode); }

ZRESULT IRecListImp::GetCount(unsigned* outCount) { return Front::count(*chain_, outCount); }

ZRESULT IRecListImp::IsCountOutside(unsigned min, unsigned max) { return Front::isCountOutside(*chain_, min, max); }

ZRESULT IRecListImp::ForEach(ForEachFunc fn, void* context) { return Front::forEach(*chain_, fn, recordOf, context); }

ZRESULT IRecListImp::ForEachEx(ForEachExFunc fn, void* context, void* context2) {
  return Front::forEach(*chain_, fn, recordOf, context, context2);
}

ZRESULT IRecListImp::SwapNodes(Node* a, Node* b) { return chain_->swapNodes(link(a), link(b)); }

ZRESULT IRecListImp::Sort(CompareFunc fn, void* context) {
  // A lambda rather than the function itself, so that the gathering walk
  // reads the payload inline instead of calling through a pointer.
  return Front::sort(
      *chain_, fn, [](ListNode* node) { return recordOf(node); }, context);
}

ZRESULT IRecListImp::GetRecordPtrAt(unsigned index, void** outPtr) {
  return Front::itemAt(*chain_, index, recordOf, outPtr);
}

ZRESULT IRecListImp::GetAt(unsigned index, void* outRecord) {
  if (outRecord == nullptr) return ZR_BADARG;
  ListNode* node = nullptr;
  chain_->nodeAt(index, &node);
  return GetNodeRecord(handle(node), outRecord);
}

ZRESULT IRecListImp::GetNodeRecordPtr(Node* node, void** outPtr) { return Front::itemOfNode(node, recordOf, outPtr); }

ZRESULT IRecListImp::GetNodeRecord(Node* node, void* outRecord) {
  if (outRecord == nullptr) return ZR_BADARG;
  if (recordSize() == 0) return node != nullptr ? ZR_OK : ZR_BADARG;
  if (node == nullptr) {
    std::memset(outRecord, 0, recordSize());
    return ZR_BADARG;
  }
  std::memcpy(outRecord, recordOf(link(node)), recordSize());
  return ZR_OK;
}

// A null record would be read from address 0; it is refused like a bad index.
ZRESULT IRecListImp::SetAt(unsigned index, const void* record) {
  if (record == nullptr) return ZR_BADARG;
  ListNode* node = nullptr;
  if (const ZRESULT result = chain_->nodeAt(index, &node); result != ZR_OK) return result;
  return SetNodeRecord(handle(node), record);
}

ZRESULT IRecListImp::SetNodeRecord(Node* node, const void* record) {
  if (node == nullptr || record == nullptr) return ZR_BADARG;
  if (recordSize() != 0) std::memcpy(recordOf(link(node)), record, recordSize());
  return ZR_OK;
}

ZRESULT IRecListImp::Clear(bool release) {
  chain_->clear(release);
  return ZR_OK;
}

ZRESULT IRecListImp::IsEmpty() { return chain_->count() == 0 ? ZR_OK : ZR_NO; }

ZRESULT IRecListImp::GetReleaseCallback(ReleaseFunc* outFn, void** outContext) {
  return Front::releaseCallback(release_, releaseContext_, outFn, outContext);
}

ZRESULT IRecListImp::SetReleaseCallback(ReleaseFunc fn, void* context) {
  release_ = fn;
  releaseContext_ = context;
  return ZR_OK;
}

ZRESULT IRecListImp::GetCursor(Node** outNode, unsigned* outIndex) { return Front::cursor(*chain_, outNode, outIndex); }

ZRESULT IRecListImp::SetCursor(Node* node, unsigned index) {
  if (node == nullptr) return ZR_BADARG;
  chain_->setCursor(link(node), index);
  return ZR_OK;
}

ZRESULT IRecListImp::MoveToHead(Node* node) { return chain_->moveToHead(link(node)); }

ZRESULT IRecListImp::MoveToTail(Node* node) { return chain_->moveToTail(link(node)); }

ZRESULT IRecListImp::SwapAt(unsigned i, unsigned j) {
  ListNode* a = nullptr;
  if (const ZRESULT result = chain_->nodeAt(i, &a); result != ZR_OK) return result;
  if (i == j) return ZR_OK;
  ListNode* b = nullptr;
  if (const ZRESULT result = chain_->nodeAt(j, &b); result != ZR_OK) return result;
  return chain_->swapNodes(a, b);
}

ZRESULT IRecListImp::MoveAt(unsigned from, unsigned to) {
  ListNode* node = nullptr;
  if (const ZRESULT result = chain_->nodeAt(from, &node); result != ZR_OK) return result;
  if (from == to) return ZR_OK;
  if (to >= chain_->count()) return chain_->moveToTail(node);
  ListNode* before = nullptr;
  chain_->nodeAt(to, &before);
  chain_->moveBefore(node, before);
  return ZR_OK;
}
