// IDisplayListImp, read-only services: the groups in a rectangle (and near a
// point), and the text dump of the records.
#include "zefcorek/DisplayList.h"

#include "DisplayListWalk.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Format.h"

#include <cstdlib>
#include <string>

using zefcorek::displaylist::RecordCursor;

namespace {

IRecList* makeGroupList() {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IRecListImp, &made, 0) != S_OK || made == nullptr) return nullptr;
  auto* list = static_cast<IRecList*>(made);
  if (list->SetOption(0, kDispListOpInfoSize) != ZR_OK) {
    list->Release();
    return nullptr;
  }
  return list;
}

// Whether a group's box, as recorded, fails the rectangle or point test.
bool rejected(const DLOpBeginGroup& group, const tagT_IRECT2D* rect, const tagT_IPOINT2D* point, int64_t tolerance) {
  if (rect == nullptr && (group.flags & kGroupOutside) != 0) return true;
  if (rect != nullptr &&
      (rect->xmax < group.minX || rect->ymax < group.minY || group.maxX < rect->xmin || group.maxY < rect->ymin))
    return true;
  return point != nullptr && (point->x + tolerance < group.minX || point->y + tolerance < group.minY ||
                              group.maxX < point->x - tolerance || group.maxY < point->y - tolerance);
}

}  // namespace

ZRESULT IDisplayListImp::GetGroupRefsByClipRect(tagT_IRECT2D* rect, IRecList** out) {
  return GetGroupRefsByClipRectAndPt(rect, nullptr, 0, out);
}

// Accepted groups are listed outer before inner, in recording order; a
// rejected group is skipped with everything nested in it.
ZRESULT IDisplayListImp::GetGroupRefsByClipRectAndPt(tagT_IRECT2D* rect, tagT_IPOINT2D* point, int32_t tolerance,
                                                     IRecList** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  const int64_t reach = std::llabs(static_cast<int64_t>(tolerance));
  IRecList* ops = selected().ops;
  if (ops == nullptr) return ZR_OUTOFMEMORY;
  IRecList* groups = makeGroupList();
  if (groups == nullptr) return ZR_OUTOFMEMORY;
  ZRESULT result = ZR_OK;
  for (RecordCursor cursor(ops); !cursor.atEnd() && result == ZR_OK;) {
    DL_OP_REC* record = cursor.record();
    if (opKind(record) == kDLOpDeleted) {
      cursor.skipDeletedRun();
      continue;
    }
    if (opKind(record) != kDLOpBeginGroup) {
      cursor.next();
      continue;
    }
    const DLOpBeginGroup group = loadOp<DLOpBeginGroup>(record);
    if (rejected(group, rect, point, reach)) {
      cursor.skipGroup(group);
      continue;
    }
    TDispListOpInfo info = opInfoOf(cursor.where());
    info.minX = group.minX;
    info.minY = group.minY;
    info.maxX = group.maxX;
    info.maxY = group.maxY;
    result = groups->AddTail(&info, nullptr);
    cursor.next();
  }
  if (result == ZR_OK && groups->IsEmpty() == ZR_OK) result = ZR_NO;
  if (result != ZR_OK) {
    groups->Release();
    return result;
  }
  *out = groups;
  return ZR_OK;
}

// --- dump ---------------------------------------------------------------------------

namespace {

// The line of one record, without its indentation.
std::u16string dumpLine(const DL_OP_REC* record, uint32_t beginRef) {
  using platform::formatText;
  switch (opKind(record)) {
    case kDLOpDeleted: return u"NOP";
    case kDLOpPenColor:
      return formatText(u"%s %ld", u"PENCOLOR", static_cast<int32_t>(loadOp<DLOpValue>(record).value));
    case kDLOpPenWidth:
      return formatText(u"%s %ld", u"PENWIDTH", static_cast<int32_t>(loadOp<DLOpValue>(record).value));
    case kDLOpPenStyle:
      return formatText(u"%s %ld", u"PENSTYLE", static_cast<int32_t>(loadOp<DLOpValue>(record).value));
    case kDLOpMoveTo: {
      const DLOpMoveTo move = loadOp<DLOpMoveTo>(record);
      return formatText(u"%s %ld,%ld", u"MOVETO", int32_t{move.x}, int32_t{move.y}) +
             ((move.flags & kMovePenDown) != 0 ? u" [PENDOWN]" : u" [PENUP]");
    }
    case kDLOpBeginGroup: {
      const DLOpBeginGroup group = loadOp<DLOpBeginGroup>(record);
      return formatText(u"%s %08X", u"BEGINGROUP", groupRefs(record).values[0]) +
             ((group.flags & kGroupHasSubgroups) != 0 ? u" [HASSUBGROUPS]" : u"");
    }
    case kDLOpEndGroup: return formatText(u"%s %08X", u"ENDGROUP", beginRef);
    case kDLOpBeginHatch: {
      // The hatch handle is pointer-sized: the 64-bit form of the conversion.
      const DLOpBeginHatch hatch = loadOp<DLOpBeginHatch>(record);
      return formatText(u"%s %08llX,%ld", u"BEGINHATCH",
                        static_cast<uint64_t>(reinterpret_cast<uintptr_t>(hatch.hatch)),
                        static_cast<int32_t>(hatch.value));
    }
    case kDLOpHatchVertex: {
      const DLOpHatchVertex vertex = loadOp<DLOpHatchVertex>(record);
      return formatText(u"%s %ld,(%ld,%ld)", u"HATCHVTX", static_cast<int32_t>(vertex.loop), int32_t{vertex.x},
                        int32_t{vertex.y});
    }
    case kDLOpEndHatch: return u"ENDHATCH";
    case kDLOpText2P: {
      const DLOpText2P text = loadOp<DLOpText2P>(record);
      return formatText(u"%s %ld,%ld", u"TEXT2P", int32_t{text.x}, int32_t{text.y});
    }
    default: return formatText(u"%s %ld", u"UNKNOWN", int32_t{opKind(record)});
  }
}

}  // namespace

ZRESULT IDisplayListImp::DumpToFile(const WCHAR* path) {
  if (path == nullptr) return ZR_BADARG;
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IFIOOStreamImp, &made, 0) != S_OK || made == nullptr) return ZR_OUTOFMEMORY;
  auto* stream = static_cast<IFIOOStream*>(made);
  ZRESULT result = stream->SetName(path);
  if (result == ZR_OK) result = stream->Open(0);
  if (result != ZR_OK) {
    stream->Release();
    return result;
  }
  IRecList* ops = selected().ops;
  if (ops == nullptr || ops->IsEmpty() == ZR_OK) {
    result = stream->WriteText(u"DISPLAY LIST IS EMPTY!", -1);
  } else {
    int depth = 0;
    IRecList::Node* node = nullptr;
    for (ops->GetHead(&node); node != nullptr && result == ZR_OK; ops->GetNextNode(node, &node)) {
      DL_OPSBLOCK* block = blockOf(node);
      if (block->count == 0) result = stream->WriteText(u"EMPTY BLOCK!", -1);
      for (uint16_t index = 0; index < block->count && result == ZR_OK; ++index) {
        const DL_OP_REC* record = &block->records[index];
        uint32_t beginRef = 0;
        if (opKind(record) == kDLOpEndGroup) {
          --depth;
          const DLOpEndGroup end = loadOp<DLOpEndGroup>(record);
          beginRef = groupRefs(&blockOf(end.beginNode)->records[end.beginIndex]).values[0];
        }
        const std::u16string line =
            std::u16string(3 * static_cast<size_t>(depth > 0 ? depth : 0), u' ') + dumpLine(record, beginRef);
        result = stream->WriteText(line.c_str(), -1);
        if (opKind(record) == kDLOpBeginGroup) ++depth;
      }
    }
  }
  const ZRESULT closed = stream->Close();
  stream->Release();
  return result != ZR_OK ? result : closed;
}
