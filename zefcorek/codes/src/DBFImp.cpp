// DBF::IDBFImp: the dBase table interface over shapelib's dBase functions.
// The object owns the table handle; every operation forwards, and answers
// for itself only when no table is open, when a table is read-only, and for
// the whole-record read.
#include "zefcorek/DBF.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ClassMakers.h"

#include "platform/CodePage.h"
#include "platform/Paths.h"

#include <shapefil.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <string>

namespace {

// shapelib's kinds as this interface answers them.
DBF::DBFFieldType answerOf(::DBFFieldType type) {
  switch (type) {
    case ::FTString: return DBF::FTString;
    case ::FTInteger: return DBF::FTInteger;
    case ::FTDouble: return DBF::FTDouble;
    case ::FTLogical: return DBF::FTString;
    case ::FTDate: return DBF::FTInteger;
    case ::FTInvalid: return DBF::FTNone;
  }
  return DBF::FTNone;
}

::DBFFieldType engineTypeOf(DBF::DBFFieldType type) {
  switch (type) {
    case DBF::FTString: return ::FTString;
    case DBF::FTInteger: return ::FTInteger;
    case DBF::FTDouble: return ::FTDouble;
    case DBF::FTLogical: return ::FTLogical;
    case DBF::FTDate: return ::FTDate;
    case DBF::FTNone: return ::FTInvalid;
  }
  return ::FTInvalid;
}

// The file a Windows-form UTF-8 path names here; nothing for a path that
// does not map.
std::optional<std::string> nativeFile(const char* path) {
  if (path == nullptr || *path == '\0') return std::nullopt;
  const std::optional<std::u16string> wide = platform::ansiToWide(path);
  if (!wide) return std::nullopt;
  return platform::nativePath(*wide);
}

// The native dBase kinds whose values the engine formats from a double.
bool isNumericKind(char kind) { return kind == 'N' || kind == 'F' || kind == 'D'; }

// Copies at most room - 1 bytes of a zero-terminated text and a zero.
void copyText(const char* text, char* out, size_t room) {
  if (text == nullptr) return;
  const size_t length = strnlen(text, room - 1);
  std::memcpy(out, text, length);
  out[length] = '\0';
}

class IDBFImp final : public CountedUnknownImp<DBF::IDBF> {
public:
  IDBFImp() = default;
  explicit IDBFImp(DBFHandle handle) : handle_(handle) {}
  IDBFImp(const IDBFImp&) = delete;
  IDBFImp& operator=(const IDBFImp&) = delete;
  ~IDBFImp() { (void)Close(); }

  HRESULT QueryInterface(REFIID, void** out) override {
    if (out != nullptr) *out = nullptr;
    return E_NOINTERFACE;
  }

  bool IsOpen() override { return handle_ != nullptr; }

  HRESULT Open(const char* path, bool readOnly) override {
    (void)Close();
    const std::optional<std::string> file = nativeFile(path);
    if (!file) return E_FAIL;
    handle_ = DBFOpen(file->c_str(), readOnly ? "rb" : "rb+");
    readOnly_ = readOnly;
    return handle_ != nullptr ? S_OK : E_FAIL;
  }

  HRESULT Create(const char* path) override {
    (void)Close();
    const std::optional<std::string> file = nativeFile(path);
    if (!file) return E_FAIL;
    handle_ = DBFCreate(file->c_str());
    readOnly_ = false;
    return handle_ != nullptr ? S_OK : E_FAIL;
  }

  int GetHeaderLength() override { return handle_ != nullptr ? handle_->nHeaderLength : 0; }
  int GetRecordLength() override { return handle_ != nullptr ? handle_->nRecordLength : 0; }
  int GetFieldCount() override { return handle_ != nullptr ? DBFGetFieldCount(handle_) : 0; }
  int GetRecordCount() override { return handle_ != nullptr ? DBFGetRecordCount(handle_) : 0; }

  int AddField(const char* name, DBF::DBFFieldType type, int width, int decimals) override {
    if (handle_ == nullptr || name == nullptr || readOnly_) return -1;
    return DBFAddField(handle_, name, engineTypeOf(type), width, decimals);
  }

  DBF::DBFFieldType GetFieldInfo(int field, char* name, int* width, int* decimals) override {
    if (handle_ == nullptr) return DBF::FTNone;
    return answerOf(DBFGetFieldInfo(handle_, field, name, width, decimals));
  }

  int ReadIntegerAttribute(int record, int field) override {
    if (handle_ == nullptr) return std::numeric_limits<int>::min();
    return DBFReadIntegerAttribute(handle_, record, field);
  }
  double ReadDoubleAttribute(int record, int field) override {
    if (handle_ == nullptr) return -1e100;
    return DBFReadDoubleAttribute(handle_, record, field);
  }
  const char* ReadStringAttribute(int record, int field) override {
    if (handle_ == nullptr) return nullptr;
    return DBFReadStringAttribute(handle_, record, field);
  }

  HRESULT ReadRecord(int record, DBF::DBFRecordInfo* info) override;

  bool WriteIntegerAttribute(int record, int field, int value) override {
    return Writable() && DBFWriteIntegerAttribute(handle_, record, field, value) != 0;
  }
  bool WriteDoubleAttribute(int record, int field, double value) override {
    return Writable() && DBFWriteDoubleAttribute(handle_, record, field, value) != 0;
  }
  bool WriteStringAttribute(int record, int field, const char* value) override {
    if (!Writable() || value == nullptr) return false;
    // The engine reads the value of a numeric or date field as a double,
    // whatever the call: a text given there would be taken for the bytes of
    // a double (and read past its end when shorter than eight). Such a text
    // is stored as it stands instead.
    if (field >= 0 && field < DBFGetFieldCount(handle_) && isNumericKind(DBFGetNativeFieldType(handle_, field)))
      return DBFWriteAttributeDirectly(handle_, record, field, const_cast<char*>(value)) != 0;
    return DBFWriteStringAttribute(handle_, record, field, value) != 0;
  }
  const char* ReadTuple(int record) override {
    if (handle_ == nullptr) return nullptr;
    return DBFReadTuple(handle_, record);
  }
  bool WriteTuple(int record, void* tuple) override {
    return Writable() && tuple != nullptr && DBFWriteTuple(handle_, record, tuple) != 0;
  }

  DBF::IDBF* CloneEmpty(const char* path) override {
    if (handle_ == nullptr) return nullptr;
    const std::optional<std::string> file = nativeFile(path);
    if (!file) return nullptr;
    DBFHandle copy = DBFCloneEmpty(handle_, file->c_str());
    if (copy == nullptr) return nullptr;
    auto* clone = new (std::nothrow) IDBFImp(copy);
    if (clone == nullptr) DBFClose(copy);
    return clone;
  }

  int Close() override {
    if (handle_ != nullptr) DBFClose(handle_);
    handle_ = nullptr;
    readOnly_ = false;
    return 0;
  }

private:
  // The engine does not refuse writes to a table opened for reading: they
  // would be reported done and never reach the file.
  bool Writable() const { return handle_ != nullptr && !readOnly_; }

  DBFHandle handle_ = nullptr;  // owned; null while no table is open
  bool readOnly_ = false;       // opened with "rb"
};

HRESULT IDBFImp::ReadRecord(int record, DBF::DBFRecordInfo* info) {
  if (info == nullptr) return E_INVALIDARG;
  std::memset(info, 0, sizeof(*info));
  if (record < 0 || record >= GetRecordCount()) return E_INVALIDARG;
  const int fields = std::min<int>(GetFieldCount(), DBF::kDBFMaxRecordFields);
  info->Record = record;
  info->FieldCount = static_cast<uint32_t>(fields);
  for (int index = 0; index < fields; ++index) {
    DBF::DBFFieldValue& entry = info->Fields[index];
    // The engine writes up to 12 bytes of name; it gets room to spare and
    // the entry takes what fits.
    char name[64] = {};
    int width = 0, decimals = 0;
    entry.Type = GetFieldInfo(index, name, &width, &decimals);
    copyText(name, entry.Name, sizeof(entry.Name));
    entry.Width = width;
    entry.Decimals = decimals;
    switch (entry.Type) {
      case DBF::FTString:
        copyText(ReadStringAttribute(record, index), reinterpret_cast<char*>(entry.Value), sizeof(entry.Value));
        break;
      case DBF::FTInteger: {
        const int32_t value = ReadIntegerAttribute(record, index);
        std::memcpy(entry.Value, &value, sizeof(value));
        break;
      }
      case DBF::FTDouble: {
        const double value = ReadDoubleAttribute(record, index);
        std::memcpy(entry.Value, &value, sizeof(value));
        break;
      }
      case DBF::FTLogical:
      case DBF::FTDate:
      case DBF::FTNone: break;
    }
  }
  return S_OK;
}

}  // namespace

void* zefcorek::makeIDBFImp(intptr_t) { return static_cast<DBF::IDBF*>(new (std::nothrow) IDBFImp()); }
