// IHatchRegistry: where a client's hatch handlers and the patterns they load
// are kept together.
//
// Two record lists hold the state. The handler list has one entry per
// registration, in registration order; the pattern list one entry per
// pattern, and the entries of one handler stand contiguously in it, so a
// handler entry names its run by its first and last node and a count. A
// pattern is named to clients by its pattern-list node (HatchPatternNode).
// The registry owns every pattern record from AddPattern on, and allocates
// and frees pattern records for the handlers.
//
// Registry and handler hold counted references to each other while the
// handler is registered: the client ends the pair by unregistering.
// Results are the ZR_* codes. One thread at a time.
#pragma once

#include "zefcorek/HatchJob.h"
#include "zefcorek/HatchPattern.h"
#include "zefcorek/RecList.h"
#include "zefcorek/StdInterface.h"

#include <cstdint>

struct IHatchHandler;

struct ZEF_EXPORT IHatchRegistry : virtual IStdDataInterface {
  // 0 stops a walk. The class id pointer is valid during the call only.
  using HandlerEnumFunc = int32_t (*)(IHatchHandler* handler, uint32_t index, const GUID* classId, void* context);
  using PatternEnumFunc = int32_t (*)(HatchPatternInfo* info, HatchPatternNode node, IHatchHandler* handler,
                                      void* context);

  // 1, 2: there are no options: 10 (GetOption sets *out to 0).
  virtual ZRESULT GetOption(uint32_t which, uint32_t* out) = 0;
  virtual ZRESULT SetOption(uint32_t which, uint32_t value) = 0;
  // 3: appends an entry, takes a reference and hands the handler this
  // registry. The same handler may be registered twice.
  virtual ZRESULT RegisterHandler(IHatchHandler* handler) = 0;
  // 4: removes the first entry of this handler with its patterns; ZR_BADARG when none.
  virtual ZRESULT UnregisterHandler(IHatchHandler* handler) = 0;
  // 5
  virtual ZRESULT UnregisterAllHandlers() = 0;
  // 6
  virtual ZRESULT GetHandlerCount(uint32_t* out) = 0;
  // 7: the class id the handler reports; a zero GUID on failure.
  virtual ZRESULT GetHandlerClassID(uint32_t index, GUID* out) = 0;
  // 8: ZR_NO with index -1 when no handler reports that id.
  virtual ZRESULT IndexOfHandlerClassID(const GUID* id, int32_t* outIndex) = 0;
  // 9: with a reference for the caller; null on failure.
  virtual ZRESULT GetHandler(uint32_t index, IHatchHandler** out) = 0;
  // 10: the first handler reporting `id`, with a reference; 1 and null if none.
  virtual ZRESULT FindHandler(const GUID* id, IHatchHandler** out) = 0;
  // 11: ZR_NO when the callback stopped the walk.
  virtual ZRESULT EnumHandlers(HandlerEnumFunc fn, void* context) = 0;
  // 12: a zeroed record of kHatchPatternMinSize + extra bytes, its cbSize set.
  // 30 (nothing allocated) when the total does not fit cbSize or memory runs out.
  virtual ZRESULT AllocPatternInfo(uint32_t extra, HatchPatternInfo** out) = 0;
  // 13
  virtual ZRESULT FreePatternInfo(HatchPatternInfo* info) = 0;
  // 14: replaces *inOut by a record of kHatchPatternMinSize + extra bytes,
  // keeping the contents (up to the smaller size) when `keep` is set. On
  // failure the old record stays as it was.
  virtual ZRESULT ReallocPatternInfo(uint32_t extra, HatchPatternInfo** inOut, bool keep) = 0;
  // 15: adds the record after the handler's last pattern; the registry owns
  // the record from then on. ZR_FAILED for a handler not registered.
  virtual ZRESULT AddPattern(IHatchHandler* handler, HatchPatternInfo* info, HatchPatternNode* outNode) = 0;
  // 16: ZR_NO when the handler has no entry holding this record.
  virtual ZRESULT RemovePattern(IHatchHandler* handler, HatchPatternInfo* info) = 0;
  // 17
  virtual ZRESULT RemovePatternNode(HatchPatternNode node) = 0;
  // 18
  virtual ZRESULT RemoveHandlerPatterns(IHatchHandler* handler) = 0;
  // 19
  virtual ZRESULT RemoveAllPatterns() = 0;
  // 20: the callback may remove the entry it is given. ZR_OK also when stopped.
  virtual ZRESULT EnumPatterns(PatternEnumFunc fn, void* context) = 0;
  // 21: ZR_NO when stopped, ZR_OK after a full walk.
  virtual ZRESULT EnumHandlerPatterns(IHatchHandler* handler, PatternEnumFunc fn, void* context) = 0;
  // 22: the patterns whose tag equals `tag`; ZR_NO when stopped.
  virtual ZRESULT EnumPatternsByTag(uint32_t tag, PatternEnumFunc fn, void* context) = 0;
  // 23
  virtual ZRESULT GetPatternNode(uint32_t index, HatchPatternNode* out) = 0;
  // 24
  virtual ZRESULT IndexOfPatternNode(HatchPatternNode node, int32_t* outIndex) = 0;
  // 25: the first pattern whose name equals `name` ignoring case; either out
  // may be null, not both. ZR_NO with both outs null when none matches.
  virtual ZRESULT FindPatternByName(const WCHAR* name, HatchPatternInfo** outInfo, HatchPatternNode* outNode) = 0;
  // 26: the record, still owned by the registry.
  virtual ZRESULT GetPatternInfo(HatchPatternNode node, HatchPatternInfo** out) = 0;
  // 27: the owning handler with a reference; 10 and null for a node that is
  // not in the pattern list.
  virtual ZRESULT GetPatternHandler(HatchPatternNode node, IHatchHandler** out) = 0;
  // 28-30: forward to the handler owning the record's pattern.
  virtual ZRESULT QueryHatch(HatchMeasureRec* measure) = 0;
  virtual ZRESULT ExecuteHatch(HatchJob* job) = 0;
  virtual ZRESULT ExecuteHatchEx(HatchJob* job, const double* point, double tolerance) = 0;
  // 31: writes the job's boundary and hatch lines to a new DXF file.
  virtual ZRESULT ExportHatchToDXF(HatchJob* job, const WCHAR* path) = 0;
  ~IHatchRegistry() override;
};

class ZEF_EXPORT IHatchRegistryImp : public IStdDataInterfaceImp, public virtual IHatchRegistry {
public:
  IHatchRegistryImp();
  // Removes every pattern, then every handler entry (each handler gets a
  // null registry and loses the registry's reference).
  ~IHatchRegistryImp() override;

  // ZR_NOTSUPPORTED for every identifier, *out untouched.
  HRESULT QueryInterface(REFIID iid, void** out) override;

  ZRESULT GetOption(uint32_t which, uint32_t* out) override;
  ZRESULT SetOption(uint32_t which, uint32_t value) override;
  ZRESULT RegisterHandler(IHatchHandler* handler) override;
  ZRESULT UnregisterHandler(IHatchHandler* handler) override;
  ZRESULT UnregisterAllHandlers() override;
  ZRESULT GetHandlerCount(uint32_t* out) override;
  ZRESULT GetHandlerClassID(uint32_t index, GUID* out) override;
  ZRESULT IndexOfHandlerClassID(const GUID* id, int32_t* outIndex) override;
  ZRESULT GetHandler(uint32_t index, IHatchHandler** out) override;
  ZRESULT FindHandler(const GUID* id, IHatchHandler** out) override;
  ZRESULT EnumHandlers(HandlerEnumFunc fn, void* context) override;
  ZRESULT AllocPatternInfo(uint32_t extra, HatchPatternInfo** out) override;
  ZRESULT FreePatternInfo(HatchPatternInfo* info) override;
  ZRESULT ReallocPatternInfo(uint32_t extra, HatchPatternInfo** inOut, bool keep) override;
  ZRESULT AddPattern(IHatchHandler* handler, HatchPatternInfo* info, HatchPatternNode* outNode) override;
  ZRESULT RemovePattern(IHatchHandler* handler, HatchPatternInfo* info) override;
  ZRESULT RemovePatternNode(HatchPatternNode node) override;
  ZRESULT RemoveHandlerPatterns(IHatchHandler* handler) override;
  ZRESULT RemoveAllPatterns() override;
  ZRESULT EnumPatterns(PatternEnumFunc fn, void* context) override;
  ZRESULT EnumHandlerPatterns(IHatchHandler* handler, PatternEnumFunc fn, void* context) override;
  ZRESULT EnumPatternsByTag(uint32_t tag, PatternEnumFunc fn, void* context) override;
  ZRESULT GetPatternNode(uint32_t index, HatchPatternNode* out) override;
  ZRESULT IndexOfPatternNode(HatchPatternNode node, int32_t* outIndex) override;
  ZRESULT FindPatternByName(const WCHAR* name, HatchPatternInfo** outInfo, HatchPatternNode* outNode) override;
  ZRESULT GetPatternInfo(HatchPatternNode node, HatchPatternInfo** out) override;
  ZRESULT GetPatternHandler(HatchPatternNode node, IHatchHandler** out) override;
  ZRESULT QueryHatch(HatchMeasureRec* measure) override;
  ZRESULT ExecuteHatch(HatchJob* job) override;
  ZRESULT ExecuteHatchEx(HatchJob* job, const double* point, double tolerance) override;
  ZRESULT ExportHatchToDXF(HatchJob* job, const WCHAR* path) override;

private:
  using Node = IRecList::Node;
  struct HandlerEntry;
  struct PatternEntry;

  static int32_t removeHandlerEntry(void* record, Node* node, void* context);
  static int32_t removePatternEntry(void* record, Node* node, void* context);

  HandlerEntry* handlerEntryOf(Node* node);
  PatternEntry* patternEntryOf(Node* node);
  Node* findHandlerNode(IHatchHandler* handler);
  bool holdsPatternNode(Node* node);
  void unlinkFromRun(Node* node);
  ZRESULT removePatternAt(Node* node);
  ZRESULT enumRun(Node* first, Node* last, const uint32_t* tag, PatternEnumFunc fn, void* context, bool* stopped);
  IHatchHandler* handlerForJob(const void* record, uint32_t minSize, ZRESULT* result);

  IRecList* handlers_ = nullptr;  // HandlerEntry records; owned, may be null
  IRecList* patterns_ = nullptr;  // PatternEntry records; owned, may be null
};
