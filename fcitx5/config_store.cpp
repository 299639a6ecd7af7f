/*
 * SPDX-License-Identifier: LGPL-2.1-or-later
 */
#include "config_store.h"

#include <fcitx-utils/log.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

namespace fcitx {

namespace {

std::string envValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

struct WatchedFile {
  const std::string& path;
  std::string& text;
  uint64_t& generation;
  std::filesystem::file_time_type& mtime;
  bool& errorLogged;
};

struct Messages {
  const char* removed;
  const char* cannotStat;
  const char* loaded;
  const char* cannotRead;
};

constexpr Messages configMessages{
    "quorvel: config removed, using defaults", "quorvel: cannot stat config path=",
    "quorvel: config reloaded path=", "quorvel: cannot read config path="};
constexpr Messages userWordsMessages{
    "quorvel: user_words removed", "quorvel: cannot stat user_words path=",
    "quorvel: user_words loaded path=", "quorvel: cannot read user_words path="};

void poll(WatchedFile file, const Messages& messages, bool force) {
  std::error_code ec;
  auto time = std::filesystem::last_write_time(file.path, ec);
  if (ec) {
    if (ec == std::errc::no_such_file_or_directory) {
      if (!file.text.empty()) {
        file.text.clear();
        ++file.generation;
        FCITX_INFO() << messages.removed;
      }
      file.errorLogged = false;
    } else if (!file.errorLogged) {
      file.errorLogged = true;
      FCITX_WARN() << messages.cannotStat << file.path << " error=" << ec.message();
    }
    return;
  }
  if (!force && time == file.mtime) {
    return;
  }
  std::string content;
  if (!ConfigStore::readFile(file.path, content)) {
    // mtime stays, so the next poll tries again.
    if (!file.errorLogged) {
      file.errorLogged = true;
      FCITX_WARN() << messages.cannotRead << file.path;
    }
    return;
  }
  file.errorLogged = false;
  file.mtime = time;
  if (content == file.text) {
    return;
  }
  file.text = std::move(content);
  ++file.generation;
  FCITX_INFO() << messages.loaded << file.path << " bytes=" << file.text.size()
               << " generation=" << file.generation;
}

bool pollDue(std::chrono::steady_clock::time_point now,
             std::chrono::steady_clock::time_point last) {
  return now - last > std::chrono::nanoseconds(499999999);
}

}  // namespace

ConfigStore::ConfigStore(std::string path)
    : path_(path.empty() ? defaultPath() : std::move(path)),
      userWordsPath_(defaultUserWordsPath(path_)) {
  refresh(true);
}

std::string ConfigStore::defaultPath() {
  if (auto config = envValue("QUORVEL_CONFIG"); !config.empty()) {
    return config;
  }
  if (auto xdg = envValue("XDG_CONFIG_HOME"); !xdg.empty()) {
    return xdg + "/quorvel/config.json";
  }
  if (auto home = envValue("HOME"); !home.empty()) {
    return home + "/.config/quorvel/config.json";
  }
  return {};
}

std::string ConfigStore::defaultUserWordsPath(const std::string& configPath) {
  if (auto words = envValue("QUORVEL_USER_WORDS"); !words.empty()) {
    return words;
  }
  if (configPath.empty()) {
    return {};
  }
  return (std::filesystem::path(configPath).parent_path() / "user_words.txt").string();
}

bool ConfigStore::readFile(const std::string& path, std::string& out) {
  std::error_code ec;
  if (path.empty() || std::filesystem::is_directory(path, ec)) {
    return false;
  }
  std::ifstream in(path, std::ios::in | std::ios::binary);
  if (!in) {
    return false;
  }
  std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) {
    return false;
  }
  out = std::move(content);
  return true;
}

void ConfigStore::refresh(bool force) {
  auto now = Clock::now();
  refreshUserWords(force);
  if (!force && !pollDue(now, lastCheck_)) {
    return;
  }
  lastCheck_ = now;
  if (path_.empty()) {
    return;
  }
  poll({path_, text_, generation_, mtime_, errorLogged_}, configMessages, force);
}

void ConfigStore::refreshUserWords(bool force) {
  if (userWordsPath_.empty()) {
    return;
  }
  auto now = Clock::now();
  if (!force && !pollDue(now, userWordsLastCheck_)) {
    return;
  }
  userWordsLastCheck_ = now;
  poll({userWordsPath_, userWords_, userWordsGeneration_, userWordsMtime_, userWordsErrorLogged_},
       userWordsMessages, force);
}

}  // namespace fcitx
