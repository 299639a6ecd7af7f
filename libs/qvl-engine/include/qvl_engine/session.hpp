// The per-text-field state machine: keys and context events in, one Action
// per call out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "qvl_core/rules.hpp"
#include "qvl_core/transform.hpp"
#include "qvl_engine/action.hpp"
#include "qvl_engine/config.hpp"
#include "qvl_engine/ports.hpp"

namespace qvl_engine::session {

// A character or one of the named keys, in 32 bits: scalar values stand for
// themselves, named keys sit just above U+10FFFF.
class Key {
 public:
  enum class Kind : std::uint8_t {
    Char,
    Backspace,
    Enter,
    Escape,
    Tab,
    Left,
    Right,
    Up,
    Down,
    Home,
    End,
    Delete,
    PageUp,
    PageDown,
    Modifier,
    Unknown,
  };

  constexpr Key() noexcept = default;
  static constexpr Key character(char32_t c) noexcept { return Key(static_cast<std::uint32_t>(c)); }
  // Kind::Char gives Unknown: a character needs its value.
  static constexpr Key named(Kind kind) noexcept {
    return kind == Kind::Char ? Key() : Key(NAMED_BASE + static_cast<std::uint32_t>(kind));
  }
  // Exactly one character (after UTF-8 decoding) is that character; otherwise
  // the exact, case-sensitive key names; anything else is Unknown.
  static Key parse(std::string_view name) noexcept;

  constexpr Kind kind() const noexcept {
    return value_ < NAMED_BASE ? Kind::Char : static_cast<Kind>(value_ - NAMED_BASE);
  }
  constexpr bool is_char() const noexcept { return value_ < NAMED_BASE; }
  // The character, or 0 for a named key.
  constexpr char32_t ch() const noexcept { return is_char() ? static_cast<char32_t>(value_) : 0; }

  constexpr bool operator==(const Key&) const noexcept = default;

 private:
  static constexpr std::uint32_t NAMED_BASE = 0x110000;
  constexpr explicit Key(std::uint32_t value) noexcept : value_(value) {}

  std::uint32_t value_ = NAMED_BASE + static_cast<std::uint32_t>(Kind::Unknown);
};

// Shift is no flag: a shifted letter arrives as its upper-case character.
struct KeyEvent {
  Key key;
  bool ctrl = false;
  bool alt = false;
  bool super = false;  // Super and Meta

  static KeyEvent parse(std::string_view name) noexcept { return {Key::parse(name)}; }

  bool operator==(const KeyEvent&) const noexcept = default;
};

// The four ports a session reaches the outside through; it owns them.
struct Ports {
  std::unique_ptr<ports::ConfigStore> config_store;
  std::unique_ptr<ports::AppContext> app_context;
  std::unique_ptr<ports::SurroundingText> surrounding_text;
  std::unique_ptr<ports::Dictionary> dictionary;
};

class ImeSession {
 public:
  // Texts the session remembers are bounded by these.
  static constexpr std::size_t HISTORY_CHARS = 256;
  static constexpr std::size_t OFF_BUFFER_CHARS = 24;
  static constexpr std::size_t REOPEN_LOOKBACK = 25;
  static constexpr std::size_t REOPEN_MAX_CHARS = 12;

  // Loads the configuration and takes the focus of the port's current
  // application. Every port must be given (InternalError otherwise).
  ImeSession(Ports ports, bool replace_mode);

  Action process_key(const KeyEvent& event);
  // The current word as shown, in the configured Unicode form.
  std::string display() const { return displayed_; }
  std::string raw_string() const;
  // Closes the current word without output.
  void reset() noexcept;
  Action flush_composition();

  Action focus_changed(std::optional<std::string_view> app);
  Action cursor_moved();
  Action set_field_kind(FieldKind kind);
  Action set_output_mode(ports::OutputMode mode);
  Action toggle_vietnamese();
  Action reload_config();

  const ports::Config& config() const noexcept { return config_; }
  const ports::AppProfile& profile() const noexcept { return profile_; }
  bool vietnamese() const noexcept { return vietnamese_; }
  bool replace_mode() const noexcept { return replace_mode_; }
  FieldKind field_kind() const noexcept { return field_kind_; }
  std::string_view history() const noexcept { return history_; }

 private:
  struct Reopened {
    std::string text;
    std::size_t raw_len = 0;
    // Taken from the field, so its keys were rebuilt: a word given up shows
    // that text plus the keys typed since. A word restored after space has
    // its own typed keys and shows them, as it does in replace mode, where
    // it is not marked reopened at all.
    bool from_field = true;
  };

  void update_derived();
  std::string render(std::string_view text) const;
  void set_composed(std::string text);
  bool is_word_char(char32_t c) const;

  Action feed(char32_t c);
  Action finish_word(std::optional<char32_t> terminator);
  Action commit_word(const std::string& text, std::optional<char32_t> terminator, bool forward);
  Action emit(std::string text, std::optional<char32_t> typed);
  Action backspace();
  Action backspace_no_word();
  Action close_word(bool forward);
  std::string word_text(bool final);
  qvl_core::transform::Composer& synced_composer();
  bool smart_caps_applies() const;

  bool try_reopen();
  bool restore_after_space();
  std::optional<Action> macro_several_words(const std::string& text,
                                            std::optional<char32_t> terminator);
  std::optional<std::string> macro_lookup(std::string_view sample, std::string_view key) const;
  std::optional<Action> macro_undo();
  Action off_mode_key(const KeyEvent& event);
  void update_capitalization(char32_t c);

  void append_history(std::string_view text);
  void clear_history() noexcept;
  void drop_last_word() noexcept { has_last_word_ = false; }

  ports::Config config_;
  Ports ports_;

  // The current word.
  std::u32string raw_;
  std::string composed_;
  std::string displayed_;  // render(composed_), kept in step
  std::optional<qvl_core::transform::Composer> composer_;
  bool gave_up_ = false;
  bool has_alternative_ = false;
  std::optional<Reopened> reopened_;

  std::string history_;
  std::size_t history_chars_ = 0;

  // The word last ended by a terminator, for restore after space; buffers
  // are kept between words.
  bool has_last_word_ = false;
  std::u32string last_raw_;
  std::string last_composed_;
  bool last_gave_up_ = false;

  // The text the last macro left in the field, and what it stood for.
  std::optional<std::pair<std::string, std::string>> undo_record_;
  std::u32string off_buffer_;

  ports::AppProfile profile_;
  bool replace_mode_;
  bool vietnamese_ = true;
  FieldKind field_kind_ = FieldKind::Normal;
  bool capitalize_next_ = false;
  bool sentence_end_ = false;
  bool surrounding_trusted_ = true;

  // Derived from config_, profile_ and field_kind_.
  const qvl_core::rules::InputMethodSpec* spec_ = &qvl_core::rules::TELEX;
  qvl_core::transform::ComposeOptions options_;
};

}  // namespace qvl_engine::session
