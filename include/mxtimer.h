// MxTimer: a wall-clock stopwatch.
/// \file
#ifndef MXFOUNDATION_MXTIMER_H
#define MXFOUNDATION_MXTIMER_H

#include "mxexport.h"
#include "mxjournal.h"
#include "mxstring.h"

/// A stopwatch that tells the seconds of wall-clock time since it was made
/// or last reset, on demand or into a journal. It reads a steady clock, so
/// the figures do not depend on the tick rate of any platform clock and do
/// not jump when the system time is changed. Timers are plain values.
class MX_EXPORT MxTimer {
public:
  /// Starts the stopwatch.
  MxTimer();
  /// Copy constructor.
  MxTimer(const MxTimer& other) = default;
  /// Copies the start time.
  MxTimer& operator=(const MxTimer& other) = default;
  ~MxTimer() = default;

  /// Starts the stopwatch again from now.
  void reset_time();
  /// Seconds elapsed since the start.
  double get_time();
  /// Writes `label`, " : ", the seconds elapsed (read before anything is
  /// written, in the journal's `double` format), " seconds " and `mxEndExpr`.
  void print_time(MxJournal& j, MxString label);

private:
  /// Seconds on the steady clock at the start.
  double start;
};

#endif
