// Macros at a word's end, macro undo, macros while input is off,
// auto-capitalisation and smart capitals.
#include <gtest/gtest.h>

#include "session_fixture.hpp"

namespace {

using namespace quorvel_test;

void ko(World& w) {
  w.config.macros = {{"ko", "không"}, {"VN", "Việt Nam"}, {"e", ""}, {"dd", "điện thoại"}};
}
void ko_no_undo(World& w) {
  ko(w);
  w.config.macro_undo = false;
}
void ko_off(World& w) {
  ko(w);
  w.config.macro_enabled = false;
}
void ko_biet(World& w) {
  w.config.macros = {{"ko biet", "không biết"}, {"biet", ""}, {"dd", "điện thoại"}};
}
void ko_biet_no_undo(World& w) {
  ko_biet(w);
  w.config.macro_undo = false;
}
void ko_biet_field(World& w) {
  ko_biet(w);
  w.surrounding = "không biết ";
}
void longest(World& w) {
  w.config.macros = {{"ko biet", "không biết"}, {"a ko biet", "anh không biết"}, {"biet", "biết"}};
}
void ko_field(World& w) {
  ko(w);
  w.surrounding = "không ";
}
void btw_off(World& w) {
  w.config.macros = {{"btw", "by the way"}};
  w.config.macro_in_off_mode = true;
  w.config.default_vietnamese = false;
}
void btw_off_inactive(World& w) {
  btw_off(w);
  w.config.macro_in_off_mode = false;
}
void caps(World& w) { w.config.auto_capitalize = true; }
void smart(World& w) { w.config.smart_caps = true; }

const Scenario MACRO_SCENARIOS[] = {
    {"one word, preedit", ko, false, {{"k", pre("k")}, {"o", pre("ko")}, {" ", com("không ")}}},
    {"first capital", ko, false, {{"K", pre("K")}, {"o", pre("Ko")}, {" ", com("Không ")}}},
    {"all capitals", ko, false, {{"K", pre("K")}, {"O", pre("KO")}, {" ", com("KHÔNG ")}}},
    {"lower first", ko, false, {{"k", pre("k")}, {"O", pre("kO")}, {" ", com("không ")}}},
    {"at Enter", ko, false, {{"k", pre("k")}, {"o", pre("ko")}, {"Enter", com("không", true)}}},
    {"keys as typed", ko, false, {{"d", pre("d")}, {"d", pre("đ")}, {" ", com("điện thoại ")}}},
    {"stored key with capitals never matches",
     ko,
     false,
     {{"v", pre("v")}, {"n", pre("vn")}, {" ", com("vn ")}}},
    {"empty expansion", ko, false, {{"e", pre("e")}, {" ", com("e ")}}},
    {"macros off", ko_off, false, {{"k", pre("k")}, {"o", pre("ko")}, {" ", com("ko ")}}},
    {"a given-up word does not expand",
     ko,
     false,
     {{"x", pre("x")}, {".", com("x.")}, {"k", pre("k")}, {"o", pre("ko")}, {" ", com("ko ")}}},
    {"one word, replace mode, and undo",
     ko_field,
     true,
     {{"k", pass()}, {"o", pass()}, {" ", rep("hông", 1, true)}, {"Backspace", rep("ko ", 6)}}},
    {"undo only when the field shows the expansion",
     ko,
     true,
     {{"!surr=khong ", pass()},
      {"k", pass()},
      {"o", pass()},
      {" ", rep("hông", 1, true)},
      {"Backspace", pass()}}},
    {"undo switched off",
     ko_no_undo,
     true,
     {{"!surr=không ", pass()},
      {"k", pass()},
      {"o", pass()},
      {" ", rep("hông", 1, true)},
      {"Backspace", pass()}}},
    {"any other key drops the undo",
     ko_field,
     true,
     {{"k", pass()},
      {"o", pass()},
      {" ", rep("hông", 1, true)},
      {" ", pass()},
      {"Backspace", pass()}}},
    {"several words",
     ko_biet_field,
     true,
     {{"k", pass()},
      {"o", pass()},
      {" ", pass()},
      {"b", pass()},
      {"i", pass()},
      {"e", pass()},
      {"t", pass()},
      {" ", rep("không biết", 7, true)},
      {"Backspace", rep("ko biet ", 11)}}},
    {"several words after a letter",
     ko_biet_no_undo,
     true,
     {{"x", pass()},
      {"k", pass()},
      {"o", pass()},
      {" ", pass()},
      {"b", pass()},
      {"i", pass()},
      {"e", pass()},
      {"t", pass()},
      {" ", pass()}}},
    {"several words keep their case",
     ko_biet_no_undo,
     true,
     {{"K", pass()},
      {"o", pass()},
      {" ", pass()},
      {"b", pass()},
      {"i", pass()},
      {"e", pass()},
      {"t", pass()},
      {" ", rep("Không biết", 7, true)}}},
    {"several words at Enter deliver the key",
     ko_biet_no_undo,
     true,
     {{"k", pass()},
      {"o", pass()},
      {" ", pass()},
      {"b", pass()},
      {"i", pass()},
      {"e", pass()},
      {"t", pass()},
      {"Enter", rep("không biết", 7, true)}}},
    {"several words, the longest key wins",
     longest,
     true,
     {{"a", pass()},
      {" ", pass()},
      {"k", pass()},
      {"o", pass()},
      {" ", pass()},
      {"b", pass()},
      {"i", pass()},
      {"e", pass()},
      {"t", pass()},
      {" ", rep("anh không biết", 9, true)}}},
    {"a key within the word is the one-word step's",
     longest,
     true,
     {{"b", pass()}, {"i", pass()}, {"e", pass()}, {"t", pass()}, {" ", rep("ết", 2, true)}}},
    {"off mode",
     btw_off,
     true,
     {{"b", pass()}, {"t", pass()}, {"w", pass()}, {" ", rep("by the way", 3, true)}}},
    {"off mode, Enter and Backspace",
     btw_off,
     true,
     {{"b", pass()},
      {"t", pass()},
      {"w", pass()},
      {"Enter", rep("by the way", 3, true)},
      {"b", pass()},
      {"t", pass()},
      {"w", pass()},
      {"Backspace", rep("by the way", 3)}}},
    {"off mode, preedit",
     btw_off,
     false,
     {{"b", pass()}, {"t", pass()}, {"w", pass()}, {" ", pass()}}},
    {"off mode, not switched on",
     btw_off_inactive,
     true,
     {{"b", pass()}, {"t", pass()}, {"w", pass()}, {" ", pass()}}},
    {"off mode, a navigation key empties the buffer",
     btw_off,
     true,
     {{"b", pass()}, {"t", pass()}, {"Left", pass()}, {"w", pass()}, {" ", pass()}}},
    {"off mode, no match", btw_off, true, {{"b", pass()}, {"y", pass()}, {" ", pass()}}},
    {"capital after a sentence",
     caps,
     false,
     {{"a", pre("a")}, {".", com("a.")}, {" ", pass()}, {"t", pre("T")}}},
    {"capital after a sentence, replace mode",
     caps,
     true,
     {{"a", pass()}, {".", pass()}, {" ", pass()}, {"t", rep("T", 0)}, {"a", pass()}}},
    {"no capital without white space",
     caps,
     false,
     {{"e", pre("e")}, {".", com("e.")}, {"g", pre("g")}}},
    {"closing marks keep the sentence end",
     caps,
     false,
     {{"a", pre("a")},
      {".", com("a.")},
      {")", pass()},
      {"\"", pass()},
      {" ", pass()},
      {"b", pre("B")}}},
    {"a bracket does not end a sentence",
     caps,
     false,
     {{"(", pass()}, {"a", pre("a")}, {")", com("a)")}, {" ", pass()}, {"b", pre("b")}}},
    {"other punctuation clears",
     caps,
     false,
     {{"a", pre("a")}, {".", com("a.")}, {",", pass()}, {" ", pass()}, {"b", pre("b")}}},
    {"a new line capitalises",
     caps,
     false,
     {{"a", pre("a")},
      {"\n", com("a\n")},
      {"b", pre("B")},
      {"Enter", com("B", true)},
      {"c", pre("C")}}},
    {"each sentence mark",
     caps,
     false,
     {{"!", pass()},
      {" ", pass()},
      {"a", pre("A")},
      {"?", com("A?")},
      {" ", pass()},
      {"b", pre("B")},
      {"…", com("B…")},
      {" ", pass()},
      {"c", pre("C")}}},
    {"navigation clears",
     caps,
     false,
     {{"a", pre("a")}, {".", com("a.")}, {" ", pass()}, {"Left", pass()}, {"b", pre("b")}}},
    {"auto-capitalisation off",
     nullptr,
     false,
     {{"a", pre("a")}, {".", com("a.")}, {" ", pass()}, {"b", pre("b")}}},
    {"smart capitals",
     smart,
     false,
     {{"U", pre("U")}, {"S", pre("US")}, {"A", pre("USA")}, {"S", pre("USAS")}}},
    {"smart capitals let DD compose",
     smart,
     false,
     {{"D", pre("D")}, {"D", pre("Đ")}, {"i", pre("Đi")}}},
    {"smart capitals, second key small",
     smart,
     false,
     {{"V", pre("V")},
      {"i", pre("Vi")},
      {"e", pre("Vie")},
      {"e", pre("Viê")},
      {"t", pre("Viêt")},
      {"j", pre("Việt")}}},
    {"without smart capitals", nullptr, false, {{"T", pre("T")}, {"S", pre("TS")}}},
};

class MacroScenarios : public ::testing::TestWithParam<Scenario> {};
TEST_P(MacroScenarios, ActionPerStep) { QVL_RUN_SCENARIO(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Session, MacroScenarios, ::testing::ValuesIn(MACRO_SCENARIOS));

TEST(MacroHistory, SeveralWordsRewriteHistoryAndForgetTheLastWord) {
  auto world = std::make_shared<World>();
  ko_biet_no_undo(*world);
  auto session = make_session(world, true);
  for (const std::string& k : chars_of("ko biet ")) session->process_key(key_event(k));
  EXPECT_EQ(session->history(), "không biết ");
  // The word before the space is gone from the field: no restore of "biet".
  EXPECT_EQ(session->process_key(key_event("Backspace")), pass());
  EXPECT_EQ(session->display(), "");
}

TEST(MacroHistory, HistoryKeepsTheLast256Characters) {
  auto world = std::make_shared<World>();
  auto session = make_session(world, false);
  for (int i = 0; i < 100; ++i) {
    for (const std::string& k : chars_of("ddi ")) session->process_key(key_event(k));
  }
  EXPECT_EQ(qvl_unicode::char_count(session->history()), ImeSession::HISTORY_CHARS);
  EXPECT_TRUE(session->history().starts_with(" đi đi ")) << session->history();
}

}  // namespace

namespace {

TEST(MacroForm, ExpansionsComeInTheConfiguredForm) {
  const std::string nfd = qvl_unicode::nfd("không biết");
  auto world = std::make_shared<World>();
  world->config.unicode_form = qvl_engine::ports::UnicodeForm::NFD;
  world->config.macros = {{"kb", "không biết"}, {"ko biet", "không biết"}};
  world->config.macro_in_off_mode = true;
  auto preedit = make_session(world, false);
  for (const std::string& k : chars_of("kb")) preedit->process_key(key_event(k));
  EXPECT_EQ(preedit->process_key(key_event(" ")), com(nfd + " "));

  auto replace = make_session(world, true);
  for (const std::string& k : chars_of("ko biet")) replace->process_key(key_event(k));
  EXPECT_EQ(replace->process_key(key_event(" ")), rep(qvl_unicode::nfd("không biết"), 7, true));

  replace->toggle_vietnamese();
  for (const std::string& k : chars_of("kb")) replace->process_key(key_event(k));
  EXPECT_EQ(replace->process_key(key_event(" ")), rep(nfd, 2, true));
}

}  // namespace
