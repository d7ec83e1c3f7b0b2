// Construction and destruction of object codes.
#include "zefcorek/ZefStdCode.h"

#include <cstdint>

namespace CodesDB {

// The record behind a code that has a text.
struct TZefStdCodeData {
  int32_t Hash = -1;  // -1 for the empty text
};

}  // namespace CodesDB

CodesDB::TZefStdCode::TZefStdCode() : data_(nullptr) {}

CodesDB::TZefStdCode::~TZefStdCode() { delete data_; }

const CodesDB::TZefStdCode& CodesDB::TZefStdCode::NullCode() { return *cdbGetNullCode(); }
