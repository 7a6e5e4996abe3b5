// Cost of fusing the collected objects of both scanners, for crowds of growing size.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "quillon_dynamic_detector/object_fusion.hpp"

namespace
{

using quillon_protocol::msg::Object;

// `count` objects as both scanners report them: each person in a 20 m x 20 m area appears
// twice, `spread` metres apart on average in each axis (a few centimetres when the lists agree),
// with a small outline. Fixed seed, same crowd every run.
std::vector<Object> crowd(int64_t count, double spread = 0.05)
{
  std::mt19937 rng(42);
  std::uniform_real_distribution<double> area(-10.0, 10.0);
  std::normal_distribution<double> jitter(0.0, spread);
  std::uniform_int_distribution<int32_t> points(8, 60);
  std::vector<Object> people;
  for (int64_t i = 0; i < count / 2; ++i) {
    Object o;
    o.pose.position.x = area(rng);
    o.pose.position.y = area(rng);
    o.polygon.resize(8);
    o.classification = 1;
    o.velocity_x = 0.8;
    o.point_count = points(rng);
    people.push_back(o);
  }
  // Scanner 1's list, then scanner 2's, as publishFusion collects them.
  std::vector<Object> collected = people;
  for (Object o : people) {
    o.pose.position.x += jitter(rng);
    o.pose.position.y += jitter(rng);
    o.point_count = points(rng);
    collected.push_back(o);
  }
  return collected;
}

void BM_FuseObjects(benchmark::State & state)
{
  const std::vector<Object> objects = crowd(state.range(0));
  const quillon_dynamic_detector::FusionConfig config;
  for (auto _ : state) {
    benchmark::DoNotOptimize(quillon_dynamic_detector::fuseObjects(objects, config));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FuseObjects)->Arg(20)->Arg(100)->Arg(500)->Unit(benchmark::kMicrosecond)->Complexity();

// Lists that disagree by 0.3 m, so that many objects stay one list's alone after the merge,
// without and with the pairing across the lists (second argument: pair distance in cm; the
// profiles set 60) and without and with keeping apart what one list separates (third: 0 or 1).
void BM_FuseAndPairAcrossLists(benchmark::State & state)
{
  const std::vector<Object> objects = crowd(state.range(0), 0.3);
  quillon_dynamic_detector::FusionConfig config;
  config.pair_distance = static_cast<double>(state.range(1)) / 100.0;
  config.keep_separated_objects = state.range(2) != 0;
  const std::size_t first_list_size = objects.size() / 2;
  for (auto _ : state) {
    std::vector<std::vector<std::size_t>> members;
    auto fused = quillon_dynamic_detector::fuseObjects(objects, config, &members, first_list_size);
    quillon_dynamic_detector::pairAcrossLists(fused, members, first_list_size, config);
    benchmark::DoNotOptimize(fused);
  }
}
BENCHMARK(BM_FuseAndPairAcrossLists)
  ->ArgsProduct({{20, 100, 500}, {0, 60}, {0, 1}})
  ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
