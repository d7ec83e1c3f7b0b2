// Boundary scanning of the hatch handler: edge sets from rings and circles,
// their boxes, rotation, and the crossings of a vertical scan line.
#include "zefcorek/HatchHandlerImp.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

class HatchScanTest : public ::testing::Test {
protected:
  void TearDown() override {
    if (set.edges != nullptr) set.edges->Release();
    handler->Release();
  }

  ZRESULT build(const std::vector<HatchVertex>& vertices) {
    if (set.edges != nullptr) set.edges->Release();
    set = HatchEdgeSet{};
    HatchJob job{};
    job.cbSize = kHatchJobSize;
    job.ringCount = 1;
    job.vertexCount = static_cast<uint32_t>(vertices.size());
    static const HatchVertex none{};
    job.vertices = vertices.empty() ? &none : vertices.data();
    return handler->BuildEdgeSet(&job, &set);
  }
  std::vector<HatchEdge> edges() {
    std::vector<HatchEdge> out;
    unsigned count = 0;
    set.edges->GetCount(&count);
    for (unsigned i = 0; i < count; ++i) {
      HatchEdge edge;
      set.edges->GetAt(i, &edge);
      out.push_back(edge);
    }
    return out;
  }
  // The y values of the crossings at x, in order.
  std::vector<double> crossingsAt(double x, std::vector<int>* directions = nullptr) {
    EXPECT_EQ(handler->IntersectScanLine(&set, x, crossings), 0);
    std::vector<double> out;
    unsigned count = 0;
    crossings->GetCount(&count);
    for (unsigned i = 0; i < count; ++i) {
      HatchCrossing crossing;
      crossings->GetAt(i, &crossing);
      out.push_back(crossing.y);
      if (directions != nullptr) directions->push_back(crossing.direction);
    }
    return out;
  }

  IHatchHandlerACADCompImp* handler = new IHatchHandlerACADCompImp();
  HatchEdgeSet set;
  IRecList* crossings = [] {
    void* made = nullptr;
    zefCoreKAllocIntf(&CLSID_IRecListImp, &made, 0);
    auto* list = static_cast<IRecList*>(made);
    list->SetOption(0, kHatchCrossingSize);
    return list;
  }();

public:
  ~HatchScanTest() override { crossings->Release(); }
};

HatchVertex at(uint32_t ring, double x, double y, int16_t kind = 0, uint16_t flags = 0) {
  return HatchVertex{ring, kind, flags, x, y};
}

TEST_F(HatchScanTest, RingsCloseOnThemselves) {
  ASSERT_EQ(build({at(0, 0, 0), at(0, 4, 0), at(0, 4, 3), at(0, 0, 3), at(1, 10, 10), at(1, 12, 10), at(1, 11, 12),
                   at(2, 7, 7, 0, 1)}),
            0);
  const std::vector<HatchEdge> e = edges();
  ASSERT_EQ(e.size(), 8u);
  // The fourth edge closes ring 0 back to its first vertex.
  EXPECT_EQ(e[3].x1, 0);
  EXPECT_EQ(e[3].y1, 3);
  EXPECT_EQ(e[3].x2, 0);
  EXPECT_EQ(e[3].y2, 0);
  EXPECT_EQ(e[6].ring, 1u);
  EXPECT_EQ(e[6].x2, 10);
  // A ring of one vertex is one zero-length edge, with the vertex's flags.
  EXPECT_EQ(e[7].x1, e[7].x2);
  EXPECT_EQ(e[7].y1, e[7].y2);
  EXPECT_EQ(e[7].flags, 1);
  EXPECT_EQ(e[0].rx2, e[0].x2) << "rotated points start as the points";
  EXPECT_EQ(set.minX, 0);
  EXPECT_EQ(set.maxX, 12);
  EXPECT_EQ(set.maxY, 12);
}

TEST_F(HatchScanTest, CirclesAndSkippedElements) {
  ASSERT_EQ(build({at(0, 10, 10, 1), at(0, 13, 14), at(0, 0, 0, 2), at(0, 1, 1), at(0, 2, 2)}), 0);
  const std::vector<HatchEdge> e = edges();
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kHatchEdgeCircle);
  EXPECT_EQ(set.minX, 5);
  EXPECT_EQ(set.minY, 5);
  EXPECT_EQ(set.maxX, 15);
  EXPECT_EQ(set.maxY, 15);
  // Tangent lines touch without crossing; the centre line has direction 0.
  EXPECT_TRUE(crossingsAt(15).empty());
  EXPECT_TRUE(crossingsAt(5).empty());
  std::vector<int> directions;
  EXPECT_EQ(crossingsAt(10, &directions), (std::vector<double>{5, 15}));
  EXPECT_EQ(directions, (std::vector<int>{0, 0}));
  directions.clear();
  EXPECT_EQ(crossingsAt(13, &directions), (std::vector<double>{6, 14}));
  EXPECT_EQ(directions, (std::vector<int>{1, 1}));
}

// A vertex counts once for the edge whose smaller x it is.
TEST_F(HatchScanTest, VerticesCountHalfOpen) {
  // A diamond: left (0,5), bottom (5,0), right (10,5), top (5,10).
  ASSERT_EQ(build({at(0, 0, 5), at(0, 5, 0), at(0, 10, 5), at(0, 5, 10)}), 0);
  EXPECT_EQ(crossingsAt(0), (std::vector<double>{5, 5})) << "smaller-x end of both edges";
  EXPECT_TRUE(crossingsAt(10).empty()) << "larger-x end of both edges";
  // A vertex whose edges go on to both sides in x: exactly one crossing.
  ASSERT_EQ(build({at(0, 0, 0), at(0, 5, 2), at(0, 10, 0), at(0, 10, 8), at(0, 0, 8)}), 0);
  std::vector<int> directions;
  EXPECT_EQ(crossingsAt(5, &directions), (std::vector<double>{2, 8}));
  EXPECT_EQ(directions, (std::vector<int>{1, -1}));
  // Vertical edges never cross.
  EXPECT_EQ(crossingsAt(0).size(), 2u) << "the two horizontal-ish edges from (0, y)";
}

TEST_F(HatchScanTest, RotationAndBoxes) {
  ASSERT_EQ(build({at(0, 100, 200), at(0, 110, 200), at(0, 110, 205), at(0, 100, 205)}), 0);
  EXPECT_EQ(set.minX, 100) << "no origin in the box";
  EXPECT_EQ(set.minY, 200);
  const double centre[2] = {100, 200};
  ASSERT_EQ(handler->RotateEdgeSet(&set, M_PI / 2, centre), 0);
  EXPECT_NEAR(set.minX, 95, 1e-12);
  EXPECT_NEAR(set.maxX, 100, 1e-12);
  EXPECT_NEAR(set.minY, 200, 1e-12);
  EXPECT_NEAR(set.maxY, 210, 1e-12);
  EXPECT_EQ(crossingsAt(97.5).size(), 2u);
  EXPECT_TRUE(crossingsAt(94).empty());
  // An empty edge set has the box (0, 0, 0, 0).
  ASSERT_EQ(build({}), 0);
  EXPECT_EQ(set.maxX, 0);
}

TEST_F(HatchScanTest, VertexCallbackAndRefusals) {
  struct Source {
    std::vector<HatchVertex> vertices;
    uint32_t failAt;
  } source{{at(0, 0, 0), at(0, 4, 0), at(0, 4, 4)}, 99};
  HatchJob job{};
  job.cbSize = kHatchJobSize;
  job.ringCount = 1;
  job.vertexCount = 3;
  job.vertexContext = &source;
  job.vertexFunc = [](uint32_t index, HatchVertex* out, void* context) -> ZRESULT {
    auto* s = static_cast<Source*>(context);
    if (index == s->failAt) return 7;
    *out = s->vertices[index];
    return 0;
  };
  ASSERT_EQ(handler->BuildEdgeSet(&job, &set), 0);
  EXPECT_EQ(edges().size(), 3u);
  EXPECT_EQ(edges()[2].x2, 0) << "closed through the callback";
  set.edges->Release();
  source.failAt = 2;
  EXPECT_EQ(handler->BuildEdgeSet(&job, &set), 7);
  EXPECT_EQ(set.edges, nullptr);
  job.vertexFunc = nullptr;
  EXPECT_EQ(handler->BuildEdgeSet(&job, &set), 10);
  EXPECT_EQ(set.edges, nullptr);

  void* out = &out;
  EXPECT_EQ(handler->QueryInterface(IID_IUnknown, &out), 21);
  EXPECT_EQ(out, &out);
}

}  // namespace
