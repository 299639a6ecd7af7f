// The Vietnamese syllable: parsing, validation, letters and tone placement.
//
// Words passed to parse, check*, tone_index and tone_allowed* are lower case
// and carry no tone (vowel marks such as the circumflex are allowed); the
// tone travels separately as a tone number: 0 none, 1 sắc, 2 huyền, 3 hỏi,
// 4 ngã, 5 nặng.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace vi_syllable {

struct Syllable {
  std::string initial;
  std::string cluster;
  std::string coda;
  // In characters; equals the character count of `initial`.
  std::size_t cluster_start = 0;

  // The character index just past the vowel cluster.
  std::size_t cluster_end() const;

  bool operator==(const Syllable&) const = default;
};

enum class SyllableStatus : std::uint8_t { Valid = 0, Incomplete = 1, Invalid = 2 };

Syllable parse(std::string_view word);

// Whether a word being typed is a syllable, may still become one, or never
// can. `allow_coda_k` admits k as a coda (Đắk).
SyllableStatus check_with(std::string_view word, std::uint8_t tone, bool allow_coda_k);
SyllableStatus check(std::string_view word, std::uint8_t tone);
// The stricter test for a finished word: a stop coda needs sắc or nặng.
SyllableStatus check_final(std::string_view word, std::uint8_t tone, bool allow_coda_k);

// The derived lookup tables, built once on first use and never freed.
struct SyllableTables {
  std::set<std::string> INITIAL_PREFIXES;
  std::set<std::string> OPEN_CLUSTERS;
  std::set<std::string> CODA_CLUSTERS;
  std::set<std::string> CH_NH_CLUSTERS;
  std::set<std::string> PARTIAL_CLUSTERS;
  std::map<std::string, std::set<std::string>> PARTIAL_CODA_MAP;
  std::map<std::string, std::set<std::string>> PARTIAL_CODA_MAP_K;
};
const SyllableTables& tables();

enum class Mark : std::uint8_t { Circumflex = 0, Breve = 1, Horn = 2, Stroke = 3 };

// Where the tone goes on oa, oe and uy without a coda: hòa (Old), hoà (New).
enum class ToneStyle : std::uint8_t { Old = 0, New = 1 };

struct DecomposedChar {
  char32_t base;  // lower case, without marks and tone (d for đ)
  bool upper;
  std::optional<Mark> mark;
  std::uint8_t tone;

  bool operator==(const DecomposedChar&) const = default;
};

char32_t compose_char(char32_t base, std::optional<Mark> mark, std::uint8_t tone, bool upper);
DecomposedChar decompose_char(char32_t c);

// The word without tones, and the last tone removed (0 if none).
std::pair<std::string, std::uint8_t> strip_tone(std::string_view word);
// Character index of the letter that carries the tone; empty without a
// vowel cluster.
std::optional<std::size_t> tone_index(std::string_view word, ToneStyle style);
// The word with its tone replaced by `tone` on the right letter.
std::string place_tone(std::string_view word, std::uint8_t tone, ToneStyle style);
// A stop coda admits only no tone, sắc and nặng.
bool tone_allowed_with(std::string_view word, std::uint8_t tone, bool allow_coda_k);
bool tone_allowed(std::string_view word, std::uint8_t tone);

// The same over code points, without allocating: for the composer, which
// keeps its word as letters. The views of a SyllableView point into `word`.
struct SyllableView {
  std::u32string_view initial;
  std::u32string_view cluster;
  std::u32string_view coda;

  std::size_t cluster_start() const { return initial.size(); }
  std::size_t cluster_end() const { return initial.size() + cluster.size(); }
};
SyllableView parse_view(std::u32string_view word);
SyllableStatus check_with(std::u32string_view word, std::uint8_t tone, bool allow_coda_k);
SyllableStatus check(std::u32string_view word, std::uint8_t tone);
SyllableStatus check_final(std::u32string_view word, std::uint8_t tone, bool allow_coda_k);
std::optional<std::size_t> tone_index(std::u32string_view word, ToneStyle style);
bool tone_allowed_with(std::u32string_view word, std::uint8_t tone, bool allow_coda_k);
bool tone_allowed(std::u32string_view word, std::uint8_t tone);

}  // namespace vi_syllable
