// T_POLYSIMPLIFIER: turns a digitised polyline into least-squares lines.
//
// The base points, an open chain in input order, are covered by runs, each
// fitted by a straight line; a run grows while the mean perpendicular
// distance of its points from its line stays within the tolerance. Later
// passes split lines still too far off, move end points between neighbouring
// lines and join nearly collinear neighbours. The lines are read back whole
// or as simplified points: both projected ends of every line, or one vertex
// per junction. Sums over points are formed in extended precision.
//
// Both lists come from the factory; when it cannot make them the simplifier
// holds no points (AddBasePt answers -1) and makes no line.
#pragma once

#include "zefcorek/GeoTypes.h"

#include "platform/Export.h"

#include <cstdint>
#include <vector>

struct IRecList;
struct TRecListNodeType_Dummy;
class T_POLYSIMPLIFIER;

// One line: its points (copies of the base points it covers, in order;
// the record owns the list) and its fit.
struct TPolySimpLine {
  IRecList* Points;
  double CenterX;  // mean of the points of the last fit
  double CenterY;
  double A;  // A*x + B*y + C = 0 with (A, B) a unit normal; all 0 for a degenerate fit
  double B;
  double C;
  double SumDist;   // sum of the measured points' distances from the line
  double MeanDist;  // SumDist over the number of measured points
};

// Called after every iteration; false stops the simplification.
using TPolySimpIterationProc = bool (*)(T_POLYSIMPLIFIER* simplifier, void* data, unsigned iteration);

struct TPolySimpParms {
  // Bits of Flags.
  static constexpr uint32_t kExchange = 1;
  static constexpr uint32_t kJoin = 2;
  static constexpr uint32_t kLooseJoin = 4;

  double Tolerance;        // compared with MeanDist; negative: automatic
  uint32_t MaxIterations;  // 0: the number of base points
  uint32_t Flags;
  uint32_t Reserved;                     // not read
  TPolySimpIterationProc IterationProc;  // may be null
  void* IterationData;
};

class ZEF_EXPORT T_POLYSIMPLIFIER {
public:
  T_POLYSIMPLIFIER();
  virtual ~T_POLYSIMPLIFIER();
  T_POLYSIMPLIFIER(const T_POLYSIMPLIFIER&) = delete;
  T_POLYSIMPLIFIER& operator=(const T_POLYSIMPLIFIER&) = delete;

  // Removes the lines and the base points.
  void Clear();
  unsigned GetBasePtCount() const;
  // The new point's index, or -1 when it cannot be stored.
  int AddBasePt(const T_POINT2D* p);
  // The stored point i (valid until the points change), or null.
  T_POINT2D* GetBasePt(unsigned i) const;

  // Simplifies the base points anew. False only when the last call of the
  // iteration callback answered false.
  bool Execute(const TPolySimpParms* parms);

  void ClearSimp();
  unsigned GetSimpLnCount() const;
  // Copies line i; its Points list stays the simplifier's. False for an
  // index out of range.
  bool GetSimpLn(unsigned i, TPolySimpLine* out) const;
  // Both ends of every line projected onto it: 2 per line.
  unsigned GetSimpPtCount() const;
  bool GetSimpPt(unsigned i, T_POINT2D* out) const;
  // One vertex per junction of lines, and the two ends: lines + 1.
  unsigned GetSimpPtCountEx() const;
  bool GetSimpPtEx(unsigned i, T_POINT2D* out) const;
  // True when the base points are spaced so unevenly that the end-point
  // form suits better (also without points).
  bool SuggestGetOrGetEx() const;

  // The line list's release callback: releases the record's Points list.
  static int32_t ListListClearProc(void* record, TRecListNodeType_Dummy* node, void* context);

private:
  struct LineRecord;
  LineRecord* lineAt(unsigned i) const;
  LineRecord* recordOf(TRecListNodeType_Dummy* node) const;
  bool appendLine(const LineRecord& rec);
  double automaticTolerance() const;
  void grow(double tolerance);
  void splitPass(double tolerance, double& worst, bool& changed);
  bool exchangePass();  // true when a point moved
  void joinPass(uint32_t flags, double tolerance, bool iterating, bool& changed);
  void fit(LineRecord& line) const;
  void fitAndMeasure(LineRecord& line) const;
  static void fitPoints(TPolySimpLine& l, const std::vector<T_POINT2D>& pts);
  static void measurePoints(TPolySimpLine& l, const std::vector<T_POINT2D>& pts, unsigned first, unsigned last);
  static void fitAndMeasurePoints(TPolySimpLine& l, const std::vector<T_POINT2D>& pts);
  void split(unsigned i);
  bool exchange(unsigned i);
  void join(unsigned i);

  IRecList* basePoints_;  // T_POINT2D records; owned; null when the factory failed
  IRecList* lines_;       // LineRecord records; owned; null when the factory failed
  uint64_t stamps_ = 0;   // the last stamp given to a line (see LineRecord)
  // The records of lines_ in list order (records never move in their nodes),
  // kept beside every change of the list so that the passes reach a line
  // without walking the list.
  std::vector<LineRecord*> lineIndex_;
};
