// Opens arbitrary bytes as a dBase table, read-only, and reads every record
// (up to a bound) through the table interface: field descriptions, whole
// records and raw tuples.
#include "zefcorek/DBF.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/CodePage.h"

#include "FuzzAccepted.h"
#include "FuzzScratchFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// The table library reports every fault of a file as a line on the C
// stream stderr: thousands of lines in a fuzz run. While a table is read
// that stream writes to /dev/null; the sanitizers and the fuzzer write to
// the descriptor, not the stream, and still report.
class QuietTableMessages {
public:
  QuietTableMessages() : saved_(stderr) {
    static FILE* const sink = std::fopen("/dev/null", "w");
    if (sink != nullptr) stderr = sink;
  }
  ~QuietTableMessages() { stderr = saved_; }
  QuietTableMessages(const QuietTableMessages&) = delete;
  QuietTableMessages& operator=(const QuietTableMessages&) = delete;

private:
  FILE* saved_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const QuietTableMessages quiet;
  const std::u16string windowsName =
      zef::fuzz::ScratchFile::write({reinterpret_cast<const char*>(data), size}, "input.dbf");

  void* out = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IDBFImp, &out, 0) != S_OK) return 0;
  auto* table = static_cast<DBF::IDBF*>(out);
  const std::string path = platform::wideToAnsiLenient(windowsName);
  if (table->Open(path.c_str(), /*readOnly=*/true) == S_OK) {
    zef::fuzz::noteAccepted();
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
