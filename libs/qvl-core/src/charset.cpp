#include "qvl_core/charset.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "embedded/charsets_json.hpp"
#include "qvl_core/internal_error.hpp"
#include "qvl_unicode/unicode.hpp"

namespace qvl_core::charset {
namespace {

namespace qu = qvl_unicode;

// Positions in CHARSET_IDS.
constexpr std::size_t UNICODE = 0;
constexpr std::size_t UNICODE_NFD = 1;
constexpr std::size_t VIQR = 5;
constexpr std::size_t VISCII = 6;

constexpr std::string_view DISPLAY_NFC = "Unicode (NFC)";
constexpr std::string_view DISPLAY_NFD = "Unicode tổ hợp (NFD)";

struct Spelling {
  std::string_view spelling;
  std::size_t id;  // index in CHARSET_IDS
};

constexpr Spelling SPELLINGS[] = {
    {"unicode", 0},
    {"nfc", 0},
    {"utf8", 0},
    {"utf-8", 0},
    {"unicode_nfd", 1},
    {"nfd", 1},
    {"decomposed", 1},
    {"unicode tổ hợp", 1},
    {"tcvn3", 2},
    {"abc", 2},
    {"tcvn3 (abc)", 2},
    {"vni_windows", 3},
    {"vni", 3},
    {"vni windows", 3},
    {"cp1258", 4},
    {"windows-1258", 4},
    {"windows 1258 codepage", 4},
    {"viqr", 5},
    {"viscii", 6},
    {"vps", 7},
    {"bkhcm1", 8},
    {"bkhcm 1", 8},
    {"bkhcm2", 9},
    {"bkhcm 2", 9},
    {"vietware_x", 10},
    {"vietware x", 10},
    {"vietware_full", 11},
    {"vietware full", 11},
    {"ncr_decimal", 12},
    {"ncr", 12},
    {"ncr decimal", 12},
    {"ncr_hex", 13},
    {"ncr hex", 13},
    {"cstring_hex", 14},
    {"unicode c string hex", 14},
    {"cstring_decimal", 15},
    {"unicode c string decimal", 15},
};

// The real VISCII codes of the upper-case letters that the tables fold onto
// their lower-case codes; they decode, but are never produced.
constexpr std::pair<char32_t, char32_t> VISCII_CONTROLS[] = {
    {U'\u0002', U'Ẳ'}, {U'\u0005', U'Ẵ'}, {U'\u0006', U'Ẫ'}, {U'\u0014', U'Ỷ'},
    {U'\u0019', U'Ỹ'}, {U'\u001E', U'Ỵ'}, {U'\u00A0', U'Õ'},
};

// The characters the tables write for bytes 80 to 9F (Windows-1252; its five
// unassigned bytes stay C1 controls).
constexpr char32_t HIGH_BYTES[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr bool is_ascii_punctuation(char32_t c) noexcept {
  return (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
         (c >= 0x7B && c <= 0x7E);
}

constexpr bool is_ascii_space(unsigned char b) noexcept {
  return b == ' ' || (b >= 0x09 && b <= 0x0D);
}

constexpr bool has_table(std::size_t id) noexcept { return id > UNICODE_NFD; }

// tcvn3, vni_windows, and viscii to vietware_full.
constexpr bool single_byte(std::size_t id) noexcept {
  return (id >= 2 && id <= 3) || (id >= 6 && id <= 11);
}

std::size_t id_index(std::string_view name) {
  std::string folded;
  bool ascii = true;
  for (unsigned char b : name) ascii = ascii && b < 0x80;
  if (ascii) {
    std::size_t first = 0, last = name.size();
    while (first < last && is_ascii_space(static_cast<unsigned char>(name[first]))) ++first;
    while (last > first && is_ascii_space(static_cast<unsigned char>(name[last - 1]))) --last;
    folded.assign(name.substr(first, last - first));
    for (char& c : folded) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
  } else {
    std::u32string text = qu::decode(name);
    std::size_t first = 0, last = text.size();
    while (first < last && qu::is_white_space(text[first])) ++first;
    while (last > first && qu::is_white_space(text[last - 1])) --last;
    folded = qu::to_lower(qu::encode(std::u32string_view(text).substr(first, last - first)));
  }
  for (const Spelling& s : SPELLINGS) {
    if (s.spelling == folded) return s.id;
  }
  return UNICODE;
}

[[noreturn]] void corrupt() { throw InternalError("charsets.json hỏng"); }

char32_t first_char(std::string_view s) { return qu::decode_at(s, 0).cp; }

DecodeTable reverse(const Table& table, bool viscii) {
  std::unordered_map<std::string_view, std::vector<char32_t>> letters_by_code;
  for (const auto& [letter, code] : table.map) letters_by_code[code].push_back(letter);
  DecodeTable out;
  for (const auto& [code, letters] : letters_by_code) {
    if (code.empty()) continue;  // could never match
    if (letters.size() == 1) {
      out.map.emplace(code, letters[0]);
    } else if (letters.size() == 2 &&
               qu::lower_single(letters[0]) == qu::lower_single(letters[1])) {
      // An upper/lower pair sharing one code reads as the lower-case letter.
      if (qu::is_lowercase(letters[0]) != qu::is_lowercase(letters[1])) {
        out.map.emplace(code, qu::is_lowercase(letters[0]) ? letters[0] : letters[1]);
      }
    }
  }
  if (viscii) {
    for (const auto& [control, letter] : VISCII_CONTROLS) {
      out.map.insert_or_assign(qu::encode(control), letter);
    }
  }
  for (const auto& [code, letter] : out.map) {
    out.starts.insert(first_char(code));
    out.max_len = std::max(out.max_len, qu::char_count(code));
  }
  return out;
}

// Flat lookups over the public tables, for the conversion loops.
struct Encoder {
  std::vector<std::uint16_t> index;  // code point → 1 + position in `codes`; 0 for none
  std::vector<std::string_view> codes;

  const std::string_view* find(char32_t c) const noexcept {
    if (c >= index.size() || index[c] == 0) return nullptr;
    return &codes[index[c] - 1];
  }
};

struct Decoder {
  const DecodeTable* table = nullptr;
  struct Start {
    std::uint32_t lengths = 0;  // bit L-1: some code of L characters starts here
    char32_t single = 0;        // the letter of the one-character code, if any
  };
  std::vector<Start> starts;
  // Characters that stand second in some code.
  std::vector<bool> second;
  // ASCII characters that occur after the first character of some code.
  std::array<bool, 128> inner{};

  Start start(char32_t c) const noexcept { return c < starts.size() ? starts[c] : Start{}; }
  bool is_second(char32_t c) const noexcept { return c < second.size() && second[c]; }
};

struct Runtime {
  Tables tables;
  std::array<Encoder, CHARSET_IDS.size()> encoders;
  std::array<Decoder, CHARSET_IDS.size()> decoders;
  std::unordered_set<std::string, StringHash, std::equal_to<>> viqr_codes;
};

Encoder make_encoder(const Table& table) {
  Encoder e;
  char32_t top = 0;
  for (const auto& entry : table.map) top = std::max(top, entry.first);
  if (table.map.size() >= 0xFFFF || top > 0x10FFFF) corrupt();
  e.index.assign(table.map.empty() ? 0 : top + 1, 0);
  for (const auto& [letter, code] : table.map) {
    e.codes.push_back(code);
    e.index[letter] = static_cast<std::uint16_t>(e.codes.size());
  }
  return e;
}

Decoder make_decoder(const DecodeTable& table) {
  Decoder d;
  d.table = &table;
  if (table.max_len > 32) corrupt();
  for (const auto& [key, letter] : table.map) {
    const std::u32string code = qu::decode(key);
    if (code[0] > 0x10FFFF) corrupt();
    if (code[0] >= d.starts.size()) d.starts.resize(code[0] + 1);
    d.starts[code[0]].lengths |= std::uint32_t{1} << (code.size() - 1);
    if (code.size() == 1) d.starts[code[0]].single = letter;
    if (code.size() >= 2) {
      if (code[1] > 0x10FFFF) corrupt();
      if (code[1] >= d.second.size()) d.second.resize(code[1] + 1);
      d.second[code[1]] = true;
    }
    for (std::size_t k = 1; k < code.size(); ++k) {
      if (code[k] < 0x80) d.inner[code[k]] = true;
    }
  }
  return d;
}

Runtime build_runtime() {
  Runtime r;
  r.tables = parse_tables(quorvel_embedded::charsets_json());
  for (std::size_t id = 0; id < CHARSET_IDS.size(); ++id) {
    const auto e = r.tables.encoding.find(CHARSET_IDS[id]);
    const auto d = r.tables.decoding.find(CHARSET_IDS[id]);
    if (e == r.tables.encoding.end() || d == r.tables.decoding.end()) {
      if (has_table(id)) corrupt();
      continue;
    }
    r.encoders[id] = make_encoder(e->second);
    r.decoders[id] = make_decoder(d->second);
  }
  for (const auto& entry : r.tables.encoding.at("viqr").map) r.viqr_codes.insert(entry.second);
  return r;
}

const Runtime& runtime() {
  static const Runtime r = build_runtime();
  return r;
}

// Appends the character at `pos` as it stands (valid UTF-8) or as U+FFFD.
void append_char(std::string& out, std::string_view text, std::size_t pos, qu::Decoded d) {
  if (d.cp == qu::REPLACEMENT_CHARACTER) {
    qu::append_utf8(out, d.cp);
  } else {
    out.append(text.substr(pos, d.length));
  }
}

qu::Decoded char_at(std::string_view text, std::size_t pos) noexcept {
  const auto b = static_cast<unsigned char>(text[pos]);
  if (b < 0x80) return {b, 1};
  return qu::decode_at(text, pos);
}

std::string encode_table(std::string_view text, const Encoder& encoder) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {  // no table holds an ASCII letter
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    const qu::Decoded d = qu::decode_at(text, i);
    if (const std::string_view* code = encoder.find(d.cp)) {
      out.append(*code);
    } else {
      append_char(out, text, i, d);
    }
    i += d.length;
  }
  return out;
}

// Like a table encoding, but punctuation that would read back as a mark of
// the text before it is escaped with a backslash, and so is the backslash.
std::string encode_viqr(std::string_view text, const Runtime& r) {
  static constexpr std::string_view REPLACEMENT = "\xEF\xBF\xBD";
  const Encoder& encoder = r.encoders[VIQR];
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  std::string_view prev;
  for (std::size_t i = 0; i < text.size();) {
    const qu::Decoded d = char_at(text, i);
    bool escape = d.cp == U'\\';
    if (!escape && is_ascii_punctuation(d.cp) && prev.size() < 8) {
      char candidate[9];
      std::copy(prev.begin(), prev.end(), candidate);
      candidate[prev.size()] = static_cast<char>(d.cp);
      escape = r.viqr_codes.contains(std::string_view(candidate, prev.size() + 1));
    }
    if (escape) {
      out.push_back('\\');
      out.push_back(static_cast<char>(d.cp));
      prev = {};
      i += d.length;
      continue;
    }
    if (const std::string_view* code = encoder.find(d.cp)) {
      out.append(*code);
      prev = *code;
    } else if (d.cp == qu::REPLACEMENT_CHARACTER) {
      out.append(REPLACEMENT);
      prev = REPLACEMENT;
    } else {
      out.append(text.substr(i, d.length));
      prev = text.substr(i, d.length);
    }
    i += d.length;
  }
  return out;
}

std::string decode_table(std::string_view text, const Decoder& decoder, bool viqr) {
  std::string out;
  out.reserve(text.size());
  const std::size_t n = text.size();
  std::size_t ends[33];
  for (std::size_t i = 0; i < n;) {
    const qu::Decoded d = char_at(text, i);
    if (viqr && d.cp == U'\\' && i + 1 < n &&
        is_ascii_punctuation(static_cast<unsigned char>(text[i + 1]))) {
      out.push_back(text[i + 1]);
      i += 2;
      continue;
    }
    if (const Decoder::Start start = decoder.start(d.cp); start.lengths != 0) {
      // Longest code first.
      std::size_t longest = static_cast<std::size_t>(std::bit_width(start.lengths));
      std::size_t count = 1;
      ends[1] = i + d.length;
      if (longest > 1 && (ends[1] == n || !decoder.is_second(char_at(text, ends[1]).cp))) {
        longest = 1;
      }
      while (count < longest && ends[count] < n) {
        ends[count + 1] = ends[count] + char_at(text, ends[count]).length;
        ++count;
      }
      bool hit = false;
      for (std::size_t len = count; len >= 2 && !hit; --len) {
        if ((start.lengths >> (len - 1) & 1) == 0) continue;
        const auto found = decoder.table->map.find(text.substr(i, ends[len] - i));
        if (found != decoder.table->map.end()) {
          qu::append_utf8(out, found->second);
          i = ends[len];
          hit = true;
        }
      }
      if (hit) continue;
      if (start.single != 0) {
        qu::append_utf8(out, start.single);
        i = ends[1];
        continue;
      }
    }
    append_char(out, text, i, d);
    i += d.length;
  }
  if (qu::is_nfc(out)) return out;
  return qu::nfc(out);
}

// The text with one character per byte.
std::string bytes_to_text(std::string_view bytes, bool windows_1252) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (unsigned char b : bytes) {
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
    } else {
      qu::append_utf8(out, windows_1252 && b < 0xA0 ? HIGH_BYTES[b - 0x80] : char32_t{b});
    }
  }
  return out;
}

std::optional<unsigned char> byte_of(char32_t c) noexcept {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (std::size_t k = 0; k < 32; ++k) {
    if (HIGH_BYTES[k] == c) return static_cast<unsigned char>(0x80 + k);
  }
  return std::nullopt;
}

}  // namespace

std::string_view normalize(std::string_view name) { return CHARSET_IDS[id_index(name)]; }

std::optional<std::string_view> display_name(std::string_view name) {
  const std::size_t id = id_index(name);
  if (id == UNICODE) return DISPLAY_NFC;
  if (id == UNICODE_NFD) return DISPLAY_NFD;
  const auto& encoding = runtime().tables.encoding;
  const auto found = encoding.find(CHARSET_IDS[id]);
  if (found == encoding.end()) return std::nullopt;
  return std::string_view(found->second.name);
}

bool is_single_byte(std::string_view name) { return single_byte(id_index(name)); }

std::string encode(std::string_view text, std::string_view name) {
  const std::size_t id = id_index(name);
  if (id == UNICODE) return qu::nfc(text);
  if (id == UNICODE_NFD) return qu::nfd(text);
  const Runtime& r = runtime();
  if (id == VIQR) return encode_viqr(text, r);
  return encode_table(text, r.encoders[id]);
}

std::optional<std::string> encode_bytes(std::string_view text, std::string_view name) {
  const std::size_t id = id_index(name);
  if (!single_byte(id)) return std::nullopt;
  const std::string encoded = encode_table(text, runtime().encoders[id]);
  std::string out;
  out.reserve(encoded.size());
  for (std::size_t i = 0; i < encoded.size();) {
    const qu::Decoded d = char_at(encoded, i);
    const std::optional<unsigned char> b = byte_of(d.cp);
    if (!b) return std::nullopt;
    out.push_back(static_cast<char>(*b));
    i += d.length;
  }
  return out;
}

std::string decode(std::string_view text, std::string_view name) {
  const std::size_t id = id_index(name);
  if (!has_table(id)) return qu::nfc(text);
  return decode_table(text, runtime().decoders[id], id == VIQR);
}

std::string decode_bytes(std::string_view bytes, std::string_view name) {
  const std::size_t id = id_index(name);
  return decode(bytes_to_text(bytes, single_byte(id)), CHARSET_IDS[id]);
}

std::vector<std::string_view> detect(std::string_view text) {
  // Ties go to the charsets most often met.
  static constexpr std::string_view BY_RANK[] = {
      "tcvn3",       "vni_windows",    "viscii", "vps",  "bkhcm1",  "bkhcm2",
      "vietware_x",  "vietware_full",  "cp1258", "viqr", "ncr_hex", "ncr_decimal",
      "cstring_hex", "cstring_decimal"};
  const std::string original = qu::sanitize(text);
  struct Scored {
    std::size_t rank;
    std::size_t score;
  };
  std::vector<Scored> found;
  for (std::size_t rank = 0; rank < std::size(BY_RANK); ++rank) {
    const std::string decoded = decode(original, BY_RANK[rank]);
    if (decoded == original) continue;
    std::size_t score = 0;
    qu::for_each_char(decoded, [&](char32_t c) {
      if (c > 0x7F && !qu::is_white_space(c)) ++score;
    });
    found.push_back({rank, score});
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const Scored& a, const Scored& b) { return a.score > b.score; });
  std::vector<std::string_view> out;
  out.reserve(found.size());
  for (const Scored& s : found) out.push_back(BY_RANK[s.rank]);
  return out;
}

std::string convert(std::string_view text, std::string_view from, std::string_view to) {
  return encode(decode(text, from), to);
}

std::size_t split_point(std::string_view input, std::string_view from) {
  const std::size_t id = id_index(from);
  const Decoder* decoder = has_table(id) ? &runtime().decoders[id] : nullptr;
  // An ASCII character that no code continues is never inside a code, never
  // escaped, never composes with what precedes it and never changes how the
  // next character encodes.
  for (std::size_t p = input.size(); p-- > 1;) {
    const auto b = static_cast<unsigned char>(input[p]);
    if (b >= 0x80) continue;
    if (is_ascii_space(b)) return p;
    if (is_ascii_punctuation(b)) continue;
    if (decoder == nullptr || !decoder->inner[b]) return p;
  }
  return 0;
}

const Tables& tables() { return runtime().tables; }

Tables parse_tables(std::string_view document) {
  const nlohmann::json doc = nlohmann::json::parse(document, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) corrupt();
  const auto charsets = doc.find("charsets");
  if (charsets == doc.end() || !charsets->is_object()) corrupt();
  Tables out;
  for (const auto& [id, obj] : charsets->items()) {
    Table table;
    table.name = id;
    if (obj.is_object()) {
      if (const auto name = obj.find("name"); name != obj.end() && name->is_string()) {
        table.name = name->get<std::string>();
      }
      if (const auto map = obj.find("map"); map != obj.end() && map->is_object()) {
        for (const auto& [key, value] : map->items()) {
          if (key.empty() || !value.is_string()) continue;
          table.map.insert_or_assign(first_char(key), value.get<std::string>());
        }
      }
    }
    DecodeTable decoding = reverse(table, id == CHARSET_IDS[VISCII]);
    out.decoding.emplace(id, std::move(decoding));
    out.encoding.emplace(id, std::move(table));
  }
  return out;
}

}  // namespace qvl_core::charset
