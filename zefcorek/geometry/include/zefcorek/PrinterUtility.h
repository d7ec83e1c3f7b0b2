// TPrinterUtility: a cache of one printer's papers (names and sizes in
// metres), sorted by name, for choosing a paper that matches a size. The
// printer is the framework's printer object (platform/Printers.h), borrowed.
// It lives beside the geometry value types because it answers in their size
// record.
#pragma once

#include "zefcorek/GeoTypes.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

struct IStringList;

namespace platform {
class TPrinter;
}
using TPrinter = platform::TPrinter;

#pragma pack(push, 1)
// One paper, packed without gaps.
//   offset  size  field
//   0       130   name: 64 UTF-16 units and a zero
//   130     8     width in metres
//   138     8     height in metres
struct TPrinterPaperInfo {
  WCHAR name[65];
  double width;
  double height;
};
#pragma pack(pop)
static_assert(sizeof(TPrinterPaperInfo) == 146);

class ZEF_EXPORT TPrinterUtility {
public:
  TPrinterUtility();
  ~TPrinterUtility();
  TPrinterUtility(const TPrinterUtility&) = delete;
  TPrinterUtility& operator=(const TPrinterUtility&) = delete;

  // Remembers the printer (borrowed; null: none) and caches its papers.
  void UsePrinter(TPrinter* printer);
  // Reads the current device's papers from the printer's device
  // capabilities: names, then sizes (tenths of a millimetre x 0.0001 to
  // metres), sorted by name ignoring case. Nothing without a printer or for
  // an unknown device.
  void CacheInfos();
  void Clear();
  // Clears the list, then adds every paper name in table order.
  void GetPaperNames(IStringList* list);
  unsigned GetPaperCount();
  // False when i is out of range.
  bool GetPaperInfo(unsigned i, TPrinterPaperInfo* out);
  // The first paper whose width and height each differ from the size by
  // less than the tolerance (same orientation only): its index and true;
  // else 0xFFFFFFFF and false.
  bool MatchPaperSize(const tagT_SIZE2D* size, double tolerance, unsigned* index);

private:
  TPrinter* printer_ = nullptr;  // borrowed
  unsigned paperCount_ = 0;
  TPrinterPaperInfo* papers_ = nullptr;  // owned, paperCount_ entries
};
