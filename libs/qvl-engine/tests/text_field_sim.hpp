// A text field as the application holds it, driven by the engine's actions:
// the text before the cursor, with the preedit shown apart. Tests of every
// layer that turns keys into actions replay them here and compare texts.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "qvl_engine/session.hpp"
#include "qvl_unicode/unicode.hpp"

namespace quorvel_test {

class TextFieldSim {
 public:
  using Action = qvl_engine::session::Action;
  using Key = qvl_engine::session::Key;

  // What the application does with a key the engine hands back: a character
  // is typed, Backspace deletes one character, Enter starts a line.
  void deliver(Key key) {
    switch (key.kind()) {
      case Key::Kind::Char:
        text_.push_back(key.ch());
        break;
      case Key::Kind::Backspace:
        if (!text_.empty()) text_.pop_back();
        break;
      case Key::Kind::Enter:
        text_.push_back(U'\n');
        break;
      default:
        break;
    }
  }

  // `key` is the key that caused the action (Unknown for calls without one).
  void apply(const Action& action, Key key = Key()) {
    switch (action.kind) {
      case Action::Kind::Pass:
        deliver(key);
        return;
      case Action::Kind::Preedit:
        preedit_ = qvl_unicode::decode(action.text);
        return;
      case Action::Kind::Replace:
        if (action.delete_count > text_.size()) overrun_ = true;
        text_.erase(text_.size() - std::min<std::size_t>(action.delete_count, text_.size()));
        text_ += qvl_unicode::decode(action.text);
        break;
      case Action::Kind::Commit:
        preedit_.clear();
        text_ += qvl_unicode::decode(action.text);
        commits_ += action.text;
        break;
    }
    if (action.forward_key) deliver(key);
  }

  std::string text() const { return qvl_unicode::encode(text_); }
  std::string preedit() const { return qvl_unicode::encode(preedit_); }
  // Every committed text, in order.
  const std::string& commits() const noexcept { return commits_; }
  // A Replace asked to delete more than the field holds.
  bool overrun() const noexcept { return overrun_; }

  // The surrounding-text view: the last `max_chars` characters before the cursor.
  std::string before_cursor(std::size_t max_chars) const {
    const std::size_t n = std::min(max_chars, text_.size());
    return qvl_unicode::encode(std::u32string_view(text_).substr(text_.size() - n));
  }
  void set_text(std::string_view utf8) { text_ = qvl_unicode::decode(utf8); }

 private:
  std::u32string text_;
  std::u32string preedit_;
  std::string commits_;
  bool overrun_ = false;
};

}  // namespace quorvel_test
