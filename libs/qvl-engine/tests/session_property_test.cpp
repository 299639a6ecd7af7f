// Random typing replayed on a simulated field: no text may be lost or
// doubled, whichever output mode carries it.
#include <gtest/gtest.h>

#include <random>

#include "session_fixture.hpp"

namespace {

using namespace quorvel_test;

constexpr const char* KEYS[] = {
    "a", "a",         "e",         "o",         "u", "i", "y", "w", "d",      "d",    "n",
    "g", "h",         "t",         "c",         "m", "q", "s", "f", "r",      "x",    "j",
    "z", "A",         "D",         "O",         "W", "S", "T", "N", " ",      " ",    " ",
    " ", "Backspace", "Backspace", "Backspace", ".", ",", "-", "/", "Escape", "Enter"};

struct FieldRun {
  std::string text;
  std::string received;  // commits and passed characters, in order
  bool overrun = false;
};

// `plain` switches off the two behaviours that edit text already in the field.
FieldRun replay(const std::vector<std::string>& keys, bool replace_mode, bool plain = false) {
  auto world = std::make_shared<World>();
  world->config.macro_enabled = false;
  if (plain) {
    world->config.edit_previous_word = false;
    world->config.restore_after_space = false;
  }
  TextFieldSim field;
  world->field = &field;
  auto session = make_session(world, replace_mode);
  FieldRun run;
  for (const std::string& name : keys) {
    const KeyEvent e = key_event(name);
    const Action a = session->process_key(e);
    field.apply(a, e.key);
    if (a.kind == Action::Kind::Commit) run.received += a.text;
    if ((a.kind == Action::Kind::Pass || a.forward_key) && e.key.is_char()) {
      run.received += qvl_unicode::encode(e.key.ch());
    }
    if (a.kind == Action::Kind::Pass || a.forward_key) {
      if (e.key.kind() == qvl_engine::session::Key::Kind::Enter) run.received += "\n";
      if (e.key.kind() == qvl_engine::session::Key::Kind::Backspace && !run.received.empty()) {
        std::size_t at = run.received.size() - 1;
        while (at > 0 && (static_cast<unsigned char>(run.received[at]) & 0xC0) == 0x80) --at;
        run.received.resize(at);
      }
    }
  }
  const Action flushed = session->flush_composition();
  field.apply(flushed);
  if (flushed.kind == Action::Kind::Commit) run.received += flushed.text;
  EXPECT_EQ(session->display(), "");
  run.text = field.text();
  run.overrun = field.overrun();
  return run;
}

TEST(SessionProperty, KnownSequences) {
  // A word restored after space, given up again: its own keys come back in
  // both modes.
  const std::vector<std::string> restored = {"a", "s",         "W", "g", "Backspace",
                                             ",", "Backspace", "w", "S"};
  EXPECT_EQ(replay(restored, false).text, "asWwS");
  EXPECT_EQ(replay(restored, true).text, "asWwS");
  // A word taken from the field and given up keeps the field's text.
  const std::vector<std::string> reopened = {"a", "s", " ", "Backspace", ",", "Backspace", "k"};
  EXPECT_EQ(replay(reopened, false).text, replay(reopened, true).text);
}

TEST(SessionProperty, SameTextInBothModes) {
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(KEYS) - 1);
  std::uniform_int_distribution<int> length(1, 40);
  for (int round = 0; round < 1500; ++round) {
    std::vector<std::string> keys(static_cast<std::size_t>(length(rng)));
    for (auto& k : keys) k = KEYS[pick(rng)];
    std::string joined;
    for (const auto& k : keys) joined += (k.size() > 1 ? "<" + k + ">" : k);
    const FieldRun preedit = replay(keys, false);
    const FieldRun replace = replay(keys, true);
    ASSERT_EQ(preedit.text, replace.text) << joined;
    ASSERT_FALSE(preedit.overrun || replace.overrun) << joined;
    // When nothing reaches back into the field, preedit mode edits it only
    // by commits and the keys it lets through.
    const FieldRun plain = replay(keys, false, true);
    ASSERT_EQ(plain.text, plain.received) << joined;
    ASSERT_EQ(plain.text, replay(keys, true, true).text) << joined;
  }
}

}  // namespace
