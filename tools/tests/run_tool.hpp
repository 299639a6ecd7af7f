// Runs the quorvel program as a user would: arguments, standard input from a
// file, its output, error output, exit status and peak memory collected.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace quorvel_tool_test {

struct Run {
  int status = -1;
  std::string out;
  std::string err;
  long max_rss_kb = 0;
};

inline std::filesystem::path scratch_root() {
  return std::filesystem::path(testing::TempDir()) / ("quorvel_tool_" + std::to_string(getpid()));
}

// A folder of the running test, removed with the others when the program ends.
inline std::filesystem::path scratch_dir() {
  struct Cleanup : testing::Environment {
    void TearDown() override {
      std::error_code ignored;
      std::filesystem::remove_all(scratch_root(), ignored);
    }
  };
  [[maybe_unused]] static const auto* cleanup = testing::AddGlobalTestEnvironment(new Cleanup);
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  auto dir = scratch_root() / info->name();
  std::filesystem::create_directories(dir);
  return dir;
}

inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream data;
  data << in.rdbuf();
  return data.str();
}

inline void write_file(const std::filesystem::path& path, std::string_view data) {
  std::ofstream out(path, std::ios::binary);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

// Environment changes for the child: a value sets a variable, none unsets it.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

inline Run run_tool(const std::vector<std::string>& args, std::string_view input = {},
                    const EnvChanges& env = {},
                    const std::optional<std::filesystem::path>& stdin_file = std::nullopt) {
  const auto dir = scratch_dir();
  const auto in_path = stdin_file ? *stdin_file : dir / "stdin";
  if (!stdin_file) write_file(in_path, input);
  const auto out_path = dir / "stdout";
  const auto err_path = dir / "stderr";

  std::vector<std::string> argv_strings{QUORVEL_TOOL};
  argv_strings.insert(argv_strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : argv_strings) argv.push_back(s.data());
  argv.push_back(nullptr);

  std::vector<std::string> env_strings;
  for (char** e = environ; *e; ++e) {
    const std::string entry(*e);
    if (!env.contains(entry.substr(0, entry.find('=')))) env_strings.push_back(entry);
  }
  for (const auto& [name, value] : env) {
    if (value) env_strings.push_back(name + "=" + *value);
  }
  std::vector<char*> envp;
  for (auto& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  pid_t pid = -1;
  Run run;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << argv[0];
    return run;
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.max_rss_kb = usage.ru_maxrss;
  run.out = read_file(out_path);
  run.err = read_file(err_path);
  return run;
}

// Error output is one line naming the program.
inline bool one_error_line(const std::string& err) {
  return err.starts_with("quorvel: ") && err.find('\n') == err.size() - 1;
}

}  // namespace quorvel_tool_test
