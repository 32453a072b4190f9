#include "platform/large_allocator.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace platform {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

#if defined(__linux__)
constexpr bool kMapsLargeBlocks = true;
#else
constexpr bool kMapsLargeBlocks = false;
#endif

bool IsLarge(std::size_t bytes) { return kMapsLargeBlocks && bytes >= kHugePage; }

// Rounded up to whole huge pages, so munmap gets back what mmap gave.
std::size_t MappedSize(std::size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }

}  // namespace

void* AllocateLarge(std::size_t bytes) {
#if defined(__linux__)
  if (IsLarge(bytes)) {
    void* block = mmap(nullptr, MappedSize(bytes), PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    madvise(block, MappedSize(bytes), MADV_HUGEPAGE);  // a hint; refusal changes nothing
    return block;
  }
#endif
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void FreeLarge(void* block, std::size_t bytes) noexcept {
  if (block == nullptr) return;
#if defined(__linux__)
  if (IsLarge(bytes)) {
    munmap(block, MappedSize(bytes));
    return;
  }
#endif
  std::free(block);
}

}  // namespace platform
