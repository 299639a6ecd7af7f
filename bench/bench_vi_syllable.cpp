// The syllable grammar over the words of the hunspell dictionary, one word per
// iteration, with heap allocations counted per call.
#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

#include "alloc_counter.hpp"
#include "qvl_unicode/unicode.hpp"
#include "vi_syllable/vi_syllable.hpp"

namespace {

struct Word {
  std::string text;  // lower case, without tone
  std::u32string letters;
  std::uint8_t tone;
};

const std::vector<Word>& words() {
  static const std::vector<Word> list = [] {
    std::vector<std::string> raw = quorvel_bench::hunspell_words();
    if (raw.empty()) raw = {"nghiêng", "người", "hoà", "quyết", "khuỷu", "xoong", "anh", "đắk"};
    std::vector<Word> out;
    for (const auto& w : raw) {
      auto [text, tone] = vi_syllable::strip_tone(qvl_unicode::to_lower(w));
      out.push_back({text, qvl_unicode::decode(text), tone});
    }
    return out;
  }();
  return list;
}

// Runs f on one word per iteration and reports allocations per call.
template <class F>
void over_words(benchmark::State& state, F f) {
  const auto& list = words();
  std::size_t i = 0;
  quorvel_bench::AllocationScope allocations;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f(list[i]));
    if (++i == list.size()) i = 0;
  }
  state.counters["allocs_per_call"] =
      static_cast<double>(allocations.count()) / static_cast<double>(state.iterations());
}

void BM_check_with(benchmark::State& state) {
  over_words(state, [](const Word& w) { return vi_syllable::check_with(w.text, w.tone, false); });
}
BENCHMARK(BM_check_with);

void BM_check_with_code_points(benchmark::State& state) {
  over_words(state,
             [](const Word& w) { return vi_syllable::check_with(w.letters, w.tone, false); });
}
BENCHMARK(BM_check_with_code_points);

void BM_check_final(benchmark::State& state) {
  over_words(state, [](const Word& w) { return vi_syllable::check_final(w.text, w.tone, false); });
}
BENCHMARK(BM_check_final);

void BM_place_tone(benchmark::State& state) {
  over_words(state, [](const Word& w) {
    return vi_syllable::place_tone(w.text, w.tone, vi_syllable::ToneStyle::New);
  });
}
BENCHMARK(BM_place_tone);

void BM_compose_decompose_char(benchmark::State& state) {
  over_words(state, [](const Word& w) {
    char32_t sum = 0;
    for (char32_t c : w.letters) {
      const vi_syllable::DecomposedChar d = vi_syllable::decompose_char(c);
      sum += vi_syllable::compose_char(d.base, d.mark, w.tone, d.upper);
    }
    return sum;
  });
}
BENCHMARK(BM_compose_decompose_char);

}  // namespace

BENCHMARK_MAIN();
