// DBF::IDBF: dBase (.dbf) attribute tables, the tables beside shape files,
// through one reference-counted interface over the dBase engine.
//
// Open or create a table, define and describe its fields, read and write
// values by record and field (both counted from 0), read a whole record into
// one DBFRecordInfo, and make an empty copy of a table's structure. Paths,
// names and texts are narrow (UTF-8); paths keep their Windows form. Made by
// the factory for CLSID_IDBFImp. Without an open table every operation
// answers as its comment says.
//
// Field types as the interface answers them: 0 text, 1 integer (numeric
// without decimals, and date fields), 2 double (numeric with decimals),
// 99 no such field. Logical fields answer as text.
#pragma once

#include "zefcorek/StdInterface.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

namespace DBF {

// Field kinds. AddField takes any of the first five; the answers are
// FTString, FTInteger, FTDouble or FTNone.
enum DBFFieldType : int32_t {
  FTString = 0,
  FTInteger = 1,
  FTDouble = 2,
  FTLogical = 3,
  FTDate = 4,
  FTNone = 99,
};

inline constexpr unsigned kDBFMaxRecordFields = 128;

// One field of a record read by ReadRecord.
//   offset  size  field
//   0       32    Name      zero-terminated, at most 31 bytes
//   32      4     Type      DBFFieldType
//   36      4     Width
//   40      4     Decimals
//   44      256   Value     text (at most 255 bytes and a zero), or an int32
//                           or a double copied in at offset 0 (unaligned:
//                           read it with memcpy)
struct DBFFieldValue {
  char Name[32];
  int32_t Type;
  int32_t Width;
  int32_t Decimals;
  unsigned char Value[256];
};
static_assert(sizeof(DBFFieldValue) == 300);

//   offset  size    field
//   0       4       Record      index of the record read
//   4       4       FieldCount  fields described, at most 128
//   8       38,400  Fields
struct DBFRecordInfo {
  int32_t Record;
  uint32_t FieldCount;
  DBFFieldValue Fields[kDBFMaxRecordFields];
};
static_assert(sizeof(DBFRecordInfo) == 38408);

// The three IUnknown operations come first in the same table (IUnknown is
// not a virtual base here).
struct ZEF_EXPORT IDBF : IUnknown {
  virtual bool IsOpen() = 0;
  // Closes an open table, then opens the file for reading ("rb") or for
  // reading and writing ("rb+"). S_OK or E_FAIL.
  virtual HRESULT Open(const char* path, bool readOnly) = 0;
  // Closes an open table, then creates an empty one. S_OK or E_FAIL.
  virtual HRESULT Create(const char* path) = 0;
  // The table's header and record lengths in bytes; 0 without a table.
  virtual int GetHeaderLength() = 0;
  virtual int GetRecordLength() = 0;
  // 0 without a table.
  virtual int GetFieldCount() = 0;
  virtual int GetRecordCount() = 0;
  // The new field's index; -1 on failure or without a table.
  virtual int AddField(const char* name, DBFFieldType type, int width, int decimals) = 0;
  // The field's type, its name (room for 12 bytes), width and decimals (each
  // out may be null); FTNone for a bad index or without a table.
  virtual DBFFieldType GetFieldInfo(int field, char* name, int* width, int* decimals) = 0;
  // -2,147,483,648 without a table.
  virtual int ReadIntegerAttribute(int record, int field) = 0;
  // -1e100 without a table.
  virtual double ReadDoubleAttribute(int record, int field) = 0;
  // Valid until the next read; null without a table.
  virtual const char* ReadStringAttribute(int record, int field) = 0;
  // S_OK with the record's first 128 fields described (info zeroed first);
  // E_INVALIDARG for a null info or a record out of range (always so
  // without a table).
  virtual HRESULT ReadRecord(int record, DBFRecordInfo* info) = 0;
  // True when written; false for a table opened read-only or none.
  virtual bool WriteIntegerAttribute(int record, int field, int value) = 0;
  virtual bool WriteDoubleAttribute(int record, int field, double value) = 0;
  virtual bool WriteStringAttribute(int record, int field, const char* value) = 0;
  // The raw record bytes (GetRecordLength of them), valid until the next
  // read; null without a table.
  virtual const char* ReadTuple(int record) = 0;
  virtual bool WriteTuple(int record, void* tuple) = 0;
  // A new table at `path` with this one's fields and no records, as a new
  // object (one reference, the caller's); null on failure or without a
  // table. This table stays open.
  virtual IDBF* CloneEmpty(const char* path) = 0;
  // Closes the table; 0.
  virtual int Close() = 0;

protected:
  ~IDBF() = default;
};

}  // namespace DBF
