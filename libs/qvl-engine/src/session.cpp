#include "qvl_engine/session.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include "qvl_core/diff.hpp"
#include "qvl_core/internal_error.hpp"
#include "qvl_engine/profiles.hpp"
#include "qvl_unicode/unicode.hpp"
#include "session_text.hpp"

namespace qvl_engine::session {

namespace {

using namespace text;

using qvl_core::transform::Composer;
using qvl_core::transform::MAX_KEYS;

constexpr char32_t ascii_lower(char32_t c) noexcept {
  return c >= U'A' && c <= U'Z' ? c + (U'a' - U'A') : c;
}
constexpr bool is_ascii(std::string_view s) noexcept {
  for (char ch : s) {
    if (static_cast<unsigned char>(ch) >= 0x80) return false;
  }
  return true;
}

bool is_navigation(Key::Kind k) noexcept {
  switch (k) {
    case Key::Kind::Tab:
    case Key::Kind::Left:
    case Key::Kind::Right:
    case Key::Kind::Up:
    case Key::Kind::Down:
    case Key::Kind::Home:
    case Key::Kind::End:
    case Key::Kind::Delete:
    case Key::Kind::PageUp:
    case Key::Kind::PageDown:
      return true;
    default:
      return false;
  }
}

// A word started right after one of these is an address or an identifier.
constexpr bool is_joining_punctuation(char32_t c) noexcept {
  return c == U'-' || c == U'.' || c == U'/' || c == U':' || c == U'@' || c == U'\\' || c == U'_';
}

bool is_upper_key(char32_t c) {
  return (c >= U'A' && c <= U'Z') || (c >= 0xC0 && qvl_unicode::is_uppercase(c));
}

std::optional<char32_t> last_char(std::string_view s) noexcept {
  if (s.empty()) return std::nullopt;
  return qvl_unicode::decode_at(s, last_char_start(s)).cp;
}

// Letters, marks on them and combining marks: what a word before the cursor
// is made of.
bool is_previous_word_char(char32_t c) {
  if (is_ascii_letter(c)) return true;
  if (c >= 0xAA && qvl_unicode::is_alphabetic(c)) return true;
  return qvl_unicode::combining_class(c) != 0;
}

constexpr std::pair<std::string_view, Key::Kind> KEY_NAMES[] = {
    {"Backspace", Key::Kind::Backspace},
    {"Enter", Key::Kind::Enter},
    {"Escape", Key::Kind::Escape},
    {"Tab", Key::Kind::Tab},
    {"Left", Key::Kind::Left},
    {"Right", Key::Kind::Right},
    {"Up", Key::Kind::Up},
    {"Down", Key::Kind::Down},
    {"Home", Key::Kind::Home},
    {"End", Key::Kind::End},
    {"Delete", Key::Kind::Delete},
    {"PageUp", Key::Kind::PageUp},
    {"PageDown", Key::Kind::PageDown},
    {"Shift", Key::Kind::Modifier},
    {"Control", Key::Kind::Modifier},
    {"Alt", Key::Kind::Modifier},
    {"Meta", Key::Kind::Modifier},
    {"Super", Key::Kind::Modifier},
    {"Option", Key::Kind::Modifier},
    {"Command", Key::Kind::Modifier},
    {"CapsLock", Key::Kind::Modifier},
    {"Fn", Key::Kind::Modifier},
};

}  // namespace

Key Key::parse(std::string_view name) noexcept {
  if (!name.empty()) {
    const qvl_unicode::Decoded d = qvl_unicode::decode_at(name, 0);
    if (d.length == name.size()) return character(d.cp);
  }
  for (const auto& [text, kind] : KEY_NAMES) {
    if (text == name) return named(kind);
  }
  return Key();
}

ImeSession::ImeSession(Ports ports, bool replace_mode)
    : ports_(std::move(ports)), replace_mode_(replace_mode) {
  if (!ports_.config_store || !ports_.app_context || !ports_.surrounding_text ||
      !ports_.dictionary) {
    throw qvl_core::InternalError("ImeSession: a port is missing");
  }
  config_ = ports_.config_store->load();
  update_derived();
  raw_.reserve(2 * MAX_KEYS);
  last_raw_.reserve(2 * MAX_KEYS);
  off_buffer_.reserve(OFF_BUFFER_CHARS);
  history_.reserve(4 * HISTORY_CHARS);
  const std::optional<std::string> app = ports_.app_context->current_app();
  focus_changed(app ? std::optional<std::string_view>(*app) : std::nullopt);
}

void ImeSession::update_derived() {
  spec_ = &qvl_core::rules::by_name(profile_.input_method.value_or(config_.input_method));
  const bool url = field_kind_ == FieldKind::Url;
  options_.tone_style = profile_.tone_style.value_or(config_.tone_style);
  options_.spell_check = profile_.spell_check.value_or(config_.spell_check);
  options_.w_as_u = config_.w_as_u && !url;
  options_.bracket_keys = config_.bracket_keys && !url;
  options_.quick_telex = config_.quick_telex && !url;
  options_.allow_coda_k = config_.allow_coda_k;
}

std::string ImeSession::render(std::string_view text) const {
  if (is_ascii(text)) return std::string(text);
  if (config_.unicode_form == ports::UnicodeForm::NFD) return qvl_unicode::nfd(text);
  if (qvl_unicode::is_nfc(text)) return std::string(text);
  return qvl_unicode::nfc(text);
}

void ImeSession::set_composed(std::string text) {
  composed_ = std::move(text);
  if (is_ascii(composed_) ||
      (config_.unicode_form == ports::UnicodeForm::NFC && qvl_unicode::is_nfc(composed_))) {
    displayed_.assign(composed_);
  } else {
    displayed_ = render(composed_);
  }
}

std::string ImeSession::raw_string() const { return qvl_unicode::encode(raw_); }

void ImeSession::reset() noexcept {
  raw_.clear();
  composed_.clear();
  displayed_.clear();
  gave_up_ = false;
  has_alternative_ = false;
  composer_.reset();
  reopened_.reset();
}

Action ImeSession::close_word(bool forward) {
  const bool commit = !replace_mode_ && !reopened_ && !displayed_.empty();
  std::string text = std::move(displayed_);
  reset();
  return commit ? Action::commit(std::move(text), forward) : Action::pass();
}

Action ImeSession::flush_composition() {
  Action action = close_word(false);
  drop_last_word();
  undo_record_.reset();
  clear_history();
  off_buffer_.clear();
  return action;
}

bool ImeSession::is_word_char(char32_t c) const {
  if (is_ascii_letter(c)) return true;
  if (c >= 0x80) {
    // The Kelvin sign lower-cases to k.
    const char32_t l = qvl_unicode::lower_single(c);
    if (l >= U'a' && l <= U'z') return true;
  }
  if (!raw_.empty() && spec_->extra_word_key(c)) return true;
  if (config_.bracket_keys && spec_->insert_for(c)) return true;
  return is_ascii_digit(c) && !raw_.empty() &&
         (spec_->uses_digits || (config_.macro_enabled && config_.macro_digits));
}

Action ImeSession::process_key(const KeyEvent& event) {
  if (field_kind_ == FieldKind::Password || field_kind_ == FieldKind::Number ||
      field_kind_ == FieldKind::Email) {
    return Action::pass();
  }
  if (!vietnamese_) return off_mode_key(event);
  const Key::Kind kind = event.key.kind();
  if (kind != Key::Kind::Backspace) {
    if (kind == Key::Kind::Modifier) return Action::pass();
    undo_record_.reset();
  }
  if (event.ctrl || event.alt || event.super || is_navigation(kind)) {
    capitalize_next_ = false;
    sentence_end_ = false;
    drop_last_word();
    return close_word(true);
  }
  switch (kind) {
    case Key::Kind::Char: {
      const char32_t c = event.key.ch();
      if (is_word_char(c)) return feed(c);
      Action action = finish_word(c);
      update_capitalization(c);
      return action;
    }
    case Key::Kind::Backspace:
      return raw_.empty() ? backspace_no_word() : backspace();
    case Key::Kind::Enter: {
      Action action = finish_word(std::nullopt);
      capitalize_next_ = config_.auto_capitalize;
      sentence_end_ = false;
      return action;
    }
    case Key::Kind::Escape:
      if (raw_.empty()) return Action::pass();
      return commit_word(raw_string(), std::nullopt, false);
    default:
      return close_word(true);
  }
}

Action ImeSession::feed(char32_t c) {
  std::optional<char32_t> typed = c;
  if (raw_.empty()) {
    if (capitalize_next_) {
      const char32_t upper = qvl_unicode::upper_single(c);
      if (upper != c) {
        c = upper;
        typed.reset();
      }
    }
    capitalize_next_ = false;
    sentence_end_ = false;
    if (!try_reopen()) {
      const std::optional<char32_t> before = last_char(history_);
      gave_up_ = before && is_joining_punctuation(*before);
    }
  }
  raw_.push_back(c);
  if (composer_ && composer_->raw() == std::u32string_view(raw_).substr(0, raw_.size() - 1)) {
    composer_->push(c);
  }
  if (raw_.size() > MAX_KEYS) gave_up_ = true;
  return emit(word_text(false), typed);
}

Composer& ImeSession::synced_composer() {
  if (!composer_ || composer_->raw() != std::u32string_view(raw_)) {
    composer_.emplace(*spec_, options_);
    for (char32_t k : raw_) composer_->push(k);
  }
  return *composer_;
}

bool ImeSession::smart_caps_applies() const {
  if (!config_.smart_caps || raw_.size() < 2) return false;
  const char32_t a = raw_[0];
  const char32_t b = raw_[1];
  if (!is_upper_key(a) || !is_upper_key(b)) return false;
  // Pairs that start Vietnamese words in capitals: ÂN, ĂN, ƯA, ĐI, ÊM, ÔM, ƠN.
  constexpr std::pair<char32_t, char32_t> COMPOSED[] = {{U'A', U'A'}, {U'A', U'W'}, {U'U', U'W'},
                                                        {U'D', U'D'}, {U'E', U'E'}, {U'O', U'O'},
                                                        {U'O', U'W'}};
  return std::find(std::begin(COMPOSED), std::end(COMPOSED), std::pair{a, b}) == std::end(COMPOSED);
}

std::string ImeSession::word_text(bool final) {
  if (gave_up_ || smart_caps_applies()) return raw_string();
  const qvl_core::transform::ComposeResult r = synced_composer().result(final);
  if (!r.alternative.empty()) has_alternative_ = true;
  if (!r.restored) return r.text;
  gave_up_ = true;
  if (!reopened_ || !reopened_->from_field) return r.text;
  std::string text = reopened_->text;
  const std::size_t from = std::min(reopened_->raw_len, raw_.size());
  for (std::size_t i = from; i < raw_.size(); ++i) qvl_unicode::append_utf8(text, raw_[i]);
  return text;
}

Action ImeSession::emit(std::string text, std::optional<char32_t> typed) {
  std::string old = std::move(displayed_);
  set_composed(std::move(text));
  if (replace_mode_) {
    qvl_core::TextEdit edit = qvl_core::diff(old, displayed_);
    if (typed && edit.delete_count == 0) {
      std::array<char, 4> buf{};
      const std::size_t n = qvl_unicode::encode_to(*typed, buf.data());
      if (std::string_view(buf.data(), n) == edit.insert) return Action::pass();
    }
    return Action::replace(std::move(edit.insert), static_cast<std::uint32_t>(edit.delete_count),
                           false);
  }
  if (!reopened_) {
    return Action::preedit(displayed_, static_cast<std::uint32_t>(chars(displayed_)));
  }
  qvl_core::TextEdit edit = qvl_core::diff(old, displayed_);
  return Action::replace(std::move(edit.insert), static_cast<std::uint32_t>(edit.delete_count),
                         false);
}

Action ImeSession::finish_word(std::optional<char32_t> terminator) {
  undo_record_.reset();
  if (raw_.empty()) {
    drop_last_word();
    if (terminator) {
      std::array<char, 4> buf{};
      append_history({buf.data(), qvl_unicode::encode_to(*terminator, buf.data())});
    }
    return Action::pass();
  }
  const std::string text = word_text(true);
  if (config_.macro_enabled && field_kind_ != FieldKind::Url && !gave_up_) {
    if (replace_mode_) {
      if (std::optional<Action> action = macro_several_words(text, terminator)) return *action;
    }
    const std::string typed = raw_string();
    std::optional<std::string> expansion = macro_lookup(composed_, composed_);
    if (!expansion) expansion = macro_lookup(typed, typed);
    if (expansion) {
      if (terminator && config_.macro_undo) {
        std::string now = render(*expansion);
        qvl_unicode::append_utf8(now, *terminator);
        std::string before = typed;
        qvl_unicode::append_utf8(before, *terminator);
        undo_record_.emplace(std::move(now), std::move(before));
      }
      return commit_word(*expansion, terminator, true);
    }
  }
  return commit_word(text, terminator, true);
}

Action ImeSession::commit_word(const std::string& text, std::optional<char32_t> terminator,
                               bool forward) {
  std::string old = std::move(displayed_);
  std::string shown = render(text);
  if (terminator && text == composed_) {
    has_last_word_ = true;
    last_raw_.assign(raw_);
    last_composed_.assign(composed_);
    last_gave_up_ = gave_up_;
  } else {
    drop_last_word();
  }
  if (terminator) {
    append_history(shown);
    std::array<char, 4> buf{};
    append_history({buf.data(), qvl_unicode::encode_to(*terminator, buf.data())});
  }
  const bool was_reopened = reopened_.has_value();
  reset();
  if (replace_mode_) {
    if (shown == old) return Action::pass();
    qvl_core::TextEdit edit = qvl_core::diff(old, shown);
    return Action::replace(std::move(edit.insert), static_cast<std::uint32_t>(edit.delete_count),
                           forward);
  }
  if (terminator) qvl_unicode::append_utf8(shown, *terminator);
  if (!was_reopened) return Action::commit(std::move(shown), forward && !terminator);
  qvl_core::TextEdit edit = qvl_core::diff(old, shown);
  return Action::replace(std::move(edit.insert), static_cast<std::uint32_t>(edit.delete_count),
                         forward && !terminator);
}

Action ImeSession::backspace() {
  std::string shorter = composed_.substr(0, last_char_start(composed_));
  if (shorter.empty()) {
    Action action = emit(std::string(), std::nullopt);
    reset();
    return action;
  }
  const bool was_reopened = reopened_.has_value();
  const bool from_field = was_reopened && reopened_->from_field;
  const std::size_t n = raw_.size();
  if (gave_up_ && n >= 2 && ascii_lower(raw_[n - 1]) == ascii_lower(raw_[n - 2])) {
    // A doubled key undoes itself: drop it and compose again.
    raw_.pop_back();
    reopened_.reset();
    gave_up_ = synced_composer().result(false).restored;
    has_alternative_ = false;
  } else if (gave_up_ && !has_alternative_) {
    bool retried = false;
    if (composed_ == raw_string() &&
        !ports_.dictionary->is_english(qvl_unicode::to_lower(composed_))) {
      // Maybe the last key is what made the word impossible.
      Composer retry(*spec_, options_);
      for (std::size_t i = 0; i + 1 < n; ++i) retry.push(raw_[i]);
      const qvl_core::transform::ComposeResult r = retry.result(false);
      if (!r.restored && r.text != shorter && r.status != vi_syllable::SyllableStatus::Invalid) {
        reopened_.reset();
        raw_.pop_back();
        composer_.emplace(std::move(retry));
        gave_up_ = false;
        retried = true;
      }
    }
    if (!retried) {
      reopened_.reset();
      raw_ = qvl_unicode::decode(shorter);
    }
  } else {
    reopened_.reset();
    if (std::optional<std::u32string> keys =
            qvl_core::transform::rebuild(shorter, *spec_, options_)) {
      raw_ = std::move(*keys);
      gave_up_ = false;
      has_alternative_ = false;
    } else {
      raw_ = qvl_unicode::decode(shorter);
      gave_up_ = true;
    }
  }
  std::string text = word_text(false);
  if (was_reopened) reopened_ = Reopened{text, raw_.size(), from_field};
  return emit(std::move(text), std::nullopt);
}

Action ImeSession::backspace_no_word() {
  clear_history();
  off_buffer_.clear();
  if (std::optional<Action> action = macro_undo()) return *action;
  restore_after_space();
  return Action::pass();
}

void ImeSession::append_history(std::string_view text) {
  history_.append(text);
  history_chars_ += chars(text);
  if (history_chars_ <= HISTORY_CHARS) return;
  // Walk forward over the few characters that fall out, not back over all kept.
  std::size_t cut = 0;
  for (std::size_t n = history_chars_ - HISTORY_CHARS; n > 0 && cut < history_.size(); --n) {
    cut += qvl_unicode::decode_at(history_, cut).length;
  }
  history_.erase(0, cut);
  history_chars_ = HISTORY_CHARS;
}

void ImeSession::clear_history() noexcept {
  history_.clear();
  history_chars_ = 0;
}

// Context events.

Action ImeSession::focus_changed(std::optional<std::string_view> app) {
  Action action = flush_composition();
  capitalize_next_ = false;
  sentence_end_ = false;
  profile_ = ports::resolve_profile(config_, app);
  update_derived();
  const std::string id = ports::normalize_app_id(app);
  const bool excluded =
      !id.empty() &&
      std::any_of(config_.excluded_apps.begin(), config_.excluded_apps.end(),
                  [&](const std::string& entry) { return ports::normalize_app_id(entry) == id; });
  if (excluded) {
    vietnamese_ = false;
  } else if (auto mode = config_.app_modes.find(id); mode != config_.app_modes.end()) {
    vietnamese_ = mode->second;
  } else {
    vietnamese_ = profile_.vietnamese.value_or(config_.default_vietnamese);
  }
  return action;
}

Action ImeSession::cursor_moved() {
  capitalize_next_ = false;
  sentence_end_ = false;
  surrounding_trusted_ = false;
  return flush_composition();
}

Action ImeSession::set_field_kind(FieldKind kind) {
  Action action = flush_composition();
  field_kind_ = kind;
  update_derived();
  return action;
}

Action ImeSession::set_output_mode(ports::OutputMode mode) {
  Action action = flush_composition();
  replace_mode_ = mode == ports::OutputMode::Replace;
  composer_.reset();
  return action;
}

Action ImeSession::toggle_vietnamese() {
  Action action = flush_composition();
  vietnamese_ = !vietnamese_;
  const std::optional<std::string> app = ports_.app_context->current_app();
  const std::string id =
      ports::normalize_app_id(app ? std::optional<std::string_view>(*app) : std::nullopt);
  if (!id.empty()) {
    config_.app_modes.insert_or_assign(id, vietnamese_);
    ports_.config_store->save(config_);
  }
  return action;
}

Action ImeSession::reload_config() {
  Action action = flush_composition();
  config_ = ports_.config_store->load();
  update_derived();
  composer_.reset();
  undo_record_.reset();
  return action;
}

bool ImeSession::try_reopen() {
  if (!config_.edit_previous_word || profile_.edit_previous_word == false ||
      !surrounding_trusted_) {
    return false;
  }
  const std::optional<std::string> before = ports_.surrounding_text->before_cursor(REOPEN_LOOKBACK);
  if (!before) return false;
  std::size_t start = before->size();
  while (start > 0) {
    const std::size_t prev = last_char_start(std::string_view(*before).substr(0, start));
    if (!is_previous_word_char(qvl_unicode::decode_at(*before, prev).cp)) break;
    start = prev;
  }
  const std::string_view word = std::string_view(*before).substr(start);
  if (word.empty() || render(word) != word) return false;
  std::string nfc = qvl_unicode::nfc(word);
  if (chars(nfc) > REOPEN_MAX_CHARS) return false;
  std::optional<std::u32string> keys = qvl_core::transform::rebuild(nfc, *spec_, options_);
  if (!keys || keys->empty()) return false;
  raw_ = std::move(*keys);
  composer_.reset();
  reopened_ = Reopened{nfc, raw_.size()};
  set_composed(std::move(nfc));
  gave_up_ = false;
  return true;
}

bool ImeSession::restore_after_space() {
  const bool had = has_last_word_;
  drop_last_word();
  if (!had || !profile_.restore_after_space.value_or(config_.restore_after_space)) return false;
  raw_.assign(last_raw_);
  composer_.reset();
  set_composed(last_composed_);
  gave_up_ = last_gave_up_;
  if (!replace_mode_) reopened_ = Reopened{composed_, raw_.size(), false};
  return true;
}

}  // namespace qvl_engine::session
