// MxArray: growth policy, slot resets, reallocation, copies, checked access.
#include "mxarray.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

const char* const kAccessTag = "protectedinterfaces/mxarray_i";
const char* const kStorageTag = "protectedinterfaces/mxarray_t";

using ArrayChecks = ReportingTest;

// A class type that counts its live instances, so every constructed slot
// and every destruction shows.
struct Probe {
  static int live;
  std::string text;
  Probe() { ++live; }
  Probe(const char* t) : text(t) { ++live; }
  Probe(const Probe& other) : text(other.text) { ++live; }
  Probe& operator=(const Probe&) = default;
  ~Probe() { --live; }
};
int Probe::live = 0;

MxArray<int> filled(int n) {
  MxArray<int> a;
  for (int i = 0; i < n; ++i) a.append(i + 1);
  return a;
}

// An array of `n` elements 0, 1, ... whose capacity is exactly `n`.
MxArray<int> full_array(size_t n) {
  MxArray<int> a;
  a.reallocate(n, false);
  a.resize(n, true);
  for (size_t i = 0; i < n; ++i) a[i] = static_cast<int>(i);
  return a;
}

// --- growth -------------------------------------------------------------

TEST(ArrayGrowth, AppendingDoublesFromOneThenGoesLinearPast64000) {
  MxArray<int> a;
  EXPECT_EQ(a.capacity(), 0u);
  EXPECT_EQ(a.data(), nullptr);
  std::vector<size_t> capacities;
  for (int i = 0; i < 9; ++i) {
    a.append(i);
    capacities.push_back(a.capacity());
  }
  EXPECT_EQ(capacities, (std::vector<size_t>{1, 2, 4, 4, 8, 8, 8, 8, 16}));
  for (int i = 0; i < 9; ++i) EXPECT_EQ(a[i], i);
  for (int i = 9; i < 65537; ++i) a.append(i);
  EXPECT_EQ(a.capacity(), 65536u + 4096u);
  EXPECT_EQ(a[65536], 65536);
}

TEST(ArrayGrowth, ResizeAndAppendToFullArrays) {
  EXPECT_EQ(filled(5).capacity(), 8u);
  MxArray<int> b;
  b.resize(5, true);
  EXPECT_EQ(b.capacity(), 8u);
  EXPECT_EQ(b.size(), 5u);

  MxArray<int> a = filled(5);
  a.resize(70000, true);
  EXPECT_EQ(a.capacity(), 73736u); // 8 + 69632 + 4096
  EXPECT_EQ(a.size(), 70000u);
  EXPECT_EQ(a[4], 5);
  EXPECT_EQ(a[5], 0);
  EXPECT_EQ(a[69999], 0);
  EXPECT_EQ(MxArray<int>::grown_capacity(8, 64000), 8u + 61440u + 4096u);
  EXPECT_EQ(MxArray<int>::grown_capacity(0, 63999), 65536u);

  const struct { size_t full, capacity_after; } cases[] = {{3, 6}, {4, 8}, {63999, 63999 + 4096}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.full);
    MxArray<int> f = full_array(c.full);
    f.append(f[2]); // an element of the array itself, read while it grows
    EXPECT_EQ(f.capacity(), c.capacity_after);
    EXPECT_EQ(f.size(), c.full + 1);
    EXPECT_EQ(f[c.full - 1], static_cast<int>(c.full - 1));
    EXPECT_EQ(f[c.full], 2);
  }
}

// Storage from operator new, so the array copies its elements on growth
// instead of growing the buffer in place.
template <class T> struct CopyingAllocator {
  T* allocate(size_t n) { return n ? static_cast<T*>(::operator new(n * sizeof(T))) : nullptr; }
  void deallocate(T* p) { ::operator delete(p); }
};

// Random appends (of own elements too), resizes, reallocations and removals,
// on either side of 64000 elements: an int array whose buffer grows in place
// against one that copies shows the same sizes, capacities and slots.
TEST(ArrayGrowth, GrowingInPlaceMatchesCopying) {
  std::mt19937 random(7);
  MxArray<int> in_place;
  MxArray<int, CopyingAllocator<int>> copying;
  for (int step = 0; step < 600; ++step) {
    const size_t size = in_place.size(), n = random() % (2 * size + 1000);
    const bool keep = random() % 4 != 0;
    switch (random() % 4) {
    case 0:
      for (size_t i = random() % 20000; i > 0; --i) {
        const size_t own = random() % (in_place.size() + 1); // the spare slot at most
        in_place.append(in_place.data() ? in_place.data()[own % in_place.capacity()] : 1);
        copying.append(copying.data() ? copying.data()[own % copying.capacity()] : 1);
      }
      break;
    case 1:
      in_place.resize(n % 150000, keep);
      copying.resize(n % 150000, keep);
      break;
    case 2:
      in_place.reallocate(size + n % 3000, keep);
      copying.reallocate(size + n % 3000, keep);
      break;
    default:
      for (size_t i = std::min(n % 500, size); i > 0; --i)
        in_place.remove_last(), copying.remove_last();
    }
    ASSERT_EQ(in_place.size(), copying.size()) << step;
    ASSERT_EQ(in_place.capacity(), copying.capacity()) << step;
    ASSERT_TRUE(std::equal(in_place.data(), in_place.data() + in_place.capacity(), copying.data()));
  }
}

// --- resize and reallocate ---------------------------------------------

TEST(ArrayResize, ShrinkResetsDroppedSlotsAndGrowWithoutKeepDropsContent) {
  MxArray<int> a = filled(5);
  a.resize(2, true);
  EXPECT_EQ(a.capacity(), 8u);
  a.resize(5, true);
  EXPECT_EQ(std::vector<int>(a.data(), a.data() + 5), (std::vector<int>{1, 2, 0, 0, 0}));
  MxArray<std::string> s;
  s.append("alpha");
  s.append("beta");
  s.resize(1, true);
  s.resize(2, true);
  EXPECT_EQ(s[0], "alpha");
  EXPECT_EQ(s[1], "");

  MxArray<int> b = filled(3);
  b.resize(10, false);
  EXPECT_EQ(b.size(), 10u);
  EXPECT_EQ(b.capacity(), 16u);
  for (size_t i = 0; i < b.size(); ++i) EXPECT_EQ(b[i], 0);
}

TEST(ArrayResize, ReallocateKeepsSizeAndMayShrinkDownToIt) {
  MxArray<std::string> a;
  for (const char* t : {"x", "y", "z"}) a.append(t);
  a.reallocate(20, false);
  EXPECT_EQ(a.size(), 3u);
  EXPECT_EQ(a.capacity(), 20u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(a[i], "");

  MxArray<int> b = filled(5);
  b.reallocate(5, true);
  EXPECT_EQ(b.capacity(), 5u);
  EXPECT_EQ(b[4], 5);
  MxArray<int> empty;
  empty.reallocate(0, false);
  EXPECT_EQ(empty.data(), nullptr);
}

TEST_F(ArrayChecks, ReallocateBelowSizeOrImpossibleSizesChangeNothing) {
  MxArray<int> a = filled(5);
  const int* before = a.data();
  a.reallocate(4, true);
  a.resize(static_cast<size_t>(-1), true); // e.g. `n - 1` with n == 0
  a.resize(SIZE_MAX / 2, false);           // n * sizeof(int) would wrap
  a.reallocate(SIZE_MAX / 2, true);
  EXPECT_EQ(reports.tags(), ReportTags(4, kStorageTag));
  EXPECT_EQ(a.data(), before);
  EXPECT_EQ(a.capacity(), 8u);
  EXPECT_EQ(a.size(), 5u);
  EXPECT_EQ(a[4], 5);
}

// --- element access -----------------------------------------------------

TEST_F(ArrayChecks, IndexAtSizeReportsButReachesTheSlot) {
  MxArray<int> a = filled(5);
  int& slot = a[5];
  EXPECT_EQ(reports.tags(), ReportTags{kAccessTag});
  EXPECT_EQ(&slot, a.data() + 5);
  EXPECT_EQ(slot, 0);
  const MxArray<int>& c = a;
  EXPECT_EQ(c[7], 0);
  EXPECT_EQ(c[4], 5);
  EXPECT_EQ(reports.count(), 2u);
}

TEST_F(ArrayChecks, IndexPastCapacityNeverLeavesTheBuffer) {
  MxArray<int> a = filled(5);
  int& scratch = a[8];
  EXPECT_EQ(reports.tags(), ReportTags{kAccessTag});
  EXPECT_TRUE(&scratch < a.data() || &scratch >= a.data() + a.capacity());
  scratch = 77; // must not land in the array
  EXPECT_EQ(a[1000000], 0);
  const MxArray<int>& c = a;
  EXPECT_EQ(c[9], 0);
  for (size_t i = 0; i < a.capacity(); ++i) EXPECT_NE(a.data()[i], 77);

  MxArray<std::string> none;
  none[0] = "written";
  EXPECT_EQ(none[3], "");
  EXPECT_EQ(none.capacity(), 0u);
}

TEST_F(ArrayChecks, LastAndRemoveLastOnEmptyReport) {
  MxArray<std::string> a;
  EXPECT_EQ(a.last(), "");
  EXPECT_EQ(reports.take_tags(), ReportTags{kAccessTag});
  a.append("one");
  a.append("two");
  a.remove_last();
  EXPECT_EQ(a.size(), 1u);
  EXPECT_EQ(a.last(), "one");
  a.resize(2, true);
  EXPECT_EQ(a[1], ""); // the removed slot was reset
  a.remove_last();
  a.remove_last();
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(a.last(), ""); // buffer exists, but nothing is in use
  const MxArray<std::string>& c = a;
  EXPECT_EQ(c.last(), "");
  a.remove_last();
  EXPECT_EQ(reports.tags(), ReportTags(3, kAccessTag));
  EXPECT_EQ(a.size(), 0u);
  EXPECT_EQ(a.capacity(), 2u);
}

TEST(ArrayAppend, OwnElementWhileGrowing) {
  MxArray<std::string> s;
  s.append("first, long enough to live on the heap");
  s.append("second");
  ASSERT_EQ(s.capacity(), 2u);
  s.append(s[0]);
  EXPECT_EQ(s[2], "first, long enough to live on the heap");
  s.append(s[3]); // the spare slot itself: a default value, within the buffer
  EXPECT_EQ(s[3], "");
}

// --- copies and moves ---------------------------------------------------

TEST(ArrayCopy, CapacityFollowsGrowthPolicyAndIsIndependent) {
  MxArray<int> source = filled(5);
  source.reallocate(100, true);
  MxArray<int> copy(source);
  EXPECT_EQ(copy.capacity(), 8u);
  EXPECT_EQ(copy.size(), 5u);
  copy[0] = 42;
  EXPECT_EQ(source[0], 1);
  EXPECT_EQ(copy[4], 5);

  MxArray<int> target = filled(7);
  target = filled(2);
  EXPECT_EQ(target.size(), 2u);
  EXPECT_EQ(target[1], 2);
  target.resize(7, true);
  EXPECT_EQ(target[6], 0); // dropped slots were reset
  MxArray<int>& self = target;
  target = self;
  EXPECT_EQ(target[1], 2);
}

TEST(ArrayCopy, MoveHandsTheBufferOver) {
  MxArray<int> a = filled(3);
  const int* buffer = a.data();
  MxArray<int> b(std::move(a));
  EXPECT_EQ(b.data(), buffer);
  EXPECT_EQ(b.size(), 3u);
  EXPECT_EQ(a.size(), 0u);
  EXPECT_EQ(a.capacity(), 0u);
  a.append(8); // a moved-from array is usable
  EXPECT_EQ(a[0], 8);
  MxArray<int> c = filled(10);
  c = std::move(b);
  EXPECT_EQ(c.data(), buffer);
  EXPECT_EQ(c.capacity(), 4u);
  EXPECT_EQ(b.size(), 0u);
  EXPECT_EQ(b.capacity(), 0u);
}

// --- element types ------------------------------------------------------

TEST(ArrayTypes, ArraysOfArraysCopyDeeply) {
  MxArray<MxArray<int>> outer;
  for (int n = 1; n <= 3; ++n) outer.append(filled(n));
  outer.append(outer[2]); // fits in the fourth slot
  outer.append(outer[0]); // full array of 4: grows while reading its own element
  EXPECT_EQ(outer.capacity(), 8u);
  EXPECT_EQ(outer[4].size(), 1u);
  EXPECT_EQ(outer[3][2], 3);

  MxArray<MxArray<int>> copy(outer);
  copy[0].append(99);
  copy[3][0] = -5;
  EXPECT_EQ(outer[0].size(), 1u);
  EXPECT_EQ(outer[3][0], 1);
  EXPECT_EQ(copy[0][1], 99);

  outer.remove_last();
  outer.resize(5, true);
  EXPECT_EQ(outer[4].size(), 0u);
  EXPECT_EQ(outer[4].capacity(), 0u);
}

TEST(ArrayTypes, EveryCapacitySlotHoldsAConstructedElement) {
  Probe::live = 0;
  {
    MxArray<Probe> a;
    for (int i = 0; i < 5; ++i) a.append("p");
    EXPECT_EQ(Probe::live, 8);
    a.resize(2, true);
    EXPECT_EQ(Probe::live, 8);
    EXPECT_EQ(a[4].text, "");
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

TEST(ArrayTypes, SpareSlotsHoldValueInitialisedElements) {
  MxArray<int Pair::*> a; // a null member pointer is not all-zero bytes
  a.resize(3, true);
  EXPECT_EQ(a[0], nullptr);
  a.append(&Pair::y);
  EXPECT_EQ(a[3], &Pair::y);
  EXPECT_EQ(a.capacity(), 4u);
  a.resize(3, true);
  a.resize(4, true);
  EXPECT_EQ(a[3], nullptr);
}

} // namespace
