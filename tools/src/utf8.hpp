// Minimal UTF-8 coding for the type command, which sees the engine only
// through the C interface.
#pragma once

#include <string>
#include <string_view>

namespace quorvel_tool {

void append_utf8(std::string& out, char32_t c);
std::string to_utf8(std::u32string_view text);

// Decodes one character at `pos` and advances it; an invalid sequence gives
// U+FFFD and consumes one byte.
char32_t next_utf8(std::string_view text, std::size_t& pos);
std::u32string from_utf8(std::string_view text);

}  // namespace quorvel_tool
