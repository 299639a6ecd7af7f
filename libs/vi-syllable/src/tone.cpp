#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "letters.hpp"
#include "qvl_core/internal_error.hpp"
#include "qvl_unicode/unicode.hpp"
#include "vi_syllable/vi_syllable.hpp"

namespace vi_syllable {
namespace {

using namespace detail;

constexpr char32_t TONE_MARKS[6] = {0, U'\u0301', U'\u0300', U'\u0309', U'\u0303', U'\u0323'};

char32_t mark_char(Mark m) {
  switch (m) {
    case Mark::Circumflex:
      return U'\u0302';
    case Mark::Breve:
      return U'\u0306';
    case Mark::Horn:
      return U'\u031B';
    case Mark::Stroke:
      break;
  }
  return 0;
}

char32_t compose_slow(char32_t base, std::optional<Mark> mark, std::uint8_t tone, bool upper) {
  std::u32string seq;
  if (mark == Mark::Stroke) {
    seq += base == U'd' ? D_STROKE : base;
  } else {
    seq += base;
    if (mark) seq += mark_char(*mark);
  }
  if (tone >= 1 && tone <= 5) seq += TONE_MARKS[tone];
  // NFC reorders the marks (nặng before the circumflex) and composes; marks
  // without a precomposed form are dropped with the rest of the sequence.
  const std::u32string composed = qvl_unicode::nfc(seq);
  const char32_t c = composed.empty() ? base : composed[0];
  return upper ? qvl_unicode::upper_single(c) : c;
}

DecomposedChar decompose_slow(char32_t c) {
  const char32_t l = qvl_unicode::lower_single(c);
  const bool upper = c != l;
  if (l == D_STROKE) return {U'd', upper, Mark::Stroke, 0};
  const qvl_unicode::Decomposition d = qvl_unicode::canonical_decomposition(l);
  DecomposedChar r{d.size == 0 ? l : d.cps[0], upper, std::nullopt, 0};
  for (std::size_t i = 1; i < d.size; ++i) {
    // A Hangul syllable decomposes into letters, not marks: taking it
    // apart would lose them, so it stays whole.
    if (qvl_unicode::combining_class(d.cps[i]) == 0) return {l, upper, std::nullopt, 0};
  }
  for (std::size_t i = 1; i < d.size; ++i) {
    switch (d.cps[i]) {
      case U'\u0301':
        r.tone = 1;
        break;
      case U'\u0300':
        r.tone = 2;
        break;
      case U'\u0309':
        r.tone = 3;
        break;
      case U'\u0303':
        r.tone = 4;
        break;
      case U'\u0323':
        r.tone = 5;
        break;
      case U'\u0302':
        r.mark = Mark::Circumflex;
        break;
      case U'\u0306':
        r.mark = Mark::Breve;
        break;
      case U'\u031B':
        r.mark = Mark::Horn;
        break;
      default:
        break;  // foreign marks: ü gives u
    }
  }
  return r;
}

constexpr std::size_t MARK_STATES = 5;  // none and the four marks
constexpr std::size_t TONES = 6;

std::size_t mark_state(std::optional<Mark> mark) {
  return mark ? static_cast<std::size_t>(*mark) + 1 : 0;
}

// Every letter the composer can build, composed once through ICU.
struct ComposeTable {
  std::array<char32_t, 26 * MARK_STATES * TONES * 2> c{};

  static std::size_t index(char32_t base, std::size_t mark, std::size_t tone, bool upper) {
    return (((base - U'a') * MARK_STATES + mark) * TONES + tone) * 2 + (upper ? 1 : 0);
  }

  ComposeTable() {
    for (char32_t base = U'a'; base <= U'z'; ++base) {
      for (std::size_t m = 0; m < MARK_STATES; ++m) {
        const std::optional<Mark> mark =
            m == 0 ? std::nullopt : std::optional<Mark>(static_cast<Mark>(m - 1));
        for (std::size_t t = 0; t < TONES; ++t) {
          for (bool upper : {false, true})
            c[index(base, m, t, upper)] =
                compose_slow(base, mark, static_cast<std::uint8_t>(t), upper);
        }
      }
    }
  }
};

const ComposeTable& compose_table() {
  static const ComposeTable t;
  return t;
}

// Latin letters live in these two blocks; all of them are decomposed once.
constexpr char32_t LOW_END = 0x0250;
constexpr char32_t EXT_BEGIN = 0x1E00;
constexpr char32_t EXT_END = 0x1F00;

struct DecomposeTable {
  std::array<DecomposedChar, LOW_END> low;
  std::array<DecomposedChar, EXT_END - EXT_BEGIN> ext;

  DecomposeTable() {
    for (char32_t c = 0; c < LOW_END; ++c) low[c] = decompose_slow(c);
    for (char32_t c = EXT_BEGIN; c < EXT_END; ++c) ext[c - EXT_BEGIN] = decompose_slow(c);
  }
};

const DecomposeTable& decompose_table() {
  static const DecomposeTable t;
  return t;
}

std::optional<std::size_t> tone_index_of(std::u32string_view word, ToneStyle style) {
  const SyllableView s = parse_view(word);
  const std::u32string_view v = s.cluster;
  const std::size_t start = s.cluster_start();
  const std::size_t n = v.size();
  if (n == 0) return std::nullopt;
  // In ươ, uơ, ươi and ươu the tone goes on ơ, not on ư.
  if (const auto horn_o = v.find(U'\u01A1'); horn_o != std::u32string_view::npos)
    return start + horn_o;
  for (std::size_t i = 0; i < n; ++i) {
    if (is_marked_vowel(v[i])) return start + i;
  }
  if (!s.coda.empty()) return start + n - 1;
  if (n == 3) return start + 1;
  if (n == 1) return start;
  if (v == U"oa" || v == U"oe" || v == U"uy") return style == ToneStyle::Old ? start : start + 1;
  return start;
}

}  // namespace

char32_t compose_char(char32_t base, std::optional<Mark> mark, std::uint8_t tone, bool upper) {
  if (mark && *mark > Mark::Stroke)
    throw qvl_core::InternalError("vi_syllable: no such mark " +
                                  std::to_string(static_cast<int>(*mark)));
  if (base >= U'a' && base <= U'z') {
    return compose_table()
        .c[ComposeTable::index(base, mark_state(mark), tone <= 5 ? tone : 0, upper)];
  }
  return compose_slow(base, mark, tone, upper);
}

DecomposedChar decompose_char(char32_t c) {
  if (c < LOW_END) return decompose_table().low[c];
  if (c >= EXT_BEGIN && c < EXT_END) return decompose_table().ext[c - EXT_BEGIN];
  return decompose_slow(c);
}

std::pair<std::string, std::uint8_t> strip_tone(std::string_view word) {
  std::pair<std::string, std::uint8_t> out;
  out.first.reserve(word.size());
  qvl_unicode::for_each_char(word, [&](char32_t c) {
    const DecomposedChar d = decompose_char(c);
    if (d.tone != 0) out.second = d.tone;
    qvl_unicode::append_utf8(out.first, compose_char(d.base, d.mark, 0, d.upper));
  });
  return out;
}

std::optional<std::size_t> tone_index(std::u32string_view word, ToneStyle style) {
  return tone_index_of(word, style);
}

std::optional<std::size_t> tone_index(std::string_view word, ToneStyle style) {
  return with_code_points(word, [&](std::u32string_view w) { return tone_index_of(w, style); });
}

std::string place_tone(std::string_view word, std::uint8_t tone, ToneStyle style) {
  return with_code_points(word, [&](std::u32string_view w) {
    // Letters on the stack for any word a syllable could be.
    std::array<char32_t, 64> small;
    std::u32string large;
    char32_t* buf = small.data();
    if (w.size() * 2 > small.size()) {
      large.resize(w.size() * 2);
      buf = large.data();
    }
    char32_t* stripped = buf;
    char32_t* lower = buf + w.size();
    for (std::size_t i = 0; i < w.size(); ++i) {
      const DecomposedChar d = decompose_char(w[i]);
      stripped[i] = compose_char(d.base, d.mark, 0, d.upper);
      // One character at a time, so that indices stay those of `stripped`.
      lower[i] = qvl_unicode::lower_single(stripped[i]);
    }
    if (tone != 0) {
      if (const auto i = tone_index_of(std::u32string_view(lower, w.size()), style)) {
        const DecomposedChar d = decompose_char(stripped[*i]);
        stripped[*i] = compose_char(d.base, d.mark, tone, d.upper);
      }
    }
    std::string out;
    out.reserve(word.size() + 4);
    for (std::size_t i = 0; i < w.size(); ++i) qvl_unicode::append_utf8(out, stripped[i]);
    return out;
  });
}

bool tone_allowed_with(std::u32string_view word, std::uint8_t tone, bool allow_coda_k) {
  if (!is_stop_coda(coda_id(parse_view(word).coda), allow_coda_k)) return true;
  return tone == 0 || tone == 1 || tone == 5;
}

bool tone_allowed(std::u32string_view word, std::uint8_t tone) {
  return tone_allowed_with(word, tone, false);
}

bool tone_allowed_with(std::string_view word, std::uint8_t tone, bool allow_coda_k) {
  return with_code_points(
      word, [&](std::u32string_view w) { return tone_allowed_with(w, tone, allow_coda_k); });
}

bool tone_allowed(std::string_view word, std::uint8_t tone) {
  return tone_allowed_with(word, tone, false);
}

}  // namespace vi_syllable
