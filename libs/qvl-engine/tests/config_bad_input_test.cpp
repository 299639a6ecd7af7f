// Hand-edited configuration text: any bytes give acceptance or rejection,
// never a crash, a hang or deep recursion.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "qvl_engine/config.hpp"

namespace {

using qvl_engine::ports::Config;

constexpr std::size_t TEN_MB = 10u << 20;

TEST(ConfigBadInput, TenMegabyteDocuments) {
  std::string macros = R"({"macros":{)";
  const std::string value(100, 'v');
  for (std::size_t i = 0; macros.size() < TEN_MB; ++i) {
    if (i > 0) macros += ',';
    macros += "\"k" + std::to_string(i) + "\":\"" + value + "\"";
  }
  macros += "}}";
  const auto big = Config::read(macros);
  ASSERT_TRUE(big.ok()) << big.error;
  EXPECT_GT(big.config->macros.size(), 90000u);

  // An unknown key's value is checked but not kept.
  const std::string unknown = R"({"notes":")" + std::string(TEN_MB, 'x') + "\"}";
  EXPECT_EQ(Config::read(unknown).config, Config());
  EXPECT_TRUE(Config().apply_json_patch(unknown).ok());

  std::mt19937 rng(7);
  std::string noise(TEN_MB, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  noise[0] = '{';
  EXPECT_FALSE(Config::read(noise).ok());
}

TEST(ConfigBadInput, HundredThousandLevelsDeep) {
  constexpr std::size_t levels = 100000;
  const std::string arrays = "{\"x\":" + std::string(levels, '[') + std::string(levels, ']') + "}";
  std::string objects;
  for (std::size_t i = 0; i < levels; ++i) objects += "{\"a\":";
  const std::string unclosed = "{\"macros\":" + std::string(levels, '[');
  const std::string* texts[] = {&arrays, &objects, &unclosed};
  for (const std::string* text : texts) {
    EXPECT_FALSE(Config::read(*text).ok());
    EXPECT_FALSE(Config().apply_json_patch(*text).ok());
  }
}

// Random edits of a valid document: whatever is accepted must survive a
// round trip through the writer.
TEST(ConfigBadInput, RandomMutationsOfAValidDocument) {
  const std::string valid =
      R"({"input_method":"vni","tone_style":"old","spell_check":false,"macros":{"vn":"Việt Nam",)"
      R"("a":"\"\\\u0001"},"excluded_apps":["kitty","x"],"app_modes":{"firefox":true},)"
      R"("app_profiles":{"kitty":{"output_mode":"replace","backspace_delay_ms":12,)"
      R"("tone_style":null,"charset":"tcvn3"},"myapp":{}},"schema_version":3,"unknown":[1,{}]})";
  ASSERT_TRUE(Config::read(valid).ok());
  const std::string alphabet = "{}[]\",:\\/ 0123456789-+.eEtrufalsn\x01\x7f\xC3\xA9\xFF";
  std::mt19937 rng(20240501);
  const Config base;
  std::size_t accepted = 0;
  for (int round = 0; round < 1000; ++round) {
    std::string text = valid;
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits && !text.empty(); ++e) {
      const std::size_t pos = rng() % text.size();
      const char c = alphabet[rng() % alphabet.size()];
      switch (rng() % 4) {
        case 0:
          text[pos] = c;
          break;
        case 1:
          text.insert(pos, 1, c);
          break;
        case 2:
          text.erase(pos, 1 + rng() % 8);
          break;
        default:
          text.insert(pos, text.substr(rng() % text.size(), 1 + rng() % 16));
          break;
      }
    }
    for (const auto& result : {Config::read(text), base.apply_json_patch(text)}) {
      if (!result.ok()) continue;
      ++accepted;
      const auto again = Config::read(result.config->write());
      ASSERT_TRUE(again.ok()) << text;
      EXPECT_EQ(*again.config, *result.config) << text;
    }
  }
  EXPECT_GT(accepted, 0u);
}

}  // namespace
