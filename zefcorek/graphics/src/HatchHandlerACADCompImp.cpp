// IHatchHandlerACADCompImp: the handler's identity, its pattern files and
// the built-in "SOLID" pattern. Generation, the hit test and the measures
// live in HatchGeneration.cpp.
#include "zefcorek/HatchHandlerImp.h"

#include "PatternFiles.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ClassMakers.h"
#include "zefcorek/ZefCoreK.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstring>
#include <limits>
#include <new>

using namespace zefcorek::hatch;

void* zefcorek::makeIHatchHandlerACADCompImp(intptr_t) {
  return static_cast<IHatchHandler*>(new (std::nothrow) IHatchHandlerACADCompImp());
}

namespace {

constexpr unsigned kCrossingPoolLimit = 100;

IRecList* makeCrossingList() {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IRecListImp, &made, 0) != S_OK || made == nullptr) return nullptr;
  auto* list = static_cast<IRecList*>(made);
  if (list->SetOption(0, kHatchCrossingSize) != ZR_OK || list->SetOption(1, 1) != ZR_OK ||
      list->SetOption(2, kCrossingPoolLimit) != ZR_OK) {
    list->Release();
    return nullptr;
  }
  return list;
}

template <size_t N>
void copyText(char16_t (&field)[N], std::u16string_view text) {
  std::memcpy(field, text.data(), std::min(text.size(), N - 1) * sizeof(char16_t));
}

HatchPatternInfo makeSolidPattern() {
  HatchPatternInfo solid{};
  solid.cbSize = static_cast<uint32_t>(hatchPatternSizeFor(1));
  solid.tag = 0xFFFFFFFF;
  copyText(solid.name, u"SOLID");
  copyText(solid.description, u"Solid fill");
  copyText(solid.fileName, u"solid.pat");
  solid.reserved = 0xFFFFFFFF;
  solid.indexInFile = 0xFFFFFFFF;
  solid.prwScale = 1.0;
  solid.capacity = 1;
  solid.lineCount = 1;
  solid.lines[0].spacing = 1.0;
  solid.lines[0].dashes[0].length = 1.0;
  solid.lines[0].dashes[0].end = 1.0;
  return solid;
}

}  // namespace

const HatchPatternInfo& hatchSolidPattern() {
  static const HatchPatternInfo solid = makeSolidPattern();
  static_assert(sizeof(HatchPatternInfo) == 1256, "SOLID is one head and one line");
  return solid;
}

IHatchHandlerACADCompImp::IHatchHandlerACADCompImp() : crossings_(makeCrossingList()) {}

IHatchHandlerACADCompImp::~IHatchHandlerACADCompImp() {
  if (crossings_ != nullptr) crossings_->Release();
}

ZRESULT IHatchHandlerACADCompImp::GetHandlerInfo(uint32_t index, void* out) {
  if (out == nullptr) return ZR_BADARG;
  switch (index) {
    case kHatchInfoClassId: std::memcpy(out, &CLSID_IHatchHandlerACADCompImp, sizeof(GUID)); return ZR_OK;
    case kHatchInfoNameLength: {
      const uint32_t length = std::size(kHatchHandlerName) - 1;
      std::memcpy(out, &length, sizeof(length));
      return ZR_OK;
    }
    case kHatchInfoName: std::memcpy(out, kHatchHandlerName, sizeof(kHatchHandlerName)); return ZR_OK;
    case kHatchInfoVersion: std::memcpy(out, &kHatchHandlerVersion, sizeof(kHatchHandlerVersion)); return ZR_OK;
    default: return ZR_BADARG;
  }
}

ZRESULT IHatchHandlerACADCompImp::GetOption(uint32_t, uint32_t*) { return ZR_BADARG; }
ZRESULT IHatchHandlerACADCompImp::SetOption(uint32_t, uint32_t) { return ZR_NOTSUPPORTED; }
ZRESULT IHatchHandlerACADCompImp::ReservedOp() { return ZR_NOTSUPPORTED; }

ZRESULT IHatchHandlerACADCompImp::GetPatternCount(const WCHAR* path, uint32_t* count) {
  if (count != nullptr) *count = 0;
  if (path == nullptr || count == nullptr) return ZR_BADARG;
  return countPatPatterns(path, count);
}

ZRESULT IHatchHandlerACADCompImp::LoadPatterns(const WCHAR* path, uint32_t first, uint32_t count,
                                               HatchPatternInfo** out) {
  if (path == nullptr || out == nullptr) return ZR_BADARG;
  if (hasBpaExtension(path)) {
    if (registry_ == nullptr) return ZR_FAILED;
    return loadBpaPatterns(registry_, path, first, count, out);
  }
  if (count == 0) return ZR_BADARG;
  if (registry_ == nullptr) return ZR_FAILED;
  return loadPatPatterns(registry_, path, first, count, out);
}

ZRESULT IHatchHandlerACADCompImp::SavePatterns(const WCHAR* path, HatchPatternInfo** records, uint32_t count) {
  if (path == nullptr || records == nullptr) return ZR_BADARG;
  if (!hasBpaExtension(path)) return ZR_NOTSUPPORTED;
  return saveBpaPatterns(path, records, count);
}

double IHatchHandlerACADCompImp::ParsePatNumber(const WCHAR* text) {
  double value = 0;
  if (text == nullptr || !parsePatNumber(text, &value)) return std::numeric_limits<double>::quiet_NaN();
  return value;
}
