// Progress reporting for long operations.
/// \file
#ifndef MXFOUNDATION_MXPROGRESS_H
#define MXFOUNDATION_MXPROGRESS_H

#include "mxexport.h"
#include "mxstring.h"

/// Turns a count of work steps into a whole-number percentage within a range
/// (0 to 100 by default) and shows it through the client's display, only
/// when it grows; polls the client for cancellation.
///
/// A client derives from it and implements `show_progress` and
/// `poll_cancel`. The work calls `initialize` with the number of steps,
/// `update_progress` as steps complete, `is_cancelled` whenever it may stop,
/// and `finish` at the end. `update_progress` spreads one point less than the
/// range over the steps, so it never reaches the range end: only `finish`
/// shows that. A cancellation, once seen, silences `update_progress` and
/// `finish` until the next `initialize`. The range end is expected to lie
/// above the range start; `initialize` reports any other range (tag
/// "mxprogress").
class MX_EXPORT MxProgressHandler {
public:
  MxProgressHandler() = default;
  /// Copy constructor.
  MxProgressHandler(const MxProgressHandler& other) = default;
  /// Copy assignment.
  MxProgressHandler& operator=(const MxProgressHandler& other) = default;
  virtual ~MxProgressHandler();

  /// Displays `percentage`.
  virtual void show_progress(unsigned int percentage) = 0;
  /// True when the user wants the work to stop.
  virtual bool poll_cancel() = 0;

  /// Sets the percentages of step 0 and of `finish`. The scale follows at the
  /// next `initialize`; the offset applies at once.
  void set_range(unsigned int start, unsigned int end) {
    range_start = start;
    range_end = end;
  }
  /// The range set by `set_range`.
  void get_range(unsigned int& start, unsigned int& end) const {
    start = range_start;
    end = range_end;
  }
  /// Sets the message that goes with the progress.
  void set_message(const MxString& text) { message = text; }
  /// The message that goes with the progress.
  const MxString& get_message() const { return message; }

  /// Starts a run of `n` steps: clears the count and the cancellation, sets
  /// the scale and shows the range start.
  void initialize(unsigned int n);
  /// Counts `k` more steps (never beyond the total) and shows the percentage
  /// when its whole-number value has grown and is still below the range end.
  void update_progress(unsigned int k);
  /// The whole-number percentage of the steps done so far.
  unsigned int current_progress_percentage() const;
  /// Counts every step as done and shows the range end, unless cancelled.
  void finish();
  /// True once `poll_cancel` has answered true (the client is not asked
  /// again until the next `initialize`).
  bool is_cancelled();

private:
  unsigned int percentage_at(unsigned int steps_done) const;

  unsigned int steps = 0;
  unsigned int done = 0;
  MxString message;
  double scale = 100.0;
  unsigned int range_start = 0;
  unsigned int range_end = 100;
  unsigned int last_reported = 0;
  bool cancelled = false;
};

/// Interface of a progress display that a client may place behind its
/// `MxProgressHandler`: it shows a message with a percentage and answers
/// cancellation requests. The library never calls it itself.
class MX_EXPORT MxProgressIO {
public:
  virtual ~MxProgressIO();
  /// Shows `message` with `percentage`.
  virtual void display_progress(const MxString& message, unsigned int percentage) = 0;
  /// True when the user has asked to stop.
  virtual bool cancel_requested() = 0;
};

#endif
