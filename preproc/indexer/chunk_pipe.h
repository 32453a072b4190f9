// ChunkPipe: chunks of bytes handed from one producing thread to one
// consuming thread, in order, the producer at most a fixed number of chunks
// ahead. The index run's second threads (ArticleWordReader, EntryMaker) put
// their records into it; the run's thread takes them.
//
// The producer reserves room at the end of the chunk it fills and commits
// what it wrote there; a chunk without room for a reservation is handed on
// first. Finish hands on the last chunk. The consumer takes the chunks one by
// one, each taken chunk given back to the producer at the next Take. Close
// (the consumer has gone) makes every later Reserve return nullptr, also one
// waiting for room, so a producer never waits for a consumer that has left.
//
// Chunks are 8-byte aligned; whatever the producer wrote before handing a
// chunk on is visible to the consumer once it has taken that chunk.
#ifndef KPX_PREPROC_INDEXER_CHUNK_PIPE_H_
#define KPX_PREPROC_INDEXER_CHUNK_PIPE_H_

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace preproc {

class ChunkPipe {
 public:
  // chunk_bytes: a multiple of 8, the most one reservation may ask for.
  ChunkPipe(std::size_t chunk_bytes, std::size_t chunks);
  ChunkPipe(const ChunkPipe&) = delete;
  ChunkPipe& operator=(const ChunkPipe&) = delete;

  // The producer's side. Reserve: room for bytes (at most chunk_bytes),
  // 8-byte aligned when every commit is a multiple of 8; nullptr once the
  // consumer has closed the pipe.
  char* Reserve(std::size_t bytes);
  void Commit(std::size_t bytes) { filling_->used += bytes; }
  // Hands on the last chunk; the consumer's Take then ends.
  void Finish();

  // The consumer's side: the next chunk's bytes, giving back the one taken
  // before; empty once the producer has finished and every chunk was taken.
  std::span<const char> Take();
  // The consumer takes no more.
  void Close();

 private:
  struct Chunk {
    std::unique_ptr<std::uint64_t[]> words;
    std::size_t used = 0;
  };

  void HandOn();

  const std::size_t chunk_bytes_;
  std::vector<Chunk> chunks_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Chunk*> full_;   // handed on, in order
  std::deque<Chunk*> empty_;  // free for the producer
  bool closed_ = false;       // the consumer has gone
  bool finished_ = false;     // the producer has handed on its last chunk

  Chunk* filling_ = nullptr;  // the producer's
  Chunk* taken_ = nullptr;    // the consumer's
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_CHUNK_PIPE_H_
