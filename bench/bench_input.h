// Input material shared by the benchmarks.
#pragma once

#include <cstdint>
#include <vector>

#include "dsp/settings.h"
#include "dsp/state.h"

namespace zelmar::bench {

// Interleaved 16-bit stereo samples of the benchmark music (ZELMAR_BENCH_MUSIC), header included,
// at most `half_blocks` half blocks of it; a synthetic two-tone signal of that length when the
// file cannot be read.
std::vector<int16_t> music_samples(int half_blocks);

// The settings the command line gives with no numbers (the defaults).
BlockSettings default_settings();

// The settings of the "ZedeRU" preset (automatic equalizer on, strength 25, linearity 150).
BlockSettings preset_settings();

// Copies window `index` (two half blocks, wrapping around) of `samples` into state.input_window.
void load_window(const std::vector<int16_t>& samples, int index, ProcessorState& state);

}  // namespace zelmar::bench
