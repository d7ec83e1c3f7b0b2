// T_V3DLIST: an ordered list of 3-D vertices, a polyline or (closed) a
// polygon.
//
// Each vertex carries, beside its position, the client's identifier, flags,
// two links and a second height (T_V3DVERTEX). Storage, the limits cache and
// the editing members are shared with the 2-D list (VertexListStorage.h,
// which describes them); the closed flag only tells the algorithms whether
// the side from the last vertex back to the first counts, and the first
// vertex is never repeated at the end. The four pointer tags belong to the
// client and survive Clear.
//
// Indices are zero-based; 0xFFFFFFFF (kNoIndex) stands for "none". Setters
// ignore an index out of range, getters answer a neutral value for it.
#pragma once

#include "zefcorek/SelfIntSides.h"
#include "zefcorek/Vector2D.h"
#include "zefcorek/Vector3D.h"
#include "zefcorek/VertexListStorage.h"

#include "platform/Export.h"

#include <cstdint>

class T_V2DLIST;
class T_PLANE;
struct IRecList;

// One vertex: its position (the record's head, so a vertex pointer reads as a
// T_VECTOR3D), then the client's data, which the list never interprets.
struct T_V3DVERTEX : T_VECTOR3D {
  uint32_t ID;     // the client's identifier; 0xFFFFFFFF for none
  uint32_t flags;  // the client's flags
  void* appLink1;  // the client's links
  void* appLink2;
  double Z2;  // a second height kept for the client
};
static_assert(sizeof(T_V3DVERTEX) == 56, "record size of the vertex list's record list");

// How the shared storage reads a 3-D vertex.
struct V3DVertexTraits {
  using Vector = T_VECTOR3D;
  using Record = T_V3DVERTEX;
  static constexpr double T_VECTOR3D::*kAxes[] = {&T_VECTOR3D::x, &T_VECTOR3D::y, &T_VECTOR3D::z};
  static T_VECTOR3D& position(T_V3DVERTEX& r) { return r; }
  static const T_VECTOR3D& position(const T_V3DVERTEX& r) { return r; }
  // The 3-D distance, formed in extended precision.
  static long double distance(const T_VECTOR3D& a, const T_VECTOR3D& b);
  // The zero vector handed out as the limits of an empty list.
  static const T_VECTOR3D& zero();
};

class ZEF_EXPORT T_V3DLIST {
public:
  static constexpr unsigned kNoIndex = 0xFFFFFFFFu;
  static constexpr unsigned kNoID = 0xFFFFFFFFu;

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

  // Conversion from the 2-D list: this list becomes src
  // lifted to height z, every vertex with the defaults of Add; the closed
  // flag and the tags come from src. A null src clears the list.
  void Assign(const T_V2DLIST* src, double z);

  // --- plan-view tests, crossings and measures ---------------------------
  //
  // The plan-view members read x and y only. Side k joins vertex k and
  // vertex k + 1; a closed list also has the closing side from the last
  // vertex back to the first. Two sides cross by the proper-crossing rule:
  // inside both sides' boxes and farther than 1e-6 from all four ends, so
  // touching at an end never counts.

  // The shoelace sum over the ring, whatever the closed flag: -1 when it is
  // above 1e-6 (counter-clockwise with y up), 1 below -1e-6, else 0; 0 for
  // fewer than 3 vertices. Mind the sign: the 2-D list answers 1 for the
  // same ring.
  int OrderCheck() const;
  // 1 when every turn of the ring goes one way (straight vertices aside),
  // -1 when both ways occur, 0 when nothing turns or for fewer than 3.
  int FormCheck() const;
  // 1 when p lies inside the ring by the crossing-number rule (each side's
  // lower end open, upper end closed); 0 for fewer than 3 vertices.
  unsigned PtInsideCheck(const T_VECTOR2D* p) const;
  // 1 when two sides cross; 0 for fewer than 4 vertices.
  int SelfIntCheck2D() const;
  // A new record list of T_SELFINTSIDES, one per crossing in side order,
  // with the closing side when closed is non-zero; empty for fewer than 4
  // vertices; null when it cannot be allocated. Free it with
  // FreeSelfIntSidesList.
  IRecList* SelfIntGetSidesList(int closed) const;
  // Releases a list from SelfIntGetSidesList; null is ignored.
  void FreeSelfIntSidesList(IRecList* list) const;
  // The crossings of the segment p1 -> q (q = *p2, or *p1 + *p2 when
  // relative is set) with the sides, in side order, as a new open 2-D list
  // (delete it); null when there is none, when p1 equals q, when this list
  // is empty and when the result cannot be allocated.
  T_V2DLIST* FindIntersectionsWithLine(const T_VECTOR2D* p1, const T_VECTOR2D* p2, int relative) const;
  int CheckHasIntersectionsWithLine(const T_VECTOR2D* p1, const T_VECTOR2D* p2, int relative) const;
  // 1 when a side of other's open chain (never its closing side) crosses
  // this list; 0 when either list has fewer than 2 vertices.
  int IntersectsOther2D(T_V3DLIST* other) const;

  // The mean of the positions; the zero vector for an empty list.
  T_VECTOR3D CalcBarycentre() const;
  // The length of the chain, the closing side included when closed: in
  // plan view when planar is set, else in 3-D; 0 for fewer than 2.
  double CalcLength2D(int planar);
  // Pairs of vertices closer than 1e-6 in 3-D: all pairs, or with
  // consecutive set the neighbours k, k + 1 (never the closing pair).
  unsigned CountDupedPts(int consecutive) const;
  // Inserts a vertex (with the defaults of Add) where a side crosses the
  // horizontal plane at height z0 strictly between its ends; a crossing on
  // the closing side goes to the head of the list. The limits stay.
  void AddHorzPlaneIntersections(double z0);
  // Does nothing: no vertex is added and nothing is read.
  void AddPlaneIntersections(T_PLANE* plane, const T_V3DLIST* other);

private:
  zefcorek::VertexListStorage<V3DVertexTraits> store_;
};
