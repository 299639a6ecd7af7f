// quorvel config: checks configuration files and prints the defaults, through
// the C interface only.
#include <qvl.h>

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli.hpp"

namespace quorvel_tool {
namespace {

constexpr const char* CONFIG_USAGE =
    "Usage: quorvel config check FILE\n"
    "       quorvel config defaults\n"
    "\n"
    "  check FILE  read FILE as a complete configuration document; print OK, or\n"
    "              why it is rejected (exit status 1)\n"
    "  defaults    print the default configuration\n";

struct SessionDeleter {
  void operator()(QvlSession* s) const { qvl_session_free(s); }
};

std::unique_ptr<QvlSession, SessionDeleter> new_session() {
  std::unique_ptr<QvlSession, SessionDeleter> session(qvl_session_new(nullptr, 0));
  if (!session) throw Failure("the engine could not start");
  return session;
}

int check(const std::string& path) {
  const std::string document = read_all(path);
  const auto session = new_session();
  if (const char* why = qvl_config_check(session.get(), document.c_str())) {
    std::fprintf(stderr, "quorvel: %s: %s\n", path.c_str(), why);
    return 1;
  }
  std::puts("OK");
  return 0;
}

int defaults() {
  const auto session = new_session();
  const char* json = qvl_config_json(session.get());
  if (!json) throw Failure("the engine gave no configuration");
  // ordered_json keeps the engine's key order, which follows the documented
  // table rather than the alphabet.
  const auto value = nlohmann::ordered_json::parse(json);
  std::puts(value.dump(2).c_str());
  return 0;
}

}  // namespace

int config_command(Args args) {
  if (wants_help(args)) {
    std::fputs(CONFIG_USAGE, stdout);
    return 0;
  }
  if (args.empty()) throw UsageError("config: check FILE or defaults (see quorvel config --help)");
  if (args[0] == "check") {
    if (args.size() != 2) throw UsageError("config check: one FILE expected");
    return check(std::string(args[1]));
  }
  if (args[0] == "defaults") {
    if (args.size() != 1) throw UsageError("config defaults: no arguments expected");
    return defaults();
  }
  throw UsageError("config: unknown subcommand '" + std::string(args[0]) + "' (check or defaults)");
}

}  // namespace quorvel_tool
