// IHashTableImp: separate chaining over a bucket array sized from the prime
// table, rehashed when the load leaves the client's bounds.
//
// Each node keeps its item's hash, so a lookup calls the compare function
// only for items whose hash is the key's: items that compare equal hash
// alike, as a hash table asks of its functions. The bucket is the hash
// modulo the count, taken by a multiply prepared whenever the count changes
// (Lemire, Kaser and Kurz, "Faster remainder by direct computation", 2019):
// with M = ceil(2^64 / d), x mod d = ((M * x mod 2^64) * d) >> 64 for every
// 32-bit x and d.
#include "zefcorek/HashTable.h"

#include "HashPrimes.h"

#include "Allocation.h"
#include "zefcorek/ClassMakers.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <new>

using zefcorek::kFewestBuckets;
using zefcorek::kMostBuckets;

namespace {

// The default hash: the item's address is its hash.
unsigned hashByAddress(unsigned, void* item, void*) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(item)); }

uint64_t moduloMultiplierOf(unsigned divisor) { return UINT64_MAX / divisor + 1; }

}  // namespace

IHashTable::~IHashTable() = default;

void* zefcorek::makeIHashTableImp(intptr_t) { return static_cast<IHashTable*>(new (std::nothrow) IHashTableImp()); }

// The bucket array comes with the object; the factory turns a failed
// allocation here into "cannot be made".
IHashTableImp::IHashTableImp()
    : moduloMultiplier_(moduloMultiplierOf(kFewestBuckets)),
      buckets_(new Node*[kFewestBuckets]()),
      hashFunc_(&hashByAddress) {}

IHashTableImp::~IHashTableImp() {
  freeNodes();
  delete[] buckets_;
}

HRESULT IHashTableImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

void IHashTableImp::freeNodes() {
  for (unsigned b = 0; b < bucketCount_; ++b) {
    for (Node* node = buckets_[b]; node != nullptr;) {
      Node* next = node->next;
      freeNode(node);
      node = next;
    }
    buckets_[b] = nullptr;
  }
  std::free(block_);
  block_ = nullptr;
  blockNodes_ = 0;
  count_ = 0;
}

// Resizes to the next prime above the item count when the load has left
// [lowLoad, highLoad], as far as the table's smallest and largest counts go.
ZRESULT IHashTableImp::rebalance() {
  const double load = static_cast<double>(count_) / bucketCount_;
  const bool tooSparse = load <= lowLoad_ && bucketCount_ > kFewestBuckets;
  const bool tooDense = load >= highLoad_ && bucketCount_ < kMostBuckets;
  if (!tooSparse && !tooDense) return ZR_OK;
  return SetBucketCount(SpacedPrimesClosest(count_));
}

// The kept hashes follow the new function; the items stay in their buckets,
// as they always did.
ZRESULT IHashTableImp::SetHashFunc(HashFunc fn, void* context) {
  hashFunc_ = fn;
  hashContext_ = context;
  if (fn == nullptr) return ZR_OK;
  for (unsigned b = 0; b < bucketCount_ && count_ != 0; ++b) {
    for (Node* node = buckets_[b]; node != nullptr; node = node->next) node->hash = hashOf(node->item, bucketCount_);
  }
  return ZR_OK;
}

ZRESULT IHashTableImp::SetCompareFunc(CompareFunc fn, void* context) {
  compareFunc_ = fn;
  compareContext_ = context;
  return ZR_OK;
}

// A resize that cannot be had leaves a working table at its old size, so
// Add and Remove answer for the item alone.
ZRESULT IHashTableImp::Add(void* item) {
  if (item == nullptr) return ZR_BADARG;
  if (!hasFunctions()) return ZR_FAILED;
  const unsigned hash = hashOf(item, bucketCount_);
  auto* fresh = zefcorek::runtimeNew<Node>(Node{item, nullptr, hash});
  if (fresh == nullptr) return ZR_OUTOFMEMORY;
  Node** link = &buckets_[bucketOfHash(hash)];
  while (*link != nullptr && compareFunc_((*link)->item, item, compareContext_, 1) >= 1) link = &(*link)->next;
  fresh->next = *link;
  *link = fresh;
  ++count_;
  if (updateDepth_ == 0) rebalance();
  return ZR_OK;
}

ZRESULT IHashTableImp::Remove(void* item) {
  if (item == nullptr) return ZR_BADARG;
  if (!hasFunctions()) return ZR_FAILED;
  Node** link = &buckets_[bucketOfHash(hashOf(item, bucketCount_))];
  while (*link != nullptr && (*link)->item != item) link = &(*link)->next;
  if (*link == nullptr) return ZR_NO;
  Node* gone = *link;
  *link = gone->next;
  freeNode(gone);
  --count_;
  if (updateDepth_ == 0) rebalance();
  return ZR_OK;
}

ZRESULT IHashTableImp::Find(void* key, void** out) {
  if (key == nullptr || out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (!hasFunctions()) return ZR_FAILED;
  const unsigned hash = hashOf(key, bucketCount_);
  for (Node* node = buckets_[bucketOfHash(hash)]; node != nullptr; node = node->next) {
    if (node->hash == hash && compareFunc_(node->item, key, compareContext_, 0) == 0) {
      *out = node->item;
      return ZR_OK;
    }
  }
  return ZR_NO;
}

ZRESULT IHashTableImp::IsBucketUsed(void* key) {
  if (key == nullptr) return ZR_BADARG;
  if (!hasFunctions()) return ZR_FAILED;
  if (count_ == 0) return 0;
  return buckets_[bucketOfHash(hashOf(key, bucketCount_))] != nullptr ? 1 : 0;
}

ZRESULT IHashTableImp::BucketOf(void* key, unsigned* out) {
  if (key == nullptr || out == nullptr) return ZR_BADARG;
  if (!hasFunctions()) {
    *out = 0xFFFFFFFFu;
    return ZR_FAILED;
  }
  *out = bucketOfHash(hashOf(key, bucketCount_));
  return ZR_OK;
}

ZRESULT IHashTableImp::GetBucketItem(unsigned bucket, int32_t i, void** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (bucket >= bucketCount_) return ZR_BADARG;
  if (i < 0) return ZR_OK;
  Node* node = buckets_[bucket];
  for (int32_t at = 0; at < i && node != nullptr; ++at) node = node->next;
  if (node != nullptr) *out = node->item;
  return ZR_OK;
}

ZRESULT IHashTableImp::BeginUpdate() {
  ++updateDepth_;
  return ZR_OK;
}

ZRESULT IHashTableImp::EndUpdate() {
  if (updateDepth_ == 0) return ZR_OK;
  if (--updateDepth_ != 0) return ZR_OK;
  return rebalance();
}

ZRESULT IHashTableImp::ForEach(VisitFunc fn, void* context) {
  if (fn == nullptr) return ZR_BADARG;
  for (unsigned b = 0; b < bucketCount_; ++b) {
    for (Node* node = buckets_[b]; node != nullptr; node = node->next) fn(node->item, context);
  }
  return ZR_OK;
}

ZRESULT IHashTableImp::RemoveIf(PredicateFunc fn, void* context, unsigned* removed) {
  if (fn == nullptr) return ZR_BADARG;
  unsigned gone = 0;
  for (unsigned b = 0; b < bucketCount_; ++b) {
    Node** link = &buckets_[b];
    while (*link != nullptr) {
      Node* node = *link;
      if (fn(node->item, context) == 0) {
        link = &node->next;
        continue;
      }
      *link = node->next;
      freeNode(node);
      ++gone;
    }
  }
  count_ -= gone;
  if (removed != nullptr) *removed = gone;
  if (gone == 0) return ZR_BADARG;
  return updateDepth_ == 0 ? rebalance() : ZR_OK;
}

ZRESULT IHashTableImp::GetBucketCount(unsigned* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = bucketCount_;
  return ZR_OK;
}

// Each node moves to the front of its new bucket, so the order that Add
// chose within a bucket is not kept across a rehash. Items cannot be placed
// without a hash function, so a table that holds some keeps its size then.
ZRESULT IHashTableImp::SetBucketCount(unsigned n) {
  n = std::clamp(n, kFewestBuckets, kMostBuckets);
  if (n == bucketCount_) return ZR_OK;
  if (hashFunc_ == nullptr && count_ != 0) return ZR_FAILED;
  auto** fresh = zefcorek::runtimeNewArray<Node*>(n);
  if (fresh == nullptr) return ZR_OUTOFMEMORY;
  const uint64_t multiplier = moduloMultiplierOf(n);
  if (!rehashIntoBlock(fresh, n, multiplier)) {
    for (unsigned b = 0; b < bucketCount_; ++b) {
      for (Node* node = buckets_[b]; node != nullptr;) {
        Node* next = node->next;
        node->hash = hashOf(node->item, n);
        Node*& head = fresh[remainderBy(node->hash, n, multiplier)];
        node->next = head;
        head = node;
        node = next;
      }
    }
  }
  delete[] buckets_;
  buckets_ = fresh;
  bucketCount_ = n;
  moduloMultiplier_ = multiplier;
  return ZR_OK;
}

// A lookup that passes over a node whose hash differs reads the next node
// of the bucket; laid out one after the other, the two mostly share a cache
// line instead of costing a miss each. The nodes are placed by a counting
// sort on their new buckets: the walk along the old lists hashes, counts
// and notes each node in visiting order; then each node, read from that
// note (reads that do not wait for each other), is copied to the end of its
// bucket's range that is still free, so the node met last comes first, as
// if each had been moved to the front; last, each range is linked.
bool IHashTableImp::rehashIntoBlock(Node** fresh, unsigned n, uint64_t multiplier) {
  if (count_ == 0) {
    std::free(block_);
    block_ = nullptr;
    blockNodes_ = 0;
    return true;
  }
  auto* block = static_cast<Node*>(zefcorek::runtimeMalloc(size_t{count_} * sizeof(Node)));
  auto* visited = static_cast<Node**>(zefcorek::runtimeMalloc(size_t{count_} * sizeof(Node*)));
  auto* ends = static_cast<uint32_t*>(zefcorek::runtimeCalloc(n, sizeof(uint32_t)));
  if (block == nullptr || visited == nullptr || ends == nullptr) {
    std::free(block);
    std::free(visited);
    std::free(ends);
    return false;
  }
  uint32_t total = 0;
  for (unsigned b = 0; b < bucketCount_; ++b) {
    for (Node* node = buckets_[b]; node != nullptr; node = node->next) {
      node->hash = hashOf(node->item, n);
      ++ends[remainderBy(node->hash, n, multiplier)];
      visited[total++] = node;
    }
  }
  assert(total == count_);
  uint32_t sum = 0;
  for (unsigned b = 0; b < n; ++b) {
    sum += ends[b];
    ends[b] = sum;
  }
  constexpr uint32_t kReadAhead = 8;
  for (uint32_t i = 0; i < total; ++i) {
    if (i + kReadAhead < total) __builtin_prefetch(visited[i + kReadAhead]);
    Node* node = visited[i];
    const uint32_t slot = --ends[remainderBy(node->hash, n, multiplier)];
    new (&block[slot]) Node{node->item, nullptr, node->hash};
    freeNode(node);
  }
  // ends[b] is now where bucket b's range begins.
  for (unsigned b = 0; b < n; ++b) {
    const uint32_t first = ends[b];
    const uint32_t last = b + 1 < n ? ends[b + 1] : total;
    if (first == last) continue;
    fresh[b] = &block[first];
    for (uint32_t i = first; i + 1 < last; ++i) block[i].next = &block[i + 1];
  }
  std::free(visited);
  std::free(ends);
  std::free(block_);
  block_ = block;
  blockNodes_ = total;
  return true;
}

ZRESULT IHashTableImp::Clear() {
  freeNodes();
  updateDepth_ = 0;
  return ZR_OK;
}

ZRESULT IHashTableImp::GetLoadFactors(double* low, double* high) {
  if (low == nullptr && high == nullptr) return ZR_BADARG;
  if (low != nullptr) *low = lowLoad_;
  if (high != nullptr) *high = highLoad_;
  return ZR_OK;
}

ZRESULT IHashTableImp::SetLoadFactors(double low, double high) {
  if (std::isnan(low) || std::isnan(high) || low <= 0 || high < low) return ZR_BADARG;
  lowLoad_ = low;
  highLoad_ = high;
  return ZR_OK;
}
