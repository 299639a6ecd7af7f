#include "qvl_core/transform.hpp"
#include "qvl_unicode/unicode.hpp"

namespace qvl_core::transform {

namespace {

bool is_ascii_letter(char32_t c) noexcept { return c >= U'a' && c <= U'z'; }

}  // namespace

std::optional<std::string> to_raw(std::string_view text, const InputMethodSpec& spec) {
  std::string keys;
  std::optional<vi_syllable::DecomposedChar> prev;
  std::uint8_t tone = 0;
  bool ok = true;
  qvl_unicode::for_each_char(text, [&](char32_t c) {
    if (!ok) return;
    const vi_syllable::DecomposedChar d = vi_syllable::decompose_char(c);
    if (!is_ascii_letter(d.base)) {
      ok = false;
      return;
    }
    // The last toned letter decides; the tone key goes after every letter.
    if (d.tone != 0) tone = d.tone;
    const char32_t letter = d.upper ? qvl_unicode::upper_single(d.base) : d.base;
    qvl_unicode::append_utf8(keys, letter);
    if (d.mark) {
      const auto key = spec.mark_key(d.base, *d.mark);
      if (!key) {
        ok = false;
        return;
      }
      qvl_unicode::append_utf8(
          keys, d.upper && is_ascii_letter(*key) ? qvl_unicode::upper_single(*key) : *key);
    } else if (prev && !prev->mark && prev->base == d.base &&
               spec.mark_key(d.base, Mark::Circumflex) == d.base) {
      // "aa" would type â: one more a takes the mark off again.
      qvl_unicode::append_utf8(keys, letter);
    }
    prev = d;
  });
  if (!ok) return std::nullopt;
  if (tone != 0) {
    const auto key = spec.tone_key(tone);
    if (!key) return std::nullopt;
    qvl_unicode::append_utf8(keys, *key);
  }
  return keys;
}

std::optional<std::u32string> rebuild(std::string_view text, const InputMethodSpec& spec,
                                      ComposeOptions options) {
  const auto raw = to_raw(text, spec);
  if (!raw) return std::nullopt;
  std::u32string keys = qvl_unicode::decode(*raw);
  if (transform(keys, spec, options, false).text != text) return std::nullopt;
  return keys;
}

}  // namespace qvl_core::transform
