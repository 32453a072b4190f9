#include "preproc/indexer/chunk_pipe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace preproc {
namespace {

// Record i holds i % 21 bytes of the value i: sizes 0 to 20, so some need no
// padding, most need some, and one of 20 bytes (32 with its header) leaves a
// 64-byte chunk too little room for the next large one.
std::uint32_t SizeOf(std::uint32_t i) { return i % 21; }

// Records go through chunks of 64 bytes, at most four ahead: they arrive
// whole and in order, each with its key, its size and its data, 8-byte
// aligned; a record that does not fit starts the next chunk, and a
// reservation left uncommitted at the end adds nothing.
TEST(ChunkPipe, RecordsArriveWholeAndInOrder) {
  ChunkPipe pipe(64, 4);
  const std::uint32_t n = 5000;
  std::thread producer([&pipe] {
    for (std::uint32_t i = 0; i < n; ++i) {
      char* data = pipe.ReserveRecord(20);
      if (data == nullptr) break;  // cannot be: the consumer never closes
      std::memset(data, static_cast<char>(i), SizeOf(i));
      pipe.CommitRecord(i * 7, SizeOf(i));
    }
    EXPECT_NE(pipe.ReserveRecord(56), nullptr);  // a fresh chunk, reserved, never committed
    pipe.Finish();
  });
  ChunkPipe::Record record;
  std::uint32_t seen = 0;
  int chunks = 0;
  for (;; ++seen) {
    if (pipe.AtChunkEnd()) ++chunks;
    if (!pipe.NextRecord(&record)) break;
    ASSERT_LT(seen, n);
    ASSERT_EQ(record.key, seen * 7);
    ASSERT_EQ(record.size, SizeOf(seen));
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(record.data) % 8, 0u);
    for (std::uint32_t k = 0; k < record.size; ++k) {
      ASSERT_EQ(record.data[k], static_cast<char>(seen)) << "record " << seen;
    }
  }
  producer.join();
  EXPECT_EQ(seen, n);
  EXPECT_GT(chunks, 1000);                 // most chunks hold two or three records
  EXPECT_FALSE(pipe.NextRecord(&record));  // and stays at the end
}

// A consumer that closes the pipe frees a producer waiting for room with
// every chunk full: its reservation comes back empty.
TEST(ChunkPipe, CloseFreesAWaitingProducer) {
  ChunkPipe pipe(16, 2);
  int refused_at = -1;
  std::thread producer([&pipe, &refused_at] {
    for (int i = 0; i < 100; ++i) {
      if (pipe.ReserveRecord(8) == nullptr) {
        refused_at = i;
        return;
      }
      pipe.CommitRecord(0, 8);
    }
  });
  ChunkPipe::Record record;
  EXPECT_TRUE(pipe.NextRecord(&record));  // one taken and kept: the producer fills the other
  pipe.Close();                           // and waits, unless the close comes first
  producer.join();
  EXPECT_GE(refused_at, 1);
  EXPECT_LE(refused_at, 2);
}

}  // namespace
}  // namespace preproc
