// Conversion between Unicode and the legacy Vietnamese charsets (TCVN3, VNI
// Windows, VISCII, VPS, BKHCM, Vietware, Windows-1258), VIQR and the numeric
// escapes; charset detection; case change and diacritic removal.
//
// Text is UTF-8; ill-formed input reads as U+FFFD. Where a function works on
// bytes (`encode_bytes`, `decode_bytes`), the bytes of the eight single-byte
// charsets pair with characters as Windows-1252 does (byte 80 ↔ €, the five
// bytes it leaves unassigned ↔ U+0081 U+008D U+008F U+0090 U+009D, every other
// byte b ↔ U+00bb), which is how the tables write them; for every other
// charset byte b ↔ U+00bb.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace qvl_core::charset {

inline constexpr std::array<std::string_view, 16> CHARSET_IDS = {
    "unicode",     "unicode_nfd", "tcvn3",       "vni_windows",    "cp1258",     "viqr",
    "viscii",      "vps",         "bkhcm1",      "bkhcm2",         "vietware_x", "vietware_full",
    "ncr_decimal", "ncr_hex",     "cstring_hex", "cstring_decimal"};

// The charset identifier of a name: trimmed, lower-cased and matched against
// the accepted spellings; anything unknown means "unicode". The result is one
// of CHARSET_IDS.
std::string_view normalize(std::string_view name);
// Empty only for an identifier without a table (none of CHARSET_IDS).
std::optional<std::string_view> display_name(std::string_view name);
bool is_single_byte(std::string_view name);

std::string encode(std::string_view text, std::string_view name);
// Raw bytes; empty when the charset is not single-byte or a character of the
// encoded text has no byte.
std::optional<std::string> encode_bytes(std::string_view text, std::string_view name);
// Always NFC. Unmapped sequences are copied unchanged.
std::string decode(std::string_view text, std::string_view name);
// Reads one character per byte, then decodes; works for every charset name.
std::string decode_bytes(std::string_view bytes, std::string_view name);
// The identifiers that would change the text when decoding it, best first.
std::vector<std::string_view> detect(std::string_view text);
std::string convert(std::string_view text, std::string_view from, std::string_view to);

// For converting a stream in chunks: the length of a prefix of `input` (bytes
// for a single-byte `from`, UTF-8 otherwise) that converts alone exactly as it
// does inside the whole stream, whatever follows. Convert that prefix and keep
// the rest in front of the next chunk; no multi-byte sequence, multi-character
// code or escape is cut. 0 when the chunk holds no such point yet (read more,
// or convert everything at the end of the stream).
std::size_t split_point(std::string_view input, std::string_view from);

// Unicode case change; `mode` is "upper", "lower" or "title" in any case.
// "title" upper-cases the first character after every space and nothing else.
std::optional<std::string> change_case(std::string_view text, std::string_view mode);
// Drops every combining mark of the canonical decomposition; đ → d, Đ → D.
std::string remove_diacritics(std::string_view text);

struct StringHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept {
    return std::hash<std::string_view>{}(s);
  }
};

// The encoding table of one charset: letter → its code (UTF-8).
struct Table {
  std::string name;
  std::unordered_map<char32_t, std::string> map;
};

// The decoding table of one charset: code (UTF-8) → letter. Codes that two
// unrelated letters share are missing; an upper/lower pair reads as lower.
struct DecodeTable {
  std::unordered_map<std::string, char32_t, StringHash, std::equal_to<>> map;
  std::unordered_set<char32_t> starts;  // first character of every code
  std::size_t max_len = 0;              // longest code, in characters
};

struct Tables {
  std::map<std::string, Table, std::less<>> encoding;
  std::map<std::string, DecodeTable, std::less<>> decoding;
};

// The tables of the embedded charset document, built once on first use
// (safe under concurrent first use). Corrupt embedded data raises
// InternalError("charsets.json hỏng").
const Tables& tables();
// Builds the tables of a charset document; `tables()` is this over the
// embedded one. A document that does not parse or has no "charsets" object
// raises InternalError("charsets.json hỏng").
Tables parse_tables(std::string_view document);

}  // namespace qvl_core::charset
