// Second half of the block processor: bass width, compressor envelopes, mix, limiter, 16-bit
// output and the weighted-curve closing pass.
#pragma once

#include <cstdint>

#include "dsp/settings.h"
#include "dsp/shaping.h"
#include "dsp/state.h"

namespace zelmar {

// Advances one compressor envelope `gain` (0..1, updated in place) by one band sample x: first
// the release step (up to exactly 1), then, when |gain * x| reaches `threshold`, the attack toward
// the gain that puts x on the threshold (logarithmic: share attack_coef of the distance; linear:
// 0.023 / attack_time_ms per sample, never past the target).
void envelope_step(float& gain, float x, float threshold, float release_step,
                   float attack_time_ms, float attack_coef, bool attack_curve);

// Advances a limiter gain (updated in place) by one mixed sample y: recovery by 0.0004 per sample
// up to 1, then an instant cut so that |y * gain| stays at LIMIT_CEILING. Returns y * gain in double.
double limiter_step(float& limit_gain, float y);

// Turns a value on the scale where 1.0 is full scale into a 16-bit sample: times 32767, truncated
// toward zero, saturated to -32768..32767; not-a-number gives 0.
int16_t to_sample16(double z);

// The frame loop: reads the high bands in work_left/right and the low bands in low_left/right,
// advances the six gains, writes output_block and leaves the unlimited mix in work_left/right.
void run_frame_loop(ProcessorState& state, const BlockSettings& settings,
                    const EnvelopeCoefficients& coefficients);

// Factor sqrt(30 / j) of element j >= 1 in the closing pass.
double restore_factor(int j);

// Closing pass for the weighted curve: rebuilds output_block from the unlimited mix after
// multiplying element j (j >= 1) of its packed spectrum by sqrt(30 / j).
void restore_weighting(ProcessorState& state);

}  // namespace zelmar
