#include "qvl_engine/ports.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qvl_unicode/unicode.hpp"

namespace {

using qvl_engine::ports::last_chars;
using qvl_engine::ports::split_words;
using qvl_engine::ports::WordListDictionary;
using qvl_engine::ports::WordSet;

TEST(SplitWords, SplitsAtEveryWhiteSpaceCharacter) {
  std::vector<char32_t> separators = {0x0085, 0x00A0, 0x1680, 0x2028, 0x2029,
                                      0x202F, 0x205F, 0x3000, 0x0020};
  for (char32_t c = 0x0009; c <= 0x000D; ++c) separators.push_back(c);
  for (char32_t c = 0x2000; c <= 0x200A; ++c) separators.push_back(c);
  for (const char32_t sep : separators) {
    const std::string s = qvl_unicode::encode(sep);
    const std::string text = s + "việt" + s + s + "nam" + s;
    EXPECT_EQ(split_words(text), (std::vector<std::string_view>{"việt", "nam"}))
        << std::hex << static_cast<std::uint32_t>(sep);
  }
  // Not White_Space: zero-width space, no-break zero width, U+180E.
  for (const char* joined : {"a\u200Bb", "a\uFEFFb", "a\u180Eb", "a\u00ADb"}) {
    EXPECT_EQ(split_words(joined).size(), 1u) << joined;
  }
  EXPECT_TRUE(split_words("").empty());
  EXPECT_TRUE(split_words(" \n\u3000").empty());
}

TEST(WordListDictionary, BuildsSetsFromText) {
  const auto d = WordListDictionary::from_text("  a\tb\n\nb ", "");
  EXPECT_EQ(d.english(), (WordSet{"a", "b"}));
  EXPECT_TRUE(d.vietnamese().empty());
  for (const char* word : {"a", "b", "", "việt"}) EXPECT_FALSE(d.is_vietnamese(word));
  EXPECT_TRUE(d.is_english("a"));
  EXPECT_FALSE(d.is_english("a "));
}

TEST(WordListDictionary, DefaultListsMatchExactly) {
  const auto d = WordListDictionary::defaults();
  EXPECT_EQ(d.english().size(), 227u);
  EXPECT_EQ(d.vietnamese().size(), 603u);
  EXPECT_TRUE(d.is_english("email"));
  EXPECT_TRUE(d.is_english("do"));
  EXPECT_TRUE(d.is_english("sign"));  // the last word, before the newline
  EXPECT_FALSE(d.is_english("Email"));
  EXPECT_FALSE(d.is_english(""));
  EXPECT_TRUE(d.is_vietnamese("việt"));
  EXPECT_FALSE(d.is_vietnamese(qvl_unicode::nfd("việt")));
  EXPECT_TRUE(d.is_vietnamese("a"));
  EXPECT_TRUE(d.is_vietnamese("ữ"));
  EXPECT_FALSE(d.is_vietnamese("email"));
}

TEST(WordListDictionary, CopiesAreIndependent) {
  const auto& shared = WordListDictionary::shared_default();
  ASSERT_EQ(shared, WordListDictionary::shared_default());
  WordListDictionary copy = *shared;
  copy.english().clear();
  copy.vietnamese().insert("kubernetes");
  EXPECT_TRUE(shared->is_english("email"));
  EXPECT_FALSE(shared->is_vietnamese("kubernetes"));
  EXPECT_FALSE(copy.is_english("email"));
  EXPECT_TRUE(copy.is_vietnamese("kubernetes"));
  EXPECT_TRUE(WordListDictionary::defaults().is_english("email"));
}

TEST(LastChars, CountsCharactersNotBytes) {
  EXPECT_EQ(last_chars("xin chào", 25), "xin chào");
  EXPECT_EQ(last_chars("xin chào", 4), "chào");
  EXPECT_EQ(last_chars("xin chào", 0), "");
  EXPECT_EQ(last_chars("", 3), "");
  EXPECT_EQ(last_chars("a😀b", 2), "😀b");
}

}  // namespace
