// A cursor over the records of one operations list, block by block, as
// execution, the group queries and the dump walk them.
#pragma once

#include "zefcorek/DisplayListRecords.h"

namespace zefcorek::displaylist {

class RecordCursor {
public:
  // At the first record of the list (at its end when it has none).
  explicit RecordCursor(IRecList* ops) : ops_(ops) {
    IRecList::Node* head = nullptr;
    ops_->GetHead(&head);
    enter(head, 0);
  }

  bool atEnd() const { return block_ == nullptr; }
  DL_OPSBLOCK* block() const { return block_; }
  uint16_t index() const { return index_; }
  DL_OP_REC* record() const { return &block_->records[index_]; }
  DL_OP_REC_INFO where() const { return {block_, index_, record()}; }

  void next() {
    ++index_;
    settle();
  }

  // Past a run of deleted records in the current block.
  void skipDeletedRun() {
    while (index_ < block_->count && opKind(&block_->records[index_]) == kDLOpDeleted) ++index_;
    settle();
  }

  // Resumes after the EndGroup record of `group`; a group that was never
  // ended has no end to jump to, so the walk goes to the end of the list.
  void skipGroup(const DLOpBeginGroup& group) {
    if (group.endNode == nullptr || group.endIndex == kNoOpIndex) {
      block_ = nullptr;
      return;
    }
    enter(group.endNode, static_cast<uint16_t>(group.endIndex + 1));
  }

private:
  void enter(IRecList::Node* node, uint16_t index) {
    block_ = nullptr;
    if (node != nullptr) {
      void* record = nullptr;
      ops_->GetNodeRecordPtr(node, &record);
      block_ = static_cast<DL_OPSBLOCK*>(record);
    }
    index_ = index;
    settle();
  }
  // Moves past the ends of blocks (empty ones included).
  void settle() {
    while (block_ != nullptr && index_ >= block_->count) {
      IRecList::Node* next = nullptr;
      ops_->GetNextNode(block_->node, &next);
      block_ = nullptr;
      index_ = 0;
      if (next != nullptr) {
        void* record = nullptr;
        ops_->GetNodeRecordPtr(next, &record);
        block_ = static_cast<DL_OPSBLOCK*>(record);
      }
    }
  }

  IRecList* ops_;
  DL_OPSBLOCK* block_ = nullptr;
  uint16_t index_ = 0;
};

}  // namespace zefcorek::displaylist
