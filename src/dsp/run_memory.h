// Memory for the large per-run buffers, tables and transform scratch, taken from one region that
// the kernel may back with a 2 MiB page: touching it then costs one page fault instead of one per
// 4 KiB page, which on virtual machines is a noticeable share of a short run.
#pragma once

#include <cstddef>
#include <vector>

namespace zelmar {

// Returns `bytes` bytes aligned to 64 bytes, zero on first use when they come from the region;
// from operator new once the region is used up or could not be mapped. Never returns null
// (throws std::bad_alloc).
void* run_memory_allocate(std::size_t bytes);

// Gives back what run_memory_allocate returned for this size. Region memory is not reused.
void run_memory_release(void* pointer, std::size_t bytes) noexcept;

template <class T>
struct RunAllocator {
  using value_type = T;
  RunAllocator() = default;
  template <class U>
  RunAllocator(const RunAllocator<U>&) noexcept {}
  T* allocate(std::size_t count) { return static_cast<T*>(run_memory_allocate(count * sizeof(T))); }
  void deallocate(T* pointer, std::size_t count) noexcept {
    run_memory_release(pointer, count * sizeof(T));
  }
  template <class U>
  bool operator==(const RunAllocator<U>&) const noexcept { return true; }
};

// A vector whose elements live in the run memory.
template <class T>
using RunVector = std::vector<T, RunAllocator<T>>;

}  // namespace zelmar
