#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "qvl_core/internal_error.hpp"
#include "qvl_core/transform.hpp"
#include "qvl_unicode/unicode.hpp"

namespace {

using namespace qvl_core::transform;
using qvl_core::rules::SIMPLE_TELEX;
using qvl_core::rules::TELEX;
using qvl_core::rules::VIQR;
using qvl_core::rules::VNI;

constexpr auto VALID = SyllableStatus::Valid;
constexpr auto INCOMPLETE = SyllableStatus::Incomplete;
constexpr auto INVALID = SyllableStatus::Invalid;

ComposeOptions options(void (*change)(ComposeOptions&) = nullptr) {
  ComposeOptions o;
  o.tone_style = ToneStyle::New;
  o.spell_check = true;
  o.w_as_u = true;
  o.bracket_keys = false;
  o.quick_telex = false;
  o.allow_coda_k = false;
  if (change != nullptr) change(o);
  return o;
}

const ComposeOptions STD = options();
const ComposeOptions OLD = options([](ComposeOptions& o) { o.tone_style = ToneStyle::Old; });
const ComposeOptions NO_SPELL = options([](ComposeOptions& o) { o.spell_check = false; });
const ComposeOptions NO_W = options([](ComposeOptions& o) { o.w_as_u = false; });
const ComposeOptions BRACKET = options([](ComposeOptions& o) { o.bracket_keys = true; });
const ComposeOptions QUICK = options([](ComposeOptions& o) { o.quick_telex = true; });
const ComposeOptions CODA_K = options([](ComposeOptions& o) { o.allow_coda_k = true; });

struct Row {
  const InputMethodSpec* spec;
  const ComposeOptions* opts;
  const char* keys;
  bool final;
  const char* text;
  const char* alternative;
  bool restored;
  SyllableStatus status;
};

std::u32string keys_of(std::string_view utf8) { return qvl_unicode::decode(utf8); }

// One row per rule of the step and of the finishing.
const Row ROWS[] = {
    // Whole words in each convention.
    {&TELEX, &STD, "vieetj", false, "việt", "", false, VALID},
    {&TELEX, &STD, "truwowngf", true, "trường", "", false, VALID},
    {&TELEX, &STD, "quyeenf", true, "quyền", "", false, VALID},
    {&TELEX, &STD, "ddaay", true, "đây", "", false, VALID},
    {&TELEX, &STD, "Vieetj", false, "Việt", "", false, VALID},
    {&TELEX, &STD, "VIEETJ", false, "VIỆT", "", false, VALID},
    {&VNI, &STD, "vie65t", true, "việt", "", false, VALID},
    {&VIQR, &STD, "vie^t.", true, "việt", "", false, VALID},
    {&VIQR, &STD, "ddu+o+`ng", true, "đường", "", false, VALID},
    {&SIMPLE_TELEX, &STD, "w", false, "w", "", false, INVALID},
    // Tone keys: set, replace, refuse on a stop coda, swallow, undo.
    {&TELEX, &STD, "mas", false, "má", "", false, VALID},
    {&TELEX, &STD, "mafs", false, "má", "", false, VALID},
    {&TELEX, &STD, "mass", false, "mas", "mas", false, INVALID},
    {&TELEX, &STD, "masss", false, "mass", "mass", false, INVALID},
    {&TELEX, &STD, "masts", false, "mát", "", false, VALID},
    {&TELEX, &STD, "hoocf", true, "hoocf", "", true, INVALID},
    {&TELEX, &STD, "hocf", true, "hocf", "", false, INVALID},
    {&TELEX, &STD, "sa", false, "sa", "", false, VALID},
    {&TELEX, &STD, "qus", false, "qú", "", false, INCOMPLETE},
    {&TELEX, &OLD, "hoaf", false, "hòa", "", false, VALID},
    {&TELEX, &STD, "hoaf", false, "hoà", "", false, VALID},
    // Remove key: the tone first, then the marks; nothing to remove is a letter.
    {&TELEX, &STD, "masz", false, "ma", "", false, VALID},
    {&TELEX, &STD, "aaz", false, "a", "", false, VALID},
    {&TELEX, &STD, "ddaaz", false, "đa", "", false, VALID},
    {&TELEX, &STD, "maz", false, "maz", "", false, INVALID},
    {&VNI, &STD, "a0", false, "a0", "", false, INVALID},
    // Mark keys: undo by repetition, pairs, deferred and open strokes.
    {&TELEX, &STD, "aa", false, "â", "", false, INCOMPLETE},
    {&TELEX, &STD, "aaa", false, "aa", "", false, INVALID},
    {&TELEX, &STD, "aaaa", false, "aaa", "", false, INVALID},
    {&TELEX, &STD, "dd", true, "đ", "", false, INCOMPLETE},
    {&TELEX, &STD, "ddd", true, "dd", "", false, INVALID},
    {&TELEX, &STD, "dad", false, "đa", "", false, VALID},
    {&TELEX, &STD, "add", true, "add", "", false, INVALID},
    {&TELEX, &STD, "huow", false, "huơ", "", false, VALID},
    {&TELEX, &STD, "huoww", false, "hươ", "", false, INCOMPLETE},
    {&TELEX, &STD, "huowww", false, "huow", "", false, INVALID},
    {&TELEX, &STD, "nguowif", false, "người", "", false, VALID},
    {&TELEX, &STD, "uwo", false, "ươ", "", false, INCOMPLETE},
    {&TELEX, &STD, "tower", true, "tower", "", true, INVALID},
    {&TELEX, &NO_SPELL, "tower", true, "tởe", "", false, INVALID},
    {&TELEX, &STD, "xoaw", false, "xoă", "", false, INCOMPLETE},
    {&TELEX, &STD, "xoaw", true, "xoaw", "", true, INCOMPLETE},
    {&TELEX, &STD, "truwow", true, "trươ", "", false, INCOMPLETE},
    {&TELEX, &STD, "vieet", true, "vieet", "", true, INVALID},
    {&TELEX, &STD, "user", true, "ủe", "", false, INCOMPLETE},
    {&TELEX, &STD, "ddawks", true, "ddawks", "", true, INVALID},
    {&TELEX, &CODA_K, "ddawks", true, "đắk", "", false, VALID},
    // Standalone and insert keys.
    {&TELEX, &STD, "tw", false, "tư", "", false, VALID},
    {&TELEX, &NO_W, "tw", false, "tw", "", false, INVALID},
    {&TELEX, &STD, "W", false, "Ư", "", false, VALID},
    {&TELEX, &STD, "ww", false, "w", "w", false, INVALID},
    {&TELEX, &STD, "waw", false, "waw", "waw", false, INVALID},
    {&TELEX, &BRACKET, "[", false, "ơ", "", false, VALID},
    {&TELEX, &BRACKET, "T]", false, "Tư", "", false, VALID},
    {&TELEX, &STD, "t]", false, "t]", "", false, INVALID},
    // Quick Telex needs a one-letter word.
    {&TELEX, &QUICK, "nn", false, "ng", "", false, INCOMPLETE},
    {&TELEX, &QUICK, "Nn", false, "Ng", "", false, INCOMPLETE},
    {&TELEX, &QUICK, "NN", false, "NG", "", false, INCOMPLETE},
    {&TELEX, &QUICK, "nnn", false, "nnn", "", true, INVALID},
    {&TELEX, &QUICK, "qqa", true, "qua", "", false, VALID},
    {&TELEX, &STD, "nn", false, "nn", "", false, INVALID},
    // VNI digits.
    {&VNI, &STD, "a6", false, "â", "", false, INCOMPLETE},
    {&VNI, &STD, "a66", false, "a6", "", true, INVALID},
    {&VNI, &STD, "a12", false, "a12", "", true, INVALID},
    {&VNI, &STD, "a16", false, "ấ", "", false, INCOMPLETE},
    {&VNI, &STD, "d9", false, "đ", "", false, INCOMPLETE},
    // The 24-key bound.
    {&TELEX, &STD, "aaaaaaaaaaaaaaaaaaaaaaaaa", false, "aaaaaaaaaaaaaaaaaaaaaaaaa", "", false,
     INVALID},
};

TEST(Composer, StepsAndFinishes) {
  for (const Row& row : ROWS) {
    SCOPED_TRACE(testing::Message()
                 << row.spec->name << " '" << row.keys << "' final=" << row.final);
    const ComposeResult r = transform(keys_of(row.keys), *row.spec, *row.opts, row.final);
    EXPECT_EQ(r.text, row.text);
    EXPECT_EQ(r.alternative, row.alternative);
    EXPECT_EQ(r.restored, row.restored);
    EXPECT_EQ(r.status, row.status);
  }
}

TEST(Composer, PushThenPopGivesTheEarlierResult) {
  for (const Row& row : ROWS) {
    SCOPED_TRACE(row.keys);
    const std::u32string keys = keys_of(row.keys);
    Composer c(*row.spec, *row.opts);
    std::vector<ComposeResult> before;
    for (char32_t k : keys) {
      before.push_back(c.result(row.final));
      c.push(k);
    }
    for (std::size_t i = keys.size(); i > 0; --i) {
      c.pop();
      EXPECT_EQ(c.result(row.final), before[i - 1]);
      EXPECT_EQ(c.raw(), std::u32string_view(keys).substr(0, i - 1));
    }
    c.pop();  // on an empty composer: nothing
    EXPECT_EQ(c.states().size(), 1u);
  }
}

TEST(Composer, KeysAfterTheTwentyFourthAreOnlyRecorded) {
  const std::u32string word = U"nghieeng";
  std::u32string keys;
  while (keys.size() < 40) keys += word;
  Composer c(TELEX, STD);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    c.push(keys[i]);
    EXPECT_EQ(c.states().size(), std::min<std::size_t>(i + 1, MAX_KEYS) + 1);
  }
  EXPECT_EQ(c.raw(), keys);
  const ComposeResult r = c.result(true);
  EXPECT_EQ(r.text, qvl_unicode::encode(keys));
  EXPECT_FALSE(r.restored);
  EXPECT_EQ(r.status, INVALID);
  // Back under the bound, the stepped states are there again.
  while (c.raw().size() > word.size()) c.pop();
  EXPECT_EQ(c.states().size(), word.size() + 1);
  EXPECT_EQ(c.result(false).text, "nghiêng");
}

TEST(Composer, WithRawEqualsPushes) {
  Composer pushed(VNI, OLD);
  for (char32_t k : std::u32string_view(U"ngu7o7i2")) pushed.push(k);
  const Composer built = Composer::with_raw(VNI, OLD, U"ngu7o7i2");
  EXPECT_EQ(built.raw(), pushed.raw());
  EXPECT_EQ(built.result(false), pushed.result(false));
  EXPECT_EQ(built.result(false).text, "người");
  EXPECT_EQ(transform_str("ngu7o7i2", VNI, OLD, false).text, "người");
}

// Any scalar values, pushed and popped at random: the composer answers every
// time and never reports a broken invariant.
TEST(Composer, RandomKeysNeverBreakIt) {
  std::mt19937 rng(20240611);
  const std::u32string pool =
      U"aAbBcdDeEfgGhiIjklmnNoOpqQrsStuUvwWxXyYzZ0123456789[]'`?~.^(+-/:@_ "
      U"\u00E2\u01B0\u0301\u0323\u0303\u0110\u0111\u00DF\u0130\u212B\u03A9\u0416\u4E2D"
      U"\U0001F600\uFFFD";
  const InputMethodSpec* specs[] = {&TELEX, &SIMPLE_TELEX, &VNI, &VIQR};
  const ComposeOptions* opts[] = {&STD, &OLD, &NO_SPELL, &NO_W, &BRACKET, &QUICK, &CODA_K};
  std::uniform_int_distribution<std::uint32_t> any_scalar(0, 0x10FFFF);
  for (int round = 0; round < 1500; ++round) {
    Composer c(*specs[round % 4], *opts[round % 7]);
    std::u32string expected;
    const int length = static_cast<int>(rng() % 40);
    for (int i = 0; i < length; ++i) {
      if (rng() % 5 == 0) {
        c.pop();
        if (!expected.empty()) expected.pop_back();
      } else {
        char32_t k = pool[rng() % pool.size()];
        if (rng() % 8 == 0) {
          k = any_scalar(rng);
          if (k >= 0xD800 && k <= 0xDFFF) k = U'x';
        }
        c.push(k);
        expected.push_back(k);
      }
      ASSERT_EQ(c.raw(), expected);
      ASSERT_EQ(c.states().size(), std::min(expected.size(), MAX_KEYS) + 1);
      try {
        const ComposeResult r = c.result(rng() % 2 == 0);
        ASSERT_TRUE(qvl_unicode::is_valid_utf8(r.text));
        if (r.restored) {
          ASSERT_EQ(r.text.empty(), expected.empty());
        }
      } catch (const qvl_core::InternalError& e) {
        FAIL() << e.what();
      }
    }
  }
}

}  // namespace
