// The record lists the geometry algorithms keep their working data in: made
// through the core library's factory and sized for one kind of record.
#pragma once

#include "zefcorek/ClassIds.h"
#include "zefcorek/RecList.h"
#include "zefcorek/ZefCoreK.h"

namespace zefcorek {

// A new empty list of records of recordSize bytes; null when the list cannot
// be made or sized.
inline IRecList* makeRecordList(unsigned recordSize) {
  void* out = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IRecListImp, &out, 0) != S_OK || out == nullptr) return nullptr;
  auto* list = static_cast<IRecList*>(out);
  if (list->SetOption(0, recordSize) != ZR_OK) {
    list->Release();
    return nullptr;
  }
  return list;
}

// The number of records; 0 for no list.
inline unsigned recordCount(IRecList* list) {
  unsigned n = 0;
  if (list != nullptr) list->GetCount(&n);
  return n;
}

}  // namespace zefcorek
