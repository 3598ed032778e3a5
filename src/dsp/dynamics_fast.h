// The second half of the block processor as the program runs it: run_frame_loop and
// restore_weighting (the readable definitions, dynamics.h) on the plain or a vector path.
#pragma once

#include "dsp/block_path.h"
#include "dsp/settings.h"
#include "dsp/shaping.h"
#include "dsp/state.h"

namespace zelmar {

// run_frame_loop by the given path. The vector path runs the four envelopes side by side in one
// pass that writes the mix, then both limiters in a second pass that writes output_block; the
// envelopes never look at the limiters, so the split changes nothing.
void run_frame_loop_with(BlockPath path, ProcessorState& state, const BlockSettings& settings,
                         const EnvelopeCoefficients& coefficients);

// restore_weighting by the given path, with the factors of state.tables (built for a weighted
// curve).
void restore_weighting_with(BlockPath path, ProcessorState& state);

}  // namespace zelmar
