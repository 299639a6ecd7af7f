#include <string>

#include "qvl_core/charset.hpp"
#include "qvl_unicode/unicode.hpp"

namespace qvl_core::charset {

namespace qu = qvl_unicode;

std::optional<std::string> change_case(std::string_view text, std::string_view mode) {
  const std::string m = qu::to_lower(mode);
  if (m == "upper") return qu::to_upper(text);
  if (m == "lower") return qu::to_lower(text);
  if (m != "title") return std::nullopt;
  // Only the plain space starts a word; the rest of each word is kept as typed.
  std::string out;
  out.reserve(text.size());
  bool word_start = true;
  for (std::size_t i = 0; i < text.size();) {
    const qu::Decoded d = qu::decode_at(text, i);
    if (word_start) {
      out += qu::to_upper(qu::encode(d.cp));
    } else {
      qu::append_utf8(out, d.cp);
    }
    word_start = d.cp == U' ';
    i += d.length;
  }
  return out;
}

std::string remove_diacritics(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  qu::for_each_char(text, [&](char32_t c) {
    if (c == U'đ' || c == U'Đ') {
      out.push_back(c == U'đ' ? U'd' : U'D');
      return;
    }
    const qu::Decomposition d = qu::canonical_decomposition(c);
    for (std::uint8_t k = 0; k < d.size; ++k) {
      if (qu::combining_class(d.cps[k]) == 0) out.push_back(d.cps[k]);
    }
  });
  return qu::encode(qu::nfc(out));
}

}  // namespace qvl_core::charset
