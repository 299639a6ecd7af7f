// What stands behind a QvlSession handle. Internal to the C interface and
// its tests.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qvl.h"
#include "qvl_engine/config.hpp"
#include "qvl_engine/ports.hpp"
#include "qvl_engine/session.hpp"

namespace qvl_ffi {

// The per-session state the four ports share.
struct Shared {
  qvl_engine::ports::Config config;
  std::optional<std::string> app_id;
  std::optional<std::string> surrounding;
  std::shared_ptr<const qvl_engine::ports::WordListDictionary> dictionary;
  std::uint64_t config_version = 0;

  // The session's own dictionary, copied from the shared one on first change.
  qvl_engine::ports::WordListDictionary& writable_dictionary();

 private:
  std::shared_ptr<qvl_engine::ports::WordListDictionary> own_dictionary_;
};

}  // namespace qvl_ffi

struct QvlSession {
  std::shared_ptr<qvl_ffi::Shared> shared;
  std::unique_ptr<qvl_engine::session::ImeSession> engine;

  // Result slots: each holds the last string returned through it.
  std::string action_text;
  std::string display_text;
  std::string plan_text;
  std::string json_text;
  std::string charset_text;
  std::vector<std::uint8_t> charset_bytes;

  // Test hook: the next guarded call fails as on a broken invariant.
  bool fail_next_call = false;
};

namespace qvl_ffi {
// The C record of an engine action; deletions are counted over `before`,
// the text the action was computed against.
QvlAction to_c_action(QvlSession* session, const qvl_engine::session::Action& action,
                      std::string_view before);
}  // namespace qvl_ffi

namespace qvl_ffi::testing {
// Makes the next engine call on the session raise an internal error.
void fail_next_call(QvlSession* session);
}  // namespace qvl_ffi::testing
