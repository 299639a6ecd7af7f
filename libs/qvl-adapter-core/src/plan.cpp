#include "qvl_adapter_core/plan.hpp"

#include <algorithm>
#include <limits>
#include <utility>

#include "qvl_adapter_core/surrounding.hpp"
#include "qvl_unicode/unicode.hpp"

namespace qvl_adapter_core::plan {
namespace {

namespace sr = qvl_adapter_core::surrounding;

AdapterPlan make(PlanKind kind, const char* reason) {
  AdapterPlan p;
  p.kind = kind;
  p.reason = reason;
  return p;
}

AdapterPlan fail_safe(const char* reason) { return make(PlanKind::FailSafe, reason); }

AdapterPlan replace_plan(const AdapterAction& action, std::uint32_t delete_utf16,
                         std::uint32_t delete_chars, const AppProfile& profile,
                         const char* reason) {
  AdapterPlan p = make(PlanKind::Replace, reason);
  p.text = action.text;
  p.delete_utf16 = delete_utf16;
  p.delete_chars = delete_chars;
  p.wait_ms = timing::replace_wait_ms(profile, delete_chars);
  p.forward_key = action.forward_key;
  return p;
}

// The engine's text, or else the application's text before the cursor.
std::string_view source_text(const PlanContext& c) {
  if (!c.before_text.empty()) return c.before_text;
  if (c.surrounding) {
    if (const auto prefix = sr::utf16_prefix(*c.surrounding, c.cursor_utf16)) return *prefix;
  }
  return {};
}

AdapterPlan plan_replace(const AdapterAction& action, const PlanContext& c,
                         const AppProfile& profile) {
  const std::string_view source = source_text(c);
  std::uint32_t u = action.delete_count.n;
  if (action.delete_count.unit == DeleteCount::Unit::Chars) {
    const auto suffix = sr::char_suffix(source, action.delete_count.n);
    if (!suffix) return fail_safe("replace-suffix-out-of-range");
    u = sr::utf16_len(*suffix);
  }
  if (u == 0) {
    AdapterPlan p = make(PlanKind::Commit, "replace-no-delete");
    p.text = action.text;
    p.forward_key = action.forward_key;
    return p;
  }
  if (c.trusted) {
    const auto tail = sr::utf16_suffix(source, u);
    if (!tail) return fail_safe("replace-unverified-suffix");
    return replace_plan(action, u, static_cast<std::uint32_t>(qvl_unicode::char_count(*tail)),
                        profile, "replace-trusted-direct");
  }
  if (!c.surrounding) return fail_safe("replace-no-surrounding");
  const auto v =
      sr::check_replace(c.before_text, u, {*c.surrounding, c.cursor_utf16, c.anchor_utf16});
  if (!v) return fail_safe("replace-surrounding-mismatch");
  return replace_plan(action, v->delete_utf16, v->delete_chars, profile, "replace-verified");
}

}  // namespace

AdapterAction AdapterAction::preedit(std::string text, std::uint32_t cursor_utf16) {
  AdapterAction a;
  a.kind = Kind::Preedit;
  a.text = std::move(text);
  a.cursor_utf16 = cursor_utf16;
  return a;
}

AdapterAction AdapterAction::commit(std::string text, bool forward_key) {
  AdapterAction a;
  a.kind = Kind::Commit;
  a.text = std::move(text);
  a.forward_key = forward_key;
  return a;
}

AdapterAction AdapterAction::replace(std::string text, DeleteCount count, bool forward_key) {
  AdapterAction a;
  a.kind = Kind::Replace;
  a.text = std::move(text);
  a.delete_count = count;
  a.forward_key = forward_key;
  return a;
}

AdapterAction AdapterAction::from(const qvl_engine::session::Action& action) {
  using K = qvl_engine::session::Action::Kind;
  switch (action.kind) {
    case K::Pass:
      return none();
    case K::Preedit: {
      const std::uint32_t chars = static_cast<std::uint32_t>(
          std::min<std::size_t>(action.cursor, qvl_unicode::char_count(action.text)));
      return preedit(action.text, *sr::char_to_utf16_offset(action.text, chars));
    }
    case K::Replace:
      return replace(action.text, DeleteCount::chars(action.delete_count), action.forward_key);
    case K::Commit:
      return commit(action.text, action.forward_key);
  }
  return none();
}

AdapterPlan plan_action(const AdapterAction& action, const PlanContext& context,
                        const AppProfile& profile) {
  switch (context.field_kind) {
    case FieldKind::Password:
    case FieldKind::Number:
    case FieldKind::Email:
      return make(PlanKind::None, "field-disabled");
    default:
      break;
  }
  switch (action.kind) {
    case AdapterAction::Kind::None:
      return make(PlanKind::None, "engine-pass");
    case AdapterAction::Kind::Preedit: {
      AdapterPlan p = make(PlanKind::Preedit, "preedit");
      p.text = action.text;
      p.cursor_utf16 = action.cursor_utf16;
      return p;
    }
    case AdapterAction::Kind::Commit: {
      AdapterPlan p = make(PlanKind::Commit, "commit");
      p.text = action.text;
      p.forward_key = action.forward_key;
      return p;
    }
    case AdapterAction::Kind::Replace:
      return plan_replace(action, context, profile);
  }
  return make(PlanKind::None, "engine-pass");
}

AdapterPlan plan_action_with_fallback(const AdapterAction& action, const PlanContext& context,
                                      const AppProfile& profile, ReplaceFallback fallback) {
  AdapterPlan p = plan_action(action, context, profile);
  if (p.kind != PlanKind::FailSafe || action.kind != AdapterAction::Kind::Replace) return p;
  if (context.surrounding) {
    if (context.cursor_utf16 != context.anchor_utf16) return p;
    // The cursor inside a word: a blind edit would split it.
    if (const auto next = sr::next_codepoint(*context.surrounding, context.cursor_utf16);
        next && sr::is_word_codepoint(*next)) {
      return p;
    }
  }
  if (fallback == ReplaceFallback::Off) return p;
  if (fallback == ReplaceFallback::WhenSurrounding && !context.surrounding) return p;
  PlanContext trusted = context;
  trusted.trusted = true;
  return plan_action(action, trusted, profile);
}

std::optional<std::size_t> utf16_cursor_to_byte(std::string_view text, std::uint32_t u) {
  return sr::utf16_to_byte_offset(text, u);
}

}  // namespace qvl_adapter_core::plan

namespace qvl_adapter_core::timing {

std::uint32_t replace_wait_ms(const qvl_engine::ports::AppProfile& profile, std::uint32_t chars) {
  if (!profile.wait_ack) return 3;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
  const std::uint64_t per_char =
      std::min<std::uint64_t>(std::uint64_t{chars} * profile.delay_per_char_ms, kMax);
  const std::uint64_t w = std::min<std::uint64_t>(profile.backspace_delay_ms + per_char, kMax);
  return static_cast<std::uint32_t>(std::clamp<std::uint64_t>(w, 3, 60));
}

}  // namespace qvl_adapter_core::timing
