// ChunkPipe: records handed from one producing thread to one consuming
// thread, in order, in chunks of bytes, the producer at most a fixed number
// of chunks ahead. The index run's second threads (ArticleWordReader,
// EntryMaker, each through a ProducerThread) put their records into it; the
// run's thread takes them.
//
// A record is a key and the size of its data, then the data: an 8-byte
// header and the data padded to a multiple of 8, back to back in a chunk; a
// record never spans two chunks. The producer reserves room for the largest
// record it may write, writes the data in place and commits the record with
// its key and its actual size; a chunk without room for a reservation is
// handed on first. Finish hands on the last chunk. The consumer reads the
// records one by one; a record's data stays valid until the consumer reads
// past the end of the chunk that holds it, which gives that chunk back to the
// producer. Close (the consumer has gone) makes every later reservation
// return nullptr, also one waiting for room, so a producer never waits for a
// consumer that has left.
//
// Every record's data is 8-byte aligned; what the producer wrote before
// handing a chunk on is visible to the consumer once it reads from that
// chunk. The pipe allocates its chunks when it is made and nothing after, so
// neither side can run out of memory in it.
#ifndef KPX_PREPROC_INDEXER_CHUNK_PIPE_H_
#define KPX_PREPROC_INDEXER_CHUNK_PIPE_H_

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace preproc {

class ChunkPipe {
 public:
  static constexpr std::size_t kHeaderBytes = 8;  // key, size

  // chunk_bytes: a multiple of 8, at least kHeaderBytes plus the largest
  // record's padded data.
  ChunkPipe(std::size_t chunk_bytes, std::size_t chunks);
  ChunkPipe(const ChunkPipe&) = delete;
  ChunkPipe& operator=(const ChunkPipe&) = delete;

  struct Record {
    std::uint32_t key;
    std::uint32_t size;  // bytes of data
    const char* data;
  };

  // --- the producer's side ---
  // Room for the data of one record of up to max_size bytes (padded, with
  // its header, at most chunk_bytes); nullptr once the consumer has closed
  // the pipe.
  char* ReserveRecord(std::size_t max_size) {
    const std::size_t bytes = kHeaderBytes + Padded(max_size);
    char* room = filling_ != nullptr && chunk_bytes_ - filling_->used >= bytes
                     ? Base(filling_) + filling_->used
                     : ReserveInNextChunk();
    return room != nullptr ? room + kHeaderBytes : nullptr;
  }
  // Ends the record reserved last: its key and the size of its data (at most
  // what was reserved). The padding bytes stay as the producer left them.
  void CommitRecord(std::uint32_t key, std::uint32_t size) {
    char* header = Base(filling_) + filling_->used;
    std::memcpy(header, &key, 4);
    std::memcpy(header + 4, &size, 4);
    filling_->used += kHeaderBytes + Padded(size);
  }
  // Hands on the last chunk; the consumer's reading then ends after it.
  void Finish();

  // --- the consumer's side ---
  // The next record; false once the producer has finished and every record
  // has been read (and from then on).
  bool NextRecord(Record* record) {
    if (AtChunkEnd() && !TakeNextChunk()) return false;
    const char* header = Base(taken_) + position_;
    std::memcpy(&record->key, header, 4);
    std::memcpy(&record->size, header + 4, 4);
    record->data = header + kHeaderBytes;
    position_ += kHeaderBytes + Padded(record->size);
    return true;
  }
  // True when the next NextRecord begins another chunk, which ends the
  // validity of every record read so far.
  bool AtChunkEnd() const { return taken_ == nullptr || position_ >= taken_->used; }
  // The consumer reads no more.
  void Close();

 private:
  struct Chunk {
    std::unique_ptr<std::uint64_t[]> words;
    std::size_t used = 0;
  };
  // Chunks in order, with room for every chunk of the pipe: it never allocates.
  class ChunkQueue {
   public:
    explicit ChunkQueue(std::size_t capacity)
        : slots_(std::make_unique<Chunk*[]>(capacity)), capacity_(capacity) {}
    bool empty() const { return count_ == 0; }
    void Push(Chunk* chunk) { slots_[(head_ + count_++) % capacity_] = chunk; }
    Chunk* Pop() {
      Chunk* chunk = slots_[head_];
      head_ = (head_ + 1) % capacity_;
      --count_;
      return chunk;
    }

   private:
    std::unique_ptr<Chunk*[]> slots_;
    std::size_t capacity_;
    std::size_t head_ = 0;
    std::size_t count_ = 0;
  };

  static std::size_t Padded(std::size_t bytes) { return (bytes + 7) & ~std::size_t{7}; }
  static char* Base(Chunk* chunk) { return reinterpret_cast<char*>(chunk->words.get()); }

  char* ReserveInNextChunk();  // the start of a fresh chunk, or nullptr once closed
  void HandOn();
  bool TakeNextChunk();  // gives back the chunk taken before; false at the end

  const std::size_t chunk_bytes_;
  std::vector<Chunk> chunks_;

  std::mutex mutex_;
  std::condition_variable changed_;
  ChunkQueue full_;        // handed on, in order
  ChunkQueue empty_;       // free for the producer
  bool closed_ = false;    // the consumer has gone
  bool finished_ = false;  // the producer has handed on its last chunk

  Chunk* filling_ = nullptr;  // the producer's
  Chunk* taken_ = nullptr;    // the consumer's, and its read position
  std::size_t position_ = 0;
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_CHUNK_PIPE_H_
