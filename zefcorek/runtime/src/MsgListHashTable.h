// The message table of the message loader: every message is linked into two
// fixed hash arrays of 997 chains, one keyed by the message key (a numeric
// id, or the hash of a string id) and one by the line number. New entries go
// to the tail of both chains, so of entries with one key the first added is
// found first. The arrays never grow.
//
// Every operation catches what is thrown inside it (an allocation failure),
// shows "Exception in TMsgListHashTable::<operation>()" and answers as if
// nothing was found.
#pragma once

#include "zefcorek/MessageLoader.h"

#include <array>
#include <cstdint>
#include <string>

struct MsgListHashRec {
  MsgListHashRec* nextA = nullptr;  // next in the key chain
  MsgListHashRec* nextB = nullptr;  // next in the line chain
  uint32_t line = 0;                // row in the file, index in the section, or the caller's
  uint8_t isStringId = 0;           // 0 numeric id, 1 string id
  uint32_t key = 0;                 // the id, or CalcStrIdHash of the string id
  std::u16string stringId;          // string ids only, as written
  std::u16string text;              // the message after conversion
  int32_t tempTag = 0;              // free for the caller
};

class TMsgListHashTable {
public:
  static constexpr uint32_t kBuckets = 997;
  static constexpr uint32_t kNone = 0xFFFFFFFF;

  TMsgListHashTable() = default;
  ~TMsgListHashTable();
  TMsgListHashTable(const TMsgListHashTable&) = delete;
  TMsgListHashTable& operator=(const TMsgListHashTable&) = delete;

  void Clear();
  // A string id is given for string-id messages, null for numeric ones.
  bool Add(uint32_t line, uint32_t key, const WCHAR* stringId, std::u16string text);
  MsgListHashRec* LocateByID(uint32_t key) const;
  MsgListHashRec* LocateByStrID(const WCHAR* stringId) const;
  MsgListHashRec* LocateByLineNum(uint32_t line) const;
  // Removes the first entry with that key, or all of them; the count removed.
  uint32_t RemoveByID(uint32_t key, bool all);
  // Over the numeric entries; kNone twice when there is none.
  void GetMinMaxIDs(uint32_t& minId, uint32_t& maxId) const;
  // Over all entries.
  void GetMinMaxLineNumbers(uint32_t& first, uint32_t& last) const;
  void GetMsgIterator(bool byLine, TMsgIterator& iterator) const;
  void MsgIteratorAdvance(TMsgIterator& iterator) const;
  bool GetMsgTempTagByID(uint32_t key, int32_t& tag) const;
  bool SetMsgTempTagByID(uint32_t key, int32_t tag);
  uint32_t Count() const { return count_; }

private:
  void AddRecByID(MsgListHashRec* record);
  void AddRecByLineNum(MsgListHashRec* record);
  void unlinkFromLineChain(MsgListHashRec* record);
  static void position(TMsgIterator& iterator, MsgListHashRec* entry);
  static void atEnd(TMsgIterator& iterator);

  std::array<MsgListHashRec*, kBuckets> headsA_{};  // by key % 997
  std::array<MsgListHashRec*, kBuckets> headsB_{};  // by line % 997
  uint32_t count_ = 0;
};
