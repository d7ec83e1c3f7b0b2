// T_V2DLIST: an ordered list of 2-D vertices, a polyline or (closed) a
// polygon.
//
// A vertex is a T_VECTOR2D and nothing else. Storage, the limits cache and
// the editing members are shared with the 3-D list (VertexListStorage.h,
// which describes them); the closed flag tells the side-walking members
// whether the side from the last vertex back to the first counts (the
// orientation, convexity and inside tests always treat the list as a ring),
// and the first vertex is never repeated at the end. The four pointer tags
// belong to the client and survive Clear.
//
// Lists that members return are made with new; the caller deletes them.
#pragma once

#include "zefcorek/SelfIntSides.h"
#include "zefcorek/Vector2D.h"
#include "zefcorek/VertexListStorage.h"

#include "platform/Export.h"

class T_V3DLIST;
struct IRecList;
struct TRecListNodeType_Dummy;

// How the shared storage reads a 2-D vertex.
struct V2DVertexTraits {
  using Vector = T_VECTOR2D;
  using Record = T_VECTOR2D;
  static constexpr double T_VECTOR2D::*kAxes[] = {&T_VECTOR2D::x, &T_VECTOR2D::y};
  static T_VECTOR2D& position(T_VECTOR2D& r) { return r; }
  static const T_VECTOR2D& position(const T_VECTOR2D& r) { return r; }
  static long double distance(const T_VECTOR2D& a, const T_VECTOR2D& b) { return a.Distance(b); }
  // The zero vector handed out as the limits of an empty list.
  static const T_VECTOR2D& zero();
};
static_assert(sizeof(T_VECTOR2D) == 16, "record size of the 2-D vertex list");

class ZEF_EXPORT T_V2DLIST {
public:
  static constexpr unsigned kNoIndex = 0xFFFFFFFFu;

  // compare(a, b, context) above zero puts b before a.
  using CompareFunc = int (*)(const T_VECTOR2D* a, const T_VECTOR2D* b, void* context);

  // An empty, open list with invalid, zero limits and null tags.
  T_V2DLIST();
  T_V2DLIST(const T_V2DLIST&) = delete;
  T_V2DLIST& operator=(const T_V2DLIST&) = delete;
  virtual ~T_V2DLIST();

  // --- storage and editing ---------------------------------------------

  // Releases the vertices, opens the list and zeroes and invalidates its
  // limits; the tags stay.
  void Clear();
  unsigned GetCount() const;
  // Bit 0 of closed is the closed flag, so 2 opens the list.
  void SetClosed(int closed);
  int IsClosed() const;

  // Vertex i in the list's storage; null for an index out of range. Writing
  // through it bypasses the limits cache.
  T_VECTOR2D* GetVertex(unsigned i) const;
  // Overwrites vertex i and clears the limits-valid flag.
  void SetVertex(unsigned i, const T_VECTOR2D* v);

  // Appends a copy of v and returns its index; kNoIndex for a null v and
  // when its storage cannot be allocated.
  unsigned Add(const T_VECTOR2D* v);
  unsigned Add(double x, double y);
  // Appends copies of other's vertices and returns how many; other's count
  // is taken first, so a list added to itself doubles once. 0 for null.
  unsigned Add(T_V2DLIST* other);

  void DeleteAt(unsigned i);
  // Removes every vertex within tol (inclusive) of p; returns how many.
  unsigned DeleteByProx(const T_VECTOR2D* p, double tol);
  // Exchanges vertices i and j (both valid, else nothing).
  void Swap(unsigned i, unsigned j);
  void InvertOrder();
  // Stable: vertices that compare at or below zero keep their order.
  void Sort(CompareFunc compare, void* context);

  // Recomputes invalid limits; true when they are valid afterwards (false
  // for an empty list).
  bool UpdateLimits();
  // The corners into the non-null outputs and true; for an empty list the
  // zero vector into both and false.
  bool GetLimits(T_VECTOR2D* min, T_VECTOR2D* max);
  // Move or scale every vertex, valid limits with them.
  void OffsetBy(double dx, double dy);
  void ScaleBy(double f);

  // Tags 0 to 3; others read as null and are not stored (false).
  void* GetPtrTag(unsigned i) const;
  bool SetPtrTag(unsigned i, void* tag);

  // This list becomes a copy of src: vertices, limits, both flags and the
  // tags. A null src clears the list; src == this changes nothing.
  void Assign(const T_V2DLIST* src);
  // This list becomes the plan view of src (heights dropped), with exact
  // limits and src's closed flag and tags. A null src clears the list.
  void Assign(const T_V3DLIST* src);
  // A new list (delete it) holding a copy; null when it cannot be allocated.
  T_V2DLIST* Clone() const;

  // --- shape tests -------------------------------------------------------

  // The mean of the vertices (not the area centroid); (0, 0) when empty.
  T_VECTOR2D CalcBarycentre() const;
  // Left turns against right turns over the ring: 1 when left turns win
  // (counter-clockwise), -1 when right turns win, 0 on a tie or for fewer
  // than 3 vertices.
  int OrderCheck() const;
  // 1 when every turn of the ring goes one way (straight vertices aside),
  // -1 when both ways occur, 0 when nothing turns or for fewer than 3
  // vertices.
  int FormCheck() const;
  // 1 when two sides cross properly (the closing side only when closed).
  // Lists of 3 vertices or fewer never do.
  int SelfIntCheck() const;
  // A new record list of T_SELFINTSIDES, one record per crossing in side
  // order, with the closing side when closed is non-zero; empty for 3
  // vertices or fewer; null when it cannot be allocated. Free it with
  // FreeSelfIntSidesList.
  IRecList* SelfIntGetSidesList(int closed) const;
  // Releases a list from SelfIntGetSidesList; null is ignored.
  void FreeSelfIntSidesList(IRecList* list) const;
  // 1 when p lies inside the ring: the crossing-number rule with each side's
  // lower end open and upper end closed. Valid limits that exclude p answer
  // 0 without walking the sides; invalid limits are not computed.
  int PtInsideCheck(const T_VECTOR2D* p) const;

  // --- intersections with segments, lines and other lists ----------------
  //
  // Results are new open lists (delete them) filled with Add, in side order;
  // null when nothing was found, when the query points coincide, when this
  // list is empty and when the result cannot be allocated. The sides run
  // from vertex k - 1 to vertex k, the closing side last when closed; a side
  // of zero length yields nothing.

  // The proper crossings (PlanCrossing: inside both boxes, farther than
  // 1e-6 from every end) of the segment p1 -> q with the sides, q = *p2, or
  // *p1 + *p2 when relative is set.
  T_V2DLIST* FindIntersectionsWithLine(const T_VECTOR2D* p1, const T_VECTOR2D* p2, int relative) const;
  int CheckHasIntersectionsWithLine(const T_VECTOR2D* p1, const T_VECTOR2D* p2, int relative) const;
  // Where the unbounded line through p1 and q meets the sides (within each
  // side's box); a hit within 1e-5 of the one appended last is the same
  // point (so a line through a vertex gives it once, unless the two sides
  // are the last and the first).
  T_V2DLIST* FindIntersectionsWithRay(const T_VECTOR2D* p1, const T_VECTOR2D* p2, int relative) const;
  int CheckHasIntersectionsWithRay(const T_VECTOR2D* p1, const T_VECTOR2D* p2, int relative) const;
  // As FindIntersectionsWithLine (q = *p2); with option bit 0 on an open
  // list the first side is lengthened backwards and the last side forwards
  // to meet the segment.
  T_V2DLIST* FindIntersectionsWithLineEx(const T_VECTOR2D* p1, const T_VECTOR2D* p2, unsigned options) const;
  // The crossings of other's sides (its closing side only when it is
  // closed) with this list: plain, or lengthened with option bit 0. Null
  // when either list has fewer than 2 vertices.
  T_V2DLIST* GetIntersectionsWithOther(const T_V2DLIST* other, unsigned options) const;
  // 1 when a side of other's open chain (never its closing side) crosses
  // this list.
  int IntersectsOther(T_V2DLIST* other) const;

  // --- rotated limits, quasi-rectangles and fitting to boundaries -------
  //
  // Rotations are counter-clockwise about a centre by an angle in radians.

  // The box of the vertices rotated by angle about centre into min and max
  // (the list and its limits stay) and 1; for fewer than 3 vertices both
  // become (0, 0) and the result is 0.
  int GetLimitsOfRotatedList(double angle, const T_VECTOR2D* centre, T_VECTOR2D* min, T_VECTOR2D* max) const;
  // The vertex nearest to target, once the list is rotated by angle about
  // centre, among those whose interior angle with their neighbours is below
  // 3*pi/4 (a corner); its node and index go to the non-null outputs, which
  // are first set to null and 0xFFFFFFFF (and stay so when no vertex
  // qualifies). 0 for fewer than 4 vertices, else 1.
  int FindNearestVertexAtCornerNode(double angle, const T_VECTOR2D* centre, const T_VECTOR2D* target,
                                    TRecListNodeType_Dummy** node, unsigned* index) const;
  // Splits an almost rectangular outline into its four edges: the box of
  // smallest area over the rotations from -15 to 94 degrees gives four
  // corners, each taken by its nearest corner vertex. edges[0..3] receive
  // four new lists (delete them), each from one corner vertex to the next
  // in the outline's running direction, both included; 1. 0, with the four
  // set to null, for fewer than 4 vertices, a corner without a vertex, two
  // corners on one vertex or an undecided running direction. options is
  // not used.
  int FindEdgesOfQuasiRectangle(T_V2DLIST** edges, unsigned options) const;
  // Moves every vertex away from the barycentre by distance (towards it
  // when negative); a vertex at the barycentre stays. Clears the limits.
  void ShrinkOrExpandBy(double distance);
  // Trims or lengthens this polyline so that its ends lie on the perimeter
  // where the line through its end vertices meets it (in exactly two
  // points): vertices beyond those points go, the points become the ends.
  // 1 when adjusted (limits cleared); 0, unchanged, otherwise. options is
  // not used.
  int AdjustToTouchPerimenter(const T_V2DLIST* perimeter, unsigned options);
  // The same between two boundary polylines, each met in exactly one point
  // (this list's ends lengthened, or the line through a boundary's end
  // vertices when that fails). 0, unchanged, also when the two points
  // coincide. options is not used.
  int AdjustToTouchQuasiOrthoLines(const T_V2DLIST* lineA, const T_V2DLIST* lineB, unsigned options);

private:
  // Removes the vertices beyond `front` (from the first on) and `back`
  // (from the last on), measured by position(vertex) along the fitting
  // line, and makes the two points the ends.
  template <class Position>
  void trimToEnds(Position position, const T_VECTOR2D& front, long double frontPos, const T_VECTOR2D& back,
                  long double backPos);

  zefcorek::VertexListStorage<V2DVertexTraits> store_;
};
