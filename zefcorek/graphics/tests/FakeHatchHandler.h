// A test double of IHatchHandler: reports a class id, keeps the registry it
// is given with a counted reference (as a real handler does) and records the
// jobs forwarded to it.
#pragma once

#include "zefcorek/HatchHandler.h"
#include "zefcorek/HatchRegistry.h"

#include <cstring>
#include <vector>

namespace graphics_test {

class FakeHatchHandler : public IStdDataInterfaceImp, public virtual IHatchHandler {
public:
  explicit FakeHatchHandler(const GUID& classId, ZRESULT answer = 0) : classId_(classId), answer_(answer) {}
  ~FakeHatchHandler() override { SetRegistry(nullptr); }

  ZRESULT GetRegistry(IHatchRegistry** out) override {
    if (out == nullptr) return 10;
    *out = registry_;
    if (registry_ != nullptr) registry_->AddRef();
    return 0;
  }
  ZRESULT SetRegistry(IHatchRegistry* registry) override {
    ++setRegistryCalls;
    if (registry != nullptr) registry->AddRef();
    if (registry_ != nullptr) registry_->Release();
    registry_ = registry;
    return 0;
  }
  ZRESULT GetHandlerInfo(uint32_t index, void* out) override {
    if (index != kHatchInfoClassId || failInfo) return 10;
    std::memcpy(out, &classId_, sizeof(GUID));
    return 0;
  }
  ZRESULT GetOption(uint32_t, uint32_t*) override { return 10; }
  ZRESULT SetOption(uint32_t, uint32_t) override { return 21; }
  ZRESULT ReservedOp() override { return 21; }
  ZRESULT GetPatternCount(const WCHAR*, uint32_t*) override { return 21; }
  ZRESULT LoadPatterns(const WCHAR*, uint32_t, uint32_t, HatchPatternInfo**) override { return 21; }
  ZRESULT SavePatterns(const WCHAR*, HatchPatternInfo**, uint32_t) override { return 21; }
  ZRESULT MeasurePattern(HatchMeasureRec* measure) override {
    calls.push_back({9, measure, nullptr, 0, measure->cbSize});
    return answer_;
  }
  ZRESULT GenerateHatch(HatchJob* job) override {
    calls.push_back({10, job, nullptr, 0, job->cbSize});
    return answer_;
  }
  ZRESULT HitTestHatch(HatchJob* job, const double* point, double tolerance) override {
    calls.push_back({11, job, point, tolerance, job->cbSize});
    return answer_;
  }

  struct Call {
    int op;
    const void* record;
    const double* point;
    double tolerance;
    uint32_t size;  // the record's cbSize at the call
  };
  std::vector<Call> calls;
  int setRegistryCalls = 0;
  bool failInfo = false;
  IHatchRegistry* registry() const { return registry_; }

private:
  GUID classId_;
  ZRESULT answer_;
  IHatchRegistry* registry_ = nullptr;
};

}  // namespace graphics_test
