// Emoji looked up by Vietnamese or English words, with or without diacritics.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

namespace qvl_core::emoji {

struct Emoji {
  std::string_view emoji;
  std::string_view name;      // Vietnamese
  std::string_view keywords;  // ASCII words separated by single spaces
};

extern const std::array<Emoji, 68> EMOJI_TABLE;

struct Match {
  std::string_view emoji;
  std::string_view name;
};

// At most `limit` rows whose name or keywords contain the query (diacritics
// and case ignored): those that start with it first, then shorter names. An
// empty query gives the first rows of the table.
std::vector<Match> search(std::string_view query, std::size_t limit);

}  // namespace qvl_core::emoji
