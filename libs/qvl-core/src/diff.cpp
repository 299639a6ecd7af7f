#include "qvl_core/diff.hpp"

#include "qvl_unicode/unicode.hpp"

namespace qvl_core {

TextEdit diff(std::string_view old_text, std::string_view new_text) {
  std::size_t pos = 0;
  // Characters are compared by their bytes, so that two different ill-formed
  // sequences never count as the same character.
  while (pos < old_text.size() && pos < new_text.size()) {
    const auto a = qvl_unicode::decode_at(old_text, pos);
    const auto b = qvl_unicode::decode_at(new_text, pos);
    if (a.length != b.length || old_text.substr(pos, a.length) != new_text.substr(pos, b.length)) {
      break;
    }
    pos += a.length;
  }
  return {std::string(new_text.substr(pos)), qvl_unicode::char_count(old_text.substr(pos))};
}

}  // namespace qvl_core
