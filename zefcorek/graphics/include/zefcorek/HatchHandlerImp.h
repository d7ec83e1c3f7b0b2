// The hatch handler: IHatchHandlerBaseImp holds the link to the registry and
// the boundary work every handler shares; IHatchHandlerACADCompImp adds the
// ".pat" and ".BPA" pattern files and the generation of hatch lines.
//
// Boundary scanning. A job's vertices become an edge set: one edge per
// polygon side (rings close on themselves) and one per circle. To lay a line
// family, the edge set is rotated so that the family's lines are vertical;
// each line is then a vertical scan line whose crossings with the edges,
// sorted by y, bound the spans inside the boundary. A crossing counts at a
// vertex only for the edge whose smaller x it is (half-open), so a vertex
// shared by two edges counts once and vertical edges never cross.
#pragma once

#include "zefcorek/HatchHandler.h"
#include "zefcorek/HatchPattern.h"
#include "zefcorek/RecList.h"

#include <cstddef>
#include <cstdint>

// One edge of the boundary (no pointers: exact layout).
struct HatchEdge {
  uint32_t ring;
  int16_t kind;     // 0 segment, 1 circle
  uint16_t flags;   // the vertex's flags (1: a hole for fill rule 6)
  double x1, y1;    // a segment's start, a circle's centre
  double x2, y2;    // a segment's end, a point on the circle
  double rx1, ry1;  // the two points rotated (equal to them until rotated)
  double rx2, ry2;
};
static_assert(sizeof(HatchEdge) == 72);

inline constexpr int16_t kHatchEdgeSegment = 0;
inline constexpr int16_t kHatchEdgeCircle = 1;

// The edges of one job and the box of their rotated form.
struct HatchEdgeSet {
  IRecList* edges = nullptr;  // HatchEdge records; owned by the operation
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

// One crossing of a scan line with an edge.
struct HatchCrossing {
  uint32_t zero1;
  uint32_t ring;
  uint32_t flags;  // the edge's flags, widened
  uint32_t zero2;
  double y;  // repeated in the next two fields
  double y2;
  double y3;
  int32_t direction;  // +1 the edge rises in x, -1 it falls; circles: sign of x - centre
  const HatchEdge* edge;
};
inline constexpr unsigned kHatchCrossingSize = sizeof(HatchCrossing);

class ZEF_EXPORT IHatchHandlerBaseImp : public IStdDataInterfaceImp, public virtual IHatchHandler {
public:
  IHatchHandlerBaseImp();
  // Drops the registry.
  ~IHatchHandlerBaseImp() override;

  // ZR_NOTSUPPORTED for every identifier, *out untouched.
  HRESULT QueryInterface(REFIID iid, void** out) override;

  ZRESULT GetRegistry(IHatchRegistry** out) override;
  ZRESULT SetRegistry(IHatchRegistry* registry) override;

  // Makes the edge list of a job's vertices and its box. On failure the
  // list is released and left null: ZR_OUTOFMEMORY when it cannot be made, ZR_BADARG for a job
  // with neither vertices nor a vertex callback, or the callback's code.
  virtual ZRESULT BuildEdgeSet(const HatchJob* job, HatchEdgeSet* set);
  // The box of the rotated edges; (0, 0, 0, 0) for no edge.
  virtual ZRESULT UpdateEdgeSetBounds(HatchEdgeSet* set);
  // Rotates every edge by `angle` about `centre` (x, y) into its rotated
  // points, then updates the box.
  virtual ZRESULT RotateEdgeSet(HatchEdgeSet* set, double angle, const double* centre);
  // The crossings of the vertical line at x with the rotated edges, sorted
  // by y (stable); none when x lies outside the box.
  virtual ZRESULT IntersectScanLine(HatchEdgeSet* set, double x, IRecList* crossings);

  // -1, 0, +1 on the crossings' y.
  static int32_t CompareCrossings(const void* a, const void* b, void* context);

protected:
  IHatchRegistry* registry_ = nullptr;  // counted; set by the registry
};

class ZEF_EXPORT IHatchHandlerACADCompImp : public IHatchHandlerBaseImp {
public:
  IHatchHandlerACADCompImp();
  // Releases the crossing list.
  ~IHatchHandlerACADCompImp() override;

  ZRESULT GetHandlerInfo(uint32_t index, void* out) override;
  ZRESULT GetOption(uint32_t which, uint32_t* out) override;
  ZRESULT SetOption(uint32_t which, uint32_t value) override;
  ZRESULT ReservedOp() override;
  ZRESULT GetPatternCount(const WCHAR* path, uint32_t* count) override;
  ZRESULT LoadPatterns(const WCHAR* path, uint32_t first, uint32_t count, HatchPatternInfo** out) override;
  ZRESULT SavePatterns(const WCHAR* path, HatchPatternInfo** records, uint32_t count) override;
  ZRESULT MeasurePattern(HatchMeasureRec* measure) override;
  ZRESULT GenerateHatch(HatchJob* job) override;
  ZRESULT HitTestHatch(HatchJob* job, const double* point, double tolerance) override;
  virtual ZRESULT FillSolid(HatchJob* job);

  // A number of a ".pat" data line: ".5" reads as 0.5, "-.25" as -0.25; '.'
  // is the decimal separator whatever the locale. NaN when the text is not
  // a number.
  static double ParsePatNumber(const WCHAR* text);

protected:
  IRecList* crossings_ = nullptr;  // HatchCrossing records, pooled; may be null
};

// The built-in solid-fill pattern "SOLID" (one continuous line family).
ZEF_EXPORT const HatchPatternInfo& hatchSolidPattern();

// The handler's identity.
inline constexpr char16_t kHatchHandlerName[] = u"Quillmere Vector Hatcher";
inline constexpr uint32_t kHatchHandlerVersion = 0x10000;
