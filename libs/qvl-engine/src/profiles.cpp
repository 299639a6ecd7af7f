#include "qvl_engine/profiles.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include "config_json.hpp"
#include "embedded/app_profiles_json.hpp"
#include "qvl_core/internal_error.hpp"
#include "qvl_unicode/unicode.hpp"

namespace qvl_engine::ports {

using detail::Json;

namespace {

[[noreturn]] void invalid_document() {
  throw qvl_core::InternalError("app_profiles.json không hợp lệ");
}

std::string_view trim_white_space(std::string_view s) {
  std::size_t begin = 0;
  while (begin < s.size()) {
    const auto d = qvl_unicode::decode_at(s, begin);
    if (!qvl_unicode::is_white_space(d.cp)) break;
    begin += d.length;
  }
  std::size_t end = begin;
  for (std::size_t pos = begin; pos < s.size();) {
    const auto d = qvl_unicode::decode_at(s, pos);
    pos += d.length;
    if (!qvl_unicode::is_white_space(d.cp)) end = pos;
  }
  return s.substr(begin, end - begin);
}

bool remove_suffix(std::string& s, std::string_view suffix) {
  if (!std::string_view(s).ends_with(suffix)) return false;
  s.resize(s.size() - suffix.size());
  return true;
}

}  // namespace

AppProfileData parse_app_profile_data(std::string_view json) {
  const Json root = Json::parse(json.begin(), json.end(), nullptr, false);
  if (!root.is_object() || root.size() != 2 || !root.contains("aliases") ||
      !root.contains("profiles")) {
    invalid_document();
  }
  const Json& aliases = root["aliases"];
  const Json& profiles = root["profiles"];
  if (!aliases.is_object() || !profiles.is_object()) invalid_document();
  AppProfileData data;
  for (const auto& [name, target] : aliases.get_ref<const Json::object_t&>()) {
    if (!target.is_string()) invalid_document();
    data.aliases.emplace(name, target.get_ref<const std::string&>());
  }
  std::string error;
  for (const auto& [name, value] : profiles.get_ref<const Json::object_t&>()) {
    AppProfile p;
    if (!detail::read_app_profile(value, p, error)) invalid_document();
    data.profiles.emplace(name, std::move(p));
  }
  return data;
}

const AppProfileData& builtin_app_profile_data() {
  static const AppProfileData data = parse_app_profile_data(quorvel_embedded::app_profiles_json());
  return data;
}

std::unordered_map<std::string, std::string> app_aliases() {
  return builtin_app_profile_data().aliases;
}

std::unordered_map<std::string, AppProfile> default_app_profiles() {
  return builtin_app_profile_data().profiles;
}

std::string normalize_app_id(std::optional<std::string_view> app_id) {
  if (!app_id) return {};
  std::string id = qvl_unicode::to_lower(trim_white_space(*app_id));
  for (char& c : id) {
    if (c == '\\') c = '/';
  }
  if (const auto slash = id.rfind('/'); slash != std::string::npos) id.erase(0, slash + 1);
  // Each suffix at most once, in this order: "x.app.exe" loses both.
  remove_suffix(id, ".exe");
  remove_suffix(id, ".app");
  remove_suffix(id, ".desktop");
  if (const auto colon = id.find(':'); colon != std::string::npos) id.resize(colon);
  // Reverse-domain identifiers (org.gnome.Terminal) keep their last part.
  static constexpr std::array<std::string_view, 5> DOMAINS = {"io", "com", "org", "net", "app"};
  const std::string_view head = std::string_view(id).substr(0, id.find('.'));
  const auto last_dot = id.rfind('.');
  if (last_dot != std::string::npos &&
      std::find(DOMAINS.begin(), DOMAINS.end(), head) != DOMAINS.end()) {
    id.erase(0, last_dot + 1);
  }
  const auto& aliases = builtin_app_profile_data().aliases;
  if (const auto it = aliases.find(id); it != aliases.end()) return it->second;
  return id;
}

AppProfile resolve_profile(const Config& config, std::optional<std::string_view> app_id) {
  const std::string id = normalize_app_id(app_id);
  if (id.empty()) return {};
  if (const auto it = config.app_profiles.find(id); it != config.app_profiles.end()) {
    return it->second;
  }
  return {};
}

}  // namespace qvl_engine::ports
