// Pieces shared by the commands of the quorvel tool.
#pragma once

#include <cstdio>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel_tool {

// A mistake in the command line: reported with exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Anything else that stops a command: exit status 1.
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

using Args = std::span<const std::string_view>;

// Walks a command's arguments: options with a value ("--to X" or "--to=X"),
// flags and the plain arguments left over.
class ArgReader {
 public:
  explicit ArgReader(Args args) : args_(args) {}
  bool done() const { return pos_ >= args_.size(); }
  std::string_view peek() const { return args_[pos_]; }
  std::string_view next() { return args_[pos_++]; }
  // True when the current argument is `name`, taking its value into `value`.
  bool option(std::string_view name, std::optional<std::string>& value);
  bool flag(std::string_view name);

 private:
  Args args_;
  std::size_t pos_ = 0;
};

bool wants_help(Args args);

// Whole content of a file, or of standard input for "-" and no name.
std::string read_all(const std::optional<std::string>& path);
std::string read_stream(std::FILE* in, const std::string& name);
void write_all(std::FILE* out, std::string_view data, const std::string& name);

// Length of the valid UTF-8 prefix of `text` (overlong forms, surrogates and
// code points above U+10FFFF count as invalid).
std::size_t valid_utf8_prefix(std::string_view text);

int type_command(Args args);
int config_command(Args args);
int convert_command(Args args);
int detect_command(Args args);
int charsets_command(Args args);
int case_command(Args args);
int strip_command(Args args);
int emoji_command(Args args);

}  // namespace quorvel_tool
