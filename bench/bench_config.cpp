// Reading, writing and patching the default configuration document.
#include <benchmark/benchmark.h>

#include <string>

#include "alloc_counter.hpp"
#include "qvl_engine/config.hpp"

namespace {

using qvl_engine::ports::Config;

template <class F>
void run_counting(benchmark::State& state, F&& f) {
  std::uint64_t allocations = 0;
  for (auto _ : state) {
    quorvel_bench::AllocationScope scope;
    f();
    allocations += scope.count();
  }
  state.counters["allocs/call"] =
      benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}

void BM_ReadDefaultDocument(benchmark::State& state) {
  const std::string text = Config::defaults().write();
  run_counting(state, [&] { benchmark::DoNotOptimize(Config::read(text)); });
}
BENCHMARK(BM_ReadDefaultDocument);

void BM_WriteDefaultRecord(benchmark::State& state) {
  const Config config;
  run_counting(state, [&] { benchmark::DoNotOptimize(config.write()); });
}
BENCHMARK(BM_WriteDefaultRecord);

void BM_ApplyOneKeyPatch(benchmark::State& state) {
  const Config config;
  run_counting(state, [&] {
    benchmark::DoNotOptimize(config.apply_json_patch(R"({"spell_check":false})"));
  });
}
BENCHMARK(BM_ApplyOneKeyPatch);

}  // namespace

BENCHMARK_MAIN();
