/*
 * SPDX-License-Identifier: LGPL-2.1-or-later
 */
#include "quorvel_state.h"

#include <fcitx-utils/capabilityflags.h>
#include <fcitx-utils/cutf8.h>
#include <fcitx-utils/log.h>
#include <fcitx-utils/textformatflags.h>
#include <fcitx/inputpanel.h>
#include <fcitx/surroundingtext.h>
#include <fcitx/text.h>
#include <fcitx/userinterface.h>

#include <ctime>
#include <exception>
#include <utility>

#include "config_store.h"

namespace fcitx {

namespace {

// Every key at its default, so that removing the file really restores the
// defaults when sent as a patch ("app_profiles": {} means the built-in ones).
constexpr const char* kDefaultConfig =
    "{\"input_method\":\"telex\",\"tone_style\":\"new\",\"spell_check\":true,"
    "\"w_as_u\":false,\"bracket_keys\":false,\"quick_telex\":false,"
    "\"allow_coda_k\":false,\"macro_enabled\":true,\"macro_digits\":false,"
    "\"macro_undo\":true,\"macro_in_off_mode\":false,\"macros\":{},"
    "\"auto_capitalize\":false,\"excluded_apps\":[],\"app_modes\":{},"
    "\"default_vietnamese\":true,\"edit_previous_word\":true,"
    "\"app_profiles\":{},\"restore_after_space\":true,\"smart_caps\":false,"
    "\"unicode_form\":\"NFC\",\"schema_version\":1}";

struct FieldInfo {
  uint32_t kind;
  bool disable;
};

FieldInfo fieldInfo(CapabilityFlags flags) {
  const bool disable = flags.test(CapabilityFlag::Disable);
  uint32_t kind = QVL_FIELD_NORMAL;
  if (flags.test(CapabilityFlag::Password) || disable) {
    kind = QVL_FIELD_PASSWORD;
  } else if (flags.test(CapabilityFlag::Url)) {
    kind = QVL_FIELD_URL;
  } else if (flags.test(CapabilityFlag::Sensitive)) {
    kind = QVL_FIELD_PASSWORD;
  } else if (flags.test(CapabilityFlag::Email)) {
    kind = QVL_FIELD_EMAIL;
  } else if (flags.test(CapabilityFlag::Digit) || flags.test(CapabilityFlag::Dialable) ||
             flags.test(CapabilityFlag::Number)) {
    kind = QVL_FIELD_NUMBER;
  } else if (flags.test(CapabilityFlag::Terminal)) {
    kind = QVL_FIELD_TERMINAL;
  }
  return {kind, disable};
}

bool kindDisables(uint32_t kind) {
  return kind == QVL_FIELD_PASSWORD || kind == QVL_FIELD_NUMBER || kind == QVL_FIELD_EMAIL;
}

// Byte offset of the cursor in text; the whole text when the engine cannot
// place it.
size_t cursorByte(const std::string& text, unsigned int cursor) {
  const int32_t offset = qvl_char_to_byte_offset(text.c_str(), cursor);
  if (offset < 0 || static_cast<size_t>(offset) > text.size()) {
    return text.size();
  }
  return static_cast<size_t>(offset);
}

}  // namespace

QuorvelState::QuorvelState(EventLoop& loop, InputContext* ic, std::shared_ptr<ConfigStore> store)
    : eventLoop_(loop), ic_(ic), configStore_(std::move(store)) {
  if (!ic_) {
    return;
  }
  const std::string text = configStore_ ? configStore_->text() : "";
  session_ = qvl_session_new(text.empty() ? nullptr : text.c_str(), QVL_OUTPUT_PREEDIT);
  if (!session_ && !text.empty()) {
    FCITX_WARN() << "quorvel: invalid config at startup, using defaults";
    session_ = qvl_session_new(nullptr, QVL_OUTPUT_PREEDIT);
  }
  configGeneration_ = configStore_ ? configStore_->generation() : 0;
  if (!session_) {
    FCITX_ERROR() << "quorvel: cannot create engine session";
  }
}

QuorvelState::~QuorvelState() {
  replaceTimer_.reset();
  drainTimer_.reset();
  queue_.clear();
  qvl_session_free(session_);
}

std::string QuorvelState::keyName(KeySym keysym, KeyStates states) {
  switch (keysym) {
    case FcitxKey_BackSpace:
      return "Backspace";
    case FcitxKey_Tab:
      return "Tab";
    case FcitxKey_Return:
    case FcitxKey_KP_Enter:
      return "Enter";
    case FcitxKey_Escape:
      return "Escape";
    case FcitxKey_Home:
      return "Home";
    case FcitxKey_End:
      return "End";
    case FcitxKey_Left:
      return "Left";
    case FcitxKey_Up:
      return "Up";
    case FcitxKey_Right:
      return "Right";
    case FcitxKey_Down:
      return "Down";
    case FcitxKey_Page_Up:
      return "PageUp";
    case FcitxKey_Page_Down:
      return "PageDown";
    case FcitxKey_Delete:
      return "Delete";
    default:
      break;
  }
  std::string text = Key::keySymToUTF8(keysym);
  if (text.size() == 1 && text[0] >= 'a' && text[0] <= 'z' && states.test(KeyState::Shift)) {
    text[0] = static_cast<char>(text[0] - 'a' + 'A');
  }
  return text;
}

void QuorvelState::keyEvent(KeyEvent& event) {
  if (!session_ || event.isRelease()) {
    return;
  }
  const Key raw = event.rawKey();
  const std::string name = keyName(raw.sym(), raw.states());
  if (name.empty()) {
    return;
  }
  const bool ctrl = raw.states().test(KeyState::Ctrl);
  const bool alt = raw.states().test(KeyState::Alt);
  const bool super = raw.states().test(KeyState::Super) || raw.states().test(KeyState::Meta);
  if (replacing_ || draining_) {
    event.filterAndAccept();
    queue_.push_back(QueuedKey{name, ctrl, alt, super, raw});
    return;
  }
  syncContext(false);
  if (isDisabled()) {
    return;
  }
  processKey(name, ctrl, alt, super, &event, raw);
}

void QuorvelState::processKey(const std::string& name, bool ctrl, bool alt, bool super,
                              KeyEvent* event, const std::optional<Key>& key) {
  if (!session_) {
    return;
  }
  refreshSurrounding();
  if (key && alt && !ctrl && !super && !key->states().test(KeyState::Shift) &&
      key->sym() == FcitxKey_comma) {
    toggleVietnamese();
    if (event) {
      event->filterAndAccept();
    }
    return;
  }
  std::string before = displayText();
  if (before.empty() && hasSurrounding()) {
    const auto& surrounding = ic_->surroundingText();
    before = surrounding.text().substr(0, cursorByte(surrounding.text(), surrounding.cursor()));
  }
  const QvlAction action = qvl_process_key(session_, name.c_str(), ctrl, alt, super);
  applyAction(action, event, before, key);
}

void QuorvelState::activate(const std::string& program) {
  if (!session_) {
    return;
  }
  syncConfig(true);
  syncUserWords();
  const std::string before = displayText();
  const QvlAction action = qvl_focus_changed(session_, program.empty() ? nullptr : program.c_str());
  program_ = program;
  applyAction(action, nullptr, before, std::nullopt);
  syncFieldKind();
  syncProfileMode();
}

// Queued keys are dropped; a replacement under way is completed first.
void QuorvelState::dropPendingOutput() {
  queue_.clear();
  drainTimer_.reset();
  draining_ = false;
  if (replacing_) {
    finishReplace();
    drainTimer_.reset();
    draining_ = false;
  }
}

// Ends the open word through the usual output and forgets it.
void QuorvelState::flushWord() {
  const std::string before = displayText();
  const QvlAction action = qvl_flush(session_);
  applyAction(action, nullptr, before, std::nullopt);
  qvl_reset(session_);
  clearPreedit();
  clientPreedit_ = false;
  hasPreedit_ = false;
}

void QuorvelState::deactivate(InputContextEvent& event) {
  if (!session_) {
    return;
  }
  dropPendingOutput();
  if (event.type() == EventType::InputContextFocusOut && clientPreedit_ && hasPreedit_) {
    // Fcitx or the client itself commits a client-drawn preedit on focus
    // out; committing it here as well would type it twice.
    qvl_reset(session_);
    clearPreedit();
    return;
  }
  flushWord();
}

void QuorvelState::reset() {
  if (!session_) {
    return;
  }
  dropPendingOutput();
  flushWord();
}

void QuorvelState::toggleVietnamese() {
  if (!session_ || isDisabled()) {
    return;
  }
  const std::string before = displayText();
  const QvlAction action = qvl_toggle_vietnamese(session_);
  applyAction(action, nullptr, before, std::nullopt);
}

void QuorvelState::syncConfig(bool force) {
  if (!session_ || !configStore_) {
    return;
  }
  configStore_->refresh(force);
  if (configStore_->generation() == configGeneration_) {
    return;
  }
  // Never change the configuration in the middle of a word.
  if (!force && !displayText().empty()) {
    return;
  }
  const std::string before = displayText();
  const std::string& text = configStore_->text();
  QvlAction action{};
  const bool applied =
      qvl_apply_config_json(session_, text.empty() ? kDefaultConfig : text.c_str(), &action);
  configGeneration_ = configStore_->generation();
  if (applied) {
    applyAction(action, nullptr, before, std::nullopt);
  } else {
    FCITX_WARN() << "quorvel: invalid config JSON, keeping previous config path="
                 << configStore_->path();
  }
}

void QuorvelState::syncUserWords() {
  if (!session_ || !configStore_) {
    return;
  }
  if (configStore_->userWordsGeneration() == userWordsGeneration_) {
    return;
  }
  if (!configStore_->userWords().empty()) {
    qvl_add_dictionary_words(session_, configStore_->userWords().c_str(), true);
  }
  userWordsGeneration_ = configStore_->userWordsGeneration();
}

void QuorvelState::syncProgram() {
  if (!session_ || !ic_) {
    return;
  }
  const std::string& program = ic_->program();
  if (program == program_) {
    return;
  }
  if (!displayText().empty()) {
    return;
  }
  const std::string before = displayText();
  const QvlAction action = qvl_focus_changed(session_, program.empty() ? nullptr : program.c_str());
  program_ = program;
  applyAction(action, nullptr, before, std::nullopt);
}

void QuorvelState::syncFieldKind() {
  if (!session_ || !ic_) {
    return;
  }
  const CapabilityFlags flags = ic_->capabilityFlags();
  const FieldInfo info = fieldInfo(flags);
  if (info.kind == fieldKind_ && info.disable == clientDisabled_) {
    return;
  }
  FCITX_DEBUG() << "quorvel: field kind " << fieldKind_ << " -> " << info.kind
                << " password=" << flags.test(CapabilityFlag::Password)
                << " sensitive=" << flags.test(CapabilityFlag::Sensitive)
                << " url=" << flags.test(CapabilityFlag::Url)
                << " email=" << flags.test(CapabilityFlag::Email)
                << " number=" << flags.test(CapabilityFlag::Number)
                << " terminal=" << flags.test(CapabilityFlag::Terminal);
  const bool wasDisabled = isDisabled();
  const std::string before = displayText();
  const QvlAction action = qvl_set_field_kind(session_, info.kind);
  fieldKind_ = info.kind;
  clientDisabled_ = info.disable;
  if (!wasDisabled && (kindDisables(info.kind) || info.disable)) {
    // Text typed so far must not land in a password field.
    qvl_reset(session_);
    clearPreedit();
    FCITX_INFO() << "quorvel: field became disabled, composition dropped";
    return;
  }
  applyAction(action, nullptr, before, std::nullopt);
  if (clientDisabled_) {
    FCITX_INFO() << "quorvel: field disabled by client flags";
  }
}

void QuorvelState::syncProfileMode() {
  if (!session_ || isDisabled()) {
    return;
  }
  const bool replace = qvl_profile_output_mode(session_) == 2 && hasSurrounding();
  if (replace == replaceMode_) {
    return;
  }
  const std::string before = displayText();
  const QvlAction action =
      qvl_set_output_mode(session_, replace ? QVL_OUTPUT_REPLACE : QVL_OUTPUT_PREEDIT);
  replaceMode_ = replace;
  applyAction(action, nullptr, before, std::nullopt);
}

void QuorvelState::syncContext(bool force) {
  syncConfig(force);
  syncUserWords();
  syncProgram();
  syncFieldKind();
  if (!isDisabled()) {
    syncProfileMode();
  }
}

std::string QuorvelState::displayText() const {
  if (!session_) {
    return {};
  }
  const char* text = qvl_display_text(session_);
  return text ? std::string(text) : std::string();
}

bool QuorvelState::enabled() const { return session_ && qvl_is_enabled(session_); }

bool QuorvelState::isDisabled() const { return clientDisabled_ || kindDisables(fieldKind_); }

bool QuorvelState::hasSurrounding() const {
  if (!ic_ || !ic_->capabilityFlags().test(CapabilityFlag::SurroundingText)) {
    return false;
  }
  const auto& surrounding = ic_->surroundingText();
  return surrounding.isValid() && surrounding.cursor() == surrounding.anchor();
}

bool QuorvelState::hasComposition() const { return hasPreedit_ || !displayText().empty(); }

void QuorvelState::applyAction(const QvlAction& action, KeyEvent* event, const std::string& before,
                               const std::optional<Key>& key) {
  if (!session_) {
    return;
  }
  const char* snapshot = nullptr;
  uint32_t cursor = 0;
  uint32_t anchor = 0;
  uint32_t fallback = QVL_FALLBACK_OFF;
  if (ic_ && ic_->capabilityFlags().test(CapabilityFlag::SurroundingText) &&
      ic_->surroundingText().isValid()) {
    const auto& surrounding = ic_->surroundingText();
    const int32_t c = qvl_char_to_utf16_offset(surrounding.text().c_str(), surrounding.cursor());
    const int32_t a = qvl_char_to_utf16_offset(surrounding.text().c_str(), surrounding.anchor());
    if (c >= 0 && a >= 0) {
      snapshot = surrounding.text().c_str();
      cursor = static_cast<uint32_t>(c);
      anchor = static_cast<uint32_t>(a);
      fallback = QVL_FALLBACK_WHEN_SURROUNDING;
    }
  }
  QvlPlan plan{};
  if (!qvl_plan_action_with_fallback(session_, &action, fieldKind_, before.c_str(), snapshot,
                                     cursor, anchor, false, fallback, &plan)) {
    failSafe(event, key);
    return;
  }
  const std::string text = plan.text ? plan.text : "";
  switch (plan.kind) {
    case QVL_PLAN_NONE:
      if (!event && key) {
        forwardQueuedKey(*key);
      }
      break;
    case QVL_PLAN_PREEDIT:
      applyPreedit(text, plan.cursor_utf16, event);
      break;
    case QVL_PLAN_COMMIT:
      applyCommit(text, plan.forward_key, event, key);
      break;
    case QVL_PLAN_REPLACE:
      if (plan.delete_chars == 0) {
        applyCommit(text, plan.forward_key, event, key);
      } else {
        startReplace(text, plan.delete_chars, plan.forward_key, key, event, plan.wait_ms);
      }
      break;
    default:
      failSafe(event, key);
      break;
  }
}

void QuorvelState::applyPreedit(const std::string& text, uint32_t cursorUtf16, KeyEvent* event) {
  if (!ic_) {
    return;
  }
  ic_->inputPanel().reset();
  clientPreedit_ = false;
  hasPreedit_ = !text.empty();
  if (!text.empty()) {
    Text preedit;
    preedit.append(text, TextFormatFlag::Underline);
    const int32_t offset = qvl_utf16_to_byte_offset(text.c_str(), cursorUtf16);
    preedit.setCursor(offset < 0 || static_cast<size_t>(offset) > text.size()
                          ? static_cast<int>(text.size())
                          : offset);
    if (ic_->capabilityFlags().test(CapabilityFlag::Preedit)) {
      ic_->inputPanel().setClientPreedit(preedit);
      clientPreedit_ = true;
    } else {
      ic_->inputPanel().setPreedit(preedit);
    }
  }
  ic_->updatePreedit();
  ic_->updateUserInterface(UserInterfaceComponent::InputPanel);
  if (event) {
    event->filterAndAccept();
  }
}

void QuorvelState::applyCommit(const std::string& text, bool forward, KeyEvent* event,
                               const std::optional<Key>& key) {
  if (!ic_) {
    return;
  }
  if (!text.empty()) {
    ic_->commitString(text);
    updateSurroundingAfterCommit(text);
  }
  clearPreedit();
  if (event) {
    // With forward set the key goes on to the application after the text.
    if (!forward) {
      event->filterAndAccept();
    }
  } else if (forward && key) {
    forwardQueuedKey(*key);
  }
}

void QuorvelState::startReplace(const std::string& text, uint32_t deleteChars, bool forward,
                                const std::optional<Key>& key, KeyEvent* event, uint32_t waitMs) {
  if (!ic_ || replacing_) {
    return;
  }
  replacing_ = true;
  pendingText_ = text;
  pendingForward_ = forward;
  pendingKey_ = key;
  ic_->deleteSurroundingText(-static_cast<int>(deleteChars), deleteChars);
  updateSurroundingAfterDelete(deleteChars);
  if (event) {
    event->filterAndAccept();
  }
  scheduleReplaceCommit(waitMs);
}

void QuorvelState::failSafe(KeyEvent* event, const std::optional<Key>& key) {
  FCITX_WARN() << "quorvel: plan fail-safe, not touching surrounding text";
  // Only a composition shown as a preedit would be lost; a word that is
  // already in the application's text must not be typed a second time.
  const std::string display = displayText();
  if (!display.empty() && hasPreedit_) {
    if (ic_) {
      ic_->commitString(display);
      updateSurroundingAfterCommit(display);
    }
  }
  qvl_reset(session_);
  clearPreedit();
  if (!event && key) {
    forwardQueuedKey(*key);
  }
}

std::unique_ptr<EventSourceTime> QuorvelState::makeTimer(uint64_t delayUs,
                                                         std::function<void()> callback) {
  try {
    auto timer =
        eventLoop_.addTimeEvent(CLOCK_MONOTONIC, now(CLOCK_MONOTONIC) + delayUs, 1000,
                                [callback = std::move(callback)](EventSourceTime*, uint64_t) {
                                  // The callback may destroy this timer, and this closure with
                                  // it: run a copy.
                                  auto run = callback;
                                  run();
                                  return true;
                                });
    if (timer) {
      timer->setOneShot();
    }
    return timer;
  } catch (const std::exception&) {
    return nullptr;
  }
}

void QuorvelState::scheduleReplaceCommit(uint32_t waitMs) {
  replaceTimer_ = makeTimer(uint64_t{waitMs} * 1000, [this]() {
    auto spent = std::move(replaceTimer_);
    finishReplace();
  });
  if (!replaceTimer_) {
    finishReplace();
  }
}

void QuorvelState::finishReplace() {
  if (!replacing_) {
    return;
  }
  replacing_ = false;
  replaceTimer_.reset();
  if (ic_) {
    if (!pendingText_.empty()) {
      ic_->commitString(pendingText_);
      updateSurroundingAfterCommit(pendingText_);
    }
    clearPreedit();
    if (pendingForward_ && pendingKey_) {
      forwardQueuedKey(*pendingKey_);
    }
  }
  pendingText_.clear();
  pendingForward_ = false;
  pendingKey_.reset();
  schedulePostCommitDrain();
}

void QuorvelState::schedulePostCommitDrain() {
  drainTimer_.reset();
  draining_ = true;
  drainTimer_ = makeTimer(10000, [this]() {
    draining_ = false;
    auto spent = std::move(drainTimer_);
    drainQueue();
  });
  if (!drainTimer_) {
    draining_ = false;
    drainQueue();
  }
}

void QuorvelState::drainQueue() {
  while (!replacing_ && !draining_ && !queue_.empty()) {
    QueuedKey k = std::move(queue_.front());
    queue_.pop_front();
    syncContext(false);
    if (isDisabled()) {
      forwardQueuedKey(k.key);
    } else {
      processKey(k.name, k.ctrl, k.alt, k.super, nullptr, k.key);
    }
  }
}

void QuorvelState::refreshSurrounding() {
  if (!session_) {
    return;
  }
  if (!hasSurrounding()) {
    qvl_set_surrounding_text(session_, nullptr);
    return;
  }
  const auto& surrounding = ic_->surroundingText();
  const std::string& text = surrounding.text();
  const unsigned int cursor = surrounding.cursor();
  if (cursor < fcitx_utf8_strnlen(text.c_str(), text.size())) {
    const int32_t offset = qvl_char_to_byte_offset(text.c_str(), cursor);
    if (offset >= 0 && static_cast<size_t>(offset) < text.size()) {
      const uint32_t c = fcitx_utf8_get_char_validated(
          text.c_str() + offset, static_cast<int>(text.size() - offset), nullptr);
      if (qvl_is_word_codepoint(c)) {
        // Inside a word: nothing before the cursor may be edited.
        qvl_set_surrounding_text(session_, nullptr);
        return;
      }
    }
  }
  const std::string before = text.substr(0, cursorByte(text, cursor));
  qvl_set_surrounding_text(session_, before.c_str());
}

void QuorvelState::updateSurroundingAfterDelete(uint32_t n) {
  if (!ic_ || n == 0) {
    return;
  }
  auto& surrounding = ic_->surroundingText();
  if (!surrounding.isValid()) {
    return;
  }
  if (surrounding.cursor() < n) {
    surrounding.invalidate();
  } else {
    surrounding.deleteText(-static_cast<int>(n), n);
  }
}

void QuorvelState::updateSurroundingAfterCommit(const std::string& text) {
  if (!ic_) {
    return;
  }
  auto& surrounding = ic_->surroundingText();
  if (!surrounding.isValid()) {
    return;
  }
  const std::string current = surrounding.text();
  const unsigned int cursor = surrounding.cursor();
  const int32_t offset = qvl_char_to_byte_offset(current.c_str(), cursor);
  size_t p = offset < 0 ? current.size() : static_cast<size_t>(offset);
  if (p > current.size()) {
    surrounding.invalidate();
    return;
  }
  const auto n = static_cast<unsigned int>(fcitx_utf8_strnlen(text.c_str(), text.size()));
  surrounding.setText(current.substr(0, p) + text + current.substr(p), cursor + n, cursor + n);
}

void QuorvelState::clearPreedit() {
  if (!ic_) {
    return;
  }
  ic_->inputPanel().reset();
  ic_->updatePreedit();
  ic_->updateUserInterface(UserInterfaceComponent::InputPanel);
  clientPreedit_ = false;
  hasPreedit_ = false;
}

void QuorvelState::forwardQueuedKey(const Key& key) {
  if (!ic_) {
    return;
  }
  ic_->forwardKey(key, false);
  ic_->forwardKey(key, true);
  updateSurroundingAfterKey(key);
}

void QuorvelState::updateSurroundingAfterKey(const Key& key) {
  // The queue is replayed in one go, long before the application reports
  // what a forwarded key did; without this the next replayed key would be
  // planned against text that lacks it.
  auto& surrounding = ic_->surroundingText();
  if (!surrounding.isValid()) {
    return;
  }
  const bool plain = !key.states().testAny(
      KeyStates{KeyState::Ctrl, KeyState::Alt, KeyState::Super, KeyState::Meta});
  if (plain && surrounding.cursor() == surrounding.anchor()) {
    if (key.sym() == FcitxKey_BackSpace) {
      updateSurroundingAfterDelete(1);
      return;
    }
    const std::string name = keyName(key.sym(), key.states());
    const uint32_t c = fcitx_utf8_get_char_validated(name.c_str(), name.size(), nullptr);
    if (!name.empty() && fcitx_utf8_strnlen(name.c_str(), name.size()) == 1 && c >= 0x20 &&
        c != 0x7f) {
      updateSurroundingAfterCommit(name);
      return;
    }
  }
  // Anything else (Enter, arrows, shortcuts): what the application made of
  // it is unknown.
  surrounding.invalidate();
}

}  // namespace fcitx
