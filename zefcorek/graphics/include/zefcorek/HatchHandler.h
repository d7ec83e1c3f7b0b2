// IHatchHandler: an object that loads hatch patterns into a hatch registry
// and turns hatch jobs on its patterns into hatch segments.
//
// The registry hands itself to a handler when the handler is registered
// (SetRegistry) and a null registry when it is unregistered; while
// registered, each holds a counted reference to the other. Operations are
// declared in their slot order; never reorder them.
#pragma once

#include "zefcorek/HatchJob.h"
#include "zefcorek/StdInterface.h"

#include <cstdint>

struct IHatchRegistry;
struct HatchPatternInfo;

// GetHandlerInfo indexes.
inline constexpr uint32_t kHatchInfoClassId = 0;     // GUID, 16 bytes
inline constexpr uint32_t kHatchInfoNameLength = 1;  // u32, characters
inline constexpr uint32_t kHatchInfoName = 2;        // the name with its zero
inline constexpr uint32_t kHatchInfoVersion = 3;     // u32

struct ZEF_EXPORT IHatchHandler : virtual IStdDataInterface {
  // 0: *out = the registry with a reference (null when none); 10 for null out.
  virtual ZRESULT GetRegistry(IHatchRegistry** out) = 0;
  // 1: takes a reference on the new registry, drops the old one.
  virtual ZRESULT SetRegistry(IHatchRegistry* registry) = 0;
  // 2: identity of the handler; see the kHatchInfo* indexes.
  virtual ZRESULT GetHandlerInfo(uint32_t index, void* out) = 0;
  // 3
  virtual ZRESULT GetOption(uint32_t which, uint32_t* out) = 0;
  // 4
  virtual ZRESULT SetOption(uint32_t which, uint32_t value) = 0;
  // 5
  virtual ZRESULT ReservedOp() = 0;
  // 6: the number of patterns in a pattern file.
  virtual ZRESULT GetPatternCount(const WCHAR* path, uint32_t* count) = 0;
  // 7: reads patterns first .. first + count - 1 into records from the
  // registry; out[k] receives pattern first + k. The caller owns them.
  virtual ZRESULT LoadPatterns(const WCHAR* path, uint32_t first, uint32_t count, HatchPatternInfo** out) = 0;
  // 8: writes `count` records to a pattern file.
  virtual ZRESULT SavePatterns(const WCHAR* path, HatchPatternInfo** records, uint32_t count) = 0;
  // 9
  virtual ZRESULT MeasurePattern(HatchMeasureRec* measure) = 0;
  // 10
  virtual ZRESULT GenerateHatch(HatchJob* job) = 0;
  // 11: ZR_OK when `point` (x, y) lies within `tolerance` of a generated piece.
  virtual ZRESULT HitTestHatch(HatchJob* job, const double* point, double tolerance) = 0;
  ~IHatchHandler() override;
};
