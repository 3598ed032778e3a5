#include "dsp/run_memory.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdint>
#include <new>

namespace zelmar {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kAlign = 64;

// Maps twice the page size so that one aligned huge page fits inside; the unused rest is never
// touched and costs nothing. Null when the mapping fails.
char* map_region() {
  void* p = mmap(nullptr, 2 * kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  const auto address = reinterpret_cast<std::uintptr_t>(p);
  char* begin = reinterpret_cast<char*>((address + kHugePage - 1) & ~(kHugePage - 1));
  madvise(begin, kHugePage, MADV_HUGEPAGE);  // a hint: small pages work as well
  return begin;
}

char* region_begin() {
  static char* const begin = map_region();
  return begin;
}

std::atomic<std::size_t> region_used{0};

bool in_region(const void* pointer) {
  const char* begin = region_begin();
  const char* p = static_cast<const char*>(pointer);
  return begin != nullptr && p >= begin && p < begin + kHugePage;
}

}  // namespace

void* run_memory_allocate(std::size_t bytes) {
  char* begin = region_begin();
  const std::size_t rounded = (bytes + kAlign - 1) & ~(kAlign - 1);
  if (begin != nullptr && rounded <= kHugePage) {
    const std::size_t offset = region_used.fetch_add(rounded);
    if (offset + rounded <= kHugePage) return begin + offset;
  }
  return ::operator new(bytes, std::align_val_t{kAlign});
}

void run_memory_release(void* pointer, std::size_t /*bytes*/) noexcept {
  if (pointer == nullptr || in_region(pointer)) return;
  // The unsized form: Clang offers sized deallocation only with -fsized-deallocation.
  ::operator delete(pointer, std::align_val_t{kAlign});
}

}  // namespace zelmar
