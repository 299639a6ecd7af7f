// The C interface. Every entry point converts its inputs, runs the engine
// and converts the answer; no exception leaves this file.
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "ffi_session.hpp"
#include "qvl.h"
#include "qvl_adapter_core/plan.hpp"
#include "qvl_adapter_core/surrounding.hpp"
#include "qvl_core/charset.hpp"
#include "qvl_core/internal_error.hpp"
#include "qvl_engine/profiles.hpp"
#include "qvl_unicode/unicode.hpp"

namespace ports = qvl_engine::ports;
namespace session = qvl_engine::session;
namespace plan = qvl_adapter_core::plan;
namespace sr = qvl_adapter_core::surrounding;

namespace qvl_ffi {

ports::WordListDictionary& Shared::writable_dictionary() {
  if (!own_dictionary_ || dictionary.get() != own_dictionary_.get()) {
    own_dictionary_ = std::make_shared<ports::WordListDictionary>(*dictionary);
    dictionary = own_dictionary_;
  }
  return *own_dictionary_;
}

void testing::fail_next_call(QvlSession* session) {
  if (session) session->fail_next_call = true;
}

namespace {

class SharedConfigStore final : public ports::ConfigStore {
 public:
  explicit SharedConfigStore(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
  ports::Config load() override { return shared_->config; }
  void save(const ports::Config& config) override {
    shared_->config = config;
    ++shared_->config_version;
  }

 private:
  std::shared_ptr<Shared> shared_;
};

class SharedAppContext final : public ports::AppContext {
 public:
  explicit SharedAppContext(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
  std::optional<std::string> current_app() override { return shared_->app_id; }

 private:
  std::shared_ptr<Shared> shared_;
};

class SharedSurroundingText final : public ports::SurroundingText {
 public:
  explicit SharedSurroundingText(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
  std::optional<std::string> before_cursor(std::size_t max_chars) override {
    if (!shared_->surrounding) return std::nullopt;
    return std::string(ports::last_chars(*shared_->surrounding, max_chars));
  }

 private:
  std::shared_ptr<Shared> shared_;
};

class SharedDictionary final : public ports::Dictionary {
 public:
  explicit SharedDictionary(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
  bool is_english(std::string_view word) const override {
    return shared_->dictionary->is_english(word);
  }
  bool is_vietnamese(std::string_view word) const override {
    return shared_->dictionary->is_vietnamese(word);
  }

 private:
  std::shared_ptr<Shared> shared_;
};

std::string decoded(const char* text) { return qvl_unicode::sanitize(text); }

// A string holding U+0000 cannot cross as a C string: it is stored as "".
const char* store(std::string& slot, std::string value) {
  if (value.find('\0') != std::string::npos) value.clear();
  slot = std::move(value);
  return slot.c_str();
}

std::uint32_t utf16_units(char32_t cp) { return cp >= 0x10000 ? 2 : 1; }

// UTF-16 units of the last n characters of `before`. When `before` holds
// fewer, each missing character counts one unit: the deletion is never
// reported smaller than asked, so that the planner fails safe rather than
// leaving part of the text behind.
std::uint32_t delete_units(std::string_view before, std::uint32_t n) {
  const std::size_t have = qvl_unicode::char_count(before);
  const std::size_t skip = have > n ? have - n : 0;
  std::uint64_t units = have < n ? n - have : 0;
  std::size_t index = 0;
  qvl_unicode::for_each_char(before, [&](char32_t cp) {
    if (index++ >= skip) units += utf16_units(cp);
  });
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(units, UINT32_MAX));
}

}  // namespace

QvlAction to_c_action(QvlSession* s, const session::Action& action, std::string_view before) {
  QvlAction out{};
  using K = session::Action::Kind;
  switch (action.kind) {
    case K::Pass:
      return out;
    case K::Preedit: {
      out.kind = QVL_ACTION_PREEDIT;
      const std::uint32_t chars = static_cast<std::uint32_t>(
          std::min<std::size_t>(action.cursor, qvl_unicode::char_count(action.text)));
      out.cursor_utf16 = *sr::char_to_utf16_offset(action.text, chars);
      break;
    }
    case K::Replace:
      out.kind = QVL_ACTION_REPLACE;
      out.delete_utf16 = delete_units(before, action.delete_count);
      out.forward_key = action.forward_key;
      break;
    case K::Commit:
      out.kind = QVL_ACTION_COMMIT;
      out.forward_key = action.forward_key;
      break;
  }
  out.text = store(s->action_text, action.text);
  return out;
}

namespace {

// Runs f; on any failure resets the session and gives the neutral result.
template <class R, class F>
R guarded(QvlSession* s, R neutral, F&& f) noexcept {
  try {
    if (s->fail_next_call) {
      s->fail_next_call = false;
      throw qvl_core::InternalError("injected failure");
    }
    return f();
  } catch (...) {
    try {
      if (s->engine) s->engine->reset();
    } catch (...) {
    }
    return neutral;
  }
}

// Runs a call that yields an engine action. Key calls may delete text
// beyond the open word (several-word macros, macros typed while off, undo,
// restore), so their deletions are counted over the text before the cursor
// when the frontend supplied it; in replace mode it ends with the display.
template <class F>
QvlAction run_action(QvlSession* s, bool key_call, F&& f) noexcept {
  return guarded(s, QvlAction{}, [&] {
    std::string before = s->engine->display();
    if (key_call && s->shared->surrounding) before = *s->shared->surrounding;
    const session::Action action = f();
    return to_c_action(s, action, before);
  });
}

session::FieldKind field_kind_of(std::uint32_t kind) {
  return kind <= 5 ? static_cast<session::FieldKind>(kind) : session::FieldKind::Normal;
}

bool is_scalar(std::uint32_t cp) { return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF); }

const std::shared_ptr<const ports::WordListDictionary>& default_dictionary() {
  return ports::WordListDictionary::shared_default();
}

}  // namespace
}  // namespace qvl_ffi

namespace qvl_ffi {
namespace {
// An offset helper on the decoded text; -1 for NULL or no such position.
template <class F>
int32_t offset_of(const char* text, std::uint32_t n, F&& offset) noexcept {
  if (!text) return -1;
  try {
    const auto value = offset(decoded(text), n);
    if (!value || *value > static_cast<std::size_t>(INT32_MAX)) return -1;
    return static_cast<int32_t>(*value);
  } catch (...) {
    return -1;
  }
}
}  // namespace
}  // namespace qvl_ffi

namespace qvl_ffi {
namespace {
void insert_words(ports::WordSet& set, std::string_view text) {
  for (std::string_view word : ports::split_words(text)) set.insert(qvl_unicode::to_lower(word));
}
}  // namespace
}  // namespace qvl_ffi

using namespace qvl_ffi;

extern "C" {

QvlSession* qvl_session_new(const char* config_json, uint32_t output_mode) {
  try {
    ports::Config config;
    if (config_json) {
      auto result = ports::Config::read(decoded(config_json));
      if (!result.ok()) return nullptr;
      config = std::move(*result.config);
    }
    auto shared = std::make_shared<Shared>();
    shared->config = std::move(config);
    shared->dictionary = default_dictionary();
    auto s = std::make_unique<QvlSession>();
    s->shared = shared;
    session::Ports ports{std::make_unique<SharedConfigStore>(shared),
                         std::make_unique<SharedAppContext>(shared),
                         std::make_unique<SharedSurroundingText>(shared),
                         std::make_unique<SharedDictionary>(shared)};
    s->engine =
        std::make_unique<session::ImeSession>(std::move(ports), output_mode == QVL_OUTPUT_REPLACE);
    return s.release();
  } catch (...) {
    return nullptr;
  }
}

void qvl_session_free(QvlSession* session) {
  try {
    delete session;
  } catch (...) {
  }
}

QvlAction qvl_process_key(QvlSession* s, const char* key_name, bool ctrl, bool alt, bool super) {
  if (!s || !key_name) return QvlAction{};
  return run_action(s, true, [&] {
    const std::string name = decoded(key_name);
    return s->engine->process_key(session::KeyEvent{session::Key::parse(name), ctrl, alt, super});
  });
}

QvlAction qvl_process_char(QvlSession* s, uint32_t code_point, bool ctrl, bool alt, bool super) {
  if (!s || !is_scalar(code_point)) return QvlAction{};
  return run_action(s, true, [&] {
    return s->engine->process_key(session::KeyEvent{
        session::Key::character(static_cast<char32_t>(code_point)), ctrl, alt, super});
  });
}

void qvl_reset(QvlSession* s) {
  if (!s) return;
  guarded(s, 0, [&] {
    s->engine->reset();
    return 0;
  });
}

QvlAction qvl_flush(QvlSession* s) {
  if (!s) return QvlAction{};
  return run_action(s, false, [&] { return s->engine->flush_composition(); });
}

QvlAction qvl_focus_changed(QvlSession* s, const char* app_id) {
  if (!s) return QvlAction{};
  return run_action(s, false, [&] {
    if (app_id) {
      s->shared->app_id = decoded(app_id);
    } else {
      s->shared->app_id.reset();
    }
    const std::optional<std::string> id = s->shared->app_id;
    return s->engine->focus_changed(id ? std::optional<std::string_view>(*id) : std::nullopt);
  });
}

QvlAction qvl_cursor_moved(QvlSession* s) {
  if (!s) return QvlAction{};
  return run_action(s, false, [&] { return s->engine->cursor_moved(); });
}

void qvl_set_surrounding_text(QvlSession* s, const char* text) {
  if (!s) return;
  guarded(s, 0, [&] {
    if (text) {
      s->shared->surrounding = decoded(text);
    } else {
      s->shared->surrounding.reset();
    }
    return 0;
  });
}

QvlAction qvl_set_field_kind(QvlSession* s, uint32_t kind) {
  if (!s) return QvlAction{};
  return run_action(s, false, [&] { return s->engine->set_field_kind(field_kind_of(kind)); });
}

QvlAction qvl_set_output_mode(QvlSession* s, uint32_t mode) {
  if (!s) return QvlAction{};
  return run_action(s, false, [&] {
    return s->engine->set_output_mode(mode == QVL_OUTPUT_REPLACE ? ports::OutputMode::Replace
                                                                 : ports::OutputMode::Preedit);
  });
}

QvlAction qvl_toggle_vietnamese(QvlSession* s) {
  if (!s) return QvlAction{};
  return run_action(s, false, [&] { return s->engine->toggle_vietnamese(); });
}

bool qvl_is_enabled(QvlSession* s) {
  if (!s) return false;
  return guarded(s, false, [&] { return s->engine->vietnamese(); });
}

const char* qvl_display_text(QvlSession* s) {
  if (!s) return nullptr;
  return guarded(s, static_cast<const char*>(nullptr),
                 [&] { return store(s->display_text, s->engine->display()); });
}

uint32_t qvl_profile_output_mode(QvlSession* s) {
  if (!s) return 0;
  return guarded(s, 0u, [&]() -> uint32_t {
    const auto& mode = s->engine->profile().output_mode;
    if (!mode) return 0;
    return *mode == ports::OutputMode::Replace ? 2 : 1;
  });
}

uint32_t qvl_profile_backspace_delay_ms(QvlSession* s) {
  if (!s) return 0;
  return guarded(s, 0u, [&] { return s->engine->profile().backspace_delay_ms; });
}

uint32_t qvl_profile_delay_per_char_ms(QvlSession* s) {
  if (!s) return 0;
  return guarded(s, 0u, [&] { return s->engine->profile().delay_per_char_ms; });
}

bool qvl_profile_wait_ack(QvlSession* s) {
  if (!s) return false;
  return guarded(s, false, [&] { return s->engine->profile().wait_ack; });
}

bool qvl_plan_action_with_fallback(QvlSession* s, const QvlAction* action, uint32_t field_kind,
                                   const char* before_text, const char* surrounding_text,
                                   uint32_t cursor_utf16, uint32_t anchor_utf16, bool trusted,
                                   uint32_t fallback, QvlPlan* out) {
  if (fallback > 2 || !action || !out || action->kind > 3 || !s) return false;
  return guarded(s, false, [&] {
    std::string text = action->text ? decoded(action->text) : std::string();
    plan::AdapterAction adapter;
    switch (action->kind) {
      case QVL_ACTION_PASS:
        adapter = plan::AdapterAction::none();
        break;
      case QVL_ACTION_PREEDIT:
        adapter = plan::AdapterAction::preedit(std::move(text), action->cursor_utf16);
        break;
      case QVL_ACTION_REPLACE:
        adapter = plan::AdapterAction::replace(
            std::move(text), plan::DeleteCount::utf16(action->delete_utf16), action->forward_key);
        break;
      default:
        adapter = plan::AdapterAction::commit(std::move(text), action->forward_key);
        break;
    }
    const std::string before = before_text ? decoded(before_text) : std::string();
    std::optional<std::string> surrounding;
    if (surrounding_text) surrounding = decoded(surrounding_text);
    plan::PlanContext context;
    context.before_text = before;
    if (surrounding) context.surrounding = std::string_view(*surrounding);
    context.cursor_utf16 = cursor_utf16;
    context.anchor_utf16 = anchor_utf16;
    context.field_kind = field_kind_of(field_kind);
    context.trusted = trusted;
    const plan::AdapterPlan p = plan::plan_action_with_fallback(
        adapter, context, s->engine->profile(), static_cast<plan::ReplaceFallback>(fallback));
    QvlPlan result{};
    result.kind = static_cast<uint32_t>(p.kind);
    result.delete_utf16 = p.delete_utf16;
    result.delete_chars = p.delete_chars;
    result.cursor_utf16 = p.cursor_utf16;
    result.wait_ms = p.wait_ms;
    result.forward_key = p.forward_key;
    result.text = p.text.empty() ? nullptr : store(s->plan_text, p.text);
    *out = result;
    return true;
  });
}

bool qvl_plan_action(QvlSession* s, const QvlAction* action, uint32_t field_kind,
                     const char* before_text, const char* surrounding_text, uint32_t cursor_utf16,
                     uint32_t anchor_utf16, bool trusted, QvlPlan* out) {
  return qvl_plan_action_with_fallback(s, action, field_kind, before_text, surrounding_text,
                                       cursor_utf16, anchor_utf16, trusted, QVL_FALLBACK_OFF, out);
}

int32_t qvl_char_to_byte_offset(const char* text, uint32_t chars) {
  return offset_of(text, chars,
                   [](const std::string& t, uint32_t n) { return sr::char_to_byte_offset(t, n); });
}

int32_t qvl_char_to_utf16_offset(const char* text, uint32_t chars) {
  return offset_of(text, chars,
                   [](const std::string& t, uint32_t n) { return sr::char_to_utf16_offset(t, n); });
}

int32_t qvl_utf16_to_byte_offset(const char* text, uint32_t units) {
  return offset_of(text, units,
                   [](const std::string& t, uint32_t n) { return sr::utf16_to_byte_offset(t, n); });
}

bool qvl_is_word_codepoint(uint32_t cp) {
  return is_scalar(cp) && sr::is_word_codepoint(static_cast<char32_t>(cp));
}

const char* qvl_version(void) { return "0.1.2"; }

const char* qvl_config_json(QvlSession* s) {
  if (!s) return nullptr;
  return guarded(s, static_cast<const char*>(nullptr),
                 [&] { return store(s->json_text, s->shared->config.write()); });
}

const char* qvl_app_profile_json(QvlSession* s) {
  if (!s) return nullptr;
  return guarded(s, static_cast<const char*>(nullptr),
                 [&] { return store(s->json_text, s->engine->profile().write()); });
}

bool qvl_apply_config_json(QvlSession* s, const char* patch_json, QvlAction* out) {
  if (!patch_json || !s) return false;
  return guarded(s, false, [&] {
    const std::string patch = decoded(patch_json);
    const std::string before = s->engine->display();
    auto result = s->shared->config.apply_json_patch(patch);
    if (!result.ok()) return false;
    s->shared->config = std::move(*result.config);
    const session::Action action = s->engine->reload_config();
    if (out) *out = to_c_action(s, action, before);
    return true;
  });
}

bool qvl_set_config_json(QvlSession* s, const char* patch_json) {
  return qvl_apply_config_json(s, patch_json, nullptr);
}

uint64_t qvl_config_version(QvlSession* s) {
  if (!s) return 0;
  return s->shared->config_version;
}

const char* qvl_config_check(QvlSession* s, const char* config_json) {
  if (!s || !config_json) return nullptr;
  return guarded(s, static_cast<const char*>(nullptr), [&]() -> const char* {
    const auto result = ports::Config::read(decoded(config_json));
    if (result.ok()) return nullptr;
    return store(s->json_text, result.error.empty() ? "rejected" : result.error);
  });
}

void qvl_load_dictionary(QvlSession* s, const char* english, const char* vietnamese) {
  if ((!english && !vietnamese) || !s) return;
  guarded(s, 0, [&] {
    auto& dictionary = s->shared->writable_dictionary();
    if (english) {
      ports::WordSet words;
      insert_words(words, decoded(english));
      dictionary.english() = std::move(words);
    }
    if (vietnamese) {
      ports::WordSet words;
      insert_words(words, decoded(vietnamese));
      dictionary.vietnamese() = std::move(words);
    }
    return 0;
  });
}

void qvl_add_dictionary_words(QvlSession* s, const char* text, bool vietnamese) {
  if (!text || !s) return;
  guarded(s, 0, [&] {
    auto& dictionary = s->shared->writable_dictionary();
    insert_words(vietnamese ? dictionary.vietnamese() : dictionary.english(), decoded(text));
    return 0;
  });
}

const char* qvl_charset_encode(QvlSession* s, const char* charset, const char* text) {
  if (!s || !charset || !text) return nullptr;
  return guarded(s, static_cast<const char*>(nullptr), [&] {
    return store(s->charset_text, qvl_core::charset::encode(decoded(text), decoded(charset)));
  });
}

const char* qvl_charset_decode(QvlSession* s, const char* charset, const char* text) {
  if (!s || !charset || !text) return nullptr;
  return guarded(s, static_cast<const char*>(nullptr), [&] {
    return store(s->charset_text, qvl_core::charset::decode(decoded(text), decoded(charset)));
  });
}

const char* qvl_charset_decode_bytes(QvlSession* s, const char* charset, const uint8_t* data,
                                     size_t length) {
  if (!s || !charset || !data) return nullptr;
  return guarded(s, static_cast<const char*>(nullptr), [&] {
    const std::string_view bytes(reinterpret_cast<const char*>(data), length);
    return store(s->charset_text, qvl_core::charset::decode_bytes(bytes, decoded(charset)));
  });
}

const uint8_t* qvl_charset_encode_bytes(QvlSession* s, const char* charset, const char* text,
                                        size_t* out_length) {
  if (!s || !charset || !text) return nullptr;
  return guarded(s, static_cast<const uint8_t*>(nullptr), [&]() -> const uint8_t* {
    auto bytes = qvl_core::charset::encode_bytes(decoded(text), decoded(charset));
    if (!bytes) return nullptr;
    s->charset_bytes.assign(bytes->begin(), bytes->end());
    // A non-NULL pointer even for no bytes.
    if (s->charset_bytes.capacity() == 0) s->charset_bytes.reserve(1);
    if (out_length) *out_length = s->charset_bytes.size();
    return s->charset_bytes.data();
  });
}

const char* qvl_charset_list(void) {
  static const std::string* list = [] {
    auto* text = new std::string;
    for (std::string_view id : qvl_core::charset::CHARSET_IDS) {
      text->append(id);
      text->push_back('\t');
      text->append(qvl_core::charset::display_name(id).value_or(id));
      text->push_back('\n');
    }
    return text;
  }();
  return list->c_str();
}

}  // extern "C"
