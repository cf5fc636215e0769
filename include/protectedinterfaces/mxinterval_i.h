// MxInterval: a closed interval of doubles, [start, end].
//
// A plain value (two contiguous doubles, start then end) used for curve and
// surface parameter ranges. Emptiness is encoded, not stored: an interval is
// empty exactly when start > end. Nothing normalises an interval, so bounds
// given in the "wrong" order make an empty interval with exactly those
// bounds. All tests are exact comparisons of doubles with inclusive bounds;
// there is no tolerance.
/// \file
#ifndef MXFOUNDATION_MXINTERVAL_I_H
#define MXFOUNDATION_MXINTERVAL_I_H

#include "mxassert.h"
#include "mxexport.h"

/// Closed interval [start, end] of doubles; empty when start > end.
class MX_EXPORT MxInterval {
public:
  /// The canonical empty interval: start 1.0, end 0.0.
  MxInterval() = default;
  /// The one-point interval [x, x].
  MxInterval(double x) : start_(x), end_(x) {}
  /// [a, b] as given; a > b makes an empty interval (no swap).
  MxInterval(double a, double b) : start_(a), end_(b) {}
  /// [p[0], p[1]]. A null pointer is reported and gives the empty interval.
  MxInterval(const double* p) {
    if (!p) {
      MX_REPORT("protectedinterfaces/mxinterval_i");
      return;
    }
    start_ = p[0];
    end_ = p[1];
  }
  /// Copy constructor.
  MxInterval(const MxInterval&) = default;
  /// Copy assignment.
  MxInterval& operator=(const MxInterval&) = default;
  ~MxInterval() = default;

  ///@{
  /// The bounds, read and set as given (no order is enforced).
  double start() const { return start_; }
  double end() const { return end_; }
  void set_start(double s) { start_ = s; }
  void set_end(double e) { end_ = e; }
  ///@}

  /// Bound 0 (start) or 1 (end). An index below 0 or above 1 is reported
  /// (each with its own check) and then treated as the nearest valid one,
  /// so no access ever leaves the interval.
  double operator[](int i) const { return i < 1 ? start_at(i) : end_at(i); }
  /// Bound 0 (start) or 1 (end), writable, checked as the const form.
  double& operator[](int i) { return i < 1 ? start_at(i) : end_at(i); }

  /// True when start > end.
  bool is_empty() const { return start_ > end_; }
  /// end - start, or 0.0 for an empty interval.
  double length() const { return is_empty() ? 0.0 : end_ - start_; }
  /// (end + start) * 0.5, computed for empty intervals too.
  double middle() const { return (end_ + start_) * 0.5; }

  /// True when start <= x <= end (never for an empty interval).
  bool contains(double x) const { return x >= start_ && end_ >= x; }
  /// True when this is not empty and holds all of `o` (an empty `o` is
  /// held by every non-empty interval).
  bool contains(const MxInterval& o) const {
    if (is_empty()) return false;
    if (o.is_empty()) return true;
    return o.start_ >= start_ && end_ >= o.end_;
  }
  /// True when both are non-empty and share at least one value; touching
  /// end points count.
  bool overlapping(const MxInterval& o) const {
    if (is_empty() || o.is_empty()) return false;
    return o.end_ >= start_ && end_ >= o.start_;
  }

  /// Makes this the hull of this and `o`; an empty `o` changes nothing.
  MxInterval& combine(const MxInterval& o) {
    if (o.is_empty()) return *this;
    if (is_empty()) return *this = o;
    if (start_ > o.start_) start_ = o.start_;
    if (o.end_ > end_) end_ = o.end_;
    return *this;
  }
  /// Grows this to contain `x`; an empty interval becomes [x, x].
  MxInterval& include(double x) {
    if (is_empty()) {
      start_ = end_ = x;
      return *this;
    }
    if (start_ > x) start_ = x;
    if (x > end_) end_ = x;
    return *this;
  }

  /// Exact equality of both bounds (two empty intervals may differ).
  bool operator==(const MxInterval& o) const { return start_ == o.start_ && end_ == o.end_; }

private:
  double start_at(int i) const {
    MX_CHECK("protectedinterfaces/mxinterval_i", i >= 0);
    return start_;
  }
  double& start_at(int i) {
    MX_CHECK("protectedinterfaces/mxinterval_i", i >= 0);
    return start_;
  }
  double end_at(int i) const {
    MX_CHECK("protectedinterfaces/mxinterval_i", i <= 1);
    return end_;
  }
  double& end_at(int i) {
    MX_CHECK("protectedinterfaces/mxinterval_i", i <= 1);
    return end_;
  }

  double start_ = 1.0;
  double end_ = 0.0;
};

#endif
