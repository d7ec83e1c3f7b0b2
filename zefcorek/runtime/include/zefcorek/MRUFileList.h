// TMRUFileList: a most-recently-used file list kept in an ini file section,
// newest first, under the keys "0", "1", ... "9".
//
// Paths are kept in 520-byte records (260 UTF-16 units with the zero), so a
// path holds at most 259 characters; a longer one is refused by Add (answer
// -1, the list unchanged) instead of being cut or written past its record.
// Paths compare case-insensitively.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

struct IRecList;

class ZEF_EXPORT TMRUFileList {
public:
  // Longest path, in UTF-16 units, without the zero.
  static constexpr unsigned kMaxPathUnits = 259;

  TMRUFileList();
  ~TMRUFileList();
  TMRUFileList(const TMRUFileList&) = delete;
  TMRUFileList& operator=(const TMRUFileList&) = delete;

  // Empties the list, then reads the keys "0" to "9" up to the first empty
  // one. 1.
  int LoadFromIniFile(const WCHAR* iniFile, const WCHAR* section);
  // Writes every path under "0", "1", ... in list order and deletes the keys
  // from the list's count up to "9", so that a removed path does not come
  // back at the next load. 1.
  int SaveToIniFile(const WCHAR* iniFile, const WCHAR* section);
  // Moves the path to the head (an equal path is removed first). 0; -1 for
  // a null path or one longer than kMaxPathUnits (nothing changes).
  int Add(const WCHAR* path);
  // 1 when the first entry equal to the path was removed, else 0.
  int RemovePath(const WCHAR* path);
  // 1 with entry i copied into buffer (260 units); 0 and an empty buffer
  // when i is out of range.
  int Get(unsigned i, WCHAR* buffer);
  void Remove(unsigned i);
  unsigned Count();
  void Clear();

private:
  IRecList* list_;  // owned; 520-byte records, newest first
};
