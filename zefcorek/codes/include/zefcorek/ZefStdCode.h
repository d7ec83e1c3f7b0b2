// CodesDB::TZefStdCode: the code by which a host program names an object
// (a surveyed point, a feature). A code holds one pointer to a heap record
// with its text and hash, or null: a code without a record is a null code.
//
// So far only the null code exists: the library keeps one static null code
// for the whole process, made when the library is loaded and destroyed when
// it is unloaded.
#pragma once

#include "platform/Export.h"

namespace CodesDB {

struct TZefStdCodeData;

class ZEF_EXPORT TZefStdCode {
public:
  // A null code: no record.
  TZefStdCode();
  // Frees the record, if any.
  ~TZefStdCode();
  TZefStdCode(const TZefStdCode&) = delete;
  TZefStdCode& operator=(const TZefStdCode&) = delete;

  bool IsNull() const { return data_ == nullptr; }

  // The library's static null code.
  static const TZefStdCode& NullCode();

private:
  TZefStdCodeData* data_;  // owned; null for a null code
};

// The address of the library's static null code; it is constructed before
// anything else when the library is loaded and destroyed last when it is
// unloaded.
ZEF_EXPORT const TZefStdCode* cdbGetNullCode();

}  // namespace CodesDB
