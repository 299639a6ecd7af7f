// The type and config commands as a user runs them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "run_tool.hpp"

namespace {

using quorvel_tool_test::one_error_line;
using quorvel_tool_test::run_tool;
using quorvel_tool_test::scratch_dir;
using quorvel_tool_test::write_file;

struct TypeCase {
  const char* name;
  std::vector<std::string> args;
  const char* keys;
  const char* text;
};

class TypeTest : public testing::TestWithParam<TypeCase> {};

TEST_P(TypeTest, PrintsTheFieldText) {
  const auto& c = GetParam();
  for (const char* mode : {"preedit", "replace"}) {
    auto args = std::vector<std::string>{"type", "--mode", mode};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto run = run_tool(args, c.keys);
    EXPECT_EQ(run.status, 0) << mode;
    EXPECT_EQ(run.out, c.text) << mode;
    EXPECT_EQ(run.err, "") << mode;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TypeTest,
    testing::Values(TypeCase{"telex", {}, "Tieengs Vieetj\n", "Tiếng Việt\n"},
                    TypeCase{"vni", {"--input-method", "vni"}, "Tie61ng Vie65t\n", "Tiếng Việt\n"},
                    TypeCase{
                        "viqr", {"--input-method", "viqr"}, "Tie^'ng Vie^.t\n", "Tiếng Việt\n"},
                    TypeCase{"english_kept", {}, "hello world\n", "hello world\n"},
                    // The word still open at the end of input is flushed into the text.
                    TypeCase{"flush_at_end", {}, "xin chaof", "xin chào"},
                    TypeCase{"backspace_drops_letter_with_tone", {}, "mas<BS>\n", "m\n"},
                    TypeCase{"backspace_twice", {}, "xin chaof<Backspace><BS>\n", "xin ch\n"},
                    TypeCase{"escape_gives_raw_keys", {}, "mas<Esc>\n", "mas\n"},
                    TypeCase{"newline_is_enter", {}, "mootj\nhai", "một\nhai"},
                    // Left commits the word and moves the caret; the next word goes in
                    // before "b" and Enter splits the line there.
                    TypeCase{"arrow_moves_cursor", {}, "ab<Left>c\n", "ac\nb"},
                    TypeCase{"home_and_end", {}, "ab<Home>c<End>d", "cabd"},
                    TypeCase{"delete_after_cursor", {}, "abc<Left><Left><Del>", "ac"},
                    TypeCase{"literal_angle_brackets", {}, "a<lt>b <x> <\n", "a<b <x> <\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TypeConfig, ConfigFileAppliesAndInputMethodOverridesIt) {
  const auto config = scratch_dir() / "vni.json";
  write_file(config, R"({"input_method": "vni"})");
  EXPECT_EQ(run_tool({"type", "--config", config.string()}, "Vie65t\n").out, "Việt\n");
  // Telex takes no digits, so the keys stay as typed.
  EXPECT_EQ(run_tool({"type", "--config", config.string(), "--input-method=telex"}, "Vie65t\n").out,
            "Vie65t\n");

  // Only Telex has a key that stands for ư alone.
  write_file(config, R"({"w_as_u": true})");
  EXPECT_EQ(run_tool({"type", "--config", config.string()}, "wa nhw\n").out, "ưa như\n");
  EXPECT_EQ(
      run_tool({"type", "--config", config.string(), "--input-method", "simple_telex"}, "wa nhw\n")
          .out,
      "wa nhw\n");
}

struct ErrorCase {
  const char* name;
  std::vector<std::string> args;
  int status;
};

class ErrorTest : public testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorTest, OneLineOnStandardError) {
  const auto& c = GetParam();
  const auto run = run_tool(c.args, "abc\n");
  EXPECT_EQ(run.status, c.status);
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(one_error_line(run.err)) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ErrorTest,
    testing::Values(ErrorCase{"unknown_command", {"frobnicate"}, 2},
                    ErrorCase{"unknown_input_method", {"type", "--input-method", "foo"}, 2},
                    ErrorCase{"unknown_mode", {"type", "--mode", "fancy"}, 2},
                    ErrorCase{"missing_value", {"type", "--mode"}, 2},
                    ErrorCase{"stray_argument", {"type", "extra"}, 2},
                    ErrorCase{"missing_config", {"type", "--config", "/nonexistent/q.json"}, 1},
                    ErrorCase{"config_without_subcommand", {"config"}, 2},
                    ErrorCase{"config_unknown_subcommand", {"config", "show"}, 2},
                    ErrorCase{"config_check_without_file", {"config", "check"}, 2},
                    ErrorCase{"config_check_missing_file", {"config", "check", "/nonexistent"}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TypeConfig, RejectedConfigFileIsNamedWithTheReason) {
  const auto config = scratch_dir() / "bad.json";
  write_file(config, R"({"spell_check": 1})");
  for (const auto& args : {std::vector<std::string>{"type", "--config", config.string()},
                           std::vector<std::string>{"config", "check", config.string()}}) {
    const auto run = run_tool(args, "abc\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(one_error_line(run.err)) << run.err;
    const std::string prefix = "quorvel: " + config.string() + ": ";
    ASSERT_TRUE(run.err.starts_with(prefix)) << run.err;
    EXPECT_GT(run.err.size(), prefix.size() + 1) << "no reason given";
  }
}

TEST(TypeConfig, ConfigCheckAcceptsAndRejectsWholeDocuments) {
  const auto dir = scratch_dir();
  const std::vector<std::pair<std::string, bool>> documents = {
      {"{}", true},
      {R"({"input_method": "vni", "macros": {"vn": "Việt Nam"}})", true},
      {"{} x", false},
      {"not json", false},
      {R"({"tone_style": "Old"})", false},
      {R"({"input_method": "telex", "input_method": "vni"})", false},
  };
  for (const auto& [document, accepted] : documents) {
    write_file(dir / "c.json", document);
    const auto run = run_tool({"config", "check", (dir / "c.json").string()});
    EXPECT_EQ(run.status, accepted ? 0 : 1) << document;
    EXPECT_EQ(run.out, accepted ? "OK\n" : "") << document;
    EXPECT_EQ(run.err.empty(), accepted) << document;
  }
}

TEST(TypeConfig, DefaultsArePrettyInEngineOrderAndCheckOk) {
  const auto run = run_tool({"config", "defaults"});
  ASSERT_EQ(run.status, 0);
  EXPECT_TRUE(run.out.starts_with("{\n  \"input_method\": \"telex\",\n  \"tone_style\": \"new\","))
      << run.out.substr(0, 80);
  const auto json = nlohmann::ordered_json::parse(run.out);
  ASSERT_EQ(json.size(), 22u);
  EXPECT_EQ(json.back(), 1);  // schema_version comes last
  EXPECT_EQ(json["app_profiles"].size(), 25u);
  EXPECT_EQ(json["unicode_form"], "NFC");

  const auto file = scratch_dir() / "defaults.json";
  write_file(file, run.out);
  EXPECT_EQ(run_tool({"config", "check", file.string()}).out, "OK\n");
}

TEST(TypeConfig, HelpEverywhere) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"--help"},
                                                                {"type", "--help"},
                                                                {"config", "--help"},
                                                                {"convert", "--help"},
                                                                {"detect", "--help"},
                                                                {"charsets", "--help"},
                                                                {"case", "--help"},
                                                                {"strip", "--help"},
                                                                {"emoji", "--help"}}) {
    const auto run = run_tool(args);
    EXPECT_EQ(run.status, 0) << args[0];
    EXPECT_TRUE(run.out.starts_with("Usage: quorvel")) << args[0];
    EXPECT_EQ(run.err, "") << args[0];
  }
  const auto bare = run_tool({});
  EXPECT_EQ(bare.status, 2);
  EXPECT_TRUE(bare.err.starts_with("Usage: quorvel"));
}

}  // namespace
