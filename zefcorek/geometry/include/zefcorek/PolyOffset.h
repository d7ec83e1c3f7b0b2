// TPolyOffset: offsets a closed polygon by a distance given per vertex.
//
// The client fills the input ring (InitBasePoly, SetBasePolyPt,
// SetBasePolyOfs), runs Execute and reads the results: one or more closed
// polygons of negative signed area (clockwise with y up), the offset outline
// with its self-intersections resolved. Mode 0 offsets to the right-hand
// side of each edge, mode 1 to the left; only the magnitude of an offset
// matters. Corners are mitres: the meeting point of the outer tangents of
// the circles round neighbouring vertices. A vertex whose corner would be
// too sharp beside a short edge takes its neighbour's place and the corners
// are built again.
//
// The stages run on three pointer arrays of heap records, all owned:
//   orgPoly  - OffsetBaseVertex, the input ring as reduced by the passes;
//   newPoly  - OffsetVertex, the offset ring and the copies of its crossings;
//   subPolys - OffsetResultPoly, the results, each a closed T_V3DLIST whose
//              vertex IDs are the indices of the base vertices in orgPoly.
// Execute rewrites orgPoly in place and appends to subPolys without
// emptying it. Indices beyond the arrays are ignored by the setters and
// getters (and every index when the factory could not make an array).
#pragma once

#include "zefcorek/GeoTypes.h"

#include "platform/Export.h"

#include <cstdint>

struct IPtrArray;
class T_V3DLIST;

// One input vertex.
struct OffsetBaseVertex {
  tagT_POINT3D basePt;    // the vertex; x and y may be moved by the elimination step
  tagT_POINT3D offsetPt;  // the offset corner (z stays the input z)
  double ofs;             // the offset at this vertex; only |ofs| matters
  bool removed;           // to be dropped by the next duplicate pass
};
static_assert(sizeof(OffsetBaseVertex) == 64);

// One vertex of the offset ring, or one copy of a crossing.
struct OffsetVertex {
  int orgIndex;  // the base vertex it derives from
  tagT_POINT3D pt;
  OffsetVertex* partner;  // the other copy of the same crossing; null otherwise
  int id;                 // copy number, -1 until numbered
  bool bad;               // set on both copies of a pair that crosses another pair
  bool visited;           // set when a loop walk has jumped onto this copy
};

// One crossing of two edges of newPoly. The indices keep naming the same
// vertices while copies are inserted (every insertion at k moves each index
// >= k up by one).
struct OffsetCrossing {
  unsigned a0, a1;  // start and end vertex of the first (lower-numbered) edge
  unsigned b0, b1;  // the same for the second edge
  T_POINT2D pt;
};
static_assert(sizeof(OffsetCrossing) == 32);

// One copy of a crossing in newPoly order; record r describes copy id r.
struct CrossingCopy {
  int id;
  int partnerId;
  unsigned vertex;  // index of the copy in newPoly
  int twin;         // index of the partner's record, -1 until found
  int badSplit;     // 0 or 1
  int badCycle;     // 0 or 1
};
static_assert(sizeof(CrossingCopy) == 24);

// One result polygon.
struct OffsetResultPoly {
  T_V3DLIST* list;  // owned, closed
  int orientation;  // -1 for a signed area above 1e-6, 1 below -1e-6, else 0
  double area;      // the absolute area
};

class ZEF_EXPORT TPolyOffset {
public:
  // The compare callback of SortPtrArray: negative keeps a before b.
  using CompareFunc = int (*)(void* a, void* b, void* context);

  IPtrArray* orgPoly;   // owned; null when the factory could not make it
  int closed;           // 0: the closing edge takes no part in the crossing search
  IPtrArray* newPoly;   // owned; null when the factory could not make it
  IPtrArray* subPolys;  // owned; null when the factory could not make it
  int keepOrg;          // non-zero: the whole offset ring is the single result
  double cutLevel;      // above 0: the simplification hooks are called
  unsigned mode;        // 0 right-hand side, 1 left-hand side

  TPolyOffset();
  ~TPolyOffset();
  TPolyOffset(const TPolyOffset&) = delete;
  TPolyOffset& operator=(const TPolyOffset&) = delete;

  void ClearOrgPoly();
  void ClearNewPoly();
  void ClearSubPolys();
  void Clear();

  // n zeroed input vertices; closed as described above.
  void InitBasePoly(unsigned n, int closed);
  void SetBasePolyPt(unsigned i, const tagT_POINT3D* p);
  void SetBasePolyOfs(unsigned i, double ofs);
  // Negates every offset; the outcome does not change (mode sets the side).
  void InvertOffsets();

  int GetKeepOrg() const { return keepOrg; }
  void SetKeepOrg(int keep) { keepOrg = keep; }
  double GetCutLevel() const { return cutLevel; }
  void SetCutLevel(double level) { cutLevel = level; }
  unsigned GetMode() const { return mode; }
  void SetMode(unsigned m) { mode = m; }

  // 0 with at least one result, -1 when fewer than three base vertices
  // remain, every crossing pair is unusable, no result survives the
  // selection, or an array could not be made.
  int Execute();

  unsigned GetNewPolyCount() const;
  unsigned GetNewPolyNumPts(unsigned i) const;
  void GetNewPolyPt(unsigned i, unsigned j, tagT_POINT3D* out) const;

  // Hooks of the simplification level; they leave the vertices unchanged.
  void SimplifyAngles();
  void SimplifyAngles2(T_V3DLIST* list);

  // The stages of Execute, in the order it calls them.
  // Drops removed vertices and the first of two closer than 0.0001.
  void RemoveOrgPolyDupedPts();
  // Builds every corner; false (after moving a vertex and marking its
  // neighbour removed) when a corner was too sharp beside a short edge.
  bool ComputeNewShapeFromOrg();
  void CreateNewPolyCopy();
  // The crossings of non-adjacent edges of newPoly, or null for none.
  IPtrArray* CalcNewPolySelfIntList();
  void FreeNewPolySelfIntList(IPtrArray* crossings);
  // Inserts the first copy of each crossing into its first edge.
  void InsertFirstCopies(IPtrArray* crossings);
  // Inserts the second copies, links the pairs and frees the list.
  void InsertNewPts(IPtrArray* crossings);
  void AssignSelfIntIDs();
  // One CrossingCopy per copy in newPoly order, or null for none.
  IPtrArray* CreateIntIDList();
  void FreeIntIDList(IPtrArray* copies);
  void MarkTwins(IPtrArray* copies);
  void MarkBadSplits(IPtrArray* copies);
  void MarkBadCycles(IPtrArray* copies);
  // 1 when the edge j -> j + 1 of newPoly runs against the direction of the
  // base edge it derives from on both axes, else 0.
  int CheckNewPolyEdgeTilted(unsigned j);

  // A stable sort of the items [lo, hi]: a stays before b unless
  // compare(a, b) is positive or compare(b, a) negative; fewer than two
  // items stay as they are.
  static void SortPtrArray(IPtrArray* array, CompareFunc compare, void* context, int lo, int hi);

private:
  enum class Corner : uint8_t;
  struct EdgeTangents;
  Corner computeOffsetCorner(const T_POINT2D& p, const T_POINT2D& c, const T_POINT2D& s, double dp, double dc,
                             double ds, T_POINT2D& corner, EdgeTangents& before, EdgeTangents& after) const;
  bool addResult(T_V3DLIST* list);
  // One result per clean loop of the copies.
  void walkLoops(IPtrArray* copies);
  void measureResults();
  void selectResults();
};
