// The hatch handler's pattern files: the ".pat" text form (read) and the
// ".BPA" binary form (read and written). Records are allocated through the
// registry; a read hands the caller the records it asked for and frees every
// other record it made.
#pragma once

#include "zefcorek/HatchPattern.h"
#include "zefcorek/HatchRegistry.h"

#include "zefcorek/FileStreams.h"

#include <cstdint>
#include <string_view>

namespace zefcorek::hatch {

// The factory's file streams; null when they cannot be made.
IFIOIStream* makeInputStream();
IFIOOStream* makeOutputStream();

// Whether the path's extension is ".BPA", ignoring case.
bool hasBpaExtension(const WCHAR* path);

// A ".pat" number (".5" is 0.5, "-.25" is -0.25), '.' the separator
// whatever the locale; false when the text is not a number.
bool parsePatNumber(std::u16string_view text, double* out);

ZRESULT countPatPatterns(const WCHAR* path, uint32_t* count);
ZRESULT loadPatPatterns(IHatchRegistry* registry, const WCHAR* path, uint32_t first, uint32_t count,
                        HatchPatternInfo** out);
ZRESULT loadBpaPatterns(IHatchRegistry* registry, const WCHAR* path, uint32_t first, uint32_t count,
                        HatchPatternInfo** out);
ZRESULT saveBpaPatterns(const WCHAR* path, HatchPatternInfo* const* records, uint32_t count);

// Frees the `count` records in out (each once) and clears the entries.
void freeRecords(IHatchRegistry* registry, HatchPatternInfo** out, uint32_t count);

// The dash fractions and total of a line from its dash lengths.
void computeDashFractions(HatchPatternLine* line);

}  // namespace zefcorek::hatch
