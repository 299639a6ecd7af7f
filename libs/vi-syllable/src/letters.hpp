// Letter classes and the initial/cluster split shared by the grammar and the
// tone placement. Everything here works on code points and never allocates.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "qvl_unicode/unicode.hpp"

namespace vi_syllable::detail {

inline constexpr char32_t D_STROKE = U'\u0111';  // đ

// 1..12 in the order a ă â e ê i o ô ơ u ư y; 0 for anything else.
constexpr int vowel_index(char32_t c) noexcept {
  switch (c) {
    case U'a':
      return 1;
    case U'\u0103':
      return 2;  // ă
    case U'\u00E2':
      return 3;  // â
    case U'e':
      return 4;
    case U'\u00EA':
      return 5;  // ê
    case U'i':
      return 6;
    case U'o':
      return 7;
    case U'\u00F4':
      return 8;  // ô
    case U'\u01A1':
      return 9;  // ơ
    case U'u':
      return 10;
    case U'\u01B0':
      return 11;  // ư
    case U'y':
      return 12;
    default:
      return 0;
  }
}

constexpr bool is_vowel(char32_t c) noexcept { return vowel_index(c) != 0; }

constexpr bool is_front_vowel(char32_t c) noexcept {
  return c == U'e' || c == U'\u00EA' || c == U'i' || c == U'y';
}

constexpr bool is_marked_vowel(char32_t c) noexcept {
  switch (c) {
    case U'\u0103':
    case U'\u00E2':
    case U'\u00EA':
    case U'\u00F4':
    case U'\u01A1':
    case U'\u01B0':
      return true;
    default:
      return false;
  }
}

// The letters a grammar word may hold at all.
constexpr bool is_word_letter(char32_t c) noexcept {
  return (c >= U'a' && c <= U'z') || c == D_STROKE || is_vowel(c);
}

// Length in characters of the initial of a word starting with c0 c1 c2
// (missing characters as 0). gi and qu come first; gi only before a vowel,
// so that "gi" and "gìn" keep g as their initial.
constexpr std::size_t initial_length(char32_t c0, char32_t c1, char32_t c2) noexcept {
  if (c0 == U'g' && c1 == U'i' && is_vowel(c2)) return 2;
  if (c0 == U'q' && c1 == U'u') return 2;
  if (c0 == U'n' && c1 == U'g' && c2 == U'h') return 3;
  switch (c0) {
    case U'n':
      if (c1 == U'g' || c1 == U'h') return 2;
      break;
    case U'g':
    case U'k':
    case U'p':
    case U't':
    case U'c':
      if (c1 == U'h' || (c0 == U't' && c1 == U'r')) return 2;
      break;
    default:
      break;
  }
  switch (c0) {
    case U'b':
    case U'c':
    case U'd':
    case D_STROKE:
    case U'g':
    case U'h':
    case U'k':
    case U'l':
    case U'm':
    case U'n':
    case U'p':
    case U'r':
    case U's':
    case U't':
    case U'v':
    case U'x':
      return 1;
    default:
      return 0;
  }
}

// Character counts of the initial and of the vowel cluster after it.
struct Split {
  std::size_t initial = 0;
  std::size_t cluster = 0;
};

constexpr Split split(std::u32string_view w) noexcept {
  const auto at = [&](std::size_t i) { return i < w.size() ? w[i] : U'\0'; };
  Split s;
  s.initial = initial_length(at(0), at(1), at(2));
  while (s.initial + s.cluster < w.size() && is_vowel(w[s.initial + s.cluster])) ++s.cluster;
  return s;
}

// Coda identifiers for the lookup masks; the order is fixed by the tables.
enum Coda : int { C, CH, M, N, NG, NH, P, T, K, CODA_COUNT, NO_CODA = -1 };

constexpr int coda_id(std::u32string_view coda) noexcept {
  if (coda.size() == 1) {
    switch (coda[0]) {
      case U'c':
        return C;
      case U'm':
        return M;
      case U'n':
        return N;
      case U'p':
        return P;
      case U't':
        return T;
      case U'k':
        return K;
      default:
        return NO_CODA;
    }
  }
  if (coda.size() == 2 && coda[0] == U'c' && coda[1] == U'h') return CH;
  if (coda.size() == 2 && coda[0] == U'n' && coda[1] == U'g') return NG;
  if (coda.size() == 2 && coda[0] == U'n' && coda[1] == U'h') return NH;
  return NO_CODA;
}

constexpr std::uint32_t bit(int id) noexcept { return std::uint32_t{1} << id; }

inline constexpr std::uint32_t FINALS_MASK =
    bit(C) | bit(CH) | bit(M) | bit(N) | bit(NG) | bit(NH) | bit(P) | bit(T);
inline constexpr std::uint32_t STOP_FINALS_MASK = bit(C) | bit(CH) | bit(P) | bit(T);

constexpr bool is_stop_coda(int id, bool allow_coda_k) noexcept {
  if (id == NO_CODA) return false;
  return ((allow_coda_k ? STOP_FINALS_MASK | bit(K) : STOP_FINALS_MASK) & bit(id)) != 0;
}

// Runs f over the code points of a UTF-8 word: on the stack for every word a
// syllable could be, through one decoded copy for longer text.
template <class F>
decltype(auto) with_code_points(std::string_view word, F&& f) {
  std::array<char32_t, 32> buf;
  std::size_t n = 0;
  for (std::size_t pos = 0; pos < word.size();) {
    if (n == buf.size()) {
      const std::u32string all = qvl_unicode::decode(word);
      return f(std::u32string_view(all));
    }
    const auto byte = static_cast<unsigned char>(word[pos]);
    if (byte < 0x80) {
      buf[n++] = byte;
      ++pos;
      continue;
    }
    const qvl_unicode::Decoded d = qvl_unicode::decode_at(word, pos);
    buf[n++] = d.cp;
    pos += d.length;
  }
  return f(std::u32string_view(buf.data(), n));
}

}  // namespace vi_syllable::detail
