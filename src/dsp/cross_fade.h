// The stream driver's cross-fade of two renderings of the same half block.
#pragma once

#include <cstdint>

#include "dsp/block_path.h"

namespace zelmar {

// Blends the previous window's rendering of a half block (`older`, BLOCK_FRAMES interleaved
// samples) with the current one's (`newer`) into `blend`: older x (1 - w) + newer x w with
// w = i / BLOCK_FRAMES for sample i, truncated toward zero. The weight rises over the interleaved
// samples, so a frame's right sample weighs one step more than its left one.
void cross_fade(const int16_t* older, const int16_t* newer, int16_t* blend);

// The same by the given path.
void cross_fade_with(BlockPath path, const int16_t* older, const int16_t* newer, int16_t* blend);

}  // namespace zelmar
