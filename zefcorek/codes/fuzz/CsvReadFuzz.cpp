// Reads arbitrary bytes as a CSV file through the CSV manager. The first
// byte picks the separator and the header line count; the schema holds one
// column of every type, the text one quoted. Every cell the callback sees
// must be sound: text within its buffer and terminated.
#include "zefcorek/CSVIOMgr.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "FuzzAccepted.h"
#include "FuzzScratchFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int checkCells(unsigned, unsigned fields, CSVCell* cells, void*) {
  for (unsigned i = 0; i < fields; ++i) {
    if (cells[i].Type != 4 || (cells[i].Flags & CSV_CELL_EMPTY)) continue;
    unsigned length = 0;
    while (cells[i].Value.Text[length] != 0) {
      if (++length >= kCSVTextCapacity) std::abort();
    }
  }
  return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::u16string path = zef::fuzz::ScratchFile::write({reinterpret_cast<const char*>(data) + 1, size - 1});

  void* out = nullptr;
  if (zefCoreKAllocIntf(&CLSID_ICSVIOMgrImp, &out, 0) != S_OK) return 0;
  auto* csv = static_cast<ICSVIOMgr*>(out);
  const CSVColumnDef columns[] = {{1, 1, 0, 0}, {2, 2, 0, 0}, {3, 3, 0, 0}, {4, 4, CSV_COLUMN_QUOTED, 0},
                                  {0, 5, 0, 0}, {4, 6, 0, 0}};
  for (const CSVColumnDef& column : columns) (void)csv->AddColumn(&column, nullptr);
  const char16_t separators[] = {u',', u';', u'\t', u'"'};
  (void)csv->SetSeparator(separators[data[0] & 3], false);
  (void)csv->SetHeaderLineCount((data[0] >> 2) & 3);
  (void)csv->SetReadCallback(&checkCells, nullptr);
  if (csv->Read(path.c_str()) == ZR_OK) zef::fuzz::noteAccepted();
  csv->Release();
  return 0;
}
