// TPolyTriangulator: splits a simple polygon into triangles by ear clipping.
//
// The caller adds numbered points in ring order; Execute cuts ears off a
// working copy of the ring and hands back a new record list of triangles,
// each the three point numbers of one ear in the order the ears were cut.
// An ear is taken only when its corner is convex, no other point lies inside
// it, no ring edge crosses it, and no other point lies near the line of its
// cutting diagonal. That last distance starts large (the bounding box's area
// per point) and shrinks tenfold whenever a whole round of candidates fails,
// so long thin ears are cut last.
//
// Every candidate visits all points and all edges of the working copy, so a
// ring of n points costs in the order of n^3 steps.
//
// Results are the runtime's ZR_* codes: 0 ok, 1 no, 2 too few points, 10
// bad argument, 30 no memory or no list. The point list is made through the
// factory; when that fails the operations answer as their comments say.
#pragma once

#include "zefcorek/GeoTypes.h"
#include "zefcorek/RecList.h"

#include "platform/Export.h"

#include <cstdint>

// A point of the ring: the caller's number, then the position, with nothing
// between them (the record is 20 bytes in the lists).
#pragma pack(push, 4)
struct TPolyTriangulatorPt {
  uint32_t id;
  T_POINT2D pt;
};
#pragma pack(pop)
static_assert(sizeof(TPolyTriangulatorPt) == 20);

// A triangle: the numbers of the corner before the ear tip, the tip and the
// corner after it.
struct TPolyTriangulatorTrg {
  uint32_t id[3];
};
static_assert(sizeof(TPolyTriangulatorTrg) == 12);

class ZEF_EXPORT TPolyTriangulator {
public:
  // Ring orders of Execute and CheckPolyOrder (y up).
  static constexpr unsigned kClockwise = 0;
  static constexpr unsigned kCounterClockwise = 1;
  static constexpr unsigned kFindOrder = 2;  // Execute: find it; CheckPolyOrder: undecided

  TPolyTriangulator();
  virtual ~TPolyTriangulator();
  TPolyTriangulator(const TPolyTriangulator&) = delete;
  TPolyTriangulator& operator=(const TPolyTriangulator&) = delete;

  // Removes all points; ZR_OK also without a list.
  int Clear();
  // Appends a copy of p; index, when not null, first receives the index the
  // point gets. ZR_OUTOFMEMORY without a list.
  int AddPt(const TPolyTriangulatorPt& p, unsigned* index);
  // Copies point i; ZR_BADARG for an index out of range or without a list.
  int GetPt(unsigned i, TPolyTriangulatorPt& p);
  // Removes point i; ZR_BADARG for an index out of range or without a list.
  int DelPt(unsigned i);
  // The number of points (0 without a list); ZR_BADARG for a null n.
  int GetPtCount(unsigned* n);

  // Triangulates a copy of the points, taking them as clockwise (order 0),
  // counter-clockwise (1, reversed first) or finding the order (2). *result
  // receives the new triangle list, owned by the caller, or null when fewer
  // than three distinct points remain (ZR_FAILED). ZR_NO when no ear can be
  // cut any more: *result holds the triangles cut until then. A failing list
  // operation's code (ZR_BADARG, ZR_OUTOFMEMORY) may also leave a partial
  // list.
  int Execute(IRecList** result, unsigned order);

  // The working copy of src without near duplicates: of consecutive points
  // (the last followed by the first) with different numbers within 0.000001
  // of each other only the last stays. *copy is null on failure; ZR_BADARG
  // for a null argument, ZR_OUTOFMEMORY when the factory fails.
  int ClonePoly(IRecList* src, IRecList** copy);
  // The ring order by a vote of the turns: kClockwise, kCounterClockwise, or
  // kFindOrder when they balance (also for fewer than three points). Three
  // points on a line count as counter-clockwise. ZR_BADARG for a null list.
  int CheckPolyOrder(IRecList* list, unsigned* order);
  // The area of the points' bounding box, 0 for no points; ZR_BADARG for a
  // null argument.
  int CalcBBoxArea(IRecList* list, double* area);
  // Whether the ear tri (pointers to three records of list) may be cut from
  // the clockwise ring list: ZR_OK yes, ZR_NO no, ZR_BADARG for a null
  // argument.
  int CheckIsGoodTrg(IRecList* list, TPolyTriangulatorPt** tri);
  // ZR_OK when q lies strictly inside the clockwise triangle tri, ZR_NO on an
  // edge or outside, ZR_BADARG for a null tri.
  int CheckPtInsideTrg(const TPolyTriangulatorPt& q, TPolyTriangulatorPt** tri);
  // ZR_NO when no point of list except the ear at i lies within tol of the
  // unbounded line through points i and i + 2, ZR_OK when one does (and for
  // fewer than three points), ZR_BADARG for a null list.
  int CheckThereAreCollinearEdges(IRecList* list, unsigned i, double tol);
  // Appends the triangle of the three numbers of tri to out; ZR_NO with
  // nothing stored when two numbers are equal, ZR_BADARG for a null argument.
  int AddThisTrg(TPolyTriangulatorPt** tri, IRecList* out);

  // The visits of the ear test. context points at a record of three
  // pointers: the working list, the triangulator, the ear. They answer 0 to
  // stop the visit: a point strictly inside the ear, a ring edge crossing it.
  static int CheckAnyPtInsideTrgCB(void* record, void* context, TRecListNodeType_Dummy* node);
  static int CheckTrgIntersectsEdgesCB(void* record, void* context, TRecListNodeType_Dummy* node);

private:
  IRecList* points_;  // the ring as added; owned; null when the factory failed
};
