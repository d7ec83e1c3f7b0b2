// IHatchRegistryImp: handlers and their patterns in two record lists.
//
// A handler entry names the run of its patterns in the pattern list by its
// first and last node. The record list unlinks a node before it calls the
// removal callback, so the callback can no longer see the removed node's
// neighbours: the run is therefore mended by the registry before it removes
// a pattern node (unlinkFromRun), and the removal callback only frees the
// record.
#include "zefcorek/HatchRegistry.h"

#include "zefcorek/HatchHandler.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ClassMakers.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Utf16.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string_view>

namespace {

// The registry's handle of a pattern is its pattern-list node.
TRecListNodeType_Dummy* listNode(HatchPatternNode node) { return reinterpret_cast<TRecListNodeType_Dummy*>(node); }
HatchPatternNode patternNode(TRecListNodeType_Dummy* node) { return reinterpret_cast<HatchPatternNode>(node); }

IRecList* makeRecordList(unsigned recordSize) {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IRecListImp, &made, 0) != S_OK || made == nullptr) return nullptr;
  auto* list = static_cast<IRecList*>(made);
  if (list->SetOption(0, recordSize) != ZR_OK) {
    list->Release();
    return nullptr;
  }
  return list;
}

std::u16string_view patternName(const HatchPatternInfo* info) {
  const char16_t* name = info->name;
  size_t length = 0;
  while (length < kHatchPatternNameUnits && name[length] != u'\0') ++length;
  return {name, length};
}

// A record of the registry's making is at least this long.
bool isPatternRecord(const HatchPatternInfo* info) { return info != nullptr && info->cbSize >= kHatchPatternMinSize; }

constexpr GUID kZeroGuid{};

}  // namespace

// One registration. The handler holds one counted reference from the
// registry. count, first and last describe the handler's contiguous run in
// the pattern list: count 0 has neither first nor last.
struct IHatchRegistryImp::HandlerEntry {
  IHatchHandler* handler;
  uint32_t count;
  Node* first;
  Node* last;
};

// One pattern: the node of its handler's entry, and the record it owns.
struct IHatchRegistryImp::PatternEntry {
  Node* owner;
  HatchPatternInfo* info;
};

IHatchRegistry::~IHatchRegistry() = default;

void* zefcorek::makeIHatchRegistryImp(intptr_t) {
  return static_cast<IHatchRegistry*>(new (std::nothrow) IHatchRegistryImp());
}

IHatchRegistryImp::IHatchRegistryImp()
    : handlers_(makeRecordList(sizeof(HandlerEntry))), patterns_(makeRecordList(sizeof(PatternEntry))) {
  if (handlers_ != nullptr) handlers_->SetReleaseCallback(&removeHandlerEntry, this);
  if (patterns_ != nullptr) patterns_->SetReleaseCallback(&removePatternEntry, this);
}

IHatchRegistryImp::~IHatchRegistryImp() {
  RemoveAllPatterns();
  UnregisterAllHandlers();
  if (handlers_ != nullptr) handlers_->Release();
  if (patterns_ != nullptr) patterns_->Release();
}

HRESULT IHatchRegistryImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

// --- entries -----------------------------------------------------------------

IHatchRegistryImp::HandlerEntry* IHatchRegistryImp::handlerEntryOf(Node* node) {
  void* record = nullptr;
  handlers_->GetNodeRecordPtr(node, &record);
  return static_cast<HandlerEntry*>(record);
}

IHatchRegistryImp::PatternEntry* IHatchRegistryImp::patternEntryOf(Node* node) {
  void* record = nullptr;
  patterns_->GetNodeRecordPtr(node, &record);
  return static_cast<PatternEntry*>(record);
}

IHatchRegistryImp::Node* IHatchRegistryImp::findHandlerNode(IHatchHandler* handler) {
  if (handler == nullptr || handlers_ == nullptr) return nullptr;
  Node* node = nullptr;
  for (handlers_->GetHead(&node); node != nullptr; handlers_->GetNextNode(node, &node)) {
    if (handlerEntryOf(node)->handler == handler) return node;
  }
  return nullptr;
}

// Whether `node` stands in the pattern list: clients may hold stale nodes.
bool IHatchRegistryImp::holdsPatternNode(Node* node) {
  unsigned index = 0;
  return node != nullptr && patterns_ != nullptr && patterns_->IndexOfNode(node, &index) == ZR_OK;
}

// Takes the pattern node out of its handler's run before the node leaves the
// list: the first moves on, the last moves back, a single entry clears both.
void IHatchRegistryImp::unlinkFromRun(Node* node) {
  HandlerEntry* owner = handlerEntryOf(patternEntryOf(node)->owner);
  if (owner->first == node && owner->last == node) {
    owner->count = 0;
    owner->first = nullptr;
    owner->last = nullptr;
    return;
  }
  --owner->count;
  if (owner->first == node) patterns_->GetNextNode(node, &owner->first);
  if (owner->last == node) patterns_->GetPrevNode(node, &owner->last);
}

ZRESULT IHatchRegistryImp::removePatternAt(Node* node) {
  unlinkFromRun(node);
  return patterns_->RemoveNode(node, /*release=*/true);
}

// Removing a pattern entry: the registry owns the record and frees it. The
// handler's run was mended before the node was unlinked.
int32_t IHatchRegistryImp::removePatternEntry(void* record, Node*, void* context) {
  auto* self = static_cast<IHatchRegistryImp*>(context);
  self->FreePatternInfo(static_cast<PatternEntry*>(record)->info);
  return 0;
}

// Removing a handler entry: its patterns go first, then the handler is given
// a null registry and loses the registry's reference.
int32_t IHatchRegistryImp::removeHandlerEntry(void* record, Node*, void* context) {
  auto* self = static_cast<IHatchRegistryImp*>(context);
  auto* entry = static_cast<HandlerEntry*>(record);
  while (entry->count > 0 && self->patterns_ != nullptr) self->removePatternAt(entry->first);
  IHatchHandler* handler = entry->handler;
  entry->handler = nullptr;
  handler->SetRegistry(nullptr);
  handler->Release();
  return 0;
}

// --- options and handlers ------------------------------------------------------

ZRESULT IHatchRegistryImp::GetOption(uint32_t, uint32_t* out) {
  if (out != nullptr) *out = 0;
  return ZR_BADARG;
}

ZRESULT IHatchRegistryImp::SetOption(uint32_t, uint32_t) { return ZR_BADARG; }

ZRESULT IHatchRegistryImp::RegisterHandler(IHatchHandler* handler) {
  if (handler == nullptr) return ZR_BADARG;
  if (handlers_ == nullptr) return ZR_OUTOFMEMORY;
  const HandlerEntry entry{handler, 0, nullptr, nullptr};
  if (const ZRESULT result = handlers_->AddTail(&entry, nullptr); result != ZR_OK) return result;
  handler->AddRef();
  handler->SetRegistry(this);
  return ZR_OK;
}

ZRESULT IHatchRegistryImp::UnregisterHandler(IHatchHandler* handler) {
  Node* node = findHandlerNode(handler);
  if (node == nullptr) return ZR_BADARG;
  return handlers_->RemoveNode(node, /*release=*/true);
}

ZRESULT IHatchRegistryImp::UnregisterAllHandlers() {
  if (handlers_ == nullptr) return ZR_OK;
  // One at a time from the head, so that the list stays whole while each
  // handler is told.
  Node* node = nullptr;
  while (handlers_->GetHead(&node) == ZR_OK && node != nullptr) handlers_->RemoveNode(node, /*release=*/true);
  return ZR_OK;
}

ZRESULT IHatchRegistryImp::GetHandlerCount(uint32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = 0;
  if (handlers_ == nullptr) return ZR_OK;
  return handlers_->GetCount(out);
}

ZRESULT IHatchRegistryImp::GetHandlerClassID(uint32_t index, GUID* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = kZeroGuid;
  if (handlers_ == nullptr) return ZR_OUTOFMEMORY;
  Node* node = nullptr;
  if (const ZRESULT result = handlers_->GetNodeAt(index, &node); result != ZR_OK) return result;
  const ZRESULT result = handlerEntryOf(node)->handler->GetHandlerInfo(kHatchInfoClassId, out);
  if (result != ZR_OK) *out = kZeroGuid;
  return result;
}

ZRESULT IHatchRegistryImp::IndexOfHandlerClassID(const GUID* id, int32_t* outIndex) {
  if (outIndex != nullptr) *outIndex = -1;
  if (id == nullptr || outIndex == nullptr) return ZR_BADARG;
  if (handlers_ == nullptr) return ZR_NO;
  Node* node = nullptr;
  int32_t index = 0;
  for (handlers_->GetHead(&node); node != nullptr; handlers_->GetNextNode(node, &node), ++index) {
    GUID classId{};
    if (handlerEntryOf(node)->handler->GetHandlerInfo(kHatchInfoClassId, &classId) != ZR_OK) continue;
    if (std::memcmp(&classId, id, sizeof(GUID)) == 0) {
      *outIndex = index;
      return ZR_OK;
    }
  }
  return ZR_NO;
}

ZRESULT IHatchRegistryImp::GetHandler(uint32_t index, IHatchHandler** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (handlers_ == nullptr) return ZR_OUTOFMEMORY;
  Node* node = nullptr;
  if (const ZRESULT result = handlers_->GetNodeAt(index, &node); result != ZR_OK) return result;
  *out = handlerEntryOf(node)->handler;
  (*out)->AddRef();
  return ZR_OK;
}

ZRESULT IHatchRegistryImp::FindHandler(const GUID* id, IHatchHandler** out) {
  if (out != nullptr) *out = nullptr;
  if (id == nullptr || out == nullptr) return ZR_BADARG;
  int32_t index = -1;
  if (const ZRESULT result = IndexOfHandlerClassID(id, &index); result != ZR_OK) return result;
  return GetHandler(static_cast<uint32_t>(index), out);
}

ZRESULT IHatchRegistryImp::EnumHandlers(HandlerEnumFunc fn, void* context) {
  if (fn == nullptr) return ZR_BADARG;
  if (handlers_ == nullptr) return ZR_OK;
  Node* node = nullptr;
  uint32_t index = 0;
  for (handlers_->GetHead(&node); node != nullptr; ++index) {
    Node* next = nullptr;
    handlers_->GetNextNode(node, &next);
    IHatchHandler* handler = handlerEntryOf(node)->handler;
    GUID classId{};
    if (handler->GetHandlerInfo(kHatchInfoClassId, &classId) != ZR_OK) classId = kZeroGuid;
    if (fn(handler, index, &classId, context) == 0) return ZR_NO;
    node = next;
  }
  return ZR_OK;
}

// --- pattern records -------------------------------------------------------------

// Records are zero-filled from calloc rather than through the sized-record
// initialiser, which refuses records above its sanity limit while a pattern
// of many lines legitimately grows beyond it.
ZRESULT IHatchRegistryImp::AllocPatternInfo(uint32_t extra, HatchPatternInfo** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  // The total must fit the record's u32 size field; a wrapped size would
  // make a tiny record that the handler then writes past.
  const uint64_t total = uint64_t{kHatchPatternMinSize} + extra;
  if (total > std::numeric_limits<uint32_t>::max()) return ZR_OUTOFMEMORY;
  auto* info = static_cast<HatchPatternInfo*>(std::calloc(1, total));
  if (info == nullptr) return ZR_OUTOFMEMORY;
  info->cbSize = static_cast<uint32_t>(total);
  *out = info;
  return ZR_OK;
}

ZRESULT IHatchRegistryImp::FreePatternInfo(HatchPatternInfo* info) {
  if (info == nullptr) return ZR_BADARG;
  std::free(info);
  return ZR_OK;
}

ZRESULT IHatchRegistryImp::ReallocPatternInfo(uint32_t extra, HatchPatternInfo** inOut, bool keep) {
  if (inOut == nullptr || !isPatternRecord(*inOut)) return ZR_BADARG;
  HatchPatternInfo* fresh = nullptr;
  if (const ZRESULT result = AllocPatternInfo(extra, &fresh); result != ZR_OK) return result;
  HatchPatternInfo* old = *inOut;
  if (keep) {
    const uint32_t newSize = fresh->cbSize;
    std::memcpy(fresh, old, std::min(old->cbSize, newSize));
    fresh->cbSize = newSize;
  }
  FreePatternInfo(old);
  *inOut = fresh;
  return ZR_OK;
}

// --- patterns ----------------------------------------------------------------------

ZRESULT IHatchRegistryImp::AddPattern(IHatchHandler* handler, HatchPatternInfo* info, HatchPatternNode* outNode) {
  if (outNode != nullptr) *outNode = nullptr;
  Node* owner = findHandlerNode(handler);
  if (owner == nullptr) return ZR_FAILED;
  if (!isPatternRecord(info)) return ZR_BADARG;
  if (patterns_ == nullptr) return ZR_OUTOFMEMORY;
  HandlerEntry* entry = handlerEntryOf(owner);
  const PatternEntry pattern{owner, info};
  Node* node = nullptr;
  const ZRESULT result = entry->last != nullptr ? patterns_->InsertAfter(&pattern, entry->last, &node)
                                                : patterns_->AddTail(&pattern, &node);
  if (result != ZR_OK) return result;
  ++entry->count;
  if (entry->first == nullptr) entry->first = node;
  entry->last = node;
  if (outNode != nullptr) *outNode = patternNode(node);
  return ZR_OK;
}

ZRESULT IHatchRegistryImp::RemovePattern(IHatchHandler* handler, HatchPatternInfo* info) {
  if (!isPatternRecord(info)) return ZR_BADARG;
  Node* owner = findHandlerNode(handler);
  if (owner == nullptr || patterns_ == nullptr) return ZR_BADARG;
  const HandlerEntry* entry = handlerEntryOf(owner);
  for (Node* node = entry->first; node != nullptr; patterns_->GetNextNode(node, &node)) {
    if (patternEntryOf(node)->info == info) return removePatternAt(node);
    if (node == entry->last) break;
  }
  return ZR_NO;
}

ZRESULT IHatchRegistryImp::RemovePatternNode(HatchPatternNode node) {
  if (node == nullptr) return ZR_BADARG;
  if (patterns_ == nullptr) return ZR_OUTOFMEMORY;
  unsigned index = 0;
  if (const ZRESULT result = patterns_->IndexOfNode(listNode(node), &index); result != ZR_OK) return result;
  return removePatternAt(listNode(node));
}

ZRESULT IHatchRegistryImp::RemoveHandlerPatterns(IHatchHandler* handler) {
  Node* owner = findHandlerNode(handler);
  if (owner == nullptr || patterns_ == nullptr) return ZR_BADARG;
  while (handlerEntryOf(owner)->count > 0) removePatternAt(handlerEntryOf(owner)->first);
  return ZR_OK;
}

ZRESULT IHatchRegistryImp::RemoveAllPatterns() {
  if (patterns_ == nullptr) return ZR_OK;
  Node* node = nullptr;
  while (patterns_->GetHead(&node) == ZR_OK && node != nullptr) removePatternAt(node);
  return ZR_OK;
}

// Calls `fn` for the entries from `first` through `last` (null: to the end)
// whose tag matches (`tag` null: every entry). The next node is taken before
// each call, so the callback may remove the entry it is given.
ZRESULT IHatchRegistryImp::enumRun(Node* first, Node* last, const uint32_t* tag, PatternEnumFunc fn, void* context,
                                   bool* stopped) {
  *stopped = false;
  for (Node* node = first; node != nullptr;) {
    Node* next = nullptr;
    patterns_->GetNextNode(node, &next);
    const bool atLast = node == last;
    const PatternEntry entry = *patternEntryOf(node);
    if (tag == nullptr || entry.info->tag == *tag) {
      if (fn(entry.info, patternNode(node), handlerEntryOf(entry.owner)->handler, context) == 0) {
        *stopped = true;
        return ZR_OK;
      }
    }
    if (atLast) break;
    node = next;
  }
  return ZR_OK;
}

ZRESULT IHatchRegistryImp::EnumPatterns(PatternEnumFunc fn, void* context) {
  if (fn == nullptr) return ZR_BADARG;
  if (patterns_ == nullptr) return ZR_OK;
  Node* head = nullptr;
  patterns_->GetHead(&head);
  bool stopped = false;
  return enumRun(head, nullptr, nullptr, fn, context, &stopped);
}

ZRESULT IHatchRegistryImp::EnumHandlerPatterns(IHatchHandler* handler, PatternEnumFunc fn, void* context) {
  Node* owner = findHandlerNode(handler);
  if (owner == nullptr || fn == nullptr || patterns_ == nullptr) return ZR_BADARG;
  const HandlerEntry entry = *handlerEntryOf(owner);
  if (entry.count == 0) return ZR_OK;
  bool stopped = false;
  if (const ZRESULT result = enumRun(entry.first, entry.last, nullptr, fn, context, &stopped); result != ZR_OK)
    return result;
  return stopped ? ZR_NO : ZR_OK;
}

ZRESULT IHatchRegistryImp::EnumPatternsByTag(uint32_t tag, PatternEnumFunc fn, void* context) {
  if (fn == nullptr) return ZR_BADARG;
  if (patterns_ == nullptr) return ZR_OK;
  Node* head = nullptr;
  patterns_->GetHead(&head);
  bool stopped = false;
  if (const ZRESULT result = enumRun(head, nullptr, &tag, fn, context, &stopped); result != ZR_OK) return result;
  return stopped ? ZR_NO : ZR_OK;
}

ZRESULT IHatchRegistryImp::GetPatternNode(uint32_t index, HatchPatternNode* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (patterns_ == nullptr) return ZR_OUTOFMEMORY;
  Node* node = nullptr;
  const ZRESULT result = patterns_->GetNodeAt(index, &node);
  *out = result == ZR_OK ? patternNode(node) : nullptr;
  return result;
}

ZRESULT IHatchRegistryImp::IndexOfPatternNode(HatchPatternNode node, int32_t* outIndex) {
  if (outIndex != nullptr) *outIndex = -1;
  if (node == nullptr || outIndex == nullptr) return ZR_BADARG;
  if (patterns_ == nullptr) return ZR_OUTOFMEMORY;
  unsigned index = 0;
  if (const ZRESULT result = patterns_->IndexOfNode(listNode(node), &index); result != ZR_OK) return result;
  *outIndex = static_cast<int32_t>(index);
  return ZR_OK;
}

ZRESULT IHatchRegistryImp::FindPatternByName(const WCHAR* name, HatchPatternInfo** outInfo, HatchPatternNode* outNode) {
  if (outInfo != nullptr) *outInfo = nullptr;
  if (outNode != nullptr) *outNode = nullptr;
  if (name == nullptr || (outInfo == nullptr && outNode == nullptr)) return ZR_BADARG;
  if (patterns_ == nullptr) return ZR_NO;
  const std::u16string_view wanted(name);
  Node* node = nullptr;
  for (patterns_->GetHead(&node); node != nullptr; patterns_->GetNextNode(node, &node)) {
    HatchPatternInfo* info = patternEntryOf(node)->info;
    if (!platform::equalsIgnoreCase(patternName(info), wanted)) continue;
    if (outInfo != nullptr) *outInfo = info;
    if (outNode != nullptr) *outNode = patternNode(node);
    return ZR_OK;
  }
  return ZR_NO;
}

ZRESULT IHatchRegistryImp::GetPatternInfo(HatchPatternNode node, HatchPatternInfo** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (!holdsPatternNode(listNode(node))) return ZR_BADARG;
  *out = patternEntryOf(listNode(node))->info;
  return ZR_OK;
}

// The node is looked up before it is used: a stale node from a client must
// not be read.
ZRESULT IHatchRegistryImp::GetPatternHandler(HatchPatternNode node, IHatchHandler** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (!holdsPatternNode(listNode(node))) return ZR_BADARG;
  *out = handlerEntryOf(patternEntryOf(listNode(node))->owner)->handler;
  (*out)->AddRef();
  return ZR_OK;
}

// --- forwarding ----------------------------------------------------------------------

// The handler owning the pattern of a job or measure record; both records
// begin with cbSize and the pattern node. Null with the code in *result when
// the record is short or names no live pattern.
IHatchHandler* IHatchRegistryImp::handlerForJob(const void* record, uint32_t minSize, ZRESULT* result) {
  *result = ZR_BADARG;
  if (record == nullptr) return nullptr;
  uint32_t size = 0;
  std::memcpy(&size, record, sizeof(size));
  if (size < minSize) return nullptr;
  if (handlers_ == nullptr || patterns_ == nullptr) {
    *result = ZR_OUTOFMEMORY;
    return nullptr;
  }
  // Both records hold the node right after the size field.
  HatchPatternNode node = static_cast<const HatchJob*>(record)->pattern;
  static_assert(offsetof(HatchJob, pattern) == offsetof(HatchMeasureRec, pattern));
  if (!holdsPatternNode(listNode(node))) return nullptr;
  *result = ZR_OK;
  return handlerEntryOf(patternEntryOf(listNode(node))->owner)->handler;
}

ZRESULT IHatchRegistryImp::QueryHatch(HatchMeasureRec* measure) {
  ZRESULT result = ZR_OK;
  IHatchHandler* handler = handlerForJob(measure, kHatchMeasureRecSize, &result);
  return handler != nullptr ? handler->MeasurePattern(measure) : result;
}

ZRESULT IHatchRegistryImp::ExecuteHatch(HatchJob* job) {
  ZRESULT result = ZR_OK;
  IHatchHandler* handler = handlerForJob(job, kHatchJobSize, &result);
  return handler != nullptr ? handler->GenerateHatch(job) : result;
}

ZRESULT IHatchRegistryImp::ExecuteHatchEx(HatchJob* job, const double* point, double tolerance) {
  ZRESULT result = ZR_OK;
  IHatchHandler* handler = handlerForJob(job, kHatchJobSize, &result);
  return handler != nullptr ? handler->HitTestHatch(job, point, tolerance) : result;
}
