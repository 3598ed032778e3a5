// The block processor: turns the whole analysis window (state.input_window) into output_block.
#pragma once

#include "dsp/block_path.h"
#include "dsp/settings.h"
#include "dsp/state.h"

namespace zelmar {

// Processes one window: shaping and band split, then the band dynamics and output stage.
// Reads input_window and eq_curve, rewrites the work and low-band arrays and output_block, and
// carries the six gains on to the next call. Runs on block_path_in_use() with state.tables,
// which it (re)builds first when they are missing or were built for other settings or another
// eq_curve (block_tables.h).
void process_block(ProcessorState& state, const BlockSettings& settings);

// The same on the given path (one of block_paths_available()).
void process_block_with(BlockPath path, ProcessorState& state, const BlockSettings& settings);

// The same by the readable step functions alone (shaping.h, dynamics.h), without tables: the
// definition that every path reproduces bit for bit.
void process_block_by_steps(ProcessorState& state, const BlockSettings& settings);

}  // namespace zelmar
