// T_ISOLINER: contour lines over a triangulated surface.
//
// The caller feeds the surface one triangle at a time; each is cut with
// every level RefZ + k * DeltaZ that passes through it, and the straight
// pieces are stored. After the last triangle the pieces are sorted by level
// and handed out one line at a time: a chain of pieces of one level joined
// end to end (ends closer than 0.01 join), open or closed into a ring. Lines
// come out highest level first.
//
// Both lists come from the factory; when it cannot make them the tracer
// cuts and hands out nothing. One thread at a time.
#pragma once

#include "zefcorek/GeoTypes.h"

#include "platform/Export.h"

struct IRecList;

// One straight piece of a contour line: its level, then its two ends.
struct IsoLineSegment {
  double z;
  T_POINT2D pt1;
  T_POINT2D pt2;
};
static_assert(sizeof(IsoLineSegment) == 40);

class ZEF_EXPORT T_ISOLINER {
public:
  // Results of AttachSegToCurrIsoLine.
  static constexpr int kAttached = 0;    // the line started or grew
  static constexpr int kRingClosed = 1;  // the piece closed the line into a ring
  static constexpr int kOtherLevel = 2;
  static constexpr int kNoContact = 3;
  // A triangle that would be cut by more levels than this is refused.
  static constexpr unsigned kMaxLevelsPerTriangle = 1u << 20;

  double RefZ;
  double DeltaZ;

  T_ISOLINER();
  ~T_ISOLINER();
  T_ISOLINER(const T_ISOLINER&) = delete;
  T_ISOLINER& operator=(const T_ISOLINER&) = delete;

  double GetRefZ() const { return RefZ; }
  void SetRefZ(double z) { RefZ = z; }
  double GetDeltaZ() const { return DeltaZ; }
  void SetDeltaZ(double dz) { DeltaZ = dz; }

  // Empties the pieces and the current line.
  void BeginProcess();
  // Cuts the triangle p[0..2] (any order) and stores its pieces, each with
  // pt1.x >= pt2.x. False, storing nothing, for a horizontal triangle, one
  // whose height range holds no level, an interval that is not a positive
  // finite number, or more than kMaxLevelsPerTriangle levels.
  bool ProcessTrg(const tagT_POINT3D* p);
  // Sorts the pieces by level, stably.
  void EndProcess();
  // Builds the next line from the remaining pieces; false when none is left.
  bool PrepareNextIsoLine();
  // The current line, or null when it is empty; closed then tells whether it
  // is a ring. The list stays the tracer's and changes with the next line.
  IRecList* GetPreparedIsoLine(bool& closed);
  // One joining step: starts the line with s or attaches it at an end.
  int AttachSegToCurrIsoLine(const IsoLineSegment* s);

private:
  IRecList* segments_;  // the pieces, sorted by level after EndProcess; owned
  IRecList* line_;      // the current line in chain order; owned
  bool closed_;         // the current line is a ring
};
