// IDisplayListImp, recording: blocks of operation records, the open-groups
// stack whose boxes every recorded point widens, groups, hatches, texts and
// the secondary lists.
#include "zefcorek/DisplayList.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ClassMakers.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Utf16.h"

#include <algorithm>
#include <cstring>
#include <new>

IDisplayList::~IDisplayList() = default;
IDispListTarget::~IDispListTarget() = default;

void* zefcorek::makeIDisplayListImp(intptr_t arg) {
  auto* registry = reinterpret_cast<IHatchRegistry*>(arg);
  return static_cast<IDisplayList*>(new (std::nothrow) IDisplayListImp(registry));
}

namespace {

// Hook answers that let the caller go on: 0, or "not handled".
constexpr ZRESULT kHookNotHandled = 0x15;

IRecList* makeRecordList(unsigned recordSize, unsigned poolLimit) {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IRecListImp, &made, 0) != S_OK || made == nullptr) return nullptr;
  auto* list = static_cast<IRecList*>(made);
  if (list->SetOption(0, recordSize) != ZR_OK || list->SetOption(1, 1) != ZR_OK ||
      list->SetOption(2, poolLimit) != ZR_OK) {
    list->Release();
    return nullptr;
  }
  return list;
}

// Widens the box of a packed record (BeginGroup or BeginHatch) to hold
// (x, y); the fields are copied, not bound by reference.
template <typename Record>
void widen(Record& record, int32_t x, int32_t y) {
  if (x < record.minX) record.minX = x;
  if (y < record.minY) record.minY = y;
  if (x > record.maxX) record.maxX = x;
  if (y > record.maxY) record.maxY = y;
}

// Frees the text and font copies of a Text2P record.
void freeTextCopies(DL_OP_REC* record) {
  DLOpText2P text = loadOp<DLOpText2P>(record);
  delete[] text.text;
  delete text.font;
  text.text = nullptr;
  text.font = nullptr;
  storeOp(record, text);
}

}  // namespace

IDisplayListImp::IDisplayListImp(IHatchRegistry* registry) : registry_(registry) { InternalCreateList(0); }

IDisplayListImp::~IDisplayListImp() {
  for (uint32_t index = 1; index < count_; ++index) {
    selected_ = index;
    Clear();
    InternalDestroyList(index);
  }
  selected_ = 0;
  Clear();
  InternalDestroyList(0);
}

// --- lists -------------------------------------------------------------------------

ZRESULT IDisplayListImp::InternalCreateList(uint32_t index) {
  ListSlot& slot = lists_[index];
  slot = ListSlot{};
  slot.ops = makeRecordList(sizeof(DL_OPSBLOCK), 256);
  if (slot.ops != nullptr) slot.ops->SetReleaseCallback(&DLClearProc, this);
  slot.openGroups = makeRecordList(sizeof(DL_OP_REC_INFO), 64);
  if (slot.openGroups != nullptr) slot.openGroups->SetReleaseCallback(&DLOpenGroupsClearProc, this);
  slot.lastExecution.cbSize = kDispListExecuteParmsSize;
  return ZR_OK;
}

// Releasing the operations list runs DLClearProc over its blocks.
ZRESULT IDisplayListImp::InternalDestroyList(uint32_t index) {
  ListSlot& slot = lists_[index];
  if (slot.ops != nullptr) slot.ops->Release();
  if (slot.openGroups != nullptr) slot.openGroups->Release();
  slot.ops = nullptr;
  slot.openGroups = nullptr;
  slot.openHatch = nullptr;
  return ZR_OK;
}

int32_t IDisplayListImp::DLClearProc(void* record, TRecListNodeType_Dummy*, void* context) {
  auto* self = static_cast<IDisplayListImp*>(context);
  auto* block = static_cast<DL_OPSBLOCK*>(record);
  for (uint16_t index = 0; index < block->count; ++index) {
    DL_OP_REC* op = &block->records[index];
    if (opKind(op) == kDLOpBeginGroup) {
      TDispListOpInfo info = self->opInfoOf({block, index, op});
      self->OnReleaseGroup(&info);
    } else if (opKind(op) == kDLOpText2P) {
      freeTextCopies(op);
    }
  }
  return 0;
}

int32_t IDisplayListImp::DLOpenGroupsClearProc(void*, TRecListNodeType_Dummy*, void*) { return 0; }

ZRESULT IDisplayListImp::NewSecondaryDList(uint32_t* index) {
  if (count_ >= kMaxLists) {
    if (index != nullptr) *index = 0xFFFFFFFF;
    return ZR_FAILED;
  }
  const uint32_t fresh = count_;
  if (index != nullptr) *index = fresh;
  const ZRESULT result = InternalCreateList(fresh);
  ++count_;
  return result;
}

// The selection keeps naming the list it named: deleting the selected list
// selects the primary one, deleting one below it moves it down with its list.
ZRESULT IDisplayListImp::DeleleSecondaryDList(uint32_t index) {
  if (index < 1 || index >= count_) return ZR_BADARG;
  InternalDestroyList(index);
  for (uint32_t slot = index; slot + 1 < count_; ++slot) lists_[slot] = lists_[slot + 1];
  lists_[count_ - 1] = ListSlot{};
  --count_;
  if (selected_ == index)
    selected_ = 0;
  else if (selected_ > index)
    --selected_;
  return ZR_OK;
}

ZRESULT IDisplayListImp::SelectPrimaryDList() {
  selected_ = 0;
  return ZR_OK;
}

ZRESULT IDisplayListImp::SelectSecondaryDList(uint32_t index) {
  if (index < 1 || index >= count_) return ZR_BADARG;
  selected_ = index;
  return ZR_OK;
}

ZRESULT IDisplayListImp::HasSecondaryDList(uint32_t index) { return index >= 1 && index < count_ ? ZR_OK : ZR_NO; }

// --- options, clearing -------------------------------------------------------------

ZRESULT IDisplayListImp::GetOption(uint32_t which, int32_t* value) {
  if (value == nullptr) return ZR_BADARG;
  if (which != 0) {
    *value = 0;
    return ZR_BADARG;
  }
  *value = static_cast<int32_t>(executeHatches_);
  return ZR_OK;
}

ZRESULT IDisplayListImp::SetOption(uint32_t which, int32_t value) {
  if (which != 0) return ZR_BADARG;
  executeHatches_ = value != 0 ? 1 : 0;
  return ZR_OK;
}

void IDisplayListImp::resetPen() {
  ListSlot& slot = selected();
  slot.penDown = 1;
  slot.x = 0;
  slot.y = 0;
  slot.colour = 0;
  slot.width = 0;
  slot.style = 0;
}

ZRESULT IDisplayListImp::Clear() {
  ListSlot& slot = selected();
  if (slot.openGroups != nullptr) slot.openGroups->Clear(/*release=*/true);
  slot.openHatch = nullptr;
  if (slot.ops != nullptr) slot.ops->Clear(/*release=*/true);
  resetPen();
  return ZR_OK;
}

ZRESULT IDisplayListImp::IsEmpty() {
  IRecList* ops = selected().ops;
  return ops == nullptr || ops->IsEmpty() == ZR_OK ? ZR_OK : ZR_NO;
}

// --- appending ---------------------------------------------------------------------

ZRESULT IDisplayListImp::AppendBlock(DL_OPSBLOCK** block) {
  *block = nullptr;
  IRecList::Node* node = nullptr;
  if (const ZRESULT result = selected().ops->AddTail(nullptr, &node); result != ZR_OK) return result;
  void* record = nullptr;
  selected().ops->GetNodeRecordPtr(node, &record);
  std::memset(record, 0, sizeof(DL_OPSBLOCK));
  *block = static_cast<DL_OPSBLOCK*>(record);
  (*block)->node = node;
  return ZR_OK;
}

ZRESULT IDisplayListImp::AppendOp(uint8_t kind, DL_OP_REC_INFO* out) {
  *out = {nullptr, kNoOpIndex, nullptr};
  DL_OPSBLOCK* block = nullptr;
  IRecList::Node* tail = nullptr;
  selected().ops->GetTail(&tail);
  if (tail != nullptr) block = blockOf(tail);
  if (block == nullptr || block->count >= kDLOpsPerBlock) {
    if (const ZRESULT result = AppendBlock(&block); result != ZR_OK) return result;
  }
  const uint16_t index = block->count;
  block->count = static_cast<uint16_t>(index + 1);
  DL_OP_REC* record = &block->records[index];
  std::memset(record->bytes, 0, kDLOpSize);
  record->bytes[0] = kind;
  *out = {block, index, record};
  return ZR_OK;
}

DL_OPSBLOCK* IDisplayListImp::blockOf(TRecListNodeType_Dummy* node) {
  void* record = nullptr;
  selected().ops->GetNodeRecordPtr(node, &record);
  return static_cast<DL_OPSBLOCK*>(record);
}

ZRESULT IDisplayListImp::UpdateOpenGroupsBBoxes(int32_t x, int32_t y) {
  IRecList* open = selected().openGroups;
  IRecList::Node* node = nullptr;
  for (open->GetHead(&node); node != nullptr; open->GetNextNode(node, &node)) {
    void* record = nullptr;
    open->GetNodeRecordPtr(node, &record);
    DL_OP_REC* begin = static_cast<DL_OP_REC_INFO*>(record)->record;
    DLOpBeginGroup group = loadOp<DLOpBeginGroup>(begin);
    widen(group, x, y);
    storeOp(begin, group);
  }
  return ZR_OK;
}

// --- pen, moves, texts -----------------------------------------------------------------

ZRESULT IDisplayListImp::recordValue(uint8_t kind, uint32_t value) {
  DL_OP_REC_INFO where;
  if (const ZRESULT result = AppendOp(kind, &where); result != ZR_OK) return result;
  storeOp(where.record, DLOpValue{kind, value});
  return ZR_OK;
}

ZRESULT IDisplayListImp::PenColor(uint32_t colour) {
  if (!hasLists()) return ZR_OUTOFMEMORY;
  if (colour == selected().colour) return ZR_OK;
  if (const ZRESULT result = recordValue(kDLOpPenColor, colour); result != ZR_OK) return result;
  selected().colour = colour;
  return ZR_OK;
}

ZRESULT IDisplayListImp::PenWidth(int32_t width) {
  if (!hasLists()) return ZR_OUTOFMEMORY;
  if (width == selected().width) return ZR_OK;
  if (const ZRESULT result = recordValue(kDLOpPenWidth, static_cast<uint32_t>(width)); result != ZR_OK) return result;
  selected().width = width;
  return ZR_OK;
}

ZRESULT IDisplayListImp::PenStyle(uint32_t style) {
  if (!hasLists()) return ZR_OUTOFMEMORY;
  if (style == selected().style) return ZR_OK;
  if (const ZRESULT result = recordValue(kDLOpPenStyle, style); result != ZR_OK) return result;
  selected().style = style;
  return ZR_OK;
}

ZRESULT IDisplayListImp::PenDown() {
  selected().penDown = 1;
  return ZR_OK;
}

ZRESULT IDisplayListImp::PenUp() {
  selected().penDown = 0;
  return ZR_OK;
}

ZRESULT IDisplayListImp::MoveTo(int32_t x, int32_t y) {
  if (!hasLists()) return ZR_OUTOFMEMORY;
  ListSlot& slot = selected();
  if (x == slot.x && y == slot.y) return ZR_OK;
  DL_OP_REC_INFO where;
  if (const ZRESULT result = AppendOp(kDLOpMoveTo, &where); result != ZR_OK) return result;
  storeOp(where.record, DLOpMoveTo{kDLOpMoveTo, x, y, static_cast<uint8_t>(slot.penDown != 0 ? kMovePenDown : 0)});
  slot.x = x;
  slot.y = y;
  return UpdateOpenGroupsBBoxes(x, y);
}

ZRESULT IDisplayListImp::Text2P(int32_t x, int32_t y, const WCHAR* text, const DLFontDef* font) {
  if (!hasLists()) return ZR_OUTOFMEMORY;
  if (text == nullptr || font == nullptr) return ZR_BADARG;
  DL_OP_REC_INFO where;
  if (const ZRESULT result = AppendOp(kDLOpText2P, &where); result != ZR_OK) return result;
  // A copy that cannot be made stays null; the record is kept.
  const size_t units = platform::utf16Length(text) + 1;
  auto* textCopy = new (std::nothrow) char16_t[units];
  if (textCopy != nullptr) std::memcpy(textCopy, text, units * sizeof(char16_t));
  auto* fontCopy = new (std::nothrow) DLFontDef(*font);
  storeOp(where.record, DLOpText2P{kDLOpText2P, x, y, textCopy, fontCopy});
  selected().x = x;
  selected().y = y;
  return UpdateOpenGroupsBBoxes(x, y);
}

// --- hatches ------------------------------------------------------------------------------

ZRESULT IDisplayListImp::BeginHatch(HatchID_Dummy* hatch, uint32_t value, double scale, double angle) {
  if (!hasLists()) return ZR_OUTOFMEMORY;
  if (selected().openHatch != nullptr) return ZR_FAILED;
  DL_OP_REC_INFO where;
  if (const ZRESULT result = AppendOp(kDLOpBeginHatch, &where); result != ZR_OK) return result;
  storeOp(where.record,
          DLOpBeginHatch{kDLOpBeginHatch, hatch, value, static_cast<float>(angle), static_cast<float>(scale),
                         kEmptyBoxMin, kEmptyBoxMin, kEmptyBoxMax, kEmptyBoxMax});
  selected().openHatch = where.record;
  return ZR_OK;
}

ZRESULT IDisplayListImp::HatchVertex(uint32_t loop, uint16_t firstTag, uint16_t secondTag, int32_t x, int32_t y) {
  if (!hasLists()) return ZR_OUTOFMEMORY;
  DL_OP_REC* hatch = selected().openHatch;
  if (hatch == nullptr) return ZR_FAILED;
  DL_OP_REC_INFO where;
  if (const ZRESULT result = AppendOp(kDLOpHatchVertex, &where); result != ZR_OK) return result;
  storeOp(where.record, DLOpHatchVertex{kDLOpHatchVertex, loop, firstTag, secondTag, x, y});
  DLOpBeginHatch begin = loadOp<DLOpBeginHatch>(hatch);
  widen(begin, x, y);
  storeOp(hatch, begin);
  return ZR_OK;
}

// The groups take the hatch's box. A hatch without vertices has an empty box
// and leaves them as they are: widening by its corners would make the groups
// cover the whole plane.
ZRESULT IDisplayListImp::EndHatch() {
  if (!hasLists()) return ZR_OUTOFMEMORY;
  DL_OP_REC* hatch = selected().openHatch;
  if (hatch == nullptr) return ZR_FAILED;
  DL_OP_REC_INFO where;
  if (const ZRESULT result = AppendOp(kDLOpEndHatch, &where); result != ZR_OK) return result;
  const DLOpBeginHatch begin = loadOp<DLOpBeginHatch>(hatch);
  if (begin.minX <= begin.maxX) {
    UpdateOpenGroupsBBoxes(begin.minX, begin.minY);
    UpdateOpenGroupsBBoxes(begin.maxX, begin.maxY);
  }
  selected().openHatch = nullptr;
  return ZR_OK;
}

// --- groups -------------------------------------------------------------------------------

TDispListOpInfo IDisplayListImp::opInfoOf(const DL_OP_REC_INFO& where) {
  TDispListOpInfo info{};
  info.cbSize = kDispListOpInfoSize;
  info.refs = groupRefs(where.record);
  info.beginNode = where.block->node;
  info.beginIndex = where.index;
  return info;
}

ZRESULT IDisplayListImp::OnHoldGroup(TDispListOpInfo*) { return ZR_OK; }

ZRESULT IDisplayListImp::OnReleaseGroup(TDispListOpInfo*) { return ZR_OK; }

ZRESULT IDisplayListImp::BeginGroup(TDispListOpInfo* info, uint32_t flags) {
  if (info == nullptr || info->cbSize != kDispListOpInfoSize) return ZR_BADARG;
  if (!hasLists()) return ZR_OUTOFMEMORY;
  ListSlot& slot = selected();
  DL_OP_REC_INFO parent{nullptr, kNoOpIndex, nullptr};
  slot.openGroups->GetAt(0, &parent);

  DL_OP_REC_INFO where;
  if (const ZRESULT result = AppendOp(kDLOpBeginGroup, &where); result != ZR_OK) return result;
  storeOp(where.record, DLOpBeginGroup{kDLOpBeginGroup, info->refs, static_cast<uint8_t>(flags & kGroupSelected),
                                       kEmptyBoxMin, kEmptyBoxMin, kEmptyBoxMax, kEmptyBoxMax, nullptr, kNoOpIndex});
  if (const ZRESULT result = slot.openGroups->AddHead(&where, nullptr); result != ZR_OK) {
    // The record is given back.
    where.block->count = static_cast<uint16_t>(where.block->count - 1);
    return result;
  }
  info->beginNode = where.block->node;
  info->beginIndex = where.index;
  info->minX = info->minY = info->maxX = info->maxY = 0;

  const ZRESULT hook = OnHoldGroup(info);
  if (hook != ZR_OK && hook != kHookNotHandled) {
    // The record stays recorded and open.
    OnReleaseGroup(info);
    return hook;
  }
  if (parent.record != nullptr) {
    DLOpBeginGroup outer = loadOp<DLOpBeginGroup>(parent.record);
    outer.flags |= kGroupHasSubgroups;
    storeOp(parent.record, outer);
  }
  resetPen();
  return hook;
}

ZRESULT IDisplayListImp::EndGroup(TDispListOpInfo* info) {
  if (!hasLists() || info == nullptr || info->cbSize != kDispListOpInfoSize) return ZR_BADARG;
  ListSlot& slot = selected();
  IRecList::Node* head = nullptr;
  slot.openGroups->GetHead(&head);
  if (head == nullptr) return ZR_BADARG;
  DL_OP_REC_INFO begin{};
  slot.openGroups->GetNodeRecord(head, &begin);
  DLOpBeginGroup group = loadOp<DLOpBeginGroup>(begin.record);
  if (group.refs.values[0] != info->refs.values[0]) return ZR_FAILED;

  DL_OP_REC_INFO end;
  if (const ZRESULT result = AppendOp(kDLOpEndGroup, &end); result != ZR_OK) return result;
  storeOp(end.record, DLOpEndGroup{kDLOpEndGroup, begin.block->node, begin.index});
  group.endNode = end.block->node;
  group.endIndex = end.index;
  storeOp(begin.record, group);
  slot.openGroups->RemoveNode(head, /*release=*/true);
  slot.penDown = 0;
  return ZR_OK;
}

ZRESULT IDisplayListImp::FindBeginGroupByRef(TDispListGroupAppRefs* refs, DL_OP_REC_INFO* out) {
  *out = {nullptr, kNoOpIndex, nullptr};
  IRecList* ops = selected().ops;
  if (ops == nullptr) return ZR_OUTOFMEMORY;
  IRecList::Node* node = nullptr;
  for (ops->GetHead(&node); node != nullptr; ops->GetNextNode(node, &node)) {
    DL_OPSBLOCK* block = blockOf(node);
    for (uint16_t index = 0; index < block->count; ++index) {
      DL_OP_REC* record = &block->records[index];
      if (opKind(record) != kDLOpBeginGroup) continue;
      if (loadOp<DLOpBeginGroup>(record).refs.values[0] != refs->values[0]) continue;
      *out = {block, index, record};
      return ZR_OK;
    }
  }
  return ZR_NO;
}

// By reference when info carries no begin node; otherwise at info's node and
// index, which are checked against the list (a client may hold stale ones).
ZRESULT IDisplayListImp::locateGroup(TDispListOpInfo* info, DL_OP_REC_INFO* out) {
  if (info == nullptr || info->cbSize != kDispListOpInfoSize) return ZR_BADARG;
  if (info->beginNode == nullptr) return FindBeginGroupByRef(&info->refs, out);
  IRecList* ops = selected().ops;
  unsigned position = 0;
  if (ops == nullptr || ops->IndexOfNode(info->beginNode, &position) != ZR_OK) return ZR_BADARG;
  DL_OPSBLOCK* block = blockOf(info->beginNode);
  if (info->beginIndex >= block->count) return ZR_BADARG;
  const auto index = static_cast<uint16_t>(info->beginIndex);
  *out = {block, index, &block->records[index]};
  return ZR_OK;
}

ZRESULT IDisplayListImp::GroupSelFlagChange(TDispListOpInfo* info, int32_t selectedFlag) {
  DL_OP_REC_INFO where;
  if (const ZRESULT result = locateGroup(info, &where); result != ZR_OK) return result;
  if (opKind(where.record) != kDLOpBeginGroup) return ZR_FAILED;
  DLOpBeginGroup group = loadOp<DLOpBeginGroup>(where.record);
  group.flags = static_cast<uint8_t>((group.flags & ~kGroupSelected) | (selectedFlag != 0 ? kGroupSelected : 0));
  storeOp(where.record, group);
  return ZR_OK;
}

bool IDisplayListImp::isOpenGroup(const DL_OP_REC* record) {
  IRecList* open = selected().openGroups;
  IRecList::Node* node = nullptr;
  for (open->GetHead(&node); node != nullptr; open->GetNextNode(node, &node)) {
    void* ref = nullptr;
    open->GetNodeRecordPtr(node, &ref);
    if (static_cast<DL_OP_REC_INFO*>(ref)->record == record) return true;
  }
  return false;
}

// Turns the group's records into deleted ones, walking from its BeginGroup
// to the matching EndGroup. A block that the walk entered at its start and
// passed to its end (or stopped in at its last record) is removed; one
// entered in the middle stays.
ZRESULT IDisplayListImp::DeleteGroup(TDispListOpInfo* info) {
  DL_OP_REC_INFO where;
  if (const ZRESULT result = locateGroup(info, &where); result != ZR_OK) return result;
  if (opKind(where.record) != kDLOpBeginGroup) return ZR_FAILED;
  // An open group (or one holding an open group, which is then open too)
  // stays: the open-groups stack would point at deleted records.
  if (!hasLists() || isOpenGroup(where.record)) return ZR_FAILED;

  ListSlot& slot = selected();
  IRecList::Node* node = where.block->node;
  uint16_t index = where.index;
  int depth = 0;
  bool stopped = false;
  while (node != nullptr && !stopped) {
    DL_OPSBLOCK* block = blockOf(node);
    const uint16_t enteredAt = index;
    for (; index < block->count && !stopped; ++index) {
      DL_OP_REC* record = &block->records[index];
      const uint8_t kind = opKind(record);
      if (kind == kDLOpDeleted) continue;
      if (record == slot.openHatch) slot.openHatch = nullptr;
      if (kind == kDLOpText2P) freeTextCopies(record);
      if (kind == kDLOpBeginGroup) {
        ++depth;
        TDispListOpInfo nested = opInfoOf({block, index, record});
        OnReleaseGroup(&nested);
      }
      if (kind == kDLOpEndGroup) stopped = --depth == 0;
      std::memset(record->bytes, 0, kDLOpSize);
    }
    const bool passedWholeBlock = enteredAt == 0 && index == block->count;
    IRecList::Node* next = nullptr;
    slot.ops->GetNextNode(node, &next);
    if (passedWholeBlock) slot.ops->RemoveNode(node, /*release=*/false);
    node = next;
    index = 0;
  }
  return ZR_OK;
}
