// Positions in an application's text in three units: UTF-8 bytes,
// characters (scalar values) and UTF-16 code units. The texts are valid
// UTF-8; a position that does not exist gives nullopt, never a rounded one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qvl_adapter_core::surrounding {

// The last n characters.
std::optional<std::string_view> char_suffix(std::string_view text, std::uint32_t n);
// The prefix of UTF-16 length u.
std::optional<std::string_view> utf16_prefix(std::string_view text, std::uint32_t u);
// The suffix of UTF-16 length u; "" for u = 0.
std::optional<std::string_view> utf16_suffix(std::string_view text, std::uint32_t u);
// The character that starts at UTF-16 position u.
std::optional<char32_t> next_codepoint(std::string_view text, std::uint32_t u);
// ASCII letters, digits and "_", Latin-1 to Latin Extended-B letters,
// combining diacritics and Latin Extended Additional.
bool is_word_codepoint(char32_t cp);

std::optional<std::size_t> char_to_byte_offset(std::string_view text, std::uint32_t n);
std::optional<std::uint32_t> char_to_utf16_offset(std::string_view text, std::uint32_t n);
std::optional<std::size_t> utf16_to_byte_offset(std::string_view text, std::uint32_t u);
std::optional<std::uint32_t> utf16_to_char_offset(std::string_view text, std::uint32_t u);
std::optional<std::uint32_t> char_suffix_utf16_len(std::string_view text, std::uint32_t n);
std::uint32_t utf16_len(std::string_view text);

struct VerifiedReplace {
  std::string deleted;
  std::uint32_t delete_utf16 = 0;
  std::uint32_t delete_chars = 0;

  bool operator==(const VerifiedReplace&) const = default;
};

// The application's text with its cursor and selection anchor (UTF-16).
struct Surrounding {
  std::string_view text;
  std::uint32_t cursor_utf16 = 0;
  std::uint32_t anchor_utf16 = 0;
};

// Whether deleting u UTF-16 units before the cursor removes exactly the end
// of `before` (or, when `before` is empty, whole characters before the
// cursor), with no selection and no word character right after the cursor.
std::optional<VerifiedReplace> check_replace(std::string_view before, std::uint32_t u,
                                             const Surrounding& surrounding);

}  // namespace qvl_adapter_core::surrounding
