// Parameter-space points and vectors: UV, UVW and triangle (barycentric)
// types, their arithmetic, normalisation and validation, and their output.
#include "mxtrianglepar.h"
#include "mxtrianglevec.h"
#include "mxuvpar.h"
#include "mxuvvec.h"
#include "mxuvwpar.h"
#include "mxuvwvec.h"

#include "mxstringjournal.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

const double pi = 3.141592653589793;
const double third = 1.0 / 3.0;
using V = std::vector<double>;

// The coordinates of a point or vector, in order (all six types are plain
// arrays of doubles).
template <class T> V xs(const T& x) {
  static_assert(sizeof(T) % sizeof(double) == 0, "coordinates only");
  return V(x.as_array(), x.as_array() + sizeof(T) / sizeof(double));
}

// Takes the report tags so far: each step of a test checks its own.
struct Reporting : ReportingTest {
  ReportTags taken() { return reports.take_tags(); }
};

// Random coordinates from -4 to 4: the algebra of vectors and points,
// coordinate by coordinate, and writes through the index.
template <class P, class W, size_t N> void check_algebra(std::mt19937& random) {
  static_assert(sizeof(P) == N * sizeof(double) && sizeof(W) == N * sizeof(double), "layout");
  auto draw = [&random] { return static_cast<double>(static_cast<int>(random() % 9) - 4); };
  for (int round = 0; round < 100; ++round) {
    V a(N), b(N), sum(N), diff(N), neg(N), scaled(N);
    const double s = draw();
    double dot = 0.0, square = 0.0;
    for (size_t k = 0; k < N; ++k) {
      a[k] = draw(), b[k] = draw(), sum[k] = a[k] + b[k], diff[k] = a[k] - b[k];
      neg[k] = -a[k], scaled[k] = a[k] * s, dot += a[k] * b[k], square += a[k] * a[k];
    }
    const W u(a.data()), v(b.data());
    const P p(a.data()), q(b.data());
    const W d = p - q;
    EXPECT_TRUE(xs(u + v) == sum && xs(u - v) == diff && xs(-u) == neg && xs(u.reverse()) == neg);
    EXPECT_TRUE(xs(u * s) == scaled && u % v == dot && u.length() == std::sqrt(square));
    EXPECT_TRUE(xs(d) == diff && xs(p + v) == sum && xs(p - v) == diff && xs(p * s) == scaled);
    EXPECT_EQ(u.numerical_zero(), square == 0.0);
    W w = u;
    EXPECT_TRUE(&(w += v) == &w && xs(w) == sum && &(w -= v) == &w && xs(w) == a);
    P t = p;
    t[N - 1] = w[0] = 9.0;
    EXPECT_TRUE(xs(t).back() == 9.0 && xs(w)[0] == 9.0 && t[0] == p[0]);
  }
}

TEST(UVAndUVW, AlgebraMatchesCoordinateArithmetic) {
  std::mt19937 random(7);
  check_algebra<MxUVPar, MxUVVec, 2>(random);
  check_algebra<MxUVWPar, MxUVWVec, 3>(random);
  EXPECT_EQ(xs(MxUVWVec(1.0, 2.0, 3.0) * MxUVWVec(-2.0, 0.5, 4.0)), (V{6.5, -10.0, 4.5}));
  EXPECT_EQ(xs(MxUVVec()), (V{0.0, 0.0}));
}

TEST(UV, PointSumsCrossProductOrthoTurnAndAngle) {
  EXPECT_EQ(MxUVVec::dim(), 2);
  const MxUVPar p(1.0, 2.0), q(4.0, 6.0);
  const MxUVVec d(0.5, -1.0);
  EXPECT_EQ(xs((p + q) * 0.5), (V{2.5, 4.0}));
  MxUVPar r = p;
  EXPECT_TRUE(&(r += q) == &r && &(r += d) == &r && &(r -= d) == &r && &(r *= 2.0) == &r);
  EXPECT_EQ(xs(r), (V{10.0, 16.0}));
  EXPECT_EQ(MxUVVec(1.0, 2.0) * MxUVVec(3.0, -5.0), -11.0); // cross product
  const MxUVVec x(1.0, 0.0), y(0.0, 1.0);
  EXPECT_EQ(xs(MxUVVec(2.0, 3.0).ortho()), (V{-3.0, 2.0}));
  EXPECT_EQ(xs(MxUVVec(2.0, 3.0).turn(0.0)), (V{2.0, 3.0}));
  const MxUVVec back = MxUVVec(2.0, 3.0).turn(-pi);
  EXPECT_NEAR(back.du(), -2.0, 1e-15);
  EXPECT_NEAR(back.dv(), -3.0, 1e-15);
  const struct {
    MxUVVec from, to;
    double angle;
  } angles[] = {{x, y, pi / 2},
                {y, x, -pi / 2},
                {x, MxUVVec(-1.0, 0.0), pi},
                {x, MxUVVec(1.0, -1.0), -pi / 4},
                {MxUVVec(), y, 0.0},
                {y, MxUVVec(1e-21, 0.0), 0.0}};
  for (const auto& c : angles)
    EXPECT_NEAR(c.from.angle(c.to), c.angle, 1e-15) << c.to.du() << " " << c.to.dv();
}

// A squared length below 1e-40 (1e-42 here, not 1e-38; NaN too) is
// numerically zero: normalising leaves it and reports.
TEST_F(Reporting, NormalizeScalesToLengthOneOrReportsNumericallyZeroVectors) {
  const struct {
    MxUVVec v;
    V want;
    bool zero;
  } uv[] = {{MxUVVec(3.0, -4.0), {0.6, -0.8}, false},
            {MxUVVec(1e-19, 0.0), {1.0, 0.0}, false},
            {MxUVVec(1e-21, 0.0), {1e-21, 0.0}, true}};
  for (auto c : uv) {
    EXPECT_EQ(c.v.numerical_zero(), c.zero);
    c.v.normalize();
    EXPECT_EQ(xs(c.v), c.want);
    EXPECT_EQ(taken(), c.zero ? ReportTags{"mxuvvec"} : ReportTags{});
  }
  MxUVVec not_a_number(NAN, 1.0);
  EXPECT_TRUE(not_a_number.numerical_zero());
  not_a_number.normalize();
  EXPECT_TRUE(std::isnan(not_a_number.du()));
  const struct {
    MxUVWVec v;
    V want;
    bool zero;
  } uvw[] = {{MxUVWVec(2.0, 3.0, 6.0), {2.0 / 7.0, 3.0 / 7.0, 6.0 / 7.0}, false},
             {MxUVWVec(0.0, 0.0, 1e-19), {0.0, 0.0, 1.0}, false},
             {MxUVWVec(1e-21, 0.0, 0.0), {1e-21, 0.0, 0.0}, true}};
  for (auto c : uvw) {
    EXPECT_EQ(c.v.numerical_zero(), c.zero);
    c.v.normalize();
    EXPECT_EQ(xs(c.v), c.want);
  }
  EXPECT_EQ(taken(), (ReportTags{"mxuvvec", "mxuvwvec"}));
}

// ---------------------------------------------------------------------------
// MxTrianglePar and MxTriangleVec

TEST_F(Reporting, TriangleParNormalisesOrBecomesTheCentre) {
  EXPECT_EQ(xs(MxTrianglePar()), (V{third, third, third}));
  EXPECT_EQ(xs(MxTrianglePar(2.0, 1.0, 1.0)), (V{0.5, 0.25, 0.25}));
  EXPECT_EQ(xs(MxTrianglePar(2.0, -1.0, 0.0)), (V{2.0, -1.0, 0.0})); // outside the triangle
  EXPECT_EQ(xs(MxTrianglePar(2e-12, 0.0, 0.0)), (V{1.0, 0.0, 0.0}));
  EXPECT_EQ(taken(), ReportTags{});
  for (const MxTrianglePar& unusable :
       {MxTrianglePar(1.0, -1.0, 0.0), MxTrianglePar(1e-13, 0.0, 0.0),
        MxTrianglePar(-1.0, -1.0, -1.0), MxTrianglePar(NAN, 0.0, 1.0)})
    EXPECT_EQ(xs(unusable), (V{third, third, third}));
  EXPECT_EQ(taken(), ReportTags(4, "mxtrianglepar"));
}

TEST_F(Reporting, TriangleVecValidatesItsZeroSum) {
  EXPECT_EQ(xs(MxTriangleVec(1.0, -1.0, 0.0)), (V{1.0, -1.0, 0.0}));
  EXPECT_EQ(xs(MxTriangleVec(0.1, 0.2, -0.3)), (V{0.1, 0.2, -0.3})); // sum 5.6e-17
  EXPECT_EQ(taken(), ReportTags{});
  const double bad[3] = {1.0, 1.0, 1.0};
  for (const MxTriangleVec& invalid : {MxTriangleVec(1.0, 0.0, 0.0), MxTriangleVec(1e-12, 0.0, 0.0),
                                       MxTriangleVec(NAN, 0.0, 0.0), MxTriangleVec(bad)})
    EXPECT_EQ(xs(invalid), (V{0.0, 0.0, 0.0}));
  EXPECT_EQ(taken(), ReportTags(4, "mxtrianglevec"));
  // The test is absolute: a large scale factor can break a valid vector.
  const double large = 1024.0 * 1024.0 * 1024.0 * 1024.0;
  EXPECT_EQ(xs(MxTriangleVec(0.1, 0.2, -0.3) * large), (V{0.0, 0.0, 0.0}));
  EXPECT_EQ(taken(), ReportTags{"mxtrianglevec"});
}

TEST_F(Reporting, TriangleOperations) {
  const MxTriangleVec a(1.0, -1.0, 0.0), b(0.0, 2.0, -2.0);
  EXPECT_EQ(xs(a + b), (V{1.0, 1.0, -2.0}));
  EXPECT_EQ(xs(a - b), (V{1.0, -3.0, 2.0}));
  EXPECT_EQ(xs(a * 3.0), (V{3.0, -3.0, 0.0}));
  EXPECT_EQ(xs(-a), (V{-1.0, 1.0, 0.0}));
  EXPECT_EQ(xs(a.reverse()), (V{-1.0, 1.0, 0.0}));
  const double k = 0.5773502691896257; // ortho keeps the length and is perpendicular
  EXPECT_EQ(xs(a.ortho()), (V{k, k, -2.0 * k}));
  EXPECT_EQ(xs(a.turn(0.0)), xs(a));
  const MxTriangleVec quarter = a.turn(pi / 2);
  EXPECT_NEAR(quarter.du(), k, 1e-15);
  EXPECT_NEAR(quarter.dw(), -2.0 * k, 1e-15);

  const MxTrianglePar p(1.0, 0.0, 0.0), q(0.0, 1.0, 0.0);
  const MxTriangleVec d = p - q;
  EXPECT_EQ(xs(d), (V{1.0, -1.0, 0.0}));
  EXPECT_EQ(xs(q + d), xs(p));
  EXPECT_EQ(xs(p - d), xs(q));
  const MxTrianglePar moved = MxTrianglePar() + MxTriangleVec(0.5, -0.25, -0.25);
  EXPECT_NEAR(moved.u(), 0.5 + third, 1e-15);
  EXPECT_NEAR(moved.u() + moved.v() + moved.w(), 1.0, 1e-15);
  EXPECT_EQ(taken(), ReportTags{});
  // The result is normalised again: here rounding cancels its sum.
  EXPECT_EQ(xs(p + MxTriangleVec(1e16, -1e16, 0.0)), (V{third, third, third}));
  EXPECT_EQ(taken(), ReportTags{"mxtrianglepar"});
}

// ---------------------------------------------------------------------------
// Index and pointer checks of all six types

// Each object sits between guards that must survive out-of-range writes.
template <class T> struct Guarded {
  double before;
  T value;
  double after;
};

// Writes below and above the coordinates, reads past them, and returns the
// coordinates afterwards; the guards must stay.
template <class T> V out_of_range(T value) {
  Guarded<T> g{11.0, value, 22.0};
  g.value[-3] = 5.0;
  g.value[7] = 6.0;
  EXPECT_EQ(static_cast<const T&>(g.value)[-1], 5.0);
  EXPECT_EQ(g.before + g.after, 33.0);
  return xs(g.value);
}

TEST_F(Reporting, OutOfRangeIndexIsReportedAndStaysInside) {
  EXPECT_EQ(out_of_range(MxUVPar(1.0, 2.0)), (V{5.0, 6.0}));
  EXPECT_EQ(out_of_range(MxUVVec(1.0, 2.0)), (V{5.0, 6.0}));
  EXPECT_EQ(out_of_range(MxUVWPar(1.0, 2.0, 3.0)), (V{5.0, 2.0, 6.0}));
  EXPECT_EQ(out_of_range(MxUVWVec(1.0, 2.0, 3.0)), (V{5.0, 2.0, 6.0}));
  EXPECT_EQ(taken(),
            (ReportTags{"mxuvpar", "mxuvpar", "mxuvpar", "mxuvvec", "mxuvvec", "mxuvvec",
                        "mxuvwpar", "mxuvwpar", "mxuvwpar", "mxuvwvec", "mxuvwvec", "mxuvwvec"}));
  const MxTrianglePar tp(1.0, 2.0, 1.0);
  const MxTriangleVec tv(1.0, 2.0, -3.0);
  EXPECT_EQ(tp[-1] + tp[3], 0.5);
  EXPECT_EQ(tv[-1], 1.0);
  EXPECT_EQ(tv[3], -3.0);
  EXPECT_EQ(taken(),
            (ReportTags{"mxtrianglepar", "mxtrianglepar", "mxtrianglevec", "mxtrianglevec"}));

  const double* none = nullptr; // null coordinate pointers
  EXPECT_EQ(xs(MxUVPar(none)), (V{0.0, 0.0}));
  EXPECT_EQ(xs(MxUVVec(none)), (V{0.0, 0.0}));
  EXPECT_EQ(xs(MxUVWPar(none)), (V{0.0, 0.0, 0.0}));
  EXPECT_EQ(xs(MxUVWVec(none)), (V{0.0, 0.0, 0.0}));
  EXPECT_EQ(xs(MxTrianglePar(none)), (V{third, third, third}));
  EXPECT_EQ(xs(MxTriangleVec(none)), (V{0.0, 0.0, 0.0}));
  EXPECT_EQ(taken(), (ReportTags{"mxuvpar", "mxuvvec", "mxuvwpar", "mxuvwvec", "mxtrianglepar",
                                 "mxtrianglevec"}));
}

TEST(Index, OutOfRangeWithoutHandlerIsSafe) {
  MxUVPar p(1.0, 2.0);
  p[5] = 3.0;
  EXPECT_EQ(xs(p), (V{1.0, 3.0}));
  MxUVVec zero;
  zero.normalize();
  EXPECT_EQ(xs(zero), (V{0.0, 0.0}));
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

TEST(Output, DebugAndStreamTexts) {
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
  for (MxDebug level : {MxDebugNone, MxDebugSummary}) {
    EXPECT_EQ(dump(MxUVPar(1.0, 2.0), level, 2) + dump(MxUVVec(1.0, 2.0), level, 2) +
                  dump(MxUVWPar(), level, 2) + dump(MxUVWVec(), level, 2) +
                  dump(MxTrianglePar(), level, 2) + dump(MxTriangleVec(), level, 2),
              "");
  }
  EXPECT_EQ(streamed(MxUVPar(1.5, -2.0)), "MxUVPar( 1.500000, -2.000000)");
  EXPECT_EQ(streamed(MxUVVec(0.25, 3.0)), "MxUVVec( 0.250000, 3.000000)");
  EXPECT_EQ(streamed(MxUVWPar(1.0, 2.0, 3.0)), "MxUVWPar( 1.000000, 2.000000, 3.000000)");
  EXPECT_EQ(streamed(MxUVWVec(-1.0, 0.0, 0.5)), "MxUVWVec( -1.000000, 0.000000, 0.500000)");
  EXPECT_EQ(streamed(MxTrianglePar(2.0, 1.0, 1.0)), "MxTrianglePar( 0.500000, 0.250000, 0.250000)");
  EXPECT_EQ(streamed(MxTriangleVec(1.0, -1.0, 0.0)),
            "MxTriangleVec( 1.000000, -1.000000, 0.000000)");
}

TEST(Output, DebugWritesPiecesAndOneEndOfExpressionInTheJournalFormat) {
  MxStringJournal journal;
  MxUVPar(1.0, 2.0).debug(journal, MxDebugNormal, false, 2); // the flag has no effect
  const std::vector<std::string> expected = {" ",  " ",        "MxUVPar ", " ( ", "1.000000",
                                             ", ", "2.000000", " )",       "\n"};
  EXPECT_EQ(journal.writes(), expected);
  EXPECT_EQ(journal.flushes(), 1u);
  journal.clear();
  journal.set_width(8);
  journal.set_precision(2);
  journal << MxUVPar(1.0, -0.5);
  EXPECT_EQ(journal.text(), "MxUVPar(     1.00,    -0.50)");
  EXPECT_EQ(journal.flushes(), 0u);
}

} // namespace
