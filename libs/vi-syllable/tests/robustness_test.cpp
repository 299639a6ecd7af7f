// Arbitrary bytes and code points through every function: defined results,
// no crash (meaningful under the sanitizers).
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "qvl_unicode/unicode.hpp"
#include "vi_syllable/vi_syllable.hpp"

namespace vi_syllable {
namespace {

// Bytes that hit the interesting paths: letters, the lead and continuation
// bytes of Vietnamese letters, and bytes that are never UTF-8.
std::string random_word(std::mt19937& rng) {
  static constexpr unsigned char BYTES[] = {
      'a', 'e',  'g',  'h',  'i',  'n',  'o',  'q',  'u',  'y',  'c',  't',  'k',  'A',
      '1', 0x00, 0xC3, 0xC4, 0xC6, 0xE1, 0xBA, 0xBB, 0xA1, 0xB0, 0x80, 0xBF, 0xFF, 0xF4};
  std::uniform_int_distribution<std::size_t> length(0, 12);
  std::uniform_int_distribution<std::size_t> pick(0, sizeof(BYTES) - 1);
  std::string word(length(rng), '\0');
  for (char& c : word) c = static_cast<char>(BYTES[pick(rng)]);
  return word;
}

TEST(RobustnessTest, RandomBytesGiveDefinedResults) {
  std::mt19937 rng(20240611);
  for (int i = 0; i < 20000; ++i) {
    const std::string word = random_word(rng);
    const std::uint8_t tone = static_cast<std::uint8_t>(rng() % 8);
    const bool k = rng() % 2 == 0;
    SCOPED_TRACE(testing::PrintToString(word));

    const Syllable s = parse(word);
    ASSERT_EQ(s.initial + s.cluster + s.coda, word);
    ASSERT_EQ(s.cluster_start, qvl_unicode::char_count(s.initial));

    const SyllableStatus with = check_with(word, tone, k);
    const SyllableStatus final = check_final(word, tone, k);
    ASSERT_LE(static_cast<int>(with), 2);
    ASSERT_TRUE(final == with || final == SyllableStatus::Invalid);
    ASSERT_EQ(with, check_with(qvl_unicode::decode(word), tone, k));

    const auto [stripped, removed] = strip_tone(word);
    ASSERT_TRUE(qvl_unicode::is_valid_utf8(stripped));
    ASSERT_LE(removed, 5);
    const std::string placed = place_tone(word, tone, k ? ToneStyle::New : ToneStyle::Old);
    ASSERT_TRUE(qvl_unicode::is_valid_utf8(placed));
    ASSERT_EQ(qvl_unicode::char_count(placed), qvl_unicode::char_count(word));
    if (const auto index = tone_index(word, ToneStyle::Old)) {
      ASSERT_LT(*index, qvl_unicode::char_count(word));
    }
    tone_allowed_with(word, tone, k);
  }
}

TEST(RobustnessTest, AnyCodePointComposesAndDecomposes) {
  std::mt19937 rng(7);
  for (int i = 0; i < 5000; ++i) {
    // Surrogates and values past U+10FFFF included.
    const char32_t c =
        i < 2000 ? static_cast<char32_t>(rng() % 0x11000) : static_cast<char32_t>(rng());
    const DecomposedChar d = decompose_char(c);
    ASSERT_LE(d.tone, 5);
    compose_char(d.base, d.mark, d.tone, d.upper);
    compose_char(c, static_cast<Mark>(rng() % 4), static_cast<std::uint8_t>(rng() % 8),
                 rng() % 2 == 0);
  }
}

}  // namespace
}  // namespace vi_syllable
