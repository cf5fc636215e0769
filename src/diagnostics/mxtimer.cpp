// MxTimer: elapsed wall-clock seconds from a steady clock.
#include "mxtimer.h"

#include <chrono>

namespace {

double now_in_seconds() {
  using seconds = std::chrono::duration<double>;
  return std::chrono::duration_cast<seconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

} // namespace

MxTimer::MxTimer() : start(now_in_seconds()) {}

void MxTimer::reset_time() {
  start = now_in_seconds();
}

double MxTimer::get_time() {
  return now_in_seconds() - start;
}

void MxTimer::print_time(MxJournal& j, MxString label) {
  const double elapsed = get_time();
  j << label << " : " << elapsed << " seconds " << mxEndExpr;
}
