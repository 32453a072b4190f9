#include "preproc/indexer/chunk_pipe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace preproc {
namespace {

// Records of one to four 8-byte numbers go through chunks of 64 bytes, at
// most four ahead: they arrive whole and in order, a record that does not fit
// starts the next chunk, and a reservation left unused at the end adds
// nothing.
TEST(ChunkPipe, RecordsArriveWholeAndInOrder) {
  ChunkPipe pipe(64, 4);
  const std::uint64_t n = 5000;
  std::thread producer([&pipe] {
    for (std::uint64_t i = 0; i < n;) {
      const std::uint64_t words = std::min<std::uint64_t>(1 + i % 4, n - i);
      char* room = pipe.Reserve(8 * words);
      if (room == nullptr) break;  // cannot be: the consumer never closes
      for (std::uint64_t k = 0; k < words; ++k, ++i) std::memcpy(room + 8 * k, &i, 8);
      pipe.Commit(8 * words);
    }
    EXPECT_NE(pipe.Reserve(64), nullptr);  // a fresh chunk, reserved, never committed
    pipe.Finish();
  });
  std::vector<bool> starts(n + 1, false);  // where a record begins
  for (std::uint64_t i = 0; i < n; i += std::min<std::uint64_t>(1 + i % 4, n - i)) starts[i] = true;
  std::vector<std::uint64_t> seen;
  for (std::span<const char> chunk = pipe.Take(); !chunk.empty(); chunk = pipe.Take()) {
    ASSERT_EQ(chunk.size() % 8, 0u);
    ASSERT_LE(chunk.size(), 64u);
    ASSERT_TRUE(starts[seen.size()]) << "a chunk begins inside a record, at " << seen.size();
    for (std::size_t k = 0; k < chunk.size(); k += 8) {
      std::uint64_t value;
      std::memcpy(&value, chunk.data() + k, 8);
      seen.push_back(value);
    }
  }
  producer.join();
  ASSERT_EQ(seen.size(), n);
  for (std::uint64_t i = 0; i < n; ++i) ASSERT_EQ(seen[i], i);
  EXPECT_TRUE(pipe.Take().empty());  // and stays at the end
}

// A consumer that closes the pipe frees a producer waiting for room with
// every chunk full: its reservation comes back empty.
TEST(ChunkPipe, CloseFreesAWaitingProducer) {
  ChunkPipe pipe(16, 2);
  int refused_at = -1;
  std::thread producer([&pipe, &refused_at] {
    for (int i = 0; i < 100; ++i) {
      if (pipe.Reserve(16) == nullptr) {
        refused_at = i;
        return;
      }
      pipe.Commit(16);
    }
  });
  EXPECT_EQ(pipe.Take().size(), 16u);  // one taken and kept: the producer fills the other
  pipe.Close();                        // and waits, unless the close comes first
  producer.join();
  EXPECT_GE(refused_at, 1);
  EXPECT_LE(refused_at, 2);
}

}  // namespace
}  // namespace preproc
