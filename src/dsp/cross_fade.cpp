#include "dsp/cross_fade.h"

#include "dsp/block_kernels.h"
#include "dsp/state.h"

namespace zelmar {

// In double precision every term of older x (1 - w) + newer x w is exact (BLOCK_FRAMES is a power
// of two), so this integer form, whose division also truncates toward zero, gives the same samples.
void cross_fade(const int16_t* older, const int16_t* newer, int16_t* blend) {
  for (int i = 0; i < BLOCK_FRAMES; ++i) {
    const int32_t weighted = older[i] * (BLOCK_FRAMES - i) + newer[i] * i;
    blend[i] = static_cast<int16_t>(weighted / BLOCK_FRAMES);
  }
}

void cross_fade_with(BlockPath path, const int16_t* older, const int16_t* newer, int16_t* blend) {
#ifdef ZELMAR_BLOCK_X86
  if (path == BlockPath::avx2) return avx2::cross_fade(older, newer, blend);
#endif
  (void)path;
  cross_fade(older, newer, blend);
}

}  // namespace zelmar
