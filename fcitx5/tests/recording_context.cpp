/*
 * SPDX-License-Identifier: LGPL-2.1-or-later
 */
#include "recording_context.h"

#include <fcitx-utils/utf8.h>
#include <fcitx/inputpanel.h>
#include <fcitx/surroundingtext.h>

#include <algorithm>

namespace quorvel_test {

namespace {

std::u32string decode(const std::string& text) {
  std::u32string out;
  for (uint32_t c : fcitx::utf8::MakeUTF8CharRange(text)) {
    out.push_back(static_cast<char32_t>(c));
  }
  return out;
}

std::string encode(const std::u32string& text) {
  std::string out;
  for (char32_t c : text) {
    out += fcitx::utf8::UCS4ToUTF8(c);
  }
  return out;
}

}  // namespace

RecordingContext::RecordingContext(fcitx::InputContextManager& manager, fcitx::EventLoop& loop,
                                   const std::string& program, fcitx::CapabilityFlags flags)
    : InputContext(manager, program), loop_(loop) {
  created();
  setCapabilityFlags(flags);
  reportSurrounding();
}

RecordingContext::~RecordingContext() {
  pendingReport_.reset();
  destroy();
}

std::vector<fcitx::Key> RecordingContext::keysOf(const std::string& keys) {
  std::vector<fcitx::Key> out;
  for (uint32_t c : fcitx::utf8::MakeUTF8CharRange(keys)) {
    switch (c) {
      case '\b':
        out.emplace_back(FcitxKey_BackSpace);
        break;
      case '\n':
        out.emplace_back(FcitxKey_Return);
        break;
      case '<':
        out.emplace_back(FcitxKey_Left);
        break;
      case '>':
        out.emplace_back(FcitxKey_Right);
        break;
      default:
        out.emplace_back(fcitx::Key::keySymFromUnicode(c));
        break;
    }
  }
  return out;
}

void RecordingContext::press(const fcitx::Key& key) {
  reportSurrounding();
  fcitx::KeyEvent event(this, key, false);
  if (!keyEvent(event)) {
    applyKey(key);
  }
  fcitx::KeyEvent release(this, key, true);
  keyEvent(release);
}

void RecordingContext::type(const std::string& keys) {
  for (const auto& key : keysOf(keys)) {
    press(key);
  }
}

std::string RecordingContext::text() const { return encode(buffer_); }

std::string RecordingContext::panelPreedit() const {
  return const_cast<RecordingContext*>(this)->inputPanel().preedit().toString();
}

void RecordingContext::setText(const std::string& text, unsigned int cursor, unsigned int anchor) {
  buffer_ = decode(text);
  cursor_ = std::min<unsigned int>(cursor, buffer_.size());
  anchor_ = std::min<unsigned int>(anchor, buffer_.size());
  reportSurrounding();
}

void RecordingContext::reportSurrounding() {
  pendingReport_.reset();
  if (!reporting_ || !capabilityFlags().test(fcitx::CapabilityFlag::SurroundingText)) {
    return;
  }
  surroundingText().setText(encode(buffer_), cursor_, anchor_);
  updateSurroundingText();
}

void RecordingContext::changed() {
  // The toolkit reports the new text on its next main-loop turn.
  if (!pendingReport_) {
    pendingReport_ = loop_.addDeferEvent([this](fcitx::EventSource*) {
      auto spent = std::move(pendingReport_);
      reportSurrounding();
      return true;
    });
  }
}

void RecordingContext::insert(const std::u32string& text) {
  const unsigned int from = std::min(cursor_, anchor_);
  const unsigned int to = std::max(cursor_, anchor_);
  buffer_.replace(from, to - from, text);
  cursor_ = anchor_ = from + text.size();
  changed();
}

void RecordingContext::commitStringImpl(const std::string& text) {
  events_.push_back("commit:" + text);
  commits_ += text;
  insert(decode(text));
}

void RecordingContext::deleteSurroundingTextImpl(int offset, unsigned int size) {
  events_.push_back("delete:" + std::to_string(offset) + "," + std::to_string(size));
  const long start = static_cast<long>(cursor_) + offset;
  const long end = start + static_cast<long>(size);
  if (start < 0 || end > static_cast<long>(buffer_.size())) {
    events_.push_back("delete-out-of-range");
    return;
  }
  buffer_.erase(static_cast<size_t>(start), size);
  if (cursor_ >= end) {
    cursor_ -= size;
  } else if (cursor_ > start) {
    cursor_ = static_cast<unsigned int>(start);
  }
  anchor_ = cursor_;
  changed();
}

void RecordingContext::forwardKeyImpl(const fcitx::ForwardKeyEvent& key) {
  if (key.isRelease()) {
    return;
  }
  events_.push_back("forward:" + key.rawKey().toString());
  applyKey(key.rawKey());
}

void RecordingContext::updatePreeditImpl() {
  const auto& preedit = inputPanel().clientPreedit();
  preedit_ = preedit.toString();
  preeditCursor_ = preedit.cursor();
  preeditUnderlined_ = preedit.size() > 0;
  for (size_t i = 0; i < preedit.size(); ++i) {
    preeditUnderlined_ =
        preeditUnderlined_ && preedit.formatAt(i).test(fcitx::TextFormatFlag::Underline);
  }
}

void RecordingContext::applyKey(const fcitx::Key& key) {
  switch (key.sym()) {
    case FcitxKey_BackSpace:
      if (cursor_ != anchor_) {
        insert({});
      } else if (cursor_ > 0) {
        buffer_.erase(cursor_ - 1, 1);
        anchor_ = --cursor_;
        changed();
      }
      return;
    case FcitxKey_Return:
      insert(U"\n");
      return;
    case FcitxKey_Left:
      if (cursor_ > 0) {
        --cursor_;
      }
      anchor_ = cursor_;
      changed();
      return;
    case FcitxKey_Right:
      if (cursor_ < buffer_.size()) {
        ++cursor_;
      }
      anchor_ = cursor_;
      changed();
      return;
    default:
      break;
  }
  if (key.states().testAny(
          fcitx::KeyStates{fcitx::KeyState::Ctrl, fcitx::KeyState::Alt, fcitx::KeyState::Super})) {
    return;
  }
  const uint32_t c = fcitx::Key::keySymToUnicode(key.sym());
  if (c >= 0x20) {
    std::u32string s(1, static_cast<char32_t>(c));
    if (key.states().test(fcitx::KeyState::Shift) && c >= 'a' && c <= 'z') {
      s[0] = static_cast<char32_t>(c - 'a' + 'A');
    }
    insert(s);
  }
}

}  // namespace quorvel_test
