/*
 * SPDX-License-Identifier: LGPL-2.1-or-later
 */
#ifndef QUORVEL_FCITX5_QUORVEL_STATE_H
#define QUORVEL_FCITX5_QUORVEL_STATE_H

#include <fcitx-utils/event.h>
#include <fcitx-utils/key.h>
#include <fcitx/event.h>
#include <fcitx/inputcontext.h>
#include <fcitx/inputcontextproperty.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "qvl.h"

namespace fcitx {

class ConfigStore;

// Per input context: owns the engine session, feeds it keys and context
// changes, and carries the engine's actions out against the application.
class QuorvelState : public InputContextProperty {
 public:
  struct QueuedKey {
    std::string name;
    bool ctrl = false;
    bool alt = false;
    bool super = false;
    Key key;
  };

  QuorvelState(EventLoop& loop, InputContext* ic, std::shared_ptr<ConfigStore> store);
  ~QuorvelState() override;
  QuorvelState(const QuorvelState&) = delete;
  QuorvelState& operator=(const QuorvelState&) = delete;

  void keyEvent(KeyEvent& event);
  static std::string keyName(KeySym keysym, KeyStates states);
  void processKey(const std::string& name, bool ctrl, bool alt, bool super, KeyEvent* event,
                  const std::optional<Key>& key);

  void activate(const std::string& program);
  void deactivate(InputContextEvent& event);
  void reset();
  void toggleVietnamese();

  void syncConfig(bool force);
  void syncUserWords();
  void syncProgram();
  void syncFieldKind();
  void syncProfileMode();
  void syncContext(bool force);

  std::string displayText() const;
  bool enabled() const;
  bool isDisabled() const;
  bool hasSurrounding() const;
  bool hasComposition() const;

  // A replacement is in flight or its queue replay is still scheduled.
  bool outputPending() const { return replacing_ || draining_; }

 private:
  void applyAction(const QvlAction& action, KeyEvent* event, const std::string& before,
                   const std::optional<Key>& key);
  void applyPreedit(const std::string& text, uint32_t cursorUtf16, KeyEvent* event);
  void applyCommit(const std::string& text, bool forward, KeyEvent* event,
                   const std::optional<Key>& key);
  void startReplace(const std::string& text, uint32_t deleteChars, bool forward,
                    const std::optional<Key>& key, KeyEvent* event, uint32_t waitMs);
  void failSafe(KeyEvent* event, const std::optional<Key>& key);
  void scheduleReplaceCommit(uint32_t waitMs);
  void finishReplace();
  void dropPendingOutput();
  void flushWord();
  void schedulePostCommitDrain();
  void drainQueue();
  void refreshSurrounding();
  void updateSurroundingAfterDelete(uint32_t n);
  void updateSurroundingAfterCommit(const std::string& text);
  void updateSurroundingAfterKey(const Key& key);
  void clearPreedit();
  void forwardQueuedKey(const Key& key);
  std::unique_ptr<EventSourceTime> makeTimer(uint64_t delayUs, std::function<void()> callback);

  EventLoop& eventLoop_;
  InputContext* ic_;
  std::shared_ptr<ConfigStore> configStore_;
  QvlSession* session_ = nullptr;
  uint64_t configGeneration_ = 0;
  uint64_t userWordsGeneration_ = 0;
  std::string program_;
  uint32_t fieldKind_ = 0;
  bool replaceMode_ = false;
  bool clientDisabled_ = false;
  bool replacing_ = false;
  bool clientPreedit_ = false;
  bool hasPreedit_ = false;
  std::deque<QueuedKey> queue_;
  std::unique_ptr<EventSourceTime> replaceTimer_;
  std::unique_ptr<EventSourceTime> drainTimer_;
  std::string pendingText_;
  bool pendingForward_ = false;
  std::optional<Key> pendingKey_;
  bool draining_ = false;
};

}  // namespace fcitx

#endif
