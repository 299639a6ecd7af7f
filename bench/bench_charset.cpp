// Charset conversion of a 1 MB Vietnamese text (hunspell words in lines), with
// throughput over the input and heap allocations per call.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "alloc_counter.hpp"
#include "qvl_core/charset.hpp"

namespace {

namespace cs = qvl_core::charset;

const std::string& text() {
  static const std::string t = [] {
    std::vector<std::string> words = quorvel_bench::hunspell_words();
    if (words.empty()) words = {"Tiếng", "Việt", "người", "đường", "khuỷu", "nghiêng", "và"};
    std::string out;
    for (std::size_t i = 0; out.size() < (1u << 20); ++i) {
      out += words[(i * 7919) % words.size()];
      out += i % 12 == 11 ? ". \n" : " ";
    }
    return out;
  }();
  return t;
}

template <class F>
void run(benchmark::State& state, std::string_view input, F f) {
  quorvel_bench::AllocationScope allocations;
  for (auto _ : state) benchmark::DoNotOptimize(f(input));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
  state.counters["allocs_per_call"] =
      static_cast<double>(allocations.count()) / static_cast<double>(state.iterations());
}

void BM_encode(benchmark::State& state, std::string_view id) {
  cs::tables();
  run(state, text(), [&](std::string_view s) { return cs::encode(s, id); });
}

void BM_decode(benchmark::State& state, std::string_view id) {
  const std::string encoded = cs::encode(text(), id);
  run(state, encoded, [&](std::string_view s) { return cs::decode(s, id); });
}

void BM_encode_bytes(benchmark::State& state, std::string_view id) {
  cs::tables();
  run(state, text(), [&](std::string_view s) { return cs::encode_bytes(s, id); });
}

void BM_decode_bytes(benchmark::State& state, std::string_view id) {
  const std::string encoded = *cs::encode_bytes(text(), id);
  run(state, encoded, [&](std::string_view s) { return cs::decode_bytes(s, id); });
}

void BM_detect(benchmark::State& state) {
  const std::string sample = cs::encode(text().substr(0, 4096), "tcvn3");
  run(state, sample, [](std::string_view s) { return cs::detect(s); });
}

}  // namespace

BENCHMARK_CAPTURE(BM_encode, tcvn3, "tcvn3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_encode, vni_windows, "vni_windows")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_encode, viqr, "viqr")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_decode, tcvn3, "tcvn3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_decode, vni_windows, "vni_windows")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_decode, viqr, "viqr")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_encode_bytes, tcvn3, "tcvn3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_encode_bytes, vni_windows, "vni_windows")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_decode_bytes, tcvn3, "tcvn3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_decode_bytes, vni_windows, "vni_windows")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_detect)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
