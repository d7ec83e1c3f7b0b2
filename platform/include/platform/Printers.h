// Printers, as a table: there is no printing system here, so the printers a
// program sees, their papers and the current printer come from
// `printers.ini` in the platform root:
//
//   [Current]
//   Printer=Office Laser
//
//   [Printer:Office Laser]
//   Port=LPT1:
//   PaperCount=2
//   Paper0=A4
//   Paper0Size=2100,2970        ; width,height in tenths of a millimetre
//   Paper1=Letter
//   Paper1Size=2159,2794
//
// A paper without a readable size has the size 0 x 0.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"
#include "platform/WindowMessages.h"

#include <string>

// DeviceCapabilitiesW capabilities.
inline constexpr WORD DC_PAPERSIZE = 3;
inline constexpr WORD DC_PAPERNAMES = 16;
// Units of one paper name record, not terminated when the name fills it.
inline constexpr int kPaperNameUnits = 64;

// For DC_PAPERNAMES with a null output: the number of papers; with an output:
// their names, one record of 64 UTF-16 units each (zero-padded). For
// DC_PAPERSIZE: one POINT (width, height in tenths of a millimetre) per paper
// into the output (a POINT array), or the count for a null output. -1 for an
// unknown printer or capability. The port and the device mode are not used.
ZEF_EXPORT int DeviceCapabilitiesW(LPCWSTR device, LPCWSTR port, WORD capability, LPWSTR output, const void* devMode);

namespace platform {

// The framework's printer object, as programs ask it for the current
// printer: the device (the printer's name) and its port, from the table.
class ZEF_EXPORT TPrinter {
public:
  // False (both empty) when the table names no current printer.
  bool GetPrinter(std::u16string& device, std::u16string& port) const;
};

// The table's file, printers.ini in the platform root.
ZEF_EXPORT std::string printerTableFile();

}  // namespace platform
