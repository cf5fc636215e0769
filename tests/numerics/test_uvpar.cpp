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
#include <type_traits>
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
    if constexpr (N == 2) { // sums of points, updates in place, the scalar cross product, ortho
      t = p;
      EXPECT_TRUE(&(t += q) == &t && &(t -= v) == &t && &(t += u) == &t && &(t *= s) == &t);
      EXPECT_TRUE(xs(p + q) == sum && xs(t) == (V{(a[0] + a[0]) * s, (a[1] + a[1]) * s}));
      EXPECT_TRUE(u * v == a[0] * b[1] - a[1] * b[0] && xs(u.ortho()) == (V{-a[1], a[0]}));
    }
  }
}

TEST(UVAndUVW, AlgebraMatchesCoordinateArithmetic) {
  std::mt19937 random(7);
  check_algebra<MxUVPar, MxUVVec, 2>(random);
  check_algebra<MxUVWPar, MxUVWVec, 3>(random);
  EXPECT_EQ(xs(MxUVWVec(1.0, 2.0, 3.0) * MxUVWVec(-2.0, 0.5, 4.0)), (V{6.5, -10.0, 4.5}));
}

TEST(UV, TurnAndAngle) {
  EXPECT_EQ(xs(MxUVVec(2.0, 3.0).turn(0.0)), (V{2.0, 3.0}));
  const MxUVVec back = MxUVVec(2.0, 3.0).turn(-pi) + MxUVVec(2.0, 3.0);
  EXPECT_TRUE(std::fabs(back.du()) < 1e-15 && std::fabs(back.dv()) < 1e-15);
  const MxUVVec x(1.0, 0.0), y(0.0, 1.0);
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
    V v, want;
    bool zero;
  } cases[] = {{{1e-19, 0.0}, {1.0, 0.0}, false},
               {{1e-21, 0.0}, {1e-21, 0.0}, true},
               {{0.0, 0.0, 1e-19}, {0.0, 0.0, 1.0}, false},
               {{1e-21, 0.0, 0.0}, {1e-21, 0.0, 0.0}, true}};
  for (const auto& c : cases) {
    auto check = [&](auto v, const char* tag) {
      EXPECT_EQ(v.numerical_zero(), c.zero);
      v.normalize();
      EXPECT_EQ(xs(v), c.want);
      EXPECT_EQ(taken(), c.zero ? ReportTags{tag} : ReportTags{});
    };
    c.v.size() == 2 ? check(MxUVVec(c.v.data()), "mxuvvec")
                    : check(MxUVWVec(c.v.data()), "mxuvwvec");
  }
  EXPECT_TRUE(MxUVVec(NAN, 1.0).numerical_zero() && MxUVWVec(1.0, NAN, 0.0).numerical_zero());
}

// ---------------------------------------------------------------------------
// MxTrianglePar and MxTriangleVec

// The same three numbers as a point and as a vector. A point with a sum above
// 1e-12 is normalised (also outside the triangle); any other, NaN too, is
// reported and stays the centre. A vector is valid when its sum is below
// 1e-12 in magnitude, an absolute bound (a large scale factor can break a
// valid vector); an invalid one is reported and stays zero.
TEST_F(Reporting, TriangleParNormalisesAndTriangleVecValidatesItsZeroSum) {
  const V centre{third, third, third}, zero{0.0, 0.0, 0.0};
  EXPECT_TRUE(xs(MxTrianglePar()) == centre && xs(MxTriangleVec()) == zero);
  const struct {
    V uvw, point; // none: the centre, reported
    bool valid;
  } cases[] = {{{0.1, 0.2, -0.3}, {}, true}, // sum 5.6e-17
               {{1e-13, 0.0, 0.0}, {}, true},
               {{1e-12, 0.0, 0.0}, {}, false},
               {{2e-12, 0.0, 0.0}, {1.0, 0.0, 0.0}, false},
               {{2.0, 1.0, 1.0}, {0.5, 0.25, 0.25}, false},
               {{2.0, -1.0, 0.0}, {2.0, -1.0, 0.0}, false},
               {{NAN, 0.0, 1.0}, {}, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.uvw[0] << " " << c.uvw[1] << " " << c.uvw[2]);
    EXPECT_EQ(xs(MxTrianglePar(c.uvw.data())), c.point.empty() ? centre : c.point);
    EXPECT_EQ(xs(MxTriangleVec(c.uvw.data())), c.valid ? c.uvw : zero);
    ReportTags want;
    if (c.point.empty()) want.push_back("mxtrianglepar");
    if (!c.valid) want.push_back("mxtrianglevec");
    EXPECT_EQ(taken(), want);
  }
  const double large = 1024.0 * 1024.0 * 1024.0 * 1024.0;
  EXPECT_EQ(xs(MxTriangleVec(0.1, 0.2, -0.3) * large), zero);
  EXPECT_EQ(taken(), ReportTags{"mxtrianglevec"});
}

TEST_F(Reporting, TriangleOperations) {
  const MxTriangleVec a(1.0, -1.0, 0.0), b(0.0, 2.0, -2.0);
  EXPECT_TRUE(xs(a + b) == (V{1.0, 1.0, -2.0}) && xs(a - b) == (V{1.0, -3.0, 2.0}));
  EXPECT_TRUE(xs(a * 3.0) == (V{3.0, -3.0, 0.0}) && xs(-a) == (V{-1.0, 1.0, 0.0}) &&
              xs(a.reverse()) == xs(-a));
  const double k = 0.5773502691896257; // ortho keeps the length and is perpendicular
  EXPECT_EQ(xs(a.ortho()), (V{k, k, -2.0 * k}));
  EXPECT_TRUE(xs(a.turn(0.0)) == xs(a) && std::fabs(a.turn(pi / 2).dw() + 2.0 * k) < 1e-15);
  const MxTrianglePar p(1.0, 0.0, 0.0), q(0.0, 1.0, 0.0);
  const MxTriangleVec d = p - q;
  EXPECT_TRUE(xs(d) == (V{1.0, -1.0, 0.0}) && xs(q + d) == xs(p) && xs(p - d) == xs(q));
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

// Indices below and past the coordinates read (and, where writable, write)
// the nearest one and are reported; a null coordinate array is reported and
// leaves the default value.
TEST_F(Reporting, OutOfRangeIndicesAndNullArraysAreReported) {
  auto check = [this](auto value, const char* tag) {
    using T = decltype(value);
    const V c = xs(value);
    const int n = static_cast<int>(c.size());
    EXPECT_EQ(xs(T(static_cast<const double*>(nullptr))), xs(T())) << tag;
    const T& read = value;
    EXPECT_TRUE(read[-1] == c.front() && read[n] == c.back()) << tag;
    size_t n_reports = 3;
    if constexpr (std::is_same<decltype(value[0]), double&>::value) {
      Guarded<T> g{11.0, value, 22.0};
      g.value[-3] = 5.0;
      g.value[n + 4] = 6.0;
      V want = c;
      want.front() = 5.0, want.back() = 6.0, n_reports = 5;
      EXPECT_TRUE(xs(g.value) == want && g.before == 11.0 && g.after == 22.0) << tag;
    }
    EXPECT_EQ(taken(), ReportTags(n_reports, tag));
  };
  check(MxUVPar(1.0, 2.0), "mxuvpar");
  check(MxUVVec(1.0, 2.0), "mxuvvec");
  check(MxUVWPar(1.0, 2.0, 3.0), "mxuvwpar");
  check(MxUVWVec(1.0, 2.0, 3.0), "mxuvwvec");
  check(MxTrianglePar(1.0, 2.0, 1.0), "mxtrianglepar");
  check(MxTriangleVec(1.0, 2.0, -3.0), "mxtrianglevec");
}

// ---------------------------------------------------------------------------
// debug and operator<<

// Each type's debug line (indented, from MxDebugNormal on; nothing below) and
// its streamed form.
TEST(Output, DebugAndStreamTexts) {
  auto check = [](const auto& x, int indent, const std::string& line, const std::string& streamed) {
    for (MxDebug level : {MxDebugNone, MxDebugSummary, MxDebugNormal, MxDebugFull}) {
      MxStringJournal journal;
      x.debug(journal, level, true, indent);
      EXPECT_EQ(journal.text(), level >= MxDebugNormal ? line : "") << level;
      EXPECT_EQ(journal.flushes(), level >= MxDebugNormal ? 1u : 0u); // one end of expression
    }
    MxStringJournal journal;
    EXPECT_TRUE(&(journal << x) == &journal && journal.flushes() == 0u);
    EXPECT_EQ(journal.text(), streamed);
  };
  check(MxUVPar(1.5, -2.0), 2, "  MxUVPar  ( 1.500000, -2.000000 )\n",
        "MxUVPar( 1.500000, -2.000000)");
  check(MxUVVec(0.25, 3.0), 0, "MxUVVec  ( 0.250000, 3.000000 )\n", "MxUVVec( 0.250000, 3.000000)");
  check(MxUVWPar(1.0, 2.0, 3.0), 1, " MxUVWPar  ( 1.000000, 2.000000, 3.000000 )\n",
        "MxUVWPar( 1.000000, 2.000000, 3.000000)");
  check(MxUVWVec(-1.0, 0.0, 0.5), 0, "MxUVWVec  ( -1.000000, 0.000000, 0.500000 )\n",
        "MxUVWVec( -1.000000, 0.000000, 0.500000)");
  check(MxTrianglePar(2.0, 1.0, 1.0), 3, "   MxTrianglePar( 0.500000, 0.250000, 0.250000)\n",
        "MxTrianglePar( 0.500000, 0.250000, 0.250000)");
  check(MxTriangleVec(1.0, -1.0, 0.0), 0, "MxTriangleVec( 1.000000, -1.000000, 0.000000 )\n",
        "MxTriangleVec( 1.000000, -1.000000, 0.000000)");
}

TEST(Output, DebugWritesPiecesAndStreamingTakesTheJournalFormat) {
  MxStringJournal journal;
  MxUVPar(1.0, 2.0).debug(journal, MxDebugNormal, false, 2); // the flag has no effect
  EXPECT_EQ(journal.writes(), (std::vector<std::string>{" ", " ", "MxUVPar ", " ( ", "1.000000",
                                                        ", ", "2.000000", " )", "\n"}));
  journal.clear();
  journal.set_width(8);
  journal.set_precision(2);
  journal << MxUVPar(1.0, -0.5);
  EXPECT_EQ(journal.text(), "MxUVPar(     1.00,    -0.50)");
}

} // namespace
