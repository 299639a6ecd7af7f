# Script mode: writes SOURCE and HEADER holding the bytes of INPUT.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${HEADER}" "// Generated from ${INPUT}; do not edit.
#pragma once
#include <string_view>
namespace quorvel_embedded {
std::string_view ${SYMBOL}() noexcept;
}
")
file(WRITE "${SOURCE}" "// Generated from ${INPUT}; do not edit.
#include \"embedded/${SYMBOL}.hpp\"
namespace {
// One byte more than the file so that an empty file still gives a valid array.
const unsigned char data[${size} + 1] = {
${bytes}0x00};
}
namespace quorvel_embedded {
std::string_view ${SYMBOL}() noexcept {
  return {reinterpret_cast<const char*>(data), ${size}};
}
}
")
