#include "dsp/run_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace zelmar {
namespace {

// Blocks from the region and, once it is used up, from the heap: each aligned, writable in full
// and apart from every other live block.
TEST(RunMemory, BlocksAreAlignedWritableAndApart) {
  const std::size_t sizes[] = {1, 64, 100, 65536, 1 << 20, 1 << 20, 3 << 20, 8};
  std::vector<std::pair<unsigned char*, std::size_t>> blocks;
  for (std::size_t k = 0; k < std::size(sizes); ++k) {
    auto* p = static_cast<unsigned char*>(run_memory_allocate(sizes[k]));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 64, 0u) << sizes[k] << " bytes";
    std::memset(p, static_cast<int>(k + 1), sizes[k]);
    blocks.emplace_back(p, sizes[k]);
  }
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    const auto [p, size] = blocks[k];
    for (std::size_t i = 0; i < size; i += 4093) {
      ASSERT_EQ(p[i], k + 1) << "block " << k << " was overwritten at " << i;
    }
    ASSERT_EQ(p[size - 1], k + 1) << "block " << k << " was overwritten at its end";
  }
  for (const auto& [p, size] : blocks) run_memory_release(p, size);
}

TEST(RunMemory, VectorsKeepTheirValuesAcrossGrowth) {
  RunVector<double> values;
  for (int i = 0; i < 100000; ++i) values.push_back(i * 0.5);
  for (int i = 0; i < 100000; i += 997) ASSERT_EQ(values[i], i * 0.5);
}

}  // namespace
}  // namespace zelmar
