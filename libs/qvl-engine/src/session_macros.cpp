// Macros at a word's end, their undo, macros while Vietnamese input is off,
// and the capitalisation state.
#include <array>
#include <utility>

#include "qvl_engine/session.hpp"
#include "qvl_unicode/unicode.hpp"
#include "session_text.hpp"

namespace qvl_engine::session {

namespace {

using namespace text;

// Byte offset of the start of the last `n` characters (0 when fewer exist).
std::size_t tail_start(std::string_view s, std::size_t n) noexcept {
  std::size_t pos = s.size();
  while (n > 0 && pos > 0) {
    pos = last_char_start(s.substr(0, pos));
    --n;
  }
  return pos;
}

// A macro key must start a word: a letter, a digit or joining punctuation
// right before it makes it the tail of something longer.
bool glues_to_macro(char32_t c) {
  if (is_ascii_letter(c) || is_ascii_digit(c)) return true;
  if (c >= 0xAA && qvl_unicode::is_alphabetic(c)) return true;
  if (c >= 0xB2 && qvl_unicode::is_numeric(c)) return true;
  switch (c) {
    case U'-':
    case U'_':
    case U'.':
    case U'/':
    case U':':
    case U'\\':
    case U'@':
      return true;
    default:
      return false;
  }
}

bool starts_upper(std::string_view s) {
  if (s.empty()) return false;
  const char32_t c = qvl_unicode::decode_at(s, 0).cp;
  return (c >= U'A' && c <= U'Z') || (c >= 0xC0 && qvl_unicode::is_uppercase(c));
}

// More than one character, some capital and no small letter: "KO", "K.O".
bool all_capitals(std::string_view s) {
  std::size_t count = 0;
  bool upper = false;
  bool lower = false;
  qvl_unicode::for_each_char(s, [&](char32_t c) {
    ++count;
    upper = upper || qvl_unicode::is_uppercase(c);
    lower = lower || qvl_unicode::is_lowercase(c);
  });
  return count > 1 && upper && !lower;
}

}  // namespace

std::optional<std::string> ImeSession::macro_lookup(std::string_view sample,
                                                    std::string_view key) const {
  if (config_.macros.empty()) return std::nullopt;
  const auto entry = config_.macros.find(qvl_unicode::to_lower(key));
  if (entry == config_.macros.end() || entry->second.empty()) return std::nullopt;
  const std::string& expansion = entry->second;
  if (all_capitals(sample)) return qvl_unicode::to_upper(expansion);
  if (!starts_upper(sample)) return expansion;
  const std::size_t first = qvl_unicode::decode_at(expansion, 0).length;
  std::string out = qvl_unicode::to_upper(std::string_view(expansion).substr(0, first));
  out.append(expansion, first);
  return out;
}

std::optional<Action> ImeSession::macro_several_words(const std::string& text,
                                                      std::optional<char32_t> terminator) {
  if (config_.macros.empty()) return std::nullopt;
  const std::string s = history_ + text;
  const std::string s_lc = qvl_unicode::to_lower(s);
  const std::size_t word_chars = chars(composed_);
  const std::string* best_key = nullptr;
  std::size_t best_chars = 0;
  for (const auto& [key, expansion] : config_.macros) {
    const std::string k_lc = qvl_unicode::to_lower(key);
    if (k_lc.empty() || !s_lc.ends_with(k_lc)) continue;
    const std::size_t at = s_lc.size() - k_lc.size();
    if (at > 0 &&
        glues_to_macro(qvl_unicode::decode_at(s_lc, last_char_start(s_lc.substr(0, at))).cp)) {
      continue;
    }
    const std::size_t n = chars(k_lc);
    // Keys that fit in the current word are the one-word step's.
    if (n <= word_chars) continue;
    // Equal lengths differ only in case: take the smaller key, for a stable choice.
    if (n > best_chars || (n == best_chars && key < *best_key)) {
      best_key = &key;
      best_chars = n;
    }
  }
  if (!best_key) return std::nullopt;
  const std::size_t match = tail_start(s, best_chars);
  std::optional<std::string> expansion = macro_lookup(std::string_view(s).substr(match), *best_key);
  if (!expansion) return std::nullopt;
  std::string shown = render(*expansion);
  if (terminator) {
    std::string now = shown;
    qvl_unicode::append_utf8(now, *terminator);
    std::string before = *best_key;
    qvl_unicode::append_utf8(before, *terminator);
    undo_record_.emplace(std::move(now), std::move(before));
  } else {
    undo_record_.reset();
  }
  clear_history();
  append_history(std::string_view(s).substr(0, match));
  append_history(shown);
  if (terminator) {
    std::array<char, 4> buf{};
    append_history({buf.data(), qvl_unicode::encode_to(*terminator, buf.data())});
  }
  // The recorded word is gone from the field.
  drop_last_word();
  reset();
  // Enter is delivered too, as after a one-word expansion.
  return Action::replace(std::move(shown), static_cast<std::uint32_t>(chars(*best_key)), true);
}

std::optional<Action> ImeSession::macro_undo() {
  if (!config_.macro_undo || !replace_mode_ || !undo_record_) return std::nullopt;
  auto [now, before] = std::move(*undo_record_);
  undo_record_.reset();
  const std::size_t count = chars(now);
  const std::optional<std::string> field = ports_.surrounding_text->before_cursor(count);
  if (!field || render(*field) != now) return std::nullopt;
  return Action::replace(render(before), static_cast<std::uint32_t>(count), false);
}

Action ImeSession::off_mode_key(const KeyEvent& event) {
  const bool active =
      config_.macro_enabled && config_.macro_in_off_mode && field_kind_ != FieldKind::Url;
  const Key::Kind kind = event.key.kind();
  const bool navigation = kind != Key::Kind::Char && kind != Key::Kind::Backspace &&
                          kind != Key::Kind::Enter && kind != Key::Kind::Escape &&
                          kind != Key::Kind::Unknown;
  if (event.ctrl || event.alt || event.super || navigation) {
    off_buffer_.clear();
    undo_record_.reset();
    return Action::pass();
  }
  const bool is_char = event.key.is_char();
  const char32_t c = event.key.ch();
  if (is_char && active &&
      (is_ascii_letter(c) || is_ascii_digit(c) || (c >= 0xAA && qvl_unicode::is_alphabetic(c)))) {
    if (off_buffer_.size() < OFF_BUFFER_CHARS) off_buffer_.push_back(c);
    return Action::pass();
  }
  if (active && !off_buffer_.empty()) {
    const std::string typed = qvl_unicode::encode(off_buffer_);
    off_buffer_.clear();
    std::optional<std::string> expansion = macro_lookup(typed, typed);
    if (expansion && replace_mode_) {
      std::string shown = render(*expansion);
      append_history(shown);
      if (is_char) {
        std::string key;
        qvl_unicode::append_utf8(key, c);
        append_history(key);
      }
      return Action::replace(std::move(shown), static_cast<std::uint32_t>(chars(typed)),
                             is_char || kind == Key::Kind::Enter);
    }
    return Action::pass();
  }
  off_buffer_.clear();
  return Action::pass();
}

void ImeSession::update_capitalization(char32_t c) {
  switch (c) {
    case U'"':
    case U'\'':
    case U')':
    case U']':
    case U'\u00BB':
    case U'\u2019':
    case U'\u201D':
    case U'\u203A':
      return;
    case U'!':
    case U'.':
    case U'?':
    case U'\u2026':
      sentence_end_ = true;
      return;
    default:
      break;
  }
  if (qvl_unicode::is_white_space(c)) {
    if (sentence_end_ || c == U'\r' || c == U'\n') capitalize_next_ = config_.auto_capitalize;
    sentence_end_ = false;
    return;
  }
  capitalize_next_ = false;
  sentence_end_ = false;
}

}  // namespace qvl_engine::session
