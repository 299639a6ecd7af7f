#include "qvl_unicode/unicode.hpp"

#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <stdexcept>

namespace qvl_unicode {
namespace {

const icu::Normalizer2& normalizer(bool compose) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* n =
      compose ? icu::Normalizer2::getNFCInstance(status) : icu::Normalizer2::getNFDInstance(status);
  if (U_FAILURE(status) || n == nullptr) throw std::runtime_error("ICU normalizer unavailable");
  return *n;
}

bool is_ascii(std::string_view s) noexcept {
  for (unsigned char c : s) {
    if (c >= 0x80) return false;
  }
  return true;
}

std::string normalize_utf8(std::string_view utf8, bool compose) {
  if (is_ascii(utf8)) return std::string(utf8);
  const std::string clean = sanitize(utf8);
  std::string out;
  icu::StringByteSink<std::string> sink(&out, static_cast<int32_t>(clean.size()));
  UErrorCode status = U_ZERO_ERROR;
  normalizer(compose).normalizeUTF8(0, icu::StringPiece(clean.data(), static_cast<int32_t>(clean.size())),
                                    sink, nullptr, status);
  if (U_FAILURE(status)) throw std::runtime_error("ICU normalisation failed");
  return out;
}

icu::UnicodeString to_utf16(std::u32string_view text) {
  icu::UnicodeString s;
  for (char32_t c : text) {
    s.append(static_cast<UChar32>(c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF) ? c
                                                                              : REPLACEMENT_CHARACTER));
  }
  return s;
}

std::u32string to_utf32(const icu::UnicodeString& s) {
  std::u32string out;
  out.reserve(static_cast<std::size_t>(s.length()));
  for (int32_t i = 0; i < s.length();) {
    const UChar32 c = s.char32At(i);
    out.push_back(static_cast<char32_t>(c));
    i += U16_LENGTH(c);
  }
  return out;
}

std::u32string normalize_utf32(std::u32string_view text, bool compose) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString result = normalizer(compose).normalize(to_utf16(text), status);
  if (U_FAILURE(status)) throw std::runtime_error("ICU normalisation failed");
  return to_utf32(result);
}

std::string map_case_utf8(std::string_view utf8, bool upper) {
  const std::string clean = sanitize(utf8);
  std::string out;
  icu::StringByteSink<std::string> sink(&out, static_cast<int32_t>(clean.size()));
  UErrorCode status = U_ZERO_ERROR;
  const icu::StringPiece piece(clean.data(), static_cast<int32_t>(clean.size()));
  if (upper) {
    icu::CaseMap::utf8ToUpper("", 0, piece, sink, nullptr, status);
  } else {
    icu::CaseMap::utf8ToLower("", 0, piece, sink, nullptr, status);
  }
  if (U_FAILURE(status)) throw std::runtime_error("ICU case mapping failed");
  return out;
}

char32_t map_single(char32_t cp, bool upper) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return cp;
  UChar src[2];
  int32_t src_len = 0;
  U16_APPEND_UNSAFE(src, src_len, static_cast<UChar32>(cp));
  UChar dst[8];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t len = upper ? u_strToUpper(dst, 8, src, src_len, "", &status)
                            : u_strToLower(dst, 8, src, src_len, "", &status);
  if (U_FAILURE(status) || len <= 0 || len > 2) return cp;
  UChar32 mapped;
  int32_t i = 0;
  U16_NEXT(dst, i, len, mapped);
  return i == len ? static_cast<char32_t>(mapped) : cp;
}

}  // namespace

Decoded decode_at(std::string_view s, std::size_t pos) noexcept {
  const auto* bytes = reinterpret_cast<const uint8_t*>(s.data() + pos);
  const unsigned char lead = bytes[0];
  if (lead < 0x80) return {lead, 1};
  // A sequence is at most four bytes long; ICU applies the maximal-subpart rule.
  const int32_t window = static_cast<int32_t>(std::min<std::size_t>(s.size() - pos, 4));
  int32_t i = 0;
  UChar32 c;
  U8_NEXT_OR_FFFD(bytes, i, window, c);
  return {static_cast<char32_t>(c), static_cast<std::size_t>(i)};
}

std::u32string decode(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  for_each_char(utf8, [&](char32_t c) { out.push_back(c); });
  return out;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = REPLACEMENT_CHARACTER;
  uint8_t buf[4];
  int32_t len = 0;
  U8_APPEND_UNSAFE(buf, len, static_cast<UChar32>(cp));
  out.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(len));
}

std::size_t encode_to(char32_t cp, char* out) noexcept {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = REPLACEMENT_CHARACTER;
  int32_t len = 0;
  U8_APPEND_UNSAFE(out, len, static_cast<UChar32>(cp));
  return static_cast<std::size_t>(len);
}

std::string encode(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) append_utf8(out, c);
  return out;
}

std::string encode(char32_t cp) {
  std::string out;
  append_utf8(out, cp);
  return out;
}

std::string sanitize(std::string_view utf8) {
  if (is_valid_utf8(utf8)) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size() + 8);
  for_each_char(utf8, [&](char32_t c) { append_utf8(out, c); });
  return out;
}

bool is_valid_utf8(std::string_view utf8) noexcept {
  for (std::size_t pos = 0; pos < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[pos]);
    if (lead < 0x80) {
      ++pos;
      continue;
    }
    const Decoded d = decode_at(utf8, pos);
    // U+FFFD itself is three bytes long; anything shorter was a replacement.
    if (d.cp == REPLACEMENT_CHARACTER && !(d.length == 3 && lead == 0xEF)) return false;
    pos += d.length;
  }
  return true;
}

std::size_t char_count(std::string_view utf8) noexcept {
  std::size_t n = 0;
  for (std::size_t pos = 0; pos < utf8.size(); ++n) pos += decode_at(utf8, pos).length;
  return n;
}

std::string nfc(std::string_view utf8) { return normalize_utf8(utf8, true); }
std::string nfd(std::string_view utf8) { return normalize_utf8(utf8, false); }
std::u32string nfc(std::u32string_view text) { return normalize_utf32(text, true); }
std::u32string nfd(std::u32string_view text) { return normalize_utf32(text, false); }

bool is_nfc(std::string_view utf8) {
  if (is_ascii(utf8)) return true;
  if (!is_valid_utf8(utf8)) return false;
  UErrorCode status = U_ZERO_ERROR;
  const bool result = normalizer(true).isNormalizedUTF8(
      icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())), status);
  return U_SUCCESS(status) && result;
}

Decomposition canonical_decomposition(char32_t cp) {
  Decomposition d;
  icu::UnicodeString mapping;
  if (cp > 0x10FFFF || !normalizer(false).getDecomposition(static_cast<UChar32>(cp), mapping)) {
    d.cps[0] = cp;
    d.size = 1;
    return d;
  }
  for (int32_t i = 0; i < mapping.length() && d.size < d.cps.size();) {
    const UChar32 c = mapping.char32At(i);
    d.cps[d.size++] = static_cast<char32_t>(c);
    i += U16_LENGTH(c);
  }
  return d;
}

char32_t compose_pair(char32_t a, char32_t b) {
  if (a > 0x10FFFF || b > 0x10FFFF) return 0;
  const UChar32 c = normalizer(true).composePair(static_cast<UChar32>(a), static_cast<UChar32>(b));
  return c < 0 ? 0 : static_cast<char32_t>(c);
}

std::string to_upper(std::string_view utf8) { return map_case_utf8(utf8, true); }
std::string to_lower(std::string_view utf8) { return map_case_utf8(utf8, false); }

std::u32string to_upper(std::u32string_view text) {
  icu::UnicodeString s = to_utf16(text);
  return to_utf32(s.toUpper(icu::Locale::getRoot()));
}

std::u32string to_lower(std::u32string_view text) {
  icu::UnicodeString s = to_utf16(text);
  return to_utf32(s.toLower(icu::Locale::getRoot()));
}

char32_t upper_single(char32_t cp) {
  if (cp < 0x80) return (cp >= 'a' && cp <= 'z') ? cp - 32 : cp;
  return map_single(cp, true);
}

char32_t lower_single(char32_t cp) {
  if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
  return map_single(cp, false);
}

bool is_white_space(char32_t cp) { return u_isUWhiteSpace(static_cast<UChar32>(cp)); }
bool is_alphabetic(char32_t cp) { return u_isUAlphabetic(static_cast<UChar32>(cp)); }
bool is_lowercase(char32_t cp) { return u_isULowercase(static_cast<UChar32>(cp)); }
bool is_uppercase(char32_t cp) { return u_isUUppercase(static_cast<UChar32>(cp)); }

bool is_numeric(char32_t cp) {
  const auto type = u_charType(static_cast<UChar32>(cp));
  return type == U_DECIMAL_DIGIT_NUMBER || type == U_LETTER_NUMBER || type == U_OTHER_NUMBER;
}

std::uint8_t combining_class(char32_t cp) { return u_getCombiningClass(static_cast<UChar32>(cp)); }

}  // namespace qvl_unicode
