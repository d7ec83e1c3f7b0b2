// Display list recording: blocks, change-only recording, group boxes,
// hatches, texts, group location and deletion, secondary lists and hooks.
#include "zefcorek/DisplayList.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/HatchRegistry.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Exposes the selected list's records and counts the group hooks.
class InspectableList : public IDisplayListImp {
public:
  InspectableList() : IDisplayListImp(nullptr) {}

  std::vector<DL_OPSBLOCK*> blocks() {
    std::vector<DL_OPSBLOCK*> out;
    IRecList::Node* node = nullptr;
    for (selected().ops->GetHead(&node); node != nullptr; selected().ops->GetNextNode(node, &node))
      out.push_back(blockOf(node));
    return out;
  }
  // Kinds of all records in order.
  std::vector<int> kinds() {
    std::vector<int> out;
    for (DL_OPSBLOCK* block : blocks())
      for (unsigned i = 0; i < block->count; ++i) out.push_back(opKind(&block->records[i]));
    return out;
  }
  DL_OP_REC* lastRecord() {
    DL_OPSBLOCK* block = blocks().back();
    return &block->records[block->count - 1];
  }
  DL_OP_REC* recordAt(const TDispListOpInfo& info) { return &blockOf(info.beginNode)->records[info.beginIndex]; }
  DLOpBeginGroup group(const TDispListOpInfo& info) { return loadOp<DLOpBeginGroup>(recordAt(info)); }
  uint32_t selectedIndex() const { return selected_; }

  ZRESULT OnHoldGroup(TDispListOpInfo*) override {
    ++holds;
    return holdAnswer;
  }
  ZRESULT OnReleaseGroup(TDispListOpInfo* info) override {
    released.push_back(info->refs.values[0]);
    return 0;
  }
  ZRESULT holdAnswer = 0;
  int holds = 0;
  std::vector<uint32_t> released;
};

TDispListOpInfo groupInfo(uint32_t ref, uint32_t other = 0) {
  TDispListOpInfo info{};
  info.cbSize = kDispListOpInfoSize;
  info.refs = {{ref, other, 0, 0}};
  return info;
}

class DisplayListTest : public ::testing::Test {
protected:
  void TearDown() override { list->Release(); }
  InspectableList* list = new InspectableList();
};

TEST_F(DisplayListTest, BlocksHold256Records) {
  for (int i = 1; i <= 256; ++i) ASSERT_EQ(list->MoveTo(i, 0), 0);
  EXPECT_EQ(list->blocks().size(), 1u);
  EXPECT_EQ(list->blocks()[0]->count, 256);
  ASSERT_EQ(list->MoveTo(0, 0), 0);
  ASSERT_EQ(list->blocks().size(), 2u);
  EXPECT_EQ(list->blocks()[1]->count, 1);
  // The kind byte leads and unused bytes stay zero.
  const DL_OP_REC* move = list->lastRecord();
  EXPECT_EQ(loadOp<DLOpMoveTo>(move).flags, kMovePenDown);
  for (size_t i = sizeof(DLOpMoveTo); i < kDLOpSize; ++i) EXPECT_EQ(move->bytes[i], 0) << i;
}

// Attributes and moves are recorded only when they change.
TEST_F(DisplayListTest, RecordsOnlyChanges) {
  const struct {
    const char* what;
    ZRESULT (*call)(IDisplayList*);
    size_t recordsAfter;  // records in the list afterwards
  } rows[] = {
      {"colour 0 is current", [](IDisplayList* l) { return l->PenColor(0); }, 0},
      {"move to the current point", [](IDisplayList* l) { return l->MoveTo(0, 0); }, 0},
      {"width 3", [](IDisplayList* l) { return l->PenWidth(3); }, 1},
      {"width 3 again", [](IDisplayList* l) { return l->PenWidth(3); }, 1},
      {"style 2", [](IDisplayList* l) { return l->PenStyle(2); }, 2},
      {"pen up records nothing", [](IDisplayList* l) { return l->PenUp(); }, 2},
      {"move", [](IDisplayList* l) { return l->MoveTo(4, 5); }, 3},
      {"same point, pen changed", [](IDisplayList* l) { return l->PenDown(); }, 3},
      {"same point again", [](IDisplayList* l) { return l->MoveTo(4, 5); }, 3},
      {"colour 7", [](IDisplayList* l) { return l->PenColor(7); }, 4},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(row.call(list), 0);
    EXPECT_EQ(list->kinds().size(), row.recordsAfter);
  }
  EXPECT_EQ(list->kinds(), (std::vector<int>{3, 4, 5, 2}));
  EXPECT_EQ(loadOp<DLOpMoveTo>(&list->blocks()[0]->records[2]).flags, 0) << "recorded pen up";

  int32_t value = 9;
  EXPECT_EQ(list->GetOption(1, &value), 10);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(list->SetOption(0, 5), 0);
  EXPECT_EQ(list->GetOption(0, &value), 0);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(list->SetOption(2, 0), 10);
  EXPECT_EQ(list->IsEmpty(), 1);
  EXPECT_EQ(list->Clear(), 0);
  EXPECT_EQ(list->IsEmpty(), 0);
}

TEST_F(DisplayListTest, GroupsAndTheirBoxes) {
  ASSERT_EQ(list->MoveTo(50, 50), 0);
  ASSERT_EQ(list->PenColor(3), 0);
  TDispListOpInfo outer = groupInfo(1);
  TDispListOpInfo inner = groupInfo(2);
  ASSERT_EQ(list->BeginGroup(&outer, 1), 0);
  // The pen was reset: these record nothing.
  const size_t before = list->kinds().size();
  EXPECT_EQ(list->MoveTo(0, 0), 0);
  EXPECT_EQ(list->PenColor(0), 0);
  EXPECT_EQ(list->kinds().size(), before);
  ASSERT_EQ(list->MoveTo(10, 20), 0);
  ASSERT_EQ(list->BeginGroup(&inner, 0), 0);
  ASSERT_EQ(list->MoveTo(-5, 30), 0);
  DLFontDef font{};
  ASSERT_EQ(list->Text2P(40, -2, u"label", &font), 0);
  EXPECT_EQ(list->EndGroup(&outer), 2) << "inner is the innermost";
  ASSERT_EQ(list->EndGroup(&inner), 0);
  TDispListOpInfo otherValues = groupInfo(1, 99);
  ASSERT_EQ(list->EndGroup(&otherValues), 0) << "only the first value must match";
  EXPECT_EQ(list->EndGroup(&outer), 10) << "nothing open";

  const DLOpBeginGroup o = list->group(outer);
  const DLOpBeginGroup i = list->group(inner);
  EXPECT_EQ(+i.minX, -5);
  EXPECT_EQ(+i.maxX, 40);  // the text's anchor only
  EXPECT_EQ(+i.minY, -2);
  EXPECT_EQ(+i.maxY, 30);
  EXPECT_EQ(+o.minX, -5);
  EXPECT_EQ(+o.minY, -2);
  EXPECT_EQ(+o.maxX, 40);
  EXPECT_EQ(+o.maxY, 30);
  EXPECT_EQ(+o.flags, kGroupSelected | kGroupHasSubgroups);
  EXPECT_EQ(+i.flags, 0);
  EXPECT_EQ(outer.beginIndex, 2u);
  // Begin and end records point at each other.
  const uint16_t endIndex = o.endIndex;
  const DL_OP_REC* end = &list->blocks()[0]->records[endIndex];
  EXPECT_EQ(opKind(end), kDLOpEndGroup);
  EXPECT_EQ(+loadOp<DLOpEndGroup>(end).beginIndex, +outer.beginIndex);

  // After EndGroup the pen is up: the next move is recorded without drawing.
  ASSERT_EQ(list->MoveTo(1, 1), 0);
  EXPECT_EQ(loadOp<DLOpMoveTo>(list->lastRecord()).flags, 0);

  TDispListOpInfo wrongSize = groupInfo(3);
  wrongSize.cbSize -= 1;
  EXPECT_EQ(list->BeginGroup(&wrongSize, 0), 10);
  EXPECT_EQ(list->BeginGroup(nullptr, 0), 10);
}

TEST_F(DisplayListTest, Hatches) {
  auto* hatch = reinterpret_cast<HatchID_Dummy*>(0x1234);
  EXPECT_EQ(list->HatchVertex(0, 0, 0, 1, 1), 2);
  EXPECT_EQ(list->EndHatch(), 2);
  TDispListOpInfo group = groupInfo(1);
  ASSERT_EQ(list->BeginGroup(&group, 0), 0);
  ASSERT_EQ(list->MoveTo(5, 5), 0);
  // A hatch without vertices leaves the group's box alone.
  ASSERT_EQ(list->BeginHatch(hatch, 3, 2.5, 0.25), 0);
  EXPECT_EQ(list->BeginHatch(hatch, 3, 2.5, 0.25), 2);
  ASSERT_EQ(list->EndHatch(), 0);
  DLOpBeginGroup box = list->group(group);
  EXPECT_EQ(+box.minX, 5);
  EXPECT_EQ(+box.maxX, 5);

  ASSERT_EQ(list->BeginHatch(hatch, 4, 8.0, 0.5), 0);
  DL_OP_REC* begin = list->lastRecord();
  ASSERT_EQ(list->HatchVertex(1, 0, 1, -10, 3), 0);
  ASSERT_EQ(list->HatchVertex(1, 0, 1, 20, 9), 0);
  // Vertices widen the hatch's own box only.
  EXPECT_EQ(+list->group(group).minX, 5);
  ASSERT_EQ(list->EndHatch(), 0);
  const DLOpBeginHatch recorded = loadOp<DLOpBeginHatch>(begin);
  const HatchID_Dummy* recordedHatch = recorded.hatch;
  EXPECT_EQ(recordedHatch, hatch);
  EXPECT_EQ(+recorded.value, 4u);
  EXPECT_EQ(+recorded.angle, 0.5f);
  EXPECT_EQ(+recorded.scale, 8.0f);
  EXPECT_EQ(+recorded.minX, -10);
  EXPECT_EQ(+recorded.maxY, 9);
  box = list->group(group);
  EXPECT_EQ(+box.minX, -10);
  EXPECT_EQ(+box.minY, 3);
  EXPECT_EQ(+box.maxX, 20);
  EXPECT_EQ(+box.maxY, 9);
}

TEST_F(DisplayListTest, TextsAreCopied) {
  DLFontDef font{};
  font.bytes[131] = 7;
  EXPECT_EQ(list->Text2P(1, 2, nullptr, &font), 10);
  EXPECT_EQ(list->Text2P(1, 2, u"x", nullptr), 10);
  EXPECT_TRUE(list->kinds().empty());
  std::u16string text = u"hello";
  ASSERT_EQ(list->Text2P(1, 2, text.c_str(), &font), 0);
  text[0] = u'j';
  font.bytes[131] = 0;
  const DLOpText2P recorded = loadOp<DLOpText2P>(list->lastRecord());
  EXPECT_EQ(std::u16string(recorded.text), u"hello");
  EXPECT_EQ(recorded.font->bytes[131], 7);
  // The copies are freed by Clear (and checked by ASan).
}

TEST_F(DisplayListTest, LocatingGroups) {
  TDispListOpInfo a = groupInfo(0xA);
  ASSERT_EQ(list->BeginGroup(&a, 0), 0);
  ASSERT_EQ(list->EndGroup(&a), 0);
  TDispListOpInfo byRef = groupInfo(0xA);
  EXPECT_EQ(list->GroupSelFlagChange(&byRef, 1), 0);
  EXPECT_EQ(list->group(a).flags & kGroupSelected, kGroupSelected);
  EXPECT_EQ(list->GroupSelFlagChange(&a, 0), 0);
  EXPECT_EQ(list->group(a).flags & kGroupSelected, 0);
  TDispListOpInfo missing = groupInfo(0xB);
  EXPECT_EQ(list->GroupSelFlagChange(&missing, 1), 1);
  EXPECT_EQ(list->DeleteGroup(&missing), 1);
  TDispListOpInfo endRecord = a;
  endRecord.beginIndex = 1;  // the EndGroup record
  EXPECT_EQ(list->GroupSelFlagChange(&endRecord, 1), 2);
  endRecord.beginIndex = 2;  // past the records
  EXPECT_EQ(list->GroupSelFlagChange(&endRecord, 1), 10);
  TDispListOpInfo shortInfo = a;
  shortInfo.cbSize = 44;
  EXPECT_EQ(list->DeleteGroup(&shortInfo), 10);
}

// A group from index 0 to the end of its block takes the block with it; one
// entered in the middle of its block leaves the block with the records
// before it. Every BeginGroup passed reaches OnReleaseGroup.
TEST_F(DisplayListTest, DeletingGroups) {
  const struct {
    const char* what;
    int movesBefore;
    size_t blocksAfter;
    std::vector<int> firstBlockKindsAfter;  // empty: no block left
  } rows[] = {
      {"group at index 0 filling its block", 0, 0, {}},
      {"group at index 5", 5, 1, {5, 5, 5, 5, 5}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    auto* fresh = new InspectableList();
    for (int i = 1; i <= row.movesBefore; ++i) ASSERT_EQ(fresh->MoveTo(i, i), 0);
    TDispListOpInfo outer = groupInfo(1);
    TDispListOpInfo inner = groupInfo(2);
    DLFontDef font{};
    ASSERT_EQ(fresh->BeginGroup(&outer, 0), 0);
    ASSERT_EQ(fresh->Text2P(3, 3, u"t", &font), 0);
    ASSERT_EQ(fresh->BeginGroup(&inner, 0), 0);
    ASSERT_EQ(fresh->EndGroup(&inner), 0);
    // Fill the block up to its last record with moves; EndGroup goes last.
    while (fresh->blocks()[0]->count < kDLOpsPerBlock - 1)
      ASSERT_EQ(fresh->MoveTo(fresh->blocks()[0]->count + 100, 0), 0);
    ASSERT_EQ(fresh->EndGroup(&outer), 0);
    ASSERT_EQ(fresh->blocks().size(), 1u);
    ASSERT_EQ(fresh->blocks()[0]->count, kDLOpsPerBlock);

    ASSERT_EQ(fresh->DeleteGroup(&outer), 0);
    EXPECT_EQ(fresh->released, (std::vector<uint32_t>{1, 2}));
    ASSERT_EQ(fresh->blocks().size(), row.blocksAfter);
    if (row.blocksAfter != 0) {
      std::vector<int> kinds = fresh->kinds();
      EXPECT_EQ(std::vector<int>(kinds.begin(), kinds.begin() + row.movesBefore), row.firstBlockKindsAfter);
      EXPECT_EQ(kinds[row.movesBefore], kDLOpDeleted);
      EXPECT_EQ(fresh->IsEmpty(), 1) << "deleted records still count";
    }
    fresh->released.clear();
    fresh->Release();
  }
}

TEST_F(DisplayListTest, OpenGroupsAreNotDeleted) {
  TDispListOpInfo outer = groupInfo(1);
  TDispListOpInfo inner = groupInfo(2);
  ASSERT_EQ(list->BeginGroup(&outer, 0), 0);
  ASSERT_EQ(list->BeginGroup(&inner, 0), 0);
  EXPECT_EQ(list->DeleteGroup(&outer), 2) << "holds an open group";
  EXPECT_EQ(list->DeleteGroup(&inner), 2) << "open itself";
  ASSERT_EQ(list->EndGroup(&inner), 0);
  ASSERT_EQ(list->BeginHatch(nullptr, 0, 1, 0), 0);
  ASSERT_EQ(list->EndGroup(&outer), 0);
  EXPECT_EQ(list->DeleteGroup(&inner), 0);
  EXPECT_EQ(list->kinds(), (std::vector<int>{6, 0, 0, 8, 7}));
  // Deleting the group that holds the open hatch closes the hatch.
  EXPECT_EQ(list->DeleteGroup(&outer), 0);
  EXPECT_EQ(list->HatchVertex(0, 0, 0, 1, 1), 2);
}

TEST_F(DisplayListTest, HoldHooks) {
  const struct {
    ZRESULT hook;
    ZRESULT result;
    std::vector<uint32_t> released;
    bool open;
  } rows[] = {{0, 0, {}, true}, {0x15, 0x15, {}, true}, {2, 2, {7}, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.hook);
    list->Clear();
    list->released.clear();
    list->PenColor(4);
    list->holdAnswer = row.hook;
    TDispListOpInfo info = groupInfo(7);
    EXPECT_EQ(list->BeginGroup(&info, 0), row.result);
    EXPECT_EQ(list->released, row.released);
    EXPECT_EQ(list->kinds(), (std::vector<int>{2, 6}));
    EXPECT_EQ(list->EndGroup(&info), 0) << "the record stays open";
    // The pen is reset only when the hook accepted.
    EXPECT_EQ(list->PenColor(4), 0);
    EXPECT_EQ(list->kinds().size(), row.hook == 2 ? 3u : 4u);
  }
  // Clear releases every recorded group.
  list->released.clear();
  list->Clear();
  EXPECT_EQ(list->released, std::vector<uint32_t>{7});
}

TEST_F(DisplayListTest, SecondaryLists) {
  for (uint32_t expected = 1; expected <= 7; ++expected) {
    uint32_t index = 0;
    EXPECT_EQ(list->NewSecondaryDList(&index), 0);
    EXPECT_EQ(index, expected);
  }
  uint32_t index = 0;
  EXPECT_EQ(list->NewSecondaryDList(&index), 2);
  EXPECT_EQ(index, 0xFFFFFFFFu);
  EXPECT_EQ(list->HasSecondaryDList(0), 1);
  EXPECT_EQ(list->HasSecondaryDList(7), 0);
  EXPECT_EQ(list->HasSecondaryDList(8), 1);
  EXPECT_EQ(list->SelectSecondaryDList(8), 10);
  EXPECT_EQ(list->SelectSecondaryDList(0), 10);
  EXPECT_EQ(list->DeleleSecondaryDList(0), 10);

  // Each list records on its own; mark list 5 with a move.
  ASSERT_EQ(list->SelectSecondaryDList(5), 0);
  ASSERT_EQ(list->MoveTo(5, 5), 0);
  // Deleting a list below the selected one keeps naming the same list.
  ASSERT_EQ(list->DeleleSecondaryDList(2), 0);
  EXPECT_EQ(list->selectedIndex(), 4u);
  EXPECT_EQ(list->kinds(), std::vector<int>{5});
  EXPECT_EQ(list->HasSecondaryDList(7), 1);
  // Deleting the selected list selects the primary one.
  ASSERT_EQ(list->DeleleSecondaryDList(4), 0);
  EXPECT_EQ(list->selectedIndex(), 0u);
  EXPECT_EQ(list->IsEmpty(), 0);
  // Deleting one above the selected one changes nothing.
  ASSERT_EQ(list->SelectSecondaryDList(1), 0);
  ASSERT_EQ(list->DeleleSecondaryDList(3), 0);
  EXPECT_EQ(list->selectedIndex(), 1u);
  // A secondary list with a group and a text is freed with the object.
  TDispListOpInfo info = groupInfo(9);
  DLFontDef font{};
  ASSERT_EQ(list->BeginGroup(&info, 0), 0);
  ASSERT_EQ(list->Text2P(0, 1, u"t", &font), 0);
}

TEST(DisplayListFactory, KeepsTheRegistry) {
  void* registry = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IHatchRegistryImp, &registry, 0), S_OK);
  void* made = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IDisplayListImp, &made, reinterpret_cast<intptr_t>(registry)), S_OK);
  auto* list = static_cast<IDisplayList*>(made);
  EXPECT_EQ(list->GetRefCount(), 1);
  EXPECT_EQ(static_cast<IHatchRegistry*>(registry)->GetRefCount(), 1) << "no reference taken";
  EXPECT_EQ(list->IsEmpty(), 0);
  list->Release();
  static_cast<IHatchRegistry*>(registry)->Release();
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IDisplayListImp, &made, 0), S_OK);
  static_cast<IDisplayList*>(made)->Release();
}

}  // namespace
