/*
 * SPDX-License-Identifier: LGPL-2.1-or-later
 */
#ifndef QUORVEL_FCITX5_CONFIG_STORE_H
#define QUORVEL_FCITX5_CONFIG_STORE_H

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace fcitx {

// The configuration file and the user word list, polled by last-write time.
// Generations count content changes so that each state can tell what it has
// already applied.
class ConfigStore {
 public:
  explicit ConfigStore(std::string path);

  static std::string defaultPath();
  static std::string defaultUserWordsPath(const std::string& configPath);
  static bool readFile(const std::string& path, std::string& out);

  void refresh(bool force);
  void refreshUserWords(bool force);

  const std::string& path() const { return path_; }
  const std::string& text() const { return text_; }
  uint64_t generation() const { return generation_; }
  const std::string& userWordsPath() const { return userWordsPath_; }
  const std::string& userWords() const { return userWords_; }
  uint64_t userWordsGeneration() const { return userWordsGeneration_; }

 private:
  using Clock = std::chrono::steady_clock;

  std::string path_;
  std::string text_;
  uint64_t generation_ = 0;
  std::filesystem::file_time_type mtime_{};
  Clock::time_point lastCheck_{};
  bool errorLogged_ = false;
  std::string userWordsPath_;
  std::string userWords_;
  uint64_t userWordsGeneration_ = 0;
  std::filesystem::file_time_type userWordsMtime_{};
  Clock::time_point userWordsLastCheck_{};
  bool userWordsErrorLogged_ = false;
};

}  // namespace fcitx

#endif
