#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ffi_session.hpp"
#include "qvl.h"
#include "qvl_adapter_core/surrounding.hpp"
#include "qvl_unicode/unicode.hpp"
#include "text_field_sim.hpp"

namespace {

struct SessionDeleter {
  void operator()(QvlSession* s) const { qvl_session_free(s); }
};
using Session = std::unique_ptr<QvlSession, SessionDeleter>;

Session make_session(const char* config = nullptr, uint32_t mode = QVL_OUTPUT_PREEDIT) {
  return Session(qvl_session_new(config, mode));
}

std::string text_of(const QvlAction& a) { return a.text ? a.text : ""; }

// The engine tests' text field, driven through the C records: a deletion
// in UTF-16 units is turned back into the characters it covers.
struct Field {
  quorvel_test::TextFieldSim sim;

  void apply(const QvlAction& a, const std::string& name) {
    using qvl_engine::session::Action;
    const auto key = qvl_engine::session::Key::parse(name);
    switch (a.kind) {
      case QVL_ACTION_PASS:
        sim.apply(Action::pass(), key);
        break;
      case QVL_ACTION_PREEDIT:
        sim.apply(Action::preedit(text_of(a), 0), key);
        break;
      case QVL_ACTION_REPLACE: {
        const std::string before = sim.text();
        const auto tail = qvl_adapter_core::surrounding::utf16_suffix(before, a.delete_utf16);
        // A deletion past the text (or into a surrogate pair) shows as an overrun.
        const auto chars = tail ? static_cast<uint32_t>(qvl_unicode::char_count(*tail))
                                : static_cast<uint32_t>(qvl_unicode::char_count(before) + 1);
        sim.apply(Action::replace(text_of(a), chars, a.forward_key), key);
        break;
      }
      case QVL_ACTION_COMMIT:
        sim.apply(Action::commit(text_of(a), a.forward_key), key);
        break;
    }
  }
  // Types one key the way a frontend does: report the text before the
  // cursor, send the key, apply the answer.
  void type(QvlSession* s, const std::string& name) {
    qvl_set_surrounding_text(s, sim.text().c_str());
    apply(qvl_process_key(s, name.c_str(), false, false, false), name);
  }
  void type_all(QvlSession* s, const std::vector<std::string>& keys) {
    for (const auto& k : keys) type(s, k);
  }
  void flush(QvlSession* s) { apply(qvl_flush(s), ""); }
  std::string text() const { return sim.text(); }
  std::string preedit() const { return sim.preedit(); }
};

std::vector<std::string> keys_of(std::string_view typed) {
  std::vector<std::string> keys;
  qvl_unicode::for_each_char(typed, [&](char32_t c) { keys.push_back(qvl_unicode::encode(c)); });
  return keys;
}

}  // namespace

TEST(Ffi, NullArgumentsGiveNeutralResults) {
  auto s = make_session();
  const QvlAction zero{};
  const auto is_zero = [&](const QvlAction& a) {
    return a.kind == zero.kind && a.delete_utf16 == 0 && a.cursor_utf16 == 0 && !a.forward_key &&
           a.text == nullptr;
  };
  EXPECT_TRUE(is_zero(qvl_process_key(nullptr, "a", false, false, false)));
  EXPECT_TRUE(is_zero(qvl_process_key(s.get(), nullptr, false, false, false)));
  EXPECT_TRUE(is_zero(qvl_process_char(s.get(), 0xD800, false, false, false)));
  EXPECT_TRUE(is_zero(qvl_process_char(s.get(), 0x110000, false, false, false)));
  EXPECT_TRUE(is_zero(qvl_flush(nullptr)));
  EXPECT_TRUE(is_zero(qvl_focus_changed(nullptr, "x")));
  EXPECT_EQ(qvl_display_text(nullptr), nullptr);
  EXPECT_EQ(qvl_profile_output_mode(nullptr), 0u);
  EXPECT_FALSE(qvl_is_enabled(nullptr));
  EXPECT_FALSE(qvl_profile_wait_ack(nullptr));
  EXPECT_EQ(qvl_config_json(nullptr), nullptr);
  EXPECT_FALSE(qvl_set_config_json(s.get(), nullptr));
  EXPECT_EQ(qvl_config_version(nullptr), 0u);
  EXPECT_EQ(qvl_charset_encode(nullptr, "vni", "a"), nullptr);
  EXPECT_EQ(qvl_charset_encode(s.get(), nullptr, "a"), nullptr);
  EXPECT_EQ(qvl_charset_decode_bytes(s.get(), "tcvn3", nullptr, 0), nullptr);
  EXPECT_EQ(qvl_char_to_byte_offset(nullptr, 0), -1);
  qvl_reset(nullptr);
  qvl_session_free(nullptr);
  qvl_add_dictionary_words(nullptr, "x", false);
  // The session is untouched: a word typed afterwards composes as usual.
  EXPECT_EQ(text_of(qvl_process_key(s.get(), "a", false, false, false)), "a");
}

TEST(Ffi, SessionCreationReadsAWholeDocument) {
  EXPECT_EQ(make_session("{} x"), nullptr);
  EXPECT_EQ(make_session("not json"), nullptr);
  EXPECT_EQ(make_session("{\"spell_check\": 1}"), nullptr);
  auto s = make_session("  {}  \n");
  ASSERT_NE(s, nullptr);
  const std::string json = qvl_config_json(s.get());
  EXPECT_EQ(
      json.rfind("{\"input_method\":\"telex\",\"tone_style\":\"new\",\"spell_check\":true,", 0),
      0u);
  EXPECT_TRUE(
      json.ends_with(",\"restore_after_space\":true,\"smart_caps\":false,\"unicode_form\":\"NFC\","
                     "\"schema_version\":1}"));
  EXPECT_STREQ(qvl_version(), "0.1.2");
}

TEST(Ffi, TypesWordsAndCountsInUtf16) {
  auto s = make_session();
  Field field;
  field.type_all(s.get(), keys_of("vieetj"));
  EXPECT_EQ(field.preedit(), "vi\xE1\xBB\x87t");
  const QvlAction preedit = qvl_process_key(s.get(), "s", false, false, false);
  EXPECT_EQ(preedit.kind, QVL_ACTION_PREEDIT);
  EXPECT_EQ(text_of(preedit), "vi\xE1\xBA\xBFt");  // the new tone replaces the old
  EXPECT_EQ(preedit.cursor_utf16, 4u);
  field.apply(preedit, "s");
  field.type(s.get(), " ");
  EXPECT_EQ(field.text(), "vi\xE1\xBA\xBFt ");
  EXPECT_STREQ(qvl_display_text(s.get()), "");
  // Invalid UTF-8 in a key name is one U+FFFD key.
  EXPECT_EQ(qvl_process_key(s.get(), "\xFF", false, false, false).kind, QVL_ACTION_PASS);
}

TEST(Ffi, ReplaceCountsAstralCharactersTwice) {
  auto s = make_session(nullptr, QVL_OUTPUT_REPLACE);
  Field field;
  field.sim.set_text("\xF0\x9F\x98\x80 ");  // 😀 and a space before the word
  field.type_all(s.get(), keys_of("vieetj"));
  EXPECT_EQ(field.text(), "\xF0\x9F\x98\x80 vi\xE1\xBB\x87t");
}

TEST(Ffi, ActionConversionCountsUtf16Units) {
  auto s = make_session();
  using qvl_engine::session::Action;
  const std::string smiley_a =
      "x\xF0\x9F\x98\x80"
      "a";
  EXPECT_EQ(qvl_ffi::to_c_action(s.get(), Action::replace("y", 2, false), smiley_a).delete_utf16,
            3u);
  // A deletion longer than the known text is never reported smaller.
  EXPECT_EQ(qvl_ffi::to_c_action(s.get(), Action::replace("y", 5, false), "ab").delete_utf16, 5u);
  EXPECT_EQ(qvl_ffi::to_c_action(s.get(), Action::preedit("a\xF0\x9F\x98\x80", 2), "").cursor_utf16,
            3u);
  EXPECT_STREQ(
      qvl_ffi::to_c_action(s.get(), Action::commit(std::string("a\0b", 3), false), "").text, "");
}

TEST(Ffi, SeveralWordMacroDeletesTheWholeAbbreviation) {
  auto s = make_session("{\"macros\":{\"ko biet\":\"kh\xC3\xB4ng bi\xE1\xBA\xBFt\"}}",
                        QVL_OUTPUT_REPLACE);
  ASSERT_NE(s, nullptr);
  Field field;
  field.type_all(s.get(), keys_of("ko biet"));
  qvl_set_surrounding_text(s.get(), field.text().c_str());
  const QvlAction a = qvl_process_key(s.get(), " ", false, false, false);
  ASSERT_EQ(a.kind, QVL_ACTION_REPLACE);
  EXPECT_EQ(text_of(a), "kh\xC3\xB4ng bi\xE1\xBA\xBFt");
  EXPECT_EQ(a.delete_utf16, 7u);
  EXPECT_TRUE(a.forward_key);
  field.apply(a, " ");
  EXPECT_EQ(field.text(), "kh\xC3\xB4ng bi\xE1\xBA\xBFt ");
  // And the planner accepts the deletion against the field.
  QvlPlan plan{};
  std::string before = "ko biet";
  ASSERT_TRUE(qvl_plan_action(s.get(), &a, QVL_FIELD_NORMAL, before.c_str(), before.c_str(), 7, 7,
                              false, &plan));
  EXPECT_EQ(plan.kind, QVL_PLAN_REPLACE);
  EXPECT_EQ(plan.delete_utf16, 7u);
  EXPECT_EQ(plan.delete_chars, 7u);
}

TEST(Ffi, OffModeMacroAndMacroUndoDeleteWhatTheyReplace) {
  auto s = make_session(
      "{\"macro_in_off_mode\":true,\"macros\":{\"btw\":\"by the way\",\"ko\":\"kh\xC3\xB4ng\"}}",
      QVL_OUTPUT_REPLACE);
  ASSERT_NE(s, nullptr);
  Field field;
  field.type_all(s.get(), keys_of("ko "));
  EXPECT_EQ(field.text(), "kh\xC3\xB4ng ");
  field.type(s.get(), "Backspace");  // undo: the abbreviation comes back
  EXPECT_EQ(field.text(), "ko ");

  qvl_toggle_vietnamese(s.get());
  ASSERT_FALSE(qvl_is_enabled(s.get()));
  field.type_all(s.get(), keys_of("btw "));
  EXPECT_EQ(field.text(), "ko by the way ");
}

TEST(Ffi, ResultSlotsLiveUntilTheirNextWrite) {
  auto s = make_session();
  qvl_process_key(s.get(), "a", false, false, false);
  const char* display = qvl_display_text(s.get());
  const QvlAction commit = qvl_process_key(s.get(), "Left", false, false, false);
  ASSERT_EQ(commit.kind, QVL_ACTION_COMMIT);
  ASSERT_STREQ(commit.text, "a");
  // A Pass leaves the action slot as it was.
  EXPECT_EQ(qvl_process_key(s.get(), "Left", false, false, false).kind, QVL_ACTION_PASS);
  EXPECT_STREQ(commit.text, "a");
  const char* json = qvl_config_json(s.get());
  const std::string json_copy = json;
  qvl_process_key(s.get(), "b", false, false, false);
  qvl_charset_encode(s.get(), "vni", "Vi\xE1\xBB\x87t");
  EXPECT_EQ(std::string(json), json_copy);  // other slots were written
  EXPECT_STREQ(display, "a");               // still the old display
  EXPECT_STREQ(qvl_charset_encode(s.get(), "VNI", "Vi\xE1\xBB\x87t"), "Vie\xC3\xA4t");
}

TEST(Ffi, ClampedEnumerationsAndPlanningArguments) {
  auto s = make_session();
  qvl_set_output_mode(s.get(), 2);  // anything but 1 is preedit
  EXPECT_EQ(qvl_process_key(s.get(), "a", false, false, false).kind, QVL_ACTION_PREEDIT);
  qvl_set_field_kind(s.get(), 9);  // as Normal
  EXPECT_EQ(qvl_process_key(s.get(), "b", false, false, false).kind, QVL_ACTION_PREEDIT);
  qvl_set_field_kind(s.get(), QVL_FIELD_PASSWORD);
  EXPECT_EQ(qvl_process_key(s.get(), "c", false, false, false).kind, QVL_ACTION_PASS);

  QvlPlan out{};
  out.wait_ms = 77;
  QvlAction action{};
  action.kind = QVL_ACTION_COMMIT;
  action.text = "x";
  EXPECT_FALSE(qvl_plan_action_with_fallback(s.get(), &action, 0, "", "", 0, 0, false, 3, &out));
  action.kind = 4;
  EXPECT_FALSE(qvl_plan_action(s.get(), &action, 0, "", "", 0, 0, false, &out));
  EXPECT_EQ(out.wait_ms, 77u);
  action.kind = QVL_ACTION_REPLACE;
  action.delete_utf16 = 1;
  action.text = "";
  ASSERT_TRUE(qvl_plan_action(s.get(), &action, 0, "a", "a", 1, 1, false, &out));
  EXPECT_EQ(out.kind, QVL_PLAN_REPLACE);
  EXPECT_EQ(out.text, nullptr);  // deletion only
}

TEST(Ffi, OffsetHelpers) {
  EXPECT_EQ(qvl_char_to_byte_offset("a\xC3\xA9", 2), 3);
  EXPECT_EQ(qvl_char_to_byte_offset("a\xC3\xA9", 3), -1);
  EXPECT_EQ(qvl_char_to_utf16_offset("\xF0\x9F\x98\x80"
                                     "a",
                                     1),
            2);
  EXPECT_EQ(qvl_utf16_to_byte_offset("\xF0\x9F\x98\x80"
                                     "a",
                                     1),
            -1);
  EXPECT_EQ(qvl_char_to_byte_offset("\xFF", 1), 3);  // one U+FFFD of three bytes
  EXPECT_TRUE(qvl_is_word_codepoint(0x1EA1));
  EXPECT_FALSE(qvl_is_word_codepoint(0x20));
  EXPECT_FALSE(qvl_is_word_codepoint(0xDC00));
}

TEST(Ffi, ConfigurationFamily) {
  auto s = make_session();
  auto other = make_session();
  EXPECT_STREQ(qvl_app_profile_json(s.get()),
               "{\"output_mode\":null,\"backspace_delay_ms\":0,\"delay_per_char_ms\":0,"
               "\"wait_ack\":false,\"edit_previous_word\":null,\"restore_after_space\":null,"
               "\"vietnamese\":null,\"input_method\":null,\"tone_style\":null,"
               "\"spell_check\":null,\"charset\":null}");
  qvl_focus_changed(s.get(), "firefox");
  EXPECT_EQ(qvl_profile_output_mode(s.get()), 1u);
  EXPECT_EQ(qvl_profile_backspace_delay_ms(s.get()), 4u);

  qvl_process_key(s.get(), "a", false, false, false);
  EXPECT_FALSE(qvl_set_config_json(s.get(), "not json"));
  EXPECT_STREQ(qvl_display_text(s.get()), "a");  // still open
  QvlAction out{};
  EXPECT_TRUE(qvl_apply_config_json(s.get(), "{\"spell_check\":false}", &out));
  EXPECT_EQ(out.kind, QVL_ACTION_COMMIT);
  EXPECT_EQ(text_of(out), "a");
  EXPECT_NE(std::string(qvl_config_json(s.get())).find("\"spell_check\":false"), std::string::npos);
  EXPECT_NE(std::string(qvl_config_json(other.get())).find("\"spell_check\":true"),
            std::string::npos);

  EXPECT_EQ(qvl_config_version(s.get()), 0u);
  qvl_focus_changed(s.get(), "kitty");
  qvl_toggle_vietnamese(s.get());
  EXPECT_EQ(qvl_config_version(s.get()), 1u);
  EXPECT_TRUE(qvl_set_config_json(s.get(), "{}"));
  EXPECT_EQ(qvl_config_version(s.get()), 1u);

  EXPECT_EQ(qvl_config_check(s.get(), "{\"macros\":{}}"), nullptr);
  EXPECT_NE(qvl_config_check(s.get(), "{\"spell_check\":1}"), nullptr);
}

TEST(Ffi, DictionaryFamilyCopiesOnWrite) {
  auto s = make_session();
  auto other = make_session();
  qvl_load_dictionary(s.get(), "Foo  BAR\nfoo", nullptr);
  const auto& english = s->shared->dictionary->english();
  EXPECT_EQ(english.size(), 2u);
  EXPECT_TRUE(english.count("foo") && english.count("bar"));
  EXPECT_TRUE(other->shared->dictionary->is_english("email"));
  EXPECT_FALSE(s->shared->dictionary->is_english("email"));
  qvl_add_dictionary_words(other.get(), "Kubernetes", false);
  EXPECT_TRUE(other->shared->dictionary->is_english("kubernetes"));
  EXPECT_TRUE(other->shared->dictionary->is_english("email"));
  qvl_add_dictionary_words(other.get(), "xin ch\xC3\xA0o", true);
  EXPECT_TRUE(other->shared->dictionary->is_vietnamese("ch\xC3\xA0o"));
  EXPECT_FALSE(other->shared->dictionary->is_english("xin"));
  qvl_load_dictionary(s.get(), "", nullptr);
  EXPECT_TRUE(s->shared->dictionary->english().empty());
  // The process-wide lists are untouched.
  auto fresh = make_session();
  EXPECT_TRUE(fresh->shared->dictionary->is_english("email"));
  EXPECT_FALSE(fresh->shared->dictionary->is_english("kubernetes"));
}

TEST(Ffi, CharsetFamily) {
  auto s = make_session();
  EXPECT_STREQ(qvl_charset_decode(s.get(), "tcvn3", "Vi\xC3\x96t"), "Vi\xE1\xBB\x87t");
  const uint8_t bytes[] = {0x56, 0x69, 0xD6, 0x74};
  EXPECT_STREQ(qvl_charset_decode_bytes(s.get(), "tcvn3", bytes, 4), "Vi\xE1\xBB\x87t");
  EXPECT_STREQ(qvl_charset_decode_bytes(s.get(), "tcvn3", bytes, 0), "");
  const uint8_t with_zero[] = {0x41, 0x00};
  EXPECT_STREQ(qvl_charset_decode_bytes(s.get(), "tcvn3", with_zero, 2), "");
  size_t n = 99;
  const uint8_t* out = qvl_charset_encode_bytes(s.get(), "tcvn3", "Vi\xE1\xBB\x87t", &n);
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(n, 4u);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 4), std::vector<uint8_t>(bytes, bytes + 4));
  EXPECT_EQ(qvl_charset_encode_bytes(s.get(), "viqr", "Vi\xE1\xBB\x87t", &n), nullptr);
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(out[2], 0xD6);  // the earlier bytes are still there
  EXPECT_NE(qvl_charset_encode_bytes(s.get(), "tcvn3", "", &n), nullptr);
  EXPECT_EQ(n, 0u);

  const std::string list = qvl_charset_list();
  EXPECT_EQ(qvl_charset_list(), qvl_charset_list());
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 16);
  EXPECT_EQ(list.rfind("unicode\tUnicode (NFC)\nunicode_nfd\tUnicode t\xE1\xBB\x95 h\xE1\xBB\xA3p "
                       "(NFD)\ntcvn3\tTCVN3 (ABC)\n",
                       0),
            0u);
}

TEST(Ffi, InternalFailuresResetTheSessionAndStayInside) {
  auto s = make_session();
  qvl_process_key(s.get(), "a", false, false, false);
  ASSERT_STREQ(qvl_display_text(s.get()), "a");
  qvl_ffi::testing::fail_next_call(s.get());
  const QvlAction a = qvl_process_key(s.get(), "b", false, false, false);
  EXPECT_EQ(a.kind, QVL_ACTION_PASS);
  EXPECT_EQ(a.text, nullptr);
  EXPECT_STREQ(qvl_display_text(s.get()), "");  // the open word was dropped

  qvl_ffi::testing::fail_next_call(s.get());
  EXPECT_EQ(qvl_config_json(s.get()), nullptr);
  qvl_ffi::testing::fail_next_call(s.get());
  QvlPlan out{};
  QvlAction commit{};
  commit.kind = QVL_ACTION_COMMIT;
  EXPECT_FALSE(qvl_plan_action(s.get(), &commit, 0, "", "", 0, 0, false, &out));
  // The session goes on working.
  EXPECT_EQ(text_of(qvl_process_key(s.get(), "c", false, false, false)), "c");
}

TEST(Ffi, RandomTypingGivesTheSameTextInBothModes) {
  std::mt19937 rng(42);
  const std::vector<std::string> pool = {
      "a", "e", "o", "u", "i", "d", "w",         "s",         "f",      "r",
      "x", "j", "z", "n", "g", "h", "t",         "c",         "A",      "D",
      "W", "S", " ", " ", ",", ".", "Backspace", "Backspace", "Escape", "Enter"};
  for (int round = 0; round < 40; ++round) {
    std::vector<std::string> keys;
    for (int i = 0; i < 60; ++i) keys.push_back(pool[rng() % pool.size()]);
    auto preedit = make_session("{\"macro_enabled\":false}", QVL_OUTPUT_PREEDIT);
    auto replace = make_session("{\"macro_enabled\":false}", QVL_OUTPUT_REPLACE);
    Field a, b;
    std::string commits;
    for (const auto& k : keys) {
      qvl_set_surrounding_text(preedit.get(), a.text().c_str());
      const QvlAction action = qvl_process_key(preedit.get(), k.c_str(), false, false, false);
      if (action.kind == QVL_ACTION_COMMIT) commits += text_of(action);
      a.apply(action, k);
      b.type(replace.get(), k);
    }
    a.flush(preedit.get());
    b.flush(replace.get());
    EXPECT_EQ(a.text(), b.text()) << "round " << round;
    EXPECT_FALSE(a.sim.overrun() || b.sim.overrun()) << "round " << round;
  }
}
