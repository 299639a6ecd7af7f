// quorvel: the engine and the charset conversions from the command line.
#include <cstdio>
#include <exception>
#include <string_view>
#include <vector>

#include "cli.hpp"

namespace {

constexpr const char* USAGE =
    "Usage: quorvel COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  type       run keystrokes from standard input through the engine\n"
    "  config     check a configuration file, print the defaults\n"
    "  convert    convert text between charsets\n"
    "  detect     guess the charset of a text\n"
    "  charsets   list the charsets\n"
    "  case       change the case of a text (upper, lower, title)\n"
    "  strip      remove the diacritics of a text\n"
    "  emoji      look up emoji by Vietnamese or English words\n"
    "\n"
    "Run 'quorvel COMMAND --help' for the options of a command.\n";

struct Command {
  std::string_view name;
  int (*run)(quorvel_tool::Args);
};

constexpr Command COMMANDS[] = {
    {"type", quorvel_tool::type_command},         {"config", quorvel_tool::config_command},
    {"convert", quorvel_tool::convert_command},   {"detect", quorvel_tool::detect_command},
    {"charsets", quorvel_tool::charsets_command}, {"case", quorvel_tool::case_command},
    {"strip", quorvel_tool::strip_command},       {"emoji", quorvel_tool::emoji_command},
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(USAGE, stderr);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::fputs(USAGE, stdout);
    return 0;
  }
  try {
    for (const auto& command : COMMANDS) {
      if (command.name == args[0]) {
        const int status = command.run(quorvel_tool::Args(args).subspan(1));
        if (std::fflush(stdout) != 0) throw quorvel_tool::Failure("cannot write the output");
        return status;
      }
    }
    throw quorvel_tool::UsageError("unknown command '" + std::string(args[0]) +
                                   "' (see quorvel --help)");
  } catch (const quorvel_tool::UsageError& e) {
    std::fprintf(stderr, "quorvel: %s\n", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quorvel: %s\n", e.what());
    return 1;
  }
}
