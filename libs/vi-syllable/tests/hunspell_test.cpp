// Every word of Debian's Vietnamese hunspell dictionary written in Vietnamese
// letters must be a finished syllable, apart from a reasoned list.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "qvl_unicode/unicode.hpp"
#include "vi_syllable/vi_syllable.hpp"

namespace vi_syllable {
namespace {

// A letter of the Vietnamese alphabet in either case, bearing at most its
// own vowel mark and a tone on a vowel (so no f, j, w, z, ü, î).
bool is_vietnamese_letter(char32_t c) {
  const DecomposedChar d = decompose_char(c);
  if (compose_char(d.base, d.mark, d.tone, d.upper) != c) return false;
  if (std::u32string_view(U"abcdeghiklmnopqrstuvxy").find(d.base) == std::u32string_view::npos)
    return false;
  const bool vowel = std::u32string_view(U"aeiouy").find(d.base) != std::u32string_view::npos;
  if (d.tone != 0 && !vowel) return false;
  if (!d.mark) return true;
  switch (*d.mark) {
    case Mark::Circumflex:
      return d.base == U'a' || d.base == U'e' || d.base == U'o';
    case Mark::Breve:
      return d.base == U'a';
    case Mark::Horn:
      return d.base == U'o' || d.base == U'u';
    case Mark::Stroke:
      return d.base == U'd';
  }
  return false;
}

// Dictionary entries that are no Vietnamese syllable, with the reason.
const std::map<std::string_view, std::string_view>& exceptions() {
  static const std::map<std::string_view, std::string_view> list = {
      // Abbreviations and initialisms.
      {"ABC", "abbreviation"},
      {"ASCII", "abbreviation"},
      {"HCM", "abbreviation"},
      {"HK", "abbreviation"},
      {"HTML", "abbreviation"},
      {"HĐND", "abbreviation"},
      {"LHQ", "abbreviation"},
      {"PNG", "abbreviation"},
      {"TCVN", "abbreviation"},
      {"TV", "abbreviation"},
      {"Tp", "abbreviation (thành phố)"},
      {"UBND", "abbreviation"},
      {"URL", "abbreviation"},
      {"VIQR", "abbreviation"},
      {"VISCII", "abbreviation"},
      {"VN", "abbreviation"},
      {"VNI", "abbreviation"},
      {"v", "abbreviation (v.v.), a bare initial"},
      // Foreign words and loans written as one word of several syllables.
      {"Telex", "foreign word"},
      {"Unicode", "foreign word"},
      {"email", "foreign word"},
      {"internet", "foreign word"},
      {"intranet", "foreign word"},
      {"tout", "foreign word"},
      {"basoi", "loan of several syllables"},
      {"gram", "loan with a consonant cluster"},
      {"palăng", "loan of several syllables"},
      {"tivi", "loan of several syllables"},
      // Loans that break the spelling rules (native spelling: ghen, ca).
      {"gen", "loan: g before e"},
      {"ka", "loan: k before a"},
      // Stop codas without sắc or nặng; the toned words are listed too.
      {"gip", "stop coda without tone (gíp is listed)"},
      {"têt", "stop coda without tone (tết is listed)"},
      {"xit", "stop coda without tone (xít, xịt are listed)"},
  };
  return list;
}

std::vector<std::string> dictionary_words(const char* path) {
  std::vector<std::string> words;
  std::ifstream in(path);
  std::string line;
  // The first line is the word count; flags follow a slash.
  for (bool first = true; std::getline(in, line); first = false) {
    if (first) continue;
    if (const auto slash = line.find('/'); slash != std::string::npos) line.resize(slash);
    if (!line.empty()) words.push_back(line);
  }
  return words;
}

TEST(HunspellTest, VietnameseWordsAreFinishedSyllables) {
  const std::vector<std::string> words = dictionary_words(QUORVEL_HUNSPELL_DIC);
  if (words.empty()) GTEST_SKIP() << "no hunspell-vi dictionary at " << QUORVEL_HUNSPELL_DIC;

  std::size_t vietnamese = 0;
  std::size_t listed = 0;
  for (const std::string& word : words) {
    bool letters = true;
    qvl_unicode::for_each_char(word,
                               [&](char32_t c) { letters = letters && is_vietnamese_letter(c); });
    if (!letters) continue;
    ++vietnamese;
    const auto [stripped, tone] = strip_tone(qvl_unicode::to_lower(word));
    const SyllableStatus status = check_final(stripped, tone, false);
    const auto exception = exceptions().find(word);
    if (exception != exceptions().end()) {
      ++listed;
      EXPECT_NE(status, SyllableStatus::Valid) << word << " is listed as " << exception->second;
    } else {
      EXPECT_EQ(status, SyllableStatus::Valid)
          << word << " (" << stripped << ", tone " << int(tone) << ")";
    }
  }
  // Most of the dictionary is Vietnamese; an empty filter would prove nothing.
  EXPECT_GT(vietnamese, words.size() * 9 / 10);
  EXPECT_GT(listed, 0u);
}

}  // namespace
}  // namespace vi_syllable
