#include "qvl_core/rules.hpp"

#include "qvl_unicode/unicode.hpp"

namespace qvl_core::rules {

bool InputMethodSpec::is_function_key(char32_t c) const noexcept {
  const char32_t l = qvl_unicode::lower_single(c);
  return tone_of(l) || l == remove_key || !marks_for(l).empty() || standalone_for(l) ||
         insert_for(l);
}

bool InputMethodSpec::extra_word_key(char32_t c) const noexcept {
  const char32_t l = qvl_unicode::lower_single(c);
  if (l >= U'a' && l <= U'z') return false;
  return tone_of(l) || l == remove_key || !marks_for(l).empty() || standalone_for(l);
}

const InputMethodSpec& by_name(std::string_view name) noexcept {
  if (name == VNI.name) return VNI;
  if (name == VIQR.name) return VIQR;
  if (name == SIMPLE_TELEX.name) return SIMPLE_TELEX;
  return TELEX;
}

}  // namespace qvl_core::rules
