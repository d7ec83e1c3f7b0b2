// CLxxStrArray: a growable array of string wrappers, the container the split
// functions fill.
//
// Representation: `items_` points to an array of pointers, the first
// `allocated_` of which each point to an item the array created (a wrapper
// owning a new empty record). The items in use are the first `count_`.
// Items beyond `count_` are kept, with whatever text they last held, so that
// refilling the array after Clear(true) reuses them without allocating. The
// array owns every item and its record for its whole life; a pointer from
// operator[] stays valid until Clear(false) or the destructor, and growing
// never moves an item.
#pragma once

#include "textrum/CLAnsiStr.h"
#include "textrum/CLWideStr.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string_view>
#include <utility>

template <typename T, typename Char>
class CLxxStrArray {
public:
  static constexpr int kDefaultGrowStep = 8;

  // A grow step of 0 or less takes the default.
  explicit CLxxStrArray(int growStep = kDefaultGrowStep) noexcept
      : growStep_(growStep > 0 ? growStep : kDefaultGrowStep) {}
  ~CLxxStrArray() { Clear(false); }

  // The items belong to one array; moving hands them all over and leaves the
  // source empty.
  CLxxStrArray(const CLxxStrArray&) = delete;
  CLxxStrArray& operator=(const CLxxStrArray&) = delete;
  CLxxStrArray(CLxxStrArray&& other) noexcept
      : growStep_(other.growStep_),
        allocated_(std::exchange(other.allocated_, 0)),
        count_(std::exchange(other.count_, 0)),
        items_(std::exchange(other.items_, nullptr)) {}
  CLxxStrArray& operator=(CLxxStrArray&& other) noexcept {
    if (this == &other) return *this;
    Clear(false);
    growStep_ = other.growStep_;
    allocated_ = std::exchange(other.allocated_, 0);
    count_ = std::exchange(other.count_, 0);
    items_ = std::exchange(other.items_, nullptr);
    return *this;
  }

  int Count() const noexcept { return count_; }
  int Allocated() const noexcept { return allocated_; }
  int GrowStep() const noexcept { return growStep_; }

  // Item i; no bounds check: the caller keeps 0 <= i < Count().
  T* operator[](int i) const noexcept { return items_[i]; }

  // Makes sure at least a grow step of free items exists, adding a grow step
  // of new items when fewer are free. Existing items keep their addresses.
  void Grow() {
    if (allocated_ - count_ >= growStep_) return;
    if (growStep_ > INT32_MAX - allocated_) throw std::bad_alloc();
    const int target = allocated_ + growStep_;
    T** slots = new T*[static_cast<size_t>(target)];
    std::copy(items_, items_ + allocated_, slots);
    delete[] items_;
    items_ = slots;
    // allocated_ counts only items that exist, so a failure part-way leaves
    // an array the destructor can free.
    for (; allocated_ < target; ++allocated_) items_[allocated_] = new T();
  }

  // keepItems true: no item in use, every item kept for reuse. false: every
  // item and owned record destroyed and the pointer array freed.
  void Clear(bool keepItems) noexcept {
    count_ = 0;
    if (keepItems) return;
    for (int i = 0; i < allocated_; ++i) delete items_[i];
    delete[] items_;
    items_ = nullptr;
    allocated_ = 0;
  }

  // Takes the next item (growing when all are in use) and gives it `text`.
  T& Add(std::basic_string_view<Char> text) {
    if (count_ == allocated_) Grow();
    T& item = *items_[count_++];
    item.AssignText(text);
    return item;
  }

private:
  int32_t growStep_;       // items added by one Grow; > 0
  int32_t allocated_ = 0;  // slots of items_ that hold an item
  int32_t count_ = 0;      // items in use; <= allocated_
  T** items_ = nullptr;    // null until the first Grow
};

using CLWideStrArray = CLxxStrArray<CLWideStr, WCHAR>;
using CLAnsiStrArray = CLxxStrArray<CLAnsiStr, char>;
