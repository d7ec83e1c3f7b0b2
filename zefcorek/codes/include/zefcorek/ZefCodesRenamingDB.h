// CodesDB::IZefCodesRenamingDB: the renaming of object codes, old code to new
// code one to one, with a pointer-sized value on each side.
//
// An old code may be without a new code; a new code always belongs to one old
// code. Codes are keyed as in the codes database (whole text, case-
// insensitive). When a pair with a new code leaves (RemoveOldCode,
// RemoveNewCode, Clear, the last Release) the rename callback sees both
// codes and both values, so the host can apply the renaming; a pair without
// a new code is not reported. Made by the factory for
// CLSID_IZefCodesRenamingDBImp; results are HRESULTs.
#pragma once

#include "zefcorek/StdInterface.h"
#include "zefcorek/ZefCodesDB.h"
#include "zefcorek/ZefStdCode.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

namespace CodesDB {

// Called once per complete pair as its old code leaves; the result is not
// used.
using CodesRenameCallback = HRESULT (*)(const TZefStdCode* oldCode, const TZefStdCode* newCode, uintptr_t oldValue,
                                        uintptr_t newValue, void* context);

struct ZEF_EXPORT IZefCodesRenamingDB : virtual IUnknown {
  // S_OK: the old codes leave first (callback per complete pair), then the
  // new codes.
  virtual HRESULT Clear() = 0;
  // S_OK paired (an empty new code: no new code); S_FALSE when the old code
  // is present or the new code belongs to another pair (nothing added);
  // E_INVALIDARG for an empty old code.
  virtual HRESULT Add(const TZefStdCode& oldCode, uintptr_t oldValue, const TZefStdCode& newCode,
                      uintptr_t newValue) = 0;
  virtual HRESULT ContainsOldCode(const TZefStdCode& code) = 0;
  virtual HRESULT ContainsNewCode(const TZefStdCode& code) = 0;
  // The old codes' answer, else the new codes'.
  virtual HRESULT ContainsCode(const TZefStdCode& code) = 0;
  // S_OK with the pair's new code (emptied when it has none); S_FALSE with
  // *newCode emptied when the old code is absent; E_INVALIDARG for a null out.
  virtual HRESULT GetNewCode(const TZefStdCode& oldCode, TZefStdCode* newCode) = 0;
  // S_OK with the pair's old code; S_FALSE with *oldCode emptied.
  virtual HRESULT GetOldCode(const TZefStdCode& newCode, TZefStdCode* oldCode) = 0;
  // S_OK with the value; S_FALSE with 0; E_INVALIDARG for a null out.
  virtual HRESULT GetOldCodeValue(const TZefStdCode& oldCode, uintptr_t* out) = 0;
  virtual HRESULT GetNewCodeValue(const TZefStdCode& newCode, uintptr_t* out) = 0;
  // S_OK: the pair leaves (old entry first, so the callback sees both
  // codes); S_FALSE when absent.
  virtual HRESULT RemoveOldCode(const TZefStdCode& oldCode) = 0;
  virtual HRESULT RemoveNewCode(const TZefStdCode& newCode) = 0;
  // Number of old codes.
  virtual uint64_t GetCount() = 0;
  virtual void SetRenameCallback(CodesRenameCallback callback, void* context) = 0;
  // Gives an old code a new code (value 0), or another one:
  //   E_FAIL        old code absent, or the new code belongs to another pair
  //   E_INVALIDARG  empty new code (nothing changes)
  //   S_FALSE       the pair had no new code and the new code is taken
  //   S_OK          renamed; also when the current new code equals the given
  //                 one by parts (Compare), which changes nothing
  // The replaced new code and its value are dropped without a callback.
  virtual HRESULT Rename(const TZefStdCode& oldCode, const TZefStdCode& newCode) = 0;
  // Iteration over the old codes, as the codes database iterates.
  virtual HRESULT GetFirst(CodesDBIterator* it) = 0;
  virtual HRESULT GetNext(CodesDBIterator* it) = 0;
  // As the codes database's GetAt, with the pair's old value in *oldValue
  // (may be null; 0 when the answer is not S_OK).
  virtual HRESULT GetAt(const CodesDBIterator* it, TZefStdCode* oldCode, uintptr_t* oldValue) = 0;

protected:
  ~IZefCodesRenamingDB() = default;
};

}  // namespace CodesDB
