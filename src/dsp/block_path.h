// The implementations of the block processor's per-index passes and frame loop: the plain scalar
// code and an AVX2 one (4 doubles per vector), which give identical bits. The fastest one the CPU
// supports is chosen once per process; ZELMAR_BLOCK_PATH=plain in the environment forces the plain
// one. Building with ZELMAR_PORTABLE leaves only the plain path.
#pragma once

#include <vector>

#if defined(__x86_64__) && !defined(ZELMAR_PORTABLE)
#define ZELMAR_BLOCK_X86 1
#endif

namespace zelmar {

enum class BlockPath { plain, avx2 };

// The paths this build and this CPU can run, plain first, fastest last.
std::vector<BlockPath> block_paths_available();

// The path the block processor, the stream driver and the survey use (chosen on first call).
BlockPath block_path_in_use();

// Lower-case name of a path ("plain", "avx2").
const char* block_path_name(BlockPath path);

}  // namespace zelmar
