// The first half of the block processor as the program runs it: shape_and_split's steps (the
// readable definition, shaping.h) with every per-index factor taken from the block tables and the
// per-index steps fused into one pass per element, on the plain or a vector path.
#pragma once

#include <cstdint>

#include "dsp/block_path.h"
#include "dsp/settings.h"
#include "dsp/state.h"

namespace zelmar {

// convert_window by the given path.
void convert_window_with(BlockPath path, const int16_t* window, float* left, float* right);

// Equalizer correction, pre-emphasis, tilt, low-end ramp and band split of elements begin..end-1
// of both channels' spectra in one pass: each element goes through the steps in their order,
// rounded to single precision after each. left/right keep the high band, low_left/low_right get
// the low band.
void shape_spectrum_range(const BlockTables& tables, int begin, int end, float* left, float* right,
                          float* low_left, float* low_right);

// The same for the whole spectrum by the given path.
void shape_spectrum_with(BlockPath path, const BlockTables& tables, float* left, float* right,
                         float* low_left, float* low_right);

// shape_and_split with state.tables, which must be current for these settings (block_tables.h).
void shape_and_split_fast(ProcessorState& state, BlockPath path);

}  // namespace zelmar
