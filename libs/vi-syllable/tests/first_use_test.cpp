// The tables and letter lookups are built on first use; several threads
// arriving at once must all see them complete (run under TSan or ASan).
#include <gtest/gtest.h>

#include <latch>
#include <thread>
#include <vector>

#include "vi_syllable/vi_syllable.hpp"

namespace vi_syllable {
namespace {

TEST(FirstUseTest, ConcurrentFirstCallsSeeCompleteTables) {
  constexpr int THREADS = 8;
  std::latch start(THREADS);
  std::vector<int> wrong(THREADS, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < THREADS; ++t) {
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      // Each thread enters through a different door first.
      const int first = t % 4;
      for (int round = 0; round < 4; ++round) {
        switch ((first + round) % 4) {
          case 0:
            wrong[t] += check_with("nghiêng", 0, false) != SyllableStatus::Valid;
            break;
          case 1:
            wrong[t] += tables().PARTIAL_CLUSTERS.size() != 72;
            break;
          case 2:
            wrong[t] += compose_char(U'u', Mark::Horn, 5, true) != U'Ự';
            break;
          case 3:
            wrong[t] += decompose_char(U'ặ').tone != 5;
            break;
        }
      }
      wrong[t] += check_final("quyêt", 1, false) != SyllableStatus::Valid;
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < THREADS; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace vi_syllable
