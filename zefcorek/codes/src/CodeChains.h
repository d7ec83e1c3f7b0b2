// The hash engine of the code databases: entries chained per bucket, each
// chain sorted by the codes' whole texts compared case-insensitively
// (StringCompare), so a lookup stops at the first greater entry.
//
// The engine owns its entries (heap nodes with a `Next` link) and is written
// once for every database; `KeyOf::code(node)` says how a node gives its
// code: the codes database keeps a copy in the node, the objects-by-code
// database asks the host's object for its current code.
//
// Representation:
//   heads_   bucket array, heads_[hash mod size] heads a chain; never fewer
//            than kFewestCodeBuckets nor more than kMostCodeBuckets heads
//   count_   entries linked in all chains
//   depth_   BeginUpdate calls not yet matched; no automatic resize while
//            it is not 0
// A hash is taken as unsigned, so the empty code's -1 names a bucket like
// any other hash (only the objects-by-code database links such entries).
#pragma once

#include "zefcorek/ZefStdCode.h"

#include "SpacedPrimes.h"

#include <cassert>
#include <cstdint>
#include <new>
#include <vector>

namespace CodesDB {

inline constexpr unsigned kFewestCodeBuckets = 823;
inline constexpr unsigned kMostCodeBuckets = 13845163;
inline constexpr double kLowLoad = 0.3;
inline constexpr double kHighLoad = 3.0;

template <typename Node, typename KeyOf>
class CodeChains {
public:
  // Where a lookup stopped: the link that points at the entry found, or at
  // the place where the code would be linked in.
  struct Place {
    Node** link;
    bool found;
  };

  CodeChains() : heads_(kFewestCodeBuckets, nullptr) {}
  CodeChains(const CodeChains&) = delete;
  CodeChains& operator=(const CodeChains&) = delete;
  // Frees what is still linked, without telling anybody: owners Clear first.
  ~CodeChains() {
    for (Node*& head : heads_) {
      while (head != nullptr) delete unlink(&head);
    }
  }

  unsigned bucketCount() const { return static_cast<unsigned>(heads_.size()); }
  uint64_t count() const { return count_; }
  bool isIdle() const { return depth_ == 0; }
  void beginUpdate() { ++depth_; }
  // Runs the load check when the last pending update ends.
  void endUpdate() {
    if (depth_ == 0) return;
    if (--depth_ == 0) (void)checkLoad();
  }

  // The entry with the code, or the place it would take. The code must not
  // be empty (callers refuse empty codes first).
  Place lookup(const TZefStdCode& code) {
    assert(!code.IsEmpty() && "empty codes are never looked up");
    Node** link = &heads_[bucketOf(code.GetHash())];
    while (*link != nullptr) {
      const int32_t order = KeyOf::code(**link).StringCompare(code);
      if (order == 0) return {link, true};
      if (order > 0) break;
      link = &(*link)->Next;
    }
    return {link, false};
  }

  // The place after every entry of the code's chain that compares less than
  // or equal to it: where an entry is linked without a lookup.
  Node** placeAfterEqual(const TZefStdCode& code) {
    Node** link = &heads_[bucketOf(code.GetHash())];
    while (*link != nullptr && KeyOf::code(**link).StringCompare(code) <= 0) link = &(*link)->Next;
    return link;
  }

  // Links a new entry at a place just found and runs the load check when no
  // update is pending. (A table that cannot grow stays as it is: lookups
  // still work, only the chains are longer.)
  void linkAt(Node** link, Node* node) {
    node->Next = *link;
    *link = node;
    ++count_;
    if (depth_ == 0) (void)checkLoad();
  }

  // Unlinks the entry at `link` and hands it to the caller, who destroys it;
  // the load check runs as for linkAt.
  Node* unlinkAt(Node** link) {
    Node* node = unlink(link);
    if (depth_ == 0) (void)checkLoad();
    return node;
  }

  // Every entry leaves through `leave(node)` and is then destroyed; back to
  // the fewest buckets, no update pending. The chains are detached first, so
  // `leave` sees an empty table and may use it (add, remove, resize) without
  // disturbing the walk.
  template <typename Leave>
  void clear(Leave leave) {
    std::vector<Node*> detached(kFewestCodeBuckets, nullptr);
    detached.swap(heads_);
    count_ = 0;
    depth_ = 0;
    for (Node* node : detached) {
      while (node != nullptr) {
        Node* next = node->Next;
        node->Next = nullptr;
        leave(node);
        delete node;
        node = next;
      }
    }
  }

  // Rehashes into n buckets (clamped); entries move, none is copied. False
  // when the new array cannot be made: nothing changes then.
  [[nodiscard]] bool setBucketCount(unsigned n) {
    if (n > kMostCodeBuckets) n = kMostCodeBuckets;
    if (n < kFewestCodeBuckets + 1) n = kFewestCodeBuckets;
    if (n == heads_.size()) return true;
    std::vector<Node*> old;
    try {
      old.assign(n, nullptr);
    } catch (const std::bad_alloc&) {
      return false;
    }
    old.swap(heads_);
    // Visiting bucket by bucket and each chain from its head, an entry goes
    // after the entries of its new chain that compare less or equal, which
    // keeps every chain sorted and equal texts in their old order.
    for (Node* node : old) {
      while (node != nullptr) {
        Node* next = node->Next;
        Node** link = placeAfterEqual(KeyOf::code(*node));
        node->Next = *link;
        *link = node;
        node = next;
      }
    }
    return true;
  }

  // The first entry from bucket `bucket` on, its bucket stored back; null
  // when there is none.
  Node* firstFrom(uint32_t& bucket) const {
    for (; bucket < heads_.size(); ++bucket) {
      if (heads_[bucket] != nullptr) return heads_[bucket];
    }
    return nullptr;
  }

  // Every chain in bucket order, for checks.
  const std::vector<Node*>& heads() const { return heads_; }

private:
  size_t bucketOf(int32_t hash) const { return static_cast<uint32_t>(hash) % heads_.size(); }

  Node* unlink(Node** link) {
    Node* node = *link;
    *link = node->Next;
    node->Next = nullptr;
    --count_;
    return node;
  }

  // Resizes to about one entry per bucket when the load has left 0.3 .. 3.0
  // and the bucket count may still move that way.
  bool checkLoad() {
    const double load = static_cast<double>(count_) / static_cast<double>(heads_.size());
    const bool tooSparse = load <= kLowLoad && heads_.size() > kFewestCodeBuckets;
    const bool tooDense = load >= kHighLoad && heads_.size() < kMostCodeBuckets;
    if (!tooSparse && !tooDense) return true;
    return setBucketCount(NextSpacedPrime(static_cast<uint32_t>(count_)));
  }

  std::vector<Node*> heads_;
  uint64_t count_ = 0;
  uint64_t depth_ = 0;
};

}  // namespace CodesDB
