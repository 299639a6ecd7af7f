// The charset commands: convert, detect, charsets, case, strip and emoji.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <qvl_core/charset.hpp>
#include <qvl_core/emoji.hpp>
#include <string>
#include <vector>

#include "cli.hpp"
#include "clipboard.hpp"
#include "utf8.hpp"

namespace quorvel_tool {
namespace {

namespace charset = qvl_core::charset;

constexpr const char* CONVERT_USAGE =
    "Usage: quorvel convert --from CHARSET --to CHARSET [-o OUT] [FILE...]\n"
    "       quorvel convert --from CHARSET --to CHARSET --clipboard\n"
    "\n"
    "Converts the FILEs (standard input when there are none) to standard output or\n"
    "to OUT. The single-byte charsets are read and written as raw bytes, the others\n"
    "as UTF-8. Invalid UTF-8 becomes U+FFFD and is reported once.\n"
    "With --clipboard the clipboard's text is converted in place.\n"
    "'quorvel charsets' lists the charsets.\n";

constexpr const char* DETECT_USAGE =
    "Usage: quorvel detect [FILE]\n"
    "\n"
    "Prints the charsets that the text (standard input by default) may be in, best\n"
    "first, one per line with its display name; exit status 1 when none fits.\n";

constexpr const char* CHARSETS_USAGE =
    "Usage: quorvel charsets\n"
    "\n"
    "Lists the charset identifiers with their display names.\n";

constexpr const char* CASE_USAGE =
    "Usage: quorvel case upper|lower|title [FILE | --clipboard]\n"
    "\n"
    "Changes the case of the text (standard input by default). 'title' upper-cases\n"
    "the first letter after every space and changes nothing else.\n";

constexpr const char* STRIP_USAGE =
    "Usage: quorvel strip [FILE | --clipboard]\n"
    "\n"
    "Removes every diacritic of the text (standard input by default); đ becomes d.\n";

constexpr const char* EMOJI_USAGE =
    "Usage: quorvel emoji QUERY [--limit N]\n"
    "\n"
    "Emoji whose Vietnamese name or keywords contain QUERY (diacritics and case\n"
    "ignored), best first, at most N (default 10).\n";

// Bytes read at a time, and the most kept waiting for a split point: a text
// with no space or plain letter for that long is converted where it stands.
constexpr std::size_t CHUNK = 1 << 16;
constexpr std::size_t MAX_PENDING = 1 << 22;

std::string ascii_lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The library reads every unknown name as Unicode; on the command line a
// misspelt charset must be an error instead.
std::string_view charset_id(const std::optional<std::string>& name, const char* option) {
  if (!name) throw UsageError(std::string("convert: ") + option + " CHARSET is required");
  const std::string_view id = charset::normalize(*name);
  if (id == "unicode") {
    const std::string spelt = ascii_lower(trim(*name));
    if (spelt != "unicode" && spelt != "nfc" && spelt != "utf8" && spelt != "utf-8" &&
        spelt != "unicode (nfc)") {
      throw UsageError("unknown charset '" + *name + "' (see quorvel charsets)");
    }
  }
  return id;
}

// Converts a stream piece by piece, each piece ending where the charset
// allows a cut, so the output is the same as converting the whole at once.
class StreamConverter {
 public:
  StreamConverter(std::string_view from, std::string_view to)
      : from_(from),
        to_(to),
        from_bytes_(charset::is_single_byte(from)),
        to_bytes_(charset::is_single_byte(to)) {}

  std::string feed(std::string_view chunk) {
    pending_.append(chunk);
    std::size_t cut = charset::split_point(pending_, from_);
    if (cut == 0 && pending_.size() >= MAX_PENDING) cut = pending_.size();
    std::string out = convert_piece(std::string_view(pending_).substr(0, cut));
    pending_.erase(0, cut);
    return out;
  }

  std::string finish() {
    std::string out = convert_piece(pending_);
    pending_.clear();
    return out;
  }

  std::optional<std::uint64_t> first_bad_byte() const { return first_bad_; }
  std::uint64_t unmappable() const { return unmappable_; }

 private:
  std::string convert_piece(std::string_view piece) {
    if (piece.empty()) return {};
    if (!from_bytes_ && !first_bad_) {
      const std::size_t valid = valid_utf8_prefix(piece);
      if (valid < piece.size()) first_bad_ = offset_ + valid;
    }
    offset_ += piece.size();
    const std::string text =
        from_bytes_ ? charset::decode_bytes(piece, from_) : charset::decode(piece, from_);
    if (!to_bytes_) return charset::encode(text, to_);
    if (auto bytes = charset::encode_bytes(text, to_)) return std::move(*bytes);
    return encode_bytes_slowly(text);
  }

  // Some character has no byte in the target: encode character by character
  // and write '?' for each one that has none.
  std::string encode_bytes_slowly(std::string_view text) {
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
      const std::size_t start = pos;
      next_utf8(text, pos);
      if (auto bytes = charset::encode_bytes(text.substr(start, pos - start), to_)) {
        out += *bytes;
      } else {
        out += '?';
        ++unmappable_;
      }
    }
    return out;
  }

  std::string_view from_;
  std::string_view to_;
  bool from_bytes_;
  bool to_bytes_;
  std::string pending_;
  std::uint64_t offset_ = 0;
  std::optional<std::uint64_t> first_bad_;
  std::uint64_t unmappable_ = 0;
};

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File open_file(const std::string& path, const char* mode) {
  File file(std::fopen(path.c_str(), mode), &std::fclose);
  if (!file) throw Failure(path + ": " + std::strerror(errno));
  return file;
}

void report(const StreamConverter& converter, std::string_view to) {
  if (const auto bad = converter.first_bad_byte()) {
    std::fprintf(stderr, "quorvel: invalid UTF-8 from byte %llu on, converted as U+FFFD\n",
                 static_cast<unsigned long long>(*bad));
  }
  if (const auto n = converter.unmappable()) {
    std::fprintf(stderr, "quorvel: %llu characters have no byte in %.*s, written as '?'\n",
                 static_cast<unsigned long long>(n), static_cast<int>(to.size()), to.data());
  }
}

// Input of the text commands: a file, standard input or the clipboard.
struct TextSource {
  std::optional<std::string> file;
  bool clipboard = false;
};

TextSource text_source(const char* command, Args args) {
  TextSource source;
  for (ArgReader reader(args); !reader.done();) {
    if (reader.flag("--clipboard")) {
      source.clipboard = true;
      continue;
    }
    const std::string_view arg = reader.next();
    if ((arg.starts_with("-") && arg != "-") || source.file) {
      throw UsageError(std::string(command) + ": unexpected argument '" + std::string(arg) + "'");
    }
    source.file = std::string(arg);
  }
  if (source.clipboard && source.file) {
    throw UsageError(std::string(command) + ": a FILE or --clipboard, not both");
  }
  return source;
}

template <typename Transform>
int transform_text(const TextSource& source, Transform transform) {
  if (source.clipboard) {
    clipboard_write(transform(clipboard_read()));
    return 0;
  }
  write_all(stdout, transform(read_all(source.file)), "standard output");
  return 0;
}

// Windows-1252 characters of the bytes 80 to 9F, as the charset tables write
// them; 0 marks the five bytes Windows-1252 leaves out.
constexpr char32_t CP1252_HIGH[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// A file that is not UTF-8 holds legacy bytes: read them as the tables do.
std::string bytes_as_text(std::string_view bytes) {
  std::string text;
  for (char b : bytes) {
    const auto byte = static_cast<unsigned char>(b);
    const char32_t c = byte >= 0x80 && byte < 0xA0 && CP1252_HIGH[byte - 0x80]
                           ? CP1252_HIGH[byte - 0x80]
                           : static_cast<char32_t>(byte);
    append_utf8(text, c);
  }
  return text;
}

}  // namespace

int convert_command(Args args) {
  if (wants_help(args)) {
    std::fputs(CONVERT_USAGE, stdout);
    return 0;
  }
  std::optional<std::string> from_name, to_name, out_path;
  std::vector<std::string> files;
  bool clipboard = false;
  for (ArgReader reader(args); !reader.done();) {
    if (reader.option("--from", from_name) || reader.option("--to", to_name) ||
        reader.option("-o", out_path) || reader.option("--output", out_path)) {
      continue;
    }
    if (reader.flag("--clipboard")) {
      clipboard = true;
      continue;
    }
    const std::string_view arg = reader.next();
    if (arg.starts_with("-") && arg != "-") {
      throw UsageError("convert: unknown option '" + std::string(arg) + "'");
    }
    files.emplace_back(arg);
  }
  const std::string_view from = charset_id(from_name, "--from");
  const std::string_view to = charset_id(to_name, "--to");

  if (clipboard) {
    if (!files.empty() || out_path) {
      throw UsageError("convert: --clipboard takes no FILE and no -o");
    }
    // The clipboard holds text, so legacy codes travel as the characters
    // that stand for their bytes.
    const std::string text = clipboard_read();
    clipboard_write(charset::encode(charset::decode(text, from), to));
    return 0;
  }

  File out(stdout, [](std::FILE*) { return 0; });
  const std::string out_name = out_path ? *out_path : "standard output";
  if (out_path) out = open_file(*out_path, "wb");

  StreamConverter converter(from, to);
  std::vector<char> buffer(CHUNK);
  const auto pump = [&](std::FILE* in, const std::string& name) {
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) {
      write_all(out.get(), converter.feed(std::string_view(buffer.data(), n)), out_name);
    }
    if (std::ferror(in)) throw Failure(name + ": " + std::strerror(errno));
  };
  if (files.empty()) files.emplace_back("-");
  for (const auto& file : files) {
    if (file == "-") {
      pump(stdin, "standard input");
    } else {
      pump(open_file(file, "rb").get(), file);
    }
  }
  write_all(out.get(), converter.finish(), out_name);
  if (std::fflush(out.get()) != 0) throw Failure(out_name + ": " + std::strerror(errno));
  report(converter, to);
  return 0;
}

int detect_command(Args args) {
  if (wants_help(args)) {
    std::fputs(DETECT_USAGE, stdout);
    return 0;
  }
  if (args.size() > 1) throw UsageError("detect: at most one FILE");
  std::optional<std::string> path;
  if (!args.empty()) path = std::string(args[0]);
  std::string data = read_all(path);
  // A sample is enough to tell, and every candidate decodes all of it.
  constexpr std::size_t SAMPLE = 1 << 18;
  if (data.size() > SAMPLE) {
    data.resize(SAMPLE);
    while (!data.empty() && (static_cast<unsigned char>(data.back()) & 0xC0) == 0x80) {
      data.pop_back();
    }
    if (!data.empty() && static_cast<unsigned char>(data.back()) >= 0xC0) data.pop_back();
  }
  const std::string text = valid_utf8_prefix(data) == data.size() ? data : bytes_as_text(data);
  const auto candidates = charset::detect(text);
  if (candidates.empty()) {
    std::fputs("quorvel: no legacy Vietnamese charset fits; the text reads as Unicode\n", stderr);
    return 1;
  }
  for (const auto id : candidates) {
    const auto name = charset::display_name(id).value_or(id);
    std::printf("%.*s\t%.*s\n", static_cast<int>(id.size()), id.data(),
                static_cast<int>(name.size()), name.data());
  }
  return 0;
}

int charsets_command(Args args) {
  if (wants_help(args)) {
    std::fputs(CHARSETS_USAGE, stdout);
    return 0;
  }
  if (!args.empty()) throw UsageError("charsets: no arguments expected");
  for (const auto id : charset::CHARSET_IDS) {
    const auto name = charset::display_name(id).value_or(id);
    std::printf("%.*s\t%.*s\n", static_cast<int>(id.size()), id.data(),
                static_cast<int>(name.size()), name.data());
  }
  return 0;
}

int case_command(Args args) {
  if (wants_help(args)) {
    std::fputs(CASE_USAGE, stdout);
    return 0;
  }
  if (args.empty()) throw UsageError("case: upper, lower or title expected");
  const std::string mode = ascii_lower(args[0]);
  if (mode != "upper" && mode != "lower" && mode != "title") {
    throw UsageError("case: unknown mode '" + std::string(args[0]) + "' (upper, lower or title)");
  }
  return transform_text(text_source("case", args.subspan(1)), [&](const std::string& text) {
    return charset::change_case(text, mode).value_or(text);
  });
}

int strip_command(Args args) {
  if (wants_help(args)) {
    std::fputs(STRIP_USAGE, stdout);
    return 0;
  }
  return transform_text(text_source("strip", args),
                        [](const std::string& text) { return charset::remove_diacritics(text); });
}

int emoji_command(Args args) {
  if (wants_help(args)) {
    std::fputs(EMOJI_USAGE, stdout);
    return 0;
  }
  std::optional<std::string> limit_text;
  std::string query;
  for (ArgReader reader(args); !reader.done();) {
    if (reader.option("--limit", limit_text) || reader.option("-n", limit_text)) continue;
    const std::string_view word = reader.next();
    if (word.starts_with("--")) {
      throw UsageError("emoji: unknown option '" + std::string(word) + "'");
    }
    if (!query.empty()) query += ' ';
    query += word;
  }
  std::size_t limit = 10;
  if (limit_text) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long n = std::strtoull(limit_text->c_str(), &end, 10);
    if (limit_text->empty() || *end != '\0' || errno != 0 || limit_text->front() == '-') {
      throw UsageError("emoji: --limit needs a number, not '" + *limit_text + "'");
    }
    limit = static_cast<std::size_t>(n);
  }
  const auto matches = qvl_core::emoji::search(query, limit);
  if (matches.empty() && limit > 0) {
    std::fprintf(stderr, "quorvel: no emoji for '%s'\n", query.c_str());
    return 1;
  }
  for (const auto& match : matches) {
    std::printf("%.*s\t%.*s\n", static_cast<int>(match.emoji.size()), match.emoji.data(),
                static_cast<int>(match.name.size()), match.name.data());
  }
  return 0;
}

}  // namespace quorvel_tool
