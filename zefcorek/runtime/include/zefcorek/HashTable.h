// IHashTable: a hash set of untyped item pointers with client hash and
// compare functions, and SpacedPrimesClosest, its table of bucket counts.
//
// Buckets are singly linked node lists; the table owns its nodes, never the
// items. The bucket array grows and shrinks along a fixed table of 34 primes
// (11 … 13845163) whenever the load (items per bucket) leaves
// [lowLoad, highLoad] (0.3 and 3.0 by default), landing at about one item
// per bucket; between BeginUpdate and the matching EndUpdate the resizing is
// held back and done once at the end.
//
// Every operation that hashes answers ZR_FAILED while either function is missing, so
// a caller sets both first. Results are the ZR_* codes. One thread at a time.
#pragma once

#include "zefcorek/StdInterface.h"

#include <cstddef>
#include <cstdint>

// The first bucket count of the table above n: 11 for 0, 19 for 11; the
// largest, 13845163, for n at or above it.
ZEF_EXTERN_C unsigned SpacedPrimesClosest(unsigned n);

struct ZEF_EXPORT IHashTable : virtual IStdDataInterface {
  // The item's bucket is the result modulo bucketCount.
  using HashFunc = unsigned (*)(unsigned bucketCount, void* item, void* context);
  // mode 0 (lookup): 0 means equal. mode 1 (placing a new item): the new
  // item goes before the first existing item for which the result is below 1.
  using CompareFunc = int32_t (*)(void* existing, void* item, void* context, int32_t mode);
  using VisitFunc = void (*)(void* item, void* context);
  // Non-zero: remove this item.
  using PredicateFunc = int32_t (*)(void* item, void* context);

  // The default hash is the item pointer itself.
  virtual ZRESULT SetHashFunc(HashFunc fn, void* context) = 0;
  virtual ZRESULT SetCompareFunc(CompareFunc fn, void* context) = 0;
  // Equal items are not refused. ZR_BADARG for null; ZR_OUTOFMEMORY when no node can be had.
  virtual ZRESULT Add(void* item) = 0;
  // Removes the node holding this very pointer (not an equal item); ZR_NO when
  // there is none.
  virtual ZRESULT Remove(void* item) = 0;
  // *out = the first item of the key's bucket that compares equal (mode 0),
  // ZR_OK; none: null and ZR_NO.
  virtual ZRESULT Find(void* key, void** out) = 0;
  // ZR_NO when the key's bucket holds any item (whether or not the key is among
  // them), ZR_OK when it is empty or the table is.
  virtual ZRESULT IsBucketUsed(void* key) = 0;
  // *out = the key's bucket; without functions ZR_FAILED and 0xFFFFFFFF.
  virtual ZRESULT BucketOf(void* key, unsigned* out) = 0;
  // *out = the i-th item of the bucket's list, null past its end. ZR_BADARG for a
  // null out or a bucket beyond the count.
  virtual ZRESULT GetBucketItem(unsigned bucket, int32_t i, void** out) = 0;
  virtual ZRESULT BeginUpdate() = 0;
  // The closing call resizes when the load asks for it (ZR_OUTOFMEMORY when it cannot).
  virtual ZRESULT EndUpdate() = 0;
  // Visits every item, bucket by bucket, in list order. ZR_BADARG for null.
  virtual ZRESULT ForEach(VisitFunc fn, void* context) = 0;
  // Removes every item the predicate picks; *removed (when given) = their
  // number. ZR_BADARG for a null predicate and when nothing was removed.
  virtual ZRESULT RemoveIf(PredicateFunc fn, void* context, unsigned* removed) = 0;
  virtual ZRESULT GetBucketCount(unsigned* out) = 0;
  // Rehashes to n buckets, n clamped to 11 … 13845163 (any number, not only
  // the table's). ZR_OUTOFMEMORY, table unchanged, when the array cannot be allocated;
  // ZR_FAILED when the table holds items but has no hash function to place them.
  virtual ZRESULT SetBucketCount(unsigned n) = 0;
  // Frees every node and ends any update; the bucket count stays.
  virtual ZRESULT Clear() = 0;
  // Fills the outs given; ZR_BADARG when both are null.
  virtual ZRESULT GetLoadFactors(double* low, double* high) = 0;
  // ZR_BADARG, nothing changed, for low <= 0, high < low or a NaN.
  virtual ZRESULT SetLoadFactors(double low, double high) = 0;
  ~IHashTable() override;
};

class ZEF_EXPORT IHashTableImp : public IStdDataInterfaceImp, public virtual IHashTable {
public:
  IHashTableImp();
  // Frees the nodes and the bucket array; items are never freed.
  ~IHashTableImp() override;

  // ZR_NOTSUPPORTED for every identifier, *out untouched.
  HRESULT QueryInterface(REFIID iid, void** out) override;

  ZRESULT SetHashFunc(HashFunc fn, void* context) override;
  ZRESULT SetCompareFunc(CompareFunc fn, void* context) override;
  ZRESULT Add(void* item) override;
  ZRESULT Remove(void* item) override;
  ZRESULT Find(void* key, void** out) override;
  ZRESULT IsBucketUsed(void* key) override;
  ZRESULT BucketOf(void* key, unsigned* out) override;
  ZRESULT GetBucketItem(unsigned bucket, int32_t i, void** out) override;
  ZRESULT BeginUpdate() override;
  ZRESULT EndUpdate() override;
  ZRESULT ForEach(VisitFunc fn, void* context) override;
  ZRESULT RemoveIf(PredicateFunc fn, void* context, unsigned* removed) override;
  ZRESULT GetBucketCount(unsigned* out) override;
  ZRESULT SetBucketCount(unsigned n) override;
  ZRESULT Clear() override;
  ZRESULT GetLoadFactors(double* low, double* high) override;
  ZRESULT SetLoadFactors(double low, double high) override;

private:
  struct Node {
    void* item;
    Node* next;
    unsigned hash;  // hashFunc_(bucketCount_, item), kept current by every rehash
  };

  // The helpers of every lookup are defined here, so that they inline into
  // it: an out-of-line member of an exported class is called through the
  // symbol table, once per lookup.
  bool hasFunctions() const { return hashFunc_ != nullptr && compareFunc_ != nullptr; }
  unsigned hashOf(void* item, unsigned bucketCount) const { return hashFunc_(bucketCount, item, hashContext_); }
  // hash % divisor, by the multiply prepared for it: with M = ceil(2^64 /
  // divisor), x mod divisor = ((M * x mod 2^64) * divisor) >> 64 for every
  // 32-bit x and divisor.
  static unsigned remainderBy(unsigned hash, unsigned divisor, uint64_t multiplier) {
    const uint64_t fraction = multiplier * hash;
    return static_cast<unsigned>((static_cast<unsigned __int128>(fraction) * divisor) >> 64);
  }
  unsigned bucketOfHash(unsigned hash) const { return remainderBy(hash, bucketCount_, moduloMultiplier_); }
  ZRESULT rebalance();
  // Whether the node lies in block_ (and so is not freed alone).
  bool isInBlock(const Node* node) const {
    const auto address = reinterpret_cast<uintptr_t>(node);
    const auto first = reinterpret_cast<uintptr_t>(block_);
    return address >= first && address < first + blockNodes_ * sizeof(Node);
  }
  void freeNode(Node* node) {
    if (!isInBlock(node)) delete node;
  }
  // Rehashes every node into one new block, the nodes of each new bucket
  // adjacent in list order, and links them into `fresh` (n buckets); false,
  // nothing changed, when the memory for it cannot be had.
  bool rehashIntoBlock(Node** fresh, unsigned n, uint64_t multiplier);
  void freeNodes();

  unsigned bucketCount_ = 11;  // entries of buckets_; a value of 11 … 13845163
  uint64_t moduloMultiplier_;  // 2^64 / bucketCount_ rounded up, for bucketOfHash
  unsigned count_ = 0;         // items held
  unsigned updateDepth_ = 0;   // open BeginUpdate calls; resizing waits while > 0
  Node** buckets_ = nullptr;   // heads of the bucket lists; calloc, owned
  // The nodes that the last rehash laid out in bucket order (malloc, owned;
  // blockNodes_ entries, some perhaps removed since). Nodes added later are
  // allocated one by one.
  Node* block_ = nullptr;
  size_t blockNodes_ = 0;
  HashFunc hashFunc_;  // never null after construction unless the client clears it
  void* hashContext_ = nullptr;
  CompareFunc compareFunc_ = nullptr;
  void* compareContext_ = nullptr;
  double lowLoad_ = 0.3;   // at or below: shrink (above 11 buckets)
  double highLoad_ = 3.0;  // at or above: grow (below the largest count)
};
