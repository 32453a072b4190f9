#include "platform/large_allocator.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace platform {
namespace {

void* AllocateFromHeap(std::size_t bytes) {
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

#if defined(__linux__)
constexpr std::size_t kHugePage = std::size_t{2} << 20;

bool IsLarge(std::size_t bytes) { return bytes >= kHugePage; }

// Rounded up to whole huge pages, so munmap gets back what mmap gave.
std::size_t MappedSize(std::size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }
#endif

}  // namespace

#if defined(__linux__)
void* AllocateLarge(std::size_t bytes) {
  if (!IsLarge(bytes)) return AllocateFromHeap(bytes);
  void* block =
      mmap(nullptr, MappedSize(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
  madvise(block, MappedSize(bytes), MADV_HUGEPAGE);  // a hint; refusal changes nothing
  return block;
}

void* AllocateZeroedLarge(std::size_t bytes) {
  if (IsLarge(bytes)) return AllocateLarge(bytes);
  void* block = std::calloc(bytes == 0 ? 1 : bytes, 1);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void FreeLarge(void* block, std::size_t bytes) noexcept {
  if (block == nullptr) return;
  if (IsLarge(bytes)) {
    munmap(block, MappedSize(bytes));
  } else {
    std::free(block);
  }
}
#else
void* AllocateLarge(std::size_t bytes) { return AllocateFromHeap(bytes); }

void* AllocateZeroedLarge(std::size_t bytes) {
  void* block = std::calloc(bytes == 0 ? 1 : bytes, 1);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void FreeLarge(void* block, std::size_t /*bytes*/) noexcept { std::free(block); }
#endif

}  // namespace platform
