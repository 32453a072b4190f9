#include "preproc/indexer/producer_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <new>
#include <stdexcept>
#include <thread>

namespace preproc {
namespace {

// Runs work on a thread of its own and waits for it a few seconds at most: a
// hang ends the test binary at once, saying what hung, rather than waiting
// for the test driver's timeout.
void EndsWithinSeconds(const char* what, const std::function<void()>& work) {
  std::promise<void> done;
  std::future<void> ended = done.get_future();
  std::thread runner([&] {
    work();
    done.set_value();
  });
  if (ended.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
    std::fprintf(stderr, "FATAL: %s did not end within 3 seconds\n", what);
    std::fflush(stderr);
    std::_Exit(1);
  }
  runner.join();
}

// Puts records 0, 1, 2, ... (key i, 8 bytes of data) until it has put count
// of them or the consumer has gone; false in the second case.
bool PutNumbers(ChunkPipe& pipe, std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; ++i) {
    char* data = pipe.ReserveRecord(8);
    if (data == nullptr) return false;
    pipe.CommitRecord(i, 8);
  }
  return true;
}

constexpr std::size_t kChunkBytes = 64;  // four records to a chunk
constexpr std::size_t kChunks = 3;

// The consumer reads every record the body committed, over many chunks, and
// then the end; a body that throws has its exception thrown instead of the
// end, right after the records it committed before, and again at every
// later read.
TEST(ProducerThread, FailureReachesTheConsumerAfterTheRecordsBeforeIt) {
  for (const std::uint32_t before : {0u, 1u, 4u, 1001u}) {
    ProducerThread clean(kChunkBytes, kChunks,
                         [before](ChunkPipe& pipe) { PutNumbers(pipe, before); });
    ProducerThread failing(kChunkBytes, kChunks, [before](ChunkPipe& pipe) {
      if (PutNumbers(pipe, before)) throw std::bad_alloc();
    });
    ChunkPipe::Record record;
    for (std::uint32_t i = 0; i < before; ++i) {
      ASSERT_TRUE(clean.NextRecord(&record));
      ASSERT_EQ(record.key, i);
      ASSERT_TRUE(failing.NextRecord(&record)) << before;
      ASSERT_EQ(record.key, i);
    }
    EXPECT_FALSE(clean.NextRecord(&record));
    EXPECT_FALSE(clean.NextRecord(&record));
    EXPECT_THROW(failing.NextRecord(&record), std::bad_alloc) << before;
    EXPECT_THROW(failing.NextRecord(&record), std::bad_alloc) << before;
  }
  // Whatever the body throws comes through as it was thrown.
  ProducerThread other(kChunkBytes, kChunks, [](ChunkPipe&) { throw std::runtime_error("x"); });
  ChunkPipe::Record record;
  EXPECT_THROW(other.NextRecord(&record), std::runtime_error);
}

// Destroying the thread ends it wherever the consumer stopped: before the
// first record, in the middle, with the body waiting for room (every chunk
// full), with the body done, or after a failure that was never read; and
// after the body threw while the consumer had stopped reading.
TEST(ProducerThread, DestructionJoinsWhereverTheConsumerStopped) {
  for (const int taken : {0, 1, 5, 100}) {
    EndsWithinSeconds("a consumer stopping early", [taken] {
      std::atomic<bool> refused{false};
      {
        ProducerThread endless(kChunkBytes, kChunks,
                               [&refused](ChunkPipe& pipe) { refused = !PutNumbers(pipe, ~0u); });
        ChunkPipe::Record record;
        for (int i = 0; i < taken; ++i) ASSERT_TRUE(endless.NextRecord(&record));
        // Give the body time to fill every chunk and wait for room.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      EXPECT_TRUE(refused);  // the body saw the consumer go, and returned
    });
  }
  EndsWithinSeconds("a body that finished unread", [] {
    ProducerThread done(kChunkBytes, kChunks, [](ChunkPipe& pipe) { PutNumbers(pipe, 3); });
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  });
  EndsWithinSeconds("a failure never read", [] {
    ProducerThread failed(kChunkBytes, kChunks, [](ChunkPipe& pipe) {
      PutNumbers(pipe, 100);
      throw std::bad_alloc();
    });
    ChunkPipe::Record record;
    ASSERT_TRUE(failed.NextRecord(&record));
  });
}

}  // namespace
}  // namespace preproc
