// TDynBuffer: lazy storage, edits at either end, and the bit-set view.
#include "zefcorek/DynBuffer.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// A shrink that would leave more than this many bytes unused gives the
// storage back instead of keeping it.
constexpr unsigned kMaxKeptSlack = 8192;

bool wastesTooMuch(unsigned actualSize, unsigned newSize) { return actualSize - newSize > kMaxKeptSlack; }

}  // namespace

TDynBuffer::TDynBuffer(unsigned size) : size_(size) {}

TDynBuffer::~TDynBuffer() { KillPtr(); }

bool TDynBuffer::Alloc() {
  KillPtr();
  if (size_ == 0) return true;
  data_ = static_cast<uint8_t*>(std::calloc(size_, 1));
  if (data_ == nullptr) {
    size_ = 0;
    return false;
  }
  actualSize_ = size_;
  return true;
}

bool TDynBuffer::ensureStorage() {
  if (data_ != nullptr || size_ == 0) return true;
  return Alloc();
}

bool TDynBuffer::SetSize(unsigned newSize, bool allocate) {
  if (newSize < actualSize_) {
    size_ = newSize;
    if (wastesTooMuch(actualSize_, newSize)) {
      KillPtr();
      if (allocate) Alloc();
    }
  } else if (newSize > actualSize_) {
    KillPtr();
    size_ = newSize;
    if (allocate) Alloc();
  } else {
    size_ = newSize;
  }
  // Asked to allocate, the answer says whether storage exists, also for
  // size 0, where none is made.
  return !allocate || data_ != nullptr;
}

unsigned TDynBuffer::GetActualSize() {
  ensureStorage();
  return actualSize_;
}

bool TDynBuffer::SetSizeKeepData(unsigned newSize) {
  // Only a size so far: nothing to keep, allocate at the new size.
  if (data_ == nullptr && size_ > 0) {
    size_ = newSize;
    return Alloc() && data_ != nullptr;
  }
  const unsigned oldSize = size_;
  if (newSize <= actualSize_ && !wastesTooMuch(actualSize_, newSize)) {
    size_ = newSize;
    if (!ensureStorage()) return false;
  } else if (newSize == 0) {
    // Reallocating to nothing leaves no storage, which this answers as a
    // failure; the buffer is left empty.
    KillPtr();
    size_ = 0;
    return false;
  } else {
    auto* grown = static_cast<uint8_t*>(std::realloc(data_, newSize));
    if (grown == nullptr) {
      KillPtr();
      size_ = 0;
      return false;
    }
    data_ = grown;
    actualSize_ = size_ = newSize;
  }
  // Bytes past the old size may hold what an earlier shrink left behind;
  // the grown part must read as zero.
  if (newSize > oldSize) std::memset(data_ + oldSize, 0, newSize - oldSize);
  return true;
}

uint8_t* TDynBuffer::GetPtr() {
  ensureStorage();
  return data_;
}

uint8_t* TDynBuffer::ReleasePtr(unsigned* actualSizeOut) {
  uint8_t* storage = data_;
  if (actualSizeOut != nullptr) *actualSizeOut = actualSize_;
  data_ = nullptr;
  actualSize_ = size_ = 0;
  return storage;
}

bool TDynBuffer::KillPtr() {
  const bool hadStorage = data_ != nullptr;
  std::free(data_);
  data_ = nullptr;
  actualSize_ = 0;
  return hadStorage;
}

bool TDynBuffer::PrependData(unsigned count, const void* source) {
  if (count == 0) return true;
  if (source == nullptr || count > std::numeric_limits<unsigned>::max() - size_) return false;
  const unsigned oldSize = size_;
  if (!SetSizeKeepData(oldSize + count)) return false;
  std::memmove(data_ + count, data_, oldSize);
  std::memcpy(data_, source, count);
  return true;
}

bool TDynBuffer::AppendData(unsigned count, const void* source) {
  if (count == 0) return true;
  if (source == nullptr || count > std::numeric_limits<unsigned>::max() - size_) return false;
  const unsigned oldSize = size_;
  if (!SetSizeKeepData(oldSize + count)) return false;
  std::memcpy(data_ + oldSize, source, count);
  return true;
}

bool TDynBuffer::HeadExtract(unsigned count, void* destination) {
  if (destination == nullptr || count > size_) return false;
  if (data_ == nullptr) {
    std::memset(destination, 0, count);
  } else {
    std::memcpy(destination, data_, count);
  }
  return HeadDelete(count);
}

bool TDynBuffer::TailExtract(unsigned count, void* destination) {
  if (destination == nullptr || count > size_) return false;
  if (data_ == nullptr) {
    std::memset(destination, 0, count);
  } else {
    std::memcpy(destination, data_ + size_ - count, count);
  }
  return TailDelete(count);
}

bool TDynBuffer::HeadDelete(unsigned count) {
  if (count > size_) return false;
  if (data_ != nullptr) std::memmove(data_, data_ + count, size_ - count);
  size_ -= count;
  return true;
}

bool TDynBuffer::TailDelete(unsigned count) {
  if (count > size_) return false;
  size_ -= count;
  return true;
}

bool TDynBuffer::SetBit(unsigned index, bool value) {
  if (index >= GetBitSize() || !ensureStorage()) return false;
  const auto mask = static_cast<uint8_t>(1u << (index % 8));
  if (value) {
    data_[index / 8] |= mask;
  } else {
    data_[index / 8] &= static_cast<uint8_t>(~mask);
  }
  return true;
}

bool TDynBuffer::IsBitSet(unsigned index) const {
  if (index >= GetBitSize() || data_ == nullptr) return false;
  return (data_[index / 8] & (1u << (index % 8))) != 0;
}

bool TDynBuffer::BitSetSetAll(bool value) {
  if (size_ == 0) return true;
  if (!ensureStorage()) return false;
  std::memset(data_, value ? 0xFF : 0x00, actualSize_);
  return true;
}
