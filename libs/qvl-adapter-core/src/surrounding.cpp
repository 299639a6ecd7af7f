#include "qvl_adapter_core/surrounding.hpp"

#include <cstring>

#include "qvl_unicode/unicode.hpp"

namespace qvl_adapter_core::surrounding {
namespace {

using qvl_unicode::decode_at;

std::uint32_t utf16_units(char32_t cp) { return cp >= 0x10000 ? 2 : 1; }

// Counts UTF-16 units from lead bytes alone, eight bytes at a time.
std::uint64_t count_utf16(std::string_view text) {
  std::uint64_t total = 0;
  std::size_t i = 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, p + i, 8);
    if ((word & 0x8080808080808080ULL) == 0) {
      total += 8;
      continue;
    }
    for (std::size_t k = i; k < i + 8; ++k)
      total += p[k] < 0x80 ? 1 : p[k] < 0xC0 ? 0 : p[k] < 0xF0 ? 1 : 2;
  }
  for (; i < text.size(); ++i) total += p[i] < 0x80 ? 1 : p[i] < 0xC0 ? 0 : p[i] < 0xF0 ? 1 : 2;
  return total;
}

// Where the walk to UTF-16 position u ends.
struct Boundary {
  std::size_t byte;
  std::uint32_t chars;
};

std::optional<Boundary> find_utf16(std::string_view text, std::uint32_t u) {
  std::uint64_t units = 0;
  std::uint32_t chars = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    if (units == u) return Boundary{pos, chars};
    const auto d = decode_at(text, pos);
    units += utf16_units(d.cp);
    if (units > u) return std::nullopt;
    pos += d.length;
    ++chars;
  }
  if (units == u) return Boundary{text.size(), chars};
  return std::nullopt;
}

// Walks n characters; also counts their UTF-16 units.
struct CharWalk {
  std::size_t byte;
  std::uint32_t utf16;
};

std::optional<CharWalk> walk_chars(std::string_view text, std::uint32_t n) {
  std::size_t pos = 0;
  std::uint32_t utf16 = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (pos >= text.size()) return std::nullopt;
    const auto d = decode_at(text, pos);
    utf16 += utf16_units(d.cp);
    pos += d.length;
  }
  return CharWalk{pos, utf16};
}

}  // namespace

std::optional<std::string_view> char_suffix(std::string_view text, std::uint32_t n) {
  const std::size_t count = qvl_unicode::char_count(text);
  if (count < n) return std::nullopt;
  const auto start = walk_chars(text, static_cast<std::uint32_t>(count - n));
  return text.substr(start->byte);
}

std::optional<std::string_view> utf16_prefix(std::string_view text, std::uint32_t u) {
  const auto b = find_utf16(text, u);
  if (!b) return std::nullopt;
  return text.substr(0, b->byte);
}

std::optional<std::string_view> utf16_suffix(std::string_view text, std::uint32_t u) {
  if (u == 0) return std::string_view{};
  const std::uint64_t length = count_utf16(text);
  if (length < u) return std::nullopt;
  const auto b = find_utf16(text, static_cast<std::uint32_t>(length - u));
  if (!b) return std::nullopt;
  return text.substr(b->byte);
}

std::optional<char32_t> next_codepoint(std::string_view text, std::uint32_t u) {
  const auto b = find_utf16(text, u);
  if (!b || b->byte >= text.size()) return std::nullopt;
  return decode_at(text, b->byte).cp;
}

bool is_word_codepoint(char32_t cp) {
  if (cp < 0x80) {
    return (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z') || (cp >= '0' && cp <= '9') ||
           cp == '_';
  }
  return (cp >= 0x00C0 && cp <= 0x024F) || (cp >= 0x0300 && cp <= 0x036F) ||
         (cp >= 0x1E00 && cp <= 0x1EFF);
}

std::optional<std::size_t> char_to_byte_offset(std::string_view text, std::uint32_t n) {
  const auto w = walk_chars(text, n);
  if (!w) return std::nullopt;
  return w->byte;
}

std::optional<std::uint32_t> char_to_utf16_offset(std::string_view text, std::uint32_t n) {
  const auto w = walk_chars(text, n);
  if (!w) return std::nullopt;
  return w->utf16;
}

std::optional<std::size_t> utf16_to_byte_offset(std::string_view text, std::uint32_t u) {
  const auto b = find_utf16(text, u);
  if (!b) return std::nullopt;
  return b->byte;
}

std::optional<std::uint32_t> utf16_to_char_offset(std::string_view text, std::uint32_t u) {
  const auto b = find_utf16(text, u);
  if (!b) return std::nullopt;
  return b->chars;
}

std::optional<std::uint32_t> char_suffix_utf16_len(std::string_view text, std::uint32_t n) {
  const auto s = char_suffix(text, n);
  if (!s) return std::nullopt;
  return utf16_len(*s);
}

std::uint32_t utf16_len(std::string_view text) {
  return static_cast<std::uint32_t>(count_utf16(text));
}

std::optional<VerifiedReplace> check_replace(std::string_view before, std::uint32_t u,
                                             const Surrounding& surrounding) {
  if (u == 0) return std::nullopt;
  if (surrounding.cursor_utf16 != surrounding.anchor_utf16) return std::nullopt;
  const auto prefix = utf16_prefix(surrounding.text, surrounding.cursor_utf16);
  if (!prefix) return std::nullopt;
  const std::string_view source = before.empty() ? *prefix : before;
  const auto tail = utf16_suffix(source, u);
  if (!tail) return std::nullopt;
  if (tail->size() > prefix->size() || !prefix->ends_with(*tail)) return std::nullopt;
  // Deleting before a cursor that stands inside a word would split the word.
  if (const auto next = next_codepoint(surrounding.text, surrounding.cursor_utf16);
      next && is_word_codepoint(*next)) {
    return std::nullopt;
  }
  return VerifiedReplace{std::string(*tail), u,
                         static_cast<std::uint32_t>(qvl_unicode::char_count(*tail))};
}

}  // namespace qvl_adapter_core::surrounding
