// The storage, limits cache and editing shared by the 2-D and the 3-D vertex
// list. Internal to the library: the lists hold one and forward to it.
//
// Representation. Vertex records sit in the nodes of a record list from the
// factory (record size sizeof(Record)), made on the first add and released
// by clear; without one the list is empty, open and has no limits. Records
// never move: a pointer to one stays valid while other vertices are added,
// removed or reordered, until its own vertex goes or the list is cleared.
//
// Limits cache: the componentwise minimum and maximum of the positions while
// the limits-valid flag is set. add extends valid limits (the first add of a
// list without storage validates them); setPosition and the deletions clear
// the flag; offsetBy and scaleBy move valid corners with the vertices;
// reordering leaves them alone; updateLimits recomputes them.
//
// Traits name the vector type (Vector), the record (Record, whose head is
// the position), the position of a record and the coordinate axes.
#pragma once

#include <cstdint>

struct IRecList;

namespace zefcorek {

template <class Traits>
class VertexListStorage {
public:
  using Vector = typename Traits::Vector;
  using Record = typename Traits::Record;
  using CompareFunc = int (*)(const Vector* a, const Vector* b, void* context);

  static constexpr unsigned kNoIndex = 0xFFFFFFFFu;
  static constexpr unsigned kTagCount = 4;

  VertexListStorage() = default;
  VertexListStorage(const VertexListStorage&) = delete;
  VertexListStorage& operator=(const VertexListStorage&) = delete;
  ~VertexListStorage() { clear(); }

  void clear();
  unsigned count() const;
  void setClosed(int closed) { flags_ = uint8_t((flags_ & ~kClosed) | (closed & kClosed)); }
  bool isClosed() const { return (flags_ & kClosed) != 0; }
  bool hasStorage() const { return vertices_ != nullptr; }
  static const Vector& position(const Record& r) { return Traits::position(r); }
  IRecList* records() const { return vertices_; }

  // Record i, or null.
  Record* at(unsigned i) const;
  // Overwrites the position of record i; clears the limits-valid flag.
  void setPosition(unsigned i, const Vector& v);
  // Appends the record, then takes its position into the limits; kNoIndex
  // (the list as it was) when it cannot be stored.
  unsigned add(const Record& record);
  // Inserts the record so that it becomes record i (i = count appends);
  // clears the limits-valid flag. False when it cannot be stored.
  bool insertAt(unsigned i, const Record& record);
  void invalidateLimits() { flags_ &= uint8_t(~kLimitsValid); }
  void deleteAt(unsigned i);
  // Records within tol (inclusive) of p; clears the limits when any went.
  unsigned deleteByProx(const Vector& p, double tol);
  void swap(unsigned i, unsigned j);
  void invertOrder();
  void sort(CompareFunc compare, void* context);

  bool updateLimits();
  // The corners, or the zero vector and false for an empty list.
  bool getLimits(Vector* min, Vector* max);
  bool limitsValid() const { return (flags_ & kLimitsValid) != 0; }
  const Vector& limitsMin() const { return min_; }
  const Vector& limitsMax() const { return max_; }
  void offsetBy(const Vector& delta);
  void scaleBy(double f);

  void* tag(unsigned i) const { return i < kTagCount ? tags_[i] : nullptr; }
  bool setTag(unsigned i, void* tag);

  // Whole records, limits, flags and tags of src; self-assignment and a
  // copy that cannot be completed are described in the lists' headers.
  void assign(const VertexListStorage& src);

  // visit(Record&) for every record from the head.
  template <class Visit>
  void forEach(Visit visit) const;

private:
  static constexpr uint8_t kClosed = 0x01;
  static constexpr uint8_t kLimitsValid = 0x02;

  bool ensureStorage();
  void setLimitsTo(const Vector& v);
  void extendLimits(const Vector& v);

  IRecList* vertices_ = nullptr;  // owned; null while empty since construction or clear
  uint8_t flags_ = 0;             // kClosed, kLimitsValid
  Vector min_;                    // componentwise minimum while kLimitsValid
  Vector max_;                    // componentwise maximum while kLimitsValid
  void* tags_[kTagCount] = {};    // the client's; never read here
};

}  // namespace zefcorek
