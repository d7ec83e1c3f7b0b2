// The machinery under the pointer list and the record list: a doubly linked
// chain of nodes with a fixed-size payload, a pool of spare nodes, a cursor
// that remembers the last indexed access, and a stable merge sort on the
// links. The two lists differ only in what their payload is (one pointer, or
// a record copied in and out) and in how they number their options; both
// keep one ListChain and translate their interface onto it.
//
// Node layout: the two links, then the payload (payloadSize bytes, starting
// at a 16-byte offset). Nodes are zero-filled when taken. A node handed out
// to a client is an opaque handle; the lists trust that a handle belongs to
// them, as their callers promise.
//
// Cursor: the node of the last indexed access and its index, or none
// (null, 0xFFFFFFFF). Every operation keeps it right or drops it; walks by
// index start from the nearest of head, cursor and tail.
#pragma once

#include "Allocation.h"
#include "zefcorek/StdInterface.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

namespace zefcorek {

inline constexpr unsigned kNoIndex = 0xFFFFFFFFu;

struct ListNode {
  ListNode* prev;
  ListNode* next;
  // The payload right after the links.
  unsigned char* payload() { return reinterpret_cast<unsigned char*>(this + 1); }
};
static_assert(sizeof(ListNode) == 16, "payload must start at a 16-byte offset");

// Spare nodes for reuse, chained through their next links. Disabled by
// default; keeps at most `limit` nodes. A lowered limit frees nothing at once.
class ListNodePool {
public:
  explicit ListNodePool(size_t payloadSize) : payloadSize_(payloadSize) {}
  ~ListNodePool() { freeAll(); }
  ListNodePool(const ListNodePool&) = delete;
  ListNodePool& operator=(const ListNodePool&) = delete;

  // A zero-filled node from the pool or the allocator; null when memory runs out.
  ListNode* take();
  // Keeps the node when the pool is enabled and below its limit, else frees it.
  void giveBack(ListNode* node);
  void freeAll();

  size_t payloadSize() const { return payloadSize_; }
  // The pooled nodes have the old size, so they go.
  void setPayloadSize(size_t size);
  bool isEnabled() const { return enabled_; }
  // Turning the pool off empties it.
  void setEnabled(bool enabled);
  unsigned limit() const { return limit_; }
  void setLimit(unsigned limit) { limit_ = limit; }
  unsigned pooledCount() const { return pooledCount_; }

private:
  size_t payloadSize_;        // bytes after the links of every node
  bool enabled_ = false;      // option set by the client
  unsigned limit_ = 64;       // most spare nodes kept
  unsigned pooledCount_ = 0;  // nodes now in first_'s chain
  ListNode* first_ = nullptr;
};

// The chain, its cursor and the pool. Release of a node's payload is the
// owning list's business: it installs a hook that is called for each node
// removed with release asked for.
class ListChain {
public:
  using ReleaseHook = void (*)(void* owner, ListNode* node);

  ListChain(size_t payloadSize, ReleaseHook hook, void* hookOwner)
      : pool_(payloadSize), releaseHook_(hook), hookOwner_(hookOwner) {}
  // Frees every node without releasing (the owner clears with release first).
  ~ListChain();
  ListChain(const ListChain&) = delete;
  ListChain& operator=(const ListChain&) = delete;

  ListNodePool& pool() { return pool_; }
  ListNode* head() const { return head_; }
  ListNode* tail() const { return tail_; }
  unsigned count() const { return count_; }
  ListNode* cursor() const { return cursor_; }
  unsigned cursorIndex() const { return cursorIndex_; }
  void setCursor(ListNode* node, unsigned index) {
    cursor_ = node;
    cursorIndex_ = index;
  }
  void dropCursor() { setCursor(nullptr, kNoIndex); }

  // A new node whose payload is a copy of `payload` (zeros when null).
  ListNode* makeNode(const void* payload);

  // Insertion. On failure (30) addTail leaves *outNode as it was, the others
  // set it to null; outNode may be null.
  ZRESULT addTail(const void* payload, ListNode** outNode);
  ZRESULT addHead(const void* payload, ListNode** outNode);
  ZRESULT insertAfter(const void* payload, ListNode* after, ListNode** outNode);
  ZRESULT insertAt(const void* payload, unsigned index, ListNode** outNode);
  // Walks from the head asking `answer(node)`: -2 refuses (1), any other
  // negative answer places the payload before that node, 0 or more goes on.
  template <class Answer>
  ZRESULT insertSorted(const void* payload, Answer answer, ListNode** outNode);

  // 10 for a null out or an index at or beyond the count; sets the cursor.
  ZRESULT nodeAt(unsigned index, ListNode** out);
  // Unlinks without freeing: the cursor node hands the cursor to its
  // neighbour, any other node drops it. 10 for null.
  ZRESULT detachNode(ListNode* node);
  // Detaches, releases when asked, and gives the node back to the pool.
  ZRESULT removeNode(ListNode* node, bool release);
  // n nodes from index (kNoIndex: to the tail); drops the cursor.
  ZRESULT removeAt(unsigned index, unsigned n, bool release);
  void clear(bool release);
  // Hands the whole chain out and leaves the chain empty. 10 for a null out.
  ZRESULT detachAll(ListNode** outHead, ListNode** outTail);
  // Links a chain of n nodes (taken from a list's detachAll) after the tail.
  void appendChain(ListNode* head, ListNode* tail, unsigned n);

  void reverse();
  ZRESULT swapNodes(ListNode* a, ListNode* b);
  ZRESULT moveToHead(ListNode* node);
  ZRESULT moveToTail(ListNode* node);
  // Index of the node, the cursor first; kNoIndex when not in the chain.
  unsigned indexOf(ListNode* node) const;

  // Relinks the node right before `before` (another node of the chain);
  // drops the cursor.
  void moveBefore(ListNode* node, ListNode* before);

  // Stable merge sort of the items read(node) gives; compare(a, b) <= 0
  // keeps item a before item b, and a is always the earlier of the two.
  template <class Read, class Compare>
  void sort(Read read, Compare compare);

  // Visits from the head; the next link is read before each call, so the
  // visitor may remove the node it is given. 1 when visit answers 0 (stop),
  // else 0.
  template <class Visit>
  ZRESULT forEach(Visit visit);

  // The first node for which match answers 0 becomes the cursor and is handed
  // out with its index (0). An answer of -2 ends the walk with 0 but no node;
  // no match answers 1. Without a node, *outIndex is kNoIndex.
  template <class Match>
  ZRESULT search(Match match, ListNode** outNode, unsigned* outIndex);

private:
  // The sort on the links alone, for when no memory is left for sort's arrays.
  template <class Compare>
  void sortLinks(Compare compare);
  // addTail for the insertions that land at the tail: those null *outNode
  // on failure, where addTail keeps it.
  ZRESULT appendForInsert(const void* payload, ListNode** outNode);
  void linkBefore(ListNode* node, ListNode* before);
  void linkAtTail(ListNode* node);
  void unlink(ListNode* node);
  void releaseAndFree(ListNode* node, bool release);

  ListNodePool pool_;
  ListNode* head_ = nullptr;
  ListNode* tail_ = nullptr;
  unsigned count_ = 0;               // nodes from head_ to tail_
  ListNode* cursor_ = nullptr;       // a node of the chain, or null
  unsigned cursorIndex_ = kNoIndex;  // cursor_'s position; kNoIndex without one
  ReleaseHook releaseHook_;
  void* hookOwner_;
};

template <class Answer>
ZRESULT ListChain::insertSorted(const void* payload, Answer answer, ListNode** outNode) {
  if (head_ == nullptr) return appendForInsert(payload, outNode);
  ListNode* node = head_;
  int32_t result = answer(node);
  while (result >= 0 && node->next != nullptr) {
    node = node->next;
    result = answer(node);
  }
  if (result == -2) {
    if (outNode != nullptr) *outNode = nullptr;
    return ZR_NO;
  }
  if (result >= 0) return appendForInsert(payload, outNode);
  if (node == head_ && result == -1) return addHead(payload, outNode);
  ListNode* fresh = makeNode(payload);
  if (outNode != nullptr) *outNode = fresh;
  if (fresh == nullptr) return ZR_OUTOFMEMORY;
  linkBefore(fresh, node);
  dropCursor();
  return ZR_OK;
}

template <class Visit>
ZRESULT ListChain::forEach(Visit visit) {
  for (ListNode* node = head_; node != nullptr;) {
    ListNode* next = node->next;
    if (visit(node) == 0) return ZR_NO;
    node = next;
  }
  return ZR_OK;
}

template <class Match>
ZRESULT ListChain::search(Match match, ListNode** outNode, unsigned* outIndex) {
  *outNode = nullptr;
  *outIndex = kNoIndex;
  unsigned index = 0;
  for (ListNode* node = head_; node != nullptr; node = node->next, ++index) {
    const int32_t answer = match(node);
    if (answer == -2) return ZR_OK;
    if (answer == 0) {
      *outNode = node;
      *outIndex = index;
      setCursor(node, index);
      return ZR_OK;
    }
  }
  return ZR_NO;
}

// The items are gathered with their nodes into an array, sorted there by
// the standard library's stable sort and the nodes relinked in the new
// order: each comparison then reads two array slots instead of two nodes
// scattered over the heap. Equal items keep their order, as they do in the
// merge on the links, so both give the same list. Without memory for the
// array the nodes are merge-sorted by their links instead (sortLinks).
template <class Read, class Compare>
void ListChain::sort(Read read, Compare compare) {
  dropCursor();
  if (count_ < 2) return;
  struct Entry {
    void* item;
    ListNode* node;
  };
  auto* entries = static_cast<Entry*>(runtimeMalloc(size_t{count_} * sizeof(Entry)));
  if (entries == nullptr) {
    sortLinks([&](ListNode* a, ListNode* b) { return compare(read(a), read(b)); });
    return;
  }
  const size_t n = count_;
  Entry* from = entries;
  // Each step of a walk waits for the node before; walking from both ends
  // to the middle keeps two such waits in flight instead of one.
  ListNode* forward = head_;
  ListNode* backward = tail_;
  size_t low = 0;
  size_t high = n - 1;
  for (; low < high; ++low, --high) {
    from[low] = {read(forward), forward};
    from[high] = {read(backward), backward};
    forward = forward->next;
    backward = backward->prev;
  }
  if (low == high) from[low] = {read(forward), forward};
  // The stable sort asks whether an item belongs before one that stands
  // earlier; that is compare(earlier, later) > 0, so the callback always
  // gets the two items in their present order, as in the merge on the links.
  std::stable_sort(from, from + n,
                   [&](const Entry& later, const Entry& earlier) { return compare(earlier.item, later.item) > 0; });
  // The nodes lie anywhere on the heap; fetching a few ahead hides most of
  // the cache misses of the relinking walk.
  constexpr size_t kPrefetchAhead = 16;
  ListNode* prev = nullptr;
  for (size_t k = 0; k < n; ++k) {
    if (k + kPrefetchAhead < n) __builtin_prefetch(from[k + kPrefetchAhead].node, /*write=*/1);
    ListNode* node = from[k].node;
    node->prev = prev;
    if (prev != nullptr) prev->next = node;
    prev = node;
  }
  prev->next = nullptr;
  head_ = from[0].node;
  tail_ = prev;
  std::free(entries);
}

// Runs of 1, 2, 4, ... nodes are merged pairwise from two input chains onto
// two output chains in turn; a run from the first chain always holds earlier
// nodes than its partner from the second, so taking from the first on a tie
// keeps equal payloads in their order. Only links change.
template <class Compare>
void ListChain::sortLinks(Compare compare) {
  if (count_ < 2) return;
  struct Chain {
    ListNode* first = nullptr;
    ListNode* last = nullptr;
    void push(ListNode* node) {
      node->next = nullptr;
      if (last == nullptr)
        first = node;
      else
        last->next = node;
      last = node;
    }
    ListNode* pop() {
      ListNode* node = first;
      first = node->next;
      if (first == nullptr) last = nullptr;
      return node;
    }
  };
  Chain in[2];
  int side = 0;
  for (ListNode* node = head_; node != nullptr;) {
    ListNode* next = node->next;
    in[side].push(node);
    side ^= 1;
    node = next;
  }
  for (uint64_t run = 1; in[1].first != nullptr; run *= 2) {
    Chain out[2];
    side = 0;
    while (in[0].first != nullptr || in[1].first != nullptr) {
      uint64_t leftA = run, leftB = run;
      while (leftA > 0 && in[0].first != nullptr && leftB > 0 && in[1].first != nullptr) {
        if (compare(in[0].first, in[1].first) <= 0) {
          out[side].push(in[0].pop());
          --leftA;
        } else {
          out[side].push(in[1].pop());
          --leftB;
        }
      }
      for (; leftA > 0 && in[0].first != nullptr; --leftA) out[side].push(in[0].pop());
      for (; leftB > 0 && in[1].first != nullptr; --leftB) out[side].push(in[1].pop());
      side ^= 1;
    }
    in[0] = out[0];
    in[1] = out[1];
  }
  head_ = in[0].first;
  tail_ = in[0].last;
  ListNode* prev = nullptr;
  for (ListNode* node = head_; node != nullptr; node = node->next) {
    node->prev = prev;
    prev = node;
  }
}

}  // namespace zefcorek
