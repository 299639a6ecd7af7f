// Key intake and the per-key behaviour inside and at the end of a word.
#include <gtest/gtest.h>

#include "session_fixture.hpp"

namespace {

using namespace quorvel_test;
using qvl_engine::session::FieldKind;
using qvl_engine::session::Key;

TEST(KeyParse, NamesCharactersAndUnknown) {
  const std::pair<const char*, Key> cases[] = {
      {"a", Key::character(U'a')},
      {"ư", Key::character(U'ư')},
      {"😀", Key::character(U'😀')},
      {" ", Key::character(U' ')},
      {"\xFF", Key::character(U'\uFFFD')},
      {"Backspace", Key::named(Key::Kind::Backspace)},
      {"Enter", Key::named(Key::Kind::Enter)},
      {"Escape", Key::named(Key::Kind::Escape)},
      {"Tab", Key::named(Key::Kind::Tab)},
      {"Left", Key::named(Key::Kind::Left)},
      {"Right", Key::named(Key::Kind::Right)},
      {"Up", Key::named(Key::Kind::Up)},
      {"Down", Key::named(Key::Kind::Down)},
      {"Home", Key::named(Key::Kind::Home)},
      {"End", Key::named(Key::Kind::End)},
      {"Delete", Key::named(Key::Kind::Delete)},
      {"PageUp", Key::named(Key::Kind::PageUp)},
      {"PageDown", Key::named(Key::Kind::PageDown)},
      {"Shift", Key::named(Key::Kind::Modifier)},
      {"Control", Key::named(Key::Kind::Modifier)},
      {"Alt", Key::named(Key::Kind::Modifier)},
      {"Meta", Key::named(Key::Kind::Modifier)},
      {"Super", Key::named(Key::Kind::Modifier)},
      {"Option", Key::named(Key::Kind::Modifier)},
      {"Command", Key::named(Key::Kind::Modifier)},
      {"CapsLock", Key::named(Key::Kind::Modifier)},
      {"Fn", Key::named(Key::Kind::Modifier)},
      {"", Key::named(Key::Kind::Unknown)},
      {"F1", Key::named(Key::Kind::Unknown)},
      {"enter", Key::named(Key::Kind::Unknown)},
      {" Enter", Key::named(Key::Kind::Unknown)},
      {"ab", Key::named(Key::Kind::Unknown)},
  };
  for (const auto& [name, key] : cases) EXPECT_EQ(Key::parse(name), key) << name;
  EXPECT_EQ(Key().kind(), Key::Kind::Unknown);
  EXPECT_EQ(Key::named(Key::Kind::Char), Key());
  EXPECT_EQ(Key::character(U'ư').ch(), U'ư');
  EXPECT_EQ(Key::named(Key::Kind::Enter).ch(), 0U);
  const KeyEvent e = KeyEvent::parse("");
  EXPECT_EQ(e.key.kind(), Key::Kind::Unknown);
  EXPECT_FALSE(e.ctrl || e.alt || e.super);
}

void spell_check_off(World& w) { w.config.spell_check = false; }
void vni(World& w) { w.config.input_method = "vni"; }
void viqr(World& w) { w.config.input_method = "viqr"; }
void macro_digits(World& w) { w.config.macro_digits = true; }
void bracket_keys(World& w) { w.config.bracket_keys = true; }

const Scenario KEY_SCENARIOS[] = {
    {"preedit word and space",
     nullptr,
     false,
     {{"m", pre("m")}, {"a", pre("ma")}, {"s", pre("má")}, {" ", com("má ")}, {" ", pass()}}},
    {"replace word and space",
     nullptr,
     true,
     {{"m", pass()}, {"a", pass()}, {"s", rep("á", 1)}, {" ", pass()}}},
    {"replace correction at the space goes with the key",
     spell_check_off,
     true,
     {{"d", pass()}, {"d", rep("đ", 1)}, {"d", rep("dd", 1)}, {"Enter", pass()}}},
    {"modifiers alone keep the word",
     nullptr,
     false,
     {{"m", pre("m")}, {"Shift", pass()}, {"CapsLock", pass()}, {"a", pre("ma")}}},
    {"ctrl commits and forwards",
     nullptr,
     false,
     {{"m", pre("m")}, {"a", pre("ma")}, {"C-c", com("ma", true)}, {"a", pre("a")}}},
    {"ctrl in replace mode", nullptr, true, {{"m", pass()}, {"a", pass()}, {"C-c", pass()}}},
    {"alt and super end the word too",
     nullptr,
     false,
     {{"m", pre("m")}, {"A-x", com("m", true)}, {"a", pre("a")}, {"S-x", com("a", true)}}},
    {"modifier combination without a word", nullptr, false, {{"C-v", pass()}}},
    {"navigation keys end the word",
     nullptr,
     false,
     {{"a", pre("a")}, {"Tab", com("a", true)},    {"a", pre("a")}, {"Left", com("a", true)},
      {"a", pre("a")}, {"Right", com("a", true)},  {"a", pre("a")}, {"Up", com("a", true)},
      {"a", pre("a")}, {"Down", com("a", true)},   {"a", pre("a")}, {"Home", com("a", true)},
      {"a", pre("a")}, {"End", com("a", true)},    {"a", pre("a")}, {"Delete", com("a", true)},
      {"a", pre("a")}, {"PageUp", com("a", true)}, {"a", pre("a")}, {"PageDown", com("a", true)},
      {"Left", pass()}}},
    {"enter commits and forwards",
     nullptr,
     false,
     {{"m", pre("m")}, {"a", pre("ma")}, {"Enter", com("ma", true)}, {"Enter", pass()}}},
    {"enter in replace mode", nullptr, true, {{"m", pass()}, {"Enter", pass()}}},
    {"escape gives the keys as typed",
     nullptr,
     false,
     {{"m", pre("m")},
      {"a", pre("ma")},
      {"s", pre("má")},
      {"Escape", com("mas")},
      {"Escape", pass()}}},
    {"escape in replace mode",
     nullptr,
     true,
     {{"m", pass()}, {"a", pass()}, {"s", rep("á", 1)}, {"Escape", rep("as", 1)}}},
    {"unknown key commits and forwards",
     nullptr,
     false,
     {{"m", pre("m")}, {"F1", com("m", true)}, {"F1", pass()}}},
    {"punctuation ends the word",
     nullptr,
     false,
     {{"a", pre("a")}, {"a", pre("â")}, {",", com("â,")}, {"1", pass()}}},
    {"a digit does not start a word", nullptr, false, {{"1", pass()}, {"a", pre("a")}}},
    {"a letter with diacritics ends the word", nullptr, false, {{"a", pre("a")}, {"é", com("aé")}}},
    {"vni digits are word keys",
     vni,
     false,
     {{"a", pre("a")}, {"6", pre("â")}, {"1", pre("ấ")}, {" ", com("ấ ")}}},
    {"viqr punctuation keys are word keys",
     viqr,
     false,
     {{"a", pre("a")}, {"^", pre("â")}, {"'", pre("ấ")}, {" ", com("ấ ")}, {"'", pass()}}},
    {"digits with macro_digits",
     macro_digits,
     false,
     {{"a", pre("a")}, {"2", pre("a2")}, {" ", com("a2 ")}}},
    {"digits without macro_digits", nullptr, false, {{"a", pre("a")}, {"2", com("a2")}}},
    {"bracket keys start a word",
     bracket_keys,
     false,
     {{"[", pre("ơ")}, {"n", pre("ơn")}, {" ", com("ơn ")}}},
    {"bracket keys off", nullptr, false, {{"[", pass()}}},
    {"backspace removes the last visible character",
     nullptr,
     false,
     {{"m", pre("m")},
      {"a", pre("ma")},
      {"s", pre("má")},
      {"Backspace", pre("m")},
      {"a", pre("ma")}}},
    {"backspace on one character",
     nullptr,
     false,
     {{"a", pre("a")}, {"Backspace", pre("")}, {"Backspace", pass()}}},
    {"backspace on one character, replace mode",
     nullptr,
     true,
     {{"a", pass()}, {"Backspace", rep("", 1)}, {"Backspace", pass()}}},
    {"backspace rebuilds the keys",
     nullptr,
     false,
     {{"v", pre("v")},
      {"i", pre("vi")},
      {"e", pre("vie")},
      {"e", pre("viê")},
      {"t", pre("viêt")},
      {"j", pre("việt")},
      {"Backspace", pre("việ")},
      {"n", pre("viện")}}},
    {"backspace after a given-up doubled key composes again",
     nullptr,
     false,
     {{"x", pre("x")},
      {".", com("x.")},
      {"d", pre("d")},
      {"d", pre("dd")},
      {"Backspace", pre("d")},
      {"d", pre("đ")}}},
};

class KeyScenarios : public ::testing::TestWithParam<Scenario> {};
TEST_P(KeyScenarios, ActionPerKey) { QVL_RUN_SCENARIO(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Session, KeyScenarios, ::testing::ValuesIn(KEY_SCENARIOS));

class SessionTest : public ::testing::Test {
 protected:
  std::shared_ptr<World> world = std::make_shared<World>();
  std::unique_ptr<ImeSession> session;

  void start(bool replace_mode = false) { session = make_session(world, replace_mode); }
  Action type(std::string_view keys) {
    Action last;
    for (const std::string& k : chars_of(keys)) last = session->process_key(key_event(k));
    return last;
  }
};

TEST_F(SessionTest, JoiningPunctuationKeepsTheNextWordAsTyped) {
  for (const char* mark : {"-", ".", "/", ":", "@", "\\", "_"}) {
    start();
    type("x");
    type(mark);
    EXPECT_EQ(type("dd"), pre("dd")) << mark;
    EXPECT_EQ(session->raw_string(), "dd");
  }
  start();
  type("x, ");
  EXPECT_EQ(type("dd"), pre("đ"));
}

TEST_F(SessionTest, TwentyFifthKeyShowsTheWordAsTyped) {
  world->config.spell_check = false;
  start();
  const std::string keys = "dd" + std::string(22, 'o');
  type(keys);
  EXPECT_NE(session->display(), keys);
  type("o");
  EXPECT_EQ(session->display(), keys + "o");
  EXPECT_EQ(type(" "), com(keys + "o "));
}

TEST_F(SessionTest, DisplayAndRawFollowTheWord) {
  start();
  type("vieetj");
  EXPECT_EQ(session->display(), "việt");
  EXPECT_EQ(session->raw_string(), "vieetj");
  session->reset();
  EXPECT_EQ(session->display(), "");
  EXPECT_EQ(session->raw_string(), "");
  EXPECT_EQ(type("a"), pre("a"));
}

TEST_F(SessionTest, NfdFormInEveryText) {
  world->config.unicode_form = qvl_engine::ports::UnicodeForm::NFD;
  start();
  EXPECT_EQ(type("as"), pre("a\u0301"));
  EXPECT_EQ(session->display(), "a\u0301");
  EXPECT_EQ(type(" "), com("a\u0301 "));
}

TEST_F(SessionTest, FlushCommitsInPreeditOnly) {
  start();
  type("mas");
  EXPECT_EQ(session->flush_composition(), com("má"));
  EXPECT_EQ(session->flush_composition(), pass());
  start(true);
  type("mas");
  EXPECT_EQ(session->flush_composition(), pass());
  EXPECT_EQ(session->display(), "");
}

TEST_F(SessionTest, SwitchedOffFieldsPassEveryKey) {
  for (FieldKind kind : {FieldKind::Password, FieldKind::Number, FieldKind::Email}) {
    start();
    session->set_field_kind(kind);
    for (const char* k : {"a", "s", "Backspace", "Enter", " ", "Escape"}) {
      EXPECT_EQ(session->process_key(key_event(k)), pass()) << k;
    }
    EXPECT_EQ(session->display(), "");
  }
}

TEST_F(SessionTest, BackspaceAfterGivingUp) {
  // An impossible word comes back as typed; Backspace then tries the keys
  // without the last one, unless the word is English.
  start();
  type("mask");
  ASSERT_EQ(session->display(), "mask");
  EXPECT_EQ(session->process_key(key_event("Backspace")), pre("má"));
  EXPECT_EQ(session->raw_string(), "mas");

  world->english.insert("mask");
  start();
  type("mask");
  EXPECT_EQ(session->process_key(key_event("Backspace")), pre("mas"));
  EXPECT_EQ(session->raw_string(), "mas");
  EXPECT_EQ(type("s"), pre("mass"));
}

TEST_F(SessionTest, BackspaceWhenRebuildFails) {
  // "đd" cannot be typed back: "ddd" gives "dd". The word is kept as shown.
  world->config.spell_check = false;
  start();
  type("ddda");
  ASSERT_EQ(session->display(), "dda");
  EXPECT_EQ(session->process_key(key_event("Backspace")), pre("dd"));
  EXPECT_EQ(session->raw_string(), "dd");
  EXPECT_EQ(type("a"), pre("dda"));
}

}  // namespace
