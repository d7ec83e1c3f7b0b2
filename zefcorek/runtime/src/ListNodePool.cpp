// The node pool, the chain and its cursor shared by the two linked lists.
#include "ListNodePool.h"

#include "Allocation.h"

#include <cstdlib>
#include <cstring>

namespace zefcorek {

// --- ListNodePool -----------------------------------------------------------

ListNode* ListNodePool::take() {
  if (!enabled_ || first_ == nullptr) return static_cast<ListNode*>(runtimeCalloc(1, sizeof(ListNode) + payloadSize_));
  ListNode* node = first_;
  first_ = node->next;
  --pooledCount_;
  std::memset(node, 0, sizeof(ListNode) + payloadSize_);
  return node;
}

void ListNodePool::giveBack(ListNode* node) {
  if (!enabled_ || pooledCount_ >= limit_) {
    std::free(node);
    return;
  }
  node->prev = nullptr;
  node->next = first_;
  first_ = node;
  ++pooledCount_;
}

void ListNodePool::freeAll() {
  while (first_ != nullptr) {
    ListNode* next = first_->next;
    std::free(first_);
    first_ = next;
  }
  pooledCount_ = 0;
}

void ListNodePool::setPayloadSize(size_t size) {
  if (size == payloadSize_) return;
  freeAll();
  payloadSize_ = size;
}

void ListNodePool::setEnabled(bool enabled) {
  enabled_ = enabled;
  if (!enabled) freeAll();
}

// --- ListChain: linking -----------------------------------------------------

ListChain::~ListChain() {
  for (ListNode* node = head_; node != nullptr;) {
    ListNode* next = node->next;
    std::free(node);
    node = next;
  }
}

// Links `node` before `before`, or at the tail when `before` is null.
void ListChain::linkBefore(ListNode* node, ListNode* before) {
  if (before == nullptr) {
    linkAtTail(node);
    return;
  }
  node->next = before;
  node->prev = before->prev;
  if (before->prev != nullptr)
    before->prev->next = node;
  else
    head_ = node;
  before->prev = node;
  ++count_;
}

void ListChain::linkAtTail(ListNode* node) {
  node->next = nullptr;
  node->prev = tail_;
  if (tail_ != nullptr)
    tail_->next = node;
  else
    head_ = node;
  tail_ = node;
  ++count_;
}

void ListChain::unlink(ListNode* node) {
  if (node->prev != nullptr)
    node->prev->next = node->next;
  else
    head_ = node->next;
  if (node->next != nullptr)
    node->next->prev = node->prev;
  else
    tail_ = node->prev;
  node->prev = nullptr;
  node->next = nullptr;
  --count_;
}

ListNode* ListChain::makeNode(const void* payload) {
  ListNode* node = pool_.take();
  if (node != nullptr && payload != nullptr && pool_.payloadSize() != 0)
    std::memcpy(node->payload(), payload, pool_.payloadSize());
  return node;
}

// --- ListChain: insertion ---------------------------------------------------

ZRESULT ListChain::addTail(const void* payload, ListNode** outNode) {
  ListNode* node = makeNode(payload);
  if (node == nullptr) return ZR_OUTOFMEMORY;
  linkAtTail(node);
  if (outNode != nullptr) *outNode = node;
  return ZR_OK;
}

ZRESULT ListChain::appendForInsert(const void* payload, ListNode** outNode) {
  const ZRESULT result = addTail(payload, outNode);
  if (result != ZR_OK && outNode != nullptr) *outNode = nullptr;
  return result;
}

ZRESULT ListChain::addHead(const void* payload, ListNode** outNode) {
  ListNode* node = makeNode(payload);
  if (outNode != nullptr) *outNode = node;
  if (node == nullptr) return ZR_OUTOFMEMORY;
  linkBefore(node, head_);
  if (cursor_ != nullptr) ++cursorIndex_;
  return ZR_OK;
}

ZRESULT ListChain::insertAfter(const void* payload, ListNode* after, ListNode** outNode) {
  if (after == nullptr) return addHead(payload, outNode);
  if (after == tail_) return appendForInsert(payload, outNode);
  ListNode* node = makeNode(payload);
  if (outNode != nullptr) *outNode = node;
  if (node == nullptr) return ZR_OUTOFMEMORY;
  linkBefore(node, after->next);
  dropCursor();
  return ZR_OK;
}

ZRESULT ListChain::insertAt(const void* payload, unsigned index, ListNode** outNode) {
  if (index > count_) {
    if (outNode != nullptr) *outNode = nullptr;
    return ZR_BADARG;
  }
  if (index == count_) return appendForInsert(payload, outNode);
  if (index == 0) return addHead(payload, outNode);
  ListNode* at = nullptr;
  nodeAt(index, &at);
  ListNode* node = makeNode(payload);
  if (outNode != nullptr) *outNode = node;
  if (node == nullptr) return ZR_OUTOFMEMORY;
  linkBefore(node, at);
  setCursor(node, index);
  return ZR_OK;
}

// --- ListChain: access by index ---------------------------------------------

ZRESULT ListChain::nodeAt(unsigned index, ListNode** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (index >= count_) return ZR_BADARG;
  ListNode* node = head_;
  unsigned at = 0;
  if (cursor_ != nullptr) {
    const unsigned c = cursorIndex_;
    const bool fromCursor = index >= c ? index - c < count_ - index : c - index < index;
    const bool fromTail = index > c && !fromCursor;
    if (fromCursor) {
      node = cursor_;
      at = c;
    } else if (fromTail) {
      node = tail_;
      at = count_ - 1;
    }
  }
  for (; at < index && node != nullptr; ++at) node = node->next;
  for (; at > index && node != nullptr; --at) node = node->prev;
  // A cursor set by a caller with a wrong index would run off the chain;
  // the head is always a safe place to count from.
  if (node == nullptr) {
    node = head_;
    for (at = 0; at < index; ++at) node = node->next;
  }
  setCursor(node, index);
  *out = node;
  return ZR_OK;
}

unsigned ListChain::indexOf(ListNode* node) const {
  if (node == cursor_ && node != nullptr) return cursorIndex_;
  unsigned index = 0;
  for (ListNode* at = head_; at != nullptr; at = at->next, ++index) {
    if (at == node) return index;
  }
  return kNoIndex;
}

// --- ListChain: removal -----------------------------------------------------

ZRESULT ListChain::detachNode(ListNode* node) {
  if (node == nullptr) return ZR_BADARG;
  if (node != cursor_)
    dropCursor();
  else if (node->next != nullptr)
    cursor_ = node->next;
  else if (node->prev != nullptr)
    setCursor(node->prev, cursorIndex_ - 1);
  else
    dropCursor();
  unlink(node);
  return ZR_OK;
}

void ListChain::releaseAndFree(ListNode* node, bool release) {
  if (release && releaseHook_ != nullptr) releaseHook_(hookOwner_, node);
  pool_.giveBack(node);
}

ZRESULT ListChain::removeNode(ListNode* node, bool release) {
  if (const ZRESULT result = detachNode(node); result != ZR_OK) return result;
  releaseAndFree(node, release);
  return ZR_OK;
}

ZRESULT ListChain::removeAt(unsigned index, unsigned n, bool release) {
  ListNode* node = nullptr;
  if (const ZRESULT result = nodeAt(index, &node); result != ZR_OK) return result;
  dropCursor();
  for (unsigned removed = 0; node != nullptr && (n == kNoIndex || removed < n); ++removed) {
    ListNode* next = node->next;
    removeNode(node, release);
    node = next;
  }
  return ZR_OK;
}

void ListChain::clear(bool release) {
  dropCursor();
  ListNode* node = head_;
  head_ = nullptr;
  tail_ = nullptr;
  count_ = 0;
  while (node != nullptr) {
    ListNode* next = node->next;
    releaseAndFree(node, release);
    node = next;
  }
}

ZRESULT ListChain::detachAll(ListNode** outHead, ListNode** outTail) {
  if (outHead == nullptr || outTail == nullptr) return ZR_BADARG;
  *outHead = head_;
  *outTail = tail_;
  head_ = nullptr;
  tail_ = nullptr;
  count_ = 0;
  dropCursor();
  return ZR_OK;
}

void ListChain::appendChain(ListNode* head, ListNode* tail, unsigned n) {
  if (head == nullptr || n == 0) return;
  if (head_ == nullptr) {
    head_ = head;
    tail_ = tail;
    count_ = n;
    dropCursor();
    return;
  }
  setCursor(tail_, count_ - 1);
  tail_->next = head;
  head->prev = tail_;
  tail_ = tail;
  count_ += n;
}

// --- ListChain: moving ------------------------------------------------------

void ListChain::reverse() {
  dropCursor();
  for (ListNode* node = head_; node != nullptr;) {
    ListNode* next = node->next;
    node->next = node->prev;
    node->prev = next;
    node = next;
  }
  ListNode* oldHead = head_;
  head_ = tail_;
  tail_ = oldHead;
}

ZRESULT ListChain::swapNodes(ListNode* a, ListNode* b) {
  if (a == nullptr || b == nullptr) return ZR_BADARG;
  dropCursor();
  if (a == b) return ZR_OK;
  if (a->next == b) {
    unlink(b);
    linkBefore(b, a);
    return ZR_OK;
  }
  if (b->next == a) {
    unlink(a);
    linkBefore(a, b);
    return ZR_OK;
  }
  // Apart: each takes the other's place, marked by its old successor.
  ListNode* afterA = a->next;
  ListNode* afterB = b->next;
  unlink(a);
  unlink(b);
  linkBefore(a, afterB);
  linkBefore(b, afterA);
  return ZR_OK;
}

void ListChain::moveBefore(ListNode* node, ListNode* before) {
  unlink(node);
  linkBefore(node, before);
  dropCursor();
}

ZRESULT ListChain::moveToHead(ListNode* node) {
  if (node == nullptr || head_ == nullptr) return ZR_BADARG;
  if (node == head_) return ZR_OK;
  detachNode(node);
  linkBefore(node, head_);
  if (cursor_ != nullptr) ++cursorIndex_;
  return ZR_OK;
}

ZRESULT ListChain::moveToTail(ListNode* node) {
  if (node == nullptr || head_ == nullptr) return ZR_BADARG;
  if (node == tail_) return ZR_OK;
  detachNode(node);
  linkAtTail(node);
  return ZR_OK;
}

}  // namespace zefcorek
