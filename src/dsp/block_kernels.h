// The vectorised kernels of the block processor, one set per instruction set. Each gives the same
// bits as the plain code it stands for (named beside each one), element by element: the same
// double-precision operations in the same order, rounded to single precision at the same places.
// Only compiled where ZELMAR_BLOCK_X86 is defined (block_path.h), and only to be called when
// block_path_in_use() allows it.
#pragma once

#include <cstdint>

#include "dsp/block_path.h"
#include "dsp/block_tables.h"
#include "dsp/shaping.h"

namespace zelmar {

// The frame loop's inputs and gain memory, gathered for the kernels.
struct FrameLoopParams {
  // Per envelope lane, in the order hi_left, lo_left, hi_right, lo_right.
  float threshold[4];
  float release_step[4];
  float attack_coef[4];
  double linear_step[4];  // 0.023 / attack time, in double precision as the linear attack forms it
  float band_gain[4];     // hi_gain, lo_gain, hi_gain, lo_gain
  double width;           // lo_stereo
  bool logarithmic;       // attack_curve
};

// The six gains of the gain memory, envelopes in lane order.
struct FrameGains {
  float envelope[4];
  float limit_left;
  float limit_right;
};

#ifdef ZELMAR_BLOCK_X86
namespace avx2 {

// convert_window with the given scale: left[i] = window[2i] x scale, right[i] = window[2i + 1] x
// scale, rounded to single precision, for `frames` frames (a multiple of 4).
void convert_window(const int16_t* window, float scale, int frames, float* left, float* right);

// shape_spectrum_range (shaping_fast.h) for begin..end, both multiples of 4, begin >= ramp_end.
void shape_spectrum_range(const BlockTables& tables, int begin, int end, float* left,
                          float* right, float* low_left, float* low_right);

// Multiplies elements begin..end-1 (multiples of 4) of both arrays by factors[i], rounding each.
void scale_by_table(const double* factors, int begin, int end, float* left, float* right);

// to_sample16 of left[j] and right[j] into out[2j], out[2j+1], for all N frames.
void interleave_samples16(const float* left, const float* right, int16_t* out);

// run_frame_loop on the work and low-band arrays: per frame the bass width and the four envelope
// steps; a few frames behind, both mixes (stored in work_left/work_right), both limiters and the
// 16-bit samples (out[2j], out[2j + 1]). The envelopes never look at the mixes or limiters, so
// running these later changes nothing. Gains are updated in place.
void run_frames(const FrameLoopParams& params, FrameGains& gains, float* work_left,
                float* work_right, const float* low_left, const float* low_right, int16_t* out);

// cross_fade (cross_fade.h) of BLOCK_FRAMES samples.
void cross_fade(const int16_t* older, const int16_t* newer, int16_t* blend);

}  // namespace avx2
#endif

}  // namespace zelmar
