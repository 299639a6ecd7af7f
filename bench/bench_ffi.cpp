// The C interface as a frontend drives it: qvl_process_key over the hunspell
// words typed in Telex and joined by spaces, and session creation.
#include <benchmark/benchmark.h>
#include <qvl.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "alloc_counter.hpp"
#include "qvl_core/rules.hpp"
#include "qvl_core/transform.hpp"

namespace {

using Clock = std::chrono::steady_clock;

// One key name per key: the Telex keys of every word that has them, with a
// space after each word.
const std::vector<std::string>& telex_key_names() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> out;
    for (const std::string& word : quorvel_bench::hunspell_words()) {
      const auto raw = qvl_core::transform::to_raw(word, qvl_core::rules::TELEX);
      if (!raw) continue;
      // Key names are single characters; the Telex keys of a word are ASCII.
      for (char c : *raw) out.emplace_back(1, c);
      out.emplace_back(" ");
    }
    return out;
  }();
  return keys;
}

double percentile(std::vector<double>& samples, double p) {
  if (samples.empty()) return 0;
  const auto at = samples.begin() + static_cast<std::ptrdiff_t>(p * (samples.size() - 1));
  std::nth_element(samples.begin(), at, samples.end());
  return *at;
}

// Each key is timed alone, so the figures carry one clock read (some 20 ns).
void BM_ProcessKeyTelex(benchmark::State& state) {
  const auto& keys = telex_key_names();
  QvlSession* session = qvl_session_new(nullptr, QVL_OUTPUT_PREEDIT);
  std::vector<double> samples;
  samples.reserve(keys.size() * 4);
  std::uint64_t allocations = 0;
  std::size_t count = 0;
  for (auto _ : state) {
    quorvel_bench::AllocationScope scope;
    for (const std::string& key : keys) {
      const auto start = Clock::now();
      const QvlAction action = qvl_process_key(session, key.c_str(), false, false, false);
      const auto stop = Clock::now();
      benchmark::DoNotOptimize(action);
      if (samples.size() < samples.capacity()) {
        samples.push_back(std::chrono::duration<double, std::nano>(stop - start).count());
      }
    }
    allocations += scope.count();
    count += keys.size();
  }
  qvl_session_free(session);
  state.SetItemsProcessed(static_cast<std::int64_t>(count));
  state.counters["median_ns"] = percentile(samples, 0.5);
  state.counters["p99_ns"] = percentile(samples, 0.99);
  state.counters["allocs_per_key"] =
      static_cast<double>(allocations) / static_cast<double>(count == 0 ? 1 : count);
  state.counters["keys"] = static_cast<double>(keys.size());
}
BENCHMARK(BM_ProcessKeyTelex)->Unit(benchmark::kMillisecond);

// Creation alone; freeing is left out of the time.
void BM_SessionNew(benchmark::State& state) {
  qvl_session_free(qvl_session_new(nullptr, QVL_OUTPUT_PREEDIT));  // builds the shared tables
  for (auto _ : state) {
    const auto start = Clock::now();
    QvlSession* session = qvl_session_new(nullptr, QVL_OUTPUT_PREEDIT);
    const auto stop = Clock::now();
    benchmark::DoNotOptimize(session);
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    qvl_session_free(session);
  }
}
BENCHMARK(BM_SessionNew)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
