// The block processor: turns the whole analysis window (state.input_window) into output_block.
#pragma once

#include "dsp/settings.h"
#include "dsp/state.h"

namespace zelmar {

// Processes one window: shaping and band split, then the band dynamics and output stage.
// Reads input_window and eq_curve, rewrites the work and low-band arrays and output_block, and
// carries the six gains on to the next call.
void process_block(ProcessorState& state, const BlockSettings& settings);

}  // namespace zelmar
