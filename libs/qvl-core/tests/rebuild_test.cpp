#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "qvl_core/diff.hpp"
#include "qvl_core/transform.hpp"
#include "qvl_unicode/unicode.hpp"

namespace {

using namespace qvl_core::transform;
using qvl_core::rules::TELEX;
using qvl_core::rules::VIQR;
using qvl_core::rules::VNI;

ComposeOptions with_style(ToneStyle style) {
  ComposeOptions o;
  o.tone_style = style;
  o.spell_check = true;
  o.w_as_u = true;
  o.bracket_keys = false;
  o.quick_telex = false;
  o.allow_coda_k = false;
  return o;
}

TEST(ToRaw, EmitsLettersMarksThenTheTone) {
  struct Case {
    const InputMethodSpec& spec;
    const char* text;
    std::optional<std::string> keys;
  };
  const Case cases[] = {
      {TELEX, "người", "nguwowif"},
      {TELEX, "việt", "vieetj"},
      {TELEX, "Đà", "DDaf"},
      {TELEX, "ĐẦU", "DDAAUf"},  // tone keys are emitted as they are
      {TELEX, "oo", "ooo"},
      {TELEX, "ôo", "ooo"},  // only two plain letters need the extra key
      {TELEX, "x", "x"},
      {TELEX, "", ""},
      {TELEX, "ab1", std::nullopt},
      {TELEX, "ü", "u"},  // foreign marks are not typed
      {TELEX, "ß", std::nullopt},
      {VNI, "người", "ngu7o7i2"},
      {VNI, "việt", "vie6t5"},
      {VNI, "Â", "A6"},
      {VNI, "aa", "aa"},
      {VIQR, "việt", "vie^t."},
      {VIQR, "Đường", "DDu+o+ng`"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(to_raw(c.text, c.spec), c.keys) << c.spec.name << " " << c.text;
  }
}

TEST(Rebuild, GivesKeysOnlyWhenTheyTypeTheTextBack) {
  const ComposeOptions o = with_style(ToneStyle::New);
  EXPECT_EQ(rebuild("việ", TELEX, o), U"vieej");
  EXPECT_EQ(rebuild("hoà", TELEX, o), U"hoaf");
  EXPECT_EQ(rebuild("hòa", TELEX, o), std::nullopt);  // the new style puts it on a
  EXPECT_EQ(rebuild("hòa", TELEX, with_style(ToneStyle::Old)), U"hoaf");
  EXPECT_EQ(rebuild("dd", TELEX, o), std::nullopt);  // its keys type đ
  EXPECT_EQ(rebuild("aa", TELEX, o), U"aaa");
  EXPECT_EQ(rebuild("ab1", TELEX, o), std::nullopt);
}

TEST(Diff, KeepsTheCommonPrefixInCharacters) {
  struct Case {
    const char* old_text;
    const char* new_text;
    const char* insert;
    std::size_t remove;
  };
  const Case cases[] = {
      {"viêt", "việt", "ệt", 2},
      {"ma", "má", "á", 1},
      {"", "a", "a", 0},
      {"abc", "ab", "", 1},
      {"same", "same", "", 0},
      {"ươ", "ư", "", 1},
      // ê and ệ share their first byte: the prefix must not split a character.
      {"ê", "ệ", "ệ", 1},
      // Two different ill-formed bytes are two different characters.
      {"a\x80", "a\x81", "\x81", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(qvl_core::diff(c.old_text, c.new_text), (qvl_core::TextEdit{c.insert, c.remove}))
        << c.old_text << " → " << c.new_text;
  }
}

// A letter of the Vietnamese alphabet, in either case, with any tone.
bool is_vietnamese_letter(char32_t c) {
  const vi_syllable::DecomposedChar d = vi_syllable::decompose_char(c);
  if (std::u32string_view(U"abcdeghiklmnopqrstuvxy").find(d.base) == std::u32string_view::npos) {
    return false;
  }
  if (vi_syllable::compose_char(d.base, d.mark, d.tone, d.upper) != c) return false;
  const bool vowel = std::u32string_view(U"aeiouy").find(d.base) != std::u32string_view::npos;
  if (d.tone != 0 && !vowel) return false;
  if (!d.mark) return true;
  switch (*d.mark) {
    case vi_syllable::Mark::Circumflex:
      return d.base == U'a' || d.base == U'e' || d.base == U'o';
    case vi_syllable::Mark::Breve:
      return d.base == U'a';
    case vi_syllable::Mark::Horn:
      return d.base == U'o' || d.base == U'u';
    case vi_syllable::Mark::Stroke:
      return d.base == U'd';
  }
  return false;
}

std::vector<std::string> hunspell_words() {
  std::vector<std::string> words;
  std::ifstream in(QUORVEL_HUNSPELL_DIC);
  std::string line;
  std::getline(in, line);  // the count
  while (std::getline(in, line)) {
    if (auto slash = line.find('/'); slash != std::string::npos) line.resize(slash);
    const std::u32string chars = qvl_unicode::decode(line);
    if (!chars.empty() && std::all_of(chars.begin(), chars.end(), is_vietnamese_letter)) {
      words.push_back(line);
    }
  }
  return words;
}

// Why a dictionary word may not come back, or nothing when it does.
std::string failure(const std::string& word, const InputMethodSpec& spec) {
  std::string why = "no keys";
  for (ToneStyle style : {ToneStyle::New, ToneStyle::Old}) {
    const ComposeOptions o = with_style(style);
    const auto keys = rebuild(word, spec, o);
    if (!keys) continue;
    const ComposeResult r = transform(*keys, spec, o, true);
    if (r.text == word && !r.restored) return {};
    why = "restored at the end";
  }
  return why;
}

// The one accepted reason for a dictionary word not to come back: it is no
// finished syllable by the grammar (palăng, têt, basoi, or ASCII, which Telex
// reads as Á + CII). Any other failure is a fault.
bool is_syllable(const std::string& word) {
  const auto [plain, tone] = vi_syllable::strip_tone(qvl_unicode::to_lower(word));
  return vi_syllable::check_final(plain, tone, false) == vi_syllable::SyllableStatus::Valid;
}

TEST(Rebuild, HunspellWordsTypeBack) {
  const std::vector<std::string> words = hunspell_words();
  if (words.empty()) GTEST_SKIP() << "no " << QUORVEL_HUNSPELL_DIC;
  for (const InputMethodSpec* spec : {&TELEX, &VNI, &VIQR}) {
    std::size_t passed = 0;
    for (const std::string& w : words) {
      const std::string why = failure(w, *spec);
      if (why.empty()) {
        ++passed;
      } else {
        EXPECT_FALSE(is_syllable(w)) << spec->name << " " << w << ": " << why;
      }
    }
    RecordProperty(std::string(spec->name),
                   testing::PrintToString(passed) + " of " + testing::PrintToString(words.size()));
  }
}

}  // namespace
