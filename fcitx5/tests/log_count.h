// Counting log messages in captured Fcitx5 log output.
#pragma once

#include <cstddef>
#include <string>

namespace fcitx {

// How often `needle` occurs in `log`, without overlaps.
inline size_t countInLog(const std::string& log, const std::string& needle) {
  size_t count = 0;
  for (size_t pos = log.find(needle); pos != std::string::npos;
       pos = log.find(needle, pos + needle.size())) {
    ++count;
  }
  return count;
}

}  // namespace fcitx
