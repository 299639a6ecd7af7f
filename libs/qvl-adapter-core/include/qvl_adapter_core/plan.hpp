// How an engine action is carried out against the application's text:
// preedit, commit, an in-place replacement with exact deletion counts, or a
// fail-safe refusal to touch the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "qvl_engine/action.hpp"
#include "qvl_engine/config.hpp"

namespace qvl_adapter_core::plan {

using qvl_engine::ports::AppProfile;
using qvl_engine::session::FieldKind;

struct DeleteCount {
  enum class Unit : std::uint8_t { Chars, Utf16 };
  Unit unit = Unit::Utf16;
  std::uint32_t n = 0;

  static DeleteCount chars(std::uint32_t n) { return {Unit::Chars, n}; }
  static DeleteCount utf16(std::uint32_t n) { return {Unit::Utf16, n}; }
  bool operator==(const DeleteCount&) const = default;
};

struct AdapterAction {
  enum class Kind : std::uint8_t { None, Preedit, Commit, Replace };

  Kind kind = Kind::None;
  std::string text;
  std::uint32_t cursor_utf16 = 0;  // Preedit
  DeleteCount delete_count;        // Replace
  bool forward_key = false;        // Commit, Replace

  static AdapterAction none() { return {}; }
  static AdapterAction preedit(std::string text, std::uint32_t cursor_utf16);
  static AdapterAction commit(std::string text, bool forward_key);
  static AdapterAction replace(std::string text, DeleteCount count, bool forward_key);
  static AdapterAction from(const qvl_engine::session::Action& action);
};

// A snapshot of the field, borrowed for one call.
struct PlanContext {
  std::string_view before_text;
  std::optional<std::string_view> surrounding;
  std::uint32_t cursor_utf16 = 0;
  std::uint32_t anchor_utf16 = 0;
  FieldKind field_kind = FieldKind::Normal;
  bool trusted = false;
};

enum class PlanKind : std::uint8_t { None = 0, Preedit = 1, Commit = 2, Replace = 3, FailSafe = 4 };

struct AdapterPlan {
  PlanKind kind = PlanKind::None;
  std::string text;
  const char* reason = "";
  std::uint32_t cursor_utf16 = 0;
  std::uint32_t delete_utf16 = 0;
  std::uint32_t delete_chars = 0;
  std::uint32_t wait_ms = 0;
  bool forward_key = false;
};

enum class ReplaceFallback : std::uint8_t { Off = 0, WhenSurrounding = 1, Always = 2 };

AdapterPlan plan_action(const AdapterAction& action, const PlanContext& context,
                        const AppProfile& profile);
// A second chance, as trusted, for a replacement that failed verification
// while nothing visible argues against editing blindly.
AdapterPlan plan_action_with_fallback(const AdapterAction& action, const PlanContext& context,
                                      const AppProfile& profile, ReplaceFallback fallback);

// The same as surrounding::utf16_to_byte_offset.
std::optional<std::size_t> utf16_cursor_to_byte(std::string_view text, std::uint32_t u);

}  // namespace qvl_adapter_core::plan

namespace qvl_adapter_core::timing {

// The wait between deleting and committing: 3 ms unless the application
// acknowledges edits, then its delays, clamped to 3…60 ms.
std::uint32_t replace_wait_ms(const qvl_engine::ports::AppProfile& profile, std::uint32_t chars);

}  // namespace qvl_adapter_core::timing
