// Real Vietnamese typed through the session: the hunspell words as Telex keys,
// joined by spaces, one key per iteration. Reports the median and the 99th
// percentile of the time per key and the heap allocations per key.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "alloc_counter.hpp"
#include "qvl_core/rules.hpp"
#include "qvl_core/transform.hpp"
#include "qvl_engine/ports.hpp"
#include "qvl_engine/session.hpp"
#include "qvl_unicode/unicode.hpp"

namespace {

using qvl_engine::session::ImeSession;
using qvl_engine::session::Key;
using qvl_engine::session::KeyEvent;

// Ports of a field that reports no surrounding text.
class BenchPorts final : public qvl_engine::ports::ConfigStore,
                         public qvl_engine::ports::AppContext,
                         public qvl_engine::ports::SurroundingText,
                         public qvl_engine::ports::Dictionary {
 public:
  qvl_engine::ports::Config load() override { return {}; }
  void save(const qvl_engine::ports::Config&) override {}
  std::optional<std::string> current_app() override { return std::nullopt; }
  std::optional<std::string> before_cursor(std::size_t) override { return std::nullopt; }
  bool is_english(std::string_view) const override { return false; }
  bool is_vietnamese(std::string_view) const override { return false; }
};

const std::vector<KeyEvent>& keys() {
  static const std::vector<KeyEvent> list = [] {
    std::vector<std::string> words = quorvel_bench::hunspell_words();
    if (words.empty()) words = {"người", "việt", "nghiêng", "khuỷu", "quyết", "hoà", "đắk"};
    std::vector<KeyEvent> out;
    for (const std::string& w : words) {
      const std::optional<std::string> raw =
          qvl_core::transform::to_raw(qvl_unicode::to_lower(w), qvl_core::rules::TELEX);
      if (!raw) continue;
      qvl_unicode::for_each_char(*raw, [&](char32_t c) { out.push_back({Key::character(c)}); });
      out.push_back({Key::character(U' ')});
    }
    return out;
  }();
  return list;
}

void type_words(benchmark::State& state, bool replace_mode) {
  const auto& list = keys();
  auto session = std::make_unique<ImeSession>(
      qvl_engine::session::Ports{std::make_unique<BenchPorts>(), std::make_unique<BenchPorts>(),
                                 std::make_unique<BenchPorts>(), std::make_unique<BenchPorts>()},
      replace_mode);
  std::vector<double> samples;
  samples.reserve(1 << 22);
  std::size_t i = 0;
  quorvel_bench::AllocationScope allocations;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(session->process_key(list[i]));
    const auto stop = std::chrono::steady_clock::now();
    const double ns = std::chrono::duration<double, std::nano>(stop - start).count();
    state.SetIterationTime(ns * 1e-9);
    if (samples.size() < samples.capacity()) samples.push_back(ns);
    if (++i == list.size()) i = 0;
  }
  const double allocs = static_cast<double>(allocations.count());
  std::sort(samples.begin(), samples.end());
  auto percentile = [&](double p) {
    return samples.empty() ? 0.0 : samples[static_cast<std::size_t>(p * (samples.size() - 1))];
  };
  state.counters["p50_ns"] = percentile(0.50);
  state.counters["p99_ns"] = percentile(0.99);
  state.counters["allocs_per_key"] = allocs / static_cast<double>(state.iterations());
}

void BM_session_preedit(benchmark::State& state) { type_words(state, false); }
void BM_session_replace(benchmark::State& state) { type_words(state, true); }
BENCHMARK(BM_session_preedit)->UseManualTime()->Iterations(2000000);
BENCHMARK(BM_session_replace)->UseManualTime()->Iterations(2000000);

}  // namespace

BENCHMARK_MAIN();
