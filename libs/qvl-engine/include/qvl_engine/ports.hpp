// What a session reaches the outside world through: storage, the focused
// application, the text field and word lists.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "qvl_engine/config.hpp"

namespace qvl_engine::ports {

class ConfigStore {
 public:
  virtual ~ConfigStore() = default;
  // The whole record currently stored; an unreadable store returns what it holds.
  virtual Config load() = 0;
  virtual void save(const Config& config) = 0;
};

class AppContext {
 public:
  virtual ~AppContext() = default;
  // The focused application as the frontend reported it, not normalised.
  virtual std::optional<std::string> current_app() = 0;
};

class SurroundingText {
 public:
  virtual ~SurroundingText() = default;
  // The last `max_chars` characters before the cursor (all of them when
  // fewer exist); nothing when the frontend supplied no surrounding text.
  virtual std::optional<std::string> before_cursor(std::size_t max_chars) = 0;
};

class Dictionary {
 public:
  virtual ~Dictionary() = default;
  virtual bool is_english(std::string_view word) const = 0;
  virtual bool is_vietnamese(std::string_view word) const = 0;
};

// The last `max_chars` characters of a UTF-8 text, as a view into it.
std::string_view last_chars(std::string_view utf8, std::size_t max_chars) noexcept;

// The pieces of a word-list text between runs of White_Space characters.
std::vector<std::string_view> split_words(std::string_view text);

// Hashes strings and string views alike, so lookups need no copy.
struct WordHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept {
    return std::hash<std::string_view>{}(s);
  }
};
using WordSet = std::unordered_set<std::string, WordHash, std::equal_to<>>;

// Two independent word sets; a plain value, copying it copies both.
class WordListDictionary final : public Dictionary {
 public:
  WordListDictionary() = default;

  // Words are stored as written: no case folding, no normalisation.
  static WordListDictionary from_text(std::string_view english, std::string_view vietnamese);
  // The built-in English and Vietnamese lists.
  static WordListDictionary defaults();
  // One process-wide copy of defaults(), built once; share it and copy it
  // before changing it.
  static const std::shared_ptr<const WordListDictionary>& shared_default();

  bool is_english(std::string_view word) const override;
  bool is_vietnamese(std::string_view word) const override;

  WordSet& english() noexcept { return english_; }
  WordSet& vietnamese() noexcept { return vietnamese_; }
  const WordSet& english() const noexcept { return english_; }
  const WordSet& vietnamese() const noexcept { return vietnamese_; }

 private:
  WordSet english_;
  WordSet vietnamese_;
};

}  // namespace qvl_engine::ports
