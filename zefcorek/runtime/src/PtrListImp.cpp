// IPtrListImp: the pointer list as a thin layer over the shared chain, whose
// node payload is the one item pointer.
#include "zefcorek/PtrList.h"

#include "ListFront.h"

#include "zefcorek/ClassMakers.h"

#include <cstring>
#include <new>

using zefcorek::ListChain;
using zefcorek::ListNode;

namespace {

using Front = zefcorek::ListFront<TPtrListNode>;
constexpr auto link = Front::link;
constexpr auto handle = Front::handle;

void* itemOf(ListNode* node) {
  void* item = nullptr;
  std::memcpy(&item, node->payload(), sizeof item);
  return item;
}

void storeItem(ListNode* node, void* item) { std::memcpy(node->payload(), &item, sizeof item); }

// Adds a copy of another list's item at the tail.
auto tailAdder(IPtrListImp* list) {
  return [list](void* item) { return list->AddTail(item, nullptr); };
}

}  // namespace

IPtrList::~IPtrList() = default;

void* zefcorek::makeIPtrListImp(intptr_t) { return static_cast<IPtrList*>(new (std::nothrow) IPtrListImp()); }

IPtrListImp::IPtrListImp() : chain_(new ListChain(sizeof(void*), &releaseNode, this)) {}

IPtrListImp::~IPtrListImp() {
  chain_->clear(/*release=*/true);
  delete chain_;
}

void IPtrListImp::releaseNode(void* self, ListNode* node) {
  auto* list = static_cast<IPtrListImp*>(self);
  if (list->release_ != nullptr) list->release_(itemOf(node), handle(node), list->releaseContext_);
}

HRESULT IPtrListImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

ZRESULT IPtrListImp::GetOption(unsigned which, unsigned* out) {
  if (out == nullptr) return ZR_BADARG;
  if (which == 0)
    *out = chain_->pool().isEnabled() ? 1 : 0;
  else if (which == 1)
    *out = chain_->pool().limit();
  else if (!Front::isInertOption(which)) {
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
  else if (!Front::isInertOption(which))
    return ZR_BADARG;
  return ZR_OK;
}

ZRESULT IPtrListImp::FreeNodePool() {
  chain_->pool().freeAll();
  return ZR_OK;
}

ZRESULT IPtrListImp::AddTail(void* item, Node** outNode) {
  return Front::withNodeOut(outNode, [&](ListNode** out) { return chain_->addTail(&item, out); });
}

ZRESULT IPtrListImp::AddHead(void* item, Node** outNode) {
  return Front::withNodeOut(outNode, [&](ListNode** out) { return chain_->addHead(&item, out); });
}

ZRESULT IPtrListImp::InsertAfter(void* item, Node* after, Node** outNode) {
  return Front::withNodeOut(outNode, [&](ListNode** out) { return chain_->insertAfter(&item, link(after), out); });
}

ZRESULT IPtrListImp::InsertAt(void* item, unsigned index, Node** outNode) {
  return Front::withNodeOut(outNode, [&](ListNode** out) { return chain_->insertAt(&item, index, out); });
}

ZRESULT IPtrListImp::InsertSorted(void* item, InsertFunc fn, void* context, Node** outNode) {
  if (fn == nullptr) return ZR_BADARG;
  const auto answer = [&](ListNode* node) { return fn(item, itemOf(node), context, node == chain_->tail()); };
  return Front::withNodeOut(outNode, [&](ListNode** out) { return chain_->insertSorted(&item, answer, out); });
}

ZRESULT IPtrListImp::DetachAll(Node** outHead, Node** outTail) { return Front::detachAll(*chain_, outHead, outTail); }

ZRESULT IPtrListImp::AppendList(IPtrList* other) {
  if (other == nullptr) return ZR_BADARG;
  return Front::appendList(*chain_, other);
}

ZRESULT IPtrListImp::RemoveItem(void* item, bool release) {
  ListNode* cursor = chain_->cursor();
  const unsigned cursorIndex = chain_->cursorIndex();
  if (cursor != nullptr && itemOf(cursor) == item) return chain_->removeNode(cursor, release);
  unsigned index = 0;
  ListNode* node = chain_->head();
  for (; node != nullptr && itemOf(node) != item; node = node->next) ++index;
  if (node == nullptr) return ZR_FAILED;
  chain_->removeNode(node, release);
  // Removing another node keeps the cursor, one place lower when the removed
  // node lay before it.
  if (cursor != nullptr) chain_->setCursor(cursor, index < cursorIndex ? cursorIndex - 1 : cursorIndex);
  return ZR_OK;
}

ZRESULT IPtrListImp::RemoveAt(unsigned index, unsigned n, bool release) { return chain_->removeAt(index, n, release); }

ZRESULT IPtrListImp::DetachNode(Node* node) { return chain_->detachNode(link(node)); }

ZRESULT IPtrListImp::RemoveNode(Node* node, bool release) { return chain_->removeNode(link(node), release); }

ZRESULT IPtrListImp::Reverse() {
  chain_->reverse();
  return ZR_OK;
}

// Copying a list onto itself would clear the source first.
ZRESULT IPtrListImp::CopyFrom(IPtrList* other) {
  if (other == nullptr || other == static_cast<IPtrList*>(this)) return ZR_BADARG;
  return Front::copyFrom(*chain_, other, &IPtrList::GetItem, tailAdder(this));
}

ZRESULT IPtrListImp::AppendCopyRange(IPtrList* other, unsigned first, unsigned n) {
  if (other == nullptr) return ZR_BADARG;
  return Front::appendCopyRange(*chain_, static_cast<IPtrList*>(this), other, &IPtrList::GetItem, first, n,
                                tailAdder(this));
}

ZRESULT IPtrListImp::GetNodeAt(unsigned index, Node** out) { return Front::nodeAt(*chain_, index, out); }

ZRESULT IPtrListImp::GetNextNode(Node* node, Node** out) { return Front::nextNode(node, out); }

ZRESULT IPtrListImp::GetPrevNode(Node* node, Node** out) { return Front::prevNode(node, out); }

ZRESULT IPtrListImp::FindNode(void* item, Node** out) {
  return Front::findNode(
      *chain_, [&](ListNode* node) { return itemOf(node) == item; }, out);
}

ZRESULT IPtrListImp::Search(void* key, SearchFunc fn, void* context, unsigned* outIndex, Node** outNode) {
  if (fn == nullptr) return ZR_BADARG;
  return Front::search(
      *chain_, [&](ListNode* node) { return fn(itemOf(node), key, context); }, outIndex, outNode);
}

ZRESULT IPtrListImp::IndexOfItem(void* item, unsigned* outIndex) {
  if (outIndex == nullptr) return ZR_BADARG;
  return Front::indexOfMatch(
      *chain_, [&](ListNode* node) { return itemOf(node) == item; }, outIndex);
}

ZRESULT IPtrListImp::IndexOfNode(Node* node, unsigned* outIndex) { return Front::indexOfNode(*chain_, node, outIndex); }

ZRESULT IPtrListImp::GetTail(Node** out) { return Front::tail(*chain_, out); }

ZRESULT IPtrListImp::GetHead(Node** out) { return Front::head(*chain_, out); }

ZRESULT IPtrListImp::GetCount(unsigned* out) { return Front::count(*chain_, out); }

ZRESULT IPtrListImp::IsCountOutside(unsigned min, unsigned max) { return Front::isCountOutside(*chain_, min, max); }

ZRESULT IPtrListImp::ForEach(ForEachFunc fn, void* context) { return Front::forEach(*chain_, fn, itemOf, context); }

ZRESULT IPtrListImp::ForEachEx(ForEachExFunc fn, void* context, void* context2) {
  return Front::forEach(*chain_, fn, itemOf, context, context2);
}

ZRESULT IPtrListImp::SwapNodes(Node* a, Node* b) { return chain_->swapNodes(link(a), link(b)); }

ZRESULT IPtrListImp::Sort(CompareFunc fn, void* context) {
  // A lambda rather than the function itself, so that the gathering walk
  // reads the payload inline instead of calling through a pointer.
  return Front::sort(
      *chain_, fn, [](ListNode* node) { return itemOf(node); }, context);
}

ZRESULT IPtrListImp::GetAt(unsigned index, void** outItem) { return Front::itemAt(*chain_, index, itemOf, outItem); }

ZRESULT IPtrListImp::GetItem(Node* node, void** outItem) { return Front::itemOfNode(node, itemOf, outItem); }

ZRESULT IPtrListImp::SetAt(unsigned index, void* item) {
  ListNode* node = nullptr;
  if (const ZRESULT result = chain_->nodeAt(index, &node); result != ZR_OK) return result;
  storeItem(node, item);
  return ZR_OK;
}

ZRESULT IPtrListImp::SetItem(Node* node, void* item) {
  if (node == nullptr) return ZR_BADARG;
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
    if (itemOf(node) == nullptr) chain_->removeNode(node, /*release=*/false);
    node = next;
  }
  chain_->dropCursor();
  return ZR_OK;
}

ZRESULT IPtrListImp::GetReleaseCallback(ReleaseFunc* outFn, void** outContext) {
  return Front::releaseCallback(release_, releaseContext_, outFn, outContext);
}

ZRESULT IPtrListImp::SetReleaseCallback(ReleaseFunc fn, void* context) {
  release_ = fn;
  releaseContext_ = context;
  return ZR_OK;
}

ZRESULT IPtrListImp::GetCursor(Node** outNode, unsigned* outIndex) { return Front::cursor(*chain_, outNode, outIndex); }

ZRESULT IPtrListImp::MoveToHead(Node* node) { return chain_->moveToHead(link(node)); }

ZRESULT IPtrListImp::MoveToTail(Node* node) { return chain_->moveToTail(link(node)); }
