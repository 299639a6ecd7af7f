#include "qvl_core/emoji.hpp"

#include <gtest/gtest.h>

#include <set>

#include "qvl_unicode/unicode.hpp"

namespace em = qvl_core::emoji;

namespace {

std::vector<std::string> names(std::string_view query, std::size_t limit) {
  std::vector<std::string> out;
  for (const em::Match& m : em::search(query, limit)) {
    out.push_back(std::string(m.emoji) + " " + std::string(m.name));
  }
  return out;
}

using Names = std::vector<std::string>;

}  // namespace

TEST(EmojiTable, RowsAreWellFormed) {
  std::set<std::string_view> seen;
  for (const em::Emoji& e : em::EMOJI_TABLE) {
    EXPECT_TRUE(seen.insert(e.emoji).second) << e.emoji;
    EXPECT_TRUE(qvl_unicode::is_nfc(e.name)) << e.name;
    for (unsigned char b : e.keywords) EXPECT_LT(b, 0x80) << e.keywords;
  }
  EXPECT_EQ(em::EMOJI_TABLE[67].emoji, "\U0001F1FB\U0001F1F3");
  EXPECT_EQ(em::EMOJI_TABLE[24].emoji, "\u2764\uFE0F");
}

TEST(EmojiSearch, OrdersByRankThenNameLength) {
  EXPECT_EQ(names("cuoi", 4),
            (Names{"🤣 cười lăn", "😁 cười tươi", "😊 cười hiền", "😅 cười ngượng"}));
  EXPECT_EQ(names(" Cười\t", 3), (Names{"🤣 cười lăn", "😁 cười tươi", "😊 cười hiền"}));
  EXPECT_EQ(names("CƯỜI", 3), names("cuoi", 3));
  EXPECT_EQ(names("cuoi", 100).back(), "😀 mặt cười");  // rank 1: "cuoi" not at the start
  EXPECT_EQ(names("mat", 5), (Names{"🌞 mặt trời", "😀 mặt cười", "🌙 mặt trăng", "😍 mắt trái tim",
                                    "🥺 mắt long lanh"}));
  EXPECT_EQ(names("hoa", 5), (Names{"🌹 hoa hồng", "🌸 hoa anh đào", "📱 điện thoại"}));
  EXPECT_EQ(names("love", 5),
            (Names{"💔 tim vỡ", "❤️ trái tim", "🥰 yêu thương", "😍 mắt trái tim"}));
  EXPECT_EQ(names("Việt Nam", 5), (Names{"🇻🇳 Việt Nam"}));
}

TEST(EmojiSearch, EmptyQueriesAndLimits) {
  EXPECT_EQ(names("", 2), (Names{"😀 mặt cười", "😁 cười tươi"}));
  EXPECT_EQ(names(" \u3000 ", 2), (Names{"😀 mặt cười", "😁 cười tươi"}));
  EXPECT_EQ(em::search("", 1000).size(), 68u);
  EXPECT_TRUE(em::search("cuoi", 0).empty());
  EXPECT_TRUE(em::search("", 0).empty());
  EXPECT_TRUE(em::search("xyz", 10).empty());
}
