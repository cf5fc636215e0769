// Counted holders against std::shared_ptr, and class-chain type tests against
// dynamic_cast, on the four-deep chain Shape -> Polygon -> Quad -> Square
// below MxDynObj (support/clients.h).
#include "mxdynobj.h"
#include "mxrcptr.h"

#include "support/clients.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The same payload for std::shared_ptr.
struct PlainShape {
  virtual ~PlainShape() = default;
  int identity = 0;
};

void BM_RCPtrCopyRelease(benchmark::State& state) {
  MxRCPtr<Shape> held(new Square);
  for (auto _ : state) {
    MxRCPtr<Shape> copy(held);
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_RCPtrCopyRelease);

void BM_SharedPtrCopyRelease(benchmark::State& state) {
  std::shared_ptr<PlainShape> held = std::make_shared<PlainShape>();
  for (auto _ : state) {
    std::shared_ptr<PlainShape> copy(held);
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_SharedPtrCopyRelease);

void BM_IsADeepHit(benchmark::State& state) {
  Square square;
  const MxDynObj* object = &square;
  for (auto _ : state) {
    benchmark::DoNotOptimize(object);
    benchmark::DoNotOptimize(object->isA(Shape::type_id()));
  }
}
BENCHMARK(BM_IsADeepHit);

void BM_IsAMiss(benchmark::State& state) {
  Square square;
  const MxDynObj* object = &square;
  for (auto _ : state) {
    benchmark::DoNotOptimize(object);
    benchmark::DoNotOptimize(object->isA(Circle::type_id()));
  }
}
BENCHMARK(BM_IsAMiss);

void BM_MxCastDeepHit(benchmark::State& state) {
  Square square;
  const MxDynObj* object = &square;
  for (auto _ : state) {
    benchmark::DoNotOptimize(object);
    benchmark::DoNotOptimize(mx_cast<Shape>(object));
  }
}
BENCHMARK(BM_MxCastDeepHit);

void BM_MxCastMiss(benchmark::State& state) {
  Square square;
  const MxDynObj* object = &square;
  for (auto _ : state) {
    benchmark::DoNotOptimize(object);
    benchmark::DoNotOptimize(mx_cast<Circle>(object));
  }
}
BENCHMARK(BM_MxCastMiss);

void BM_DynamicCastDeepHit(benchmark::State& state) {
  Square square;
  const MxDynObj* object = &square;
  for (auto _ : state) {
    benchmark::DoNotOptimize(object);
    benchmark::DoNotOptimize(dynamic_cast<const Shape*>(object));
  }
}
BENCHMARK(BM_DynamicCastDeepHit);

void BM_DynamicCastMiss(benchmark::State& state) {
  Square square;
  const MxDynObj* object = &square;
  for (auto _ : state) {
    benchmark::DoNotOptimize(object);
    benchmark::DoNotOptimize(dynamic_cast<const Circle*>(object));
  }
}
BENCHMARK(BM_DynamicCastMiss);

} // namespace
