/*
 * SPDX-License-Identifier: LGPL-2.1-or-later
 */
#include "instance_fixture.h"

#include <fcitx-utils/log.h>
#include <fcitx-utils/testing.h>
#include <fcitx/addonmanager.h>
#include <fcitx/inputmethodgroup.h>
#include <fcitx/inputmethodmanager.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;

namespace quorvel_test {

namespace {

std::string envOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

}  // namespace

void InstanceTest::SetUp() {
  dir_ =
      fs::temp_directory_path() / ("quorvel-fcitx5-" + std::to_string(::getpid()) + "-" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(dir_);
  fs::create_directories(dir_);
  setenv("QUORVEL_CONFIG", configPath().c_str(), 1);
  unsetenv("QUORVEL_USER_WORDS");

  fcitx::setupTestingEnvironment(
      dir_.string(), {envOr("QUORVEL_TEST_ADDON_DIR", QUORVEL_ADDON_DIR), QUORVEL_FCITX_ADDON_DIR},
      {envOr("QUORVEL_TEST_DATA_DIR", QUORVEL_TEST_DATA_DIR)});
  fcitx::Log::setLogRule("default=5");
  fcitx::Log::setLogStream(log_);

  beforeInstance();

  static char arg0[] = "quorvel_fcitx5_test";
  static char arg1[] = "--disable=all";
  static char arg2[] = "--enable=testim,testfrontend,testui,quorvel";
  static char* argv[] = {arg0, arg1, arg2};
  instance_ = std::make_unique<fcitx::Instance>(3, argv);
  instance_->addonManager().registerDefaultLoader(nullptr);
  instance_->initialize();

  auto group = instance_->inputMethodManager().currentGroup();
  group.inputMethodList().clear();
  group.inputMethodList().emplace_back("keyboard-us");
  group.inputMethodList().emplace_back("quorvel");
  group.setDefaultInputMethod("");
  instance_->inputMethodManager().setGroup(group);
  ASSERT_NE(instance_->inputMethodManager().entry("quorvel"), nullptr)
      << "the Quorvel input method is not listed\n"
      << log_.str();

  watchers_.push_back(instance_->watchEvent(
      fcitx::EventType::InputContextCommitString, fcitx::EventWatcherPhase::PreInputMethod,
      [this](fcitx::Event& event) {
        commits_.push_back(static_cast<fcitx::CommitStringEvent&>(event).text());
      }));
}

void InstanceTest::TearDown() {
  steps_.clear();
  watchers_.clear();
  contexts_.clear();
  instance_.reset();
  fcitx::Log::setLogStream(std::cerr);
  if (HasFailure()) {
    std::cerr << "---- Fcitx5 log of the failed test ----\n" << log_.str();
  }
  fs::remove_all(dir_);
}

void InstanceTest::step(std::function<void()> action) {
  steps_.push_back([action = std::move(action)]() {
    action();
    return true;
  });
}

void InstanceTest::waitUntil(std::function<bool()> done) { steps_.push_back(std::move(done)); }

void InstanceTest::waitIdle(RecordingContext* ic) {
  waitUntil([this, ic]() { return !state(ic)->outputPending(); });
}

void InstanceTest::waitMs(int ms) {
  auto start = std::make_shared<std::chrono::steady_clock::time_point>();
  step([start]() { *start = std::chrono::steady_clock::now(); });
  waitUntil([start, ms]() {
    return std::chrono::steady_clock::now() - *start >= std::chrono::milliseconds(ms);
  });
}

void InstanceTest::run() {
  auto& loop = instance_->eventLoop();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  auto ticker =
      loop.addTimeEvent(CLOCK_MONOTONIC, fcitx::now(CLOCK_MONOTONIC) + 1000, 1000,
                        [this, &loop, deadline](fcitx::EventSourceTime* source, uint64_t) {
                          while (!steps_.empty() && steps_.front()()) {
                            steps_.pop_front();
                          }
                          if (steps_.empty()) {
                            loop.exit();
                            return true;
                          }
                          if (std::chrono::steady_clock::now() > deadline) {
                            ADD_FAILURE() << "steps did not finish; " << steps_.size() << " left";
                            steps_.clear();
                            loop.exit();
                            return true;
                          }
                          source->setNextInterval(1000);
                          source->setOneShot();
                          return true;
                        });
  loop.exec();
}

RecordingContext* InstanceTest::makeContext(const std::string& program,
                                            fcitx::CapabilityFlags flags) {
  contexts_.push_back(std::make_unique<RecordingContext>(instance_->inputContextManager(),
                                                         instance_->eventLoop(), program, flags));
  auto* ic = contexts_.back().get();
  activate(ic);
  return ic;
}

void InstanceTest::activate(RecordingContext* ic) {
  ic->focusIn();
  instance_->setCurrentInputMethod(ic, "quorvel", true);
}

fcitx::QuorvelState* InstanceTest::state(fcitx::InputContext* ic) {
  auto* property = ic->property("quorvel-state");
  EXPECT_NE(property, nullptr);
  return static_cast<fcitx::QuorvelState*>(property);
}

void InstanceTest::writeFile(const std::string& name, const std::string& content) {
  const auto path = dir_ / name;
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
  }
  // A fresh last-write time, however coarse the file system clock.
  fs::last_write_time(path,
                      fs::file_time_type::clock::now() + std::chrono::seconds(++fileVersion_));
}

size_t InstanceTest::logCount(const std::string& needle) const {
  return fcitx::countInLog(log_.str(), needle);
}

}  // namespace quorvel_test
