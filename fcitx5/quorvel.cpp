/*
 * SPDX-License-Identifier: LGPL-2.1-or-later
 */
#include "quorvel.h"

#include <fcitx-utils/log.h>
#include <fcitx/inputcontext.h>
#include <fcitx/inputcontextmanager.h>
#include <fcitx/statusarea.h>

#include "config_store.h"

namespace fcitx {

QuorvelEngine::QuorvelEngine(Instance* instance)
    : instance_(instance),
      configStore_(std::make_shared<ConfigStore>(std::string())),
      factory_([this](InputContext& ic) {
        return new QuorvelState(instance_->eventLoop(), &ic, configStore_);
      }),
      toggleAction_(std::make_unique<SimpleAction>()) {
  if (!instance_->inputContextManager().registerProperty("quorvel-state", &factory_)) {
    FCITX_ERROR() << "quorvel: cannot register input context state";
  }
  toggleAction_->setIcon("quorvel");
  toggleAction_->setShortText("Việt");
  toggleAction_->setLongText("Quorvel: bật/tắt tiếng Việt");
  // connect looks the signal up by name and gives an empty connection
  // when the action has none.
  toggleConnection_ = toggleAction_->connect<SimpleAction::Activated>(
      [this](InputContext* ic) { onToggleAction(ic); });
}

QuorvelEngine::~QuorvelEngine() {
  toggleConnection_.disconnect();
  toggleAction_.reset();
}

QuorvelState* QuorvelEngine::stateFor(InputContext* ic) {
  // An unregistered factory has no slot in the context.
  if (!ic || !factory_.registered()) {
    return nullptr;
  }
  return ic->propertyFor(&factory_);
}

void QuorvelEngine::keyEvent(const InputMethodEntry&, KeyEvent& event) {
  auto* ic = event.inputContext();
  auto* state = stateFor(ic);
  if (!state) {
    return;
  }
  state->keyEvent(event);
  updateStatusAction(ic, state);
}

void QuorvelEngine::activate(const InputMethodEntry&, InputContextEvent& event) {
  auto* ic = event.inputContext();
  auto* state = stateFor(ic);
  if (!state) {
    return;
  }
  state->activate(ic->program());
  ic->statusArea().addAction(StatusGroup::InputMethod, toggleAction_.get());
  updateStatusAction(ic, state);
}

void QuorvelEngine::deactivate(const InputMethodEntry&, InputContextEvent& event) {
  auto* ic = event.inputContext();
  auto* state = stateFor(ic);
  if (!state) {
    return;
  }
  ic->statusArea().removeAction(toggleAction_.get());
  state->deactivate(event);
}

void QuorvelEngine::reset(const InputMethodEntry&, InputContextEvent& event) {
  auto* ic = event.inputContext();
  auto* state = stateFor(ic);
  if (!state) {
    return;
  }
  state->reset();
  updateStatusAction(ic, state);
}

void QuorvelEngine::onToggleAction(InputContext* ic) {
  auto* state = stateFor(ic);
  if (!state || state->outputPending()) {
    return;
  }
  state->toggleVietnamese();
  updateStatusAction(ic, state);
}

void QuorvelEngine::updateStatusAction(InputContext* ic, QuorvelState* state) {
  const bool enabled = state->enabled();
  const std::string label = enabled ? "Việt" : "Anh";
  if (toggleAction_->shortText(ic) == label && toggleAction_->isChecked(ic) == enabled) {
    return;
  }
  toggleAction_->setShortText(label);
  toggleAction_->setChecked(enabled);
  toggleAction_->update(ic);
}

AddonInstance* QuorvelFactory::create(AddonManager* manager) {
  return new QuorvelEngine(manager->instance());
}

}  // namespace fcitx

FCITX_ADDON_FACTORY(fcitx::QuorvelFactory);
