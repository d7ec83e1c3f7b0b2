// The records that pass between a hatch client, the hatch registry and a
// hatch handler: the hatch job, its boundary vertices, the hatch segments the
// handler emits, and the pattern measure record.
//
// The job, the segment and the measure records are sized records (first
// field cbSize) holding pointers, so they are laid out naturally and their
// minimum sizes are the sizeof of these definitions. The hatch vertex holds
// no pointer and keeps its exact 24-byte layout.
#pragma once

#include "zefcorek/StdInterface.h"

#include <cstddef>
#include <cstdint>

// A pattern as the registry names it to its clients: the node of its entry
// in the registry's pattern list. Opaque; valid until the entry is removed.
struct HatchID_Dummy;
using HatchPatternNode = HatchID_Dummy*;

struct HatchPatternInfo;

// One boundary vertex. Consecutive vertices with one ring number form one
// closed ring.
struct HatchVertex {
  uint32_t ring;
  int16_t kind;    // 0 polygon vertex; 1 circle centre (next: a point on it);
                   // 2 first of three skipped vertices; others count as 0
  uint16_t flags;  // 1 marks the ring as a hole for fill rule 6
  double x;
  double y;
};
static_assert(sizeof(HatchVertex) == 24);
static_assert(offsetof(HatchVertex, x) == 8);

inline constexpr int16_t kHatchVertexPolygon = 0;
inline constexpr int16_t kHatchVertexCircle = 1;
inline constexpr int16_t kHatchVertexSkip3 = 2;
inline constexpr uint16_t kHatchVertexHole = 1;

struct HatchSegmentRec;

// Fetches boundary vertex `index` when the job has no vertex array; a
// non-zero code ends the job with that code.
using HatchVertexFunc = ZRESULT (*)(uint32_t index, HatchVertex* out, void* context);
// Receives every begin, segment and end record; its result is ignored.
using HatchSegmentFunc = int32_t (*)(HatchSegmentRec* segment);
// Told the progress in percent; 0 cancels the job.
using HatchProgressFunc = int32_t (*)(int32_t percent, void* context);

// Status bits the handler sets in HatchJob::status.
inline constexpr uint32_t kHatchStatusCancelled = 0x1;
inline constexpr uint32_t kHatchStatusSpacingTooFine = 0x2;
inline constexpr uint32_t kHatchStatusDashTooFine = 0x4;

// A hatch job: a boundary, a pattern and its placement. Owned by the caller.
struct HatchJob {
  uint32_t cbSize;
  HatchPatternNode pattern;
  uint32_t ringCount;  // rings are numbered 0 .. ringCount - 1; not 0
  uint32_t vertexCount;
  const HatchVertex* vertices;  // vertexCount vertices, or null: use vertexFunc
  HatchVertexFunc vertexFunc;
  void* vertexContext;
  HatchSegmentFunc segmentFunc;
  void* segmentContext;                   // copied into every segment record
  uint32_t fillRule;                      // 0..6
  double baseX, baseY;                    // where the pattern is anchored
  double centreX, centreY;                // centre of the rotations
  double scale;                           // pattern units to job units; 0 asks for a scale
  double angle;                           // radians, added to every line family's angle
  double clipX1, clipY1, clipX2, clipY2;  // scan lines outside are skipped
  HatchProgressFunc progressFunc;         // may be null
  void* progressContext;
  double minSpacing;      // the handler keeps its absolute value
  double minDashPeriod;   // the handler keeps its absolute value
  uint32_t status;        // kHatchStatus* bits, set by the handler
  uint32_t segmentCount;  // segments of kind 2 emitted, set by the handler
};
inline constexpr uint32_t kHatchJobSize = sizeof(HatchJob);

// Kinds of a segment record.
inline constexpr uint32_t kHatchSegmentBegin = 0;
inline constexpr uint32_t kHatchSegmentEnd = 1;
inline constexpr uint32_t kHatchSegmentPiece = 2;
// HatchSegmentRec::flags: the piece is a dot (start equals end).
inline constexpr uint32_t kHatchSegmentDot = 0x1;

// One record handed to the job's segment callback.
struct HatchSegmentRec {
  uint32_t cbSize;
  void* context;                 // the job's segment context
  HatchPatternNode pattern;      // the job's pattern node
  const HatchPatternInfo* info;  // the pattern in use (SOLID for solid fills)
  uint32_t kind;                 // kHatchSegmentBegin, End or Piece
  // In the end record bit 0 of the first byte of startX is set when the job
  // stopped early; the rest of the field means nothing there.
  double startX, startY;
  double endX, endY;
  uint8_t reserved[8];
  uint32_t flags;  // kHatchSegmentDot
};
inline constexpr uint32_t kHatchSegmentRecSize = sizeof(HatchSegmentRec);
inline constexpr uint32_t kHatchSegmentSize = kHatchSegmentRecSize;

// Measures of a pattern at a scale and angle (QueryHatch / MeasurePattern).
struct HatchMeasureRec {
  uint32_t cbSize;
  HatchPatternNode pattern;
  double scale;
  double angle;                               // radians, added to each line's angle
  double boxMinX, boxMinY, boxMaxX, boxMaxY;  // output
  uint32_t pieceEstimate;                     // output
  double shortestDash, longestDash;           // output
  double meanDash;                            // output
  double meanSpacing;                         // output
  double piecesPerLine;                       // output
};
inline constexpr uint32_t kHatchMeasureRecSize = sizeof(HatchMeasureRec);
