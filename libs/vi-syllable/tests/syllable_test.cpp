#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "qvl_unicode/unicode.hpp"
#include "vi_syllable/vi_syllable.hpp"

namespace vi_syllable {
namespace {

using enum SyllableStatus;

struct ParseCase {
  std::string_view word;
  std::string_view initial;
  std::string_view cluster;
  std::string_view coda;
  std::size_t cluster_start;
};

class ParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, SplitsInitialClusterAndCoda) {
  const ParseCase& c = GetParam();
  const Syllable s = parse(c.word);
  EXPECT_EQ(s, (Syllable{std::string(c.initial), std::string(c.cluster), std::string(c.coda),
                         c.cluster_start}));
  EXPECT_EQ(s.cluster_end(), c.cluster_start + qvl_unicode::char_count(c.cluster));

  // The code-point form splits at the same characters.
  const std::u32string w = qvl_unicode::decode(c.word);
  const SyllableView v = parse_view(w);
  EXPECT_EQ(qvl_unicode::encode(v.initial), c.initial);
  EXPECT_EQ(qvl_unicode::encode(v.cluster), c.cluster);
  EXPECT_EQ(v.cluster_start(), c.cluster_start);
  EXPECT_EQ(v.cluster_end(), s.cluster_end());
}

INSTANTIATE_TEST_SUITE_P(
    Words, ParseTest,
    testing::Values(
        // gi is an initial only before a vowel.
        ParseCase{"gia", "gi", "a", "", 2}, ParseCase{"giêng", "gi", "ê", "ng", 2},
        ParseCase{"gi", "g", "i", "", 1}, ParseCase{"gin", "g", "i", "n", 1},
        // qu needs nothing after it.
        ParseCase{"qu", "qu", "", "", 2}, ParseCase{"quyêt", "qu", "yê", "t", 2},
        ParseCase{"q", "", "", "q", 0}, ParseCase{"nghiêng", "ngh", "iê", "ng", 3},
        ParseCase{"ngh", "ngh", "", "", 3}, ParseCase{"nga", "ng", "a", "", 2},
        ParseCase{"đ", "đ", "", "", 1}, ParseCase{"khuya", "kh", "uya", "", 2},
        ParseCase{"fa", "", "", "fa", 0}, ParseCase{"anh", "", "a", "nh", 0},
        // A toned letter is no vowel of the grammar.
        ParseCase{"hóa", "h", "", "óa", 1}, ParseCase{"", "", "", "", 0},
        // Ill-formed bytes stay in the coda untouched.
        ParseCase{"ho\xC3", "h", "o", "\xC3", 1}, ParseCase{"\xFF\xFE", "", "", "\xFF\xFE", 0}));

struct CheckCase {
  std::string_view word;
  std::uint8_t tone;
  bool allow_coda_k;
  SyllableStatus with;
  SyllableStatus final;
};

class CheckTest : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckTest, ClassifiesTheWord) {
  const CheckCase& c = GetParam();
  EXPECT_EQ(check_with(c.word, c.tone, c.allow_coda_k), c.with);
  EXPECT_EQ(check_final(c.word, c.tone, c.allow_coda_k), c.final);
  const std::u32string w = qvl_unicode::decode(c.word);
  EXPECT_EQ(check_with(w, c.tone, c.allow_coda_k), c.with);
  EXPECT_EQ(check_final(w, c.tone, c.allow_coda_k), c.final);
  if (!c.allow_coda_k) {
    EXPECT_EQ(check(c.word, c.tone), c.with);
    EXPECT_EQ(check(w, c.tone), c.with);
  }
}

// Growing words: bare initials and partial clusters or codas.
INSTANTIATE_TEST_SUITE_P(Incomplete, CheckTest,
                         testing::Values(CheckCase{"", 0, false, Incomplete, Incomplete},
                                         CheckCase{"ngh", 0, false, Incomplete, Incomplete},
                                         CheckCase{"q", 0, false, Incomplete, Incomplete},
                                         CheckCase{"qu", 0, false, Incomplete, Incomplete},
                                         CheckCase{"đ", 0, false, Incomplete, Incomplete},
                                         CheckCase{"truo", 0, false, Incomplete, Incomplete},
                                         CheckCase{"truong", 0, false, Incomplete, Incomplete},
                                         CheckCase{"enh", 0, false, Incomplete, Incomplete},
                                         CheckCase{"ech", 0, false, Incomplete, Incomplete},
                                         CheckCase{"xoo", 0, false, Incomplete, Incomplete},
                                         CheckCase{"oă", 0, false, Incomplete, Incomplete},
                                         CheckCase{"ă", 0, false, Incomplete, Incomplete},
                                         CheckCase{"thuo", 0, false, Incomplete, Incomplete},
                                         // A partial coda still refuses a tone that its stop would.
                                         CheckCase{"ech", 2, false, Invalid, Invalid}));

INSTANTIATE_TEST_SUITE_P(
    Valid, CheckTest,
    testing::Values(
        CheckCase{"hoa", 0, false, Valid, Valid}, CheckCase{"hoan", 0, false, Valid, Valid},
        CheckCase{"anh", 0, false, Valid, Valid}, CheckCase{"xoong", 0, false, Valid, Valid},
        CheckCase{"khuya", 0, false, Valid, Valid}, CheckCase{"nghe", 0, false, Valid, Valid},
        CheckCase{"nghiêng", 0, false, Valid, Valid}, CheckCase{"ke", 0, false, Valid, Valid},
        CheckCase{"gi", 0, false, Valid, Valid}, CheckCase{"gin", 0, false, Valid, Valid},
        CheckCase{"gia", 0, false, Valid, Valid}, CheckCase{"giêng", 0, false, Valid, Valid},
        CheckCase{"nga", 0, false, Valid, Valid}, CheckCase{"quy", 0, false, Valid, Valid},
        CheckCase{"quynh", 0, false, Valid, Valid}, CheckCase{"quyên", 0, false, Valid, Valid},
        CheckCase{"ngươi", 0, false, Valid, Valid}, CheckCase{"khuyu", 0, false, Valid, Valid},
        CheckCase{"xuênh", 0, false, Valid, Valid}, CheckCase{"uơ", 0, false, Valid, Valid}));

// Stop codas: free of tone while typing, sắc or nặng once finished.
INSTANTIATE_TEST_SUITE_P(
    StopCodas, CheckTest,
    testing::Values(
        CheckCase{"ach", 0, false, Valid, Invalid}, CheckCase{"ach", 1, false, Valid, Valid},
        CheckCase{"ach", 5, false, Valid, Valid}, CheckCase{"ach", 2, false, Invalid, Invalid},
        CheckCase{"ach", 3, false, Invalid, Invalid}, CheckCase{"ach", 4, false, Invalid, Invalid},
        CheckCase{"quyt", 0, false, Valid, Invalid}, CheckCase{"quyêt", 1, false, Valid, Valid},
        CheckCase{"hoach", 5, false, Valid, Valid}, CheckCase{"đăk", 0, false, Invalid, Invalid},
        CheckCase{"đăk", 0, true, Valid, Invalid}, CheckCase{"đăk", 1, true, Valid, Valid},
        CheckCase{"đăk", 2, true, Invalid, Invalid},
        // Without the option k is no coda at all.
        CheckCase{"đăk", 1, false, Invalid, Invalid}, CheckCase{"ang", 2, false, Valid, Valid}));

INSTANTIATE_TEST_SUITE_P(
    Invalid, CheckTest,
    testing::Values(
        CheckCase{"bc", 0, false, Invalid, Invalid}, CheckCase{"fa", 0, false, Invalid, Invalid},
        CheckCase{"Hoa", 0, false, Invalid, Invalid}, CheckCase{"hóa", 0, false, Invalid, Invalid},
        CheckCase{"ho1", 0, false, Invalid, Invalid}, CheckCase{"ka", 0, false, Invalid, Invalid},
        CheckCase{"ce", 0, false, Invalid, Invalid}, CheckCase{"ge", 0, false, Invalid, Invalid},
        CheckCase{"gha", 0, false, Invalid, Invalid}, CheckCase{"ngi", 0, false, Invalid, Invalid},
        CheckCase{"quu", 0, false, Invalid, Invalid}, CheckCase{"anha", 0, false, Invalid, Invalid},
        // ch and nh follow only a, ê, i, oa, uê and uy.
        CheckCase{"ôch", 1, false, Invalid, Invalid}, CheckCase{"ônh", 0, false, Invalid, Invalid},
        CheckCase{"ax", 0, false, Invalid, Invalid}, CheckCase{"aaaa", 0, false, Invalid, Invalid},
        CheckCase{"quyêu", 0, false, Invalid, Invalid},
        CheckCase{"\xC3", 0, false, Invalid, Invalid},
        CheckCase{"nghiênggggggggggggggggggggggggggggggggggg", 0, false, Invalid, Invalid}));

std::set<std::string> strings(std::initializer_list<const char*> list) {
  return {list.begin(), list.end()};
}

TEST(SyllableTablesTest, HoldTheDerivedContents) {
  const SyllableTables& t = tables();
  EXPECT_EQ(t.INITIAL_PREFIXES, strings({"b",  "c", "ch", "d", "đ",  "g",   "gh", "gi", "h",  "k",
                                         "kh", "l", "m",  "n", "ng", "ngh", "nh", "p",  "ph", "q",
                                         "qu", "r", "s",  "t", "th", "tr",  "v",  "x"}));
  EXPECT_EQ(t.OPEN_CLUSTERS.size(), 45u);
  EXPECT_EQ(t.CODA_CLUSTERS.size(), 23u);
  EXPECT_EQ(t.CH_NH_CLUSTERS, strings({"a", "ê", "i", "oa", "uê", "uy"}));
  EXPECT_EQ(t.PARTIAL_CLUSTERS.size(), 72u);
  for (const char* p : {"ươ", "uơ", "ưo", "uo", "oă", "ye", "uye", "oo", "ă"})
    EXPECT_TRUE(t.PARTIAL_CLUSTERS.contains(p)) << p;

  const std::set<std::string> ch_nh = strings({"a", "ê", "e", "i", "oa", "uê", "ue", "uy"});
  std::set<std::string> keys;
  for (const auto& [key, set] : t.PARTIAL_CODA_MAP) {
    keys.insert(key);
    if (key == "ch" || key == "nh") {
      EXPECT_EQ(set, ch_nh) << key;
    } else {
      EXPECT_EQ(set.size(), 31u) << key;
    }
  }
  EXPECT_EQ(keys, strings({"c", "ch", "m", "n", "ng", "nh", "p", "t"}));

  auto with_k = t.PARTIAL_CODA_MAP_K;
  ASSERT_TRUE(with_k.contains("k"));
  EXPECT_EQ(with_k.at("k"), t.PARTIAL_CODA_MAP.at("t"));
  with_k.erase("k");
  EXPECT_EQ(with_k, t.PARTIAL_CODA_MAP);
}

}  // namespace
}  // namespace vi_syllable
