// IPtrArrayImp: the pointer array's block, its growth by a fixed step, and
// the release callback that sees every item the caller lets go.
//
// Ranges are checked in 64-bit arithmetic, so a first index plus a count that
// passes 4 GiB is refused instead of wrapping round to a small number.
#include "zefcorek/PtrArray.h"

#include "Allocation.h"

#include "zefcorek/ClassMakers.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace {

constexpr uint64_t kMaxSlots = std::numeric_limits<unsigned>::max();

bool rangeFits(unsigned first, unsigned n, unsigned count) { return uint64_t{first} + n <= count; }

}  // namespace

IPtrArray::~IPtrArray() = default;

void* zefcorek::makeIPtrArrayImp(intptr_t) { return static_cast<IPtrArray*>(new (std::nothrow) IPtrArrayImp()); }

IPtrArrayImp::IPtrArrayImp(unsigned initialCapacity) { growTo(initialCapacity); }

IPtrArrayImp::~IPtrArrayImp() { clearAll(/*release=*/true); }

HRESULT IPtrArrayImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

bool IPtrArrayImp::growTo(uint64_t newCapacity) {
  if (newCapacity <= capacity_) return true;
  if (newCapacity > kMaxSlots) return false;
  auto* block = static_cast<void**>(zefcorek::runtimeMalloc(newCapacity * sizeof(void*)));
  if (block == nullptr) return false;
  if (capacity_ != 0) std::memcpy(block, items_, capacity_ * sizeof(void*));
  for (uint64_t i = capacity_; i < newCapacity; ++i) block[i] = nullptr;
  std::free(items_);
  items_ = block;
  capacity_ = static_cast<unsigned>(newCapacity);
  return true;
}

bool IPtrArrayImp::ensureRoom(uint64_t needed, uint64_t target) {
  if (needed <= capacity_) return true;
  if (needed > kMaxSlots) return false;
  return growTo(target);
}

void IPtrArrayImp::releaseRange(unsigned first, unsigned n) {
  if (release_ == nullptr) return;
  for (unsigned i = first; i < first + n; ++i) release_(items_[i], releaseContext_, i);
}

void IPtrArrayImp::clearAll(bool release) {
  if (capacity_ == 0) return;
  if (release) releaseRange(0, count_);
  std::free(items_);
  items_ = nullptr;
  capacity_ = 0;
  count_ = 0;
}

unsigned IPtrArrayImp::GetCapacity() { return capacity_; }

ZRESULT IPtrArrayImp::SetCapacity(unsigned capacity, bool release) {
  if (capacity < count_) return SetCount(capacity, release);
  return growTo(capacity) ? ZR_OK : ZR_OUTOFMEMORY;
}

unsigned IPtrArrayImp::GetCount() { return count_; }

ZRESULT IPtrArrayImp::SetCount(unsigned count, bool release) {
  if (count == 0) {
    clearAll(release);
    return ZR_OK;
  }
  if (!growTo(count)) return ZR_OUTOFMEMORY;
  if (count < count_) {
    if (release && release_ != nullptr) {
      releaseRange(count, count_ - count);
      for (unsigned i = count; i < count_; ++i) items_[i] = nullptr;
    }
  } else {
    // Slots dropped earlier without release still hold their old items;
    // the items that come back into view are null, whatever they held.
    for (unsigned i = count_; i < count; ++i) items_[i] = nullptr;
  }
  count_ = count;
  return ZR_OK;
}

unsigned IPtrArrayImp::GetGrowBy() { return growBy_; }

ZRESULT IPtrArrayImp::SetGrowBy(unsigned step) {
  if (step == 0) return ZR_BADARG;
  growBy_ = step;
  return ZR_OK;
}

ZRESULT IPtrArrayImp::Get(unsigned index, void** out) {
  if (out == nullptr || index >= count_) return ZR_BADARG;
  *out = items_[index];
  return ZR_OK;
}

void* IPtrArrayImp::GetAt(unsigned index) { return index < count_ ? items_[index] : nullptr; }

ZRESULT IPtrArrayImp::Add(void* item, unsigned* outIndex) {
  if (!ensureRoom(uint64_t{count_} + 1, uint64_t{capacity_} + growBy_)) return ZR_OUTOFMEMORY;
  items_[count_] = item;
  if (outIndex != nullptr) *outIndex = count_;
  ++count_;
  return ZR_OK;
}

ZRESULT IPtrArrayImp::AddN(void* item, unsigned n, unsigned* outFirst) {
  if (!ensureRoom(uint64_t{count_} + n, uint64_t{capacity_} + n + growBy_)) return ZR_OUTOFMEMORY;
  if (outFirst != nullptr) *outFirst = count_;
  for (unsigned i = 0; i < n; ++i) items_[count_ + i] = item;
  count_ += n;
  return ZR_OK;
}

ZRESULT IPtrArrayImp::Insert(unsigned index, void* item) {
  if (index > count_) return ZR_BADARG;
  if (index == count_) return Add(item, nullptr);
  if (!ensureRoom(uint64_t{count_} + 1, uint64_t{capacity_} + growBy_)) return ZR_OUTOFMEMORY;
  std::memmove(items_ + index + 1, items_ + index, (count_ - index) * sizeof(void*));
  items_[index] = item;
  ++count_;
  return ZR_OK;
}

ZRESULT IPtrArrayImp::InsertN(unsigned index, void* item, unsigned n) {
  if (index > count_) return ZR_BADARG;
  if (n == 0) return ZR_OK;
  if (index == count_) return AddN(item, n, nullptr);
  if (!ensureRoom(uint64_t{count_} + n, uint64_t{capacity_} + n + growBy_)) return ZR_OUTOFMEMORY;
  std::memmove(items_ + index + n, items_ + index, (count_ - index) * sizeof(void*));
  for (unsigned i = 0; i < n; ++i) items_[index + i] = item;
  count_ += n;
  return ZR_OK;
}

ZRESULT IPtrArrayImp::Replace(unsigned index, void* item, bool release) {
  if (index >= count_) return ZR_BADARG;
  if (release) releaseRange(index, 1);
  items_[index] = item;
  return ZR_OK;
}

ZRESULT IPtrArrayImp::Delete(unsigned index, bool release) {
  if (index >= count_) return ZR_BADARG;
  return DeleteRange(index, 1, release);
}

ZRESULT IPtrArrayImp::DeleteRange(unsigned first, unsigned n, bool release) {
  if (!rangeFits(first, n, count_)) return ZR_BADARG;
  if (n == 0) return ZR_OK;
  // The items are still in place while the callback sees them.
  if (release) releaseRange(first, n);
  const unsigned tail = first + n;
  std::memmove(items_ + first, items_ + tail, (count_ - tail) * sizeof(void*));
  count_ -= n;
  for (unsigned i = count_; i < count_ + n; ++i) items_[i] = nullptr;
  return ZR_OK;
}

ZRESULT IPtrArrayImp::Swap(unsigned i, unsigned j) {
  if (i >= count_ || j >= count_) return ZR_BADARG;
  std::swap(items_[i], items_[j]);
  return ZR_OK;
}

ZRESULT IPtrArrayImp::Clear(bool release) {
  clearAll(release);
  return ZR_OK;
}

void IPtrArrayImp::reverseSlots(unsigned first, unsigned n) {
  if (n < 2) return;
  for (unsigned i = first, j = first + n - 1; i < j; ++i, --j) std::swap(items_[i], items_[j]);
}

ZRESULT IPtrArrayImp::Reverse() {
  reverseSlots(0, count_);
  return ZR_OK;
}

ZRESULT IPtrArrayImp::ReverseRange(unsigned first, unsigned n) {
  if (n == 0 || !rangeFits(first, n, count_)) return ZR_BADARG;
  reverseSlots(first, n);
  return ZR_OK;
}

ZRESULT IPtrArrayImp::Reserved(intptr_t) { return ZR_NOTSUPPORTED; }

// A copy that could not take every item would pass for a faithful one, so a
// block that cannot be allocated fails the clone instead of handing back an
// empty array.
ZRESULT IPtrArrayImp::cloneSlots(unsigned first, unsigned n, IPtrArray** out) {
  auto* copy = zefcorek::runtimeNew<IPtrArrayImp>(n);
  if (copy == nullptr || copy->GetCapacity() < n) {
    if (copy != nullptr) copy->Release();
    *out = nullptr;
    return ZR_OUTOFMEMORY;
  }
  if (n != 0) std::memcpy(copy->items_, items_ + first, n * sizeof(void*));
  copy->count_ = n;
  *out = copy;
  return ZR_OK;
}

ZRESULT IPtrArrayImp::Clone(IPtrArray** out) {
  if (out == nullptr) return ZR_BADARG;
  return cloneSlots(0, count_, out);
}

ZRESULT IPtrArrayImp::CloneRange(unsigned first, unsigned n, IPtrArray** out) {
  if (!rangeFits(first, n, count_) || out == nullptr) return ZR_BADARG;
  return cloneSlots(first, n, out);
}

ZRESULT IPtrArrayImp::GetReleaseCallback(ReleaseFunc* outFn, void** outContext) {
  if (outFn == nullptr && outContext == nullptr) return ZR_BADARG;
  if (outFn != nullptr) *outFn = release_;
  if (outContext != nullptr) *outContext = releaseContext_;
  return ZR_OK;
}

ZRESULT IPtrArrayImp::SetReleaseCallback(ReleaseFunc fn, void* context) {
  release_ = fn;
  releaseContext_ = context;
  return ZR_OK;
}

ZRESULT IPtrArrayImp::RemoveNullItems() {
  if (count_ == 0) return ZR_OK;
  unsigned kept = 0;
  for (unsigned i = 0; i < count_; ++i) {
    if (items_[i] != nullptr) items_[kept++] = items_[i];
  }
  for (unsigned i = kept; i < count_; ++i) items_[i] = nullptr;
  count_ = kept;
  if (count_ == 0) clearAll(/*release=*/false);
  return ZR_OK;
}

ZRESULT IPtrArrayImp::IndexOf(void* item, unsigned* outIndex) {
  if (outIndex == nullptr) return ZR_BADARG;
  *outIndex = 0xFFFFFFFFu;
  for (unsigned i = 0; i < count_; ++i) {
    if (items_[i] == item) {
      *outIndex = i;
      return ZR_OK;
    }
  }
  return ZR_NO;
}
