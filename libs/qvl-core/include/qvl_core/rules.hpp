// The rule tables of the four typing conventions. Nothing else in the engine
// knows which key sets which tone or mark.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "vi_syllable/vi_syllable.hpp"

namespace qvl_core::rules {

using vi_syllable::Mark;

struct ToneKey {
  char32_t key;
  std::uint8_t tone;
};

// With `pair`, `targets` is two letters that take the mark together when they
// stand next to each other (uo → ươ).
struct MarkRule {
  std::string_view targets;
  Mark mark;
  bool pair;
};

struct MarkKey {
  char32_t key;
  std::span<const MarkRule> rules;
};

struct LetterKey {
  char32_t key;
  char32_t letter;
  Mark mark;
};

struct MarkedLetter {
  char32_t letter;
  Mark mark;

  bool operator==(const MarkedLetter&) const = default;
};

// Every key in a table is lower case; the lookups below compare exactly,
// except is_function_key and extra_word_key, which lower-case first.
struct InputMethodSpec {
  std::string_view name;
  std::span<const ToneKey> tones;
  std::span<const MarkKey> marks;
  std::span<const LetterKey> standalone;
  std::span<const LetterKey> inserts;
  char32_t remove_key;
  bool uses_digits;

  constexpr std::optional<MarkedLetter> insert_for(char32_t c) const noexcept {
    return find_letter(inserts, c);
  }
  constexpr std::optional<MarkedLetter> standalone_for(char32_t c) const noexcept {
    return find_letter(standalone, c);
  }
  constexpr std::optional<std::uint8_t> tone_of(char32_t c) const noexcept {
    for (const ToneKey& t : tones) {
      if (t.key == c) return t.tone;
    }
    return std::nullopt;
  }
  constexpr std::optional<char32_t> tone_key(std::uint8_t tone) const noexcept {
    for (const ToneKey& t : tones) {
      if (t.tone == tone) return t.key;
    }
    return std::nullopt;
  }
  constexpr std::span<const MarkRule> marks_for(char32_t c) const noexcept {
    for (const MarkKey& m : marks) {
      if (m.key == c) return m.rules;
    }
    return {};
  }
  // The key that puts `mark` on `letter` alone; pair rules do not count.
  constexpr std::optional<char32_t> mark_key(char32_t letter, Mark mark) const noexcept {
    for (const MarkKey& m : marks) {
      for (const MarkRule& r : m.rules) {
        if (r.mark != mark || r.pair) continue;
        for (char t : r.targets) {
          if (static_cast<char32_t>(t) == letter) return m.key;
        }
      }
    }
    return std::nullopt;
  }

  bool is_function_key(char32_t c) const noexcept;
  // Whether a key that is no ASCII letter may continue a word (VIQR's ',
  // VNI's 6); insert keys do not count.
  bool extra_word_key(char32_t c) const noexcept;

 private:
  static constexpr std::optional<MarkedLetter> find_letter(std::span<const LetterKey> keys,
                                                           char32_t c) noexcept {
    for (const LetterKey& k : keys) {
      if (k.key == c) return MarkedLetter{k.letter, k.mark};
    }
    return std::nullopt;
  }
};

namespace detail {

inline constexpr ToneKey TELEX_TONES[] = {{U's', 1}, {U'f', 2}, {U'r', 3}, {U'x', 4}, {U'j', 5}};
inline constexpr MarkRule TELEX_A[] = {{"a", Mark::Circumflex, false}};
inline constexpr MarkRule TELEX_E[] = {{"e", Mark::Circumflex, false}};
inline constexpr MarkRule TELEX_O[] = {{"o", Mark::Circumflex, false}};
inline constexpr MarkRule TELEX_W[] = {
    {"uo", Mark::Horn, true}, {"uo", Mark::Horn, false}, {"a", Mark::Breve, false}};
inline constexpr MarkRule STROKE[] = {{"d", Mark::Stroke, false}};
inline constexpr MarkKey TELEX_MARKS[] = {
    {U'a', TELEX_A}, {U'e', TELEX_E}, {U'o', TELEX_O}, {U'w', TELEX_W}, {U'd', STROKE}};
inline constexpr LetterKey TELEX_STANDALONE[] = {{U'w', U'u', Mark::Horn}};
inline constexpr LetterKey TELEX_INSERTS[] = {{U'[', U'o', Mark::Horn}, {U']', U'u', Mark::Horn}};

inline constexpr ToneKey VNI_TONES[] = {{U'1', 1}, {U'2', 2}, {U'3', 3}, {U'4', 4}, {U'5', 5}};
inline constexpr MarkRule CIRCUMFLEX_AEO[] = {{"aeo", Mark::Circumflex, false}};
inline constexpr MarkRule HORN_UO[] = {{"uo", Mark::Horn, true}, {"uo", Mark::Horn, false}};
inline constexpr MarkRule BREVE_A[] = {{"a", Mark::Breve, false}};
inline constexpr MarkKey VNI_MARKS[] = {
    {U'6', CIRCUMFLEX_AEO}, {U'7', HORN_UO}, {U'8', BREVE_A}, {U'9', STROKE}};

inline constexpr ToneKey VIQR_TONES[] = {{U'\'', 1}, {U'`', 2}, {U'?', 3}, {U'~', 4}, {U'.', 5}};
inline constexpr MarkKey VIQR_MARKS[] = {
    {U'^', CIRCUMFLEX_AEO}, {U'(', BREVE_A}, {U'+', HORN_UO}, {U'd', STROKE}};

}  // namespace detail

inline constexpr InputMethodSpec TELEX{"telex",
                                       detail::TELEX_TONES,
                                       detail::TELEX_MARKS,
                                       detail::TELEX_STANDALONE,
                                       detail::TELEX_INSERTS,
                                       U'z',
                                       false};
inline constexpr InputMethodSpec SIMPLE_TELEX{
    "simple_telex", detail::TELEX_TONES, detail::TELEX_MARKS, {}, {}, U'z', false};
inline constexpr InputMethodSpec VNI{"vni", detail::VNI_TONES, detail::VNI_MARKS, {}, {}, U'0',
                                     true};
inline constexpr InputMethodSpec VIQR{"viqr", detail::VIQR_TONES, detail::VIQR_MARKS, {}, {}, U'0',
                                      false};

// The table for a configuration identifier; anything unknown, in any other
// case or misspelled, is Telex.
const InputMethodSpec& by_name(std::string_view name) noexcept;

}  // namespace qvl_core::rules
