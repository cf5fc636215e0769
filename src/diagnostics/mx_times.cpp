// The call-site profiler: site registries, the stack of open measurements and
// the report on standard error.
#include "mx_times.h"

#include "mxarray.h"
#include "mxassert.h"
#include "mxstring.h"

#include <climits>
#include <cstdio>
#include <ctime>

namespace {

const char* const tag = "mx_times";

/// One registered `time_start` call site and what it measured since the last
/// report. `end_sites` and `clocks` run in parallel: the end sites that
/// closed this start site, in order of first occurrence, and their ticks.
struct StartSite {
  int calls = 0;
  MxString name;
  MxString file;
  int line = 0;
  MxArray<int> end_sites;
  MxArray<long long> clocks;
};

/// One registered `time_end` call site.
struct EndSite {
  int calls = 0;
  MxString file;
  int line = 0;
};

/// The profiler's process-wide state. Tick counts are kept in 64 bits so
/// that long measurements do not wrap.
struct Profiler {
  MxArray<StartSite> starts;
  MxArray<EndSite> ends;
  MxArray<int> start_stack;
  MxArray<long long> clock_stack;
};

Profiler& profiler() {
  static Profiler state;
  return state;
}

const char* text(const char* s) {
  return s ? s : "";
}

int count(size_t n) {
  return static_cast<int>(n);
}

// Appends `value`. Site numbers and stack depths are ints, so no table grows
// past INT_MAX entries; a full table is reported and left as it is.
template <class T> bool push(MxArray<T>& array, const T& value) {
  if (array.size() >= static_cast<size_t>(INT_MAX)) {
    MX_REPORT(tag);
    return false;
  }
  array.append(value);
  return true;
}

void print_and_reset(Profiler& p) {
  std::fprintf(stderr, "mx_times: start_clocks.size() = %i\n", count(p.starts.size()));
  std::fprintf(stderr, "mx_times:       calls clocks (file : line)\n");
  for (StartSite& site : p.starts) {
    if (site.calls > 0) {
      long long total = 0;
      for (long long ticks : site.clocks) total += ticks;
      std::fprintf(stderr, "mx_times: %s\n", site.name.c_str());
      std::fprintf(stderr, "          start %.5i %.6lli (%s : %i)\n", site.calls, total,
                   site.file.c_str(), site.line);
      for (size_t k = 0; k < site.end_sites.size(); ++k) {
        const EndSite& end = p.ends[static_cast<size_t>(site.end_sites[k])];
        std::fprintf(stderr, "          end   %.5i %.6lli (%s : %i)\n", end.calls, site.clocks[k],
                     end.file.c_str(), end.line);
      }
    }
    site.calls = 0;
    site.end_sites.resize(0, false);
    site.clocks.resize(0, false);
  }
  std::fprintf(stderr, "\n");
  for (EndSite& end : p.ends) end.calls = 0;
}

// Adds `ticks` to the entry of `end_site` in the lists of `site`, making the
// entry when this end site closes it for the first time since the report.
void add_ticks(StartSite& site, int end_site, long long ticks) {
  size_t entry = site.end_sites.size();
  for (size_t k = 0; k < site.end_sites.size(); ++k)
    if (site.end_sites[k] == end_site) entry = k;
  if (entry == site.end_sites.size()) {
    if (!push(site.end_sites, end_site)) return;
    push(site.clocks, 0LL);
  }
  site.clocks[entry] += ticks;
}

} // namespace

void time_start(int& index, const char* name, const char* file, int line) {
  Profiler& p = profiler();
  if (index < 0) {
    index = count(p.starts.size());
    StartSite site;
    site.name = text(name);
    site.file = text(file);
    site.line = line;
    push(p.starts, site);
  }
  if (index >= count(p.starts.size())) {
    MX_REPORT(tag);
    std::fprintf(stderr, "mx_times: wrong index %i at %s in (%s : %i)\n", index, text(name),
                 text(file), line);
    return;
  }
  if (!push(p.start_stack, index)) return;
  push(p.clock_stack, static_cast<long long>(std::clock()));
  p.starts[static_cast<size_t>(index)].calls += 1;
}

void time_end(int& index, const char* file, int line) {
  const long long now = static_cast<long long>(std::clock());
  Profiler& p = profiler();
  if (index < 0) {
    index = count(p.ends.size());
    EndSite site;
    site.file = text(file);
    site.line = line;
    push(p.ends, site);
  }
  if (index >= count(p.ends.size())) {
    MX_REPORT(tag);
    std::fprintf(stderr, "mx_times: wrong end index %i in (%s : %i)\n", index, text(file), line);
    return;
  }
  p.ends[static_cast<size_t>(index)].calls += 1;
  if (p.start_stack.empty()) {
    MX_REPORT(tag);
    std::fprintf(stderr, "mx_times: start_stack.empty() in (%s : %i)\n", text(file), line);
  } else {
    const int start = p.start_stack.last();
    const long long then = p.clock_stack.last();
    p.start_stack.remove_last();
    p.clock_stack.remove_last();
    add_ticks(p.starts[static_cast<size_t>(start)], index, now - then);
  }
  if (p.start_stack.empty()) print_and_reset(p);
}
