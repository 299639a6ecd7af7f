#include "clipboard.hpp"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli.hpp"

namespace quorvel_tool {
namespace {

bool on_path(std::string_view program) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::string_view dirs(path);
  while (true) {
    const auto colon = dirs.find(':');
    std::string_view dir = dirs.substr(0, colon);
    if (dir.empty()) dir = ".";
    std::string candidate(dir);
    candidate += '/';
    candidate += program;
    if (access(candidate.c_str(), X_OK) == 0) return true;
    if (colon == std::string_view::npos) return false;
    dirs.remove_prefix(colon + 1);
  }
}

bool set(const char* variable) {
  const char* value = std::getenv(variable);
  return value && *value;
}

struct Tools {
  const char* paste;
  const char* copy;
};

Tools find_tools() {
  if (set("WAYLAND_DISPLAY") && on_path("wl-paste") && on_path("wl-copy")) {
    return {"wl-paste --no-newline", "wl-copy"};
  }
  if (set("DISPLAY") && on_path("xclip")) {
    return {"xclip -selection clipboard -o", "xclip -selection clipboard -i"};
  }
  throw Failure(
      "no clipboard tool: install wl-clipboard (Wayland) or xclip (X11), with WAYLAND_DISPLAY "
      "or DISPLAY set");
}

void check_status(int status, const char* command) {
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw Failure(std::string("clipboard: '") + command + "' failed");
  }
}

}  // namespace

std::string clipboard_read() {
  const Tools tools = find_tools();
  std::FILE* pipe = popen(tools.paste, "r");
  if (!pipe) throw Failure(std::string("clipboard: cannot run '") + tools.paste + "'");
  std::string text;
  try {
    text = read_stream(pipe, "clipboard");
  } catch (...) {
    pclose(pipe);
    throw;
  }
  check_status(pclose(pipe), tools.paste);
  return text;
}

void clipboard_write(std::string_view text) {
  const Tools tools = find_tools();
  std::FILE* pipe = popen(tools.copy, "w");
  if (!pipe) throw Failure(std::string("clipboard: cannot run '") + tools.copy + "'");
  const bool written = std::fwrite(text.data(), 1, text.size(), pipe) == text.size();
  const int status = pclose(pipe);
  if (!written) throw Failure("clipboard: cannot write to '" + std::string(tools.copy) + "'");
  check_status(status, tools.copy);
}

}  // namespace quorvel_tool
