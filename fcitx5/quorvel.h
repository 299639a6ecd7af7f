/*
 * SPDX-License-Identifier: LGPL-2.1-or-later
 */
#ifndef QUORVEL_FCITX5_QUORVEL_H
#define QUORVEL_FCITX5_QUORVEL_H

#include <fcitx-utils/signals.h>
#include <fcitx/action.h>
#include <fcitx/addonfactory.h>
#include <fcitx/addonmanager.h>
#include <fcitx/inputcontextproperty.h>
#include <fcitx/inputmethodengine.h>
#include <fcitx/instance.h>

#include <memory>

#include "quorvel_state.h"

namespace fcitx {

class ConfigStore;

class QuorvelEngine : public InputMethodEngineV2 {
 public:
  explicit QuorvelEngine(Instance* instance);
  ~QuorvelEngine() override;

  void keyEvent(const InputMethodEntry& entry, KeyEvent& event) override;
  void activate(const InputMethodEntry& entry, InputContextEvent& event) override;
  void deactivate(const InputMethodEntry& entry, InputContextEvent& event) override;
  void reset(const InputMethodEntry& entry, InputContextEvent& event) override;

 private:
  QuorvelState* stateFor(InputContext* ic);
  void updateStatusAction(InputContext* ic, QuorvelState* state);
  void onToggleAction(InputContext* ic);

  Instance* instance_;
  std::shared_ptr<ConfigStore> configStore_;
  LambdaInputContextPropertyFactory<QuorvelState> factory_;
  std::unique_ptr<SimpleAction> toggleAction_;
  ScopedConnection toggleConnection_;
};

class QuorvelFactory : public AddonFactory {
 public:
  AddonInstance* create(AddonManager* manager) override;
};

}  // namespace fcitx

#endif
