#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "qvl_core/internal_error.hpp"
#include "qvl_unicode/unicode.hpp"
#include "vi_syllable/vi_syllable.hpp"

namespace vi_syllable {
namespace {

using enum ToneStyle;

struct PlaceCase {
  std::string_view word;
  std::uint8_t tone;
  ToneStyle style;
  std::string_view expected;
};

class PlaceToneTest : public testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceToneTest, PutsTheToneOnTheRightLetter) {
  const PlaceCase& c = GetParam();
  EXPECT_EQ(place_tone(c.word, c.tone, c.style), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, PlaceToneTest,
    testing::Values(PlaceCase{"hoa", 2, Old, "hòa"}, PlaceCase{"hoa", 2, New, "hoà"},
                    PlaceCase{"thuy", 1, Old, "thúy"}, PlaceCase{"thuy", 1, New, "thuý"},
                    PlaceCase{"hoe", 2, New, "hoè"},
                    // A coda fixes the last vowel under both styles.
                    PlaceCase{"hoan", 2, Old, "hoàn"}, PlaceCase{"hoan", 2, New, "hoàn"},
                    PlaceCase{"huynh", 2, Old, "huỳnh"}));

INSTANTIATE_TEST_SUITE_P(
    Clusters, PlaceToneTest,
    testing::Values(PlaceCase{"qua", 3, Old, "quả"}, PlaceCase{"giư", 4, Old, "giữ"},
                    PlaceCase{"gi", 2, Old, "gì"}, PlaceCase{"ngươi", 2, New, "người"},
                    PlaceCase{"thuơ", 3, Old, "thuở"}, PlaceCase{"nguyên", 4, New, "nguyễn"},
                    PlaceCase{"khuyu", 3, New, "khuỷu"}, PlaceCase{"ngoai", 2, Old, "ngoài"},
                    PlaceCase{"mua", 1, New, "múa"}, PlaceCase{"viêt", 5, Old, "việt"},
                    PlaceCase{"xoong", 2, New, "xoòng"}));

INSTANTIATE_TEST_SUITE_P(CaseAndExistingTones, PlaceToneTest,
                         testing::Values(PlaceCase{"HOA", 2, Old, "HÒA"},
                                         PlaceCase{"Hóa", 2, New, "Hoà"},
                                         PlaceCase{"người", 0, Old, "ngươi"},
                                         PlaceCase{"Việt", 1, Old, "Viết"},
                                         PlaceCase{"ĐƯỜNG", 4, Old, "ĐƯỠNG"},
                                         // No vowel cluster, no tone; the old one still goes.
                                         PlaceCase{"bcd", 1, Old, "bcd"}, PlaceCase{"", 1, Old, ""},
                                         PlaceCase{"hóa", 9, Old, "hoa"},
                                         PlaceCase{"ho\xFF", 1, Old, "hó\xEF\xBF\xBD"}));

struct IndexCase {
  std::string_view word;
  ToneStyle style;
  std::optional<std::size_t> index;
};

class ToneIndexTest : public testing::TestWithParam<IndexCase> {};

TEST_P(ToneIndexTest, CountsCharacters) {
  const IndexCase& c = GetParam();
  EXPECT_EQ(tone_index(c.word, c.style), c.index);
  EXPECT_EQ(tone_index(qvl_unicode::decode(c.word), c.style), c.index);
}

INSTANTIATE_TEST_SUITE_P(Words, ToneIndexTest,
                         testing::Values(IndexCase{"ngươi", Old, 3}, IndexCase{"nghiêng", Old, 4},
                                         IndexCase{"hoa", Old, 1}, IndexCase{"hoa", New, 2},
                                         IndexCase{"uy", New, 1}, IndexCase{"hoan", Old, 2},
                                         IndexCase{"khuyu", Old, 3}, IndexCase{"qua", Old, 2},
                                         IndexCase{"gi", Old, 1}, IndexCase{"bcd", Old, {}},
                                         IndexCase{"", New, {}}, IndexCase{"aaaa", New, 0}));

TEST(ComposeCharTest, BuildsEveryVietnameseVowel) {
  // One row per vowel: tones 0 to 5, lower then upper case.
  struct Row {
    char32_t base;
    std::optional<Mark> mark;
    std::u32string_view lower, upper;
  };
  const Row rows[] = {
      {U'a', {}, U"aáàảãạ", U"AÁÀẢÃẠ"},
      {U'a', Mark::Breve, U"ăắằẳẵặ", U"ĂẮẰẲẴẶ"},
      {U'a', Mark::Circumflex, U"âấầẩẫậ", U"ÂẤẦẨẪẬ"},
      {U'e', {}, U"eéèẻẽẹ", U"EÉÈẺẼẸ"},
      {U'e', Mark::Circumflex, U"êếềểễệ", U"ÊẾỀỂỄỆ"},
      {U'i', {}, U"iíìỉĩị", U"IÍÌỈĨỊ"},
      {U'o', {}, U"oóòỏõọ", U"OÓÒỎÕỌ"},
      {U'o', Mark::Circumflex, U"ôốồổỗộ", U"ÔỐỒỔỖỘ"},
      {U'o', Mark::Horn, U"ơớờởỡợ", U"ƠỚỜỞỠỢ"},
      {U'u', {}, U"uúùủũụ", U"UÚÙỦŨỤ"},
      {U'u', Mark::Horn, U"ưứừửữự", U"ƯỨỪỬỮỰ"},
      {U'y', {}, U"yýỳỷỹỵ", U"YÝỲỶỸỴ"},
  };
  for (const Row& r : rows) {
    for (std::uint8_t tone = 0; tone <= 5; ++tone) {
      for (bool upper : {false, true}) {
        const char32_t c = (upper ? r.upper : r.lower)[tone];
        EXPECT_EQ(compose_char(r.base, r.mark, tone, upper), c) << qvl_unicode::encode(c);
        EXPECT_EQ(decompose_char(c), (DecomposedChar{r.base, upper, r.mark, tone}))
            << qvl_unicode::encode(c);
      }
    }
  }
}

TEST(ComposeCharTest, DropsMarksWithoutAPrecomposedLetter) {
  EXPECT_EQ(compose_char(U'd', Mark::Stroke, 0, false), U'đ');
  EXPECT_EQ(compose_char(U'd', Mark::Stroke, 0, true), U'Đ');
  EXPECT_EQ(compose_char(U'd', Mark::Stroke, 1, false), U'đ');
  EXPECT_EQ(compose_char(U'b', {}, 1, false), U'b');
  EXPECT_EQ(compose_char(U'b', Mark::Horn, 0, true), U'B');
  // Stroke belongs to d alone; a foreign letter that exists is returned.
  EXPECT_EQ(compose_char(U'o', Mark::Stroke, 0, false), U'o');
  EXPECT_EQ(compose_char(U'i', Mark::Circumflex, 0, false), U'î');
  EXPECT_EQ(compose_char(U'u', Mark::Horn, 5, true), U'Ự');
  EXPECT_EQ(compose_char(U'a', {}, 200, false), U'a');
  // Bases outside a-z take the slow path.
  EXPECT_EQ(compose_char(U'A', Mark::Circumflex, 1, false), U'Ấ');
  EXPECT_EQ(compose_char(U'ß', {}, 0, true), U'ß');
}

TEST(ComposeCharTest, RefusesAMarkOutsideTheEnumeration) {
  EXPECT_THROW(compose_char(U'a', static_cast<Mark>(4), 0, false), qvl_core::InternalError);
}

TEST(DecomposeCharTest, SplitsLetters) {
  EXPECT_EQ(decompose_char(U'Ấ'), (DecomposedChar{U'a', true, Mark::Circumflex, 1}));
  EXPECT_EQ(decompose_char(U'Đ'), (DecomposedChar{U'd', true, Mark::Stroke, 0}));
  EXPECT_EQ(decompose_char(U'ặ'), (DecomposedChar{U'a', false, Mark::Breve, 5}));
  // Foreign marks are ignored.
  EXPECT_EQ(decompose_char(U'ü'), (DecomposedChar{U'u', false, {}, 0}));
  EXPECT_EQ(decompose_char(U'Ç'), (DecomposedChar{U'c', true, {}, 0}));
  EXPECT_EQ(decompose_char(U'ǘ'), (DecomposedChar{U'u', false, {}, 1}));
  EXPECT_EQ(decompose_char(U'7'), (DecomposedChar{U'7', false, {}, 0}));
  EXPECT_EQ(decompose_char(U'Ω'), (DecomposedChar{U'ω', true, {}, 0}));
}

TEST(DecomposeCharTest, KeepsHangulSyllablesWhole) {
  // Their decomposition is letters, not marks.
  EXPECT_EQ(decompose_char(U'한'), (DecomposedChar{U'한', false, {}, 0}));
  EXPECT_EQ(strip_tone("한국어"), (std::pair<std::string, std::uint8_t>{"한국어", 0}));
  EXPECT_EQ(place_tone("한국", 1, Old), "한국");
}

TEST(StripToneTest, KeepsCaseAndVowelMarks) {
  using Result = std::pair<std::string, std::uint8_t>;
  EXPECT_EQ(strip_tone("Việt"), (Result{"Viêt", 5}));
  EXPECT_EQ(strip_tone("abc"), (Result{"abc", 0}));
  EXPECT_EQ(strip_tone(""), (Result{"", 0}));
  EXPECT_EQ(strip_tone("ĐƯỜNG"), (Result{"ĐƯƠNG", 2}));
  // The last tone wins; foreign marks go.
  EXPECT_EQ(strip_tone("áà"), (Result{"aa", 2}));
  EXPECT_EQ(strip_tone("Müller"), (Result{"Muller", 0}));
  EXPECT_EQ(strip_tone("a\xFF"), (Result{"a\xEF\xBF\xBD", 0}));
}

struct AllowedCase {
  std::string_view word;
  bool allow_coda_k;
  bool allowed[6];
};

TEST(ToneAllowedTest, StopCodasTakeOnlySacAndNang) {
  const AllowedCase cases[] = {
      {"hoc", false, {true, true, false, false, false, true}},
      {"hoa", false, {true, true, true, true, true, true}},
      {"ach", false, {true, true, false, false, false, true}},
      {"đăk", true, {true, true, false, false, false, true}},
      {"đăk", false, {true, true, true, true, true, true}},
      {"hong", false, {true, true, true, true, true, true}},
  };
  for (const AllowedCase& c : cases) {
    for (std::uint8_t tone = 0; tone <= 5; ++tone) {
      EXPECT_EQ(tone_allowed_with(c.word, tone, c.allow_coda_k), c.allowed[tone])
          << c.word << " tone " << int(tone);
      EXPECT_EQ(tone_allowed_with(qvl_unicode::decode(c.word), tone, c.allow_coda_k),
                c.allowed[tone]);
      if (!c.allow_coda_k) {
        EXPECT_EQ(tone_allowed(c.word, tone), c.allowed[tone]);
      }
    }
  }
}

}  // namespace
}  // namespace vi_syllable
