// CodesDB::IZefCodesDB: a hash set of object codes in which every code
// carries one pointer-sized value chosen by the host (typically its object).
//
// Codes are keyed case-insensitively on the whole text: 'P-001' and 'p-001'
// are one entry, 'A1 (2)' and 'A1(2)' two. An entry keeps a copy of the code
// it was added with. The table starts with 823 buckets and resizes itself to
// the next spaced prime above its entry count when the load leaves 0.3 .. 3.0
// (never below 823 nor above 13,845,163 buckets, never between BeginUpdate
// and the matching EndUpdate).
//
// Made by the factory for CLSID_IZefCodesDBImp; results are HRESULTs. An
// empty or null code is refused by Add and Set (E_INVALIDARG) and is never
// present. Entries added or removed while an iteration runs are not guarded
// against: an iterator holds an entry pointer and a bucket index, and a
// resize or a removal of its entry leaves it pointing at the old place.
#pragma once

#include "zefcorek/StdInterface.h"
#include "zefcorek/ZefStdCode.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

namespace CodesDB {

struct IZefCodesDB;

// One entry: its own copy of the code, the host's value and the next entry of
// its chain. Owned by the database.
struct TZefCodesDBHashNode {
  TZefStdCode Code;
  uintptr_t Value = 0;
  TZefCodesDBHashNode* Next = nullptr;
};

// A position in an iteration, filled by GetFirst and advanced by GetNext.
//   offset  size  field
//   0       8     Database  the database walked
//   8       4     Bucket    bucket index of Entry (4 bytes of padding follow)
//   16      8     Entry     the current entry
// All zero when the iteration is finished or the database was empty.
struct CodesDBIterator {
  IZefCodesDB* Database;
  uint32_t Bucket;
  TZefCodesDBHashNode* Entry;
};
static_assert(sizeof(CodesDBIterator) == 24);

// Called for every entry that leaves the database (Remove, Clear, the last
// Release) before the entry is destroyed.
using CodesDBRemoveCallback = void (*)(const TZefStdCode* code, uintptr_t value, void* context);

struct ZEF_EXPORT IZefCodesDB : virtual IUnknown {
  // S_OK: every entry leaves through the remove callback, the table goes back
  // to 823 buckets and any pending BeginUpdate is cancelled.
  virtual HRESULT Clear() = 0;
  virtual unsigned GetBucketCount() = 0;
  // S_OK: rehashes into n buckets, n clamped to 823 .. 13,845,163; entries and
  // values stay where they are. E_OUTOFMEMORY when the table cannot be made.
  virtual HRESULT SetBucketCount(unsigned n) = 0;
  // S_OK: no automatic resize until the matching EndUpdate.
  virtual HRESULT BeginUpdate() = 0;
  // S_OK; the load check runs when the last pending BeginUpdate is matched.
  // Without a pending BeginUpdate nothing changes.
  virtual HRESULT EndUpdate() = 0;
  virtual bool IsIdle() = 0;
  // S_OK added; S_FALSE when present (its value stays); E_INVALIDARG empty.
  virtual HRESULT Add(const TZefStdCode& code, uintptr_t value) = 0;
  // S_OK: the value of a present code replaced (its stored text and the
  // callback untouched) or the code added; E_INVALIDARG for an empty code.
  virtual HRESULT Set(const TZefStdCode& code, uintptr_t value) = 0;
  // S_OK present; S_FALSE absent or empty.
  virtual HRESULT Contains(const TZefStdCode& code) = 0;
  // S_OK with the value; S_FALSE with 0 when absent or empty; E_INVALIDARG
  // for a null out.
  virtual HRESULT Find(const TZefStdCode& code, uintptr_t* out) = 0;
  // S_OK removed (the callback sees it first); S_FALSE absent or empty.
  virtual HRESULT Remove(const TZefStdCode& code) = 0;
  virtual uint64_t GetCount() = 0;
  // Replaces the callback and its context; null: none.
  virtual void SetRemoveCallback(CodesDBRemoveCallback callback, void* context) = 0;
  // S_OK on the first entry; S_FALSE with a zeroed iterator when empty;
  // E_INVALIDARG for a null iterator.
  virtual HRESULT GetFirst(CodesDBIterator* it) = 0;
  // S_OK on the next entry; S_FALSE with a zeroed iterator after the last;
  // E_INVALIDARG for an iterator that is not valid here (another database,
  // bucket out of range, no entry).
  virtual HRESULT GetNext(CodesDBIterator* it) = 0;
  // S_OK: the entry's code copied into *code and its value into *out (when
  // out is not null); E_INVALIDARG for an invalid iterator or a null code.
  virtual HRESULT GetAt(const CodesDBIterator* it, TZefStdCode* code, uintptr_t* out) = 0;

protected:
  ~IZefCodesDB() = default;
};

}  // namespace CodesDB
