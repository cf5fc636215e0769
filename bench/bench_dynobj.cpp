// Counted holders against std::shared_ptr, and class-chain type tests against
// dynamic_cast, on a four-deep chain below MxDynObj.
#include "mxdynobj.h"
#include "mxrcptr.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

class Shape : public MxDynObj, public MxRCObj {
  MX_DYNOBJ_TYPE(Shape, MxDynObj)

public:
  MxDynObj* clone() const override { return new Shape(*this); }
  int identity() const override { return identity_.value(); }
  void add_ref() const override { refs_.add("bench_dynobj", __LINE__); }
  void remove_ref() const override { refs_.remove("bench_dynobj", __LINE__); }
  int n_refs() const override { return refs_.get("bench_dynobj", __LINE__); }

private:
  MxIdentity identity_;
  mutable MxRefCounter refs_;
};
MX_DEFINE_CLASS_NAME(Shape);

class Polygon : public Shape {
  MX_DYNOBJ_TYPE(Polygon, Shape)

public:
  MxDynObj* clone() const override { return new Polygon(*this); }
};
MX_DEFINE_CLASS_NAME(Polygon);

class Quad : public Polygon {
  MX_DYNOBJ_TYPE(Quad, Polygon)

public:
  MxDynObj* clone() const override { return new Quad(*this); }
};
MX_DEFINE_CLASS_NAME(Quad);

class Square : public Quad {
  MX_DYNOBJ_TYPE(Square, Quad)

public:
  MxDynObj* clone() const override { return new Square(*this); }
};
MX_DEFINE_CLASS_NAME(Square);

class Circle : public Shape {
  MX_DYNOBJ_TYPE(Circle, Shape)

public:
  MxDynObj* clone() const override { return new Circle(*this); }
};
MX_DEFINE_CLASS_NAME(Circle);

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
