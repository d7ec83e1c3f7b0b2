// IDisplayList: drawing operations recorded in 32-bit integer coordinates,
// so that a client view can replay them quickly onto a drawing target of its
// own (IDispListTarget).
//
// One object keeps up to eight lists, the primary list (0) and up to seven
// secondary ones; every operation works on the selected list. A list records
// pen attributes, moves that draw while the pen is down, nested groups that
// carry the client's references and an integer bounding box kept up to date
// while recording, hatches with their boundary vertices, and texts between
// two points. Attributes and moves are recorded only when they change.
//
// The display list keeps the hatch registry it was made with without a
// reference: the client keeps the registry alive as long as the list.
// Operations are declared in their slot order; never reorder them. Yes/no
// operations answer 0 for yes and 1 for no.
#pragma once

#include "zefcorek/DisplayListRecords.h"
#include "zefcorek/GeoTypes.h"
#include "zefcorek/StdInterface.h"

#include <cstdint>

struct IHatchRegistry;

// The client's drawing target. The display list calls only the operations
// named in the comments; the placeholders keep the others' positions.
struct ZEF_EXPORT IDispListTarget : virtual IStdInterface {
  // 0: non-zero stops the execution, which answers that value.
  virtual ZRESULT IsAborted() = 0;
  // 1: non-zero cancels the execution before anything is drawn.
  virtual ZRESULT BeginExecute() = 0;
  // 2: after the walk when BeginExecute answered 0.
  virtual ZRESULT EndExecute() = 0;
  // 3: non-zero skips the group's contents.
  virtual ZRESULT BeginGroup(TDispListOpInfo* info, uint32_t flags, TDispListExecuteParms* parms) = 0;
  // 4: at the end of every group whose contents were drawn.
  virtual ZRESULT EndGroup(TDispListOpInfo* info, TDispListExecuteParms* parms) = 0;
  virtual ZRESULT TargetReserved5() = 0;
  // 6
  virtual ZRESULT SetPenColor(uint32_t colour) = 0;
  virtual ZRESULT TargetReserved7() = 0;
  // 8
  virtual ZRESULT SetPenWidth(int32_t width) = 0;
  virtual ZRESULT TargetReserved9() = 0;
  // 10
  virtual ZRESULT SetPenStyle(uint32_t style) = 0;
  virtual ZRESULT TargetReserved11() = 0;
  virtual ZRESULT TargetReserved12() = 0;
  // 13
  virtual ZRESULT DrawPoint(int32_t x, int32_t y) = 0;
  // 14: the clipped segment; `unclipped` holds the segment before clipping
  // (second offset applied), null for hatch lines.
  virtual ZRESULT DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const int32_t* unclipped) = 0;
  // 15
  virtual ZRESULT DrawText2P(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const WCHAR* text,
                             const DLFontDef* font) = 0;
  // 16: must write both outputs.
  virtual ZRESULT TransformPoint(int32_t x, int32_t y, int32_t* outX, int32_t* outY) = 0;
  ~IDispListTarget() override;
};

struct ZEF_EXPORT IDisplayList : virtual IStdInterface {
  // 0, 1: option 0 is "execute hatches" (1 at first); others answer 10.
  virtual ZRESULT GetOption(uint32_t which, int32_t* value) = 0;
  virtual ZRESULT SetOption(uint32_t which, int32_t value) = 0;
  // 2, 3
  virtual ZRESULT Clear() = 0;
  virtual ZRESULT IsEmpty() = 0;
  // 4-8: groups. BeginGroup fills info's begin node and index.
  virtual ZRESULT BeginGroup(TDispListOpInfo* info, uint32_t flags) = 0;
  virtual ZRESULT EndGroup(TDispListOpInfo* info) = 0;
  virtual ZRESULT DeleteGroup(TDispListOpInfo* info) = 0;
  virtual ZRESULT OnHoldGroup(TDispListOpInfo* info) = 0;
  virtual ZRESULT OnReleaseGroup(TDispListOpInfo* info) = 0;
  // 9-13: secondary lists 1..7.
  virtual ZRESULT NewSecondaryDList(uint32_t* index) = 0;
  virtual ZRESULT DeleleSecondaryDList(uint32_t index) = 0;
  virtual ZRESULT SelectPrimaryDList() = 0;
  virtual ZRESULT SelectSecondaryDList(uint32_t index) = 0;
  virtual ZRESULT HasSecondaryDList(uint32_t index) = 0;
  // 14-19: pen.
  virtual ZRESULT PenColor(uint32_t colour) = 0;
  virtual ZRESULT PenWidth(int32_t width) = 0;
  virtual ZRESULT PenStyle(uint32_t style) = 0;
  virtual ZRESULT PenDown() = 0;
  virtual ZRESULT PenUp() = 0;
  virtual ZRESULT MoveTo(int32_t x, int32_t y) = 0;
  // 20-22: hatches.
  virtual ZRESULT BeginHatch(HatchID_Dummy* hatch, uint32_t value, double scale, double angle) = 0;
  virtual ZRESULT HatchVertex(uint32_t loop, uint16_t firstTag, uint16_t secondTag, int32_t x, int32_t y) = 0;
  virtual ZRESULT EndHatch() = 0;
  // 23
  virtual ZRESULT Text2P(int32_t x, int32_t y, const WCHAR* text, const DLFontDef* font) = 0;
  // 24-27: replay, dump and group queries.
  virtual ZRESULT Execute(TDispListExecuteParms* parms) = 0;
  virtual ZRESULT DumpToFile(const WCHAR* path) = 0;
  virtual ZRESULT GetGroupRefsByClipRect(tagT_IRECT2D* rect, IRecList** out) = 0;
  virtual ZRESULT GetGroupRefsByClipRectAndPt(tagT_IRECT2D* rect, tagT_IPOINT2D* point, int32_t tolerance,
                                              IRecList** out) = 0;
  ~IDisplayList() override;
};

struct DL_EXEC_INFO;

class ZEF_EXPORT IDisplayListImp : public IStdInterfaceImp, public virtual IDisplayList {
public:
  // `registry` may be null: hatches are then not executed.
  explicit IDisplayListImp(IHatchRegistry* registry);
  // Clears and destroys the secondary lists from 1 upward, then the primary.
  ~IDisplayListImp() override;

  ZRESULT GetOption(uint32_t which, int32_t* value) override;
  ZRESULT SetOption(uint32_t which, int32_t value) override;
  ZRESULT Clear() override;
  ZRESULT IsEmpty() override;
  ZRESULT BeginGroup(TDispListOpInfo* info, uint32_t flags) override;
  ZRESULT EndGroup(TDispListOpInfo* info) override;
  ZRESULT DeleteGroup(TDispListOpInfo* info) override;
  // Sets or clears the group's selected flag; ZR_FAILED when info names no group.
  virtual ZRESULT GroupSelFlagChange(TDispListOpInfo* info, int32_t selected);
  // Hooks for derived classes: a group was recorded / goes away. 0 here.
  ZRESULT OnHoldGroup(TDispListOpInfo* info) override;
  ZRESULT OnReleaseGroup(TDispListOpInfo* info) override;
  ZRESULT NewSecondaryDList(uint32_t* index) override;
  ZRESULT DeleleSecondaryDList(uint32_t index) override;
  ZRESULT SelectPrimaryDList() override;
  ZRESULT SelectSecondaryDList(uint32_t index) override;
  ZRESULT HasSecondaryDList(uint32_t index) override;
  ZRESULT PenColor(uint32_t colour) override;
  ZRESULT PenWidth(int32_t width) override;
  ZRESULT PenStyle(uint32_t style) override;
  ZRESULT PenDown() override;
  ZRESULT PenUp() override;
  ZRESULT MoveTo(int32_t x, int32_t y) override;
  ZRESULT BeginHatch(HatchID_Dummy* hatch, uint32_t value, double scale, double angle) override;
  ZRESULT HatchVertex(uint32_t loop, uint16_t firstTag, uint16_t secondTag, int32_t x, int32_t y) override;
  ZRESULT EndHatch() override;
  ZRESULT Text2P(int32_t x, int32_t y, const WCHAR* text, const DLFontDef* font) override;
  ZRESULT Execute(TDispListExecuteParms* parms) override;
  ZRESULT DumpToFile(const WCHAR* path) override;
  ZRESULT GetGroupRefsByClipRect(tagT_IRECT2D* rect, IRecList** out) override;
  ZRESULT GetGroupRefsByClipRectAndPt(tagT_IRECT2D* rect, tagT_IPOINT2D* point, int32_t tolerance,
                                      IRecList** out) override;

  virtual ZRESULT InternalCreateList(uint32_t index);
  virtual ZRESULT InternalDestroyList(uint32_t index);
  virtual ZRESULT AppendBlock(DL_OPSBLOCK** block);
  virtual ZRESULT AppendOp(uint8_t kind, DL_OP_REC_INFO* out);
  virtual ZRESULT UpdateOpenGroupsBBoxes(int32_t x, int32_t y);
  virtual ZRESULT FindBeginGroupByRef(TDispListGroupAppRefs* refs, DL_OP_REC_INFO* out);
  virtual ZRESULT InternalExecute(TDispListExecuteParms* parms);
  virtual ZRESULT InternalExecHatch(TDispListExecuteParms* parms, DL_EXEC_INFO* walk);

  // Clear callbacks of the operations and open-groups lists.
  static int32_t DLClearProc(void* block, TRecListNodeType_Dummy* node, void* displayList);
  static int32_t DLOpenGroupsClearProc(void* record, TRecListNodeType_Dummy* node, void* displayList);

  static constexpr uint32_t kMaxLists = 8;

protected:
  // One list: its records, its open groups (innermost at the head) and the
  // recording state.
  struct ListSlot {
    IRecList* ops = nullptr;         // DL_OPSBLOCK records; owned, may be null
    IRecList* openGroups = nullptr;  // DL_OP_REC_INFO records; owned, may be null
    DL_OP_REC* openHatch = nullptr;  // BeginHatch record of the open hatch
    uint32_t penDown = 1;
    int32_t x = 0, y = 0;
    uint32_t colour = 0;
    int32_t width = 0;
    uint32_t style = 0;
    TDispListExecuteParms lastExecution{};
  };

  ListSlot& selected() { return lists_[selected_]; }
  bool hasLists() { return selected().ops != nullptr && selected().openGroups != nullptr; }
  void resetPen();
  ZRESULT recordValue(uint8_t kind, uint32_t value);
  ZRESULT locateGroup(TDispListOpInfo* info, DL_OP_REC_INFO* out);
  DL_OPSBLOCK* blockOf(TRecListNodeType_Dummy* node);
  TDispListOpInfo opInfoOf(const DL_OP_REC_INFO& where);
  bool isOpenGroup(const DL_OP_REC* record);

  IHatchRegistry* registry_;  // not counted; may be null
  uint32_t count_ = 1;        // lists in use, 1..8
  uint32_t selected_ = 0;     // the list every operation works on
  ListSlot lists_[kMaxLists];
  uint32_t executeHatches_ = 1;  // option 0
};
