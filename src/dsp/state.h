// The processing state shared by the stream driver, the spectrum survey and the block processor:
// fixed constants, the sample buffers and the six gains that carry the dynamics from block to block.
#pragma once

#include <cstdint>

#include "dsp/block_tables.h"
#include "dsp/run_memory.h"

namespace zelmar {

// Analysis window length in stereo frames and length of every real transform. The window
// advances by half of it (8192 frames = 16384 samples = 32768 bytes) per block.
constexpr int BLOCK_FRAMES = 16384;
// Sample rate assumed for every input; the file header is never consulted.
constexpr float SAMPLE_RATE = 44100.0f;
// Largest magnitude the limiter lets through (1.0 is full scale).
constexpr float LIMIT_CEILING = 0.999f;

// Bytes in one half block: the unit of every read and write of the block loop and the survey.
constexpr int HALF_BLOCK_BYTES = 2 * BLOCK_FRAMES;

struct ProcessorState {
  RunVector<int16_t> input_window;  // 2*BLOCK_FRAMES samples: older half block, then newest
  RunVector<int16_t> output_block;  // 2*BLOCK_FRAMES samples: processed window, interleaved
  RunVector<int16_t> previous_tail; // BLOCK_FRAMES samples: previous block's second half
  RunVector<float> work_left;       // BLOCK_FRAMES: signal, spectrum, high band, mix
  RunVector<float> work_right;
  RunVector<float> low_left;        // BLOCK_FRAMES: low-band spectrum, then low band
  RunVector<float> low_right;
  RunVector<float> eq_curve;        // BLOCK_FRAMES: equalizer reference (even entries only)

  // Gain memory; never reset during a run. Compressors start attenuated by a factor of ten.
  float gain_hi_left = 0.1f;
  float gain_hi_right = 0.1f;
  float gain_lo_left = 0.1f;
  float gain_lo_right = 0.1f;
  float limit_gain_left = 1.0f;
  float limit_gain_right = 1.0f;

  // Per-run factors of the block processor (prepare_block_tables in block_tables.h).
  BlockTables tables;
};

// Allocates every buffer at its size, all cleared to zero, and sets the gains to their start
// values. Throws std::bad_alloc when memory is short.
void init_processor_state(ProcessorState& state);

}  // namespace zelmar
