// MxArray: model checks against std::vector (ints growing in place or by
// copying, strings), the figures of the growth policy, access past the
// capacity, and element types whose construction shows.
#include "mxarray.h"

#include "support/container_models.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Array, MatchesVectorUnderRandomOperations) {
  using namespace models;
  EXPECT_EQ(run_random<ArrayModel<int>>(40, 600), "");
  EXPECT_EQ((run_random<ArrayModel<int, CopyingAllocator<int>>>(40, 600)), "");
  EXPECT_EQ(run_random<ArrayModel<std::string>>(40, 600), "");
}

// Appending to a full array doubles it, from 64000 elements adds 4096 (the
// model check grows arrays that far only by resizing).
TEST(Array, AppendToAFullArrayDoublesItOrFrom64000Adds4096) {
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
  static inline int live = 0;
  std::string text;
  Probe() { ++live; }
  Probe(const char* t) : text(t) { ++live; }
  Probe(const Probe& other) : text(other.text) { ++live; }
  Probe& operator=(const Probe&) = default;
  ~Probe() { --live; }
};

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
