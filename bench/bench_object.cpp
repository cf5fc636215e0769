// MxObject::notify on an object with 10 client attributes and 10 client
// reactors (support/clients.h, their log turned off), against the same
// observer pattern written with the standard library (shared_ptr observers in
// vectors, copied before each walk so callees may detach).
#include "mxattrib.h"
#include "mxevent.h"
#include "mxobject.h"
#include "mxreactor.h"

#include "support/clients.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

// The same work with standard containers: an event object per pass, every
// check asked before the failed ones are removed, then every observer called.
// These classes have external linkage and out-of-line overrides, so that, as
// for the library's client classes, the compiler cannot resolve the virtual
// calls at compile time.
struct StdEvent {
  explicit StdEvent(int object) : object_id(object) {}
  virtual ~StdEvent() = default;
  int object_id;
};
struct StdCheck {
  virtual ~StdCheck() = default;
  __attribute__((noinline)) virtual bool invariant(const StdEvent& e) const {
    benchmark::DoNotOptimize(e.object_id);
    return true;
  }
};
struct StdObserver {
  virtual ~StdObserver() = default;
  __attribute__((noinline)) virtual void react(const StdEvent& e) { calls += e.object_id != 0; }
  long calls = 0;
};
struct StdModel {
  std::vector<std::shared_ptr<StdCheck>> checks;
  std::vector<std::shared_ptr<StdObserver>> observers;
  int identity = 1;

  void notify() {
    {
      const StdEvent event(identity);
      const std::vector<std::shared_ptr<StdCheck>> held(checks);
      std::vector<const StdCheck*> failed;
      for (const auto& c : held)
        if (!c->invariant(event)) failed.push_back(c.get());
      for (const StdCheck* f : failed)
        for (auto it = checks.begin(); it != checks.end(); ++it)
          if (it->get() == f) {
            checks.erase(it);
            break;
          }
    }
    const StdEvent event(identity);
    const std::vector<std::shared_ptr<StdObserver>> held(observers);
    for (const auto& o : held) o->react(event);
  }
};

namespace {

constexpr int kItems = 10;

void BM_MxObjectNotify(benchmark::State& state) {
  ClientLog::on = false; // the clients only answer
  Thing model;
  for (int i = 0; i < kItems; ++i) {
    model.add_attrib(new ClientAttrib);
    model.add_reactor(new ClientReactor);
  }
  for (auto _ : state) {
    model.notify();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MxObjectNotify);

void BM_StdObserverNotify(benchmark::State& state) {
  StdModel model;
  for (int i = 0; i < kItems; ++i) {
    model.checks.push_back(std::make_shared<StdCheck>());
    model.observers.push_back(std::make_shared<StdObserver>());
  }
  for (auto _ : state) {
    model.notify();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StdObserverNotify);

} // namespace
