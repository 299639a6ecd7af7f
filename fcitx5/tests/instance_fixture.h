/*
 * SPDX-License-Identifier: LGPL-2.1-or-later
 */
#ifndef QUORVEL_FCITX5_TESTS_INSTANCE_FIXTURE_H
#define QUORVEL_FCITX5_TESTS_INSTANCE_FIXTURE_H

#include <fcitx/instance.h>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "log_count.h"
#include "quorvel_state.h"
#include "recording_context.h"

namespace quorvel_test {

// A real Fcitx5 instance with testim, testfrontend, testui and the addon from
// the build tree (or from the directories named by QUORVEL_TEST_ADDON_DIR and
// QUORVEL_TEST_DATA_DIR). The configuration lives in a temporary directory.
// A test queues steps and runs the event loop until the last one is done, so
// that timers fire between steps just as they do between real keys.
class InstanceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Hook for tests that must see the configuration before the addon loads.
  virtual void beforeInstance() {}

  void step(std::function<void()> action);
  void waitUntil(std::function<bool()> done);
  void waitIdle(RecordingContext* ic);
  void waitMs(int ms);
  // Runs the event loop until every queued step is done.
  void run();

  RecordingContext* makeContext(const std::string& program, fcitx::CapabilityFlags flags);
  void activate(RecordingContext* ic);
  fcitx::QuorvelState* state(fcitx::InputContext* ic);
  fcitx::Instance& instance() { return *instance_; }

  void writeFile(const std::string& name, const std::string& content);
  std::filesystem::path configPath() const { return dir_ / "config.json"; }
  std::string log() const { return log_.str(); }
  size_t logCount(const std::string& needle) const;
  const std::vector<std::string>& commits() const { return commits_; }

  std::filesystem::path dir_;

 private:
  std::ostringstream log_;
  std::unique_ptr<fcitx::Instance> instance_;
  std::vector<std::unique_ptr<RecordingContext>> contexts_;
  std::vector<std::unique_ptr<fcitx::HandlerTableEntry<fcitx::EventHandler>>> watchers_;
  std::vector<std::string> commits_;
  std::deque<std::function<bool()>> steps_;
  int fileVersion_ = 0;
};

}  // namespace quorvel_test

#endif
