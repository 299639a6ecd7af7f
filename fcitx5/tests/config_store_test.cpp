/*
 * SPDX-License-Identifier: LGPL-2.1-or-later
 */
#include "config_store.h"

#include <fcitx-utils/log.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "log_count.h"

namespace fs = std::filesystem;

namespace {

const char* const kEnvNames[] = {"QUORVEL_CONFIG", "QUORVEL_USER_WORDS", "XDG_CONFIG_HOME", "HOME"};

// Saves and restores the variables the store reads, and captures the log.
class StoreEnv : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kEnvNames) {
      const char* value = std::getenv(name);
      saved_.emplace_back(value ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
    dir_ = fs::temp_directory_path() /
           ("quorvel-store-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fcitx::Log::setLogStream(log_);
  }
  void TearDown() override {
    fcitx::Log::setLogStream(std::cerr);
    fs::remove_all(dir_);
    for (size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i]) {
        setenv(kEnvNames[i], saved_[i]->c_str(), 1);
      } else {
        unsetenv(kEnvNames[i]);
      }
    }
  }

  static void write(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
  }
  // Moves the last-write time so that a rewrite is seen as a change even
  // when the file system clock is coarse.
  static void touch(const fs::path& path, int seconds) {
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(seconds));
  }
  size_t logCount(const std::string& needle) const { return fcitx::countInLog(log_.str(), needle); }

  fs::path dir_;
  std::ostringstream log_;
  std::vector<std::optional<std::string>> saved_;
};

struct PathCase {
  const char* config;
  const char* userWords;
  const char* xdg;
  const char* home;
  const char* expectedConfig;
  const char* expectedWords;
};

TEST_F(StoreEnv, PathsFollowTheEnvironment) {
  const PathCase cases[] = {
      {nullptr, nullptr, nullptr, nullptr, "", ""},
      {"/c/my.json", nullptr, "/x", "/h", "/c/my.json", "/c/user_words.txt"},
      {"", nullptr, "/x", "/h", "/x/quorvel/config.json", "/x/quorvel/user_words.txt"},
      {nullptr, nullptr, "/x", nullptr, "/x/quorvel/config.json", "/x/quorvel/user_words.txt"},
      {nullptr, nullptr, "", "/h", "/h/.config/quorvel/config.json",
       "/h/.config/quorvel/user_words.txt"},
      {nullptr, "/w/list.txt", nullptr, "/h", "/h/.config/quorvel/config.json", "/w/list.txt"},
      {nullptr, "", nullptr, "", "", ""},
      {nullptr, "/w/list.txt", nullptr, nullptr, "", "/w/list.txt"},
  };
  for (const auto& c : cases) {
    const char* values[] = {c.config, c.userWords, c.xdg, c.home};
    for (size_t i = 0; i < 4; ++i) {
      if (values[i]) {
        setenv(kEnvNames[i], values[i], 1);
      } else {
        unsetenv(kEnvNames[i]);
      }
    }
    const std::string path = fcitx::ConfigStore::defaultPath();
    EXPECT_EQ(path, c.expectedConfig);
    EXPECT_EQ(fcitx::ConfigStore::defaultUserWordsPath(path), c.expectedWords) << "config " << path;
  }
}

TEST_F(StoreEnv, WithoutPathsNothingIsRead) {
  fcitx::ConfigStore store("");
  store.refresh(true);
  EXPECT_EQ(store.path(), "");
  EXPECT_EQ(store.userWordsPath(), "");
  EXPECT_EQ(store.generation(), 0u);
  EXPECT_EQ(log_.str(), "");
}

TEST_F(StoreEnv, ReadsBytesAsTheyAre) {
  const std::string content = "\xEF\xBB\xBF{\"spell_check\":false}\n";
  write(dir_ / "config.json", content);
  fcitx::ConfigStore store((dir_ / "config.json").string());
  EXPECT_EQ(store.text(), content);
  EXPECT_EQ(store.generation(), 1u);
  EXPECT_EQ(logCount("quorvel: config reloaded path=" + (dir_ / "config.json").string() +
                     " bytes=" + std::to_string(content.size()) + " generation=1"),
            1u);
}

TEST_F(StoreEnv, PollsAreThrottled) {
  write(dir_ / "config.json", "{}");
  fcitx::ConfigStore store((dir_ / "config.json").string());
  const auto start = std::chrono::steady_clock::now();
  store.refresh(false);
  write(dir_ / "config.json", "{\"a\":1}");
  touch(dir_ / "config.json", 5);
  store.refresh(false);
  const bool quick = std::chrono::steady_clock::now() - start < std::chrono::milliseconds(400);
  if (quick) {
    EXPECT_EQ(store.text(), "{}");
  }
  store.refresh(true);
  EXPECT_EQ(store.text(), "{\"a\":1}");
  EXPECT_EQ(store.generation(), 2u);
}

// The configuration file and the word list follow the same rules.
struct FileKind {
  const char* name;
  const char* label;
};

class WatchedFileTest : public StoreEnv, public ::testing::WithParamInterface<FileKind> {
 protected:
  fs::path file() const {
    return dir_ / (std::string(GetParam().name) == "config" ? "config.json" : "user_words.txt");
  }
  std::string text(const fcitx::ConfigStore& store) const {
    return std::string(GetParam().name) == "config" ? store.text() : store.userWords();
  }
  uint64_t generation(const fcitx::ConfigStore& store) const {
    return std::string(GetParam().name) == "config" ? store.generation()
                                                    : store.userWordsGeneration();
  }
  std::string message(const std::string& what) const {
    return "quorvel: " + what + " " + GetParam().label;
  }
  fcitx::ConfigStore makeStore() const {
    return fcitx::ConfigStore((dir_ / "config.json").string());
  }
};

TEST_P(WatchedFileTest, SameContentKeepsTheGeneration) {
  write(file(), "one");
  auto store = makeStore();
  ASSERT_EQ(text(store), "one");
  const auto logged = log_.str();
  write(file(), "one");
  touch(file(), 5);
  store.refresh(true);
  store.refresh(true);
  EXPECT_EQ(generation(store), 1u);
  EXPECT_EQ(log_.str(), logged);

  write(file(), "two");
  touch(file(), 10);
  store.refresh(true);
  EXPECT_EQ(text(store), "two");
  EXPECT_EQ(generation(store), 2u);
}

TEST_P(WatchedFileTest, RemovalIsOneNewGeneration) {
  write(file(), "one");
  auto store = makeStore();
  fs::remove(file());
  store.refresh(true);
  store.refresh(true);
  EXPECT_EQ(text(store), "");
  EXPECT_EQ(generation(store), 2u);
  const std::string removed = std::string(GetParam().name) == "config"
                                  ? "quorvel: config removed, using defaults"
                                  : "quorvel: user_words removed";
  EXPECT_EQ(logCount(removed), 1u);

  // Missing from the start: nothing to report.
  fs::remove_all(dir_);
  fs::create_directories(dir_);
  auto fresh = makeStore();
  fresh.refresh(true);
  EXPECT_EQ(generation(fresh), 0u);
  EXPECT_EQ(logCount(removed), 1u);
}

TEST_P(WatchedFileTest, ReadErrorIsLoggedOncePerRun) {
  write(file(), "one");
  auto store = makeStore();
  fs::remove(file());
  fs::create_directory(file());  // stats fine, cannot be read
  for (int i = 0; i < 3; ++i) {
    touch(file(), 5 * (i + 1));
    store.refresh(true);
  }
  const std::string cannotRead = message("cannot read") + " path=" + file().string();
  EXPECT_EQ(logCount(cannotRead), 1u);
  EXPECT_EQ(text(store), "one") << "previous text stays in force";

  fs::remove(file());
  write(file(), "two");
  store.refresh(true);
  EXPECT_EQ(text(store), "two");
  fs::remove(file());
  fs::create_directory(file());
  store.refresh(true);
  EXPECT_EQ(logCount(cannotRead), 2u) << "a new run of failures";
}

TEST_P(WatchedFileTest, StatErrorIsLoggedOnce) {
  write(dir_ / "blocker", "");
  const auto path = dir_ / "blocker" / "config.json";
  if (std::string(GetParam().name) == "config") {
    setenv("QUORVEL_USER_WORDS", (dir_ / "none.txt").c_str(), 1);
  } else {
    setenv("QUORVEL_USER_WORDS", (dir_ / "blocker" / "w.txt").c_str(), 1);
  }
  fcitx::ConfigStore store(path.string());
  store.refresh(true);
  store.refresh(true);
  const std::string watched = std::string(GetParam().name) == "config"
                                  ? path.string()
                                  : (dir_ / "blocker" / "w.txt").string();
  EXPECT_EQ(logCount(message("cannot stat") + " path=" + watched + " error="), 1u) << log_.str();
}

INSTANTIATE_TEST_SUITE_P(Files, WatchedFileTest,
                         ::testing::Values(FileKind{"config", "config"},
                                           FileKind{"user_words", "user_words"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
