// IRecListImp: the record list as a thin layer over the shared chain, whose
// node payload is one record of the list's record size.
#include "zefcorek/RecList.h"

#include "ListNodePool.h"

#include "zefcorek/ClassMakers.h"

#include <cstring>
#include <new>

using zefcorek::kNoIndex;
using zefcorek::ListChain;
using zefcorek::ListNode;

namespace {

ListNode* link(TRecListNodeType_Dummy* node) { return reinterpret_cast<ListNode*>(node); }
TRecListNodeType_Dummy* handle(ListNode* node) {
  return reinterpret_cast<TRecListNodeType_Dummy*>(node);
}
void* recordOf(ListNode* node) { return node->payload(); }

template <class Operation>
ZRESULT withNodeOut(TRecListNodeType_Dummy** outNode, Operation operation) {
  if (outNode == nullptr)
    return operation(nullptr);
  ListNode* node = link(*outNode);
  const ZRESULT result = operation(&node);
  *outNode = handle(node);
  return result;
}

bool isInertOption(unsigned which) { return which >= 3 && which <= 6; }

}  // namespace

IRecList::~IRecList() = default;

void* zefcorek::makeIRecListImp(intptr_t) {
  return static_cast<IRecList*>(new (std::nothrow) IRecListImp());
}

IRecListImp::IRecListImp(unsigned recordSize)
    : chain_(new ListChain(recordSize != 0 ? recordSize : 4, &releaseNode, this)) {}

IRecListImp::~IRecListImp() {
  chain_->clear(/*release=*/true);
  delete chain_;
}

void IRecListImp::releaseNode(void* self, ListNode* node) {
  auto* list = static_cast<IRecListImp*>(self);
  if (list->release_ != nullptr)
    list->release_(recordOf(node), handle(node), list->releaseContext_);
}

unsigned IRecListImp::recordSize() const {
  return static_cast<unsigned>(chain_->pool().payloadSize());
}

// Nodes or records of another size cannot be taken over byte for byte.
ZRESULT IRecListImp::requireSameRecordSize(IRecList* other) {
  unsigned size = 0;
  if (const ZRESULT result = other->GetOption(0, &size); result != ZR_OK)
    return result;
  return size == recordSize() ? ZR_OK : ZR_FAILED;
}

HRESULT IRecListImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

ZRESULT IRecListImp::GetOption(unsigned which, unsigned* out) {
  if (out == nullptr)
    return ZR_BADARG;
  if (which == 0)
    *out = recordSize();
  else if (which == 1)
    *out = chain_->pool().isEnabled() ? 1 : 0;
  else if (which == 2)
    *out = chain_->pool().limit();
  else if (!isInertOption(which)) {
    *out = 0;
    return ZR_BADARG;
  }
  return ZR_OK;
}

ZRESULT IRecListImp::SetOption(unsigned which, unsigned value) {
  if (which == 0) {
    if (chain_->count() != 0)
      return ZR_FAILED;
    chain_->pool().setPayloadSize(value);
  } else if (which == 1) {
    chain_->pool().setEnabled(value != 0);
  } else if (which == 2) {
    chain_->pool().setLimit(value);
  } else if (!isInertOption(which)) {
    return ZR_BADARG;
  }
  return ZR_OK;
}

ZRESULT IRecListImp::FreeNodePool() {
  chain_->pool().freeAll();
  return ZR_OK;
}

ZRESULT IRecListImp::AddTail(const void* record, Node** outNode) {
  return withNodeOut(outNode, [&](ListNode** out) { return chain_->addTail(record, out); });
}

ZRESULT IRecListImp::AddHead(const void* record, Node** outNode) {
  return withNodeOut(outNode, [&](ListNode** out) { return chain_->addHead(record, out); });
}

ZRESULT IRecListImp::InsertAfter(const void* record, Node* after, Node** outNode) {
  return withNodeOut(outNode,
                     [&](ListNode** out) { return chain_->insertAfter(record, link(after), out); });
}

ZRESULT IRecListImp::InsertAt(const void* record, unsigned index, Node** outNode) {
  return withNodeOut(outNode, [&](ListNode** out) { return chain_->insertAt(record, index, out); });
}

ZRESULT IRecListImp::InsertSorted(const void* record, InsertFunc fn, void* context,
                                  Node** outNode) {
  if (fn == nullptr) {
    if (outNode != nullptr)
      *outNode = nullptr;
    return ZR_BADARG;
  }
  const auto answer = [&](ListNode* node) {
    return fn(record, recordOf(node), context, node == chain_->tail() ? 1 : 0);
  };
  return withNodeOut(outNode,
                     [&](ListNode** out) { return chain_->insertSorted(record, answer, out); });
}

ZRESULT IRecListImp::DetachAll(Node** outHead, Node** outTail) {
  if (outHead == nullptr || outTail == nullptr)
    return ZR_BADARG;
  ListNode* head = nullptr;
  ListNode* tail = nullptr;
  chain_->detachAll(&head, &tail);
  *outHead = handle(head);
  *outTail = handle(tail);
  return ZR_OK;
}

// Nodes of another record size would be read past their end, so lists of
// different sizes are not joined.
ZRESULT IRecListImp::AppendList(IRecList* other) {
  if (other == nullptr)
    return ZR_BADARG;
  if (const ZRESULT result = requireSameRecordSize(other); result != ZR_OK)
    return result;
  unsigned n = 0;
  if (const ZRESULT result = other->GetCount(&n); result != ZR_OK)
    return result;
  if (n == 0)
    return ZR_OK;
  Node* head = nullptr;
  Node* tail = nullptr;
  if (const ZRESULT result = other->DetachAll(&head, &tail); result != ZR_OK)
    return result;
  chain_->appendChain(link(head), link(tail), n);
  return ZR_OK;
}

ZRESULT IRecListImp::RemoveAt(unsigned first, unsigned count, bool release) {
  return chain_->removeAt(first, count, release);
}

ZRESULT IRecListImp::DetachNode(Node* node) { return chain_->detachNode(link(node)); }

ZRESULT IRecListImp::RemoveNode(Node* node, bool release) {
  return chain_->removeNode(link(node), release);
}

ZRESULT IRecListImp::Reverse() {
  chain_->reverse();
  return ZR_OK;
}

// Copies up to `limit` records (kNoIndex: all) from `node` on in `other`.
ZRESULT IRecListImp::appendCopies(IRecList* other, Node* node, unsigned limit) {
  for (unsigned copied = 0; node != nullptr && (limit == kNoIndex || copied < limit); ++copied) {
    void* record = nullptr;
    other->GetNodeRecordPtr(node, &record);
    if (const ZRESULT result = AddTail(record, nullptr); result != ZR_OK)
      return result;
    other->GetNextNode(node, &node);
  }
  return ZR_OK;
}

ZRESULT IRecListImp::CopyFrom(IRecList* other) {
  if (other == nullptr || other == static_cast<IRecList*>(this))
    return ZR_BADARG;
  if (const ZRESULT result = requireSameRecordSize(other); result != ZR_OK)
    return result;
  Node* head = nullptr;
  if (const ZRESULT result = other->GetHead(&head); result != ZR_OK)
    return result;
  chain_->clear(/*release=*/true);
  return appendCopies(other, head, kNoIndex);
}

ZRESULT IRecListImp::AppendCopyRange(IRecList* other, unsigned first, unsigned count) {
  if (other == nullptr)
    return ZR_BADARG;
  if (const ZRESULT result = requireSameRecordSize(other); result != ZR_OK)
    return result;
  Node* node = nullptr;
  if (const ZRESULT result = other->GetNodeAt(first, &node); result != ZR_OK)
    return result;
  // From the list itself, "to the end" is the end at the call.
  if (other == static_cast<IRecList*>(this)) {
    const unsigned present = chain_->count() - first;
    if (count == kNoIndex || count > present)
      count = present;
  }
  return appendCopies(other, node, count);
}

ZRESULT IRecListImp::GetNodeAt(unsigned index, Node** outNode) {
  if (outNode == nullptr)
    return ZR_BADARG;
  ListNode* node = nullptr;
  const ZRESULT result = chain_->nodeAt(index, &node);
  *outNode = handle(node);
  return result;
}

ZRESULT IRecListImp::GetNextNode(Node* node, Node** outNode) {
  if (node == nullptr || outNode == nullptr)
    return ZR_BADARG;
  *outNode = handle(link(node)->next);
  return ZR_OK;
}

ZRESULT IRecListImp::GetPrevNode(Node* node, Node** outNode) {
  if (node == nullptr || outNode == nullptr)
    return ZR_BADARG;
  *outNode = handle(link(node)->prev);
  return ZR_OK;
}

ZRESULT IRecListImp::FindNode(MatchFunc fn, void* context, const void* key, Node** outNode) {
  if (fn == nullptr)
    return ZR_BADARG;
  ListNode* node = chain_->head();
  while (node != nullptr && fn(key, recordOf(node), context) != 0)
    node = node->next;
  if (outNode != nullptr)
    *outNode = handle(node);
  return node != nullptr ? ZR_OK : ZR_NO;
}

ZRESULT IRecListImp::Search(const void* key, MatchFunc fn, void* context, unsigned* outIndex,
                            Node** outNode) {
  if (fn == nullptr)
    return ZR_BADARG;
  ListNode* found = nullptr;
  unsigned index = kNoIndex;
  const ZRESULT result = chain_->search(
      [&](ListNode* node) { return fn(recordOf(node), key, context); }, &found, &index);
  if (outIndex != nullptr)
    *outIndex = index;
  if (outNode != nullptr)
    *outNode = handle(found);
  return result;
}

ZRESULT IRecListImp::IndexOfItem(MatchFunc fn, void* context, const void* key,
                                 unsigned* outIndex) {
  if (fn == nullptr || outIndex == nullptr)
    return ZR_BADARG;
  ListNode* cursor = chain_->cursor();
  if (cursor != nullptr && fn(recordOf(cursor), key, context) == 0) {
    *outIndex = chain_->cursorIndex();
    return ZR_OK;
  }
  unsigned index = 0;
  for (ListNode* node = chain_->head(); node != nullptr; node = node->next, ++index) {
    if (fn(recordOf(node), key, context) == 0) {
      *outIndex = index;
      return ZR_OK;
    }
  }
  *outIndex = kNoIndex;
  return ZR_NO;
}

ZRESULT IRecListImp::IndexOfNode(Node* node, unsigned* outIndex) {
  if (node == nullptr || outIndex == nullptr)
    return ZR_BADARG;
  *outIndex = chain_->indexOf(link(node));
  return *outIndex == kNoIndex ? ZR_FAILED : ZR_OK;
}

ZRESULT IRecListImp::GetTail(Node** outNode) {
  if (outNode == nullptr)
    return ZR_BADARG;
  *outNode = handle(chain_->tail());
  return ZR_OK;
}

ZRESULT IRecListImp::GetHead(Node** outNode) {
  if (outNode == nullptr)
    return ZR_BADARG;
  *outNode = handle(chain_->head());
  return ZR_OK;
}

ZRESULT IRecListImp::GetCount(unsigned* outCount) {
  if (outCount == nullptr)
    return ZR_BADARG;
  *outCount = chain_->count();
  return ZR_OK;
}

ZRESULT IRecListImp::IsCountOutside(unsigned min, unsigned max) {
  const unsigned count = chain_->count();
  return count < min || count > max ? ZR_NO : ZR_OK;
}

ZRESULT IRecListImp::ForEach(ForEachFunc fn, void* context) {
  if (fn == nullptr)
    return ZR_BADARG;
  return chain_->forEach([&](ListNode* node) { return fn(recordOf(node), context, handle(node)); });
}

ZRESULT IRecListImp::ForEachEx(ForEachExFunc fn, void* context, void* context2) {
  if (fn == nullptr)
    return ZR_BADARG;
  return chain_->forEach(
      [&](ListNode* node) { return fn(recordOf(node), context, handle(node), context2); });
}

ZRESULT IRecListImp::SwapNodes(Node* a, Node* b) { return chain_->swapNodes(link(a), link(b)); }

ZRESULT IRecListImp::Sort(CompareFunc fn, void* context) {
  if (fn == nullptr)
    return ZR_BADARG;
  chain_->sort([&](ListNode* a, ListNode* b) { return fn(recordOf(a), recordOf(b), context); });
  return ZR_OK;
}

ZRESULT IRecListImp::GetRecordPtrAt(unsigned index, void** outPtr) {
  if (outPtr == nullptr)
    return ZR_BADARG;
  *outPtr = nullptr;
  ListNode* node = nullptr;
  if (const ZRESULT result = chain_->nodeAt(index, &node); result != ZR_OK)
    return result;
  *outPtr = recordOf(node);
  return ZR_OK;
}

ZRESULT IRecListImp::GetAt(unsigned index, void* outRecord) {
  if (outRecord == nullptr)
    return ZR_BADARG;
  ListNode* node = nullptr;
  chain_->nodeAt(index, &node);
  return GetNodeRecord(handle(node), outRecord);
}

ZRESULT IRecListImp::GetNodeRecordPtr(Node* node, void** outPtr) {
  if (outPtr == nullptr)
    return ZR_BADARG;
  *outPtr = node != nullptr ? recordOf(link(node)) : nullptr;
  return node != nullptr ? ZR_OK : ZR_BADARG;
}

ZRESULT IRecListImp::GetNodeRecord(Node* node, void* outRecord) {
  if (outRecord == nullptr)
    return ZR_BADARG;
  if (recordSize() == 0)
    return node != nullptr ? ZR_OK : ZR_BADARG;
  if (node == nullptr) {
    std::memset(outRecord, 0, recordSize());
    return ZR_BADARG;
  }
  std::memcpy(outRecord, recordOf(link(node)), recordSize());
  return ZR_OK;
}

// A null record would be read from address 0; it is refused like a bad index.
ZRESULT IRecListImp::SetAt(unsigned index, const void* record) {
  if (record == nullptr)
    return ZR_BADARG;
  ListNode* node = nullptr;
  if (const ZRESULT result = chain_->nodeAt(index, &node); result != ZR_OK)
    return result;
  return SetNodeRecord(handle(node), record);
}

ZRESULT IRecListImp::SetNodeRecord(Node* node, const void* record) {
  if (node == nullptr || record == nullptr)
    return ZR_BADARG;
  if (recordSize() != 0)
    std::memcpy(recordOf(link(node)), record, recordSize());
  return ZR_OK;
}

ZRESULT IRecListImp::Clear(bool release) {
  chain_->clear(release);
  return ZR_OK;
}

ZRESULT IRecListImp::IsEmpty() { return chain_->count() == 0 ? ZR_OK : ZR_NO; }

ZRESULT IRecListImp::GetReleaseCallback(ReleaseFunc* outFn, void** outContext) {
  if (outFn == nullptr && outContext == nullptr)
    return ZR_BADARG;
  if (outFn != nullptr)
    *outFn = release_;
  if (outContext != nullptr)
    *outContext = releaseContext_;
  return ZR_OK;
}

ZRESULT IRecListImp::SetReleaseCallback(ReleaseFunc fn, void* context) {
  release_ = fn;
  releaseContext_ = context;
  return ZR_OK;
}

ZRESULT IRecListImp::GetCursor(Node** outNode, unsigned* outIndex) {
  if (outNode == nullptr && outIndex == nullptr)
    return ZR_BADARG;
  if (outNode != nullptr)
    *outNode = handle(chain_->cursor());
  if (outIndex != nullptr)
    *outIndex = chain_->cursorIndex();
  return ZR_OK;
}

ZRESULT IRecListImp::SetCursor(Node* node, unsigned index) {
  if (node == nullptr)
    return ZR_BADARG;
  chain_->setCursor(link(node), index);
  return ZR_OK;
}

ZRESULT IRecListImp::MoveToHead(Node* node) { return chain_->moveToHead(link(node)); }

ZRESULT IRecListImp::MoveToTail(Node* node) { return chain_->moveToTail(link(node)); }

ZRESULT IRecListImp::SwapAt(unsigned i, unsigned j) {
  ListNode* a = nullptr;
  if (const ZRESULT result = chain_->nodeAt(i, &a); result != ZR_OK)
    return result;
  if (i == j)
    return ZR_OK;
  ListNode* b = nullptr;
  if (const ZRESULT result = chain_->nodeAt(j, &b); result != ZR_OK)
    return result;
  return chain_->swapNodes(a, b);
}

ZRESULT IRecListImp::MoveAt(unsigned from, unsigned to) {
  ListNode* node = nullptr;
  if (const ZRESULT result = chain_->nodeAt(from, &node); result != ZR_OK)
    return result;
  if (from == to)
    return ZR_OK;
  if (to >= chain_->count())
    return chain_->moveToTail(node);
  ListNode* before = nullptr;
  chain_->nodeAt(to, &before);
  chain_->moveBefore(node, before);
  return ZR_OK;
}
