// The hatch job the tests and benchmarks hand to the handler: one pattern
// over a vertex list, at scale 1, clipped to a square about the origin.
#pragma once

#include "zefcorek/HatchJob.h"

#include <cstdint>
#include <vector>

namespace graphics_test {

// A job over `vertices` in `rings` rings, clipped to [-clip, clip] on both
// axes; its segments go to `segmentFunc` with `context`.
inline HatchJob hatchJob(HatchPatternNode node, const std::vector<HatchVertex>& vertices, uint32_t rings, double clip,
                         HatchSegmentFunc segmentFunc, void* context = nullptr) {
  HatchJob job{};
  job.cbSize = kHatchJobSize;
  job.pattern = node;
  job.ringCount = rings;
  job.vertexCount = static_cast<uint32_t>(vertices.size());
  job.vertices = vertices.data();
  job.segmentFunc = segmentFunc;
  job.segmentContext = context;
  job.scale = 1;
  job.clipX1 = job.clipY1 = -clip;
  job.clipX2 = job.clipY2 = clip;
  return job;
}

}  // namespace graphics_test
