#include "zefcorek/V3DList.h"

#include "VertexListFixtures.h"

#include "zefcorek/AllocationFaults.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr unsigned kNone = 0xFFFFFFFFu;

using vertexlists::positions;

testing::AssertionResult limitsAre(T_V3DLIST& list, bool valid, T_VECTOR3D min, T_VECTOR3D max) {
  T_VECTOR3D lo(7, 7, 7), hi(7, 7, 7);
  const bool got = list.GetLimits(&lo, &hi);
  if (got != valid || lo != min || hi != max)
    return testing::AssertionFailure() << "limits " << got << " (" << lo.x << ", " << lo.y << ", " << lo.z << ") .. ("
                                       << hi.x << ", " << hi.y << ", " << hi.z << ")";
  return testing::AssertionSuccess();
}

void* link(uintptr_t v) { return reinterpret_cast<void*>(v); }

TEST(V3DListTest, LimitsFollowTheEdits) {
  const T_VECTOR3D zero;
  T_V3DLIST list;
  EXPECT_TRUE(limitsAre(list, false, zero, zero)) << "new list";
  EXPECT_EQ(list.GetCount(), 0u);
  EXPECT_EQ(list.GetVertex(0), nullptr);

  EXPECT_EQ(list.Add(3, -1, 2), 0u);
  EXPECT_TRUE(limitsAre(list, true, T_VECTOR3D(3, -1, 2), T_VECTOR3D(3, -1, 2))) << "one vertex";
  list.Clear();

  list.Add(0, 0, 0);
  list.Add(10, 0, 5);
  EXPECT_EQ(list.Add(5, 5, 1), 2u);
  EXPECT_TRUE(limitsAre(list, true, T_VECTOR3D(0, 0, 0), T_VECTOR3D(10, 5, 5))) << "after Add";
  list.DeleteAt(1);
  EXPECT_TRUE(limitsAre(list, true, T_VECTOR3D(0, 0, 0), T_VECTOR3D(5, 5, 1))) << "after DeleteAt";

  // Offsets and scales move valid corners; a negative factor swaps them.
  list.OffsetBy(1, 2, 3);
  EXPECT_TRUE(limitsAre(list, true, T_VECTOR3D(1, 2, 3), T_VECTOR3D(6, 7, 4))) << "offset";
  list.ScaleBy(-2);
  EXPECT_TRUE(limitsAre(list, true, T_VECTOR3D(-12, -14, -8), T_VECTOR3D(-2, -4, -6))) << "negative scale";
  EXPECT_EQ(*list.GetVertex(1), T_VECTOR3D(-12, -14, -8));

  // SetVertex invalidates; the recomputation sees the new position.
  const T_VECTOR3D far(100, -100, 0);
  list.SetVertex(0, &far);
  EXPECT_TRUE(limitsAre(list, true, T_VECTOR3D(-12, -100, -8), T_VECTOR3D(100, -14, 0))) << "after SetVertex";

  const T_VECTOR3D centre(0, 0, 0);
  EXPECT_EQ(list.DeleteByProx(&centre, 1e9), 2u);
  EXPECT_EQ(list.GetCount(), 0u);
  EXPECT_TRUE(limitsAre(list, false, zero, zero)) << "all deleted by proximity";
}

TEST(V3DListTest, DeleteByProxRemovesAtExactlyTheTolerance) {
  T_V3DLIST list;
  list.Add(0, 0, 0);
  list.Add(3, 4, 0);  // distance 5
  list.Add(0, 0, 6);
  const T_VECTOR3D origin;
  EXPECT_EQ(list.DeleteByProx(&origin, 5.0), 2u);
  ASSERT_EQ(list.GetCount(), 1u);
  EXPECT_EQ(*list.GetVertex(0), T_VECTOR3D(0, 0, 6));
}

TEST(V3DListTest, VertexDataDefaultsAndSetters) {
  T_V3DLIST list;
  list.Add(1, 2, 3);
  const T_V3DVERTEX* v = list.GetVertex(0);
  EXPECT_EQ(v->ID, kNone);
  EXPECT_EQ(v->flags, 0u);
  EXPECT_EQ(v->appLink1, nullptr);
  EXPECT_EQ(v->appLink2, nullptr);
  EXPECT_EQ(v->Z2, 0.0);

  const T_VECTOR3D moved(4, 5, 6);
  list.SetVertex(0, &moved);
  EXPECT_EQ(list.GetID(0), kNone);
  EXPECT_EQ(list.GetVtxZ2(0), 0.0);

  list.ChangeID(0, 7);
  list.ChangeFlags(0, 0x30);
  EXPECT_TRUE(list.SetAppLink1(0, link(0x10)));
  EXPECT_TRUE(list.SetAppLink2(0, link(0x20)));
  EXPECT_TRUE(list.SetVtxZ2(0, 9.5));
  list.SetVertex(0, &moved);
  EXPECT_EQ(list.GetID(0), 7u);
  EXPECT_EQ(list.GetFlags(0), 0x30u);
  EXPECT_EQ(list.GetAppLink1(0), link(0x10));
  EXPECT_EQ(list.GetAppLink2(0), link(0x20));
  EXPECT_EQ(list.GetVtxZ2(0), 9.5);

  // Out of range: neutral answers, nothing stored.
  EXPECT_EQ(list.GetID(1), kNone);
  EXPECT_EQ(list.GetFlags(1), 0u);
  EXPECT_FALSE(list.SetAppLink1(1, link(1)));
  EXPECT_FALSE(list.SetVtxZ2(1, 1.0));
  EXPECT_EQ(list.GetVtxZ2(1), 0.0);
  list.SetVertex(1, &moved);
  EXPECT_EQ(list.GetCount(), 1u);

  // Tags 0..3 only; Clear keeps them.
  EXPECT_TRUE(list.SetPtrTag(3, link(0x40)));
  EXPECT_FALSE(list.SetPtrTag(4, link(0x50)));
  EXPECT_EQ(list.GetPtrTag(4), nullptr);
  list.Clear();
  EXPECT_EQ(list.GetPtrTag(3), link(0x40));
}

TEST(V3DListTest, IdsAndClosedFlag) {
  T_V3DLIST list;
  for (int i = 0; i < 7; ++i) list.Add(i, 0, 0);
  list.ChangeID(2, 42);
  list.ChangeID(5, 42);
  EXPECT_EQ(list.FindID(42), 2u);
  EXPECT_EQ(list.FindID(43), kNone);
  list.AutoIDs();
  for (unsigned i = 0; i < list.GetCount(); ++i) EXPECT_EQ(list.GetID(i), i);

  const struct {
    int closed;
    int expected;
  } cases[] = {{1, 1}, {2, 0}, {3, 1}, {0, 0}};
  for (const auto& row : cases) {
    list.SetClosed(row.closed);
    EXPECT_EQ(list.IsClosed(), row.expected) << "SetClosed(" << row.closed << ")";
  }
}

TEST(V3DListTest, AssignCopiesRecordsAddCopiesPositions) {
  T_V3DLIST src;
  src.Add(1, 1, 1);
  src.Add(2, 2, 2);
  src.ChangeID(1, 5);
  src.ChangeFlags(1, 3);
  src.SetAppLink2(1, link(0x99));
  src.SetVtxZ2(1, 8.0);
  src.SetClosed(1);
  src.SetPtrTag(0, link(0x77));

  T_V3DLIST copy;
  copy.Add(9, 9, 9);
  copy.Assign(&src);
  ASSERT_EQ(copy.GetCount(), 2u);
  EXPECT_EQ(copy.GetID(1), 5u);
  EXPECT_EQ(copy.GetFlags(1), 3u);
  EXPECT_EQ(copy.GetAppLink2(1), link(0x99));
  EXPECT_EQ(copy.GetVtxZ2(1), 8.0);
  EXPECT_EQ(copy.IsClosed(), 1);
  EXPECT_EQ(copy.GetPtrTag(0), link(0x77));
  EXPECT_TRUE(limitsAre(copy, true, T_VECTOR3D(1, 1, 1), T_VECTOR3D(2, 2, 2)));

  T_V3DLIST appended;
  EXPECT_EQ(appended.Add(&src), 2u);
  EXPECT_EQ(appended.GetID(1), kNone);
  EXPECT_EQ(appended.GetFlags(1), 0u);
  EXPECT_EQ(appended.GetAppLink2(1), nullptr);
  EXPECT_EQ(appended.GetVtxZ2(1), 0.0);
  EXPECT_EQ(appended.IsClosed(), 0);
  EXPECT_EQ(appended.Add(static_cast<T_V3DLIST*>(nullptr)), 0u);

  // A list added to itself doubles once.
  EXPECT_EQ(appended.Add(&appended), 2u);
  EXPECT_EQ(appended.GetCount(), 4u);
  EXPECT_EQ(*appended.GetVertex(3), T_VECTOR3D(2, 2, 2));

  // Self-assignment keeps the list; assigning an empty list keeps its tags.
  copy.Assign(&copy);
  EXPECT_EQ(copy.GetCount(), 2u);
  T_V3DLIST empty;
  empty.SetPtrTag(2, link(0x55));
  copy.Assign(&empty);
  EXPECT_EQ(copy.GetCount(), 0u);
  EXPECT_EQ(copy.IsClosed(), 0);
  EXPECT_EQ(copy.GetPtrTag(2), link(0x55));
  EXPECT_EQ(copy.GetPtrTag(0), nullptr);

  T_V3DLIST* clone = src.Clone();
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(positions(*clone), positions(src));
  EXPECT_EQ(clone->GetID(1), 5u);
  delete clone;
}

int byX(const T_VECTOR3D* a, const T_VECTOR3D* b, void* calls) {
  ++*static_cast<int*>(calls);
  return a->x > b->x ? 1 : 0;
}
int allEqual(const T_VECTOR3D*, const T_VECTOR3D*, void*) { return 0; }

// Records never move: pointers from GetVertex follow their vertex through
// additions, removals and every reordering.
TEST(V3DListTest, VertexPointersSurviveReordering) {
  T_V3DLIST list;
  for (double x : {5.0, 1.0, 4.0, 2.0, 3.0}) list.Add(x, -x, 0);
  T_V3DVERTEX* five = list.GetVertex(0);
  T_V3DVERTEX* two = list.GetVertex(3);
  list.ChangeID(0, 50);

  list.Add(9, 9, 9);
  list.DeleteAt(1);  // the 1
  list.Swap(0, 2);
  list.InvertOrder();
  int calls = 0;
  list.Sort(&byX, &calls);
  EXPECT_GT(calls, 0);

  std::vector<double> xs;
  for (const T_VECTOR3D& v : positions(list)) xs.push_back(v.x);
  EXPECT_EQ(xs, (std::vector<double>{2, 3, 4, 5, 9}));
  EXPECT_EQ(list.GetVertex(3), five);
  EXPECT_EQ(list.GetVertex(0), two);
  EXPECT_EQ(five->ID, 50u);
  EXPECT_EQ(five->y, -5.0);

  // A compare that finds everything equal keeps the order.
  const std::vector<T_VECTOR3D> before = positions(list);
  list.ChangeID(0, 1);
  list.Sort(&allEqual, nullptr);
  EXPECT_EQ(positions(list), before);
  EXPECT_EQ(list.GetID(0), 1u);

  // Swap with an index out of range does nothing.
  list.Swap(0, 5);
  EXPECT_EQ(positions(list), before);
}

TEST(V3DListTest, RemoveDupedPts) {
  struct Row {
    const char* name;
    std::vector<T_VECTOR3D> points;
    int closed;
    int consecutive;
    unsigned removed;
    std::vector<T_VECTOR3D> left;
  };
  const T_VECTOR3D a(0, 0, 0), b(1, 0, 0), c(1, 1, 0);
  const T_VECTOR3D a2(0, 0, 1e-9), a3(0, 1e-9, 0), b2(1, 0, 1e-9);
  const Row rows[] = {
      {"three coincident, every pair", {a, a2, a3}, 0, 0, 2, {a}},
      {"three coincident, closed neighbours", {a, a2, a3}, 1, 1, 2, {a}},
      {"three coincident, open neighbours", {a, a2, a3}, 0, 1, 2, {a}},
      {"runs collapse onto their first", {a, a2, b, b2, a3, c}, 0, 1, 2, {a, b, a3, c}},
      {"open: last and first not compared", {a, b, c, a2}, 0, 1, 0, {a, b, c, a2}},
      {"closed: the first removed against the last", {a, b, c, a2}, 1, 1, 1, {b, c, a2}},
      {"every pair finds distant duplicates", {a, b, a2, c, b2}, 0, 0, 2, {a, b, c}},
      {"one vertex", {a}, 1, 1, 0, {a}},
  };
  for (const Row& row : rows) {
    T_V3DLIST list;
    for (const T_VECTOR3D& p : row.points) list.Add(&p);
    list.SetClosed(row.closed);
    EXPECT_EQ(list.RemoveDupedPts(row.consecutive, 1e-6), row.removed) << row.name;
    EXPECT_EQ(positions(list), row.left) << row.name;
  }
  T_V3DLIST empty;
  EXPECT_EQ(empty.RemoveDupedPts(1, 1.0), 0u);
}

TEST(V3DListTest, StorageThatCannotBeMadeLeavesTheListEmpty) {
  T_V3DLIST list;
  {
    // The record list from the factory is the first allocation.
    zefcorek::ScopedAllocationFailure fail(1);
    EXPECT_EQ(list.Add(1, 2, 3), kNone);
  }
  EXPECT_EQ(list.GetCount(), 0u);
  EXPECT_TRUE(limitsAre(list, false, T_VECTOR3D(), T_VECTOR3D()));
  {
    // The factory passes, the first node does not.
    zefcorek::ScopedAllocationFailure fail(2);
    EXPECT_EQ(list.Add(1, 2, 3), kNone);
  }
  EXPECT_EQ(list.GetCount(), 0u);
  EXPECT_TRUE(limitsAre(list, false, T_VECTOR3D(), T_VECTOR3D()));

  T_V3DLIST src;
  src.Add(1, 2, 3);
  src.SetPtrTag(1, link(0x11));
  {
    zefcorek::ScopedAllocationFailure fail(1);
    list.Assign(&src);
  }
  EXPECT_EQ(list.GetCount(), 0u);
  EXPECT_EQ(list.GetPtrTag(1), link(0x11));
  EXPECT_EQ(list.Add(4, 5, 6), 0u);
}

}  // namespace
