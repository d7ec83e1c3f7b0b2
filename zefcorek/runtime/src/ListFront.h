// The interface bodies that the pointer list and the record list answer in
// the same way, written once over the shared chain. `Handle` is the opaque
// node type a list hands to its clients; the functions that read an item take
// a `read(ListNode*)` that gives the pointer the list hands out (the stored
// pointer, or the address of the record). What really differs between the
// lists (how an item is compared, copied or stored, the option numbering)
// stays in their own files.
#pragma once

#include "ListNodePool.h"

namespace zefcorek {

template <class Handle>
struct ListFront {
  static ListNode* link(Handle* node) { return reinterpret_cast<ListNode*>(node); }
  static Handle* handle(ListNode* node) { return reinterpret_cast<Handle*>(node); }

  // Runs a chain operation that may set a node out-pointer, and hands what it
  // left there back as a handle (an untouched out stays untouched).
  template <class Operation>
  static ZRESULT withNodeOut(Handle** outNode, Operation operation) {
    if (outNode == nullptr) return operation(nullptr);
    ListNode* node = link(*outNode);
    const ZRESULT result = operation(&node);
    *outNode = handle(node);
    return result;
  }

  // Options 3 to 6 exist in both numberings but mean nothing.
  static bool isInertOption(unsigned which) { return which >= 3 && which <= 6; }

  static ZRESULT detachAll(ListChain& chain, Handle** outHead, Handle** outTail) {
    if (outHead == nullptr || outTail == nullptr) return ZR_BADARG;
    ListNode* head = nullptr;
    ListNode* tail = nullptr;
    chain.detachAll(&head, &tail);
    *outHead = handle(head);
    *outTail = handle(tail);
    return ZR_OK;
  }

  // Takes over every node of `other` (a list of the same kind, whose nodes
  // fit this chain) and leaves it empty.
  template <class List>
  static ZRESULT appendList(ListChain& chain, List* other) {
    unsigned n = 0;
    if (const ZRESULT result = other->GetCount(&n); result != ZR_OK) return result;
    if (n == 0) return ZR_OK;
    Handle* head = nullptr;
    Handle* tail = nullptr;
    if (const ZRESULT result = other->DetachAll(&head, &tail); result != ZR_OK) return result;
    chain.appendChain(link(head), link(tail), n);
    return ZR_OK;
  }

  // Adds copies of up to `limit` items (kNoIndex: all) from `node` on in
  // `other`, read with `readOther` and added with `addTail(void*)`.
  template <class List, class AddTail>
  static ZRESULT appendCopies(List* other, ZRESULT (List::*readOther)(Handle*, void**), Handle* node, unsigned limit,
                              AddTail addTail) {
    for (unsigned copied = 0; node != nullptr && (limit == kNoIndex || copied < limit); ++copied) {
      void* item = nullptr;
      (other->*readOther)(node, &item);
      if (const ZRESULT result = addTail(item); result != ZR_OK) return result;
      other->GetNextNode(node, &node);
    }
    return ZR_OK;
  }

  // Replaces the chain's items with copies of all of `other`'s (never the
  // list itself: it would be cleared first).
  template <class List, class AddTail>
  static ZRESULT copyFrom(ListChain& chain, List* other, ZRESULT (List::*readOther)(Handle*, void**), AddTail addTail) {
    Handle* head = nullptr;
    if (const ZRESULT result = other->GetHead(&head); result != ZR_OK) return result;
    chain.clear(/*release=*/true);
    return appendCopies(other, readOther, head, kNoIndex, addTail);
  }

  // Appends copies of n items of `other` from `first` on. From the list
  // itself, "to the end" means the end at the call: the copies must not be
  // copied again.
  template <class List, class AddTail>
  static ZRESULT appendCopyRange(ListChain& chain, List* self, List* other, ZRESULT (List::*readOther)(Handle*, void**),
                                 unsigned first, unsigned n, AddTail addTail) {
    Handle* node = nullptr;
    if (const ZRESULT result = other->GetNodeAt(first, &node); result != ZR_OK) return result;
    if (other == self) {
      const unsigned present = chain.count() - first;
      if (n == kNoIndex || n > present) n = present;
    }
    return appendCopies(other, readOther, node, n, addTail);
  }

  static ZRESULT nodeAt(ListChain& chain, unsigned index, Handle** out) {
    if (out == nullptr) return ZR_BADARG;
    ListNode* node = nullptr;
    const ZRESULT result = chain.nodeAt(index, &node);
    *out = handle(node);
    return result;
  }

  static ZRESULT nextNode(Handle* node, Handle** out) {
    if (node == nullptr || out == nullptr) return ZR_BADARG;
    *out = handle(link(node)->next);
    return ZR_OK;
  }

  static ZRESULT prevNode(Handle* node, Handle** out) {
    if (node == nullptr || out == nullptr) return ZR_BADARG;
    *out = handle(link(node)->prev);
    return ZR_OK;
  }

  // The first node from the head that `matches`; 1 without one.
  template <class Matches>
  static ZRESULT findNode(ListChain& chain, Matches matches, Handle** out) {
    ListNode* node = chain.head();
    while (node != nullptr && !matches(node)) node = node->next;
    if (out != nullptr) *out = handle(node);
    return node != nullptr ? ZR_OK : ZR_NO;
  }

  // ListChain::search with a client's answer, handing out what was found.
  template <class Match>
  static ZRESULT search(ListChain& chain, Match match, unsigned* outIndex, Handle** outNode) {
    ListNode* found = nullptr;
    unsigned index = kNoIndex;
    const ZRESULT result = chain.search(match, &found, &index);
    if (outIndex != nullptr) *outIndex = index;
    if (outNode != nullptr) *outNode = handle(found);
    return result;
  }

  // Index of the first node that `matches`, the cursor node tried first;
  // kNoIndex and 1 without one. outIndex must not be null.
  template <class Matches>
  static ZRESULT indexOfMatch(ListChain& chain, Matches matches, unsigned* outIndex) {
    ListNode* cursor = chain.cursor();
    if (cursor != nullptr && matches(cursor)) {
      *outIndex = chain.cursorIndex();
      return ZR_OK;
    }
    unsigned index = 0;
    for (ListNode* node = chain.head(); node != nullptr; node = node->next, ++index) {
      if (matches(node)) {
        *outIndex = index;
        return ZR_OK;
      }
    }
    *outIndex = kNoIndex;
    return ZR_NO;
  }

  static ZRESULT indexOfNode(const ListChain& chain, Handle* node, unsigned* outIndex) {
    if (node == nullptr || outIndex == nullptr) return ZR_BADARG;
    *outIndex = chain.indexOf(link(node));
    return *outIndex == kNoIndex ? ZR_FAILED : ZR_OK;
  }

  static ZRESULT tail(const ListChain& chain, Handle** out) {
    if (out == nullptr) return ZR_BADARG;
    *out = handle(chain.tail());
    return ZR_OK;
  }

  static ZRESULT head(const ListChain& chain, Handle** out) {
    if (out == nullptr) return ZR_BADARG;
    *out = handle(chain.head());
    return ZR_OK;
  }

  static ZRESULT count(const ListChain& chain, unsigned* out) {
    if (out == nullptr) return ZR_BADARG;
    *out = chain.count();
    return ZR_OK;
  }

  static ZRESULT isCountOutside(const ListChain& chain, unsigned min, unsigned max) {
    const unsigned n = chain.count();
    return n < min || n > max ? ZR_NO : ZR_OK;
  }

  // fn(item, context, node, extra...) for every node from the head.
  template <class Fn, class Read, class... Extra>
  static ZRESULT forEach(ListChain& chain, Fn fn, Read read, void* context, Extra... extra) {
    if (fn == nullptr) return ZR_BADARG;
    return chain.forEach([&](ListNode* node) { return fn(read(node), context, handle(node), extra...); });
  }

  template <class Fn, class Read>
  static ZRESULT sort(ListChain& chain, Fn fn, Read read, void* context) {
    if (fn == nullptr) return ZR_BADARG;
    chain.sort(read, [&](void* a, void* b) { return fn(a, b, context); });
    return ZR_OK;
  }

  // The item pointer at an index; null with the chain's error.
  template <class Read>
  static ZRESULT itemAt(ListChain& chain, unsigned index, Read read, void** out) {
    if (out == nullptr) return ZR_BADARG;
    *out = nullptr;
    ListNode* node = nullptr;
    if (const ZRESULT result = chain.nodeAt(index, &node); result != ZR_OK) return result;
    *out = read(node);
    return ZR_OK;
  }

  // The item pointer of a node; null and 10 for a null node.
  template <class Read>
  static ZRESULT itemOfNode(Handle* node, Read read, void** out) {
    if (out == nullptr) return ZR_BADARG;
    *out = node != nullptr ? read(link(node)) : nullptr;
    return node != nullptr ? ZR_OK : ZR_BADARG;
  }

  template <class ReleaseFunc>
  static ZRESULT releaseCallback(ReleaseFunc fn, void* context, ReleaseFunc* outFn, void** outContext) {
    if (outFn == nullptr && outContext == nullptr) return ZR_BADARG;
    if (outFn != nullptr) *outFn = fn;
    if (outContext != nullptr) *outContext = context;
    return ZR_OK;
  }

  static ZRESULT cursor(const ListChain& chain, Handle** outNode, unsigned* outIndex) {
    if (outNode == nullptr && outIndex == nullptr) return ZR_BADARG;
    if (outNode != nullptr) *outNode = handle(chain.cursor());
    if (outIndex != nullptr) *outIndex = chain.cursorIndex();
    return ZR_OK;
  }
};

}  // namespace zefcorek
