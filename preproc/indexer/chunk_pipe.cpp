#include "preproc/indexer/chunk_pipe.h"

#include <utility>

namespace preproc {

ChunkPipe::ChunkPipe(std::size_t chunk_bytes, std::size_t chunks)
    : chunk_bytes_(chunk_bytes), chunks_(chunks) {
  for (Chunk& chunk : chunks_) {
    chunk.words.reset(new std::uint64_t[chunk_bytes / 8]);
    empty_.push_back(&chunk);
  }
}

char* ChunkPipe::Reserve(std::size_t bytes) {
  if (filling_ != nullptr && chunk_bytes_ - filling_->used >= bytes) {
    return reinterpret_cast<char*>(filling_->words.get()) + filling_->used;
  }
  HandOn();
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return closed_ || !empty_.empty(); });
  if (closed_) return nullptr;
  filling_ = empty_.front();
  empty_.pop_front();
  filling_->used = 0;
  return reinterpret_cast<char*>(filling_->words.get());
}

void ChunkPipe::HandOn() {
  if (filling_ == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // A chunk with nothing in it goes back, so no chunk taken is empty.
    (filling_->used == 0 ? empty_ : full_).push_back(std::exchange(filling_, nullptr));
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

std::span<const char> ChunkPipe::Take() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (taken_ != nullptr) {
    empty_.push_back(std::exchange(taken_, nullptr));
    changed_.notify_all();
  }
  changed_.wait(lock, [this] { return finished_ || !full_.empty(); });
  if (full_.empty()) return {};
  taken_ = full_.front();
  full_.pop_front();
  return {reinterpret_cast<const char*>(taken_->words.get()), taken_->used};
}

void ChunkPipe::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

}  // namespace preproc
