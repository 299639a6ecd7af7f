#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "letters.hpp"
#include "qvl_core/internal_error.hpp"
#include "qvl_unicode/unicode.hpp"
#include "vi_syllable/vi_syllable.hpp"

namespace vi_syllable {
namespace {

using namespace detail;

constexpr std::array<std::string_view, 25> INITIALS = {
    "ngh", "ng", "nh", "gh", "kh", "ph", "th", "tr", "ch", "b", "c", "d", "đ",
    "g",   "h",  "k",  "l",  "m",  "n",  "p",  "r",  "s",  "t", "v", "x"};

constexpr std::array<std::string_view, 45> OPEN_CLUSTERS = {
    "a",   "e",   "ê",   "i",   "o",   "ô",   "ơ",   "u",   "ư",  "y",   "ai",  "ao",
    "au",  "ay",  "âu",  "ây",  "eo",  "êu",  "ia",  "iu",  "oa", "oe",  "oi",  "ôi",
    "ơi",  "ua",  "uê",  "ui",  "uy",  "ưa",  "ưi",  "ưu",  "uơ", "iêu", "yêu", "oai",
    "oay", "oao", "oeo", "uây", "uôi", "ươi", "ươu", "uya", "uyu"};

constexpr std::array<std::string_view, 23> CODA_CLUSTERS = {
    "a",  "ă",  "â",  "e",  "ê",  "i",  "o",  "ô",  "ơ",  "u",   "ư", "oa",
    "oă", "oe", "uâ", "uê", "uy", "iê", "yê", "uô", "ươ", "uyê", "oo"};

constexpr std::array<std::string_view, 6> CH_NH_CLUSTERS = {"a", "ê", "i", "oa", "uê", "uy"};

constexpr std::array<std::string_view, 8> FINALS = {"c", "ch", "m", "n", "ng", "nh", "p", "t"};

std::vector<std::u32string> prefixes(std::u32string_view s) {
  std::vector<std::u32string> out;
  for (std::size_t n = 1; n <= s.size(); ++n) out.emplace_back(s.substr(0, n));
  return out;
}

char32_t base_of_marked(char32_t c) {
  switch (c) {
    case U'\u0103':
    case U'\u00E2':
      return U'a';
    case U'\u00EA':
      return U'e';
    case U'\u00F4':
    case U'\u01A1':
      return U'o';
    case U'\u01B0':
      return U'u';
    default:
      return 0;
  }
}

// Each marked letter independently kept or replaced by its base.
void mark_variants(std::u32string_view s, std::set<std::string>& out) {
  std::vector<std::u32string> variants{std::u32string()};
  for (char32_t c : s) {
    const char32_t base = base_of_marked(c);
    const std::size_t n = variants.size();
    for (std::size_t i = 0; i < n; ++i) {
      if (base != 0) variants.push_back(variants[i] + base);
      variants[i] += c;
    }
  }
  for (const auto& v : variants) out.insert(qvl_unicode::encode(v));
}

template <std::size_t N>
std::set<std::string> as_set(const std::array<std::string_view, N>& list) {
  return std::set<std::string>(list.begin(), list.end());
}

SyllableTables build_tables() {
  SyllableTables t;
  std::vector<std::string_view> initials(INITIALS.begin(), INITIALS.end());
  initials.push_back("gi");
  initials.push_back("qu");
  for (auto x : initials) {
    for (const auto& p : prefixes(qvl_unicode::decode(x)))
      t.INITIAL_PREFIXES.insert(qvl_unicode::encode(p));
  }
  t.OPEN_CLUSTERS = as_set(OPEN_CLUSTERS);
  t.CODA_CLUSTERS = as_set(CODA_CLUSTERS);
  t.CH_NH_CLUSTERS = as_set(CH_NH_CLUSTERS);
  for (const auto& v : t.OPEN_CLUSTERS) {
    for (const auto& p : prefixes(qvl_unicode::decode(v))) mark_variants(p, t.PARTIAL_CLUSTERS);
  }
  for (const auto& v : t.CODA_CLUSTERS) {
    for (const auto& p : prefixes(qvl_unicode::decode(v))) mark_variants(p, t.PARTIAL_CLUSTERS);
  }
  for (auto f : FINALS) {
    const bool ch_nh = f == "ch" || f == "nh";
    for (const auto& v : t.CODA_CLUSTERS) {
      if (ch_nh && !t.CH_NH_CLUSTERS.contains(v)) continue;
      for (const auto& p : prefixes(qvl_unicode::decode(f)))
        mark_variants(qvl_unicode::decode(v), t.PARTIAL_CODA_MAP[qvl_unicode::encode(p)]);
    }
  }
  t.PARTIAL_CODA_MAP_K = t.PARTIAL_CODA_MAP;
  auto& k = t.PARTIAL_CODA_MAP_K["k"];
  for (const auto& v : t.CODA_CLUSTERS) mark_variants(qvl_unicode::decode(v), k);
  return t;
}

// A vowel cluster of up to three letters as 4 bits per letter; -1 when it
// cannot be in any table.
int cluster_code(std::u32string_view cluster, bool leading_u = false) {
  if (cluster.empty() || cluster.size() + (leading_u ? 1 : 0) > 3) return -1;
  int code = leading_u ? vowel_index(U'u') : 0;
  for (char32_t c : cluster) {
    const int v = vowel_index(c);
    if (v == 0) return -1;
    code = (code << 4) | v;
  }
  return code;
}

// Up to three letters a-z or đ as 5 bits per letter; -1 otherwise.
int initial_code(std::u32string_view s) {
  if (s.empty() || s.size() > 3) return -1;
  int code = 0;
  for (char32_t c : s) {
    int v = 0;
    if (c >= U'a' && c <= U'z') v = static_cast<int>(c - U'a') + 1;
    if (c == D_STROKE) v = 27;
    if (v == 0) return -1;
    code = (code << 5) | v;
  }
  return code;
}

// Flags of a cluster code: set membership, then the coda keys under which
// each coda map holds it.
constexpr std::uint32_t OPEN = 1u << 0;
constexpr std::uint32_t CODA = 1u << 1;
constexpr std::uint32_t CH_NH = 1u << 2;
constexpr std::uint32_t PARTIAL = 1u << 3;
constexpr int MAP_SHIFT = 4;
constexpr int MAP_K_SHIFT = MAP_SHIFT + CODA_COUNT;

// The tables folded into bit lookups, so that a check costs a few array reads.
struct Lookup {
  std::array<std::uint32_t, 1 << 12> cluster{};
  std::bitset<1 << 15> initial_prefix;
  std::uint32_t map_keys = 0;
  std::uint32_t map_keys_k = 0;
};

void fold_cluster_set(Lookup& l, const std::set<std::string>& set, std::uint32_t flag) {
  for (const auto& s : set) {
    const int code = cluster_code(qvl_unicode::decode(s));
    if (code < 0) throw qvl_core::InternalError("vi_syllable: no cluster code for " + s);
    l.cluster[static_cast<std::size_t>(code)] |= flag;
  }
}

void fold_coda_map(Lookup& l, const std::map<std::string, std::set<std::string>>& map, int shift,
                   std::uint32_t& keys) {
  for (const auto& [key, set] : map) {
    const int id = coda_id(qvl_unicode::decode(key));
    if (id == NO_CODA) throw qvl_core::InternalError("vi_syllable: unknown coda key " + key);
    keys |= bit(id);
    fold_cluster_set(l, set, std::uint32_t{1} << (shift + id));
  }
}

Lookup build_lookup(const SyllableTables& t) {
  Lookup l;
  for (const auto& s : t.INITIAL_PREFIXES) {
    const int code = initial_code(qvl_unicode::decode(s));
    if (code < 0) throw qvl_core::InternalError("vi_syllable: no initial code for " + s);
    l.initial_prefix.set(static_cast<std::size_t>(code));
  }
  fold_cluster_set(l, t.OPEN_CLUSTERS, OPEN);
  fold_cluster_set(l, t.CODA_CLUSTERS, CODA);
  fold_cluster_set(l, t.CH_NH_CLUSTERS, CH_NH);
  fold_cluster_set(l, t.PARTIAL_CLUSTERS, PARTIAL);
  fold_coda_map(l, t.PARTIAL_CODA_MAP, MAP_SHIFT, l.map_keys);
  fold_coda_map(l, t.PARTIAL_CODA_MAP_K, MAP_K_SHIFT, l.map_keys_k);
  return l;
}

const Lookup& lookup() {
  static const Lookup l = build_lookup(tables());
  return l;
}

bool spelling_ok(std::u32string_view initial, char32_t v) {
  const bool front = is_front_vowel(v);
  if (initial == U"ngh" || initial == U"gh" || initial == U"k") return front;
  if (initial == U"ng" || initial == U"c") return !front;
  if (initial == U"qu") return v != U'u' && v != U'\u01B0';
  if (initial == U"g") return v != U'e' && v != U'\u00EA';
  return true;
}

bool is_tone_clash(int coda, std::uint8_t tone, bool allow_coda_k) {
  return is_stop_coda(coda, allow_coda_k) && (tone == 2 || tone == 3 || tone == 4);
}

// The checks of a word being typed; `coda` receives the coda's identifier
// for check_final.
SyllableStatus check_word(std::u32string_view word, std::uint8_t tone, bool allow_coda_k,
                          int& coda) {
  coda = NO_CODA;
  if (word.empty()) return SyllableStatus::Incomplete;
  for (char32_t c : word) {
    if (!is_word_letter(c)) return SyllableStatus::Invalid;
  }
  const Lookup& l = lookup();
  const SyllableView s = parse_view(word);

  if (s.cluster.empty()) {
    if (s.coda.empty()) return SyllableStatus::Incomplete;
    const int code = initial_code(word);
    return code >= 0 && l.initial_prefix.test(static_cast<std::size_t>(code))
               ? SyllableStatus::Incomplete
               : SyllableStatus::Invalid;
  }
  // Vowel, consonant, vowel can never be one syllable.
  for (char32_t c : s.coda) {
    if (is_vowel(c)) return SyllableStatus::Invalid;
  }
  // qu swallows the u of uy: quy, quyên and quynh look up uy, uyê and uy.
  const int key = cluster_code(s.cluster, s.initial == U"qu" && s.cluster[0] == U'y');
  if (!spelling_ok(s.initial, s.cluster[0])) return SyllableStatus::Invalid;
  const std::uint32_t flags = key < 0 ? 0 : l.cluster[static_cast<std::size_t>(key)];

  if (s.coda.empty()) {
    if (flags & OPEN) return SyllableStatus::Valid;
    return flags & PARTIAL ? SyllableStatus::Incomplete : SyllableStatus::Invalid;
  }
  coda = coda_id(s.coda);
  if (coda == NO_CODA) return SyllableStatus::Invalid;
  const std::uint32_t finals = allow_coda_k ? FINALS_MASK | bit(K) : FINALS_MASK;
  const bool clash = is_tone_clash(coda, tone, allow_coda_k);
  if ((finals & bit(coda)) && (flags & CODA) && ((coda != CH && coda != NH) || (flags & CH_NH)))
    return clash ? SyllableStatus::Invalid : SyllableStatus::Valid;
  const std::uint32_t keys = allow_coda_k ? l.map_keys_k : l.map_keys;
  const int shift = allow_coda_k ? MAP_K_SHIFT : MAP_SHIFT;
  if ((keys & bit(coda)) && (flags & (std::uint32_t{1} << (shift + coda))))
    return clash ? SyllableStatus::Invalid : SyllableStatus::Incomplete;
  return SyllableStatus::Invalid;
}

}  // namespace

const SyllableTables& tables() {
  static const SyllableTables t = build_tables();
  return t;
}

SyllableStatus check_with(std::u32string_view word, std::uint8_t tone, bool allow_coda_k) {
  int coda;
  return check_word(word, tone, allow_coda_k, coda);
}

std::size_t Syllable::cluster_end() const {
  return cluster_start + qvl_unicode::char_count(cluster);
}

SyllableView parse_view(std::u32string_view word) {
  const Split s = split(word);
  return {word.substr(0, s.initial), word.substr(s.initial, s.cluster),
          word.substr(s.initial + s.cluster)};
}

Syllable parse(std::string_view word) {
  // The initial needs at most three characters of look-ahead.
  std::array<char32_t, 3> head{};
  std::array<std::size_t, 3> ends{};
  std::size_t pos = 0;
  for (std::size_t i = 0; i < head.size() && pos < word.size(); ++i) {
    const qvl_unicode::Decoded d = qvl_unicode::decode_at(word, pos);
    head[i] = d.cp;
    pos += d.length;
    ends[i] = pos;
  }
  const std::size_t initial = initial_length(head[0], head[1], head[2]);
  const std::size_t cluster_begin = initial == 0 ? 0 : ends[initial - 1];
  std::size_t cluster_end = cluster_begin;
  while (cluster_end < word.size()) {
    const qvl_unicode::Decoded d = qvl_unicode::decode_at(word, cluster_end);
    if (!is_vowel(d.cp)) break;
    cluster_end += d.length;
  }
  return {std::string(word.substr(0, cluster_begin)),
          std::string(word.substr(cluster_begin, cluster_end - cluster_begin)),
          std::string(word.substr(cluster_end)), initial};
}

SyllableStatus check(std::u32string_view word, std::uint8_t tone) {
  return check_with(word, tone, false);
}

SyllableStatus check_final(std::u32string_view word, std::uint8_t tone, bool allow_coda_k) {
  int coda;
  const SyllableStatus status = check_word(word, tone, allow_coda_k, coda);
  if (status != SyllableStatus::Valid) return status;
  // A finished syllable on a stop coda carries sắc or nặng.
  if (is_stop_coda(coda, allow_coda_k) && tone != 1 && tone != 5) return SyllableStatus::Invalid;
  return SyllableStatus::Valid;
}

SyllableStatus check_with(std::string_view word, std::uint8_t tone, bool allow_coda_k) {
  return with_code_points(word,
                          [&](std::u32string_view w) { return check_with(w, tone, allow_coda_k); });
}

SyllableStatus check(std::string_view word, std::uint8_t tone) {
  return check_with(word, tone, false);
}

SyllableStatus check_final(std::string_view word, std::uint8_t tone, bool allow_coda_k) {
  return with_code_points(
      word, [&](std::u32string_view w) { return check_final(w, tone, allow_coda_k); });
}

}  // namespace vi_syllable
