// IDisplayListImp, execution: replaying the selected list onto the client's
// drawing target.
//
// Points get the first offset, are truncated toward zero and transformed by
// the target; lines and points are clipped against the clip rectangle in
// doubles and drawn with the second offset. Pen attributes reach the target
// only when they changed and only just before something visible. Groups are
// skipped whole by their recorded box. Each hatch's boundary is collected
// and handed to the hatch registry as a job whose lines come back through
// the line callback.
#include "zefcorek/DisplayList.h"

#include "DisplayListWalk.h"

#include "zefcorek/HatchRegistry.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/Clipper2D.h"
#include "zefcorek/SizedRecord.h"
#include "zefcorek/ZefCoreK.h"

#include <cmath>
#include <cstdint>

using zefcorek::displaylist::RecordCursor;

namespace {

constexpr uint32_t kPendingColour = 0x1;
constexpr uint32_t kPendingWidth = 0x2;
constexpr uint32_t kPendingStyle = 0x4;
constexpr uint32_t kPendingAll = kPendingColour | kPendingWidth | kPendingStyle;
// The target is asked whether to stop at every 201st hatch line.
constexpr uint32_t kHatchLinesPerAbortCheck = 200;

// Truncation toward zero, held to the 32-bit range (a cast of a value
// beyond it would be undefined).
int32_t truncated(double value) {
  if (!(value > INT32_MIN)) return value != value ? 0 : INT32_MIN;
  if (value >= 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(value);
}

IRecList* makeVertexList() {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IRecListImp, &made, 0) != S_OK || made == nullptr) return nullptr;
  auto* list = static_cast<IRecList*>(made);
  if (list->SetOption(0, sizeof(DLHatchVertex)) != ZR_OK || list->SetOption(1, 1) != ZR_OK ||
      list->SetOption(2, 64) != ZR_OK) {
    list->Release();
    return nullptr;
  }
  return list;
}

// One execution: parameters, walk state, clipper and pending attributes.
struct Execution {
  TDispListExecuteParms* parms;
  IDispListTarget* target;
  DL_EXEC_INFO* walk;
  T_CLIPPER2D clipper;
  uint32_t pending = kPendingAll;

  int32_t offsetX(int32_t x) const { return truncated(x + parms->offsetX); }
  int32_t offsetY(int32_t y) const { return truncated(y + parms->offsetY); }
  int32_t secondX(double x) const { return truncated(x + parms->offset2X); }
  int32_t secondY(double y) const { return truncated(y + parms->offset2Y); }

  void applyPending() {
    if ((pending & kPendingColour) != 0) target->SetPenColor(walk->colour);
    if ((pending & kPendingWidth) != 0) target->SetPenWidth(walk->width);
    if ((pending & kPendingStyle) != 0) target->SetPenStyle(walk->style);
    pending = 0;
  }

  void resetPen() {
    walk->penDown = 1;
    walk->x = truncated(parms->offsetX);
    walk->y = truncated(parms->offsetY);
    walk->colour = 0;
    walk->width = 0;
    walk->style = 0;
    pending = kPendingAll;
  }

  template <typename T>
  void takeValue(T* current, T value, uint32_t mark) {
    if (*current == value) return;
    *current = value;
    pending |= mark;
  }

  // A down move draws the segment from the current point, or a point when
  // the transformed point did not move.
  void move(const DLOpMoveTo& op) {
    const int32_t px = walk->x, py = walk->y;
    int32_t nx = offsetX(op.x), ny = offsetY(op.y);
    target->TransformPoint(nx, ny, &nx, &ny);
    walk->x = nx;
    walk->y = ny;
    walk->penDown = (op.flags & kMovePenDown) != 0 ? 1 : 0;
    if (walk->penDown == 0) return;
    if (nx == px && ny == py) {
      if (!clipper.ClipPt(nx, ny)) return;
      applyPending();
      target->DrawPoint(secondX(nx), secondY(ny));
      return;
    }
    T_POINT2D a{static_cast<double>(px), static_cast<double>(py)};
    T_POINT2D b{static_cast<double>(nx), static_cast<double>(ny)};
    T_POINT2D ca{}, cb{};
    if (!clipper.ClipLine(a, b, ca, cb)) return;
    applyPending();
    const int32_t unclipped[4] = {secondX(px), secondY(py), secondX(nx), secondY(ny)};
    target->DrawLine(secondX(ca.x), secondY(ca.y), secondX(cb.x), secondY(cb.y), unclipped);
  }

  void text(const DLOpText2P& op) {
    const int32_t px = walk->x, py = walk->y;
    int32_t nx = offsetX(op.x), ny = offsetY(op.y);
    walk->penDown = 1;
    target->TransformPoint(nx, ny, &nx, &ny);
    walk->x = nx;
    walk->y = ny;
    applyPending();
    target->DrawText2P(secondX(px), secondY(py), secondX(nx), secondY(ny), op.text, op.font);
  }
};

// What the hatch callbacks need: the execution and a count of lines.
struct HatchContext {
  Execution* execution;
  uint32_t lines = 0;
};

ZRESULT hatchVertex(uint32_t index, HatchVertex* out, void* context) {
  auto* hatch = static_cast<HatchContext*>(context);
  DLHatchVertex vertex{};
  hatch->execution->walk->vertices->GetAt(index, &vertex);
  *out = HatchVertex{vertex.loop, static_cast<int16_t>(vertex.firstTag), vertex.secondTag,
                     static_cast<double>(vertex.x), static_cast<double>(vertex.y)};
  return ZR_OK;
}

int32_t hatchLine(HatchSegmentRec* segment) {
  auto* hatch = static_cast<HatchContext*>(segment->context);
  Execution& e = *hatch->execution;
  if (++hatch->lines > kHatchLinesPerAbortCheck) {
    hatch->lines = 0;
    if (e.target->IsAborted() != ZR_OK) return 1;
  }
  if (segment->kind != kHatchSegmentPiece) return 0;
  // The first offset is added to the line's doubles before truncation.
  int32_t x1 = truncated(segment->startX + e.parms->offsetX);
  int32_t y1 = truncated(segment->startY + e.parms->offsetY);
  e.target->TransformPoint(x1, y1, &x1, &y1);
  if ((segment->flags & kHatchSegmentDot) != 0) {
    if (e.clipper.ClipPt(x1, y1)) e.target->DrawPoint(e.secondX(x1), e.secondY(y1));
    return 0;
  }
  int32_t x2 = truncated(segment->endX + e.parms->offsetX);
  int32_t y2 = truncated(segment->endY + e.parms->offsetY);
  e.target->TransformPoint(x2, y2, &x2, &y2);
  T_POINT2D ca{}, cb{};
  if (!e.clipper.ClipLine({static_cast<double>(x1), static_cast<double>(y1)},
                          {static_cast<double>(x2), static_cast<double>(y2)}, ca, cb))
    return 0;
  e.target->DrawLine(e.secondX(ca.x), e.secondY(ca.y), e.secondX(cb.x), e.secondY(cb.y), nullptr);
  return 0;
}

}  // namespace

ZRESULT IDisplayListImp::Execute(TDispListExecuteParms* parms) {
  if (parms == nullptr || parms->cbSize != kDispListExecuteParmsSize || parms->target == nullptr) return ZR_BADARG;
  DSStructCopy(&selected().lastExecution, parms);
  if (selected().ops == nullptr) return ZR_OK;
  return InternalExecute(parms);
}

ZRESULT IDisplayListImp::InternalExecute(TDispListExecuteParms* parms) {
  DL_EXEC_INFO walk{};
  walk.penDown = 1;
  walk.clipX1 = parms->clipX1;
  walk.clipY1 = parms->clipY1;
  walk.clipX2 = parms->clipX2;
  walk.clipY2 = parms->clipY2;
  walk.vertices = makeVertexList();
  Execution e{parms, parms->target, &walk, T_CLIPPER2D(parms->clipX1, parms->clipY1, parms->clipX2, parms->clipY2)};
  IRecList* ops = selected().ops;
  RecordCursor cursor(ops);
  ZRESULT result = ZR_OK;
  if (!cursor.atEnd() && e.target->BeginExecute() == ZR_OK) {
    while (!cursor.atEnd()) {
      if ((result = e.target->IsAborted()) != ZR_OK) break;
      walk.node = cursor.block()->node;
      walk.index = cursor.index();
      DL_OP_REC* record = cursor.record();
      switch (opKind(record)) {
        case kDLOpDeleted: cursor.skipDeletedRun(); continue;
        case kDLOpPenColor: e.takeValue(&walk.colour, loadOp<DLOpValue>(record).value, kPendingColour); break;
        case kDLOpPenWidth:
          e.takeValue(&walk.width, static_cast<int32_t>(loadOp<DLOpValue>(record).value), kPendingWidth);
          break;
        case kDLOpPenStyle: e.takeValue(&walk.style, loadOp<DLOpValue>(record).value, kPendingStyle); break;
        case kDLOpMoveTo: e.move(loadOp<DLOpMoveTo>(record)); break;
        case kDLOpBeginGroup: {
          e.resetPen();
          DLOpBeginGroup group = loadOp<DLOpBeginGroup>(record);
          const bool visible = group.minX <= parms->clipX2 && group.minY <= parms->clipY2 &&
                               group.maxX >= parms->clipX1 && group.maxY >= parms->clipY1;
          const bool filtered = (parms->flags & kExecuteSelectedOnly) != 0 && (group.flags & kGroupSelected) == 0;
          bool enter = false;
          if (visible && !filtered) {
            group.flags = static_cast<uint8_t>(group.flags & ~kGroupOutside);
            storeOp(record, group);
            TDispListOpInfo info = opInfoOf(cursor.where());
            info.minX = group.minX + truncated(parms->offset2X);
            info.maxX = group.maxX + truncated(parms->offset2X);
            info.minY = group.minY + truncated(parms->offset2Y);
            info.maxY = group.maxY + truncated(parms->offset2Y);
            enter = e.target->BeginGroup(&info, group.flags & kGroupSelected, parms) == ZR_OK;
          } else if (!filtered) {
            group.flags = static_cast<uint8_t>(group.flags | kGroupOutside);
            storeOp(record, group);
          }
          if (!enter) {
            cursor.skipGroup(group);
            continue;
          }
          break;
        }
        case kDLOpEndGroup: {
          const DLOpEndGroup end = loadOp<DLOpEndGroup>(record);
          DL_OP_REC* begin = &blockOf(end.beginNode)->records[end.beginIndex];
          const DLOpBeginGroup group = loadOp<DLOpBeginGroup>(begin);
          TDispListOpInfo info = opInfoOf(cursor.where());
          info.refs = groupRefs(begin);
          info.minX = group.minX;
          info.minY = group.minY;
          info.maxX = group.maxX;
          info.maxY = group.maxY;
          e.target->EndGroup(&info, parms);
          break;
        }
        case kDLOpBeginHatch: {
          const DLOpBeginHatch hatch = loadOp<DLOpBeginHatch>(record);
          // Without a registry there is nobody to run a hatch: it is skipped.
          walk.hatchActive = walk.vertices != nullptr && executeHatches_ != 0 && registry_ != nullptr;
          walk.hatch = hatch.hatch;
          walk.hatchValue = hatch.value;
          walk.hatchAngle = -hatch.angle;
          walk.hatchScale = static_cast<float>(hatch.scale * parms->hatchScale);
          walk.loopCount = 0;
          break;
        }
        case kDLOpHatchVertex: {
          if (walk.hatchActive == 0) break;
          const DLOpHatchVertex op = loadOp<DLOpHatchVertex>(record);
          const DLHatchVertex vertex{op.loop, op.firstTag, op.secondTag, op.x, op.y};
          if (walk.vertices->AddTail(&vertex, nullptr) != ZR_OK) {
            walk.vertices->Clear(/*release=*/false);
            walk.hatchActive = 0;
            break;
          }
          if (op.loop + 1 > walk.loopCount) walk.loopCount = op.loop + 1;
          break;
        }
        case kDLOpEndHatch: {
          if (walk.hatchActive == 0) break;
          e.applyPending();
          unsigned count = 0;
          walk.vertices->GetCount(&count);
          if (count >= 2) InternalExecHatch(parms, &walk);
          walk.vertices->Clear(/*release=*/false);
          walk.hatchActive = 0;
          break;
        }
        case kDLOpText2P: e.text(loadOp<DLOpText2P>(record)); break;
        default: break;
      }
      cursor.next();
    }
    e.target->EndExecute();
  }
  if (walk.vertices != nullptr) walk.vertices->Release();
  return result;
}

// The recorded hatch as a job for the registry; 1 when the handler found a
// spacing or dash period below the minimum.
ZRESULT IDisplayListImp::InternalExecHatch(TDispListExecuteParms* parms, DL_EXEC_INFO* walk) {
  if (registry_ == nullptr) return ZR_FAILED;
  Execution e{parms, parms->target, walk, T_CLIPPER2D(parms->clipX1, parms->clipY1, parms->clipX2, parms->clipY2)};
  e.pending = 0;
  HatchContext context{&e};
  unsigned count = 0;
  walk->vertices->GetCount(&count);
  HatchJob job{};
  job.cbSize = kHatchJobSize;
  job.pattern = walk->hatch;
  job.ringCount = walk->loopCount;
  job.vertexCount = count;
  job.vertexFunc = &hatchVertex;
  job.vertexContext = &context;
  job.segmentFunc = &hatchLine;
  job.segmentContext = &context;
  job.fillRule = walk->hatchValue;
  job.scale = walk->hatchScale;
  job.angle = walk->hatchAngle;
  job.clipX1 = parms->clipX1;
  job.clipY1 = parms->clipY1;
  job.clipX2 = parms->clipX2;
  job.clipY2 = parms->clipY2;
  job.minSpacing = 1.0;
  job.minDashPeriod = 1.0;
  registry_->ExecuteHatch(&job);
  return (job.status & (kHatchStatusSpacingTooFine | kHatchStatusDashTooFine)) != 0 ? ZR_NO : ZR_OK;
}
