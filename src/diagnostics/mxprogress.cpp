// MxProgressHandler: steps to percentages, display throttling, cancellation.
#include "mxprogress.h"

#include "mxassert.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

MxProgressHandler::~MxProgressHandler() = default;

void MxProgressHandler::initialize(unsigned int n) {
  steps = n;
  done = 0;
  last_reported = 0;
  cancelled = false;
  // The numerator is unsigned: a range end not above the start wraps it.
  MX_CHECK("mxprogress", range_end > range_start);
  const unsigned int points = range_end - range_start - 1u;
  scale = static_cast<double>(points) / static_cast<double>(std::max(n, 1u));
  show_progress(percentage_at(0));
}

void MxProgressHandler::update_progress(unsigned int k) {
  const std::uint64_t total = static_cast<std::uint64_t>(done) + k;
  done = static_cast<unsigned int>(std::min<std::uint64_t>(total, steps));
  const unsigned int p = percentage_at(done);
  if (p > last_reported && p < range_end && !cancelled) {
    last_reported = p;
    show_progress(p);
  }
}

unsigned int MxProgressHandler::current_progress_percentage() const {
  return percentage_at(done);
}

void MxProgressHandler::finish() {
  done = steps;
  if (cancelled) return;
  last_reported = range_end;
  show_progress(range_end);
}

bool MxProgressHandler::is_cancelled() {
  if (!cancelled) cancelled = poll_cancel();
  return cancelled;
}

// trunc(steps_done * scale + range_start), saturated to the unsigned range so
// that the scale of a wrapped range cannot make the conversion undefined.
unsigned int MxProgressHandler::percentage_at(unsigned int steps_done) const {
  const double value = std::trunc(steps_done * scale + range_start);
  if (!(value >= 0.0)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<unsigned int>::max()))
    return std::numeric_limits<unsigned int>::max();
  return static_cast<unsigned int>(value);
}

MxProgressIO::~MxProgressIO() = default;
