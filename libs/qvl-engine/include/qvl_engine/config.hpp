// The configuration record, its per-application profile and their JSON form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "vi_syllable/vi_syllable.hpp"

namespace qvl_engine::ports {

enum class OutputMode : std::uint8_t { Preedit = 0, Replace = 1 };
enum class UnicodeForm : std::uint8_t { NFC = 0, NFD = 1 };

// The JSON spellings: "preedit"/"replace", "NFC"/"NFD", "old"/"new".
std::string_view to_string(OutputMode mode) noexcept;
std::string_view to_string(UnicodeForm form) noexcept;
std::string_view to_string(vi_syllable::ToneStyle style) noexcept;
// Exact, case-sensitive; nothing for any other text.
std::optional<OutputMode> parse_output_mode(std::string_view text) noexcept;
std::optional<UnicodeForm> parse_unicode_form(std::string_view text) noexcept;
std::optional<vi_syllable::ToneStyle> parse_tone_style(std::string_view text) noexcept;

// Per-application settings. An unset optional overrides nothing.
struct AppProfile {
  std::optional<OutputMode> output_mode;
  std::uint32_t backspace_delay_ms = 0;
  std::uint32_t delay_per_char_ms = 0;
  bool wait_ack = false;
  std::optional<bool> edit_previous_word;
  std::optional<bool> restore_after_space;
  std::optional<bool> vietnamese;
  std::optional<std::string> input_method;
  std::optional<vi_syllable::ToneStyle> tone_style;
  std::optional<bool> spell_check;
  std::optional<std::string> charset;

  // Compact JSON object with all 11 keys in fixed order, null for unset.
  std::string write() const;

  bool operator==(const AppProfile&) const = default;
};

struct ConfigResult;

struct Config {
  std::string input_method = "telex";
  vi_syllable::ToneStyle tone_style = vi_syllable::ToneStyle::New;
  bool spell_check = true;
  bool w_as_u = false;
  bool bracket_keys = false;
  bool quick_telex = false;
  bool allow_coda_k = false;
  bool macro_enabled = true;
  bool macro_digits = false;
  bool macro_undo = true;
  bool macro_in_off_mode = false;
  std::unordered_map<std::string, std::string> macros;
  bool auto_capitalize = false;
  std::vector<std::string> excluded_apps;
  std::unordered_map<std::string, bool> app_modes;
  bool default_vietnamese = true;
  bool edit_previous_word = true;
  std::unordered_map<std::string, AppProfile> app_profiles;
  bool restore_after_space = true;
  bool smart_caps = false;
  UnicodeForm unicode_form = UnicodeForm::NFC;
  std::uint32_t schema_version = 1;

  // Every default, with app_profiles holding the built-in profiles.
  Config();
  static Config defaults() { return Config(); }

  // A whole configuration document; "{}" gives the defaults. Duplicate keys
  // at the top level or inside one profile reject the document.
  static ConfigResult read(std::string_view json);
  // Compact JSON with all 22 keys in fixed order; map entries sorted by key.
  std::string write() const;
  // The record with the patch's top-level keys replacing its own; this
  // record is left as it is whatever the outcome.
  ConfigResult apply_json_patch(std::string_view patch) const;

  bool operator==(const Config&) const = default;
};

// A record, or why the text was rejected (the wording is for logs only).
struct ConfigResult {
  std::optional<Config> config;
  std::string error;

  bool ok() const noexcept { return config.has_value(); }
};

}  // namespace qvl_engine::ports
