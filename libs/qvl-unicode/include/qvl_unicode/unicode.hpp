// Unicode services for every Quorvel library: UTF-8 decoding and encoding,
// normalisation, case mapping and character properties. The only place that
// talks to ICU.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qvl_unicode {

inline constexpr char32_t REPLACEMENT_CHARACTER = U'\uFFFD';

// One decoded character: its scalar value and the number of bytes it took.
struct Decoded {
  char32_t cp;
  std::size_t length;
};

// Decodes the character that starts at byte `pos` (pos < s.size()). An
// ill-formed sequence yields U+FFFD and consumes its maximal subpart, so that
// every invalid sequence becomes exactly one replacement character.
Decoded decode_at(std::string_view s, std::size_t pos) noexcept;

// Calls f(char32_t) for every character of the UTF-8 text, without allocating.
template <class F>
void for_each_char(std::string_view s, F&& f) {
  for (std::size_t pos = 0; pos < s.size();) {
    const Decoded d = decode_at(s, pos);
    f(d.cp);
    pos += d.length;
  }
}

std::u32string decode(std::string_view utf8);
// Surrogates and values above U+10FFFF are written as U+FFFD.
void append_utf8(std::string& out, char32_t cp);
// The same into a buffer with room for 4 bytes, without allocating; returns
// the number of bytes written.
std::size_t encode_to(char32_t cp, char* out) noexcept;
std::string encode(std::u32string_view text);
std::string encode(char32_t cp);
// The text with every ill-formed sequence replaced by U+FFFD.
std::string sanitize(std::string_view utf8);
bool is_valid_utf8(std::string_view utf8) noexcept;
// Number of characters, counting each ill-formed sequence as one.
std::size_t char_count(std::string_view utf8) noexcept;

// Canonical normalisation. Ill-formed input is sanitised first.
std::string nfc(std::string_view utf8);
std::string nfd(std::string_view utf8);
std::u32string nfc(std::u32string_view text);
std::u32string nfd(std::u32string_view text);
// True when the text is well-formed and already in NFC; fast for ASCII.
bool is_nfc(std::string_view utf8);

// The canonical decomposition of one character (itself when it has none).
struct Decomposition {
  std::array<char32_t, 8> cps{};
  std::uint8_t size = 0;
};
Decomposition canonical_decomposition(char32_t cp);
// The primary composite of a + b, or 0 when there is none.
char32_t compose_pair(char32_t a, char32_t b);

// Full, locale-independent case mapping (ß → SS).
std::string to_upper(std::string_view utf8);
std::string to_lower(std::string_view utf8);
std::u32string to_upper(std::u32string_view text);
std::u32string to_lower(std::u32string_view text);
// The full mapping of one character when that mapping is a single
// character; the character itself otherwise.
char32_t upper_single(char32_t cp);
char32_t lower_single(char32_t cp);

bool is_white_space(char32_t cp);
bool is_alphabetic(char32_t cp);
bool is_lowercase(char32_t cp);
bool is_uppercase(char32_t cp);
// General category Nd, Nl or No.
bool is_numeric(char32_t cp);
std::uint8_t combining_class(char32_t cp);

}  // namespace qvl_unicode
