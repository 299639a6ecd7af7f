// Built-in application profiles, application-identifier normalisation and
// profile lookup.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "qvl_engine/config.hpp"

namespace qvl_engine::ports {

// The compiled-in profile document: identifier aliases and profiles, both
// keyed by normalised identifier.
struct AppProfileData {
  std::unordered_map<std::string, std::string> aliases;
  std::unordered_map<std::string, AppProfile> profiles;
};

// Reads a profile document ({"aliases": …, "profiles": …}); any fault is a
// qvl_core::InternalError, since the only document read is compiled in.
AppProfileData parse_app_profile_data(std::string_view json);

// The document parsed on first use, shared read-only for the whole process.
const AppProfileData& builtin_app_profile_data();

// Fresh copies; callers may change them.
std::unordered_map<std::string, std::string> app_aliases();
std::unordered_map<std::string, AppProfile> default_app_profiles();

// "/usr/lib/firefox/firefox" → "firefox", "org.gnome.Terminal" → "terminal",
// "Google-Chrome-Stable" → "chrome"; no identifier gives "".
std::string normalize_app_id(std::optional<std::string_view> app_id);

// The entry of config.app_profiles under the normalised identifier, else the
// empty profile. Keys are compared exactly, never normalised themselves.
AppProfile resolve_profile(const Config& config, std::optional<std::string_view> app_id);

}  // namespace qvl_engine::ports
