// IPtrArray: a growable array of untyped pointers.
//
// Items lie in one contiguous block with a capacity, a count and a fixed grow
// step (the block grows by the step, not by a factor, so a caller that knows
// its size sets the capacity or the step first). The array never looks inside
// an item, and any pointer value, null included, is an item. Items are not
// owned: the only way the array disposes of one is the release callback, and
// it runs only where an operation is told to release (its `release`
// argument) and when the array is destroyed.
//
// Indices and counts are unsigned 32-bit; slots at and beyond the count are
// never visible. Results are the ZR_* codes. No operation changes the
// modified flag or calls the owner. One thread at a time uses an array, and a
// release callback must not change the array that calls it.
#pragma once

#include "zefcorek/StdInterface.h"

#include <cstdint>

struct ZEF_EXPORT IPtrArray : virtual IStdDataInterface {
  // Receives an item leaving the array and the index it had at that moment.
  using ReleaseFunc = void (*)(void* item, void* context, unsigned index);

  virtual unsigned GetCapacity() = 0;
  // Below the count: SetCount(capacity, release) and its answer (the block
  // keeps its size). Above the capacity: grows to it (ZR_OUTOFMEMORY when it cannot).
  virtual ZRESULT SetCapacity(unsigned capacity, bool release) = 0;
  virtual unsigned GetCount() = 0;
  // ZR_OK clears the array (and frees the block). Growing adds null items, past
  // the capacity to exactly `count` slots (ZR_OUTOFMEMORY, count unchanged, when the block
  // cannot grow). Shrinking hands the dropped items, in ascending order, to
  // the release callback when `release` is set.
  virtual ZRESULT SetCount(unsigned count, bool release) = 0;
  virtual unsigned GetGrowBy() = 0;
  // ZR_BADARG for a step of 0 (the step is never 0).
  virtual ZRESULT SetGrowBy(unsigned step) = 0;
  // *out = the item; ZR_BADARG for a null out or an index at or beyond the count.
  virtual ZRESULT Get(unsigned index, void** out) = 0;
  // The item, or null for an index at or beyond the count (use Get to tell
  // that from a null item).
  virtual void* GetAt(unsigned index) = 0;
  // Appends; *outIndex (when given) = the new item's index.
  virtual ZRESULT Add(void* item, unsigned* outIndex) = 0;
  // Appends n copies; *outFirst (when given) = the old count, also for n = 0.
  virtual ZRESULT AddN(void* item, unsigned n, unsigned* outFirst) = 0;
  // Inserts before `index`; index = count appends; above the count → ZR_BADARG.
  virtual ZRESULT Insert(unsigned index, void* item) = 0;
  virtual ZRESULT InsertN(unsigned index, void* item, unsigned n) = 0;
  // Overwrites; the old item goes to the release callback when `release`.
  virtual ZRESULT Replace(unsigned index, void* item, bool release) = 0;
  virtual ZRESULT Delete(unsigned index, bool release) = 0;
  // ZR_BADARG when the range passes the count; n = 0 inside the count does nothing.
  virtual ZRESULT DeleteRange(unsigned first, unsigned n, bool release) = 0;
  virtual ZRESULT Swap(unsigned i, unsigned j) = 0;
  // Releases every item (when `release`) and frees the block.
  virtual ZRESULT Clear(bool release) = 0;
  virtual ZRESULT Reverse() = 0;
  // ZR_BADARG for n = 0 or a range past the count.
  virtual ZRESULT ReverseRange(unsigned first, unsigned n) = 0;
  // Kept for its table slot; always ZR_NOTSUPPORTED.
  virtual ZRESULT Reserved(intptr_t unused) = 0;
  // A new array (one reference, owned by the caller) holding the same item
  // pointers, with capacity = count, grow step 4 and no release callback.
  // ZR_BADARG for a null out; ZR_OUTOFMEMORY with *out null when the copy cannot be made.
  virtual ZRESULT Clone(IPtrArray** out) = 0;
  virtual ZRESULT CloneRange(unsigned first, unsigned n, IPtrArray** out) = 0;
  // Fills the outs given; ZR_BADARG when both are null.
  virtual ZRESULT GetReleaseCallback(ReleaseFunc* outFn, void** outContext) = 0;
  // A null fn switches releasing off.
  virtual ZRESULT SetReleaseCallback(ReleaseFunc fn, void* context) = 0;
  // Drops the null items, keeping the order of the others; they are not
  // released. An array left empty frees its block.
  virtual ZRESULT RemoveNullItems() = 0;
  // *outIndex = the first index holding this very pointer, ZR_OK; none: ZR_NO with
  // *outIndex = 0xFFFFFFFF. ZR_BADARG for a null outIndex.
  virtual ZRESULT IndexOf(void* item, unsigned* outIndex) = 0;
  ~IPtrArray() override;
};

class ZEF_EXPORT IPtrArrayImp : public IStdDataInterfaceImp, public virtual IPtrArray {
public:
  IPtrArrayImp() = default;
  // Starts with a block of `initialCapacity` slots, or with none when that
  // cannot be allocated.
  explicit IPtrArrayImp(unsigned initialCapacity);
  // Releases every remaining item, as Clear(true).
  ~IPtrArrayImp() override;

  // The array is used only through the pointer it was handed out as:
  // ZR_NOTSUPPORTED for every identifier, *out untouched.
  HRESULT QueryInterface(REFIID iid, void** out) override;

  unsigned GetCapacity() override;
  ZRESULT SetCapacity(unsigned capacity, bool release) override;
  unsigned GetCount() override;
  ZRESULT SetCount(unsigned count, bool release) override;
  unsigned GetGrowBy() override;
  ZRESULT SetGrowBy(unsigned step) override;
  ZRESULT Get(unsigned index, void** out) override;
  void* GetAt(unsigned index) override;
  ZRESULT Add(void* item, unsigned* outIndex) override;
  ZRESULT AddN(void* item, unsigned n, unsigned* outFirst) override;
  ZRESULT Insert(unsigned index, void* item) override;
  ZRESULT InsertN(unsigned index, void* item, unsigned n) override;
  ZRESULT Replace(unsigned index, void* item, bool release) override;
  ZRESULT Delete(unsigned index, bool release) override;
  ZRESULT DeleteRange(unsigned first, unsigned n, bool release) override;
  ZRESULT Swap(unsigned i, unsigned j) override;
  ZRESULT Clear(bool release) override;
  ZRESULT Reverse() override;
  ZRESULT ReverseRange(unsigned first, unsigned n) override;
  ZRESULT Reserved(intptr_t unused) override;
  ZRESULT Clone(IPtrArray** out) override;
  ZRESULT CloneRange(unsigned first, unsigned n, IPtrArray** out) override;
  ZRESULT GetReleaseCallback(ReleaseFunc* outFn, void** outContext) override;
  ZRESULT SetReleaseCallback(ReleaseFunc fn, void* context) override;
  ZRESULT RemoveNullItems() override;
  ZRESULT IndexOf(void* item, unsigned* outIndex) override;

private:
  // Makes room for `needed` items in all, growing the block to `target`
  // slots when it is too small. False (array unchanged) when it cannot.
  bool ensureRoom(uint64_t needed, uint64_t target);
  bool growTo(uint64_t newCapacity);
  void releaseRange(unsigned first, unsigned n);
  void clearAll(bool release);
  void reverseSlots(unsigned first, unsigned n);
  ZRESULT cloneSlots(unsigned first, unsigned n, IPtrArray** out);

  unsigned capacity_ = 0;          // slots in items_; 0 exactly when items_ is null
  unsigned count_ = 0;             // visible items; always <= capacity_
  unsigned growBy_ = 4;            // slots added by a single-item growth; never 0
  void** items_ = nullptr;         // from malloc, owned; slots >= count_ unseen
  ReleaseFunc release_ = nullptr;  // set by the client; null: nothing released
  void* releaseContext_ = nullptr;
};
