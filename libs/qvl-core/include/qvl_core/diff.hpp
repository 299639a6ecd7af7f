// The smallest edit at the end of a text that turns one text into another.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qvl_core {

struct TextEdit {
  std::string insert;
  // In characters.
  std::size_t delete_count = 0;

  bool operator==(const TextEdit&) const = default;
};

// Keeps the longest common prefix (in characters), deletes the rest of `old_text`
// and inserts the rest of `new_text`.
TextEdit diff(std::string_view old_text, std::string_view new_text);

}  // namespace qvl_core
