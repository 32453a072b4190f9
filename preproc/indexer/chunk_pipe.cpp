#include "preproc/indexer/chunk_pipe.h"

#include <utility>

namespace preproc {

ChunkPipe::ChunkPipe(std::size_t chunk_bytes, std::size_t chunks)
    : chunk_bytes_(chunk_bytes), chunks_(chunks), full_(chunks), empty_(chunks) {
  for (Chunk& chunk : chunks_) {
    chunk.words.reset(new std::uint64_t[chunk_bytes / 8]);
    empty_.Push(&chunk);
  }
}

char* ChunkPipe::ReserveInNextChunk() {
  HandOn();
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return closed_ || !empty_.empty(); });
  if (closed_) return nullptr;
  filling_ = empty_.Pop();
  filling_->used = 0;
  return Base(filling_);
}

void ChunkPipe::HandOn() {
  if (filling_ == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // A chunk with nothing in it goes back, so no chunk taken is empty.
    (filling_->used == 0 ? empty_ : full_).Push(std::exchange(filling_, nullptr));
  }
  changed_.notify_all();
}

void ChunkPipe::Finish() {
  HandOn();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
  }
  changed_.notify_all();
}

bool ChunkPipe::TakeNextChunk() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (taken_ != nullptr) {
    empty_.Push(std::exchange(taken_, nullptr));
    changed_.notify_all();
  }
  changed_.wait(lock, [this] { return finished_ || !full_.empty(); });
  if (full_.empty()) return false;
  taken_ = full_.Pop();
  position_ = 0;
  return true;
}

void ChunkPipe::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

}  // namespace preproc
