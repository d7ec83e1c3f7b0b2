// The CSV row functions and the CSV file loader over any text: fields stay
// within the counts asked for, integer lists read back from their composed
// form, and a file of any bytes loads as rows and ends.
#include "zefcorek/CsvRows.h"
#include "zefcorek/StringList.h"

#include "FuzzAccepted.h"
#include "FuzzInput.h"
#include "FuzzScratchFile.h"

#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zef::fuzz::FuzzInput input(data, size);
  const uint8_t mode = input.byte();
  const WCHAR separator = static_cast<WCHAR>(input.byte() % 4 == 0 ? u';' : input.byte());
  const int32_t maxCount = input.byte() % 64;
  const std::string_view rest = input.rest();

  if (mode % 2 == 0) {
    // A file of these bytes, as rows.
    const std::u16string name = zef::fuzz::ScratchFile::write(rest);
    if (IStringList* rows = LoadCSVFile(name.c_str())) {
      if (rows->GetCount() > 0) zef::fuzz::noteAccepted();
      rows->Release();
    }
    return 0;
  }
  const std::u16string row = zef::fuzz::wideUnits(rest);  // stops at the first NUL below
  if (IStringList* fields = SplitCSVRowToStringList(separator, row.c_str())) {
    if (IStringList* again = SplitCSVRowOfStringList(separator, fields, 0)) again->Release();
    fields->Release();
  }
  std::vector<WCHAR*> fields(static_cast<size_t>(maxCount) + 1, nullptr);
  const int32_t stored = SplitCSVRowToFieldsArray(maxCount, separator, row.c_str(), fields.data());
  if (stored < 0 || stored > maxCount || fields[static_cast<size_t>(maxCount)] != nullptr) std::abort();
  FreeSplitCSVRowFieldsArray(stored, fields.data());

  std::vector<int32_t> values(static_cast<size_t>(maxCount) + 1, 0);
  const int32_t count = ParseCSVRowOfInts(maxCount, separator, row.c_str(), values.data());
  if (count < 0 || count > maxCount) std::abort();
  if (count > 0) zef::fuzz::noteAccepted();
  // Folded into ranges and read back, non-negative lists come out the same.
  bool isNonNegative = true;
  for (int32_t i = 0; i < count; ++i) isNonNegative = isNonNegative && values[static_cast<size_t>(i)] >= 0;
  if (!isNonNegative || separator == u'-' || (separator >= u'0' && separator <= u'9')) return 0;
  std::vector<WCHAR> composed(static_cast<size_t>(count) * 24 + 1, 0);
  ComposeCSVRowOfInts(count, separator, values.data(), composed.data());
  std::vector<int32_t> again(static_cast<size_t>(maxCount) + 1, 0);
  const int32_t readBack = ParseCSVRowOfInts(maxCount, separator, composed.data(), again.data());
  if (readBack != count || !std::equal(again.begin(), again.begin() + count, values.begin())) std::abort();
  return 0;
}
