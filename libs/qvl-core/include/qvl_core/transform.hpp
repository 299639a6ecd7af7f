// The word composer: the keys of one word, under one rule table, become
// Vietnamese text, or come back as typed when the word cannot be Vietnamese.
// Also the way back, from text to keys that type it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "qvl_core/rules.hpp"
#include "vi_syllable/vi_syllable.hpp"

namespace qvl_core::transform {

using rules::InputMethodSpec;
using vi_syllable::Mark;
using vi_syllable::SyllableStatus;
using vi_syllable::ToneStyle;

// Only this many keys of a word are stepped; the rest are kept as typed.
inline constexpr std::size_t MAX_KEYS = 24;
// Every stepped key adds at most one letter, so this never fills up.
inline constexpr std::size_t MAX_LETTERS = 32;

struct ComposeOptions {
  ToneStyle tone_style = ToneStyle::New;
  bool spell_check = true;
  bool w_as_u = true;
  bool bracket_keys = false;
  bool quick_telex = false;
  bool allow_coda_k = false;

  bool operator==(const ComposeOptions&) const = default;
};

struct ComposeResult {
  std::string text;
  std::string alternative;
  // `text` is the keys as typed because the word was rejected.
  bool restored = false;
  SyllableStatus status = SyllableStatus::Incomplete;

  bool operator==(const ComposeResult&) const = default;
};

struct Letter {
  char32_t base = 0;  // lower case, without mark
  bool upper = false;
  bool from_key = false;  // produced by a standalone or insert key
  // On the u of a horned uo pair: shown as plain u while the pair ends the
  // word (huơ, thuở).
  bool plain_u = false;
  std::optional<Mark> mark;

  bool operator==(const Letter&) const = default;
};

// A list of at most N values stored in place, so that word states never touch
// the heap. T must be trivially copyable; unused slots stay uninitialised, so
// that a new composer does not clear all its states.
template <class T, std::size_t N>
class FixedList {
 public:
  using value_type = T;

  static_assert(std::is_trivially_copyable_v<T>);

  constexpr std::size_t size() const noexcept { return size_; }
  constexpr bool empty() const noexcept { return size_ == 0; }
  static constexpr std::size_t capacity() noexcept { return N; }
  constexpr const T* begin() const noexcept { return storage_.items; }
  constexpr const T* end() const noexcept { return storage_.items + size_; }
  constexpr T* begin() noexcept { return storage_.items; }
  constexpr T* end() noexcept { return storage_.items + size_; }
  constexpr const T& operator[](std::size_t i) const noexcept { return storage_.items[i]; }
  constexpr T& operator[](std::size_t i) noexcept { return storage_.items[i]; }
  constexpr const T& back() const noexcept { return storage_.items[size_ - 1]; }
  constexpr T& back() noexcept { return storage_.items[size_ - 1]; }
  constexpr operator std::span<const T>() const noexcept { return {storage_.items, size_}; }

  // Pushing onto a full list is a broken invariant (InternalError).
  void push_back(const T& value);
  constexpr void pop_back() noexcept { --size_; }
  constexpr void clear() noexcept { size_ = 0; }
  constexpr bool contains(const T& value) const noexcept {
    for (const T& item : *this) {
      if (item == value) return true;
    }
    return false;
  }

  constexpr bool operator==(const FixedList& other) const noexcept {
    if (size_ != other.size_) return false;
    for (std::size_t i = 0; i < size_; ++i) {
      if (!(storage_.items[i] == other.storage_.items[i])) return false;
    }
    return true;
  }

 private:
  union Storage {
    Storage() noexcept {}
    T items[N];
  };
  Storage storage_;
  std::size_t size_ = 0;
};

struct WordState {
  // Keys that undid their own effect; from then on they are plain letters.
  FixedList<char32_t, MAX_KEYS> literal_keys;
  std::size_t stroke_pos = 0;
  std::optional<char32_t> undone_key;
  std::optional<char32_t> last_key;
  FixedList<Letter, MAX_LETTERS> letters;
  bool undone = false;
  bool literal_rest = false;
  bool transformed = false;
  // A đ was made where no syllable could be checked yet (dd, nđ).
  bool stroke_open = false;
  std::uint8_t tone = 0;

  bool operator==(const WordState&) const = default;
};

// One word being typed. Keeps the state after every key, so that growing the
// word costs one step and shrinking it costs nothing.
class Composer {
 public:
  Composer(const InputMethodSpec& spec, ComposeOptions options) noexcept;
  static Composer with_raw(const InputMethodSpec& spec, ComposeOptions options,
                           std::u32string_view keys);

  void push(char32_t key);
  void pop() noexcept;
  ComposeResult result(bool final) const;

  // Every key pushed, also those past MAX_KEYS.
  std::u32string_view raw() const noexcept;
  // The states so far: the initial one, then one per stepped key.
  std::span<const WordState> states() const noexcept { return {states_.data(), state_count_}; }
  // The newest state; InternalError if there is none.
  const WordState& state() const;
  const InputMethodSpec& spec() const noexcept { return *spec_; }
  const ComposeOptions& options() const noexcept { return options_; }

 private:
  static constexpr std::size_t INLINE_KEYS = 32;

  const InputMethodSpec* spec_;
  ComposeOptions options_;
  std::array<char32_t, INLINE_KEYS> raw_inline_{};
  std::size_t raw_size_ = 0;
  // Holds every key once the word outgrows raw_inline_.
  std::u32string raw_overflow_;
  std::array<WordState, MAX_KEYS + 1> states_;
  std::size_t state_count_ = 1;
};

ComposeResult transform(std::u32string_view keys, const InputMethodSpec& spec,
                        ComposeOptions options, bool final);
ComposeResult transform_str(std::string_view text, const InputMethodSpec& spec,
                            ComposeOptions options, bool final);

// Keys that type `text` under `spec`, tone key last; absent when some letter
// is not a Latin letter or has a mark the table cannot type.
std::optional<std::string> to_raw(std::string_view text, const InputMethodSpec& spec);
// The keys of to_raw, but only when typing them gives `text` back exactly.
std::optional<std::u32string> rebuild(std::string_view text, const InputMethodSpec& spec,
                                      ComposeOptions options);

}  // namespace qvl_core::transform
