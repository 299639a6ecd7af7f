#include "qvl_engine/ports.hpp"

#include "embedded/english_words.hpp"
#include "embedded/vietnamese_words.hpp"
#include "qvl_unicode/unicode.hpp"

namespace qvl_engine::ports {

namespace {

void insert_words(WordSet& set, std::string_view text) {
  for (const auto word : split_words(text)) set.emplace(word);
}

}  // namespace

std::string_view last_chars(std::string_view utf8, std::size_t max_chars) noexcept {
  const std::size_t total = qvl_unicode::char_count(utf8);
  if (total <= max_chars) return utf8;
  std::size_t skip = total - max_chars;
  std::size_t pos = 0;
  while (skip-- > 0) pos += qvl_unicode::decode_at(utf8, pos).length;
  return utf8.substr(pos);
}

std::vector<std::string_view> split_words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t start = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    const auto d = qvl_unicode::decode_at(text, pos);
    if (qvl_unicode::is_white_space(d.cp)) {
      if (pos > start) words.push_back(text.substr(start, pos - start));
      start = pos + d.length;
    }
    pos += d.length;
  }
  if (start < text.size()) words.push_back(text.substr(start));
  return words;
}

WordListDictionary WordListDictionary::from_text(std::string_view english,
                                                 std::string_view vietnamese) {
  WordListDictionary dictionary;
  insert_words(dictionary.english_, english);
  insert_words(dictionary.vietnamese_, vietnamese);
  return dictionary;
}

WordListDictionary WordListDictionary::defaults() {
  return from_text(quorvel_embedded::english_words(), quorvel_embedded::vietnamese_words());
}

const std::shared_ptr<const WordListDictionary>& WordListDictionary::shared_default() {
  static const std::shared_ptr<const WordListDictionary> dictionary =
      std::make_shared<const WordListDictionary>(defaults());
  return dictionary;
}

bool WordListDictionary::is_english(std::string_view word) const {
  return english_.find(word) != english_.end();
}

bool WordListDictionary::is_vietnamese(std::string_view word) const {
  return vietnamese_.find(word) != vietnamese_.end();
}

}  // namespace qvl_engine::ports
