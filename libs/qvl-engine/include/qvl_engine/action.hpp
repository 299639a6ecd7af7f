// What a session asks of the text field, and the kind of field it types in.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace qvl_engine::session {

// Told by the frontend. Password, Number and Email switch the session off;
// Url keeps composition but no macros and no w_as_u, bracket_keys or
// quick_telex; Terminal behaves as Normal.
enum class FieldKind : std::uint8_t {
  Normal = 0,
  Password = 1,
  Number = 2,
  Email = 3,
  Url = 4,
  Terminal = 5,
};

// One answer per call. Counts are characters of the texts as produced.
struct Action {
  enum class Kind : std::uint8_t { Pass = 0, Preedit = 1, Replace = 2, Commit = 3 };

  Kind kind = Kind::Pass;
  std::string text;
  std::uint32_t cursor = 0;        // Preedit: caret after this many characters
  std::uint32_t delete_count = 0;  // Replace: characters to delete before the cursor
  bool forward_key = false;        // Replace, Commit: deliver the key afterwards

  static Action pass() { return {}; }
  static Action preedit(std::string text, std::uint32_t cursor) {
    return {Kind::Preedit, std::move(text), cursor, 0, false};
  }
  static Action replace(std::string text, std::uint32_t delete_count, bool forward_key) {
    return {Kind::Replace, std::move(text), 0, delete_count, forward_key};
  }
  static Action commit(std::string text, bool forward_key) {
    return {Kind::Commit, std::move(text), 0, 0, forward_key};
  }

  bool operator==(const Action&) const = default;
};

}  // namespace qvl_engine::session
