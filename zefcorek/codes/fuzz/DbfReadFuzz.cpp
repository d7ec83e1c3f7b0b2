// Opens arbitrary bytes as a dBase table, read-only, and reads every record
// (up to a bound) through the table interface: field descriptions, whole
// records and raw tuples.
#include "zefcorek/DBF.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/CodePage.h"

#include "FuzzScratchFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::u16string windowsName = zef::fuzz::ScratchFile::write({reinterpret_cast<const char*>(data), size});

  void* out = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IDBFImp, &out, 0) != S_OK) return 0;
  auto* table = static_cast<DBF::IDBF*>(out);
  const std::string path = platform::wideToAnsiLenient(windowsName);
  if (table->Open(path.c_str(), /*readOnly=*/true) == S_OK) {
    auto info = std::make_unique<DBF::DBFRecordInfo>();
    const int records = table->GetRecordCount();
    for (int record = 0; record < records && record < 64; ++record) {
      if (table->ReadRecord(record, info.get()) != S_OK) std::abort();
      if (info->FieldCount > DBF::kDBFMaxRecordFields) std::abort();
      (void)table->ReadTuple(record);
    }
    char name[16];
    for (int field = -1; field <= table->GetFieldCount(); ++field)
      (void)table->GetFieldInfo(field, name, nullptr, nullptr);
  }
  table->Release();
  return 0;
}
