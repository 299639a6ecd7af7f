#include "qvl_adapter_core/surrounding.hpp"

#include <gtest/gtest.h>

namespace s = qvl_adapter_core::surrounding;
using std::nullopt;
using std::optional;
using std::string_view;

namespace {
const string_view kSmiley =
    "a\xF0\x9F\x98\x80"
    "b";                                      // a😀b: UTF-16 lengths 1, 2, 1
const string_view kViet = "vi\xE1\xBB\x87t";  // việt
}  // namespace

TEST(Surrounding, CharSuffix) {
  EXPECT_EQ(s::char_suffix("ti\xE1\xBA\xBFng", 2), "ng");
  EXPECT_EQ(s::char_suffix("ti\xE1\xBA\xBFng", 3), "\xE1\xBA\xBFng");
  EXPECT_EQ(s::char_suffix("ab", 3), nullopt);
  EXPECT_EQ(s::char_suffix("", 0), "");
  EXPECT_EQ(s::char_suffix_utf16_len(kSmiley, 2), 3u);
  EXPECT_EQ(s::char_suffix_utf16_len(kSmiley, 4), nullopt);
}

TEST(Surrounding, Utf16CutsRefuseToSplitSurrogatePairs) {
  struct Case {
    std::uint32_t u;
    optional<string_view> prefix, suffix;
    optional<std::uint32_t> chars;
    optional<std::size_t> bytes;
  };
  const Case cases[] = {
      {0, "", "", 0, 0},
      {1, "a", "b", 1, 1},
      {2, nullopt, nullopt, nullopt, nullopt},
      {3, "a\xF0\x9F\x98\x80",
       "\xF0\x9F\x98\x80"
       "b",
       2, 5},
      {4, kSmiley, kSmiley, 3, 6},
      {5, nullopt, nullopt, nullopt, nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.u);
    EXPECT_EQ(s::utf16_prefix(kSmiley, c.u), c.prefix);
    EXPECT_EQ(s::utf16_suffix(kSmiley, c.u), c.suffix);
    EXPECT_EQ(s::utf16_to_char_offset(kSmiley, c.u), c.chars);
    EXPECT_EQ(s::utf16_to_byte_offset(kSmiley, c.u), c.bytes);
  }
  EXPECT_EQ(s::utf16_len(kSmiley), 4u);
  EXPECT_EQ(s::utf16_suffix("", 1), nullopt);
  EXPECT_EQ(s::utf16_prefix("", 0), "");
  // Long texts take the eight-bytes-at-a-time path.
  EXPECT_EQ(s::utf16_len("abcdefgh\xF0\x9F\x98\x80"
                         "abcdefgh"
                         "vi\xE1\xBB\x87t"),
            22u);
}

TEST(Surrounding, CharacterOffsets) {
  EXPECT_EQ(s::char_to_byte_offset(kViet, 3), 5u);
  EXPECT_EQ(s::char_to_byte_offset(kViet, 4), 6u);
  EXPECT_EQ(s::char_to_byte_offset(kViet, 5), nullopt);
  EXPECT_EQ(s::char_to_utf16_offset("\xF0\x9F\x98\x80"
                                    "a",
                                    1),
            2u);
  EXPECT_EQ(s::char_to_utf16_offset("\xF0\x9F\x98\x80"
                                    "a",
                                    2),
            3u);
  EXPECT_EQ(s::char_to_utf16_offset("\xF0\x9F\x98\x80"
                                    "a",
                                    3),
            nullopt);
  EXPECT_EQ(s::utf16_to_byte_offset("\xF0\x9F\x98\x80"
                                    "a",
                                    2),
            4u);
  EXPECT_EQ(s::next_codepoint("ab", 1), U'b');
  EXPECT_EQ(s::next_codepoint("ab", 2), nullopt);
  EXPECT_EQ(s::next_codepoint(kSmiley, 1), U'\U0001F600');
  EXPECT_EQ(s::next_codepoint(kSmiley, 2), nullopt);
}

TEST(Surrounding, WordCodepoints) {
  for (char32_t c :
       {U'_', U'7', U'a', U'Z', U'\u0110', U'\u00DF', U'\u00D7', U'\u0301', U'\u1EA1', U'\u024F'}) {
    EXPECT_TRUE(s::is_word_codepoint(c)) << static_cast<std::uint32_t>(c);
  }
  for (char32_t c :
       {U'-', U' ', U'\u00BF', U'\u03B1', U'\u2019', U'\u20AC', U'\u0250', U'\u1F00'}) {
    EXPECT_FALSE(s::is_word_codepoint(c)) << static_cast<std::uint32_t>(c);
  }
}

TEST(Surrounding, CheckReplace) {
  const string_view xin = "xin chao";
  struct Case {
    const char* name;
    string_view before;
    std::uint32_t u;
    s::Surrounding field;
    optional<s::VerifiedReplace> expected;
  };
  const Case cases[] = {
      {"matches", "chao", 4, {xin, 8, 8}, s::VerifiedReplace{"chao", 4, 4}},
      {"word character after the cursor", "chao", 4, {"xin chaox", 8, 8}, nullopt},
      {"space after the cursor",
       "chao",
       4,
       {"xin chao ti\xE1\xBA\xBFp", 8, 8},
       s::VerifiedReplace{"chao", 4, 4}},
      {"selection", "chao", 4, {xin, 8, 4}, nullopt},
      {"byte mismatch", "ch\xC3\xA0o", 4, {xin, 8, 8}, nullopt},
      {"empty before text", "", 4, {xin, 8, 8}, s::VerifiedReplace{"chao", 4, 4}},
      {"nothing to delete", "chao", 0, {xin, 8, 8}, nullopt},
      {"cursor off the text", "chao", 4, {xin, 9, 9}, nullopt},
      {"deletion longer than the field", "xin chao", 8, {"chao", 4, 4}, nullopt},
      {"before text shorter than the deletion", "ao", 4, {xin, 8, 8}, nullopt},
      {"astral character counted once",
       "a\xF0\x9F\x98\x80",
       3,
       {"xa\xF0\x9F\x98\x80", 4, 4},
       s::VerifiedReplace{"a\xF0\x9F\x98\x80", 3, 2}},
      {"cut inside a surrogate pair",
       "a\xF0\x9F\x98\x80",
       1,
       {"xa\xF0\x9F\x98\x80", 4, 4},
       nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(s::check_replace(c.before, c.u, c.field), c.expected) << c.name;
  }
}
