// Cross-checks against glibc's own VISCII and Windows-1258 converters.
#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>

#include "charset_letters.hpp"
#include "qvl_core/charset.hpp"
#include "qvl_unicode/unicode.hpp"

namespace cs = qvl_core::charset;
namespace qu = qvl_unicode;

namespace {

std::optional<std::string> iconv_convert(const char* to, const char* from, std::string in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 4 + 16, '\0');
  char* src = in.data();
  std::size_t src_left = in.size();
  char* dst = out.data();
  std::size_t dst_left = out.size();
  std::optional<std::string> result;
  if (iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<std::size_t>(-1) &&
      iconv(cd, nullptr, nullptr, &dst, &dst_left) != static_cast<std::size_t>(-1)) {
    out.resize(out.size() - dst_left);
    result = out;
  }
  iconv_close(cd);
  return result;
}

// Our code of a letter as bytes: cp1258's codes are characters U+0000–U+00FF.
std::string our_bytes(std::string_view letter, std::string_view id) {
  if (cs::is_single_byte(id)) return *cs::encode_bytes(letter, id);
  std::string bytes;
  qu::for_each_char(cs::encode(letter, id),
                    [&](char32_t c) { bytes.push_back(static_cast<char>(c)); });
  return bytes;
}

class IconvCrossCheck : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (!iconv_convert(GetParam(), "UTF-8", "a")) GTEST_SKIP() << "iconv lacks " << GetParam();
  }
  std::string_view id() const {
    return std::string_view(GetParam()) == "VISCII" ? "viscii" : "cp1258";
  }
};

TEST_P(IconvCrossCheck, OurCodesReadBackThroughIconv) {
  // VISCII has codes of their own for these; the tables fold them onto the
  // lower-case code, so iconv reads them back in lower case.
  const std::u32string folded = id() == "viscii" ? U"ÕẪẲẴỴỶỸ" : U"";
  for (char32_t c : LETTERS) {
    const std::string letter = qu::encode(c);
    const auto back = iconv_convert("UTF-8", GetParam(), our_bytes(letter, id()));
    ASSERT_TRUE(back) << letter;
    const bool fold = folded.find(c) != std::u32string::npos;
    EXPECT_EQ(qu::nfc(*back), qu::encode(fold ? qu::lower_single(c) : c)) << letter;
  }
}

TEST_P(IconvCrossCheck, IconvCodesReadBackThroughUs) {
  for (char32_t c : LETTERS) {
    const std::string letter = qu::encode(c);
    const auto bytes = iconv_convert(GetParam(), "UTF-8", letter);
    ASSERT_TRUE(bytes) << letter;
    EXPECT_EQ(cs::decode_bytes(*bytes, id()), letter) << letter;
  }
}

INSTANTIATE_TEST_SUITE_P(Glibc, IconvCrossCheck, testing::Values("VISCII", "CP1258"));

}  // namespace
