// In-memory ports over one shared record, and helpers that type key names
// into a session.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "qvl_engine/ports.hpp"
#include "qvl_engine/session.hpp"
#include "text_field_sim.hpp"

namespace qvl_engine::session {

inline void PrintTo(const Action& a, std::ostream* os) {
  static constexpr const char* KINDS[] = {"Pass", "Preedit", "Replace", "Commit"};
  *os << KINDS[static_cast<int>(a.kind)] << "(\"" << a.text << "\", cursor " << a.cursor
      << ", delete " << a.delete_count << (a.forward_key ? ", forward)" : ")");
}

}  // namespace qvl_engine::session

namespace quorvel_test {

using qvl_engine::ports::Config;
using qvl_engine::session::Action;
using qvl_engine::session::ImeSession;
using qvl_engine::session::KeyEvent;

// What the ports read and write; tests change it between calls.
struct World {
  Config config;
  std::optional<std::string> app;
  std::optional<std::string> surrounding;
  const TextFieldSim* field = nullptr;  // when set, the surrounding text is its text
  std::set<std::string, std::less<>> english;
  int saves = 0;
};

class WorldPorts final : public qvl_engine::ports::ConfigStore,
                         public qvl_engine::ports::AppContext,
                         public qvl_engine::ports::SurroundingText,
                         public qvl_engine::ports::Dictionary {
 public:
  explicit WorldPorts(std::shared_ptr<World> world) : world_(std::move(world)) {}
  Config load() override { return world_->config; }
  void save(const Config& config) override {
    world_->config = config;
    ++world_->saves;
  }
  std::optional<std::string> current_app() override { return world_->app; }
  std::optional<std::string> before_cursor(std::size_t max_chars) override {
    if (world_->field) return world_->field->before_cursor(max_chars);
    if (!world_->surrounding) return std::nullopt;
    return std::string(qvl_engine::ports::last_chars(*world_->surrounding, max_chars));
  }
  bool is_english(std::string_view word) const override { return world_->english.contains(word); }
  bool is_vietnamese(std::string_view) const override { return false; }

 private:
  std::shared_ptr<World> world_;
};

inline qvl_engine::session::Ports world_ports(const std::shared_ptr<World>& world) {
  return {std::make_unique<WorldPorts>(world), std::make_unique<WorldPorts>(world),
          std::make_unique<WorldPorts>(world), std::make_unique<WorldPorts>(world)};
}

inline std::unique_ptr<ImeSession> make_session(const std::shared_ptr<World>& world,
                                                bool replace_mode) {
  return std::make_unique<ImeSession>(world_ports(world), replace_mode);
}

// A key name, optionally behind "C-", "A-" or "S-" (Super) prefixes.
inline KeyEvent key_event(std::string_view name) {
  KeyEvent e;
  while (name.size() > 2 && name[1] == '-' &&
         (name[0] == 'C' || name[0] == 'A' || name[0] == 'S')) {
    (name[0] == 'C' ? e.ctrl : name[0] == 'A' ? e.alt : e.super) = true;
    name.remove_prefix(2);
  }
  e.key = qvl_engine::session::Key::parse(name);
  return e;
}

// Every character of `text` as one key name.
inline std::vector<std::string> chars_of(std::string_view text) {
  std::vector<std::string> keys;
  qvl_unicode::for_each_char(text, [&](char32_t c) { keys.push_back(qvl_unicode::encode(c)); });
  return keys;
}

inline Action pass() { return Action::pass(); }
inline Action pre(std::string text) {
  const auto n = static_cast<std::uint32_t>(qvl_unicode::char_count(text));
  return Action::preedit(std::move(text), n);
}
inline Action rep(std::string text, std::uint32_t del, bool forward = false) {
  return Action::replace(std::move(text), del, forward);
}
inline Action com(std::string text, bool forward = false) {
  return Action::commit(std::move(text), forward);
}

}  // namespace quorvel_test

namespace quorvel_test {

// One row of a scenario table: each key and the action it must give. Steps
// whose name starts with '!' are events instead: "!cursor" (cursor_moved),
// "!flush", "!toggle", "!reload", "!surr=TEXT" (the text before the cursor).
struct Scenario {
  const char* name;
  void (*setup)(World&);
  bool replace_mode;
  std::vector<std::pair<std::string, Action>> steps;
};

inline void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

inline Action run_step(ImeSession& session, World& world, std::string_view step) {
  if (step == "!cursor") return session.cursor_moved();
  if (step == "!flush") return session.flush_composition();
  if (step == "!toggle") return session.toggle_vietnamese();
  if (step == "!reload") return session.reload_config();
  if (step.starts_with("!surr=")) {
    world.surrounding = std::string(step.substr(6));
    return Action::pass();
  }
  return session.process_key(key_event(step));
}

}  // namespace quorvel_test

// Runs a scenario row, reporting the first step that differs.
#define QVL_RUN_SCENARIO(scenario)                                             \
  do {                                                                         \
    const ::quorvel_test::Scenario& s_ = (scenario);                           \
    auto world_ = std::make_shared<::quorvel_test::World>();                   \
    if (s_.setup) s_.setup(*world_);                                           \
    auto session_ = ::quorvel_test::make_session(world_, s_.replace_mode);     \
    for (std::size_t i_ = 0; i_ < s_.steps.size(); ++i_) {                     \
      const auto& [key_, expected_] = s_.steps[i_];                            \
      EXPECT_EQ(::quorvel_test::run_step(*session_, *world_, key_), expected_) \
          << s_.name << ", step " << i_ << " (" << key_ << ")";                \
    }                                                                          \
  } while (false)
