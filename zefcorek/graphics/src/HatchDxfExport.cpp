// IHatchRegistryImp::ExportHatchToDXF: one hatch job written to a new DXF
// file, its boundary as closed polylines on layer "FIGURE" and every line
// and dot its handler generates on layer "HATCH".
#include "zefcorek/HatchRegistry.h"

#include "zefcorek/DxfWriter.h"
#include "zefcorek/SizedRecord.h"

namespace {

constexpr char kFigureLayer[] = "FIGURE";
constexpr char kHatchLayer[] = "HATCH";
constexpr int kFigureColour = 7;
constexpr int kHatchColour = 3;

// The segment callback of the export: the file handle is the context.
int32_t writeSegment(HatchSegmentRec* segment) {
  if (segment->kind != kHatchSegmentPiece) return 0;
  auto* file = static_cast<HANDLE>(segment->context);
  if ((segment->flags & kHatchSegmentDot) != 0)
    DXFPoint(file, segment->startX, segment->startY, 0.0, kHatchLayer);
  else
    DXFLineC(file, segment->startX, segment->startY, 0.0, segment->endX, segment->endY, 0.0, kHatchLayer, kHatchColour);
  return 0;
}

// The boundary: a new closed polyline at every change of ring number. The
// first ring is the first array entry's, or 0 with a vertex callback (so a
// callback whose first ring is another number gives an empty polyline
// first). A failing callback ends the boundary with its code.
ZRESULT writeBoundary(HANDLE file, const HatchJob& job) {
  uint32_t ring = job.vertices != nullptr && job.vertexCount > 0 ? job.vertices[0].ring : 0;
  DXFBeginPoly(file, kFigureLayer, 0.0, /*closed=*/1, kFigureColour);
  for (uint32_t i = 0; i < job.vertexCount; ++i) {
    HatchVertex vertex{};
    if (job.vertices != nullptr) {
      vertex = job.vertices[i];
    } else if (const ZRESULT result = job.vertexFunc(i, &vertex, job.vertexContext); result != ZR_OK) {
      DXFEndPoly(file, kFigureLayer);
      return result;
    }
    if (vertex.ring != ring) {
      DXFEndPoly(file, kFigureLayer);
      DXFBeginPoly(file, kFigureLayer, 0.0, /*closed=*/1, kFigureColour);
      ring = vertex.ring;
    }
    DXFPolyVertex(file, vertex.x, vertex.y, kFigureLayer, kFigureColour);
  }
  DXFEndPoly(file, kFigureLayer);
  return ZR_OK;
}

}  // namespace

ZRESULT IHatchRegistryImp::ExportHatchToDXF(HatchJob* job, const WCHAR* path) {
  if (job == nullptr || job->cbSize < kHatchJobSize || path == nullptr) return ZR_BADARG;
  if (handlers_ == nullptr || patterns_ == nullptr) return ZR_OUTOFMEMORY;
  // Without vertices of either kind there is no boundary to write.
  if (job->vertices == nullptr && job->vertexFunc == nullptr) return ZR_BADARG;
  // The job is passed on at our size, whatever the caller's record holds.
  HatchJob local{};
  local.cbSize = kHatchJobSize;
  DSStructCopy(&local, job);

  HANDLE file = INVALID_HANDLE_VALUE;
  if (DXFCreate(path, &file) == 0) return ZR_FAILED;
  if (const ZRESULT result = writeBoundary(file, local); result != ZR_OK) {
    DXFClose(file);
    return result;
  }
  local.segmentFunc = &writeSegment;
  local.segmentContext = file;
  const ZRESULT result = ExecuteHatch(&local);
  DXFClose(file);
  return result;
}
