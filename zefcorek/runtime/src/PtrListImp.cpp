// IPtrListImp: the pointer list as a thin layer over the shared chain, whose
// node payload is the one item pointer.
#include "zefcorek/PtrList.h"

#include "ListNodePool.h"

#include "zefcorek/ClassMakers.h"

#include <cstring>
#include <new>

using zefcorek::kNoIndex;
using zefcorek::ListChain;
using zefcorek::ListNode;

namespace {

ListNode* link(TPtrListNode* node) { return reinterpret_cast<ListNode*>(node); }
TPtrListNode* handle(ListNode* node) { return reinterpret_cast<TPtrListNode*>(node); }

void* itemOf(ListNode* node) {
  void* item = nullptr;
  std::memcpy(&item, node->payload(), sizeof item);
  return item;
}

void storeItem(ListNode* node, void* item) { std::memcpy(node->payload(), &item, sizeof item); }

// Runs a chain operation that may set a node out-pointer, and hands what it
// left there back as a handle (an untouched out stays untouched).
template <class Operation>
ZRESULT withNodeOut(TPtrListNode** outNode, Operation operation) {
  if (outNode == nullptr)
    return operation(nullptr);
  ListNode* node = link(*outNode);
  const ZRESULT result = operation(&node);
  *outNode = handle(node);
  return result;
}

// Options 3 to 6 exist in the numbering but mean nothing.
bool isInertOption(unsigned which) { return which >= 3 && which <= 6; }

}  // namespace

IPtrList::~IPtrList() = default;

void* zefcorek::makeIPtrListImp(intptr_t) {
  return static_cast<IPtrList*>(new (std::nothrow) IPtrListImp());
}

IPtrListImp::IPtrListImp() : chain_(new ListChain(sizeof(void*), &releaseNode, this)) {}

IPtrListImp::~IPtrListImp() {
  chain_->clear(/*release=*/true);
  delete chain_;
}

void IPtrListImp::releaseNode(void* self, ListNode* node) {
  auto* list = static_cast<IPtrListImp*>(self);
  if (list->release_ != nullptr)
    list->release_(itemOf(node), handle(node), list->releaseContext_);
}

HRESULT IPtrListImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

ZRESULT IPtrListImp::GetOption(unsigned which, unsigned* out) {
  if (out == nullptr)
    return ZR_BADARG;
  if (which == 0)
    *out = chain_->pool().isEnabled() ? 1 : 0;
  else if (which == 1)
    *out = chain_->pool().limit();
  else if (!isInertOption(which)) {
    *out = 0;
    return ZR_BADARG;
  }
  return ZR_OK;
}

ZRESULT IPtrListImp::SetOption(unsigned which, unsigned value) {
  if (which == 0)
    chain_->pool().setEnabled(value != 0);
  else if (which == 1)
    chain_->pool().setLimit(value);
  else if (!isInertOption(which))
    return ZR_BADARG;
  return ZR_OK;
}

ZRESULT IPtrListImp::FreeNodePool() {
  chain_->pool().freeAll();
  return ZR_OK;
}

ZRESULT IPtrListImp::AddTail(void* item, Node** outNode) {
  return withNodeOut(outNode, [&](ListNode** out) { return chain_->addTail(&item, out); });
}

ZRESULT IPtrListImp::AddHead(void* item, Node** outNode) {
  return withNodeOut(outNode, [&](ListNode** out) { return chain_->addHead(&item, out); });
}

ZRESULT IPtrListImp::InsertAfter(void* item, Node* after, Node** outNode) {
  return withNodeOut(outNode,
                     [&](ListNode** out) { return chain_->insertAfter(&item, link(after), out); });
}

ZRESULT IPtrListImp::InsertAt(void* item, unsigned index, Node** outNode) {
  return withNodeOut(outNode, [&](ListNode** out) { return chain_->insertAt(&item, index, out); });
}

ZRESULT IPtrListImp::InsertSorted(void* item, InsertFunc fn, void* context, Node** outNode) {
  if (fn == nullptr)
    return ZR_BADARG;
  const auto answer = [&](ListNode* node) {
    return fn(item, itemOf(node), context, node == chain_->tail());
  };
  return withNodeOut(outNode,
                     [&](ListNode** out) { return chain_->insertSorted(&item, answer, out); });
}

ZRESULT IPtrListImp::DetachAll(Node** outHead, Node** outTail) {
  if (outHead == nullptr || outTail == nullptr)
    return ZR_BADARG;
  ListNode* head = nullptr;
  ListNode* tail = nullptr;
  chain_->detachAll(&head, &tail);
  *outHead = handle(head);
  *outTail = handle(tail);
  return ZR_OK;
}

ZRESULT IPtrListImp::AppendList(IPtrList* other) {
  if (other == nullptr)
    return ZR_BADARG;
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

ZRESULT IPtrListImp::RemoveItem(void* item, bool release) {
  ListNode* cursor = chain_->cursor();
  const unsigned cursorIndex = chain_->cursorIndex();
  if (cursor != nullptr && itemOf(cursor) == item)
    return chain_->removeNode(cursor, release);
  unsigned index = 0;
  ListNode* node = chain_->head();
  for (; node != nullptr && itemOf(node) != item; node = node->next)
    ++index;
  if (node == nullptr)
    return ZR_FAILED;
  chain_->removeNode(node, release);
  // Removing another node keeps the cursor, one place lower when the removed
  // node lay before it.
  if (cursor != nullptr)
    chain_->setCursor(cursor, index < cursorIndex ? cursorIndex - 1 : cursorIndex);
  return ZR_OK;
}

ZRESULT IPtrListImp::RemoveAt(unsigned index, unsigned n, bool release) {
  return chain_->removeAt(index, n, release);
}

ZRESULT IPtrListImp::DetachNode(Node* node) { return chain_->detachNode(link(node)); }

ZRESULT IPtrListImp::RemoveNode(Node* node, bool release) {
  return chain_->removeNode(link(node), release);
}

ZRESULT IPtrListImp::Reverse() {
  chain_->reverse();
  return ZR_OK;
}

// Copying a list onto itself would clear the source first.
ZRESULT IPtrListImp::CopyFrom(IPtrList* other) {
  if (other == nullptr || other == static_cast<IPtrList*>(this))
    return ZR_BADARG;
  Node* node = nullptr;
  if (const ZRESULT result = other->GetHead(&node); result != ZR_OK)
    return result;
  chain_->clear(/*release=*/true);
  while (node != nullptr) {
    void* item = nullptr;
    other->GetItem(node, &item);
    if (const ZRESULT result = AddTail(item, nullptr); result != ZR_OK)
      return result;
    other->GetNextNode(node, &node);
  }
  return ZR_OK;
}

ZRESULT IPtrListImp::AppendCopyRange(IPtrList* other, unsigned first, unsigned n) {
  if (other == nullptr)
    return ZR_BADARG;
  Node* node = nullptr;
  if (const ZRESULT result = other->GetNodeAt(first, &node); result != ZR_OK)
    return result;
  // From the list itself, "to the end" means the end at the call: the copies
  // must not be copied again.
  if (other == static_cast<IPtrList*>(this)) {
    const unsigned present = chain_->count() - first;
    if (n == kNoIndex || n > present)
      n = present;
  }
  for (unsigned copied = 0; node != nullptr && (n == kNoIndex || copied < n); ++copied) {
    void* item = nullptr;
    other->GetItem(node, &item);
    if (const ZRESULT result = AddTail(item, nullptr); result != ZR_OK)
      return result;
    other->GetNextNode(node, &node);
  }
  return ZR_OK;
}

ZRESULT IPtrListImp::GetNodeAt(unsigned index, Node** out) {
  if (out == nullptr)
    return ZR_BADARG;
  ListNode* node = nullptr;
  const ZRESULT result = chain_->nodeAt(index, &node);
  *out = handle(node);
  return result;
}

ZRESULT IPtrListImp::GetNextNode(Node* node, Node** out) {
  if (node == nullptr || out == nullptr)
    return ZR_BADARG;
  *out = handle(link(node)->next);
  return ZR_OK;
}

ZRESULT IPtrListImp::GetPrevNode(Node* node, Node** out) {
  if (node == nullptr || out == nullptr)
    return ZR_BADARG;
  *out = handle(link(node)->prev);
  return ZR_OK;
}

ZRESULT IPtrListImp::FindNode(void* item, Node** out) {
  ListNode* node = chain_->head();
  while (node != nullptr && itemOf(node) != item)
    node = node->next;
  if (out != nullptr)
    *out = handle(node);
  return node != nullptr ? ZR_OK : ZR_NO;
}

ZRESULT IPtrListImp::Search(void* key, SearchFunc fn, void* context, unsigned* outIndex,
                            Node** outNode) {
  if (fn == nullptr)
    return ZR_BADARG;
  ListNode* found = nullptr;
  unsigned index = kNoIndex;
  const ZRESULT result =
      chain_->search([&](ListNode* node) { return fn(itemOf(node), key, context); }, &found, &index);
  if (outIndex != nullptr)
    *outIndex = index;
  if (outNode != nullptr)
    *outNode = handle(found);
  return result;
}

ZRESULT IPtrListImp::IndexOfItem(void* item, unsigned* outIndex) {
  if (outIndex == nullptr)
    return ZR_BADARG;
  ListNode* cursor = chain_->cursor();
  if (cursor != nullptr && itemOf(cursor) == item) {
    *outIndex = chain_->cursorIndex();
    return ZR_OK;
  }
  unsigned index = 0;
  for (ListNode* node = chain_->head(); node != nullptr; node = node->next, ++index) {
    if (itemOf(node) == item) {
      *outIndex = index;
      return ZR_OK;
    }
  }
  *outIndex = kNoIndex;
  return ZR_NO;
}

ZRESULT IPtrListImp::IndexOfNode(Node* node, unsigned* outIndex) {
  if (node == nullptr || outIndex == nullptr)
    return ZR_BADARG;
  *outIndex = chain_->indexOf(link(node));
  return *outIndex == kNoIndex ? ZR_FAILED : ZR_OK;
}

ZRESULT IPtrListImp::GetTail(Node** out) {
  if (out == nullptr)
    return ZR_BADARG;
  *out = handle(chain_->tail());
  return ZR_OK;
}

ZRESULT IPtrListImp::GetHead(Node** out) {
  if (out == nullptr)
    return ZR_BADARG;
  *out = handle(chain_->head());
  return ZR_OK;
}

ZRESULT IPtrListImp::GetCount(unsigned* out) {
  if (out == nullptr)
    return ZR_BADARG;
  *out = chain_->count();
  return ZR_OK;
}

ZRESULT IPtrListImp::IsCountOutside(unsigned min, unsigned max) {
  const unsigned count = chain_->count();
  return count < min || count > max ? ZR_NO : ZR_OK;
}

ZRESULT IPtrListImp::ForEach(ForEachFunc fn, void* context) {
  if (fn == nullptr)
    return ZR_BADARG;
  return chain_->forEach([&](ListNode* node) { return fn(itemOf(node), context, handle(node)); });
}

ZRESULT IPtrListImp::ForEachEx(ForEachExFunc fn, void* context, void* context2) {
  if (fn == nullptr)
    return ZR_BADARG;
  return chain_->forEach(
      [&](ListNode* node) { return fn(itemOf(node), context, handle(node), context2); });
}

ZRESULT IPtrListImp::SwapNodes(Node* a, Node* b) { return chain_->swapNodes(link(a), link(b)); }

ZRESULT IPtrListImp::Sort(CompareFunc fn, void* context) {
  if (fn == nullptr)
    return ZR_BADARG;
  chain_->sort([&](ListNode* a, ListNode* b) { return fn(itemOf(a), itemOf(b), context); });
  return ZR_OK;
}

ZRESULT IPtrListImp::GetAt(unsigned index, void** outItem) {
  if (outItem == nullptr)
    return ZR_BADARG;
  *outItem = nullptr;
  ListNode* node = nullptr;
  if (const ZRESULT result = chain_->nodeAt(index, &node); result != ZR_OK)
    return result;
  *outItem = itemOf(node);
  return ZR_OK;
}

ZRESULT IPtrListImp::GetItem(Node* node, void** outItem) {
  if (outItem == nullptr)
    return ZR_BADARG;
  *outItem = node != nullptr ? itemOf(link(node)) : nullptr;
  return node != nullptr ? ZR_OK : ZR_BADARG;
}

ZRESULT IPtrListImp::SetAt(unsigned index, void* item) {
  ListNode* node = nullptr;
  if (const ZRESULT result = chain_->nodeAt(index, &node); result != ZR_OK)
    return result;
  storeItem(node, item);
  return ZR_OK;
}

ZRESULT IPtrListImp::SetItem(Node* node, void* item) {
  if (node == nullptr)
    return ZR_BADARG;
  storeItem(link(node), item);
  return ZR_OK;
}

ZRESULT IPtrListImp::Clear(bool release) {
  chain_->clear(release);
  return ZR_OK;
}

ZRESULT IPtrListImp::IsEmpty() { return chain_->count() == 0 ? ZR_OK : ZR_NO; }

ZRESULT IPtrListImp::RemoveNullItems() {
  for (ListNode* node = chain_->head(); node != nullptr;) {
    ListNode* next = node->next;
    if (itemOf(node) == nullptr)
      chain_->removeNode(node, /*release=*/false);
    node = next;
  }
  chain_->dropCursor();
  return ZR_OK;
}

ZRESULT IPtrListImp::GetReleaseCallback(ReleaseFunc* outFn, void** outContext) {
  if (outFn == nullptr && outContext == nullptr)
    return ZR_BADARG;
  if (outFn != nullptr)
    *outFn = release_;
  if (outContext != nullptr)
    *outContext = releaseContext_;
  return ZR_OK;
}

ZRESULT IPtrListImp::SetReleaseCallback(ReleaseFunc fn, void* context) {
  release_ = fn;
  releaseContext_ = context;
  return ZR_OK;
}

ZRESULT IPtrListImp::GetCursor(Node** outNode, unsigned* outIndex) {
  if (outNode == nullptr && outIndex == nullptr)
    return ZR_BADARG;
  if (outNode != nullptr)
    *outNode = handle(chain_->cursor());
  if (outIndex != nullptr)
    *outIndex = chain_->cursorIndex();
  return ZR_OK;
}

ZRESULT IPtrListImp::MoveToHead(Node* node) { return chain_->moveToHead(link(node)); }

ZRESULT IPtrListImp::MoveToTail(Node* node) { return chain_->moveToTail(link(node)); }
