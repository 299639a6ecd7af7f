/*
 * SPDX-License-Identifier: LGPL-2.1-or-later
 */
#ifndef QUORVEL_FCITX5_TESTS_RECORDING_CONTEXT_H
#define QUORVEL_FCITX5_TESTS_RECORDING_CONTEXT_H

#include <fcitx-utils/capabilityflags.h>
#include <fcitx-utils/event.h>
#include <fcitx-utils/key.h>
#include <fcitx/event.h>
#include <fcitx/inputcontext.h>
#include <fcitx/inputcontextmanager.h>

#include <memory>
#include <string>
#include <vector>

namespace quorvel_test {

// An application text field: a buffer with a cursor and an anchor. It
// applies what the input method sends (commits, deletions, forwarded keys,
// preedits) and the keys the input method leaves alone, and reports its text
// as surrounding text the way a toolkit does: before each key and shortly
// after every change.
class RecordingContext : public fcitx::InputContext {
 public:
  RecordingContext(fcitx::InputContextManager& manager, fcitx::EventLoop& loop,
                   const std::string& program, fcitx::CapabilityFlags flags);
  ~RecordingContext() override;

  const char* frontend() const override { return "recording"; }

  // Press and release one key as the user types it.
  void press(const fcitx::Key& key);
  void type(const std::string& keys);

  std::string text() const;
  std::string preedit() const { return preedit_; }
  // Byte offset of the caret in the client preedit, and whether all of it is
  // underlined.
  int preeditCursor() const { return preeditCursor_; }
  bool preeditUnderlined() const { return preeditUnderlined_; }
  // The preedit the input panel shows when the client draws none.
  std::string panelPreedit() const;
  std::string commits() const { return commits_; }
  const std::vector<std::string>& events() const { return events_; }
  unsigned int cursor() const { return cursor_; }

  void setText(const std::string& text, unsigned int cursor, unsigned int anchor);
  // An application that reports nothing new: the surrounding text stays as
  // it is while the buffer moves on.
  void setReporting(bool reporting) { reporting_ = reporting; }
  void reportSurrounding();

  // Keys of a test string: '\b' BackSpace, '\n' Return, '<' and '>' the
  // arrows, everything else the character itself.
  static std::vector<fcitx::Key> keysOf(const std::string& keys);

 protected:
  void commitStringImpl(const std::string& text) override;
  void deleteSurroundingTextImpl(int offset, unsigned int size) override;
  void forwardKeyImpl(const fcitx::ForwardKeyEvent& key) override;
  void updatePreeditImpl() override;

 private:
  void applyKey(const fcitx::Key& key);
  void insert(const std::u32string& text);
  void changed();

  fcitx::EventLoop& loop_;
  std::u32string buffer_;
  unsigned int cursor_ = 0;
  unsigned int anchor_ = 0;
  std::string preedit_;
  int preeditCursor_ = -1;
  bool preeditUnderlined_ = false;
  std::string commits_;
  std::vector<std::string> events_;
  bool reporting_ = true;
  std::unique_ptr<fcitx::EventSource> pendingReport_;
};

}  // namespace quorvel_test

#endif
