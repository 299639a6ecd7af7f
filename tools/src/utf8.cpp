#include "utf8.hpp"

#include "cli.hpp"

namespace quorvel_tool {

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string to_utf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) append_utf8(out, c);
  return out;
}

char32_t next_utf8(std::string_view text, std::size_t& pos) {
  const std::size_t len = valid_utf8_prefix(text.substr(pos, 4)) == 0 ? 0 : [&] {
    const auto c = static_cast<unsigned char>(text[pos]);
    return c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  }();
  if (len == 0) {
    ++pos;
    return U'\uFFFD';
  }
  const auto byte = [&](std::size_t k) { return static_cast<char32_t>(text[pos + k]) & 0xFF; };
  char32_t c;
  switch (len) {
    case 1:
      c = byte(0);
      break;
    case 2:
      c = ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
      break;
    case 3:
      c = ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
      break;
    default:
      c = ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) |
          (byte(3) & 0x3F);
  }
  pos += len;
  return c;
}

std::u32string from_utf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) out += next_utf8(text, pos);
  return out;
}

}  // namespace quorvel_tool
