#include "dsp/block_path.h"

#include <cstdlib>
#include <cstring>

namespace zelmar {

std::vector<BlockPath> block_paths_available() {
  std::vector<BlockPath> paths{BlockPath::plain};
#ifdef ZELMAR_BLOCK_X86
  if (__builtin_cpu_supports("avx2")) paths.push_back(BlockPath::avx2);
#endif
  return paths;
}

BlockPath block_path_in_use() {
  static const BlockPath chosen = [] {
    const char* wanted = std::getenv("ZELMAR_BLOCK_PATH");
    if (wanted != nullptr && std::strcmp(wanted, "plain") == 0) return BlockPath::plain;
    return block_paths_available().back();
  }();
  return chosen;
}

const char* block_path_name(BlockPath path) {
  return path == BlockPath::avx2 ? "avx2" : "plain";
}

}  // namespace zelmar
