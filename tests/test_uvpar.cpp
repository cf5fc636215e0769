// Parameter-space points and vectors: UV, UVW and triangle (barycentric)
// types, their arithmetic, normalisation and validation, and their output.
#include "mxtrianglepar.h"
#include "mxtrianglevec.h"
#include "mxuvpar.h"
#include "mxuvvec.h"
#include "mxuvwpar.h"
#include "mxuvwvec.h"

#include "mxstringjournal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

const double pi = 3.141592653589793;
const double third = 1.0 / 3.0;

std::vector<std::string> reports;
void record(const char* file, int) {
  reports.emplace_back(file);
}

struct Reporting : ::testing::Test {
  void SetUp() override {
    reports.clear();
    set_fnd_assertion_handler(record, true);
  }
  void TearDown() override { set_fnd_assertion_handler(record, false); }
  // Expects exactly `n` reports since the last call, all with `tag`.
  void expect_reports(size_t n, const char* tag) {
    EXPECT_EQ(reports.size(), n);
    for (const std::string& r : reports) EXPECT_EQ(r, tag);
    reports.clear();
  }
};

// Each takes the object once: constructing a triangle type may report.
#define EXPECT_UV(x, a, b)                                                                         \
  do {                                                                                             \
    const auto& xy_ = (x);                                                                         \
    EXPECT_EQ(xy_.as_array()[0], (a));                                                             \
    EXPECT_EQ(xy_.as_array()[1], (b));                                                             \
  } while (0)
#define EXPECT_UVW(x, a, b, c)                                                                     \
  do {                                                                                             \
    const auto& xyz_ = (x);                                                                        \
    EXPECT_EQ(xyz_.as_array()[0], (a));                                                            \
    EXPECT_EQ(xyz_.as_array()[1], (b));                                                            \
    EXPECT_EQ(xyz_.as_array()[2], (c));                                                            \
  } while (0)

// ---------------------------------------------------------------------------
// MxUVVec and MxUVPar

TEST(UVVec, ConstructionAccessAndLayout) {
  EXPECT_UV(MxUVVec(), 0.0, 0.0);
  const double raw[2] = {1.5, -2.5};
  MxUVVec v(raw);
  EXPECT_EQ(v.du(), 1.5);
  EXPECT_EQ(v.dv(), -2.5);
  EXPECT_EQ(MxUVVec::dim(), 2);
  EXPECT_EQ(sizeof(MxUVVec), 2 * sizeof(double));
  v.set_du(3.0);
  v.set_dv(4.0);
  EXPECT_EQ(v[0], 3.0);
  EXPECT_EQ(v[1], 4.0);
  v[1] = 7.0;
  EXPECT_EQ(v.dv(), 7.0);
  MxUVVec copy(v);
  copy = MxUVVec(1.0, 2.0);
  EXPECT_UV(copy, 1.0, 2.0);
  EXPECT_UV(v, 3.0, 7.0);
}

TEST(UVVec, Arithmetic) {
  const MxUVVec a(1.0, 2.0), b(3.0, -5.0);
  EXPECT_UV(a + b, 4.0, -3.0);
  EXPECT_UV(a - b, -2.0, 7.0);
  EXPECT_UV(-a, -1.0, -2.0);
  EXPECT_UV(a.reverse(), -1.0, -2.0);
  EXPECT_UV(a * 2.5, 2.5, 5.0);
  MxUVVec c = a;
  EXPECT_EQ(&(c += b), &c);
  EXPECT_UV(c, 4.0, -3.0);
  EXPECT_EQ(&(c -= b), &c);
  EXPECT_UV(c, 1.0, 2.0);
  EXPECT_EQ(a % b, 3.0 - 10.0);
  EXPECT_EQ(a * b, -5.0 - 6.0);
  EXPECT_EQ(MxUVVec(1.0, 0.0) * MxUVVec(0.0, 1.0), 1.0);
  EXPECT_EQ(MxUVVec(1.0, 0.0) % MxUVVec(0.0, 1.0), 0.0);
  EXPECT_EQ(MxUVVec(3.0, 4.0).length(), 5.0);
}

TEST(UVVec, OrthoTurnAndAngle) {
  const MxUVVec x(1.0, 0.0), y(0.0, 1.0);
  EXPECT_UV(x.ortho(), -0.0, 1.0);
  EXPECT_UV(MxUVVec(2.0, 3.0).ortho(), -3.0, 2.0);
  const MxUVVec turned = x.turn(pi / 2);
  EXPECT_NEAR(turned.du(), 0.0, 1e-15);
  EXPECT_EQ(turned.dv(), 1.0);
  const MxUVVec back = MxUVVec(2.0, 3.0).turn(-pi);
  EXPECT_NEAR(back.du(), -2.0, 1e-15);
  EXPECT_NEAR(back.dv(), -3.0, 1e-15);
  EXPECT_UV(MxUVVec(2.0, 3.0).turn(0.0), 2.0, 3.0);

  EXPECT_EQ(x.angle(y), pi / 2);
  EXPECT_EQ(y.angle(x), -pi / 2);
  EXPECT_EQ(x.angle(MxUVVec(-1.0, 0.0)), pi);
  EXPECT_EQ(x.angle(MxUVVec(5.0, 0.0)), 0.0);
  EXPECT_NEAR(x.angle(MxUVVec(1.0, 1.0)), pi / 4, 1e-15);
  EXPECT_NEAR(x.angle(MxUVVec(1.0, -1.0)), -pi / 4, 1e-15);
  EXPECT_EQ(MxUVVec().angle(y), 0.0);
  EXPECT_EQ(y.angle(MxUVVec(1e-21, 0.0)), 0.0);
}

TEST_F(Reporting, UVVecNumericalZeroAndNormalize) {
  MxUVVec tiny(1e-21, 0.0); // squared length 1e-42
  EXPECT_TRUE(tiny.numerical_zero());
  tiny.normalize();
  EXPECT_UV(tiny, 1e-21, 0.0);
  expect_reports(1, "mxuvvec");

  MxUVVec small(1e-19, 0.0); // squared length 1e-38
  EXPECT_FALSE(small.numerical_zero());
  small.normalize();
  EXPECT_UV(small, 1.0, 0.0);
  MxUVVec v(3.0, -4.0);
  v.normalize();
  EXPECT_UV(v, 0.6, -0.8);
  expect_reports(0, "mxuvvec");

  MxUVVec zero;
  zero.normalize();
  EXPECT_UV(zero, 0.0, 0.0);
  MxUVVec not_a_number(NAN, 1.0); // treated as numerically zero, like normalize does
  EXPECT_TRUE(not_a_number.numerical_zero());
  not_a_number.normalize();
  EXPECT_TRUE(std::isnan(not_a_number.du()));
  expect_reports(2, "mxuvvec");
}

TEST(UVVec, NormalizeWithoutHandlerIsSilent) {
  reports.clear();
  MxUVVec zero;
  zero.normalize();
  EXPECT_UV(zero, 0.0, 0.0);
  EXPECT_TRUE(reports.empty());
}

TEST(UVPar, ConstructionAndArithmetic) {
  EXPECT_UV(MxUVPar(), 0.0, 0.0);
  const double raw[2] = {0.25, 0.75};
  MxUVPar p(raw);
  EXPECT_EQ(p.u(), 0.25);
  EXPECT_EQ(p.v(), 0.75);
  EXPECT_EQ(MxUVPar::dim(), 2);
  EXPECT_EQ(sizeof(MxUVPar), 2 * sizeof(double));
  p.set_u(1.0);
  p.set_v(2.0);
  p[0] = 1.5;
  EXPECT_EQ(p[0], 1.5);
  EXPECT_EQ(p[1], 2.0);

  const MxUVPar a(1.0, 2.0), b(4.0, 6.0);
  const MxUVVec d(0.5, -1.0);
  EXPECT_UV(a + d, 1.5, 1.0);
  EXPECT_UV(a - d, 0.5, 3.0);
  const MxUVVec diff = b - a;
  EXPECT_UV(diff, 3.0, 4.0);
  EXPECT_UV(a + b, 5.0, 8.0);
  EXPECT_UV((a + b) * 0.5, 2.5, 4.0);

  MxUVPar c = a;
  EXPECT_EQ(&(c += b), &c);
  EXPECT_UV(c, 5.0, 8.0);
  EXPECT_EQ(&(c += d), &c);
  EXPECT_UV(c, 5.5, 7.0);
  EXPECT_EQ(&(c -= d), &c);
  EXPECT_UV(c, 5.0, 8.0);
  EXPECT_EQ(&(c *= 2.0), &c);
  EXPECT_UV(c, 10.0, 16.0);
}

// ---------------------------------------------------------------------------
// MxUVWVec and MxUVWPar

TEST(UVWVec, ConstructionAndArithmetic) {
  EXPECT_UVW(MxUVWVec(), 0.0, 0.0, 0.0);
  const double raw[3] = {1.0, 2.0, 3.0};
  MxUVWVec v(raw);
  EXPECT_EQ(v.du(), 1.0);
  EXPECT_EQ(v.dv(), 2.0);
  EXPECT_EQ(v.dw(), 3.0);
  EXPECT_EQ(sizeof(MxUVWVec), 3 * sizeof(double));
  v.set_du(-1.0);
  v.set_dv(-2.0);
  v.set_dw(-3.0);
  v[2] = 9.0;
  EXPECT_UVW(v, -1.0, -2.0, 9.0);

  const MxUVWVec a(1.0, 2.0, 3.0), b(-2.0, 0.5, 4.0);
  EXPECT_UVW(a + b, -1.0, 2.5, 7.0);
  EXPECT_UVW(a - b, 3.0, 1.5, -1.0);
  EXPECT_UVW(-a, -1.0, -2.0, -3.0);
  EXPECT_UVW(a.reverse(), -1.0, -2.0, -3.0);
  EXPECT_UVW(a * 2.0, 2.0, 4.0, 6.0);
  MxUVWVec c = a;
  EXPECT_EQ(&(c += b), &c);
  EXPECT_UVW(c, -1.0, 2.5, 7.0);
  EXPECT_EQ(&(c -= b), &c);
  EXPECT_UVW(c, 1.0, 2.0, 3.0);
  EXPECT_EQ(a % b, -2.0 + 1.0 + 12.0);
  EXPECT_UVW(MxUVWVec(1.0, 0.0, 0.0) * MxUVWVec(0.0, 1.0, 0.0), 0.0, 0.0, 1.0);
  EXPECT_UVW(MxUVWVec(0.0, 1.0, 0.0) * MxUVWVec(0.0, 0.0, 1.0), 1.0, 0.0, 0.0);
  EXPECT_UVW(MxUVWVec(0.0, 0.0, 1.0) * MxUVWVec(1.0, 0.0, 0.0), 0.0, 1.0, 0.0);
  EXPECT_UVW(a * b, 2.0 * 4.0 - 3.0 * 0.5, 3.0 * -2.0 - 1.0 * 4.0, 1.0 * 0.5 - 2.0 * -2.0);
  EXPECT_EQ(MxUVWVec(2.0, 3.0, 6.0).length(), 7.0);
}

TEST_F(Reporting, UVWVecNormalize) {
  MxUVWVec v(2.0, 3.0, 6.0);
  EXPECT_FALSE(v.numerical_zero());
  v.normalize();
  EXPECT_NEAR(v.du(), 2.0 / 7.0, 1e-16);
  EXPECT_NEAR(v.dw(), 6.0 / 7.0, 1e-16);
  EXPECT_NEAR(v.length(), 1.0, 1e-15);
  expect_reports(0, "mxuvwvec");

  MxUVWVec tiny(1e-21, 0.0, 0.0);
  EXPECT_TRUE(tiny.numerical_zero());
  tiny.normalize();
  EXPECT_UVW(tiny, 1e-21, 0.0, 0.0);
  expect_reports(1, "mxuvwvec");
  MxUVWVec small(0.0, 0.0, 1e-19);
  small.normalize();
  EXPECT_UVW(small, 0.0, 0.0, 1.0);
  expect_reports(0, "mxuvwvec");
}

TEST(UVWPar, ConstructionAndArithmetic) {
  EXPECT_UVW(MxUVWPar(), 0.0, 0.0, 0.0);
  const double raw[3] = {1.0, 2.0, 3.0};
  MxUVWPar p(raw);
  EXPECT_EQ(p.u(), 1.0);
  EXPECT_EQ(p.v(), 2.0);
  EXPECT_EQ(p.w(), 3.0);
  EXPECT_EQ(sizeof(MxUVWPar), 3 * sizeof(double));
  p.set_u(4.0);
  p.set_v(5.0);
  p.set_w(6.0);
  p[1] = 7.0;
  EXPECT_UVW(p, 4.0, 7.0, 6.0);

  const MxUVWPar a(1.0, 2.0, 3.0), b(0.0, 4.0, -1.0);
  const MxUVWVec d(1.0, -1.0, 0.5);
  EXPECT_UVW(a + d, 2.0, 1.0, 3.5);
  EXPECT_UVW(a - d, 0.0, 3.0, 2.5);
  const MxUVWVec diff = a - b;
  EXPECT_UVW(diff, 1.0, -2.0, 4.0);
  EXPECT_UVW(a * -2.0, -2.0, -4.0, -6.0);
}

// ---------------------------------------------------------------------------
// MxTrianglePar and MxTriangleVec

TEST_F(Reporting, TriangleParNormalises) {
  EXPECT_UVW(MxTrianglePar(), third, third, third);
  EXPECT_UVW(MxTrianglePar(2.0, 1.0, 1.0), 0.5, 0.25, 0.25);
  EXPECT_UVW(MxTrianglePar(2.0, -1.0, 0.0), 2.0, -1.0, 0.0); // outside the triangle
  const double raw[3] = {0.0, 0.0, 4.0};
  const MxTrianglePar from_array(raw);
  EXPECT_UVW(from_array, 0.0, 0.0, 1.0);
  EXPECT_EQ(from_array.u(), 0.0);
  EXPECT_EQ(from_array.v(), 0.0);
  EXPECT_EQ(from_array.w(), 1.0);
  EXPECT_EQ(from_array[2], 1.0);
  EXPECT_EQ(sizeof(MxTrianglePar), 3 * sizeof(double));
  expect_reports(0, "mxtrianglepar");
}

TEST_F(Reporting, TriangleParWithoutUsableSumBecomesTheCentre) {
  EXPECT_UVW(MxTrianglePar(1.0, -1.0, 0.0), third, third, third);
  EXPECT_UVW(MxTrianglePar(1e-13, 0.0, 0.0), third, third, third);
  EXPECT_UVW(MxTrianglePar(-1.0, -1.0, -1.0), third, third, third);
  EXPECT_UVW(MxTrianglePar(NAN, 0.0, 1.0), third, third, third);
  expect_reports(4, "mxtrianglepar");
  EXPECT_UVW(MxTrianglePar(2e-12, 0.0, 0.0), 1.0, 0.0, 0.0);
  expect_reports(0, "mxtrianglepar");
}

TEST_F(Reporting, TriangleVecValidates) {
  EXPECT_UVW(MxTriangleVec(), 0.0, 0.0, 0.0);
  EXPECT_UVW(MxTriangleVec(1.0, -1.0, 0.0), 1.0, -1.0, 0.0);
  EXPECT_UVW(MxTriangleVec(0.1, 0.2, -0.3), 0.1, 0.2, -0.3); // sum 5.6e-17
  const double raw[3] = {0.5, 0.5, -1.0};
  const MxTriangleVec from_array(raw);
  EXPECT_UVW(from_array, 0.5, 0.5, -1.0);
  EXPECT_EQ(from_array.du(), 0.5);
  EXPECT_EQ(from_array.dv(), 0.5);
  EXPECT_EQ(from_array.dw(), -1.0);
  EXPECT_EQ(from_array[1], 0.5);
  EXPECT_EQ(sizeof(MxTriangleVec), 3 * sizeof(double));
  expect_reports(0, "mxtrianglevec");

  EXPECT_UVW(MxTriangleVec(1.0, 0.0, 0.0), 0.0, 0.0, 0.0);
  EXPECT_UVW(MxTriangleVec(1e-12, 0.0, 0.0), 0.0, 0.0, 0.0);
  EXPECT_UVW(MxTriangleVec(NAN, 0.0, 0.0), 0.0, 0.0, 0.0);
  const double bad[3] = {1.0, 1.0, 1.0};
  EXPECT_UVW(MxTriangleVec(bad), 0.0, 0.0, 0.0);
  expect_reports(4, "mxtrianglevec");
  // The test is absolute: a large scale factor can break a valid vector.
  const double large = 1024.0 * 1024.0 * 1024.0 * 1024.0;
  EXPECT_UVW(MxTriangleVec(0.1, 0.2, -0.3) * large, 0.0, 0.0, 0.0);
  expect_reports(1, "mxtrianglevec");
}

TEST_F(Reporting, TriangleVecOperations) {
  const MxTriangleVec a(1.0, -1.0, 0.0), b(0.0, 2.0, -2.0);
  EXPECT_UVW(a + b, 1.0, 1.0, -2.0);
  EXPECT_UVW(a - b, 1.0, -3.0, 2.0);
  EXPECT_UVW(a * 3.0, 3.0, -3.0, 0.0);
  EXPECT_UVW(-a, -1.0, 1.0, -0.0);
  EXPECT_UVW(a.reverse(), -1.0, 1.0, -0.0);
  const double k = 0.5773502691896257;
  EXPECT_UVW(a.ortho(), k, k, -2.0 * k);
  EXPECT_UVW(a.turn(0.0), 1.0, -1.0, 0.0);
  const MxTriangleVec quarter = a.turn(pi / 2);
  EXPECT_NEAR(quarter.du(), k, 1e-15);
  EXPECT_NEAR(quarter.dv(), k, 1e-15);
  EXPECT_NEAR(quarter.dw(), -2.0 * k, 1e-15);
  // ortho keeps the length and is perpendicular.
  const MxTriangleVec o = a.ortho();
  EXPECT_NEAR(o.du() * o.du() + o.dv() * o.dv() + o.dw() * o.dw(), 2.0, 1e-15);
  EXPECT_NEAR(o.du() * a.du() + o.dv() * a.dv() + o.dw() * a.dw(), 0.0, 1e-15);
  expect_reports(0, "mxtrianglevec");
}

TEST_F(Reporting, TrianglePointAndVectorArithmetic) {
  const MxTrianglePar p(1.0, 0.0, 0.0), q(0.0, 1.0, 0.0);
  const MxTriangleVec d = p - q;
  EXPECT_UVW(d, 1.0, -1.0, 0.0);
  EXPECT_UVW(q + d, 1.0, 0.0, 0.0);
  EXPECT_UVW(p - d, 0.0, 1.0, 0.0);
  const MxTrianglePar moved = MxTrianglePar() + MxTriangleVec(0.5, -0.25, -0.25);
  EXPECT_NEAR(moved.u(), 0.5 + third, 1e-15);
  EXPECT_NEAR(moved.v(), third - 0.25, 1e-15);
  EXPECT_NEAR(moved.w(), third - 0.25, 1e-15);
  EXPECT_NEAR(moved.u() + moved.v() + moved.w(), 1.0, 1e-15);
  reports.clear();
  expect_reports(0, "mxtrianglepar");
  // The result is normalised again: here rounding cancels its sum.
  EXPECT_UVW(p + MxTriangleVec(1e16, -1e16, 0.0), third, third, third);
  expect_reports(1, "mxtrianglepar");
}

// ---------------------------------------------------------------------------
// Index checks of all six types

// Each object sits between guards that must survive out-of-range writes.
template <class T> struct Guarded {
  double before = 11.0;
  T value;
  double after = 22.0;
};

TEST_F(Reporting, OutOfRangeIndexIsReportedAndStaysInside) {
  Guarded<MxUVPar> p{11.0, MxUVPar(1.0, 2.0), 22.0};
  EXPECT_EQ(static_cast<const MxUVPar&>(p.value)[-1], 1.0);
  EXPECT_EQ(static_cast<const MxUVPar&>(p.value)[2], 2.0);
  p.value[-3] = 5.0;
  p.value[2] = 6.0;
  EXPECT_UV(p.value, 5.0, 6.0);
  EXPECT_EQ(p.before, 11.0);
  EXPECT_EQ(p.after, 22.0);
  expect_reports(4, "mxuvpar");

  Guarded<MxUVVec> v{11.0, MxUVVec(1.0, 2.0), 22.0};
  v.value[-1] = 5.0;
  v.value[7] = 6.0;
  EXPECT_EQ(static_cast<const MxUVVec&>(v.value)[9], 6.0);
  EXPECT_UV(v.value, 5.0, 6.0);
  EXPECT_EQ(v.before + v.after, 33.0);
  expect_reports(3, "mxuvvec");

  Guarded<MxUVWPar> wp{11.0, MxUVWPar(1.0, 2.0, 3.0), 22.0};
  wp.value[-1] = 5.0;
  wp.value[3] = 6.0;
  EXPECT_EQ(static_cast<const MxUVWPar&>(wp.value)[-100], 5.0);
  EXPECT_UVW(wp.value, 5.0, 2.0, 6.0);
  EXPECT_EQ(wp.before + wp.after, 33.0);
  expect_reports(3, "mxuvwpar");

  Guarded<MxUVWVec> wv{11.0, MxUVWVec(1.0, 2.0, 3.0), 22.0};
  wv.value[-1] = 5.0;
  wv.value[3] = 6.0;
  EXPECT_EQ(static_cast<const MxUVWVec&>(wv.value)[3], 6.0);
  EXPECT_UVW(wv.value, 5.0, 2.0, 6.0);
  EXPECT_EQ(wv.before + wv.after, 33.0);
  expect_reports(3, "mxuvwvec");

  const MxTrianglePar tp(1.0, 2.0, 1.0);
  EXPECT_EQ(tp[-1], 0.25);
  EXPECT_EQ(tp[3], 0.25);
  EXPECT_EQ(tp[1], 0.5);
  expect_reports(2, "mxtrianglepar");
  const MxTriangleVec tv(1.0, 2.0, -3.0);
  EXPECT_EQ(tv[-1], 1.0);
  EXPECT_EQ(tv[3], -3.0);
  expect_reports(2, "mxtrianglevec");
}

TEST(Index, OutOfRangeWithoutHandlerIsSilentAndSafe) {
  reports.clear();
  MxUVPar p(1.0, 2.0);
  p[5] = 3.0;
  EXPECT_UV(p, 1.0, 3.0);
  MxUVWVec v(1.0, 2.0, 3.0);
  v[-5] = 0.0;
  EXPECT_UVW(v, 0.0, 2.0, 3.0);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Reporting, NullCoordinatePointersAreReported) {
  const double* none = nullptr;
  EXPECT_UV(MxUVPar(none), 0.0, 0.0);
  expect_reports(1, "mxuvpar");
  EXPECT_UV(MxUVVec(none), 0.0, 0.0);
  expect_reports(1, "mxuvvec");
  EXPECT_UVW(MxUVWPar(none), 0.0, 0.0, 0.0);
  expect_reports(1, "mxuvwpar");
  EXPECT_UVW(MxUVWVec(none), 0.0, 0.0, 0.0);
  expect_reports(1, "mxuvwvec");
  EXPECT_UVW(MxTrianglePar(none), third, third, third);
  expect_reports(1, "mxtrianglepar");
  EXPECT_UVW(MxTriangleVec(none), 0.0, 0.0, 0.0);
  expect_reports(1, "mxtrianglevec");
}

// ---------------------------------------------------------------------------
// debug and operator<<

template <class T> std::string dump(const T& x, MxDebug level, int indent) {
  MxStringJournal journal;
  x.debug(journal, level, true, indent);
  return journal.text();
}

template <class T> std::string streamed(const T& x) {
  MxStringJournal journal;
  EXPECT_EQ(&(journal << x), &journal);
  return journal.text();
}

TEST(Output, DebugTexts) {
  EXPECT_EQ(dump(MxUVPar(1.5, -2.0), MxDebugNormal, 2), "  MxUVPar  ( 1.500000, -2.000000 )\n");
  EXPECT_EQ(dump(MxUVVec(0.25, 3.0), MxDebugFull, 0), "MxUVVec  ( 0.250000, 3.000000 )\n");
  EXPECT_EQ(dump(MxUVWPar(1.0, 2.0, 3.0), MxDebugNormal, 1),
            " MxUVWPar  ( 1.000000, 2.000000, 3.000000 )\n");
  EXPECT_EQ(dump(MxUVWVec(-1.0, 0.0, 0.5), MxDebugNormal, 0),
            "MxUVWVec  ( -1.000000, 0.000000, 0.500000 )\n");
  EXPECT_EQ(dump(MxTrianglePar(2.0, 1.0, 1.0), MxDebugNormal, 3),
            "   MxTrianglePar( 0.500000, 0.250000, 0.250000)\n");
  EXPECT_EQ(dump(MxTriangleVec(1.0, -1.0, 0.0), MxDebugFull, 0),
            "MxTriangleVec( 1.000000, -1.000000, 0.000000 )\n");
  // The flag has no effect.
  MxStringJournal journal;
  MxUVPar(1.0, 2.0).debug(journal, MxDebugNormal, false, 0);
  EXPECT_EQ(journal.text(), dump(MxUVPar(1.0, 2.0), MxDebugNormal, 0));
}

TEST(Output, DebugWritesPiecesAndOneEndOfExpression) {
  MxStringJournal journal;
  MxUVPar(1.0, 2.0).debug(journal, MxDebugNormal, false, 2);
  const std::vector<std::string> expected = {" ",  " ",        "MxUVPar ", " ( ", "1.000000",
                                             ", ", "2.000000", " )",       "\n"};
  EXPECT_EQ(journal.writes(), expected);
  EXPECT_EQ(journal.flushes(), 1u);
}

TEST(Output, DebugBelowNormalWritesNothing) {
  for (MxDebug level : {MxDebugNone, MxDebugSummary}) {
    EXPECT_EQ(dump(MxUVPar(1.0, 2.0), level, 2), "");
    EXPECT_EQ(dump(MxUVVec(1.0, 2.0), level, 2), "");
    EXPECT_EQ(dump(MxUVWPar(1.0, 2.0, 3.0), level, 2), "");
    EXPECT_EQ(dump(MxUVWVec(1.0, 2.0, 3.0), level, 2), "");
    EXPECT_EQ(dump(MxTrianglePar(), level, 2), "");
    EXPECT_EQ(dump(MxTriangleVec(), level, 2), "");
  }
}

TEST(Output, StreamTexts) {
  EXPECT_EQ(streamed(MxUVPar(1.5, -2.0)), "MxUVPar( 1.500000, -2.000000)");
  EXPECT_EQ(streamed(MxUVVec(0.25, 3.0)), "MxUVVec( 0.250000, 3.000000)");
  EXPECT_EQ(streamed(MxUVWPar(1.0, 2.0, 3.0)), "MxUVWPar( 1.000000, 2.000000, 3.000000)");
  EXPECT_EQ(streamed(MxUVWVec(-1.0, 0.0, 0.5)), "MxUVWVec( -1.000000, 0.000000, 0.500000)");
  EXPECT_EQ(streamed(MxTrianglePar(2.0, 1.0, 1.0)), "MxTrianglePar( 0.500000, 0.250000, 0.250000)");
  EXPECT_EQ(streamed(MxTriangleVec(1.0, -1.0, 0.0)),
            "MxTriangleVec( 1.000000, -1.000000, 0.000000)");
}

TEST(Output, NumbersFollowTheJournalFormat) {
  MxStringJournal journal;
  journal.set_width(8);
  journal.set_precision(2);
  journal << MxUVPar(1.0, -0.5);
  EXPECT_EQ(journal.text(), "MxUVPar(     1.00,    -0.50)");
  EXPECT_EQ(journal.flushes(), 0u);
}

} // namespace
