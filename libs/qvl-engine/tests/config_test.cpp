#include "qvl_engine/config.hpp"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "qvl_engine/profiles.hpp"
#include "qvl_unicode/unicode.hpp"

namespace {

using qvl_engine::ports::AppProfile;
using qvl_engine::ports::Config;
using qvl_engine::ports::OutputMode;
using qvl_engine::ports::UnicodeForm;
using vi_syllable::ToneStyle;

const std::vector<std::string> CONFIG_KEYS = {
    "input_method",       "tone_style",    "spell_check",         "w_as_u",
    "bracket_keys",       "quick_telex",   "allow_coda_k",        "macro_enabled",
    "macro_digits",       "macro_undo",    "macro_in_off_mode",   "macros",
    "auto_capitalize",    "excluded_apps", "app_modes",           "default_vietnamese",
    "edit_previous_word", "app_profiles",  "restore_after_space", "smart_caps",
    "unicode_form",       "schema_version"};
const std::vector<std::string> PROFILE_KEYS = {"output_mode",
                                               "backspace_delay_ms",
                                               "delay_per_char_ms",
                                               "wait_ack",
                                               "edit_previous_word",
                                               "restore_after_space",
                                               "vietnamese",
                                               "input_method",
                                               "tone_style",
                                               "spell_check",
                                               "charset"};

std::vector<std::string> keys_of(const nlohmann::ordered_json& object) {
  std::vector<std::string> keys;
  for (const auto& [key, value] : object.items()) keys.push_back(key);
  return keys;
}

Config read_ok(std::string_view text) {
  auto result = Config::read(text);
  EXPECT_TRUE(result.ok()) << text << ": " << result.error;
  return result.ok() ? *result.config : Config();
}

// A record with every field away from its default.
Config changed_config() {
  Config c;
  c.input_method = "vni";
  c.tone_style = ToneStyle::Old;
  c.spell_check = false;
  c.w_as_u = true;
  c.bracket_keys = true;
  c.quick_telex = true;
  c.allow_coda_k = true;
  c.macro_enabled = false;
  c.macro_digits = true;
  c.macro_undo = false;
  c.macro_in_off_mode = true;
  c.macros = {{"vn", "Việt Nam"}, {"q\"\\", std::string("nul\0tab\t", 8)}};
  c.auto_capitalize = true;
  c.excluded_apps = {"b", "a", "b"};
  c.app_modes = {{"kitty", true}, {"firefox", false}};
  c.default_vietnamese = false;
  c.edit_previous_word = false;
  c.app_profiles.at("kitty").output_mode.reset();
  AppProfile full;
  full.output_mode = OutputMode::Replace;
  full.backspace_delay_ms = 4294967295u;
  full.delay_per_char_ms = 7;
  full.wait_ack = true;
  full.edit_previous_word = true;
  full.restore_after_space = false;
  full.vietnamese = true;
  full.input_method = "viqr";
  full.tone_style = ToneStyle::New;
  full.spell_check = false;
  full.charset = "tcvn3";
  c.app_profiles["myapp"] = full;
  c.restore_after_space = false;
  c.smart_caps = true;
  c.unicode_form = UnicodeForm::NFD;
  c.schema_version = 4294967295u;
  return c;
}

TEST(ConfigRead, EmptyAndUnknownOnlyDocumentsGiveTheDefaults) {
  const Config defaults = Config::defaults();
  EXPECT_EQ(defaults.app_profiles.size(), 25u);
  for (const char* text : {"{}", " \t\r\n{}\n", R"({"no_such": [1, {"a": null}], "other": 2.5})",
                           R"({"output_mode": "replace", "charset": "x", "vietnamese": 1})"}) {
    EXPECT_EQ(read_ok(text), defaults) << text;
  }
}

TEST(ConfigWrite, WritesEveryKeyInOrderWithTheBuiltInProfiles) {
  const std::string text = Config::defaults().write();
  EXPECT_TRUE(
      text.starts_with(R"({"input_method":"telex","tone_style":"new","spell_check":true,)"));
  EXPECT_TRUE(text.ends_with(
      R"(,"restore_after_space":true,"smart_caps":false,"unicode_form":"NFC","schema_version":1})"));
  EXPECT_EQ(text.find_first_of(" \n"), std::string::npos);
  const auto tree = nlohmann::ordered_json::parse(text);
  EXPECT_EQ(keys_of(tree), CONFIG_KEYS);
  ASSERT_EQ(tree["app_profiles"].size(), 25u);
  for (const auto& [name, profile] : tree["app_profiles"].items()) {
    EXPECT_EQ(keys_of(profile), PROFILE_KEYS) << name;
  }
  EXPECT_EQ(tree["app_profiles"]["kitty"].dump(),
            R"({"output_mode":"preedit","backspace_delay_ms":0,"delay_per_char_ms":0,)"
            R"("wait_ack":false,"edit_previous_word":false,"restore_after_space":null,)"
            R"("vietnamese":null,"input_method":null,"tone_style":null,"spell_check":null,)"
            R"("charset":null})");
}

TEST(ConfigWrite, ReadingWhatWasWrittenGivesAnEqualRecord) {
  for (const Config& c : {Config::defaults(), changed_config()}) {
    const auto again = Config::read(c.write());
    ASSERT_TRUE(again.ok()) << again.error;
    EXPECT_EQ(*again.config, c);
    EXPECT_EQ(again.config->write(), c.write());
  }
}

TEST(ConfigWrite, EscapesOnlyQuotesBackslashesAndControls) {
  Config c;
  using namespace std::string_view_literals;
  c.input_method = "\"\\/\b\t\n\f\r\x01\x1f\x7f\0é😀"sv;
  const std::string text = c.write();
  EXPECT_NE(text.find(R"("input_method":"\"\\/\b\t\n\f\r\u0001\u001f)"
                      "\x7f"
                      R"(\u0000é😀")"),
            std::string::npos)
      << text;
  AppProfile p;
  p.charset = "\x1b[";
  EXPECT_NE(p.write().find(R"("charset":"\u001b[")"), std::string::npos);
}

TEST(ConfigWrite, IllFormedUtf8SetByCodeBecomesReplacement) {
  Config c;
  c.input_method = "a\xFF";
  const auto again = Config::read(c.write());
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(again.config->input_method, "a\xEF\xBF\xBD");
}

TEST(ConfigRead, AcceptsEachTypedValue) {
  const Config c =
      read_ok(R"({"input_method":"anything","tone_style":"old","unicode_form":"NFD",)"
              R"("schema_version":4294967295,"macros":{"vn":"Việt Nam","vn":"x","a":"b"},)"
              R"("excluded_apps":["x","x",""],"app_modes":{"kitty":true,"kitty":false},)"
              R"("smart_caps":true,"spell_check":false})");
  EXPECT_EQ(c.input_method, "anything");
  EXPECT_EQ(c.tone_style, ToneStyle::Old);
  EXPECT_EQ(c.unicode_form, UnicodeForm::NFD);
  EXPECT_EQ(c.schema_version, 4294967295u);
  EXPECT_EQ(c.macros, (std::unordered_map<std::string, std::string>{{"vn", "x"}, {"a", "b"}}));
  EXPECT_EQ(c.excluded_apps, (std::vector<std::string>{"x", "x", ""}));
  EXPECT_EQ(c.app_modes, (std::unordered_map<std::string, bool>{{"kitty", false}}));
  EXPECT_TRUE(c.smart_caps);
  EXPECT_FALSE(c.spell_check);
  EXPECT_EQ(read_ok(R"({"schema_version":0})").schema_version, 0u);
}

TEST(ConfigRead, UserProfilesReplaceBuiltInOnesWhole) {
  const auto builtin = qvl_engine::ports::default_app_profiles();
  EXPECT_EQ(read_ok(R"({"app_profiles":{}})").app_profiles, builtin);

  const Config kitty = read_ok(R"({"app_profiles":{"kitty":{"wait_ack":true}}})");
  AppProfile only_wait;
  only_wait.wait_ack = true;
  EXPECT_EQ(kitty.app_profiles.at("kitty"), only_wait);
  EXPECT_EQ(kitty.app_profiles.size(), 25u);
  EXPECT_EQ(kitty.app_profiles.at("firefox"), builtin.at("firefox"));

  const Config mine =
      read_ok(R"({"app_profiles":{"myapp":{},"Firefox":{"output_mode":null,"tone_style":"old",)"
              R"("charset":"viqr","unknown":[1]}}})");
  EXPECT_EQ(mine.app_profiles.size(), 27u);
  EXPECT_EQ(mine.app_profiles.at("myapp"), AppProfile{});
  EXPECT_EQ(mine.app_profiles.at("Firefox").tone_style, ToneStyle::Old);
  EXPECT_EQ(mine.app_profiles.at("Firefox").charset, "viqr");
  EXPECT_FALSE(mine.app_profiles.at("Firefox").output_mode.has_value());

  // A repeated profile name is a map entry like any other: the later wins.
  const Config twice = read_ok(R"({"app_profiles":{"x":{"wait_ack":true},"x":{}}})");
  EXPECT_EQ(twice.app_profiles.at("x"), AppProfile{});
}

TEST(ConfigRead, RejectsValuesOfTheWrongShape) {
  const char* cases[] = {
      R"({"spell_check":null})",
      R"({"spell_check":1})",
      R"({"spell_check":"true"})",
      R"({"tone_style":"Old"})",
      R"({"unicode_form":"nfc"})",
      R"({"input_method":null})",
      R"({"input_method":1})",
      R"({"schema_version":-1})",
      R"({"schema_version":-0})",
      R"({"schema_version":4294967296})",
      R"({"schema_version":18446744073709551616})",
      R"({"schema_version":1.0})",
      R"({"schema_version":1e0})",
      R"({"schema_version":"1"})",
      R"({"macros":[]})",
      R"({"macros":{"a":1}})",
      R"({"macros":null})",
      R"({"app_modes":{"a":"true"}})",
      R"({"excluded_apps":"a"})",
      R"({"excluded_apps":["a",null]})",
      R"({"app_profiles":[]})",
      R"({"app_profiles":{"x":null}})",
      R"({"app_profiles":{"x":{"backspace_delay_ms":null}}})",
      R"({"app_profiles":{"x":{"delay_per_char_ms":-3}}})",
      R"({"app_profiles":{"x":{"wait_ack":null}}})",
      R"({"app_profiles":{"x":{"output_mode":"Preedit"}}})",
      R"({"app_profiles":{"x":{"vietnamese":0}}})",
      R"({"app_profiles":{"x":{"charset":false}}})",
      // A known key twice, at the top level or inside one profile.
      R"({"input_method":"telex","input_method":"vni"})",
      R"({"app_profiles":{},"app_profiles":{}})",
      R"({"app_profiles":{"x":{"wait_ack":true,"wait_ack":true}}})",
  };
  for (const char* text : cases) {
    EXPECT_FALSE(Config::read(text).ok()) << text;
  }
}

// The JSON grammar itself, independent of the record's keys.
TEST(ConfigRead, FollowsTheJsonGrammar) {
  const std::string deep128 = "{\"x\":" + std::string(127, '[') + std::string(127, ']') + "}";
  const std::string deep129 = "{\"x\":" + std::string(128, '[') + std::string(128, ']') + "}";
  struct Case {
    std::string text;
    bool accepted;
  };
  const Case cases[] = {
      {"{} x", false},
      {"{} {}", false},
      {"", false},
      {" \n ", false},
      {"[]", false},
      {"null", false},
      {"\"{}\"", false},
      {"{}\f", false},
      {"\xEF\xBB\xBF{}", false},  // byte order mark
      {R"({"x":1,})", false},
      {R"({"x":[1,]})", false},
      {R"({"x":01})", false},
      {R"({"x":-0})", true},
      {R"({"x":1e400})", false},
      {R"({"x":1E+2})", true},
      {R"({"x":123456789012345678901234567890})", true},
      {R"({"x":.5})", false},
      {R"({'x':1})", false},
      {R"({"x":1 /* no */})", false},
      {R"({"x":NaN})", false},
      {R"({"input_method":"\ud83d\ude00"})", true},
      {R"({"input_method":"\ud83d"})", false},
      {R"({"input_method":"\ude00\ud83d"})", false},
      {R"({"x":"\ud83d"})", false},  // lone surrogates are rejected everywhere
      {"{\"input_method\":\"a\tb\"}", false},
      {std::string("{\"x\":\"a\0b\"}", 10), false},
      {std::string("{}\0", 3), false},
      {std::string("{}\0{", 4), false},
      {std::string("{\"spell_check\":true}\0x", 22), false},
      {"{\"input_method\":\"\xC3\"}", false},
      {deep128, true},
      {deep129, false},
  };
  for (const auto& c : cases) {
    const auto result = Config::read(c.text);
    EXPECT_EQ(result.ok(), c.accepted) << testing::PrintToString(c.text) << " " << result.error;
    if (!result.ok()) {
      EXPECT_FALSE(result.error.empty());
    }
  }
  EXPECT_EQ(read_ok(R"({"input_method":"\ud83d\ude00\u00e9\/"})").input_method, "😀é/");
}

TEST(ConfigRead, InvalidUtf8IsAcceptedOnceReplaced) {
  const std::string text = "{\"macros\":{\"vn\":\"Vi\xE1\xBB\" }}";
  EXPECT_FALSE(Config::read(text).ok());
  const Config c = read_ok(qvl_unicode::sanitize(text));
  EXPECT_EQ(c.macros.at("vn"), "Vi\xEF\xBF\xBD");
}

class ConfigPatch : public testing::Test {
 protected:
  // A record that differs from the defaults in a scalar, a map, a list and
  // the profiles (a changed built-in entry and a user entry).
  void SetUp() override {
    current = read_ok(
        R"({"spell_check":false,"macros":{"vn":"Việt Nam"},"excluded_apps":["a"],)"
        R"("app_modes":{"kitty":true},"app_profiles":{"kitty":{"wait_ack":true},"myapp":{}}})");
    saved = current;
  }
  Config apply_ok(std::string_view patch) {
    auto result = current.apply_json_patch(patch);
    EXPECT_TRUE(result.ok()) << patch << ": " << result.error;
    EXPECT_EQ(current, saved);
    return result.ok() ? *result.config : current;
  }

  Config current;
  Config saved;
};

TEST_F(ConfigPatch, EmptyOrUnknownPatchesKeepTheRecord) {
  for (const char* patch : {"{}", R"({"no_such_key":[1,2]})", " {\"x\":{\"y\":null}} \n"}) {
    EXPECT_EQ(apply_ok(patch), current) << patch;
  }
}

TEST_F(ConfigPatch, ChangesOnlyTheKeysItNames) {
  Config expected = current;
  expected.spell_check = true;
  EXPECT_EQ(apply_ok(R"({"spell_check":true})"), expected);

  expected = current;
  expected.tone_style = ToneStyle::Old;
  EXPECT_EQ(apply_ok(R"({"tone_style":"new","tone_style":"old"})"), expected);

  EXPECT_EQ(apply_ok(R"({"schema_version":7})").write().ends_with(R"("schema_version":7})"), true);
  EXPECT_EQ(apply_ok(R"({"input_method":"whatever"})").input_method, "whatever");
  // A rejected duplicate in the whole-document reader is a later-wins here.
  EXPECT_EQ(apply_ok(R"({"spell_check":1,"spell_check":true})").spell_check, true);
}

TEST_F(ConfigPatch, ContainersAreReplacedWhole) {
  const Config macros = apply_ok(R"({"macros":{"a":"1","a":"2"}})");
  EXPECT_EQ(macros.macros, (std::unordered_map<std::string, std::string>{{"a", "2"}}));
  EXPECT_EQ(macros.app_modes, current.app_modes);
  EXPECT_TRUE(apply_ok(R"({"macros":{}})").macros.empty());
  EXPECT_TRUE(apply_ok(R"({"app_modes":{}})").app_modes.empty());
  EXPECT_EQ(apply_ok(R"({"excluded_apps":["z","y"]})").excluded_apps,
            (std::vector<std::string>{"z", "y"}));
  EXPECT_TRUE(apply_ok(R"({"excluded_apps":[]})").excluded_apps.empty());
}

TEST_F(ConfigPatch, ProfilesAreLaidOverTheBuiltInOnes) {
  const auto builtin = qvl_engine::ports::default_app_profiles();
  const Config slack = apply_ok(R"({"app_profiles":{"slack":{"wait_ack":true}}})");
  AppProfile only_wait;
  only_wait.wait_ack = true;
  EXPECT_EQ(slack.app_profiles.size(), 25u);
  EXPECT_EQ(slack.app_profiles.at("kitty"), builtin.at("kitty"));
  EXPECT_EQ(slack.app_profiles.at("slack"), only_wait);
  EXPECT_FALSE(slack.app_profiles.contains("myapp"));
  EXPECT_EQ(apply_ok(R"({"app_profiles":{}})").app_profiles, builtin);
  // Without app_profiles in the patch, the user's entries stay as they are.
  EXPECT_EQ(apply_ok(R"({"smart_caps":true})").app_profiles, current.app_profiles);
  // Nested duplicates are later-wins too.
  EXPECT_EQ(
      apply_ok(R"({"app_profiles":{"x":{"wait_ack":1,"wait_ack":true}}})").app_profiles.at("x"),
      only_wait);
}

TEST_F(ConfigPatch, RejectedPatchesChangeNothing) {
  const std::string deep = "{\"x\":" + std::string(128, '[') + std::string(128, ']') + "}";
  const std::string cases[] = {
      R"({"app_modes":null})",
      R"({"macros":[]})",
      R"({"schema_version":1.5})",
      R"({"unicode_form":"nfd"})",
      R"({"spell_check":false,"tone_style":"Old"})",  // one bad key spoils the rest
      R"({"app_profiles":{"x":{"wait_ack":null}}})",
      "",
      "  ",
      "[]",
      "null",
      "true",
      "\"x\"",
      "1",
      "{} {}",
      "{},",
      "not json",
      "\xEF\xBB\xBF{}",
      deep,
  };
  for (const auto& patch : cases) {
    const auto result = current.apply_json_patch(patch);
    EXPECT_FALSE(result.ok()) << testing::PrintToString(patch);
    EXPECT_FALSE(result.config.has_value());
    EXPECT_EQ(current, saved);
  }
}

}  // namespace
