/*
 * SPDX-License-Identifier: LGPL-2.1-or-later
 */
#include <fcitx/action.h>
#include <fcitx/statusarea.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "instance_fixture.h"

namespace quorvel_test {
namespace {

using fcitx::CapabilityFlag;
using fcitx::CapabilityFlags;
using fcitx::Key;
using fcitx::KeyState;
using fcitx::KeyStates;

constexpr const char* kReplaceProfile =
    "{\"app_profiles\":{\"recorder\":{\"output_mode\":\"replace\"}}}";

class FlowTest : public InstanceTest {
 protected:
  // Each key waits for the previous one to be fully carried out.
  void typeIdle(RecordingContext* ic, const std::string& keys) {
    for (const auto& key : RecordingContext::keysOf(keys)) {
      step([ic, key]() { ic->press(key); });
      waitIdle(ic);
    }
  }
  // All keys at once: faster than any replacement wait.
  void typeBurst(RecordingContext* ic, const std::string& keys) {
    step([ic, keys]() { ic->type(keys); });
  }
  void expectText(RecordingContext* ic, const std::string& text) {
    waitIdle(ic);
    step([ic, text]() { EXPECT_EQ(ic->text(), text); });
  }
  RecordingContext* replaceContext() {
    writeFile("config.json", kReplaceProfile);
    return makeContext("recorder", CapabilityFlag::SurroundingText);
  }
};

TEST_F(FlowTest, KeyNamesReachTheEngine) {
  auto* ic = makeContext("recorder", CapabilityFlag::SurroundingText);
  step([ic]() {
    ic->press(Key(FcitxKey_a, KeyState::Shift));
    ic->type("s ");
    // A keysym that is not a lower-case ASCII letter keeps its text.
    ic->press(Key(FcitxKey_eacute, KeyState::Shift));
    ic->type(" ");
    EXPECT_EQ(ic->text(), "Á é ");
    fcitx::KeyEvent control(ic, Key(FcitxKey_Control_L), false);
    EXPECT_FALSE(ic->keyEvent(control)) << "modifier keys are not for the engine";
    fcitx::KeyEvent release(ic, Key(FcitxKey_a), true);
    EXPECT_FALSE(ic->keyEvent(release));
  });
  run();
}

fcitx::Action* statusAction(fcitx::InputContext* ic) {
  for (auto* action : ic->statusArea().actions(fcitx::StatusGroup::InputMethod)) {
    if (action->icon(ic) == "quorvel") {
      return action;
    }
  }
  return nullptr;
}

TEST_F(FlowTest, AltCommaTogglesAndOtherChordsDoNot) {
  auto* ic = makeContext("recorder", CapabilityFlag::SurroundingText);
  int updates = 0;
  fcitx::ScopedConnection counter;
  step([&]() {
    auto* action = statusAction(ic);
    ASSERT_NE(action, nullptr);
    counter = action->connect<fcitx::Action::Update>([&](fcitx::InputContext*) { ++updates; });
    ic->type("as ");
    EXPECT_EQ(updates, 0) << "an unchanged label is not redrawn";

    fcitx::KeyEvent toggle(ic, Key(FcitxKey_comma, KeyState::Alt), false);
    EXPECT_TRUE(ic->keyEvent(toggle));
    EXPECT_EQ(action->shortText(ic), "Anh");
    EXPECT_FALSE(action->isChecked(ic));
    EXPECT_EQ(updates, 1);
    ic->type("as ");
    EXPECT_EQ(updates, 1);

    for (auto states :
         {KeyStates{KeyState::Alt, KeyState::Shift}, KeyStates{KeyState::Alt, KeyState::Ctrl}}) {
      fcitx::KeyEvent chord(ic, Key(FcitxKey_comma, states), false);
      ic->keyEvent(chord);
      EXPECT_EQ(action->shortText(ic), "Anh");
    }
    action->activate(ic);
    EXPECT_EQ(action->shortText(ic), "Việt");
    EXPECT_TRUE(action->isChecked(ic));
    ic->type("as ");
    EXPECT_EQ(ic->text(), "á as á ");
  });
  run();
}

struct FieldCase {
  const char* name;
  CapabilityFlags flags;
  const char* typed;
};

TEST_F(FlowTest, CapabilityFlagsChooseTheFieldKind) {
  const FieldCase cases[] = {
      {"normal", CapabilityFlag::NoFlag, "việt "},
      {"password", CapabilityFlag::Password, "vieejt "},
      {"disable", CapabilityFlag::Disable, "vieejt "},
      {"sensitive", CapabilityFlag::Sensitive, "vieejt "},
      {"url even if sensitive", CapabilityFlags{CapabilityFlag::Url, CapabilityFlag::Sensitive},
       "việt "},
      {"email", CapabilityFlag::Email, "vieejt "},
      {"digit", CapabilityFlag::Digit, "vieejt "},
      {"dialable", CapabilityFlag::Dialable, "vieejt "},
      {"number", CapabilityFlag::Number, "vieejt "},
      {"terminal", CapabilityFlag::Terminal, "việt "},
  };
  for (const auto& c : cases) {
    auto* ic = makeContext(c.name, c.flags | CapabilityFlag::SurroundingText);
    typeIdle(ic, "vieejt ");
    step([ic, c]() { EXPECT_EQ(ic->text(), c.typed) << c.name; });
  }
  run();
  EXPECT_EQ(logCount("quorvel: field kind 0 -> 1 password=0 sensitive=1 url=0 email=0 number=0 "
                     "terminal=0"),
            1u)
      << log();
}

// A password field is left to the keyboard by Fcitx itself; a field that
// turns sensitive is noticed at the next key, and the word typed so far
// stays out of it.
TEST_F(FlowTest, FieldTurningSensitiveDropsTheComposition) {
  auto* ic = makeContext("recorder", CapabilityFlag::Preedit);
  step([ic]() {
    ic->type("vieej");
    EXPECT_EQ(ic->preedit(), "việ");
    ic->setCapabilityFlags(CapabilityFlags{CapabilityFlag::Preedit, CapabilityFlag::Sensitive});
    ic->type("t ");
    EXPECT_EQ(ic->commits(), "") << "nothing of the word reaches the field";
    EXPECT_EQ(ic->text(), "t ");
    EXPECT_EQ(ic->preedit(), "");
  });
  run();
  EXPECT_EQ(logCount("quorvel: field became disabled, composition dropped"), 1u);
}

TEST_F(FlowTest, PreeditInlineOrInThePanel) {
  auto* inline_ = makeContext("recorder", CapabilityFlag::Preedit);
  auto* panel = makeContext("recorder", CapabilityFlags{});
  step([&]() {
    activate(inline_);
    inline_->type("vieej");
    EXPECT_EQ(inline_->preedit(), "việ");
    EXPECT_EQ(inline_->preeditCursor(), 5) << "caret after the three letters, in bytes";
    EXPECT_TRUE(inline_->preeditUnderlined());
    EXPECT_EQ(inline_->text(), "");
    activate(panel);
    panel->type("vieej");
    EXPECT_EQ(panel->preedit(), "");
    EXPECT_EQ(panel->panelPreedit(), "việ");
  });
  run();
}

TEST_F(FlowTest, FocusOutDropsClientPreeditAndCommitsPanelPreedit) {
  auto* client = makeContext("recorder", CapabilityFlag::Preedit);
  auto* server = makeContext("recorder", CapabilityFlags{});
  bool actionShownAtCommit = true;
  step([&]() {
    activate(client);
    client->type("vieej");
    client->focusOut();
    EXPECT_EQ(client->text(), "việ") << "Fcitx commits the client preedit, once";
    EXPECT_EQ(client->preedit(), "");

    activate(server);
    server->type("vieej");
    EXPECT_NE(statusAction(server), nullptr);
    auto watcher = instance().watchEvent(
        fcitx::EventType::InputContextCommitString, fcitx::EventWatcherPhase::PreInputMethod,
        [&](fcitx::Event&) { actionShownAtCommit = statusAction(server) != nullptr; });
    server->focusOut();
    EXPECT_EQ(server->text(), "việ");
    EXPECT_FALSE(actionShownAtCommit) << "the action goes before the word is flushed";

    activate(client);
    client->type("s ");
    EXPECT_EQ(client->text(), "việs ") << "the session does not carry the word on";
  });
  run();
}

TEST_F(FlowTest, ReplaceDeletesWaitsAndCommits) {
  auto* ic = replaceContext();
  typeIdle(ic, "a");
  step([ic]() {
    EXPECT_EQ(ic->text(), "a") << "the first letter goes to the application";
    ic->type("s");
    EXPECT_EQ(ic->text(), "") << "deleted at once";
    EXPECT_TRUE(ic->events().size() >= 1 && ic->events().back() == "delete:-1,1");
    ic->type("n");  // typed within the wait
  });
  waitUntil([ic]() { return ic->text() != ""; });
  step([ic]() { EXPECT_EQ(ic->text(), "á") << "committed after the wait, before the queued key"; });
  expectText(ic, "án");
  run();
}

// A word given up at its end comes back as typed, and the key that ended it
// follows the new text.
TEST_F(FlowTest, ReplaceForwardsTheKeyAfterTheCommit) {
  auto* ic = replaceContext();
  typeIdle(ic, "aac");
  step([ic]() {
    EXPECT_EQ(ic->text(), "âc");
    fcitx::KeyEvent space(ic, Key(FcitxKey_space), false);
    EXPECT_TRUE(ic->keyEvent(space)) << "consumed now, delivered later";
  });
  expectText(ic, "aac ");
  step([ic]() {
    const auto& events = ic->events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(events.end() - 3, events.end()),
              (std::vector<std::string>{"delete:-2,2", "commit:aac", "forward:space"}));
  });
  run();
}

TEST_F(FlowTest, BurstsAreReplayedInOrder) {
  auto* ic = replaceContext();
  typeBurst(ic, "vieejt nam tooi");
  expectText(ic, "việt nam tôi");
  typeBurst(ic, "\b\b\bvaf ");
  expectText(ic, "việt nam và ");
  run();
}

TEST_F(FlowTest, ReplaceNeedsSurroundingTextWithoutSelection) {
  writeFile("config.json", kReplaceProfile);
  auto* none = makeContext("recorder", CapabilityFlags{});
  auto* selection = makeContext("recorder", CapabilityFlag::SurroundingText);
  step([&]() {
    activate(none);
    none->type("as");
    EXPECT_EQ(none->panelPreedit(), "á") << "preedit mode without surrounding text";
    EXPECT_EQ(none->text(), "");
    activate(selection);
    selection->setText("xyz", 3, 0);
    selection->type("as");
    EXPECT_EQ(selection->panelPreedit(), "á") << "preedit mode while text is selected";
  });
  run();
}

TEST_F(FlowTest, CursorInsideAWordIsFailSafe) {
  auto* ic = replaceContext();
  step([ic]() { ic->setText("abc", 2, 2); });
  typeIdle(ic, "as");
  step([ic]() { EXPECT_EQ(ic->text(), "abasc"); });
  run();
  EXPECT_GE(logCount("quorvel: plan fail-safe, not touching surrounding text"), 1u);
}

TEST_F(FlowTest, StaleSurroundingTextAtTheEndOfAWordIsTrusted) {
  auto* ic = replaceContext();
  typeIdle(ic, "chao");
  step([ic]() {
    ic->setReporting(false);
    ic->surroundingText().setText("xin chà", 7, 7);
    ic->press(Key(FcitxKey_f));
  });
  expectText(ic, "chào");
  run();
}

// A word reopened in preedit mode stands in the application's text; when
// its replacement cannot be carried out, it must not be typed again.
TEST_F(FlowTest, FailSafeLeavesTextInTheApplicationAlone) {
  auto* ic = makeContext("term", CapabilityFlag::Terminal);
  typeIdle(ic, "vieejt \bs");
  step([ic]() {
    EXPECT_EQ(ic->text(), "việts");
    EXPECT_EQ(ic->panelPreedit(), "");
  });
  run();
}

TEST_F(FlowTest, DeactivationDuringAReplacement) {
  auto* ic = replaceContext();
  typeIdle(ic, "a");
  step([&]() {
    ic->type("sd");
    EXPECT_TRUE(state(ic)->outputPending());
    auto* action = statusAction(ic);
    ASSERT_NE(action, nullptr);
    action->activate(ic);
    EXPECT_EQ(action->shortText(ic), "Việt") << "no toggle while a replacement is in flight";
    ic->focusOut();
    EXPECT_EQ(ic->text(), "á") << "pending text committed at once, queued key dropped";
    EXPECT_FALSE(state(ic)->outputPending());
  });
  waitMs(30);
  step([ic]() { EXPECT_EQ(ic->text(), "á"); });
  run();
}

TEST_F(FlowTest, ConfigChangesWaitForTheEndOfAWord) {
  auto* ic = makeContext("recorder", CapabilityFlag::SurroundingText);
  typeIdle(ic, "vie");
  step([this]() { writeFile("config.json", "{\"input_method\":\"vni\"}"); });
  waitMs(600);
  typeIdle(ic, "ejt ");
  step([ic]() { EXPECT_EQ(ic->text(), "việt ") << "the word in progress keeps Telex"; });
  typeIdle(ic, "vie65t ");
  expectText(ic, "việt việt ");

  step([this]() { writeFile("config.json", "{\"input_method\": 7}"); });
  waitMs(600);
  typeIdle(ic, "a1 ");
  expectText(ic, "việt việt á ");

  step([this]() { std::filesystem::remove(configPath()); });
  waitMs(600);
  typeIdle(ic, "as ");
  expectText(ic, "việt việt á á ");
  run();

  EXPECT_EQ(
      logCount("quorvel: config reloaded path=" + configPath().string() + " bytes=22 generation=1"),
      1u)
      << log();
  EXPECT_EQ(logCount("quorvel: invalid config JSON, keeping previous config path=" +
                     configPath().string()),
            1u);
  EXPECT_EQ(logCount("quorvel: config removed, using defaults"), 1u);
}

TEST_F(FlowTest, InvalidConfigAtStartup) {
  writeFile("config.json", "{\"spell_check\": 1}");
  auto* ic = makeContext("recorder", CapabilityFlag::SurroundingText);
  typeIdle(ic, "as ");
  expectText(ic, "á ");
  run();
  EXPECT_GE(logCount("quorvel: invalid config at startup, using defaults"), 1u);
}

TEST_F(FlowTest, UserWordsAreLoaded) {
  writeFile("user_words.txt", "Quorvel\nxin chào\n");
  auto* ic = makeContext("recorder", CapabilityFlag::SurroundingText);
  typeIdle(ic, "as ");
  expectText(ic, "á ");
  step([this]() { std::filesystem::remove(dir_ / "user_words.txt"); });
  waitMs(600);
  typeIdle(ic, "as ");
  expectText(ic, "á á ");
  run();
  EXPECT_EQ(logCount("quorvel: user_words loaded path=" + (dir_ / "user_words.txt").string() +
                     " bytes=18 generation=1"),
            1u)
      << log();
  EXPECT_EQ(logCount("quorvel: user_words removed"), 1u);
}

// The example in the README is a configuration the addon accepts.
TEST_F(FlowTest, ReadmeExampleConfiguration) {
  std::ifstream readme(QUORVEL_SOURCE_DIR "/README.md");
  const std::string all{std::istreambuf_iterator<char>(readme), std::istreambuf_iterator<char>()};
  const auto example = all.find("```json\n", all.find("A complete example"));
  ASSERT_NE(example, std::string::npos);
  const auto start = example + 8;
  writeFile("config.json", all.substr(start, all.find("```", start) - start));
  auto* ic = makeContext("recorder", CapabilityFlag::SurroundingText);
  typeIdle(ic, "vn ");
  expectText(ic, "Việt Nam ");
  run();
  EXPECT_EQ(logCount("quorvel: invalid config"), 0u);
}

}  // namespace
}  // namespace quorvel_test
