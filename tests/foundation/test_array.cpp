// MxArray: model checks against std::vector (ints growing in place or by
// copying, strings), the figures of the growth policy, access past the
// capacity, and element types whose construction shows.
#include "mxarray.h"

#include "support/container_models.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

TEST(Array, MatchesVectorUnderRandomOperations) {
  using namespace models;
  EXPECT_EQ(run_random<ArrayModel<int>>(40, 600), "");
  EXPECT_EQ((run_random<ArrayModel<int, CopyingAllocator<int>>>(40, 600)), "");
  EXPECT_EQ(run_random<ArrayModel<std::string>>(40, 600), "");
}

// resize: 5 elements take 8 slots; from 8, 64000 take 8 + 61440 + 4096 and
// 70000 take 8 + 69632 + 4096. append to a full array: 3 -> 6, 63999 -> +4096.
TEST(Array, GrowthDoublesFromOneThenStepsBy4096From64000) {
  for (auto [count, capacity] : {std::pair<size_t, size_t>{64000, 65544}, {70000, 73736}}) {
    MxArray<int> a;
    a.resize(5, true);
    EXPECT_EQ(a.capacity(), 8u);
    a.resize(count, true);
    EXPECT_EQ(a.capacity(), capacity);
  }
  for (size_t full : {size_t{3}, size_t{63999}}) {
    MxArray<int> f;
    f.reallocate(full, false);
    f.resize(full, true);
    f.append(1);
    EXPECT_EQ(f.capacity(), full == 3 ? 6u : 63999u + 4096u);
  }
}

TEST_F(ReportingTest, AccessPastTheSizeReachesTheSlotAndPastTheCapacityNeverLeavesTheBuffer) {
  MxArray<int> a;
  for (int i = 1; i <= 5; ++i) a.append(i);
  EXPECT_EQ(&a[5], a.data() + 5);
  int& scratch = a[8];
  EXPECT_TRUE(&scratch < a.data() || &scratch >= a.data() + a.capacity());
  scratch = 77; // must not land in the array
  for (size_t i = 0; i < a.capacity(); ++i) EXPECT_NE(a.data()[i], 77);
  MxArray<std::string> none;
  none[0] = "written";
  EXPECT_EQ(none[3], "");
  EXPECT_EQ(none.capacity(), 0u);
  EXPECT_EQ(reports.tags(), ReportTags(4, "protectedinterfaces/mxarray_i"));
}

struct Probe { // counts its live instances
  static int live;
  std::string text;
  Probe() { ++live; }
  Probe(const char* t) : text(t) { ++live; }
  Probe(const Probe& other) : text(other.text) { ++live; }
  Probe& operator=(const Probe&) = default;
  ~Probe() { --live; }
};
int Probe::live = 0;

TEST(Array, EveryCapacitySlotHoldsAConstructedElement) {
  Probe::live = 0;
  {
    MxArray<Probe> a;
    for (int i = 0; i < 5; ++i) a.append("p");
    EXPECT_EQ(Probe::live, 8);
    a.resize(2, true);
    EXPECT_EQ(Probe::live, 8);
    a.reallocate(3, true);
    EXPECT_EQ(Probe::live, 3);
    EXPECT_EQ(a[1].text, "p");
    MxArray<Probe> b(a);
    EXPECT_EQ(Probe::live, 3 + 2);
    b = MxArray<Probe>();
    EXPECT_EQ(Probe::live, 3);
  }
  EXPECT_EQ(Probe::live, 0);
}

TEST(Array, ArraysOfArraysCopyDeeply) {
  MxArray<MxArray<int>> outer;
  for (int n = 1; n <= 4; ++n) {
    outer.append(MxArray<int>());
    for (int i = 1; i <= n; ++i) outer[n - 1].append(i);
  }
  outer.append(outer[0]); // full: grows while reading its own element
  MxArray<MxArray<int>> copy(outer);
  copy[0].append(99);
  copy[4][0] = -5;
  EXPECT_EQ(outer[0].size(), 1u);
  EXPECT_EQ(outer[4][0], 1);
  EXPECT_EQ(copy[0][1], 99);
  outer.remove_last();
  outer.resize(5, true);
  EXPECT_EQ(outer[4].capacity(), 0u); // the dropped slot was reset
}

struct Pair {
  int x, y;
};

TEST(Array, SpareSlotsHoldValueInitialisedElements) {
  MxArray<int Pair::*> a; // a null member pointer is not all-zero bytes
  a.resize(3, true);
  EXPECT_EQ(a[0], nullptr);
  a.append(&Pair::y);
  EXPECT_EQ(a[3], &Pair::y);
  a.resize(3, true);
  a.resize(4, true);
  EXPECT_EQ(a[3], nullptr);
}

} // namespace
