// Counts heap allocations made through the global operator new, so that a
// benchmark can report allocations per call.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace quorvel_bench {

std::uint64_t allocation_count() noexcept;

// Counts the allocations made while it lives.
class AllocationScope {
 public:
  AllocationScope() noexcept : start_(allocation_count()) {}
  std::uint64_t count() const noexcept { return allocation_count() - start_; }

 private:
  std::uint64_t start_;
};

// The words of Debian's Vietnamese hunspell dictionary (one per line after
// the count line, flags after '/' dropped); empty when it is missing.
inline std::vector<std::string> hunspell_words(const char* path = QUORVEL_HUNSPELL_DIC) {
  std::vector<std::string> words;
  std::ifstream in(path);
  std::string line;
  bool first = true;
  while (std::getline(in, line)) {
    if (first) {
      first = false;
      continue;
    }
    if (auto slash = line.find('/'); slash != std::string::npos) line.resize(slash);
    if (!line.empty()) words.push_back(line);
  }
  return words;
}

}  // namespace quorvel_bench
