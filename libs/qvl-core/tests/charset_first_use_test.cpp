// A program of its own, so that the tables are first built here, by several
// threads at once.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "qvl_core/charset.hpp"

namespace cs = qvl_core::charset;

TEST(CharsetFirstUse, ConcurrentCallersShareOneBuild) {
  constexpr int THREADS = 4;
  std::vector<std::string> results(THREADS);
  std::vector<const cs::Tables*> seen(THREADS);
  {
    std::vector<std::jthread> threads;
    for (int t = 0; t < THREADS; ++t) {
      threads.emplace_back([&, t] {
        results[t] = cs::convert("TiÕng ViÖt", "tcvn3", "viqr");
        seen[t] = &cs::tables();
      });
    }
  }
  for (int t = 0; t < THREADS; ++t) {
    EXPECT_EQ(results[t], "Tie^'ng Vie^.t");
    EXPECT_EQ(seen[t], seen[0]);
  }
}
