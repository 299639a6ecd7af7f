#include "qvl_core/charset.hpp"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sstream>

#include "charset_letters.hpp"
#include "qvl_core/internal_error.hpp"
#include "qvl_unicode/unicode.hpp"

namespace cs = qvl_core::charset;
namespace qu = qvl_unicode;

namespace {

// Each code page's bytes for LETTERS, one group per letter.
struct CodePage {
  std::string_view id;
  std::string_view groups;
};
constexpr CodePage CODE_PAGES[] = {
    {"tcvn3",
     "B5 B8 A2 B7 CC D0 A3 D7 DD DF E3 A4 E2 EF F3 FD B5 B8 A9 B7 CC D0 AA D7 DD DF E3 AB E2 EF F3 "
     "FD A1 A8 A7 AE DC DC F2 F2 A5 AC A6 AD B9 B9 B6 B6 CA CA C7 C7 C8 C8 C9 C9 CB CB BE BE BB BB "
     "BC BC BD BD C6 C6 D1 D1 CE CE CF CF D5 D5 D2 D2 D3 D3 D4 D4 D6 D6 D8 D8 DE DE E4 E4 E1 E1 E8 "
     "E8 E5 E5 E6 E6 E7 E7 E9 E9 ED ED EA EA EB EB EC EC EE EE F4 F4 F1 F1 F8 F8 F5 F5 F6 F6 F7 F7 "
     "F9 F9 FA FA FE FE FB FB FC FC"},
    {"vni_windows",
     "41D8 41D9 41C2 41D5 45D8 45D9 45C2 CC CD 4FD8 4FD9 4FC2 4FD5 55D8 55D9 59D9 61F8 61F9 61E2 "
     "61F5 65F8 65F9 65E2 EC ED 6FF8 6FF9 6FE2 6FF5 75F8 75F9 79F9 41CA 61EA D1 F1 D3 F3 55D5 75F5 "
     "D4 F4 D6 F6 41CF 61EF 41DB 61FB 41C1 61E1 41C0 61E0 41C5 61E5 41C3 61E3 41C4 61E4 41C9 61E9 "
     "41C8 61E8 41DA 61FA 41DC 61FC 41CB 61EB 45CF 65EF 45DB 65FB 45D5 65F5 45C1 65E1 45C0 65E0 "
     "45C5 65E5 45C3 65E3 45C4 65E4 C6 E6 D2 F2 4FCF 6FEF 4FDB 6FFB 4FC1 6FE1 4FC0 6FE0 4FC5 6FE5 "
     "4FC3 6FE3 4FC4 6FE4 D4D9 F4F9 D4D8 F4F8 D4DB F4FB D4D5 F4F5 D4CF F4EF 55CF 75EF 55DB 75FB "
     "D6D9 F6F9 D6D8 F6F8 D6DB F6FB D6D5 F6F5 D6CF F6EF 59D8 79F8 CE EE 59DB 79FB 59D5 79F5"},
    {"viscii",
     "C0 C1 C2 C3 C8 C9 CA CC CD D2 D3 D4 F5 D9 DA DD E0 E1 E2 E3 E8 E9 EA EC ED F2 F3 F4 F5 F9 FA "
     "FD C5 E5 D0 F0 CE EE 9D FB B4 BD BF DF 80 D5 C4 E4 84 A4 85 A5 86 A6 E7 E7 87 A7 81 A1 82 A2 "
     "C6 C6 C7 C7 83 A3 89 A9 CB EB 88 A8 8A AA 8B AB 8C AC 8D AD 8E AE 9B EF 98 B8 9A F7 99 F6 8F "
     "AF 90 B0 91 B1 92 B2 93 B5 95 BE 96 B6 97 B7 B3 DE 94 FE 9E F8 9C FC BA D1 BB D7 BC D8 FF E6 "
     "B9 F1 9F CF DC DC D6 D6 DB DB"},
    {"vps",
     "80 C1 C2 82 D7 C9 CA B5 B4 BC B9 D4 BE A8 DA DD E0 E1 E2 E3 E8 E9 EA EC ED F2 F3 F4 F5 F9 FA "
     "9A 88 E6 F1 C7 B8 EF AC DB F7 D6 D0 DC E5 E5 81 E4 83 C3 84 C0 85 C4 C5 C5 C6 C6 8D A1 8E A2 "
     "8F A3 F0 A4 A5 A5 CB CB DE C8 FE EB 90 89 93 8A 94 8B 95 CD 8C 8C B7 CC CE CE 86 86 BD D5 96 "
     "D3 97 D2 98 B0 99 87 B6 B6 9D A7 9E A9 9F AA A6 AB AE AE F8 F8 D1 FB AD D9 AF D8 B1 BA BB BB "
     "BF BF B2 FF 9C 9C FD 9B B3 CF"},
    {"bkhcm1",
     "81 80 9F 83 86 85 A5 8B 8A 90 8F AB 92 95 94 7B BF BE DD C1 C4 C3 E3 C9 C8 CE CD E9 D0 D3 D2 "
     "FB 99 D7 7D BD 8D CB 97 D5 B1 EF B7 F5 84 C2 82 C0 7E DE A1 DF A2 E0 A3 E1 A4 E2 9A D8 9B D9 "
     "9C DA 9D DB 98 DC 89 C7 87 C5 88 C6 A6 E4 A7 E5 A8 E6 A9 E7 AA E8 8C CA 8E CC 93 D1 91 CF AC "
     "EA AD EB AE EC AF ED B0 EE B2 F0 B3 F1 B4 F2 B5 F3 B6 F4 98 D6 96 D4 B8 F6 B9 F7 BA F8 BB F9 "
     "BC FA 5E FC 8E FF 60 FD 7C FE"},
    {"bkhcm2",
     "41C2 41C1 CA 41C4 45C2 45C1 CF D2 D1 4FC2 4FC1 D6 4FC4 55C2 55C1 59C1 61E2 61E1 EA 61E4 65E2 "
     "65E1 EF F2 F1 6FE2 6FE1 F6 6FE4 75E2 75E1 79E1 D9 F9 C0 E0 D4 F4 55C4 75E4 DA FA DB FB 41C5 "
     "61E5 41C3 61E3 CACB EAEB CACC EAEC CACD EAED CACE EAEE CAC5 EAE5 D9C6 F9E6 D9C7 F9E7 D9C8 "
     "F9E8 D9C9 F9E9 D9C5 F9E5 45C5 65E5 45C3 65E3 45C4 65E4 CFCB EFEB CFCC EFEC CFCD EFED CFCE "
     "EFEE CFE5 EFE5 D3 F3 D5 F5 4FC5 6FE5 4FC3 6FE3 D6CB F6EB D6CC F6EC D6CD F6ED D6CE F6EE D6C5 "
     "F6E5 DAC1 FAE1 DAC2 FAE2 DAC3 FAE3 DAC4 FAE4 DAC5 FAE5 55C5 75E5 55C3 75E3 DBC1 FBE1 DBC2 "
     "FBE2 DBC3 FBE3 DBC4 FBE4 DBC5 FBE5 59C2 79E2 59C5 79E5 59C3 79E3 59C4 79E4"},
    {"vietware_x",
     "41CC 41CF C1 41CE 45CC 45CF C3 C7 CA 4FCC 4FCF C4 4FCE 55CC 55CF 59CF 61EC 61EF E1 61EE 65EC "
     "65EF E3 E7 EA 6FEC 6FEF E4 6FEE 75EC 75EF 79EF C0 E0 C2 E2 C9 E9 55CE 75EE C5 E5 C6 E6 41DB "
     "61FB 41CD 61ED C1DA E1FA C1D6 E1F6 C1D8 E1F8 C1D9 E1F9 C1DB E1FB C0D5 E0F5 C0D2 E0F2 C0D3 "
     "E0F3 C0D4 E0F4 C0DB E0FB 45DB 65FB 45CD 65ED 45CE 65EE C3DA E3FA C3D6 E3F6 C3D8 E3F8 C3D9 "
     "E3F9 C3DB E3FB C8 E8 CB EB 4FDC 6FFC 4FCD 6FED C4DA E4FA C4D6 E4F6 C4D8 E4F8 C4D9 E4F9 C4DC "
     "E4FC C5CF E5EF C5CC E5EC C5CD E5ED C5CE E5EE C5DC E5FC 55DB 75FB 55CD 75ED C6CF E6EF C6CC "
     "E6EC C6CD E6ED C6CE E6EE C6DB E6FB 59CC 79EC 59D1 79F1 59CD 79ED 59CE 79EE"},
    {"vietware_full",
     "AA C0 97 BA CC CF 99 D8 DB DF E2 9A E1 EE F2 FC AA C0 A1 BA CC CF A3 D8 DB DF E2 A4 E1 EE F2 "
     "FC 96 9F 98 A2 DA DA F1 F1 9B A5 9C A7 C1 C1 B6 B6 CA CA C7 C7 C8 C8 C9 C9 CB CB C5 C5 C2 C2 "
     "C3 C3 C4 C4 C6 C6 D1 D1 CD CD CE CE D5 D5 D2 D2 D3 D3 D4 D4 D6 D6 D9 D9 DC DC E3 E3 E0 E0 E7 "
     "E7 E4 E4 E5 E5 E6 E6 E8 E8 EC EC E9 E9 EA EA EB EB ED ED F3 F3 EF EF F7 F7 F4 F4 F5 F5 F6 F6 "
     "F8 F8 F9 F9 FF FF FA FA FB FB"},
};

std::string letter(std::size_t k) { return qu::encode(LETTERS[k]); }

std::vector<std::string> parse_groups(std::string_view groups) {
  std::vector<std::string> out;
  std::istringstream in{std::string(groups)};
  std::string group;
  while (in >> group) {
    std::string bytes;
    for (std::size_t k = 0; k < group.size(); k += 2) {
      bytes.push_back(static_cast<char>(std::stoi(group.substr(k, 2), nullptr, 16)));
    }
    out.push_back(bytes);
  }
  return out;
}

std::string hex(std::string_view bytes) {
  std::string out;
  char buf[4];
  for (unsigned char b : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", b);
    out += buf;
  }
  return out;
}

constexpr std::string_view TIENG_VIET = "Tiếng Việt";

}  // namespace

TEST(CharsetNames, NormalizesSpellings) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"  VNI Windows ", "vni_windows"},
      {"Windows-1258", "cp1258"},
      {"Unicode Tổ Hợp", "unicode_nfd"},
      {"Unicode tổ hợp (NFD)", "unicode"},
      {"\u3000NFD\u00A0", "unicode_nfd"},  // Unicode white space is trimmed too
      {"TCVN3 (ABC)", "tcvn3"},
      {"ncr", "ncr_decimal"},
      {"Unicode C String Decimal", "cstring_decimal"},
      {"", "unicode"},
      {"latin1", "unicode"},
      {"vni-windows", "unicode"},
  };
  for (const auto& [name, id] : cases) EXPECT_EQ(cs::normalize(name), id) << name;
  for (std::string_view id : cs::CHARSET_IDS) EXPECT_EQ(cs::normalize(id), id);
}

TEST(CharsetNames, DisplayNamesLeadBackToTheirIdentifier) {
  EXPECT_EQ(cs::display_name("abc"), "TCVN3 (ABC)");
  EXPECT_EQ(cs::display_name("xyz"), "Unicode (NFC)");
  EXPECT_EQ(cs::display_name("nfd"), "Unicode tổ hợp (NFD)");
  for (std::string_view id : cs::CHARSET_IDS) {
    const auto name = cs::display_name(id);
    ASSERT_TRUE(name) << id;
    if (id != "unicode_nfd") {
      EXPECT_EQ(cs::normalize(*name), id);
    }
  }
}

TEST(CharsetNames, SingleByteCharsets) {
  std::set<std::string_view> single;
  for (std::string_view id : cs::CHARSET_IDS) {
    if (cs::is_single_byte(id)) single.insert(id);
  }
  EXPECT_EQ(single, (std::set<std::string_view>{"tcvn3", "vni_windows", "viscii", "vps", "bkhcm1",
                                                "bkhcm2", "vietware_x", "vietware_full"}));
  EXPECT_TRUE(cs::is_single_byte(" VNI"));
}

TEST(CharsetTables, HoldEveryLetterOfEveryCharset) {
  const cs::Tables& t = cs::tables();
  ASSERT_EQ(t.encoding.size(), 14u);
  ASSERT_EQ(t.decoding.size(), 14u);
  for (const auto& [id, table] : t.encoding) {
    EXPECT_EQ(table.map.size(), id == "ncr_hex" ? 102u : 134u) << id;
    for (char32_t c : LETTERS) {
      if (id != "ncr_hex" || c > 0xFF) {
        EXPECT_TRUE(table.map.contains(c)) << id;
      }
    }
  }
  EXPECT_EQ(t.decoding.at("viqr").max_len, 3u);
  EXPECT_EQ(t.decoding.at("tcvn3").max_len, 1u);
  EXPECT_TRUE(t.decoding.at("vni_windows").starts.contains(U'a'));
}

TEST(CharsetTables, CodePagesByteForByte) {
  for (const CodePage& page : CODE_PAGES) {
    const std::vector<std::string> groups = parse_groups(page.groups);
    ASSERT_EQ(groups.size(), LETTERS.size()) << page.id;
    for (std::size_t k = 0; k < LETTERS.size(); ++k) {
      const auto bytes = cs::encode_bytes(letter(k), page.id);
      ASSERT_TRUE(bytes) << page.id << " " << letter(k);
      EXPECT_EQ(hex(*bytes), hex(groups[k])) << page.id << " " << letter(k);
    }
  }
}

TEST(CharsetTables, DerivedCharsetsFollowTheirPattern) {
  struct Case {
    std::string_view letter, id, code;
  };
  const Case cases[] = {
      {"À", "ncr_decimal", "&#192;"},
      {"Ă", "ncr_decimal", "&#258;"},
      {"Ă", "ncr_hex", "&#x102;"},
      {"ạ", "ncr_hex", "&#x1EA1;"},
      {"À", "ncr_hex", "À"},  // at or below U+00FF: no entry
      {"À", "cstring_hex", "\\xC0"},
      {"Ạ", "cstring_hex", "\\x1EA0"},
      {"À", "cstring_decimal", "\\u192"},
      {"ữ", "viqr", "u+~"},
      {"Ấ", "viqr", "A^'"},
      {"đ", "viqr", "dd"},
      {"Đ", "viqr", "DD"},
      {"À", "cp1258", "AÌ"},
      {"ữ", "cp1258", "ýÞ"},
      {"Ơ", "cp1258", "Õ"},
      {"ặ", "cp1258", "ãò"},
  };
  for (const Case& c : cases) EXPECT_EQ(cs::encode(c.letter, c.id), c.code) << c.letter << c.id;
}

// Letters that share a code within a charset, and what the code reads as.
TEST(CharsetTables, SharedCodesDecodeAsTheTablesDecide) {
  const auto lower = [](char32_t c) { return qu::lower_single(c); };
  const std::u32string upper_own = U"ĂÂĐÊÔƠƯ";
  const std::u32string viscii_shared = U"ÕẪẲẴỴỶỸ";
  const std::u32string vps_shared = U"ẠẪẬẶẸỆỊỌỘỢỤỮỰỴ";
  const std::u32string bkhcm1_lost = U"ẶỤỊỴ";
  std::size_t checked = 0;
  for (std::string_view id : cs::CHARSET_IDS) {
    for (char32_t c : LETTERS) {
      if (id == "ncr_hex" && c <= 0xFF) continue;
      const std::string text = qu::encode(c);
      const std::string code = cs::encode(text, id);
      const std::string back = cs::decode(code, id);
      char32_t expected = c;
      const bool is_upper = lower(c) != c;
      if ((id == "tcvn3" || id == "vietware_full") && is_upper &&
          upper_own.find(c) == std::u32string::npos) {
        expected = lower(c);
      } else if ((id == "viscii" && viscii_shared.find(c) != std::u32string::npos) ||
                 (id == "vps" && vps_shared.find(c) != std::u32string::npos)) {
        expected = lower(c);
      }
      const bool lost = id == "bkhcm1" && bkhcm1_lost.find(c) != std::u32string::npos;
      EXPECT_EQ(back, lost ? code : qu::encode(expected)) << id << " " << text;
      if (cs::is_single_byte(id)) {
        const std::string bytes = *cs::encode_bytes(text, id);
        EXPECT_EQ(cs::decode_bytes(bytes, id), back) << id << " " << text;
      }
      ++checked;
    }
  }
  EXPECT_EQ(checked, 16u * 134u - 32u);
  EXPECT_EQ(cs::decode("˜Ž", "bkhcm1"), "˜Ž");
  EXPECT_EQ(cs::decode("µ", "tcvn3"), "à");
}

TEST(CharsetTables, VisciiControlCodesDecodeToUpperCase) {
  EXPECT_EQ(cs::decode("\x02\x05\x06\x14\x19\x1E\u00A0", "viscii"), "ẲẴẪỶỸỴÕ");
  EXPECT_EQ(cs::decode_bytes("\x02\x05\x06\x14\x19\x1E\xA0", "viscii"), "ẲẴẪỶỸỴÕ");
  // The encoder never writes control codes; it folds onto the lower-case code.
  EXPECT_EQ(cs::encode_bytes("Ẳ", "viscii"), cs::encode_bytes("ẳ", "viscii"));
  EXPECT_EQ(cs::decode("\x02", "tcvn3"), "\x02");
}

TEST(CharsetEncode, TiengVietInEveryCharset) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"viqr", "Tie^'ng Vie^.t"},
      {"ncr_decimal", "Ti&#7871;ng Vi&#7879;t"},
      {"ncr_hex", "Ti&#x1EBF;ng Vi&#x1EC7;t"},
      {"cstring_hex", "Ti\\x1EBFng Vi\\x1EC7t"},
      {"cstring_decimal", "Ti\\u7871ng Vi\\u7879t"},
      {"vni_windows", "Tieáng Vieät"},
      {"tcvn3", "TiÕng ViÖt"},
      {"unicode_nfd", "Tie\u0302\u0301ng Vie\u0323\u0302t"},
  };
  for (const auto& [id, code] : cases) {
    EXPECT_EQ(cs::encode(TIENG_VIET, id), code) << id;
  }
  for (std::string_view id : cs::CHARSET_IDS) {
    EXPECT_EQ(cs::decode(cs::encode(TIENG_VIET, id), id), TIENG_VIET) << id;
  }
  EXPECT_EQ(hex(*cs::encode_bytes("Tiếng Việt", "vni_windows")),
            "54 69 65 E1 6E 67 20 56 69 65 E4 74 ");
}

TEST(CharsetEncode, UnicodeFormsAndPassThrough) {
  EXPECT_EQ(cs::encode("a\u0300", "tcvn3"), "a\u0300");  // not normalised first
  EXPECT_EQ(cs::encode("à", "tcvn3"), "µ");
  EXPECT_EQ(cs::encode("a\u0300", "unicode"), "à");
  EXPECT_EQ(cs::encode("à", "nfd"), "a\u0300");
  EXPECT_EQ(cs::encode("x\xFFy", "tcvn3"), "x\uFFFDy");
  EXPECT_EQ(cs::encode("中文 😀", "vni"), "中文 😀");
}

TEST(CharsetEncode, ViqrEscapesPunctuationThatWouldReadAsAMark) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"a?", "a\\?"},   {"â?", "a^\\?"}, {"\\", "\\\\"},   {"ả?", "a??"},       {"A'", "A\\'"},
      {"u+", "u\\+"},   {"ư~", "u+\\~"}, {"a^'", "a\\^'"}, {"hỏi?", "ho?i\\?"}, {"x?", "x?"},
      {"e^.", "e\\^."}, {"1+1", "1+1"},  {"\\?", "\\\\?"},
  };
  for (const auto& [text, code] : cases) {
    EXPECT_EQ(cs::encode(text, "viqr"), code) << text;
    EXPECT_EQ(cs::decode(code, "viqr"), text) << code;
  }
}

TEST(CharsetEncode, BytesFailOutsideSingleByteCharsets) {
  for (std::string_view id : {"viqr", "cp1258", "ncr_hex", "unicode", "unicode_nfd"}) {
    EXPECT_FALSE(cs::encode_bytes("Việt", id)) << id;
  }
  EXPECT_EQ(hex(*cs::encode_bytes("Việt", "tcvn3")), "56 69 D6 74 ");
  EXPECT_EQ(cs::encode_bytes("", "tcvn3"), "");
  // € is byte 80, where tcvn3 has no letter.
  EXPECT_EQ(hex(*cs::encode_bytes("Việt €", "tcvn3")), "56 69 D6 74 20 80 ");
  EXPECT_FALSE(cs::encode_bytes("中", "tcvn3"));
  EXPECT_FALSE(cs::encode_bytes("\u0080", "viscii"));  // a C1 control has no byte here
  EXPECT_EQ(hex(*cs::encode_bytes("Ạ", "viscii")), "80 ");
  EXPECT_EQ(hex(*cs::encode_bytes("\u0081\u00FF", "vps")), "81 FF ");
}

TEST(CharsetDecode, EscapesAndUnmappedSequences) {
  const std::tuple<std::string_view, std::string_view, std::string_view> cases[] = {
      {"a?", "viqr", "ả"},
      {"a\\?", "viqr", "a?"},
      {"\\\\", "viqr", "\\"},
      {"A`", "viqr", "À"},
      {"\\a", "viqr", "\\a"},
      {"a\\", "viqr", "a\\"},
      {"DD dd Dd", "viqr", "Đ đ Dd"},
      {"&#192;&#xC0;&#258;", "ncr_decimal", "À&#xC0;Ă"},
      {"&#x102;", "ncr_hex", "Ă"},
      {"&#xC0;", "ncr_hex", "&#xC0;"},
      {"&#19", "ncr_decimal", "&#19"},
      {"\\u7879t", "cstring_decimal", "ệt"},
      {"A\u0300", "unicode", "À"},
      {"A\u0300", "no such charset", "À"},
      {"Vie\u0323\u0302t", "unicode_nfd", "Việt"},
      {"ViÖt", "tcvn3", "Việt"},
      {"a\xFF", "tcvn3", "a\uFFFD"},
  };
  for (const auto& [text, id, expected] : cases) {
    EXPECT_EQ(cs::decode(text, id), expected) << text << " " << id;
  }
}

TEST(CharsetDecode, BytesReadAsTheTablesWriteThem) {
  EXPECT_EQ(cs::decode_bytes("\x56\x69\xD6\x74", "tcvn3"), "Việt");
  EXPECT_EQ(cs::decode_bytes("\x80", "viscii"), "Ạ");
  EXPECT_EQ(cs::decode_bytes("\x81", "viscii"), "Ắ");
  EXPECT_EQ(cs::decode_bytes("\x80", "tcvn3"), "€");  // no letter: the character of the byte
  EXPECT_EQ(cs::decode_bytes("\x80\xC0", "unicode"), "\u0080À");
  EXPECT_EQ(cs::decode_bytes("\xE2\xEC", "cp1258"), "ấ");
  EXPECT_EQ(cs::decode_bytes(std::string_view("a\0b", 3), "tcvn3"), std::string("a\0b", 3));
}

TEST(CharsetDecode, RandomInputGivesWellFormedNfc) {
  std::mt19937 rng(1258);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 40; ++round) {
    std::string bytes(64 + round * 8, '\0');
    for (char& b : bytes) b = static_cast<char>(byte(rng));
    // Bias towards code characters: escapes, marks and letters.
    for (std::size_t k = 0; k < bytes.size(); k += 7) bytes[k] = "\\&#x;u+^('`?~.aedD"[k % 18];
    for (std::string_view id : cs::CHARSET_IDS) {
      for (const std::string& out : {cs::decode_bytes(bytes, id), cs::decode(bytes, id)}) {
        EXPECT_TRUE(qu::is_valid_utf8(out)) << id;
        EXPECT_TRUE(qu::is_nfc(out)) << id;
      }
    }
  }
}

TEST(CharsetDetect, RanksCandidates) {
  using Ids = std::vector<std::string_view>;
  EXPECT_EQ(cs::detect("TiÕng ViÖt"), (Ids{"tcvn3", "vni_windows", "viscii", "vps", "bkhcm1",
                                           "bkhcm2", "vietware_full", "cp1258"}));
  EXPECT_EQ(cs::detect("Tieáng Vieät"), (Ids{"tcvn3", "vni_windows", "viscii", "vps", "bkhcm1",
                                             "bkhcm2", "vietware_x", "vietware_full"}));
  EXPECT_EQ(cs::detect("Ti&#7871;ng Vi&#7879;t"), (Ids{"ncr_decimal"}));
  EXPECT_EQ(cs::detect("Tie^'ng Vie^.t"), (Ids{"bkhcm1", "viqr"}));
  EXPECT_EQ(cs::detect("hello"), Ids{});
  EXPECT_EQ(cs::detect(""), Ids{});
  EXPECT_EQ(cs::detect("e\u0301").size(), 14u);  // not NFC: every decoding changes it
}

TEST(CharsetConvert, DecodesThenEncodes) {
  EXPECT_EQ(cs::convert("Tieáng Vieät", "vni", "viqr"), "Tie^'ng Vie^.t");
  EXPECT_EQ(cs::convert("TiÕng ViÖt", "tcvn3", "nfd"), qu::nfd(TIENG_VIET));
  EXPECT_EQ(cs::convert("Tie^'ng Vie^.t", "viqr", "unicode"), TIENG_VIET);
}

TEST(CharsetParse, CorruptDocumentsAreInternalErrors) {
  for (std::string_view doc : {"", "{", "[]", "{\"charsets\": []}", "{\"charsets\":{\"x\":1}",
                               "{\"charsets\":{\"a\":{\"map\":{\"\xFF\":\"x\"}}}}"}) {
    try {
      cs::parse_tables(doc);
      ADD_FAILURE() << "accepted: " << doc;
    } catch (const qvl_core::InternalError& e) {
      EXPECT_STREQ(e.what(), "charsets.json hỏng");
    }
  }
}

TEST(CharsetParse, GroupsSharedCodes) {
  const cs::Tables t = cs::parse_tables(R"({"charsets": {
      "viscii": {"map": {"à": "1", "À": "1", "á": "2", "ḅ": "2", "ã": "3", "Ã": "3", "ả": "3",
                         "â": "45", "": "6", "ẩ": 7}},
      "other": {"name": 5, "map": {"ét": "9"}}}})");
  const cs::DecodeTable& d = t.decoding.at("viscii");
  EXPECT_EQ(d.map.at("1"), U'à');     // upper/lower pair: lower
  EXPECT_FALSE(d.map.contains("2"));  // unrelated letters
  EXPECT_FALSE(d.map.contains("3"));  // three letters
  EXPECT_EQ(d.map.at("\x02"), U'Ẳ');  // the real VISCII code, added for viscii only
  EXPECT_EQ(d.max_len, 2u);
  EXPECT_TRUE(d.starts.contains(U'4') && !d.starts.contains(U'5'));
  EXPECT_EQ(t.encoding.at("viscii").map.size(), 8u);
  EXPECT_EQ(t.encoding.at("other").name, "other");
  EXPECT_EQ(t.encoding.at("other").map.at(U'é'), "9");
  EXPECT_FALSE(t.decoding.at("other").map.contains("\x02"));
}

// Converting a stream piece by piece, cut where split_point says, gives what
// converting it whole gives.
TEST(CharsetStream, SplitPointsNeverChangeTheResult) {
  const std::string text =
      "Đường đi khó, không khó vì ngăn sông cách núi?\nMà khó vì lòng người ngại núi e sông. "
      "a? â? \\ dd DD &#7871; 1+1=2, ỦY BAN; xã hội: ông bà\tchị em.";
  std::mt19937 rng(7);
  for (std::string_view from : cs::CHARSET_IDS) {
    const bool bytes = cs::is_single_byte(from);
    const std::string input = bytes ? *cs::encode_bytes(text, from) : cs::encode(text, from);
    const auto whole = [&](std::string_view s, std::string_view to) {
      const std::string u = bytes ? cs::decode_bytes(s, from) : cs::decode(s, from);
      return cs::encode(u, to);
    };
    for (std::string_view to : {"unicode", "viqr", "vni_windows", "unicode_nfd"}) {
      std::string pending, out;
      for (std::size_t pos = 0; pos < input.size();) {
        const std::size_t n = std::uniform_int_distribution<std::size_t>(1, 9)(rng);
        pending += input.substr(pos, n);
        pos += n;
        const std::size_t cut = cs::split_point(pending, from);
        out += whole(std::string_view(pending).substr(0, cut), to);
        pending.erase(0, cut);
      }
      out += whole(pending, to);
      EXPECT_EQ(out, whole(input, to)) << from << " → " << to;
    }
  }
  EXPECT_EQ(cs::split_point("a^'", "viqr"), 0u);  // marks continue the code
  EXPECT_EQ(cs::split_point("ab", "viqr"), 1u);
  EXPECT_EQ(cs::split_point("&#78", "ncr"), 0u);
}
