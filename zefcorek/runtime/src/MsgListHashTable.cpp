// The message loader's two-array hash table (see MsgListHashTable.h).
#include "MsgListHashTable.h"

#include "platform/MessageBox.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <string>

namespace {

// Of the table's operations only adding allocates, so only it can throw;
// the failure is shown and the entry is not added.
void showException(const char16_t* operation) {
  const std::u16string text = u"Exception in TMsgListHashTable::" + std::u16string(operation) + u"()";
  MessageBoxW(nullptr, text.c_str(), nullptr, MB_TASKMODAL);
}

}  // namespace

TMsgListHashTable::~TMsgListHashTable() { Clear(); }

void TMsgListHashTable::Clear() {
  for (auto& head : headsA_) {
    while (head != nullptr) {
      MsgListHashRec* next = head->nextA;
      delete head;
      head = next;
    }
  }
  headsB_.fill(nullptr);
  count_ = 0;
}

bool TMsgListHashTable::Add(uint32_t line, uint32_t key, const WCHAR* stringId, std::u16string text) {
  try {
    auto* record = new MsgListHashRec;
    record->line = line;
    record->key = key;
    record->isStringId = stringId != nullptr ? 1 : 0;
    if (stringId != nullptr) record->stringId = stringId;
    record->text = std::move(text);
    AddRecByID(record);
    AddRecByLineNum(record);
    ++count_;
    return true;
  } catch (...) {
    showException(u"Add");
    return false;
  }
}

void TMsgListHashTable::AddRecByID(MsgListHashRec* record) {
  MsgListHashRec** link = &headsA_[record->key % kBuckets];
  while (*link != nullptr) link = &(*link)->nextA;
  *link = record;
}

void TMsgListHashTable::AddRecByLineNum(MsgListHashRec* record) {
  MsgListHashRec** link = &headsB_[record->line % kBuckets];
  while (*link != nullptr) link = &(*link)->nextB;
  *link = record;
}

MsgListHashRec* TMsgListHashTable::LocateByID(uint32_t key) const {
  for (MsgListHashRec* entry = headsA_[key % kBuckets]; entry != nullptr; entry = entry->nextA) {
    if (entry->key == key) return entry;
  }
  return nullptr;
}

MsgListHashRec* TMsgListHashTable::LocateByStrID(const WCHAR* stringId) const {
  if (stringId == nullptr) return nullptr;
  const uint32_t key = CalcStrIdHash(stringId);
  for (MsgListHashRec* entry = headsA_[key % kBuckets]; entry != nullptr; entry = entry->nextA) {
    if (entry->isStringId != 0 && entry->key == key && platform::equalsIgnoreCase(entry->stringId, stringId)) {
      return entry;
    }
  }
  return nullptr;
}

MsgListHashRec* TMsgListHashTable::LocateByLineNum(uint32_t line) const {
  for (MsgListHashRec* entry = headsB_[line % kBuckets]; entry != nullptr; entry = entry->nextB) {
    if (entry->line == line) return entry;
  }
  return nullptr;
}

void TMsgListHashTable::unlinkFromLineChain(MsgListHashRec* record) {
  for (MsgListHashRec** link = &headsB_[record->line % kBuckets]; *link != nullptr; link = &(*link)->nextB) {
    if (*link != record) continue;
    *link = record->nextB;
    return;
  }
}

uint32_t TMsgListHashTable::RemoveByID(uint32_t key, bool all) {
  uint32_t removed = 0;
  MsgListHashRec** link = &headsA_[key % kBuckets];
  while (*link != nullptr) {
    MsgListHashRec* entry = *link;
    if (entry->key != key) {
      link = &entry->nextA;
      continue;
    }
    *link = entry->nextA;
    unlinkFromLineChain(entry);
    delete entry;
    --count_;
    ++removed;
    if (!all) break;
  }
  return removed;
}

void TMsgListHashTable::GetMinMaxIDs(uint32_t& minId, uint32_t& maxId) const {
  minId = maxId = kNone;
  bool isFirst = true;
  for (MsgListHashRec* head : headsA_) {
    for (MsgListHashRec* entry = head; entry != nullptr; entry = entry->nextA) {
      if (entry->isStringId != 0) continue;
      minId = isFirst ? entry->key : std::min(minId, entry->key);
      maxId = isFirst ? entry->key : std::max(maxId, entry->key);
      isFirst = false;
    }
  }
}

void TMsgListHashTable::GetMinMaxLineNumbers(uint32_t& first, uint32_t& last) const {
  first = last = kNone;
  bool isFirst = true;
  for (MsgListHashRec* head : headsA_) {
    for (MsgListHashRec* entry = head; entry != nullptr; entry = entry->nextA) {
      first = isFirst ? entry->line : std::min(first, entry->line);
      last = isFirst ? entry->line : std::max(last, entry->line);
      isFirst = false;
    }
  }
}

void TMsgListHashTable::position(TMsgIterator& iterator, MsgListHashRec* entry) {
  iterator.entry = entry;
  iterator.isStringId = entry->isStringId;
  iterator.id =
      entry->isStringId != 0 ? reinterpret_cast<intptr_t>(entry->stringId.c_str()) : static_cast<intptr_t>(entry->key);
  iterator.line = entry->line;
  iterator.tempTag = entry->tempTag;
}

void TMsgListHashTable::atEnd(TMsgIterator& iterator) {
  iterator.entry = nullptr;
  iterator.bucket = 0;
  iterator.isStringId = 0;
  iterator.id = 0;
  iterator.line = kNone;
  iterator.tempTag = 0;
}

void TMsgListHashTable::GetMsgIterator(bool byLine, TMsgIterator& iterator) const {
  iterator = TMsgIterator{};
  iterator.byLine = byLine ? 1 : 0;
  GetMinMaxLineNumbers(iterator.firstLine, iterator.lastLine);
  if (count_ == 0) return;  // entry null, lines kNone, line 0
  if (byLine) {
    position(iterator, LocateByLineNum(iterator.firstLine));
    return;
  }
  for (uint32_t bucket = 0; bucket < kBuckets; ++bucket) {
    if (headsA_[bucket] == nullptr) continue;
    iterator.bucket = bucket;
    position(iterator, headsA_[bucket]);
    return;
  }
}

void TMsgListHashTable::MsgIteratorAdvance(TMsgIterator& iterator) const {
  if (iterator.entry == nullptr) return;
  if (iterator.byLine == 0) {
    if (iterator.entry->nextA != nullptr) {
      position(iterator, iterator.entry->nextA);
      return;
    }
    for (uint32_t bucket = iterator.bucket + 1; bucket < kBuckets; ++bucket) {
      if (headsA_[bucket] == nullptr) continue;
      iterator.bucket = bucket;
      position(iterator, headsA_[bucket]);
      return;
    }
    atEnd(iterator);
    return;
  }
  // The next line number that has an entry. Line numbers given to
  // AddMessages may lie far apart, so the entries are searched rather than
  // every number up to the last line tried in turn.
  const uint32_t current = iterator.line;
  bool isFound = false;
  uint32_t next = kNone;
  for (MsgListHashRec* head : headsA_) {
    for (MsgListHashRec* entry = head; entry != nullptr; entry = entry->nextA) {
      if (entry->line <= current || (isFound && entry->line >= next)) continue;
      next = entry->line;
      isFound = true;
    }
  }
  if (!isFound) {
    atEnd(iterator);
    return;
  }
  position(iterator, LocateByLineNum(next));
}

bool TMsgListHashTable::GetMsgTempTagByID(uint32_t key, int32_t& tag) const {
  const MsgListHashRec* entry = LocateByID(key);
  tag = entry != nullptr ? entry->tempTag : 0;
  return entry != nullptr;
}

bool TMsgListHashTable::SetMsgTempTagByID(uint32_t key, int32_t tag) {
  MsgListHashRec* entry = LocateByID(key);
  if (entry == nullptr) return false;
  entry->tempTag = tag;
  return true;
}
