#include <algorithm>
#include <array>

#include "qvl_core/internal_error.hpp"
#include "qvl_core/transform.hpp"
#include "qvl_unicode/unicode.hpp"

namespace qvl_core::transform {

template <class T, std::size_t N>
void FixedList<T, N>::push_back(const T& value) {
  if (size_ == N) throw InternalError("FixedList: capacity exceeded");
  storage_.items[size_++] = value;
}

template class FixedList<char32_t, MAX_KEYS>;
template class FixedList<Letter, MAX_LETTERS>;

namespace {

using rules::MarkRule;
using vi_syllable::Syllable;

constexpr bool is_vowel_base(char32_t c) noexcept {
  return c == U'a' || c == U'e' || c == U'i' || c == U'o' || c == U'u' || c == U'y';
}

bool is_digit(char32_t c) noexcept { return c >= U'0' && c <= U'9'; }

// compose_char for the Latin letters, worked out once: the composer renders
// every letter after every key.
class ComposeCache {
 public:
  ComposeCache() {
    for (char32_t base = U'a'; base <= U'z'; ++base) {
      for (std::size_t m = 0; m < MARKS; ++m) {
        for (std::uint8_t tone = 0; tone < TONES; ++tone) {
          for (int upper = 0; upper < 2; ++upper) {
            table_[index(base, m, tone, upper != 0)] =
                vi_syllable::compose_char(base, mark_of(m), tone, upper != 0);
          }
        }
      }
    }
  }

  char32_t get(char32_t base, std::optional<Mark> mark, std::uint8_t tone, bool upper) const {
    if (base < U'a' || base > U'z' || tone >= TONES) {
      return vi_syllable::compose_char(base, mark, tone, upper);
    }
    const std::size_t m = mark ? static_cast<std::size_t>(*mark) + 1 : 0;
    return table_[index(base, m, tone, upper)];
  }

 private:
  static constexpr std::size_t MARKS = 5;  // none, then the four marks
  static constexpr std::uint8_t TONES = 6;

  static std::optional<Mark> mark_of(std::size_t m) {
    if (m == 0) return std::nullopt;
    return static_cast<Mark>(m - 1);
  }
  static std::size_t index(char32_t base, std::size_t m, std::uint8_t tone, bool upper) {
    return ((static_cast<std::size_t>(base - U'a') * MARKS + m) * TONES + tone) * 2 +
           (upper ? 1 : 0);
  }

  std::array<char32_t, 26 * MARKS * TONES * 2> table_{};
};

char32_t compose(char32_t base, std::optional<Mark> mark, std::uint8_t tone, bool upper) {
  if (base < 0x80 && !mark && tone == 0) {
    return upper ? qvl_unicode::upper_single(base) : base;
  }
  static const ComposeCache cache;
  return cache.get(base, mark, tone, upper);
}

using Letters = FixedList<Letter, MAX_LETTERS>;
using Marks = std::array<std::optional<Mark>, MAX_LETTERS + 1>;

// The marks as shown: an o after ư takes the horn too (uwo → ươ), and a
// final uơ with plain_u keeps its u bare.
void shown_marks(std::span<const Letter> letters, Marks& marks) {
  const std::size_t n = letters.size();
  for (std::size_t i = 0; i < n; ++i) marks[i] = letters[i].mark;
  for (std::size_t i = 1; i < n; ++i) {
    if (letters[i].base == U'o' && !letters[i].mark && letters[i - 1].base == U'u' &&
        letters[i - 1].mark == Mark::Horn) {
      marks[i] = Mark::Horn;
    }
  }
  if (n >= 2 && letters[n - 2].base == U'u' && marks[n - 2] == Mark::Horn &&
      letters[n - 1].base == U'o' && marks[n - 1] == Mark::Horn && letters[n - 2].plain_u) {
    marks[n - 2] = std::nullopt;
  }
}

// The word in lower case with its marks and no tone, as the grammar wants
// it, kept in place.
class PlainWord {
 public:
  explicit PlainWord(std::span<const Letter> letters, const Letter* extra = nullptr) {
    std::array<Letter, MAX_LETTERS + 1> all;
    std::span<const Letter> word = letters;
    if (extra != nullptr) {
      std::copy(letters.begin(), letters.end(), all.begin());
      all[letters.size()] = *extra;
      word = std::span<const Letter>(all.data(), letters.size() + 1);
    }
    Marks marks;
    shown_marks(word, marks);
    for (std::size_t i = 0; i < word.size(); ++i) {
      const char32_t c = compose(word[i].base, marks[i], 0, false);
      chars_[i] = c;
      bytes_ += qvl_unicode::encode_to(c, utf8_.data() + bytes_);
    }
    size_ = word.size();
  }

  std::string_view view() const noexcept { return {utf8_.data(), bytes_}; }
  std::size_t size() const noexcept { return size_; }
  char32_t operator[](std::size_t i) const noexcept { return chars_[i]; }
  bool ends_with(std::u32string_view tail) const noexcept {
    return size_ >= tail.size() &&
           std::u32string_view(chars_.data() + size_ - tail.size(), tail.size()) == tail;
  }

 private:
  std::array<char32_t, MAX_LETTERS + 1> chars_;
  std::array<char, (MAX_LETTERS + 1) * 4> utf8_;
  std::size_t bytes_ = 0;
  std::size_t size_ = 0;
};

struct Bounds {
  std::size_t start;
  std::size_t end;
  std::string initial;
};

Bounds cluster_bounds(const PlainWord& word) {
  Syllable s = vi_syllable::parse(word.view());
  return {s.cluster_start, s.cluster_end(), std::move(s.initial)};
}

void take_as_letter(WordState& s, char32_t k, char32_t kl) {
  Letter l;
  l.base = kl;
  l.upper = k != kl;
  s.letters.push_back(l);
}

// One mark key's proposal: a mark on one letter, or on both letters of uo.
// Left without initialisers: a step fills only the few it uses.
struct Candidate {
  std::size_t count;
  std::array<std::size_t, 2> pos;
  Mark mark;
  std::size_t rule;  // for ordering only

  std::span<const std::size_t> positions() const noexcept {
    return {pos.data(), count < 2 ? count : 2};
  }

  bool same_as(const Candidate& o) const noexcept {
    return count == o.count && mark == o.mark && pos[0] == o.pos[0] &&
           (count < 2 || pos[1] == o.pos[1]);
  }
};

// At most one candidate per rule and letter, plus the pairs.
using Candidates = std::array<Candidate, 4 * MAX_LETTERS + 2>;

bool plain_u_initial(std::string_view initial) noexcept {
  return initial.empty() || initial == "c" || initial == "h" || initial == "k" || initial == "kh" ||
         initial == "qu" || initial == "th";
}

class Stepper {
 public:
  Stepper(const InputMethodSpec& spec, const ComposeOptions& options)
      : spec_(spec), options_(options) {}

  // Turns a copy of the previous state into the next one, in place.
  void step(WordState& s, char32_t k) const {
    const char32_t kl = qvl_unicode::lower_single(k);
    const std::optional<char32_t> prev = s.last_key;
    s.last_key = kl;

    if (s.literal_rest || s.literal_keys.contains(kl)) {
      take_as_letter(s, k, kl);
      return;
    }

    const PlainWord plain(s.letters);
    const Bounds bounds = cluster_bounds(plain);
    const bool has_vowel = bounds.end > bounds.start || plain.view() == "qu";

    if (quick_telex(s, k, kl)) return;

    if (const auto tone = spec_.tone_of(kl); tone && has_vowel) {
      apply_tone(s, k, kl, *tone, prev, plain);
      return;
    }

    if (kl == spec_.remove_key && has_vowel && (s.tone != 0 || s.transformed)) {
      if (s.tone != 0) {
        s.tone = 0;
      } else {
        for (Letter& l : s.letters) {
          if (l.mark && *l.mark != Mark::Stroke) l.mark.reset();
        }
      }
      return;
    }

    if (const auto rules = spec_.marks_for(kl); !rules.empty()) {
      if (apply_mark(s, k, kl, rules, bounds)) return;
    }

    if (options_.bracket_keys) {
      if (const auto insert = spec_.insert_for(kl)) {
        Letter l;
        l.base = insert->letter;
        l.from_key = true;
        l.mark = insert->mark;
        s.letters.push_back(l);
        s.transformed = true;
        return;
      }
    }

    if (options_.w_as_u) {
      if (const auto standalone = spec_.standalone_for(kl)) {
        Letter l;
        l.base = standalone->letter;
        l.upper = k != kl;
        l.from_key = true;
        l.mark = standalone->mark;
        if (!options_.spell_check ||
            check(PlainWord(s.letters, &l), s.tone) != SyllableStatus::Invalid) {
          s.letters.push_back(l);
          s.transformed = true;
        } else {
          take_as_letter(s, k, kl);
        }
        return;
      }
    }

    take_as_letter(s, k, kl);
    return;
  }

 private:
  SyllableStatus check(const PlainWord& word, std::uint8_t tone) const {
    return vi_syllable::check_with(word.view(), tone, options_.allow_coda_k);
  }

  bool quick_telex(WordState& s, char32_t k, char32_t kl) const {
    if (!options_.quick_telex || s.letters.size() != 1 || s.transformed) return false;
    const Letter first = s.letters[0];
    if (first.base != kl || first.mark) return false;
    char32_t second = 0;
    switch (kl) {
      case U'c':
        second = U'h';
        break;
      case U'g':
        second = U'i';
        break;
      case U'k':
        second = U'h';
        break;
      case U'n':
        second = U'g';
        break;
      case U'p':
        second = U'h';
        break;
      case U'q':
        second = U'u';
        break;
      case U't':
        second = U'h';
        break;
      default:
        return false;
    }
    Letter l;
    l.base = second;
    l.upper = first.upper && k != kl;
    s.letters.push_back(l);
    s.transformed = true;
    return true;
  }

  void apply_tone(WordState& s, char32_t k, char32_t kl, std::uint8_t tone,
                  std::optional<char32_t> prev, const PlainWord& plain) const {
    if (s.tone == tone) {
      // The same key twice in a row takes the tone off and stands for itself.
      if (prev == kl) {
        s.tone = 0;
        s.undone = true;
        s.literal_rest = true;
        s.undone_key = kl;
        take_as_letter(s, k, kl);
      }
      return;
    }
    if (options_.spell_check &&
        (!vi_syllable::tone_allowed_with(plain.view(), tone, options_.allow_coda_k) ||
         check(plain, tone) == SyllableStatus::Invalid)) {
      take_as_letter(s, k, kl);
      return;
    }
    s.tone = tone;
    s.transformed = true;
  }

  static std::size_t collect(const WordState& s, std::span<const MarkRule> rules, const Bounds& b,
                             Candidates& out) {
    std::size_t n = 0;
    const Letters& letters = s.letters;
    // Pairs first, in the order found.
    for (std::size_t r = 0; r < rules.size(); ++r) {
      const MarkRule& rule = rules[r];
      if (!rule.pair || rule.targets.size() != 2) continue;
      for (std::size_t i = b.start; i + 1 < b.end; ++i) {
        if (letters[i].base == static_cast<char32_t>(rule.targets[0]) &&
            letters[i + 1].base == static_cast<char32_t>(rule.targets[1])) {
          out[n++] = Candidate{2, {i, i + 1}, rule.mark, r};
        }
      }
    }
    const std::size_t pairs = n;
    for (std::size_t r = 0; r < rules.size(); ++r) {
      const MarkRule& rule = rules[r];
      if (rule.pair) continue;
      if (rule.mark == Mark::Stroke) {
        if (!letters.empty() && letters[0].base == U'd' && b.end > b.start) {
          out[n++] = Candidate{1, {0, 0}, Mark::Stroke, r};
        } else if (!letters.empty() && letters.back().base == U'd') {
          out[n++] = Candidate{1, {letters.size() - 1, 0}, Mark::Stroke, r};
        }
        continue;
      }
      for (std::size_t i = b.start; i < b.end; ++i) {
        if (letters[i].base < 0x80 &&
            rule.targets.find(static_cast<char>(letters[i].base)) != std::string_view::npos) {
          out[n++] = Candidate{1, {i, 0}, rule.mark, r};
        }
      }
    }
    // Singles from the last letter backwards; at one letter, rule order.
    std::sort(out.begin() + static_cast<std::ptrdiff_t>(pairs),
              out.begin() + static_cast<std::ptrdiff_t>(n),
              [](const Candidate& a, const Candidate& c) {
                return a.pos[0] != c.pos[0] ? a.pos[0] > c.pos[0] : a.rule < c.rule;
              });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i) {
      bool seen = false;
      for (std::size_t j = 0; j < kept && !seen; ++j) seen = out[j].same_as(out[i]);
      if (!seen) out[kept++] = out[i];
    }
    return kept;
  }

  static bool already_marked(const WordState& s, const Candidate& c) {
    for (std::size_t p : c.positions()) {
      if (s.letters[p].mark != c.mark) return false;
    }
    return true;
  }

  bool apply_mark(WordState& s, char32_t k, char32_t kl, std::span<const MarkRule> rules,
                  const Bounds& bounds) const {
    Candidates candidates;
    const std::size_t count = collect(s, rules, bounds, candidates);
    const Candidate* first_repeat = nullptr;
    for (std::size_t ci = 0; ci < count; ++ci) {
      const Candidate& c = candidates[ci];
      if (already_marked(s, c)) {
        if (first_repeat == nullptr) first_repeat = &c;
        continue;
      }
      if (try_candidate(s, c, bounds)) return true;
    }
    if (first_repeat == nullptr) return false;

    const Candidate& a = *first_repeat;
    Letter& u = s.letters[a.pos[0]];
    if (a.count == 2 && u.plain_u && a.pos[1] == s.letters.size() - 1) {
      u.plain_u = false;  // uơ becomes ươ
      return true;
    }
    s.undone = true;
    s.undone_key = kl;
    if (!s.literal_keys.contains(kl)) s.literal_keys.push_back(kl);
    if (a.count == 1 && u.from_key) {
      // A produced letter goes back to the key that produced it (ww → w).
      const bool last = a.pos[0] == s.letters.size() - 1;
      u.base = kl;
      u.mark.reset();
      u.from_key = false;
      u.plain_u = false;
      s.literal_rest = true;
      if (!last) take_as_letter(s, k, kl);
      return true;
    }
    for (std::size_t p : a.positions()) s.letters[p].mark.reset();
    take_as_letter(s, k, kl);
    return true;
  }

  bool try_candidate(WordState& s, const Candidate& c, const Bounds& bounds) const {
    const std::span<const std::size_t> at = c.positions();
    std::array<Letter, 2> old{};
    for (std::size_t j = 0; j < at.size(); ++j) old[j] = s.letters[at[j]];
    for (std::size_t p : at) s.letters[p].mark = c.mark;
    if (c.count == 2 && c.mark == Mark::Horn && old[0].mark != Mark::Horn) {
      s.letters[c.pos[0]].plain_u = plain_u_initial(bounds.initial);
    }
    if (c.mark == Mark::Stroke && !s.stroke_open && stroke_unchecked(s, c.pos[0])) {
      s.stroke_open = true;
      s.stroke_pos = c.pos[0];
      s.transformed = true;
      return true;
    }
    if (!options_.spell_check || check(PlainWord(s.letters), s.tone) != SyllableStatus::Invalid) {
      s.transformed = true;
      return true;
    }
    for (std::size_t j = 0; j < at.size(); ++j) s.letters[at[j]] = old[j];
    return false;
  }

  // đ with no vowel after it, or after a consonant: nothing to check yet.
  static bool stroke_unchecked(const WordState& s, std::size_t pos) {
    if (pos == 0) {
      for (std::size_t i = 1; i < s.letters.size(); ++i) {
        if (is_vowel_base(s.letters[i].base)) return false;
      }
      return true;
    }
    return !is_vowel_base(s.letters[pos - 1].base);
  }

  const InputMethodSpec& spec_;
  const ComposeOptions& options_;
};

// Raw keys as UTF-8.
std::string keys_text(std::u32string_view keys) {
  std::string out;
  out.reserve(keys.size());
  for (char32_t c : keys) qvl_unicode::append_utf8(out, c);
  return out;
}

// The guard against restoring a word whose undo key was typed on purpose
// (mass, aaa).
bool undo_repeated(std::u32string_view raw, char32_t key) {
  std::size_t run = 0;
  for (char32_t c : raw) {
    run = qvl_unicode::lower_single(c) == key ? run + 1 : 0;
    if (run >= 3) return true;
  }
  return run >= 2;
}

std::optional<ComposeResult> digit_check(std::u32string_view raw) {
  if (std::none_of(raw.begin(), raw.end(), is_digit)) return std::nullopt;
  bool doubled = false;
  std::u32string once;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    once.push_back(raw[i]);
    if (is_digit(raw[i]) && i + 1 < raw.size() && raw[i + 1] == raw[i]) {
      doubled = true;
      ++i;
    }
  }
  if (doubled) return ComposeResult{keys_text(once), {}, true, SyllableStatus::Invalid};
  std::size_t low = 0;
  for (std::size_t i = raw.size(); i > 0 && is_digit(raw[i - 1]); --i) {
    if (raw[i - 1] <= U'5') ++low;
  }
  if (low >= 2) return ComposeResult{keys_text(raw), {}, true, SyllableStatus::Invalid};
  return std::nullopt;
}

ComposeResult finish(const WordState& s, std::u32string_view raw, const ComposeOptions& options,
                     bool final) {
  const Letters& letters = s.letters;
  Marks marks;
  shown_marks(letters, marks);
  const PlainWord plain(letters);

  std::size_t toned = letters.size();
  if (s.tone != 0) {
    if (auto i = vi_syllable::tone_index(plain.view(), options.tone_style)) {
      toned = *i;
    } else {
      for (std::size_t i = letters.size(); i > 0; --i) {
        if (is_vowel_base(letters[i - 1].base)) {
          toned = i - 1;
          break;
        }
      }
    }
  }
  std::string text;
  text.reserve(letters.size() * 3);
  for (std::size_t i = 0; i < letters.size(); ++i) {
    const std::uint8_t tone = i == toned ? s.tone : 0;
    qvl_unicode::append_utf8(text, compose(letters[i].base, marks[i], tone, letters[i].upper));
  }

  const SyllableStatus status =
      final ? vi_syllable::check_final(plain.view(), s.tone, options.allow_coda_k)
            : vi_syllable::check_with(plain.view(), s.tone, options.allow_coda_k);
  if (!options.spell_check || !s.transformed) return {std::move(text), {}, false, status};

  const bool guard = s.undone && s.undone_key && undo_repeated(raw, *s.undone_key);
  bool reject = status == SyllableStatus::Invalid;
  if (!reject && final && status == SyllableStatus::Incomplete) {
    const Bounds b = cluster_bounds(plain);
    reject = b.start > 0 && b.end > b.start && !plain.ends_with(U"\u01B0\u01A1") &&
             !plain.ends_with(U"u\u01A1");
  }
  if (reject && s.stroke_open) {
    bool vowel_after = false;
    for (std::size_t i = s.stroke_pos + 1; i < letters.size(); ++i) {
      vowel_after = vowel_after || is_vowel_base(letters[i].base);
    }
    reject = vowel_after;
  }

  if (s.undone && s.literal_rest && !text.empty()) {
    std::string alternative = text;
    return {std::move(text), std::move(alternative), false, status};
  }
  if (reject && !guard) return {keys_text(raw), {}, true, status};
  return {std::move(text), {}, false, status};
}

}  // namespace

Composer::Composer(const InputMethodSpec& spec, ComposeOptions options) noexcept
    : spec_(&spec), options_(options) {}

Composer Composer::with_raw(const InputMethodSpec& spec, ComposeOptions options,
                            std::u32string_view keys) {
  Composer c(spec, options);
  for (char32_t k : keys) c.push(k);
  return c;
}

std::u32string_view Composer::raw() const noexcept {
  if (raw_size_ > INLINE_KEYS) return raw_overflow_;
  return {raw_inline_.data(), raw_size_};
}

const WordState& Composer::state() const {
  if (state_count_ == 0) throw InternalError("states luôn có ít nhất 1 phần tử");
  return states_[state_count_ - 1];
}

void Composer::push(char32_t key) {
  const std::size_t before = raw_size_;
  if (raw_size_ < INLINE_KEYS) {
    raw_inline_[raw_size_] = key;
  } else {
    if (raw_size_ == INLINE_KEYS) raw_overflow_.assign(raw_inline_.data(), INLINE_KEYS);
    raw_overflow_.push_back(key);
  }
  ++raw_size_;
  if (before < MAX_KEYS) {
    WordState& next = states_[state_count_];
    next = state();
    Stepper(*spec_, options_).step(next, key);
    ++state_count_;
  }
}

void Composer::pop() noexcept {
  if (raw_size_ == 0) return;
  if (raw_size_ > INLINE_KEYS) {
    // The first keys are still in raw_inline_.
    raw_overflow_.pop_back();
  }
  if (raw_size_ <= MAX_KEYS && state_count_ > 1) --state_count_;
  --raw_size_;
}

ComposeResult Composer::result(bool final) const {
  const std::u32string_view keys = raw();
  if (keys.size() > MAX_KEYS) return {keys_text(keys), {}, false, SyllableStatus::Invalid};
  if (spec_->uses_digits) {
    if (auto digits = digit_check(keys)) return std::move(*digits);
  }
  return finish(state(), keys, options_, final);
}

ComposeResult transform(std::u32string_view keys, const InputMethodSpec& spec,
                        ComposeOptions options, bool final) {
  return Composer::with_raw(spec, options, keys).result(final);
}

ComposeResult transform_str(std::string_view text, const InputMethodSpec& spec,
                            ComposeOptions options, bool final) {
  Composer c(spec, options);
  qvl_unicode::for_each_char(text, [&](char32_t k) { c.push(k); });
  return c.result(final);
}

}  // namespace qvl_core::transform
