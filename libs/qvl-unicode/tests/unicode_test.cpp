#include "qvl_unicode/unicode.hpp"

#include <gtest/gtest.h>

#include <random>

namespace qu = qvl_unicode;

TEST(Utf8, DecodesAndEncodesEveryLength) {
  const std::string text = "a\xC3\xA9\xE1\xBB\x87\xF0\x9F\x98\x80";  // a é ệ 😀
  EXPECT_EQ(qu::decode(text), U"a\u00E9\u1EC7\U0001F600");
  EXPECT_EQ(qu::encode(qu::decode(text)), text);
  EXPECT_EQ(qu::char_count(text), 4u);
  EXPECT_TRUE(qu::is_valid_utf8(text));
  EXPECT_TRUE(qu::is_valid_utf8("\xEF\xBF\xBD"));  // a real U+FFFD
}

TEST(Utf8, ReplacesEachMaximalSubpartOnce) {
  struct Case {
    std::string bytes;
    std::u32string expected;
  };
  const Case cases[] = {
      {"\x80", U"\uFFFD"},
      {"\xC3", U"\uFFFD"},                              // truncated two-byte
      {"\xE1\xBB", U"\uFFFD"},                          // truncated three-byte: one subpart
      {"\xE1\xBB" "x", U"\uFFFDx"},
      {"\xF0\x9F\x98", U"\uFFFD"},                      // truncated four-byte
      {"\xC0\xAF", U"\uFFFD\uFFFD"},                    // overlong: no valid prefix
      {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},          // surrogate
      {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xFF\xFE" "a", U"\uFFFD\uFFFDa"},
      {"a\xE1\x80\xE2\xF0\x91\x92\xF1\xBF" "A", U"a\uFFFD\uFFFD\uFFFD\uFFFDA"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(qu::decode(c.bytes), c.expected) << testing::PrintToString(c.bytes);
    EXPECT_FALSE(qu::is_valid_utf8(c.bytes));
    EXPECT_EQ(qu::sanitize(c.bytes), qu::encode(c.expected));
    EXPECT_EQ(qu::char_count(c.bytes), c.expected.size());
  }
}

TEST(Utf8, EncodesInvalidScalarsAsReplacement) {
  EXPECT_EQ(qu::encode(U'\xD800'), "\xEF\xBF\xBD");
  EXPECT_EQ(qu::encode(char32_t{0x110000}), "\xEF\xBF\xBD");
}

TEST(Utf8, EncodesIntoABuffer) {
  for (char32_t cp : {U'a', U'\u00E9', U'\u1EC7', U'\U0001F600', U'\xD800'}) {
    char buf[4];
    const std::size_t n = qu::encode_to(cp, buf);
    EXPECT_EQ(std::string(buf, n), qu::encode(cp)) << static_cast<std::uint32_t>(cp);
  }
}

TEST(Normalization, ComposesAndDecomposes) {
  const std::string composed = "Vi\xE1\xBB\x87t";        // Việt
  const std::string decomposed = "Vie\xCC\xA3\xCC\x82t";  // e + dot below + circumflex
  EXPECT_EQ(qu::nfd(composed), decomposed);
  EXPECT_EQ(qu::nfc(decomposed), composed);
  // Canonical reordering: dot below (220) sorts before circumflex (230).
  EXPECT_EQ(qu::nfc("e\xCC\xA3\xCC\x82"), "\xE1\xBB\x87");
  EXPECT_EQ(qu::nfc("e\xCC\x82\xCC\xA3"), "\xE1\xBB\x87");
  EXPECT_TRUE(qu::is_nfc(composed));
  EXPECT_FALSE(qu::is_nfc(decomposed));
  EXPECT_FALSE(qu::is_nfc("\xFF"));
  EXPECT_TRUE(qu::is_nfc("plain ascii"));
  EXPECT_EQ(qu::nfc(U"a\u0306\u0301"), U"\u1EAF");  // ắ
  EXPECT_EQ(qu::nfd(U"\u1EAF"), U"a\u0306\u0301");
  EXPECT_EQ(qu::nfc("\xFF" "e\xCC\x81"), "\xEF\xBF\xBD\xC3\xA9");
}

TEST(Normalization, SingleCharacterHelpers) {
  const auto d = qu::canonical_decomposition(U'\u1EC7');  // ệ
  ASSERT_EQ(d.size, 3);
  EXPECT_EQ(d.cps[0], U'e');
  EXPECT_EQ(d.cps[1], U'\u0323');
  EXPECT_EQ(d.cps[2], U'\u0302');
  const auto none = qu::canonical_decomposition(U'\u0111');  // đ has no decomposition
  ASSERT_EQ(none.size, 1);
  EXPECT_EQ(none.cps[0], U'\u0111');
  EXPECT_EQ(qu::compose_pair(U'a', U'\u0302'), U'\u00E2');
  EXPECT_EQ(qu::compose_pair(U'b', U'\u0301'), 0u);
}

TEST(CaseMapping, FullAndSingleCharacter) {
  EXPECT_EQ(qu::to_upper("stra\xC3\x9F" "e vi\xE1\xBB\x87t"), "STRASSE VI\xE1\xBB\x86T");
  EXPECT_EQ(qu::to_lower("\xC4\x90\xE1\xBA\xA0I"), "\xC4\x91\xE1\xBA\xA1i");  // ĐẠI
  EXPECT_EQ(qu::to_upper(U"\u00DF"), U"SS");
  EXPECT_EQ(qu::to_lower(U"\u0130"), U"i\u0307");
  EXPECT_EQ(qu::upper_single(U'\u1EB7'), U'\u1EB6');  // ặ → Ặ
  EXPECT_EQ(qu::upper_single(U'\u00DF'), U'\u00DF');  // maps to two characters: unchanged
  EXPECT_EQ(qu::lower_single(U'\u0130'), U'\u0130');
  EXPECT_EQ(qu::lower_single(U'\u0110'), U'\u0111');
  EXPECT_EQ(qu::upper_single(U'q'), U'Q');
  EXPECT_EQ(qu::upper_single(U'1'), U'1');
}

TEST(Properties, AnswerTheUnicodeProperties) {
  for (char32_t c : {U' ', U'\t', U'\n', U'\u00A0', U'\u2028', U'\u3000', U'\u0085'}) {
    EXPECT_TRUE(qu::is_white_space(c)) << std::hex << static_cast<uint32_t>(c);
  }
  EXPECT_FALSE(qu::is_white_space(U'\u200B'));
  EXPECT_TRUE(qu::is_alphabetic(U'\u1EC7'));
  EXPECT_TRUE(qu::is_alphabetic(U'\u00AA'));
  EXPECT_FALSE(qu::is_alphabetic(U'1'));
  EXPECT_TRUE(qu::is_lowercase(U'\u00AA'));
  EXPECT_TRUE(qu::is_uppercase(U'\u0110'));
  EXPECT_FALSE(qu::is_uppercase(U'\u0111'));
  EXPECT_TRUE(qu::is_numeric(U'7'));
  EXPECT_TRUE(qu::is_numeric(U'\u00B2'));
  EXPECT_TRUE(qu::is_numeric(U'\u2163'));  // Roman numeral four
  EXPECT_FALSE(qu::is_numeric(U'x'));
  EXPECT_EQ(qu::combining_class(U'\u0301'), 230);
  EXPECT_EQ(qu::combining_class(U'\u0323'), 220);
  EXPECT_EQ(qu::combining_class(U'\u031B'), 216);
  EXPECT_EQ(qu::combining_class(U'a'), 0);
}

TEST(Robustness, RandomBytesGiveDefinedResults) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> byte(0, 255), len(0, 24);
  for (int i = 0; i < 5000; ++i) {
    std::string s(static_cast<std::size_t>(len(rng)), '\0');
    for (auto& c : s) c = static_cast<char>(byte(rng));
    const std::u32string cps = qu::decode(s);
    EXPECT_EQ(cps.size(), qu::char_count(s));
    const std::string clean = qu::sanitize(s);
    EXPECT_TRUE(qu::is_valid_utf8(clean));
    EXPECT_EQ(qu::decode(clean), cps);
    EXPECT_TRUE(qu::is_nfc(qu::nfc(s)));
    EXPECT_EQ(qu::nfc(qu::nfd(s)), qu::nfc(s));
    EXPECT_TRUE(qu::is_valid_utf8(qu::to_upper(s)));
    EXPECT_TRUE(qu::is_valid_utf8(qu::to_lower(s)));
  }
}
