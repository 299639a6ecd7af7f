#include "qvl_engine/config.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "config_json.hpp"
#include "qvl_engine/profiles.hpp"

namespace qvl_engine::ports {

using detail::DuplicateKeys;
using detail::Json;
using vi_syllable::ToneStyle;

std::string_view to_string(OutputMode mode) noexcept {
  return mode == OutputMode::Replace ? "replace" : "preedit";
}

std::string_view to_string(UnicodeForm form) noexcept {
  return form == UnicodeForm::NFD ? "NFD" : "NFC";
}

std::string_view to_string(ToneStyle style) noexcept {
  return style == ToneStyle::Old ? "old" : "new";
}

std::optional<OutputMode> parse_output_mode(std::string_view text) noexcept {
  if (text == "preedit") return OutputMode::Preedit;
  if (text == "replace") return OutputMode::Replace;
  return std::nullopt;
}

std::optional<UnicodeForm> parse_unicode_form(std::string_view text) noexcept {
  if (text == "NFC") return UnicodeForm::NFC;
  if (text == "NFD") return UnicodeForm::NFD;
  return std::nullopt;
}

std::optional<ToneStyle> parse_tone_style(std::string_view text) noexcept {
  if (text == "old") return ToneStyle::Old;
  if (text == "new") return ToneStyle::New;
  return std::nullopt;
}

namespace {

constexpr std::size_t MAX_DEPTH = 128;

// Strings set by code rather than read may hold ill-formed UTF-8; writing
// must not fail on them, so they come out with U+FFFD.
void append_json(std::string& out, const Json& value) {
  // Scalars need no escaping; skipping dump() saves its allocations.
  switch (value.type()) {
    case Json::value_t::null:
      out += "null";
      return;
    case Json::value_t::boolean:
      out += value.get<bool>() ? "true" : "false";
      return;
    case Json::value_t::number_unsigned:
      out += std::to_string(value.get<std::uint64_t>());
      return;
    default:
      out += value.dump(-1, ' ', false, Json::error_handler_t::replace);
  }
}

// Numbers keep their source type in the tree: only a non-negative integer
// literal is number_unsigned, so 1.0, 1e0 and -0 never pass.
bool read_u32(const Json& v, std::uint32_t& out) {
  if (!v.is_number_unsigned()) return false;
  const auto n = v.get<std::uint64_t>();
  if (n > std::numeric_limits<std::uint32_t>::max()) return false;
  out = static_cast<std::uint32_t>(n);
  return true;
}

template <class E>
Json enum_json(E value) {
  return Json(std::string(to_string(value)));
}

template <class E>
bool read_enum(const Json& v, std::optional<E> (*parse)(std::string_view) noexcept, E& out) {
  if (!v.is_string()) return false;
  const auto e = parse(v.get_ref<const std::string&>());
  if (!e) return false;
  out = *e;
  return true;
}

// ---- AppProfile fields, in writing order --------------------------------

struct ProfileField {
  std::string_view name;
  std::string_view expected;
  Json (*to_json)(const AppProfile&);
  bool (*read)(const Json&, AppProfile&);
};

template <auto M>
Json opt_json(const AppProfile& p) {
  const auto& v = p.*M;
  if (!v) return Json(nullptr);
  using T = std::decay_t<decltype(*v)>;
  if constexpr (std::is_enum_v<T>) {
    return enum_json(*v);
  } else {
    return Json(*v);
  }
}

template <auto M>
Json plain_json(const AppProfile& p) {
  return Json(p.*M);
}

template <auto M>
bool read_opt_bool(const Json& v, AppProfile& p) {
  if (v.is_null()) {
    (p.*M).reset();
    return true;
  }
  if (!v.is_boolean()) return false;
  p.*M = v.get<bool>();
  return true;
}

template <auto M>
bool read_opt_string(const Json& v, AppProfile& p) {
  if (v.is_null()) {
    (p.*M).reset();
    return true;
  }
  if (!v.is_string()) return false;
  p.*M = v.get_ref<const std::string&>();
  return true;
}

template <auto M, auto Parse>
bool read_opt_enum(const Json& v, AppProfile& p) {
  if (v.is_null()) {
    (p.*M).reset();
    return true;
  }
  typename std::decay_t<decltype(p.*M)>::value_type e{};
  if (!read_enum(v, Parse, e)) return false;
  p.*M = e;
  return true;
}

template <auto M>
bool read_profile_u32(const Json& v, AppProfile& p) {
  return read_u32(v, p.*M);
}

bool read_wait_ack(const Json& v, AppProfile& p) {
  if (!v.is_boolean()) return false;
  p.wait_ack = v.get<bool>();
  return true;
}

const ProfileField PROFILE_FIELDS[] = {
    {"output_mode", "\"preedit\", \"replace\" or null", &opt_json<&AppProfile::output_mode>,
     &read_opt_enum<&AppProfile::output_mode, &parse_output_mode>},
    {"backspace_delay_ms", "an integer in 0…4294967295",
     &plain_json<&AppProfile::backspace_delay_ms>,
     &read_profile_u32<&AppProfile::backspace_delay_ms>},
    {"delay_per_char_ms", "an integer in 0…4294967295", &plain_json<&AppProfile::delay_per_char_ms>,
     &read_profile_u32<&AppProfile::delay_per_char_ms>},
    {"wait_ack", "a boolean", &plain_json<&AppProfile::wait_ack>, &read_wait_ack},
    {"edit_previous_word", "a boolean or null", &opt_json<&AppProfile::edit_previous_word>,
     &read_opt_bool<&AppProfile::edit_previous_word>},
    {"restore_after_space", "a boolean or null", &opt_json<&AppProfile::restore_after_space>,
     &read_opt_bool<&AppProfile::restore_after_space>},
    {"vietnamese", "a boolean or null", &opt_json<&AppProfile::vietnamese>,
     &read_opt_bool<&AppProfile::vietnamese>},
    {"input_method", "a string or null", &opt_json<&AppProfile::input_method>,
     &read_opt_string<&AppProfile::input_method>},
    {"tone_style", "\"old\", \"new\" or null", &opt_json<&AppProfile::tone_style>,
     &read_opt_enum<&AppProfile::tone_style, &parse_tone_style>},
    {"spell_check", "a boolean or null", &opt_json<&AppProfile::spell_check>,
     &read_opt_bool<&AppProfile::spell_check>},
    {"charset", "a string or null", &opt_json<&AppProfile::charset>,
     &read_opt_string<&AppProfile::charset>},
};

const ProfileField* find_profile_field(std::string_view name) {
  for (const auto& f : PROFILE_FIELDS) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

Json profile_to_json(const AppProfile& p) {
  Json out = Json::object();
  for (const auto& f : PROFILE_FIELDS) out[std::string(f.name)] = f.to_json(p);
  return out;
}

// ---- Config fields, in writing order -------------------------------------

struct ConfigField {
  std::string_view name;
  std::string_view expected;
  Json (*to_json)(const Config&);
  bool (*read)(const Json&, Config&);
};

template <auto M>
Json member_json(const Config& c) {
  return Json(c.*M);
}

template <auto M>
Json member_enum_json(const Config& c) {
  return enum_json(c.*M);
}

template <auto M>
bool read_bool(const Json& v, Config& c) {
  if (!v.is_boolean()) return false;
  c.*M = v.get<bool>();
  return true;
}

bool read_input_method(const Json& v, Config& c) {
  if (!v.is_string()) return false;
  c.input_method = v.get_ref<const std::string&>();
  return true;
}

template <auto M, auto Parse>
bool read_config_enum(const Json& v, Config& c) {
  return read_enum(v, Parse, c.*M);
}

bool read_schema_version(const Json& v, Config& c) { return read_u32(v, c.schema_version); }

bool read_macros(const Json& v, Config& c) {
  if (!v.is_object()) return false;
  std::unordered_map<std::string, std::string> macros;
  macros.reserve(v.size());
  for (const auto& [key, value] : v.get_ref<const Json::object_t&>()) {
    if (!value.is_string()) return false;
    macros.emplace(key, value.get_ref<const std::string&>());
  }
  c.macros = std::move(macros);
  return true;
}

bool read_app_modes(const Json& v, Config& c) {
  if (!v.is_object()) return false;
  std::unordered_map<std::string, bool> modes;
  modes.reserve(v.size());
  for (const auto& [key, value] : v.get_ref<const Json::object_t&>()) {
    if (!value.is_boolean()) return false;
    modes.emplace(key, value.get<bool>());
  }
  c.app_modes = std::move(modes);
  return true;
}

bool read_excluded_apps(const Json& v, Config& c) {
  if (!v.is_array()) return false;
  std::vector<std::string> apps;
  apps.reserve(v.size());
  for (const auto& value : v) {
    if (!value.is_string()) return false;
    apps.push_back(value.get_ref<const std::string&>());
  }
  c.excluded_apps = std::move(apps);
  return true;
}

// User entries replace built-in ones whole; unnamed built-ins stay.
bool read_app_profiles(const Json& v, Config& c) {
  if (!v.is_object()) return false;
  auto profiles = default_app_profiles();
  std::string ignored;
  for (const auto& [name, value] : v.get_ref<const Json::object_t&>()) {
    AppProfile p;
    if (!detail::read_app_profile(value, p, ignored)) return false;
    profiles.insert_or_assign(name, std::move(p));
  }
  c.app_profiles = std::move(profiles);
  return true;
}

Json app_profiles_json(const Config& c) {
  Json out = Json::object();
  for (const auto& [name, p] : c.app_profiles) out[name] = profile_to_json(p);
  return out;
}

constexpr std::string_view BOOL = "a boolean";

const ConfigField CONFIG_FIELDS[] = {
    {"input_method", "a string", &member_json<&Config::input_method>, &read_input_method},
    {"tone_style", "\"old\" or \"new\"", &member_enum_json<&Config::tone_style>,
     &read_config_enum<&Config::tone_style, &parse_tone_style>},
    {"spell_check", BOOL, &member_json<&Config::spell_check>, &read_bool<&Config::spell_check>},
    {"w_as_u", BOOL, &member_json<&Config::w_as_u>, &read_bool<&Config::w_as_u>},
    {"bracket_keys", BOOL, &member_json<&Config::bracket_keys>, &read_bool<&Config::bracket_keys>},
    {"quick_telex", BOOL, &member_json<&Config::quick_telex>, &read_bool<&Config::quick_telex>},
    {"allow_coda_k", BOOL, &member_json<&Config::allow_coda_k>, &read_bool<&Config::allow_coda_k>},
    {"macro_enabled", BOOL, &member_json<&Config::macro_enabled>,
     &read_bool<&Config::macro_enabled>},
    {"macro_digits", BOOL, &member_json<&Config::macro_digits>, &read_bool<&Config::macro_digits>},
    {"macro_undo", BOOL, &member_json<&Config::macro_undo>, &read_bool<&Config::macro_undo>},
    {"macro_in_off_mode", BOOL, &member_json<&Config::macro_in_off_mode>,
     &read_bool<&Config::macro_in_off_mode>},
    {"macros", "an object of strings", &member_json<&Config::macros>, &read_macros},
    {"auto_capitalize", BOOL, &member_json<&Config::auto_capitalize>,
     &read_bool<&Config::auto_capitalize>},
    {"excluded_apps", "an array of strings", &member_json<&Config::excluded_apps>,
     &read_excluded_apps},
    {"app_modes", "an object of booleans", &member_json<&Config::app_modes>, &read_app_modes},
    {"default_vietnamese", BOOL, &member_json<&Config::default_vietnamese>,
     &read_bool<&Config::default_vietnamese>},
    {"edit_previous_word", BOOL, &member_json<&Config::edit_previous_word>,
     &read_bool<&Config::edit_previous_word>},
    {"app_profiles", "an object of profile objects", &app_profiles_json, &read_app_profiles},
    {"restore_after_space", BOOL, &member_json<&Config::restore_after_space>,
     &read_bool<&Config::restore_after_space>},
    {"smart_caps", BOOL, &member_json<&Config::smart_caps>, &read_bool<&Config::smart_caps>},
    {"unicode_form", "\"NFC\" or \"NFD\"", &member_enum_json<&Config::unicode_form>,
     &read_config_enum<&Config::unicode_form, &parse_unicode_form>},
    {"schema_version", "an integer in 0…4294967295", &member_json<&Config::schema_version>,
     &read_schema_version},
};

const ConfigField* find_config_field(std::string_view name) {
  for (const auto& f : CONFIG_FIELDS) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

Json config_to_json(const Config& c) {
  Json out = Json::object();
  for (const auto& f : CONFIG_FIELDS) out[std::string(f.name)] = f.to_json(c);
  return out;
}

bool read_config_tree(const Json& root, Config& out, std::string& error) {
  Config c;
  for (const auto& [key, value] : root.get_ref<const Json::object_t&>()) {
    const ConfigField* f = find_config_field(key);
    if (f == nullptr) continue;
    if (!f->read(value, c)) {
      // A faulty profile says which of its fields is wrong.
      if (f->name == "app_profiles" && value.is_object()) {
        for (const auto& [name, p] : value.get_ref<const Json::object_t&>()) {
          AppProfile ignored;
          if (!detail::read_app_profile(p, ignored, error)) {
            error = "app_profiles \"" + name + "\": " + error;
            return false;
          }
        }
      }
      error = "\"" + key + "\": expected " + std::string(f->expected);
      return false;
    }
  }
  out = std::move(c);
  return true;
}

// Builds the tree from the parser's events. The parser itself is iterative;
// this builder keeps its own stack, so no depth of input recurses.
class TreeBuilder final : public nlohmann::json_sax<Json> {
 public:
  TreeBuilder(DuplicateKeys duplicates, Json& root) : duplicates_(duplicates), root_(root) {}

  const std::string& error() const noexcept { return error_; }

  bool null() override { return put(Json(nullptr)); }
  bool boolean(bool v) override { return put(Json(v)); }
  bool number_integer(number_integer_t v) override { return put(Json(v)); }
  bool number_unsigned(number_unsigned_t v) override { return put(Json(v)); }
  bool number_float(number_float_t v, const string_t&) override { return put(Json(v)); }
  bool string(string_t& v) override { return put(Json(std::move(v))); }
  bool binary(binary_t&) override { return fail("binary values are not JSON"); }
  bool start_object(std::size_t) override { return open(Json::value_t::object); }
  bool end_object() override { return close(); }
  bool start_array(std::size_t) override { return open(Json::value_t::array); }
  bool end_array() override { return close(); }
  bool key(string_t& k) override;
  bool parse_error(std::size_t, const std::string&, const Json::exception& ex) override {
    if (error_.empty()) error_ = ex.what();
    return false;
  }

 private:
  // Where an object sits decides which keys it knows and checks twice.
  enum class Kind : std::uint8_t { Root, Profiles, Profile, Other };
  struct Open {
    Json* value;
    Kind kind;
  };

  bool fail(std::string message) {
    error_ = std::move(message);
    return false;
  }

  // A value of an unknown key is consumed without being kept.
  bool skipping() {
    if (skip_depth_ > 0) return true;
    if (skip_next_) {
      skip_next_ = false;
      return true;
    }
    return false;
  }

  Json* place(Json&& v) {
    if (stack_.empty()) {
      root_ = std::move(v);
      return &root_;
    }
    Json& top = *stack_.back().value;
    if (top.is_array()) {
      top.push_back(std::move(v));
      return &top.back();
    }
    *slot_ = std::move(v);
    return slot_;
  }

  bool put(Json&& v) {
    if (skipping()) return true;
    if (stack_.empty()) return fail("the document must be a JSON object");
    place(std::move(v));
    return true;
  }

  bool open(Json::value_t type) {
    if (++depth_ > MAX_DEPTH) return fail("nesting deeper than 128 levels");
    if (skipping()) {
      ++skip_depth_;
      return true;
    }
    if (stack_.empty() && type != Json::value_t::object) {
      return fail("the document must be a JSON object");
    }
    Kind kind = Kind::Root;
    if (!stack_.empty()) kind = stack_.back().value->is_array() ? Kind::Other : next_kind_;
    Json* value = place(Json(type));
    stack_.push_back({value, kind});
    return true;
  }

  bool close() {
    --depth_;
    if (skip_depth_ > 0) {
      --skip_depth_;
    } else {
      stack_.pop_back();
    }
    return true;
  }

  DuplicateKeys duplicates_;
  Json& root_;
  std::vector<Open> stack_;
  Json* slot_ = nullptr;
  Kind next_kind_ = Kind::Other;
  std::size_t depth_ = 0;
  std::size_t skip_depth_ = 0;
  bool skip_next_ = false;
  std::string error_;
};

bool TreeBuilder::key(string_t& k) {
  if (skip_depth_ > 0) return true;
  const Open& top = stack_.back();
  bool checked = false;
  switch (top.kind) {
    case Kind::Root:
      if (find_config_field(k) == nullptr) {
        skip_next_ = true;
        return true;
      }
      next_kind_ = k == "app_profiles" ? Kind::Profiles : Kind::Other;
      checked = true;
      break;
    case Kind::Profiles:
      next_kind_ = Kind::Profile;
      break;
    case Kind::Profile:
      if (find_profile_field(k) == nullptr) {
        skip_next_ = true;
        return true;
      }
      next_kind_ = Kind::Other;
      checked = true;
      break;
    case Kind::Other:
      next_kind_ = Kind::Other;
      break;
  }
  if (checked && duplicates_ == DuplicateKeys::Reject && top.value->contains(k)) {
    return fail("\"" + k + "\" given twice");
  }
  slot_ = &(*top.value)[std::move(k)];
  return true;
}

}  // namespace

namespace detail {

bool parse_config_tree(std::string_view text, DuplicateKeys duplicates, Json& root,
                       std::string& error) {
  // The parser would skip a byte order mark; the format allows only JSON
  // whitespace around the value.
  if (text.starts_with("\xEF\xBB\xBF")) {
    error = "byte order mark before the document";
    return false;
  }
  // The parser takes a NUL byte for the end of the input, which would let
  // anything after it through. Raw U+0000 is never valid JSON.
  if (text.find('\0') != std::string_view::npos) {
    error = "raw U+0000 in the document";
    return false;
  }
  TreeBuilder builder(duplicates, root);
  const bool ok =
      Json::sax_parse(text.begin(), text.end(), &builder, Json::input_format_t::json, true, false);
  if (!ok) {
    error = builder.error().empty() ? "invalid JSON" : builder.error();
    return false;
  }
  if (!root.is_object()) {
    error = "the document must be a JSON object";
    return false;
  }
  return true;
}

bool read_app_profile(const Json& value, AppProfile& out, std::string& error) {
  if (!value.is_object()) {
    error = "expected an object";
    return false;
  }
  AppProfile p;
  for (const auto& [key, v] : value.get_ref<const Json::object_t&>()) {
    const ProfileField* f = find_profile_field(key);
    if (f == nullptr) continue;
    if (!f->read(v, p)) {
      error = "\"" + key + "\": expected " + std::string(f->expected);
      return false;
    }
  }
  out = std::move(p);
  return true;
}

}  // namespace detail

std::string AppProfile::write() const {
  std::string out = "{";
  for (const auto& f : PROFILE_FIELDS) {
    if (out.size() > 1) out += ',';
    out += '"';
    out += f.name;
    out += "\":";
    append_json(out, f.to_json(*this));
  }
  out += '}';
  return out;
}

Config::Config() : app_profiles(default_app_profiles()) {}

ConfigResult Config::read(std::string_view json) {
  ConfigResult result;
  Json root;
  if (!detail::parse_config_tree(json, DuplicateKeys::Reject, root, result.error)) return result;
  Config c;
  if (!read_config_tree(root, c, result.error)) return result;
  result.config = std::move(c);
  return result;
}

std::string Config::write() const {
  std::string out = "{";
  for (const auto& f : CONFIG_FIELDS) {
    if (out.size() > 1) out += ',';
    out += '"';
    out += f.name;
    out += "\":";
    if (f.name != "app_profiles") {
      append_json(out, f.to_json(*this));
      continue;
    }
    // Profiles keep their own field order, so they are not dumped as a tree.
    std::vector<const std::pair<const std::string, AppProfile>*> entries;
    entries.reserve(app_profiles.size());
    for (const auto& entry : app_profiles) entries.push_back(&entry);
    std::sort(entries.begin(), entries.end(),
              [](const auto* a, const auto* b) { return a->first < b->first; });
    out += '{';
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (i > 0) out += ',';
      append_json(out, Json(entries[i]->first));
      out += ':';
      out += entries[i]->second.write();
    }
    out += '}';
  }
  out += '}';
  return out;
}

ConfigResult Config::apply_json_patch(std::string_view patch) const {
  ConfigResult result;
  Json changes;
  if (!detail::parse_config_tree(patch, DuplicateKeys::LaterWins, changes, result.error)) {
    return result;
  }
  // Whole values replace whole values; nothing merges below the top level.
  Json merged = config_to_json(*this);
  for (auto& [key, value] : changes.get_ref<Json::object_t&>()) merged[key] = std::move(value);
  Config c;
  if (!read_config_tree(merged, c, result.error)) return result;
  result.config = std::move(c);
  return result;
}

}  // namespace qvl_engine::ports
