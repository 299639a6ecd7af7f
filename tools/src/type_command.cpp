// quorvel type: keystrokes through an engine session into a simulated text
// field. Only the C interface is used, as any frontend would.
//
// The engine's actions are applied to the field directly (no planner): the
// field is the tool's own, so its text before the cursor is always known and
// a replacement can never miss.
#include <poll.h>
#include <qvl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cli.hpp"
#include "utf8.hpp"

namespace quorvel_tool {
namespace {

constexpr const char* TYPE_USAGE =
    "Usage: quorvel type [--input-method telex|simple_telex|vni|viqr] [--config FILE]\n"
    "                    [--mode preedit|replace]\n"
    "\n"
    "Reads keystrokes from standard input, one key per character, runs them through\n"
    "an engine session into a simulated text field and prints the field's text.\n"
    "A newline is Enter. Other keys are written in angle brackets:\n"
    "  <BS> or <Backspace>, <Esc> or <Escape>, <Enter>, <Tab>, <Left>, <Right>,\n"
    "  <Up>, <Down>, <Home>, <End>, <Del> or <Delete>, and <lt> for a literal '<'.\n"
    "A '<' that starts none of these is the '<' key itself.\n"
    "\n"
    "On a terminal the command is interactive: the composition is shown underlined,\n"
    "Backspace, Enter and the arrows work as in an editor, Ctrl-D quits.\n"
    "\n"
    "  --input-method NAME  typing convention (default: that of the configuration)\n"
    "  --config FILE        a complete configuration document (default: defaults)\n"
    "  --mode MODE          preedit (default) or replace\n";

// One key: a character, or an engine key name.
struct Key {
  std::string name;  // the engine's key name; for a character its UTF-8
  std::optional<char32_t> ch;
};

Key char_key(char32_t c) {
  Key key;
  append_utf8(key.name, c);
  key.ch = c;
  return key;
}

Key named_key(std::string_view name) { return Key{std::string(name), std::nullopt}; }

struct Notation {
  std::string_view written;
  std::string_view key;
};

constexpr std::array<Notation, 16> NOTATIONS = {{
    {"BS", "Backspace"},
    {"Backspace", "Backspace"},
    {"Esc", "Escape"},
    {"Escape", "Escape"},
    {"Enter", "Enter"},
    {"Tab", "Tab"},
    {"Left", "Left"},
    {"Right", "Right"},
    {"Up", "Up"},
    {"Down", "Down"},
    {"Home", "Home"},
    {"End", "End"},
    {"Del", "Delete"},
    {"Delete", "Delete"},
    {"PageUp", "PageUp"},
    {"PageDown", "PageDown"},
}};

// Reads the keys of a piped text in the notation of the usage text.
std::vector<Key> parse_keys(std::string_view text) {
  std::vector<Key> keys;
  for (std::size_t pos = 0; pos < text.size();) {
    const char c = text[pos];
    if (c == '\n' || c == '\r') {
      pos += (c == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
      keys.push_back(named_key("Enter"));
      continue;
    }
    if (c == '\t') {
      ++pos;
      keys.push_back(named_key("Tab"));
      continue;
    }
    if (c == '<') {
      const auto close = text.find('>', pos + 1);
      if (close != std::string_view::npos) {
        const auto inner = text.substr(pos + 1, close - pos - 1);
        if (inner == "lt") {
          keys.push_back(char_key(U'<'));
          pos = close + 1;
          continue;
        }
        bool found = false;
        for (const auto& n : NOTATIONS) {
          if (n.written == inner) {
            keys.push_back(named_key(n.key));
            found = true;
            break;
          }
        }
        if (found) {
          pos = close + 1;
          continue;
        }
      }
    }
    keys.push_back(char_key(next_utf8(text, pos)));
  }
  return keys;
}

// A text field as an application keeps it: text, a cursor, and the preedit
// shown at the cursor without being part of the text.
class Field {
 public:
  const std::u32string& text() const { return text_; }
  const std::u32string& preedit() const { return preedit_; }
  std::size_t cursor() const { return cursor_; }

  void insert(std::u32string_view s) {
    text_.insert(cursor_, s);
    cursor_ += s.size();
  }
  void delete_utf16_before(std::uint32_t units) {
    while (units > 0 && cursor_ > 0) {
      const std::uint32_t width = text_[cursor_ - 1] > 0xFFFF ? 2 : 1;
      units = units > width ? units - width : 0;
      text_.erase(--cursor_, 1);
    }
  }
  void set_preedit(std::u32string s) { preedit_ = std::move(s); }

  // What the application does with a key the engine lets through.
  void deliver(const Key& key) {
    if (key.ch) {
      insert(std::u32string(1, *key.ch));
    } else if (key.name == "Enter") {
      insert(U"\n");
    } else if (key.name == "Tab") {
      insert(U"\t");
    } else if (key.name == "Backspace") {
      if (cursor_ > 0) text_.erase(--cursor_, 1);
    } else if (key.name == "Delete") {
      if (cursor_ < text_.size()) text_.erase(cursor_, 1);
    } else if (key.name == "Left") {
      if (cursor_ > 0) --cursor_;
    } else if (key.name == "Right") {
      if (cursor_ < text_.size()) ++cursor_;
    } else if (key.name == "Home") {
      cursor_ = line_start(cursor_);
    } else if (key.name == "End") {
      cursor_ = line_end(cursor_);
    } else if (key.name == "Up" || key.name == "Down" || key.name == "PageUp" ||
               key.name == "PageDown") {
      move_line(key.name == "Up" || key.name == "PageUp");
    }
  }

  // The text before the cursor as the field reports it: nothing when the
  // cursor stands inside a word, so the engine never edits a word's head.
  // The engine looks back a few dozen characters at most.
  std::optional<std::string> surrounding() const {
    if (cursor_ < text_.size() && qvl_is_word_codepoint(text_[cursor_])) return std::nullopt;
    constexpr std::size_t REPORTED = 256;
    const std::size_t from = cursor_ > REPORTED ? cursor_ - REPORTED : 0;
    return to_utf8(std::u32string_view(text_).substr(from, cursor_ - from));
  }

 private:
  std::size_t line_start(std::size_t at) const {
    const auto nl = at == 0 ? std::u32string::npos : text_.rfind(U'\n', at - 1);
    return nl == std::u32string::npos ? 0 : nl + 1;
  }
  std::size_t line_end(std::size_t at) const {
    const auto nl = text_.find(U'\n', at);
    return nl == std::u32string::npos ? text_.size() : nl;
  }
  void move_line(bool up) {
    const std::size_t start = line_start(cursor_);
    const std::size_t column = cursor_ - start;
    std::size_t target;
    if (up) {
      if (start == 0) return;
      target = line_start(start - 1);
    } else {
      const std::size_t end = line_end(cursor_);
      if (end == text_.size()) return;
      target = end + 1;
    }
    cursor_ = std::min(target + column, line_end(target));
  }

  std::u32string text_;
  std::u32string preedit_;
  std::size_t cursor_ = 0;
};

struct SessionDeleter {
  void operator()(QvlSession* s) const { qvl_session_free(s); }
};
using Session = std::unique_ptr<QvlSession, SessionDeleter>;

class Typist {
 public:
  explicit Typist(Session session) : session_(std::move(session)) {}

  void press(const Key& key) {
    const auto before = field_.surrounding();
    qvl_set_surrounding_text(session_.get(), before ? before->c_str() : nullptr);
    apply(qvl_process_key(session_.get(), key.name.c_str(), false, false, false), &key);
  }
  void flush() { apply(qvl_flush(session_.get()), nullptr); }
  const Field& field() const { return field_; }

 private:
  void apply(const QvlAction& action, const Key* key) {
    const std::u32string text = action.text ? from_utf8(action.text) : std::u32string();
    bool forward = false;
    switch (action.kind) {
      case QVL_ACTION_PREEDIT:
        field_.set_preedit(text);
        break;
      case QVL_ACTION_REPLACE:
        field_.delete_utf16_before(action.delete_utf16);
        field_.insert(text);
        forward = action.forward_key;
        break;
      case QVL_ACTION_COMMIT:
        field_.set_preedit({});
        field_.insert(text);
        forward = action.forward_key;
        break;
      default:
        forward = true;
    }
    if (forward && key) field_.deliver(*key);
  }

  Session session_;
  Field field_;
};

Session open_session(const std::optional<std::string>& config_path,
                     const std::optional<std::string>& input_method, std::uint32_t mode) {
  std::optional<std::string> document;
  if (config_path) document = read_all(config_path);
  Session session(qvl_session_new(document ? document->c_str() : nullptr, mode));
  if (!session) {
    Session checker(qvl_session_new(nullptr, 0));
    const char* why = checker ? qvl_config_check(checker.get(), document->c_str()) : nullptr;
    throw Failure(*config_path + ": " + (why ? why : "not a valid configuration"));
  }
  if (input_method) {
    const std::string patch = "{\"input_method\":\"" + *input_method + "\"}";
    if (!qvl_set_config_json(session.get(), patch.c_str())) {
      throw Failure("the engine refused input method " + *input_method);
    }
  }
  return session;
}

// Raw mode for the interactive field; the terminal is restored on every exit.
class RawTerminal {
 public:
  RawTerminal() {
    if (tcgetattr(STDIN_FILENO, &saved_) != 0) throw Failure("cannot read the terminal mode");
    termios raw = saved_;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw) != 0) {
      throw Failure("cannot set the terminal to raw mode");
    }
  }
  ~RawTerminal() { tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_); }
  RawTerminal(const RawTerminal&) = delete;
  RawTerminal& operator=(const RawTerminal&) = delete;

 private:
  termios saved_{};
};

std::optional<unsigned char> read_byte(int timeout_ms) {
  pollfd p{STDIN_FILENO, POLLIN, 0};
  if (timeout_ms >= 0 && poll(&p, 1, timeout_ms) <= 0) return std::nullopt;
  unsigned char c;
  if (read(STDIN_FILENO, &c, 1) != 1) return std::nullopt;
  return c;
}

// The next key from the terminal; nothing at Ctrl-D, Ctrl-C or the end.
std::optional<Key> read_terminal_key() {
  const auto first = read_byte(-1);
  if (!first || *first == 0x04 || *first == 0x03) return std::nullopt;
  const unsigned char c = *first;
  if (c == '\r' || c == '\n') return named_key("Enter");
  if (c == 0x7F || c == 0x08) return named_key("Backspace");
  if (c == '\t') return named_key("Tab");
  if (c == 0x1B) {
    // A lone Escape, or the start of an escape sequence sent at once.
    const auto second = read_byte(30);
    if (!second || (*second != '[' && *second != 'O')) return named_key("Escape");
    std::string seq;
    while (auto b = read_byte(30)) {
      seq += static_cast<char>(*b);
      if (*b >= 0x40 && *b <= 0x7E) break;
    }
    static constexpr std::array<Notation, 12> SEQUENCES = {{{"A", "Up"},
                                                            {"B", "Down"},
                                                            {"C", "Right"},
                                                            {"D", "Left"},
                                                            {"H", "Home"},
                                                            {"F", "End"},
                                                            {"1~", "Home"},
                                                            {"4~", "End"},
                                                            {"3~", "Delete"},
                                                            {"5~", "PageUp"},
                                                            {"6~", "PageDown"},
                                                            {"7~", "Home"}}};
    for (const auto& s : SEQUENCES) {
      if (s.written == seq) return named_key(s.key);
    }
    return named_key("Unknown");
  }
  std::string bytes(1, static_cast<char>(c));
  const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  while (bytes.size() < length) {
    const auto b = read_byte(30);
    if (!b) break;
    bytes += static_cast<char>(*b);
  }
  std::size_t pos = 0;
  return char_key(next_utf8(bytes, pos));
}

// Redraws the field below the header: text before the cursor, the preedit
// underlined, then the rest, with the terminal's cursor at the caret.
class Screen {
 public:
  void draw(const Field& field) {
    std::string out = "\r";
    if (rows_above_ > 0) out += "\x1b[" + std::to_string(rows_above_) + "A";
    out += "\x1b[J";
    const std::u32string_view text = field.text();
    const auto head = text.substr(0, field.cursor());
    out += crlf(to_utf8(head));
    if (!field.preedit().empty()) out += "\x1b[4m" + to_utf8(field.preedit()) + "\x1b[24m";
    out +=
        "\x1b"
        "7" +
        crlf(to_utf8(text.substr(field.cursor()))) +
        "\x1b"
        "8";
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    rows_above_ = 0;
    for (char32_t c : head) rows_above_ += c == U'\n';
  }

 private:
  static std::string crlf(const std::string& s) {
    std::string out;
    for (char c : s) {
      if (c == '\n') out += '\r';
      out += c;
    }
    return out;
  }
  std::size_t rows_above_ = 0;
};

void run_interactive(Typist& typist) {
  std::fputs("quorvel: type; Ctrl-D quits\r\n", stdout);
  RawTerminal raw;
  Screen screen;
  screen.draw(typist.field());
  while (auto key = read_terminal_key()) {
    typist.press(*key);
    screen.draw(typist.field());
  }
  typist.flush();
  screen.draw(typist.field());
  std::fputs("\r\n", stdout);
}

}  // namespace

int type_command(Args args) {
  if (wants_help(args)) {
    std::fputs(TYPE_USAGE, stdout);
    return 0;
  }
  std::optional<std::string> input_method, config, mode;
  for (ArgReader reader(args); !reader.done();) {
    if (reader.option("--input-method", input_method) || reader.option("--config", config) ||
        reader.option("--mode", mode)) {
      continue;
    }
    throw UsageError("type: unexpected argument '" + std::string(reader.peek()) + "'");
  }
  if (input_method && *input_method != "telex" && *input_method != "simple_telex" &&
      *input_method != "vni" && *input_method != "viqr") {
    throw UsageError("type: unknown input method '" + *input_method +
                     "' (telex, simple_telex, vni or viqr)");
  }
  if (mode && *mode != "preedit" && *mode != "replace") {
    throw UsageError("type: unknown mode '" + *mode + "' (preedit or replace)");
  }
  const std::uint32_t output_mode =
      mode && *mode == "replace" ? QVL_OUTPUT_REPLACE : QVL_OUTPUT_PREEDIT;
  Typist typist(open_session(config, input_method, output_mode));

  if (isatty(STDIN_FILENO)) {
    run_interactive(typist);
    return 0;
  }
  for (const Key& key : parse_keys(read_all(std::nullopt))) typist.press(key);
  typist.flush();
  write_all(stdout, to_utf8(typist.field().text()), "standard output");
  return 0;
}

}  // namespace quorvel_tool
