// T_V3DLIST: an ordered list of 3-D vertices, a polyline or (closed) a
// polygon.
//
// Representation. The vertices are T_V3DVERTEX records held in the nodes of a
// record list from the factory (record size sizeof(T_V3DVERTEX)). The record
// list is made on the first Add (or by a non-empty Assign) and released by
// Clear; without one the list is empty, open and has no limits. Records live
// in their nodes and never move, so a pointer from GetVertex stays valid
// while other vertices are added, removed or reordered, until its own vertex
// goes or the list is cleared.
//
// Limits cache. The list keeps the componentwise minimum and maximum of the
// positions (Z2 does not count) while its limits-valid flag is set. Add
// extends valid limits; SetVertex and the deletions clear the flag; OffsetBy
// and ScaleBy move valid corners with the vertices; reordering and the ID,
// flag, link and Z2 setters leave them alone. UpdateLimits recomputes them.
//
// The closed flag only tells the algorithms whether the side from the last
// vertex back to the first counts: the first vertex is never repeated at the
// end. The four pointer tags belong to the client and survive Clear.
//
// Indices are zero-based; 0xFFFFFFFF (kNoIndex) stands for "none". Setters
// ignore an index out of range, getters answer a neutral value for it.
#pragma once

#include "zefcorek/Vector3D.h"

#include "platform/Export.h"

#include <cstdint>

struct IRecList;

// One vertex: its position (the record's head, so a vertex pointer reads as a
// T_VECTOR3D), then the client's data, which the list never interprets.
struct T_V3DVERTEX : T_VECTOR3D {
  uint32_t ID;     // the client's identifier; 0xFFFFFFFF for none
  uint32_t flags;  // the client's flags
  void* appLink1;  // the client's links
  void* appLink2;
  double Z2;       // a second height kept for the client
};
static_assert(sizeof(T_V3DVERTEX) == 56, "record size of the vertex list's record list");

class ZEF_EXPORT T_V3DLIST {
public:
  static constexpr unsigned kNoIndex = 0xFFFFFFFFu;
  static constexpr unsigned kNoID = 0xFFFFFFFFu;
  static constexpr unsigned kTagCount = 4;

  // compare(a, b, context) above zero puts b before a.
  using CompareFunc = int (*)(const T_VECTOR3D* a, const T_VECTOR3D* b, void* context);

  // An empty, open list with invalid, zero limits and null tags.
  T_V3DLIST();
  T_V3DLIST(const T_V3DLIST&) = delete;
  T_V3DLIST& operator=(const T_V3DLIST&) = delete;
  virtual ~T_V3DLIST();

  // Releases the vertices, opens the list and zeroes and invalidates its
  // limits; the tags stay.
  void Clear();

  unsigned GetCount() const;
  // Bit 0 of closed is the closed flag, so 2 opens the list.
  void SetClosed(int closed);
  int IsClosed() const;

  // Vertex i in the list's storage; null for an index out of range. Writing
  // the position through it bypasses the limits cache.
  T_V3DVERTEX* GetVertex(unsigned i) const;
  // Overwrites the position of vertex i (its other data stay) and clears the
  // limits-valid flag.
  void SetVertex(unsigned i, const T_VECTOR3D* v);

  // Appends a vertex with ID 0xFFFFFFFF, flags 0, null links and Z2 0 and
  // returns its index; kNoIndex for a null v and when its storage cannot be
  // allocated.
  unsigned Add(const T_VECTOR3D* v);
  unsigned Add(double x, double y, double z);
  // Appends the positions of other's vertices (with the defaults above, not
  // other's data) and returns how many; other's count is taken first, so a
  // list added to itself doubles once. 0 for null.
  unsigned Add(T_V3DLIST* other);

  void DeleteAt(unsigned i);
  // Removes every vertex within tol (inclusive) of p in 3-D; returns how many.
  unsigned DeleteByProx(const T_VECTOR3D* p, double tol);
  // Removes vertices closer than tol to a kept one and returns how many:
  // with consecutive set, each vertex is compared with its successor (on a
  // closed list the last with the first too) and a run of close vertices
  // collapses onto its first; with consecutive 0 every pair is compared.
  // The limits are left as they are.
  unsigned RemoveDupedPts(int consecutive, double tol);

  // Exchanges the places of whole records i and j (both valid, else nothing).
  void Swap(unsigned i, unsigned j);
  void InvertOrder();
  // Stable: records that compare at or below zero keep their order.
  void Sort(CompareFunc compare, void* context);

  // Recomputes invalid limits; true when they are valid afterwards (false
  // for an empty list).
  bool UpdateLimits();
  // The corners into the non-null outputs and true; for an empty list the
  // zero vector into both and false.
  bool GetLimits(T_VECTOR3D* min, T_VECTOR3D* max);

  // Move or scale every position (not Z2), valid limits with them.
  void OffsetBy(double dx, double dy, double dz);
  void ScaleBy(double f);

  void ChangeFlags(unsigned i, unsigned flags);
  unsigned GetFlags(unsigned i) const;
  void ChangeID(unsigned i, unsigned id);
  unsigned GetID(unsigned i) const;
  // The first vertex with this ID; kNoIndex when none has it.
  unsigned FindID(unsigned id) const;
  // IDs 0, 1, 2, ... in list order.
  void AutoIDs();

  void* GetAppLink1(unsigned i) const;
  bool SetAppLink1(unsigned i, void* link);
  void* GetAppLink2(unsigned i) const;
  bool SetAppLink2(unsigned i, void* link);
  double GetVtxZ2(unsigned i) const;
  bool SetVtxZ2(unsigned i, double z2);

  // Tags 0 to 3; others read as null and are not stored (false).
  void* GetPtrTag(unsigned i) const;
  bool SetPtrTag(unsigned i, void* tag);

  // This list becomes a copy of src: whole records, limits, both flags and
  // the tags. A null src clears the list; src == this changes nothing.
  void Assign(const T_V3DLIST* src);
  // A new list (delete it) holding a copy; null when it cannot be allocated.
  T_V3DLIST* Clone() const;

private:
  static constexpr uint8_t kClosed = 0x01;
  static constexpr uint8_t kLimitsValid = 0x02;

  // The record list, made on demand; false when the factory cannot make it.
  bool ensureStorage();
  // Takes v into valid limits.
  void extendLimits(const T_VECTOR3D& v);
  void setLimitsTo(const T_VECTOR3D& v);
  // Calls visit(vertex) for every vertex from the head.
  template <class Visit>
  void forEachVertex(Visit visit) const;

  IRecList* vertices_ = nullptr;  // owned; null while empty since construction or Clear
  uint8_t flags_ = 0;             // kClosed, kLimitsValid
  T_VECTOR3D min_;                // componentwise minimum while kLimitsValid
  T_VECTOR3D max_;                // componentwise maximum while kLimitsValid
  void* tags_[kTagCount] = {};    // the client's; never read by the list
};
