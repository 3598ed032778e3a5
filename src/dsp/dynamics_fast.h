// The second half of the block processor as the program runs it: run_frame_loop and
// restore_weighting (the readable definitions, dynamics.h) on the plain or a vector path.
#pragma once

#include "dsp/block_path.h"
#include "dsp/settings.h"
#include "dsp/shaping.h"
#include "dsp/state.h"

namespace zelmar {

// run_frame_loop by the given path. The vector path runs the four envelopes side by side, and
// the mixes and limiters of each frame a few frames later; the envelopes never look at the mixes
// or limiters, so the order changes nothing.
void run_frame_loop_with(BlockPath path, ProcessorState& state, const BlockSettings& settings,
                         const EnvelopeCoefficients& coefficients);

// restore_weighting by the given path, with the factors of state.tables (built for a weighted
// curve).
void restore_weighting_with(BlockPath path, ProcessorState& state);

}  // namespace zelmar
