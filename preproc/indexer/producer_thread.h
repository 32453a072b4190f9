// ProducerThread: the life of a producing thread that hands records, through
// a ChunkPipe it owns, to the thread that made it (the consumer). The index
// run's two second threads, ArticleWordReader and EntryMaker, are each one.
//
// Making a ProducerThread starts the body on the new thread at once: the
// owner makes it its last member, so everything the body uses is ready
// before it starts and still there until it has been joined. The body puts
// its records into the pipe it is given and returns when it has no more, or
// as soon as a reservation comes back nullptr (the consumer has gone). When
// it returns, or throws, the pipe is finished: the consumer reads every
// record committed before and then, instead of the end, gets what the body
// threw (no memory, say) thrown again by NextRecord, at that place and at
// every later call. A thread the system cannot start (no room for its stack)
// throws std::bad_alloc from the constructor, as any allocation that fails.
//
// Destroying a ProducerThread closes the pipe, which frees a body waiting for
// room, and joins the thread, whatever state either side is in; the consumer
// may stop reading at any point.
#ifndef KPX_PREPROC_INDEXER_PRODUCER_THREAD_H_
#define KPX_PREPROC_INDEXER_PRODUCER_THREAD_H_

#include <cstddef>
#include <exception>
#include <functional>
#include <thread>

#include "preproc/indexer/chunk_pipe.h"

namespace preproc {

class ProducerThread {
 public:
  using Body = std::function<void(ChunkPipe& pipe)>;

  // chunk_bytes, chunks: the pipe's (ChunkPipe).
  ProducerThread(std::size_t chunk_bytes, std::size_t chunks, Body body);
  ~ProducerThread();
  ProducerThread(const ProducerThread&) = delete;
  ProducerThread& operator=(const ProducerThread&) = delete;

  // The consumer's side (ChunkPipe): the next record, false after the last;
  // throws what the body threw once the records before it have been read.
  bool NextRecord(ChunkPipe::Record* record) {
    if (pipe_.NextRecord(record)) return true;
    if (failure_) std::rethrow_exception(failure_);
    return false;
  }
  bool AtChunkEnd() const { return pipe_.AtChunkEnd(); }

 private:
  void Run();  // the thread

  ChunkPipe pipe_;
  Body body_;
  // What the body threw: set by the thread before it finishes the pipe, read
  // by the consumer only after the pipe's end, so the pipe orders the two.
  std::exception_ptr failure_;
  std::thread thread_;  // last: starts once everything above is ready
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_PRODUCER_THREAD_H_
