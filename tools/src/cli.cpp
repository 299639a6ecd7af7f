#include "cli.hpp"

#include <cerrno>
#include <cstring>
#include <memory>

namespace quorvel_tool {

bool ArgReader::option(std::string_view name, std::optional<std::string>& value) {
  const std::string_view arg = peek();
  if (arg == name) {
    if (pos_ + 1 >= args_.size()) throw UsageError(std::string(name) + " needs a value");
    value = std::string(args_[pos_ + 1]);
    pos_ += 2;
    return true;
  }
  if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=') {
    value = std::string(arg.substr(name.size() + 1));
    ++pos_;
    return true;
  }
  return false;
}

bool ArgReader::flag(std::string_view name) {
  if (peek() != name) return false;
  ++pos_;
  return true;
}

bool wants_help(Args args) {
  for (auto arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

std::string read_stream(std::FILE* in, const std::string& name) {
  std::string data;
  char buffer[1 << 16];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) data.append(buffer, n);
  if (std::ferror(in)) throw Failure(name + ": " + std::strerror(errno));
  return data;
}

std::string read_all(const std::optional<std::string>& path) {
  if (!path || *path == "-") return read_stream(stdin, "standard input");
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path->c_str(), "rb"),
                                                       &std::fclose);
  if (!file) throw Failure(*path + ": " + std::strerror(errno));
  return read_stream(file.get(), *path);
}

void write_all(std::FILE* out, std::string_view data, const std::string& name) {
  if (!data.empty() && std::fwrite(data.data(), 1, data.size(), out) != data.size()) {
    throw Failure(name + ": " + std::strerror(errno));
  }
}

std::size_t valid_utf8_prefix(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char c = s[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t len;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return i;
    }
    if (i + len > n || s[i + 1] < lo || s[i + 1] > hi) return i;
    for (std::size_t k = 2; k < len; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return i;
    }
    i += len;
  }
  return n;
}

}  // namespace quorvel_tool
