// LargeAllocator: a standard allocator for the index run's big tables. Blocks
// of 2 MiB and more are mapped directly and the kernel is asked to back them
// with huge pages, which saves most of their page faults and TLB misses (the
// word tree touches a few hundred MiB of such memory on a large listing).
// Smaller blocks, and every block where the platform has no such request,
// come from the ordinary heap.
#ifndef KPX_PLATFORM_LARGE_ALLOCATOR_H_
#define KPX_PLATFORM_LARGE_ALLOCATOR_H_

#include <cstddef>
#include <new>
#include <string>
#include <vector>

namespace platform {

void* AllocateLarge(std::size_t bytes);  // throws std::bad_alloc like operator new
// A zero-filled block, as AllocateLarge places it. A fresh mapping is zero
// already, so a large block costs no clearing pass of its own.
void* AllocateZeroedLarge(std::size_t bytes);
// Frees a block of either kind; bytes is the size it was allocated with.
void FreeLarge(void* block, std::size_t bytes) noexcept;

template <typename T>
struct LargeAllocator {
  using value_type = T;
  LargeAllocator() = default;
  template <typename U>
  LargeAllocator(const LargeAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(AllocateLarge(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept { FreeLarge(p, n * sizeof(T)); }
  template <typename U>
  bool operator==(const LargeAllocator<U>&) const noexcept {
    return true;
  }
};

// The containers the runs keep their big tables in.
template <typename T>
using LargeVector = std::vector<T, LargeAllocator<T>>;
using LargeString = std::basic_string<char, std::char_traits<char>, LargeAllocator<char>>;

}  // namespace platform

#endif  // KPX_PLATFORM_LARGE_ALLOCATOR_H_
