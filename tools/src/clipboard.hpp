// The desktop clipboard through the usual command line tools: wl-paste and
// wl-copy on Wayland, xclip on X11.
#pragma once

#include <string>
#include <string_view>

namespace quorvel_tool {

std::string clipboard_read();
void clipboard_write(std::string_view text);

}  // namespace quorvel_tool
