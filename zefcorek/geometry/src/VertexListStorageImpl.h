// The definitions of VertexListStorage, instantiated once for each list in
// that list's source file.
//
// Members that take an index go through the record list's cursor, so
// stepping through the indices in order costs one link per access; members
// that visit every vertex walk the nodes from the head.
#pragma once

#include "zefcorek/VertexListStorage.h"

#include "RecordLists.h"

#include "zefcorek/ExtendedReal.h"
#include "zefcorek/RecList.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace zefcorek {

template <class Traits>
void VertexListStorage<Traits>::clear() {
  if (vertices_ != nullptr) {
    vertices_->Release();
    vertices_ = nullptr;
  }
  flags_ = 0;
  min_ = Vector();
  max_ = Vector();
}

template <class Traits>
unsigned VertexListStorage<Traits>::count() const {
  unsigned n = 0;
  if (vertices_ != nullptr) vertices_->GetCount(&n);
  return n;
}

template <class Traits>
typename Traits::Record* VertexListStorage<Traits>::at(unsigned i) const {
  if (vertices_ == nullptr) return nullptr;
  void* record = nullptr;
  if (vertices_->GetRecordPtrAt(i, &record) != ZR_OK) return nullptr;
  return static_cast<Record*>(record);
}

template <class Traits>
void VertexListStorage<Traits>::setPosition(unsigned i, const Vector& v) {
  Record* record = at(i);
  if (record == nullptr) return;
  Traits::position(*record) = v;
  flags_ &= uint8_t(~kLimitsValid);
}

template <class Traits>
bool VertexListStorage<Traits>::ensureStorage() {
  if (vertices_ != nullptr) return true;
  vertices_ = makeRecordList(sizeof(Record));
  return vertices_ != nullptr;
}

template <class Traits>
void VertexListStorage<Traits>::setLimitsTo(const Vector& v) {
  min_ = v;
  max_ = v;
  flags_ |= kLimitsValid;
}

// Per axis: a coordinate below the minimum replaces it; otherwise one above
// the maximum replaces that.
template <class Traits>
void VertexListStorage<Traits>::extendLimits(const Vector& v) {
  for (double Vector::*axis : Traits::kAxes) {
    if (v.*axis < min_.*axis)
      min_.*axis = v.*axis;
    else if (v.*axis > max_.*axis)
      max_.*axis = v.*axis;
  }
}

// The record is appended before the limits change, so one that cannot be
// stored leaves the list as it was (a storage made for it is dropped again).
template <class Traits>
unsigned VertexListStorage<Traits>::add(const Record& record) {
  const bool first = vertices_ == nullptr;
  if (!ensureStorage()) return kNoIndex;
  if (vertices_->AddTail(&record, nullptr) != ZR_OK) {
    if (first) {
      vertices_->Release();
      vertices_ = nullptr;
    }
    return kNoIndex;
  }
  if (first)
    setLimitsTo(Traits::position(record));
  else if (limitsValid())
    extendLimits(Traits::position(record));
  return count() - 1;
}

template <class Traits>
bool VertexListStorage<Traits>::insertAt(unsigned i, const Record& record) {
  if (!ensureStorage() || vertices_->InsertAt(&record, i, nullptr) != ZR_OK) return false;
  invalidateLimits();
  return true;
}

template <class Traits>
void VertexListStorage<Traits>::deleteAt(unsigned i) {
  if (vertices_ == nullptr || i >= count()) return;
  vertices_->RemoveAt(i, 1, false);
  flags_ &= uint8_t(~kLimitsValid);
}

template <class Traits>
unsigned VertexListStorage<Traits>::deleteByProx(const Vector& p, double tol) {
  if (vertices_ == nullptr) return 0;
  unsigned removed = 0;
  IRecList::Node* node = nullptr;
  vertices_->GetHead(&node);
  while (node != nullptr) {
    IRecList::Node* next = nullptr;
    vertices_->GetNextNode(node, &next);
    void* record = nullptr;
    vertices_->GetNodeRecordPtr(node, &record);
    if (Traits::distance(Traits::position(*static_cast<Record*>(record)), p) <= tol) {
      vertices_->RemoveNode(node, false);
      ++removed;
    }
    node = next;
  }
  if (removed != 0) flags_ &= uint8_t(~kLimitsValid);
  return removed;
}

template <class Traits>
void VertexListStorage<Traits>::swap(unsigned i, unsigned j) {
  const unsigned n = count();
  if (i >= n || j >= n) return;
  vertices_->SwapAt(i, j);
}

template <class Traits>
void VertexListStorage<Traits>::invertOrder() {
  if (vertices_ != nullptr) vertices_->Reverse();
}

template <class Traits>
void VertexListStorage<Traits>::sort(CompareFunc compare, void* context) {
  if (compare == nullptr || count() < 2) return;
  struct Call {
    CompareFunc compare;
    void* context;
  } call{compare, context};
  vertices_->Sort(
      [](const void* a, const void* b, void* c) -> int32_t {
        const auto* call = static_cast<const Call*>(c);
        return call->compare(&Traits::position(*static_cast<const Record*>(a)),
                             &Traits::position(*static_cast<const Record*>(b)), call->context);
      },
      &call);
}

template <class Traits>
template <class Visit>
void VertexListStorage<Traits>::forEach(Visit visit) const {
  if (vertices_ == nullptr) return;
  IRecList::Node* node = nullptr;
  for (vertices_->GetHead(&node); node != nullptr; vertices_->GetNextNode(node, &node)) {
    void* record = nullptr;
    vertices_->GetNodeRecordPtr(node, &record);
    visit(*static_cast<Record*>(record));
  }
}

template <class Traits>
bool VertexListStorage<Traits>::updateLimits() {
  if (limitsValid()) return true;
  bool first = true;
  forEach([&](const Record& record) {
    if (first)
      setLimitsTo(Traits::position(record));
    else
      extendLimits(Traits::position(record));
    first = false;
  });
  return limitsValid();
}

template <class Traits>
bool VertexListStorage<Traits>::getLimits(Vector* min, Vector* max) {
  const bool valid = updateLimits();
  if (min != nullptr) *min = valid ? min_ : Traits::zero();
  if (max != nullptr) *max = valid ? max_ : Traits::zero();
  return valid;
}

template <class Traits>
void VertexListStorage<Traits>::offsetBy(const Vector& delta) {
  const auto shift = [&](Vector& v) {
    for (double Vector::*axis : Traits::kAxes) v.*axis = double(ExtendedReal(v.*axis) + delta.*axis);
  };
  forEach([&](Record& record) { shift(Traits::position(record)); });
  if (!limitsValid()) return;
  shift(min_);
  shift(max_);
}

// A negative factor mirrors the list through the origin, which turns the
// cached minimum into the maximum: the corners are swapped so that the
// minimum stays below the maximum.
template <class Traits>
void VertexListStorage<Traits>::scaleBy(double f) {
  const auto scale = [&](Vector& v) {
    for (double Vector::*axis : Traits::kAxes) v.*axis = double(ExtendedReal(v.*axis) * f);
  };
  forEach([&](Record& record) { scale(Traits::position(record)); });
  if (!limitsValid()) return;
  scale(min_);
  scale(max_);
  if (f < 0.0) std::swap(min_, max_);
}

template <class Traits>
bool VertexListStorage<Traits>::setTag(unsigned i, void* tag) {
  if (i >= kTagCount) return false;
  tags_[i] = tag;
  return true;
}

// Assigning a list to itself would clear it before the copy: it is left
// alone. A copy that cannot be completed leaves the list empty (with src's
// tags) rather than holding part of src.
template <class Traits>
void VertexListStorage<Traits>::assign(const VertexListStorage& src) {
  if (&src == this) return;
  clear();
  std::copy(std::begin(src.tags_), std::end(src.tags_), std::begin(tags_));
  if (src.vertices_ == nullptr || !ensureStorage()) return;
  if (vertices_->CopyFrom(src.vertices_) != ZR_OK) {
    clear();
    return;
  }
  flags_ = src.flags_;
  min_ = src.min_;
  max_ = src.max_;
}

}  // namespace zefcorek
