#include "qvl_engine/profiles.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "qvl_core/internal_error.hpp"

namespace {

using qvl_engine::ports::AppProfile;
using qvl_engine::ports::Config;
using qvl_engine::ports::normalize_app_id;
using qvl_engine::ports::OutputMode;
using qvl_engine::ports::resolve_profile;

TEST(NormalizeAppId, ReducesIdentifiersToTheirApplicationName) {
  struct Case {
    std::optional<std::string> id;
    std::string expected;
  };
  const Case cases[] = {
      {std::nullopt, ""},
      {"", ""},
      {"  Firefox  ", "firefox"},
      {"\u3000\u00A0firefox\u2028\t", "firefox"},
      {"/usr/lib/firefox/firefox", "firefox"},
      {"C:\\Users\\me\\AppData\\Discord.exe", "discord"},
      {"org.gnome.Terminal", "terminal"},
      {"com.discordapp.Discord", "discord"},
      {"org.gnome.Ptyxis.desktop", "ptyxis"},
      {"Google-Chrome-Stable", "chrome"},
      {"soffice.bin", "libreoffice"},
      {"firefox:1234", "firefox"},
      {"kitty.desktop:2", "kitty.desktop"},  // the colon comes after the suffixes
      {"foo/", ""},
      {"app.example.", ""},
      {"io.github.wez.Wezterm", "wezterm"},
      {"vscode", "code"},
      {"Code.app.exe", "code"},
      {"x.exe.app", "x.exe"},  // suffixes only in their order
      {"x.desktop.exe", "x"},
      {"app", "app"},  // a domain word alone has no last part to keep
      {"comet.Browser", "comet.browser"},
      {"ÉDITEUR", "éditeur"},
      {"İ", "i\u0307"},  // full lower-casing
      {"code-url-handler", "code"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(normalize_app_id(c.id), c.expected) << c.id.value_or("<none>");
  }
}

TEST(ResolveProfile, PicksTheEntryOfTheNormalisedIdentifier) {
  const Config config;
  const AppProfile alacritty = resolve_profile(config, "Alacritty");
  EXPECT_EQ(alacritty.output_mode, OutputMode::Preedit);
  EXPECT_EQ(alacritty.edit_previous_word, false);
  EXPECT_EQ(resolve_profile(config, "google-chrome").wait_ack, true);
  for (const auto& id : {std::optional<std::string_view>("unknown-app"),
                         std::optional<std::string_view>(""), std::optional<std::string_view>()}) {
    EXPECT_EQ(resolve_profile(config, id), AppProfile{});
  }
}

TEST(ResolveProfile, StoredKeysAreComparedExactly) {
  auto result = Config::read(
      R"({"app_profiles":{"Firefox":{"wait_ack":true},"myapp":{"vietnamese":false}}})");
  ASSERT_TRUE(result.ok());
  const Config& config = *result.config;
  EXPECT_EQ(resolve_profile(config, "firefox"), config.app_profiles.at("firefox"));
  EXPECT_EQ(resolve_profile(config, "FIREFOX"), config.app_profiles.at("firefox"));
  EXPECT_EQ(resolve_profile(config, "/opt/MyApp.desktop").vietnamese, false);
  // A user entry under an empty name is never selected.
  result = Config::read(R"({"app_profiles":{"":{"wait_ack":true}}})");
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(resolve_profile(*result.config, "  "), AppProfile{});
}

TEST(BuiltInProfiles, HoldTheShippedTable) {
  const auto profiles = qvl_engine::ports::default_app_profiles();
  ASSERT_EQ(profiles.size(), 25u);
  struct Row {
    const char* name;
    std::optional<OutputMode> output_mode;
    std::optional<bool> edit_previous_word;
    std::optional<bool> restore_after_space;
    std::uint32_t backspace_delay_ms;
    std::uint32_t delay_per_char_ms;
    bool wait_ack;
    std::optional<bool> vietnamese;
  };
  constexpr auto P = OutputMode::Preedit;
  constexpr auto N = std::nullopt;
  const Row rows[] = {
      {"alacritty", P, false, N, 0, 0, false, N},
      {"brave", N, N, N, 0, 2, true, N},
      {"chrome", N, N, N, 0, 2, true, N},
      {"chromium", N, N, N, 0, 2, true, N},
      {"code", P, N, N, 3, 0, false, N},
      {"discord", P, N, N, 3, 0, false, N},
      {"firefox", P, false, N, 4, 0, false, N},
      {"gnome-terminal", P, false, false, 0, 0, false, N},
      {"iterm2", P, false, N, 0, 0, false, N},
      {"kitty", P, false, N, 0, 0, false, N},
      {"konsole", P, false, false, 0, 0, false, N},
      {"minecraft", N, N, N, 0, 0, false, false},
      {"msedge", N, N, N, 0, 2, true, N},
      {"notion", P, N, N, 5, 0, false, N},
      {"ptyxis", P, false, false, 0, 0, false, N},
      {"rxvt", P, false, false, 0, 0, false, N},
      {"slack", P, N, N, 3, 0, false, N},
      {"terminal", P, false, N, 0, 0, false, N},
      {"terminator", P, false, false, 0, 0, false, N},
      {"tilix", P, false, false, 0, 0, false, N},
      {"urxvt", P, false, false, 0, 0, false, N},
      {"wezterm", P, false, N, 0, 0, false, N},
      {"windowsterminal", P, false, N, 0, 0, false, N},
      {"xfce4-terminal", P, false, false, 0, 0, false, N},
      {"xterm", P, false, false, 0, 0, false, N},
  };
  for (const auto& row : rows) {
    AppProfile expected;
    expected.output_mode = row.output_mode;
    expected.edit_previous_word = row.edit_previous_word;
    expected.restore_after_space = row.restore_after_space;
    expected.backspace_delay_ms = row.backspace_delay_ms;
    expected.delay_per_char_ms = row.delay_per_char_ms;
    expected.wait_ack = row.wait_ack;
    expected.vietnamese = row.vietnamese;
    ASSERT_TRUE(profiles.contains(row.name)) << row.name;
    EXPECT_EQ(profiles.at(row.name), expected) << row.name;
  }
}

TEST(BuiltInProfiles, HandOutIndependentCopies) {
  auto aliases = qvl_engine::ports::app_aliases();
  EXPECT_EQ(aliases, (std::unordered_map<std::string, std::string>{
                         {"code-url-handler", "code"},
                         {"gnome-terminal-server", "gnome-terminal"},
                         {"google-chrome", "chrome"},
                         {"google-chrome-beta", "chrome"},
                         {"google-chrome-stable", "chrome"},
                         {"microsoft-edge", "msedge"},
                         {"microsoft-edge-stable", "msedge"},
                         {"soffice.bin", "libreoffice"},
                         {"vscode", "code"}}));
  aliases.clear();
  auto profiles = qvl_engine::ports::default_app_profiles();
  profiles.at("kitty").wait_ack = true;
  profiles.erase("xterm");
  EXPECT_EQ(qvl_engine::ports::app_aliases().size(), 9u);
  EXPECT_FALSE(qvl_engine::ports::default_app_profiles().at("kitty").wait_ack);
  EXPECT_TRUE(qvl_engine::ports::default_app_profiles().contains("xterm"));
  EXPECT_EQ(normalize_app_id("vscode"), "code");
}

TEST(BuiltInProfiles, AFaultyDocumentIsAnInternalError) {
  const char* cases[] = {
      "",
      "{}",
      "[]",
      R"({"aliases":{}})",
      R"({"aliases":{},"profiles":{},"extra":1})",
      R"({"aliases":{"a":1},"profiles":{}})",
      R"({"aliases":{},"profiles":{"a":{"wait_ack":"yes"}}})",
      R"({"aliases":{},"profiles":{"a":[]}})",
  };
  for (const char* text : cases) {
    try {
      qvl_engine::ports::parse_app_profile_data(text);
      ADD_FAILURE() << text;
    } catch (const qvl_core::InternalError& e) {
      EXPECT_STREQ(e.what(), "app_profiles.json không hợp lệ");
    }
  }
  const auto data = qvl_engine::ports::parse_app_profile_data(
      R"({"aliases":{"a":"b"},"profiles":{"b":{"vietnamese":false}}})");
  EXPECT_EQ(data.aliases.at("a"), "b");
  EXPECT_EQ(data.profiles.at("b").vietnamese, false);
}

}  // namespace
