/*
 * SPDX-License-Identifier: LGPL-2.1-or-later
 */
#include <fcitx/action.h>
#include <fcitx/addonmanager.h>
#include <fcitx/inputcontextmanager.h>
#include <fcitx/statusarea.h>
#include <gtest/gtest.h>
#include <testfrontend_public.h>

#include <string>
#include <vector>

#include "instance_fixture.h"

namespace quorvel_test {
namespace {

using fcitx::CapabilityFlag;
using fcitx::CapabilityFlags;
using fcitx::Key;

fcitx::Action* statusAction(fcitx::InputContext* ic) {
  for (auto* action : ic->statusArea().actions(fcitx::StatusGroup::InputMethod)) {
    if (action->icon(ic) == "quorvel") {
      return action;
    }
  }
  return nullptr;
}

class AddonTest : public InstanceTest {};

TEST_F(AddonTest, TelexThroughTestFrontend) {
  auto* frontend = instance().addonManager().addon("testfrontend");
  ASSERT_NE(frontend, nullptr);
  fcitx::ICUUID uuid;
  fcitx::InputContext* ic = nullptr;
  auto send = [&](const std::string& keys) {
    for (const auto& key : RecordingContext::keysOf(keys)) {
      frontend->call<fcitx::ITestFrontend::keyEvent>(uuid, key, false);
      frontend->call<fcitx::ITestFrontend::keyEvent>(uuid, key, true);
    }
  };
  step([&]() {
    uuid = frontend->call<fcitx::ITestFrontend::createInputContext>("testapp");
    ic = instance().inputContextManager().findByUUID(uuid);
    ASSERT_NE(ic, nullptr);
    ic->focusIn();
    instance().setCurrentInputMethod(ic, "quorvel", true);
    EXPECT_EQ(instance().inputMethod(ic), "quorvel");
    send("vieejt nam ");
  });
  step([&]() {
    EXPECT_EQ(commits(), (std::vector<std::string>{"việt ", "nam "}));
    auto* action = statusAction(ic);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->shortText(ic), "Việt");
    EXPECT_TRUE(action->isChecked(ic));
    frontend->call<fcitx::ITestFrontend::keyEvent>(uuid, Key(FcitxKey_comma, fcitx::KeyState::Alt),
                                                   false);
    EXPECT_EQ(action->shortText(ic), "Anh");
    EXPECT_FALSE(action->isChecked(ic));
    action->activate(ic);
    EXPECT_EQ(action->shortText(ic), "Việt");
    EXPECT_TRUE(action->isChecked(ic));
    frontend->call<fcitx::ITestFrontend::destroyInputContext>(uuid);
  });
  run();
}

}  // namespace
}  // namespace quorvel_test
