// MxObject::notify on an object with 10 attributes and 10 reactors, against
// the same observer pattern written with the standard library (shared_ptr
// observers in vectors, copied before each walk so callees may detach).
#include "mxattrib.h"
#include "mxevent.h"
#include "mxobject.h"
#include "mxreactor.h"

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

class CountingAttrib : public MxAttrib {
  MX_DYNOBJ_TYPE(CountingAttrib, MxAttrib)
public:
  MxDynObj* clone() const override { return new CountingAttrib; }
  bool propagate() const override { return false; }
  bool invariant(const MxEvent& e) const override {
    benchmark::DoNotOptimize(e.identity());
    return true;
  }
};
MX_DEFINE_CLASS_NAME(CountingAttrib);

class CountingReactor : public MxReactor {
  MX_DYNOBJ_TYPE(CountingReactor, MxReactor)
public:
  MxDynObj* clone() const override { return new CountingReactor; }
  bool propagate() const override { return false; }
  void react(const MxEvent& e) override { calls += e.identity() != 0; }
  long calls = 0;
};
MX_DEFINE_CLASS_NAME(CountingReactor);

class Model : public MxObject {
  MX_DYNOBJ_TYPE(Model, MxObject)
public:
  MxDynObj* clone() const override { return new Model(*this); }
};
MX_DEFINE_CLASS_NAME(Model);

void BM_MxObjectNotify(benchmark::State& state) {
  Model model;
  for (int i = 0; i < kItems; ++i) {
    model.add_attrib(new CountingAttrib);
    model.add_reactor(new CountingReactor);
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
