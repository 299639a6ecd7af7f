#include <gtest/gtest.h>

#include "qvl_core/charset.hpp"

namespace cs = qvl_core::charset;

TEST(ChangeCase, Modes) {
  const std::tuple<std::string_view, std::string_view, std::string_view> cases[] = {
      {"upper", "Tiếng Việt ß", "TIẾNG VIỆT SS"},
      {"LOWER", "TIẾNG VIỆT İ", "tiếng việt i\u0307"},
      {"title", "xin CHÀO bạn", "Xin CHÀO Bạn"},
      {"TITLE", "đà  nẵng", "Đà  Nẵng"},  // the second space starts a piece of its own
      {"Title", "a\tb ßc", "A\tb SSc"},   // only U+0020 separates words
      {"title", "", ""},
      {"title", " ơi", " Ơi"},
  };
  for (const auto& [mode, text, expected] : cases) {
    EXPECT_EQ(cs::change_case(text, mode), expected) << mode << " " << text;
  }
  for (std::string_view mode : {" upper", "camel", "", "uppercase"}) {
    EXPECT_FALSE(cs::change_case("x", mode)) << mode;
  }
}

TEST(RemoveDiacritics, KeepsBaseLetters) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"Tiếng Việt Đà Nẵng", "Tieng Viet Da Nang"},
      {"ç ø ß æ", "c ø ß æ"},
      {"e\u0323\u0302 Å", "e A"},  // decomposed input and non-Vietnamese marks alike
      {"ǅ ﬁ", "ǅ ﬁ"},              // compatibility forms are kept
      {"", ""},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(cs::remove_diacritics(text), expected);
}
