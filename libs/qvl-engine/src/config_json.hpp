// JSON reading shared by the configuration reader, the patch and the
// built-in profile document.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "qvl_engine/config.hpp"

namespace qvl_engine::ports::detail {

using Json = nlohmann::json;

enum class DuplicateKeys {
  Reject,     // a known key twice at the top level or in one profile
  LaterWins,  // patches: every repeated key simply replaces the earlier one
};

// Parses a configuration-shaped document into a tree. The root must be an
// object; values of unknown keys (top level and profiles) are checked for
// syntax but not kept. False, with a reason in `error`, on any fault.
bool parse_config_tree(std::string_view text, DuplicateKeys duplicates, Json& root,
                       std::string& error);

// Reads a profile object by the record's typing rules.
bool read_app_profile(const Json& value, AppProfile& out, std::string& error);

}  // namespace qvl_engine::ports::detail
