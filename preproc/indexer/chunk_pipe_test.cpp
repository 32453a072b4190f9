#include "preproc/indexer/chunk_pipe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <future>
#include <memory>
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
// every chunk full: its reservation comes back empty, within two seconds.
// The pipe and what the producer reports live on the heap, shared with the
// producer's thread, so a producer the close never frees is no danger to the
// test binary: the test fails, frees it by reading (a chunk given back wakes
// it too) and joins it; should even that not free it, the thread is left
// waiting on objects of its own, and the binary goes on.
TEST(ChunkPipe, CloseFreesAWaitingProducer) {
  struct Shared {
    ChunkPipe pipe{16, 2};  // one record of 8 bytes a chunk
    std::atomic<bool> waiting{false};
    std::promise<int> refused;
  };
  auto shared = std::make_shared<Shared>();
  std::future<int> refused_at = shared->refused.get_future();
  std::thread producer([shared] {
    for (int i = 0;; ++i) {
      if (i == 2) shared->waiting = true;  // both chunks handed on: this one waits
      if (shared->pipe.ReserveRecord(8) == nullptr) {
        shared->refused.set_value(i);
        return;
      }
      shared->pipe.CommitRecord(0, 8);
    }
  });
  const auto bound = std::chrono::seconds(2);
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!shared->waiting && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  // Time to get into the wait, where only the close can free it.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_NE(refused_at.wait_for(std::chrono::seconds(0)), std::future_status::ready);
  shared->pipe.Close();
  if (refused_at.wait_for(bound) == std::future_status::ready) {
    producer.join();
    EXPECT_EQ(refused_at.get(), 2);
    return;
  }
  ADD_FAILURE() << "the close left the producer waiting for room";
  ChunkPipe::Record record;
  shared->pipe.NextRecord(&record);
  shared->pipe.NextRecord(&record);  // gives the first chunk back
  if (refused_at.wait_for(bound) == std::future_status::ready) {
    producer.join();
  } else {
    producer.detach();
  }
}

}  // namespace
}  // namespace preproc
