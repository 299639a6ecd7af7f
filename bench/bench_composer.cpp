// The word composer over the hunspell words typed in Telex: one key at a time
// (push, then result as the session asks after every key) and whole words.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "alloc_counter.hpp"
#include "qvl_core/rules.hpp"
#include "qvl_core/transform.hpp"
#include "qvl_unicode/unicode.hpp"

namespace {

using namespace qvl_core::transform;

ComposeOptions telex_options() {
  ComposeOptions o;
  o.tone_style = ToneStyle::New;
  o.spell_check = true;
  o.w_as_u = true;
  return o;
}

// Telex keys of every dictionary word that has them.
const std::vector<std::u32string>& telex_words() {
  static const std::vector<std::u32string> words = [] {
    std::vector<std::u32string> out;
    for (const std::string& w : quorvel_bench::hunspell_words()) {
      if (auto keys = to_raw(w, qvl_core::rules::TELEX)) out.push_back(qvl_unicode::decode(*keys));
    }
    return out;
  }();
  return words;
}

void BM_PushAndResultPerKey(benchmark::State& state) {
  const auto& words = telex_words();
  const ComposeOptions options = telex_options();
  std::size_t keys = 0;
  std::uint64_t allocations = 0;
  for (auto _ : state) {
    for (const std::u32string& w : words) {
      Composer c(qvl_core::rules::TELEX, options);
      quorvel_bench::AllocationScope scope;
      for (char32_t k : w) {
        c.push(k);
        benchmark::DoNotOptimize(c.result(false));
      }
      allocations += scope.count();
      keys += w.size();
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(keys));
  state.counters["ns_per_key"] = benchmark::Counter(
      static_cast<double>(keys), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["allocs_per_key"] =
      static_cast<double>(allocations) / static_cast<double>(keys == 0 ? 1 : keys);
}
BENCHMARK(BM_PushAndResultPerKey)->Unit(benchmark::kMillisecond);

void BM_TransformPerWord(benchmark::State& state) {
  const auto& words = telex_words();
  const ComposeOptions options = telex_options();
  std::size_t count = 0;
  std::uint64_t allocations = 0;
  for (auto _ : state) {
    quorvel_bench::AllocationScope scope;
    for (const std::u32string& w : words) {
      benchmark::DoNotOptimize(transform(w, qvl_core::rules::TELEX, options, true));
    }
    allocations += scope.count();
    count += words.size();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(count));
  state.counters["ns_per_word"] = benchmark::Counter(
      static_cast<double>(count), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["allocs_per_word"] =
      static_cast<double>(allocations) / static_cast<double>(count == 0 ? 1 : count);
}
BENCHMARK(BM_TransformPerWord)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
