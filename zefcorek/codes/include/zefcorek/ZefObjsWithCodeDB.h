// CodesDB::IZefObjsWithCodeDB: a hash index of host objects by their code.
//
// Unlike the codes database it keeps no copy of a code: it asks the object
// for its current code whenever it needs one. It neither adds nor releases
// references; the host keeps its objects alive and their codes unchanged
// while they are in the index. Sizing, chain order and updates are those of
// the codes database. An object whose code is empty is stored and counted
// but found by no lookup, so only Clear drops it. Made by the factory for
// CLSID_IZefObjsWithCodeDBImp; results are HRESULTs.
#pragma once

#include "zefcorek/StdInterface.h"
#include "zefcorek/ZefStdCode.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

namespace CodesDB {

// The host's objects. The interface belongs to the host; the index calls its
// first own operation only, declared here in its slot after IUnknown's.
struct IObjWithCode : IUnknown {
  // The object's code, valid while the object lives.
  virtual const TZefStdCode* GetCode() = 0;

protected:
  ~IObjWithCode() = default;
};

struct ZEF_EXPORT IZefObjsWithCodeDB : virtual IUnknown {
  // S_OK: every entry dropped (objects untouched), 823 buckets, no update
  // pending.
  virtual HRESULT Clear() = 0;
  virtual unsigned GetBucketCount() = 0;
  virtual HRESULT SetBucketCount(unsigned n) = 0;
  virtual HRESULT BeginUpdate() = 0;
  virtual HRESULT EndUpdate() = 0;
  virtual bool IsIdle() = 0;
  // Add(object->GetCode(), object).
  virtual HRESULT AddObject(IObjWithCode* object) = 0;
  // S_OK added; S_FALSE when an object with that code is there (nothing
  // changes); E_INVALIDARG for a null code or object.
  virtual HRESULT Add(const TZefStdCode* code, IObjWithCode* object) = 0;
  // S_OK: the object replaces the one under its code, or is added;
  // E_INVALIDARG for a null object.
  virtual HRESULT SetObject(IObjWithCode* object) = 0;
  // S_OK present; S_FALSE absent or empty.
  virtual HRESULT Contains(const TZefStdCode& code) = 0;
  // S_OK with the object; S_FALSE with null; E_INVALIDARG for a null out.
  virtual HRESULT Find(const TZefStdCode& code, IObjWithCode** out) = 0;
  // S_OK: the entry dropped (the object is not released); S_FALSE absent or
  // empty.
  virtual HRESULT Remove(const TZefStdCode& code) = 0;
  virtual uint64_t GetCount() = 0;

protected:
  ~IZefObjsWithCodeDB() = default;
};

}  // namespace CodesDB
