// A display-list target that accepts every call and draws nothing: points
// pass through untransformed. Tests and benchmarks derive from it and
// override only the calls they watch.
#pragma once

#include "zefcorek/DisplayList.h"

namespace graphics_test {

class NullDispListTarget : public IStdInterfaceImp, public virtual IDispListTarget {
public:
  ZRESULT IsAborted() override { return 0; }
  ZRESULT BeginExecute() override { return 0; }
  ZRESULT EndExecute() override { return 0; }
  ZRESULT BeginGroup(TDispListOpInfo*, uint32_t, TDispListExecuteParms*) override { return 0; }
  ZRESULT EndGroup(TDispListOpInfo*, TDispListExecuteParms*) override { return 0; }
  ZRESULT TargetReserved5() override { return 0; }
  ZRESULT SetPenColor(uint32_t) override { return 0; }
  ZRESULT TargetReserved7() override { return 0; }
  ZRESULT SetPenWidth(int32_t) override { return 0; }
  ZRESULT TargetReserved9() override { return 0; }
  ZRESULT SetPenStyle(uint32_t) override { return 0; }
  ZRESULT TargetReserved11() override { return 0; }
  ZRESULT TargetReserved12() override { return 0; }
  ZRESULT DrawPoint(int32_t, int32_t) override { return 0; }
  ZRESULT DrawLine(int32_t, int32_t, int32_t, int32_t, const int32_t*) override { return 0; }
  ZRESULT DrawText2P(int32_t, int32_t, int32_t, int32_t, const WCHAR*, const DLFontDef*) override { return 0; }
  ZRESULT TransformPoint(int32_t x, int32_t y, int32_t* outX, int32_t* outY) override {
    *outX = x;
    *outY = y;
    return 0;
  }
};

}  // namespace graphics_test
