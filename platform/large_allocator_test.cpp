#include "platform/large_allocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace platform {
namespace {

// Blocks on both sides of the mapped-block threshold hold what is written,
// through growth (each step frees the block before it with its own size).
TEST(LargeAllocator, GrowingVectorKeepsItsContents) {
  std::vector<std::uint32_t, LargeAllocator<std::uint32_t>> v;
  const std::uint32_t n = 3u << 20;  // 12 MiB at the end
  for (std::uint32_t i = 0; i < n; ++i) v.push_back(i * 2654435761u);
  for (std::uint32_t i = 0; i < n; i += 4099) ASSERT_EQ(v[i], i * 2654435761u);
  v.clear();
  v.shrink_to_fit();
  EXPECT_TRUE(v.empty());
}

// Zeroed blocks read as zero on both sides of the mapped-block threshold,
// also when the heap hands back memory a freed block dirtied.
TEST(LargeAllocator, ZeroedBlocksAreZero) {
  for (std::size_t bytes : {std::size_t{64}, std::size_t{100000}, std::size_t{5} << 20}) {
    void* dirty = AllocateLarge(bytes);
    std::memset(dirty, 0xAB, bytes);
    FreeLarge(dirty, bytes);
    auto* block = static_cast<unsigned char*>(AllocateZeroedLarge(bytes));
    std::size_t nonzero = 0;
    for (std::size_t i = 0; i < bytes; ++i) nonzero += block[i] != 0;
    EXPECT_EQ(nonzero, 0u) << bytes;
    FreeLarge(block, bytes);
  }
}

}  // namespace
}  // namespace platform
