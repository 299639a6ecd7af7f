// Focus, cursor, field-kind, output-mode, on/off and reload events; reopening
// the word before the cursor and restoring a word after its terminator.
#include <gtest/gtest.h>

#include "session_fixture.hpp"

namespace {

using namespace quorvel_test;
using qvl_engine::ports::AppProfile;
using qvl_engine::ports::OutputMode;
using qvl_engine::session::FieldKind;

void no_edit_previous(World& w) { w.config.edit_previous_word = false; }
void profile_no_edit_previous(World& w) {
  AppProfile p;
  p.edit_previous_word = false;
  w.config.app_profiles["myapp"] = p;
  w.app = "MyApp";
}
void profile_edit_previous_on(World& w) {
  AppProfile p;
  p.edit_previous_word = true;
  w.config.app_profiles["myapp"] = p;
  w.config.edit_previous_word = false;
  w.app = "myapp";
}
void no_restore(World& w) { w.config.restore_after_space = false; }
void profile_restore_on(World& w) {
  AppProfile p;
  p.restore_after_space = true;
  w.config.app_profiles["myapp"] = p;
  w.config.restore_after_space = false;
  w.app = "myapp";
}
void nfc_text(World& w) { w.surrounding = "ma"; }

const Scenario CONTEXT_SCENARIOS[] = {
    {"reopen the word before the cursor",
     nfc_text,
     false,
     {{"s", rep("á", 1)}, {"n", rep("n", 0)}, {" ", rep(" ", 0)}}},
    {"reopen in replace mode", nfc_text, true, {{"s", rep("á", 1)}, {"n", pass()}, {" ", pass()}}},
    {"reopened word, Backspace edits in place",
     nfc_text,
     false,
     {{"s", rep("á", 1)}, {"Backspace", rep("", 1)}}},
    {"no reopen when switched off",
     no_edit_previous,
     false,
     {{"!surr=ma", pass()}, {"s", pre("s")}}},
    {"a profile switches reopening off",
     profile_no_edit_previous,
     false,
     {{"!surr=ma", pass()}, {"s", pre("s")}}},
    {"a profile cannot switch reopening on",
     profile_edit_previous_on,
     false,
     {{"!surr=ma", pass()}, {"s", pre("s")}}},
    {"no reopen after a cursor move", nfc_text, false, {{"!cursor", pass()}, {"s", pre("s")}}},
    {"no surrounding text", nullptr, false, {{"s", pre("s")}}},
    {"a space before the cursor", nullptr, false, {{"!surr=ma ", pass()}, {"s", pre("s")}}},
    {"a digit before the cursor", nullptr, false, {{"!surr=ma1", pass()}, {"s", pre("s")}}},
    {"text in NFD is not reopened",
     nullptr,
     false,
     {{"!surr=ma\xCC\x81", pass()}, {"n", pre("n")}}},
    {"thirteen letters are not reopened",
     nullptr,
     false,
     {{"!surr=abcdefghijklm", pass()}, {"s", pre("s")}}},
    {"twelve letters are",
     nullptr,
     false,
     {{"!surr=xin abcdefghijkl", pass()}, {"m", rep("m", 0)}}},
    {"a word that cannot be typed back", nullptr, false, {{"!surr=dd", pass()}, {"a", pre("a")}}},
    {"restore after space, preedit",
     nullptr,
     false,
     {{"v", pre("v")},
      {"i", pre("vi")},
      {"e", pre("vie")},
      {"e", pre("viê")},
      {"t", pre("viêt")},
      {"j", pre("việt")},
      {" ", com("việt ")},
      {"Backspace", pass()},
      {"s", rep("ết", 2)},
      {" ", rep(" ", 0)}}},
    {"restore after space, replace mode",
     nullptr,
     true,
     {{"v", pass()},
      {"i", pass()},
      {"e", pass()},
      {"e", rep("ê", 1)},
      {"t", pass()},
      {"j", rep("ệt", 2)},
      {" ", pass()},
      {"Backspace", pass()},
      {"s", rep("ết", 2)}}},
    {"restore after space switched off",
     no_restore,
     false,
     {{"a", pre("a")}, {" ", com("a ")}, {"Backspace", pass()}, {"s", pre("s")}}},
    {"a profile switches restore on",
     profile_restore_on,
     false,
     {{"a", pre("a")}, {" ", com("a ")}, {"Backspace", pass()}, {"s", rep("á", 1)}}},
    {"restore only once",
     nullptr,
     false,
     {{"a", pre("a")},
      {" ", com("a ")},
      {"Backspace", pass()},
      {"Backspace", rep("", 1)},
      {"Backspace", pass()},
      {"s", pre("s")}}},
    {"a navigation key forgets the last word",
     nullptr,
     false,
     {{"a", pre("a")}, {" ", com("a ")}, {"Left", pass()}, {"Backspace", pass()}, {"s", pre("s")}}},
    {"flush forgets the last word",
     nullptr,
     false,
     {{"a", pre("a")},
      {" ", com("a ")},
      {"!flush", pass()},
      {"Backspace", pass()},
      {"s", pre("s")}}},
};

class ContextScenarios : public ::testing::TestWithParam<Scenario> {};
TEST_P(ContextScenarios, ActionPerStep) { QVL_RUN_SCENARIO(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Session, ContextScenarios, ::testing::ValuesIn(CONTEXT_SCENARIOS));

class ContextTest : public ::testing::Test {
 protected:
  std::shared_ptr<World> world = std::make_shared<World>();
  std::unique_ptr<ImeSession> session;

  void start(bool replace_mode = false) { session = make_session(world, replace_mode); }
  void type(std::string_view keys) {
    for (const std::string& k : chars_of(keys)) session->process_key(key_event(k));
  }
};

TEST_F(ContextTest, EveryEventFlushesFirst) {
  using Event = Action (*)(ImeSession&);
  const std::pair<const char*, Event> events[] = {
      {"focus", [](ImeSession& s) { return s.focus_changed("other"); }},
      {"cursor", [](ImeSession& s) { return s.cursor_moved(); }},
      {"field", [](ImeSession& s) { return s.set_field_kind(FieldKind::Terminal); }},
      {"mode", [](ImeSession& s) { return s.set_output_mode(OutputMode::Preedit); }},
      {"toggle", [](ImeSession& s) { return s.toggle_vietnamese(); }},
      {"reload", [](ImeSession& s) { return s.reload_config(); }},
  };
  for (const auto& [name, event] : events) {
    start();
    type("mas");
    EXPECT_EQ(event(*session), com("má")) << name;
    EXPECT_EQ(session->display(), "") << name;
    start(true);
    type("mas");
    EXPECT_EQ(event(*session), pass()) << name;
  }
}

TEST_F(ContextTest, OnOffRuleAtFocus) {
  struct Case {
    const char* name;
    void (*setup)(Config&);
    std::optional<std::string> app;
    bool vietnamese;
  };
  const Case cases[] = {
      {"default", [](Config&) {}, "gedit", true},
      {"default off", [](Config& c) { c.default_vietnamese = false; }, "gedit", false},
      {"no app", [](Config& c) { c.default_vietnamese = false; }, std::nullopt, false},
      {"excluded wins over app_modes",
       [](Config& c) {
         c.excluded_apps = {"Code"};
         c.app_modes["code"] = true;
       },
       "code", false},
      {"excluded entries are normalised", [](Config& c) { c.excluded_apps = {"Minecraft.exe"}; },
       "minecraft", false},
      {"app_modes wins over the profile",
       [](Config& c) {
         AppProfile p;
         p.vietnamese = false;
         c.app_profiles["gedit"] = p;
         c.app_modes["gedit"] = true;
       },
       "gedit", true},
      {"app_modes keys are not normalised", [](Config& c) { c.app_modes["Kitty"] = false; },
       "kitty", true},
      {"profile wins over the default",
       [](Config& c) {
         AppProfile p;
         p.vietnamese = true;
         c.app_profiles["gedit"] = p;
         c.default_vietnamese = false;
       },
       "org.gnome.gedit", true},
  };
  for (const Case& c : cases) {
    world = std::make_shared<World>();
    c.setup(world->config);
    start();
    session->focus_changed(c.app ? std::optional<std::string_view>(*c.app) : std::nullopt);
    EXPECT_EQ(session->vietnamese(), c.vietnamese) << c.name;
    // The same rule runs when the session is created.
    world->app = c.app;
    start();
    EXPECT_EQ(session->vietnamese(), c.vietnamese) << c.name << " (new)";
  }
}

TEST_F(ContextTest, FocusResolvesTheProfile) {
  AppProfile p;
  p.input_method = "vni";
  world->config.app_profiles["myapp"] = p;
  start();
  session->focus_changed("MyApp");
  EXPECT_EQ(session->profile(), p);
  type("a6");
  EXPECT_EQ(session->display(), "â");
  session->focus_changed(std::nullopt);
  EXPECT_EQ(session->profile(), AppProfile());
}

TEST_F(ContextTest, ToggleRemembersPerApplication) {
  world->app = "Kitty";
  world->config.default_vietnamese = false;
  start();
  EXPECT_FALSE(session->vietnamese());
  session->toggle_vietnamese();
  EXPECT_TRUE(session->vietnamese());
  EXPECT_EQ(world->saves, 1);
  EXPECT_EQ(world->config.app_modes.at("kitty"), true);
  session->focus_changed("gedit");
  EXPECT_FALSE(session->vietnamese());
  session->focus_changed("kitty");
  EXPECT_TRUE(session->vietnamese());
  session->toggle_vietnamese();
  session->toggle_vietnamese();
  EXPECT_TRUE(session->vietnamese());
  EXPECT_EQ(world->saves, 3);
  EXPECT_EQ(session->config().app_modes.at("kitty"), true);
}

TEST_F(ContextTest, ToggleWithoutApplicationSavesNothing) {
  start();
  session->toggle_vietnamese();
  EXPECT_FALSE(session->vietnamese());
  EXPECT_EQ(world->saves, 0);
  EXPECT_TRUE(session->config().app_modes.empty());
  EXPECT_EQ(session->process_key(key_event("a")), pass());
}

TEST_F(ContextTest, ReloadTakesTheStoredConfiguration) {
  start();
  world->config.input_method = "vni";
  EXPECT_EQ(session->reload_config(), pass());
  type("a6");
  EXPECT_EQ(session->display(), "â");
}

TEST_F(ContextTest, OutputModeAndFieldKind) {
  start();
  session->set_output_mode(OutputMode::Replace);
  EXPECT_TRUE(session->replace_mode());
  EXPECT_EQ(session->process_key(key_event("a")), pass());
  session->set_output_mode(OutputMode::Preedit);
  EXPECT_EQ(session->process_key(key_event("a")), pre("a"));
  session->set_field_kind(FieldKind::Password);
  EXPECT_EQ(session->display(), "");
  EXPECT_EQ(session->process_key(key_event("a")), pass());
  session->set_field_kind(FieldKind::Normal);
  EXPECT_EQ(session->process_key(key_event("a")), pre("a"));
}

TEST_F(ContextTest, UrlFieldComposesWithoutMacrosOrWasU) {
  world->config.w_as_u = true;
  world->config.macros = {{"ko", "không"}};
  start();
  session->set_field_kind(FieldKind::Url);
  type("w");
  EXPECT_EQ(session->display(), "w");
  session->flush_composition();
  type("as");
  EXPECT_EQ(session->display(), "á");
  session->flush_composition();
  type("ko");
  EXPECT_EQ(session->process_key(key_event(" ")), com("ko "));
}

TEST_F(ContextTest, CursorMoveStopsReopeningForGood) {
  world->surrounding = "ma";
  start();
  session->cursor_moved();
  type("s ");
  world->surrounding = "ma";
  EXPECT_EQ(session->process_key(key_event("s")), pre("s"));
}

}  // namespace
