// Small text helpers shared by the session's sources.
#pragma once

#include <cstddef>
#include <string_view>

#include "qvl_unicode/unicode.hpp"

namespace qvl_engine::session::text {

constexpr bool is_ascii_letter(char32_t c) noexcept {
  return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}
constexpr bool is_ascii_digit(char32_t c) noexcept { return c >= U'0' && c <= U'9'; }

inline std::size_t chars(std::string_view s) noexcept { return qvl_unicode::char_count(s); }

// Byte offset where the last character of a UTF-8 text starts.
inline std::size_t last_char_start(std::string_view s) noexcept {
  std::size_t pos = s.size();
  while (pos > 0) {
    --pos;
    if ((static_cast<unsigned char>(s[pos]) & 0xC0) != 0x80) break;
  }
  return pos;
}

}  // namespace qvl_engine::session::text
