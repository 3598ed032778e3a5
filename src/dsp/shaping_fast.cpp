#include "dsp/shaping_fast.h"

#include "dsp/block_kernels.h"
#include "dsp/fft.h"
#include "dsp/precision.h"
#include "dsp/shaping.h"

namespace zelmar {
namespace {

constexpr int N = BLOCK_FRAMES;

// One element through every shaping step; returns it before the split.
inline float shape_element(const BlockTables& t, int i, float x) {
  if (t.eq_on) x = to_single(wide(x) * t.eq_factor[i]);
  if (t.weighted_curve) x = to_single(wide(x) / t.pre_emphasis[i]);
  x = to_single(wide(x) / t.tilt[i]);
  if (i < t.ramp_end) x = to_single(wide(x) * t.low_ramp[i]);
  return x;
}

}  // namespace

void convert_window_with(BlockPath path, const int16_t* window, float* left, float* right) {
#ifdef ZELMAR_BLOCK_X86
  if (path == BlockPath::avx2) return avx2::convert_window(window, kSampleScale, N, left, right);
#endif
  (void)path;
  convert_window(window, left, right);
}

void shape_spectrum_range(const BlockTables& t, int begin, int end, float* left, float* right,
                          float* low_left, float* low_right) {
  for (int i = begin; i < end; ++i) {
    const float l = shape_element(t, i, left[i]);
    const float r = shape_element(t, i, right[i]);
    low_left[i] = to_single(wide(l) * wide(t.low_share[i]));
    low_right[i] = to_single(wide(r) * wide(t.low_share[i]));
    left[i] = to_single(wide(l) * t.high_share[i]);
    right[i] = to_single(wide(r) * t.high_share[i]);
  }
}

void shape_spectrum_with(BlockPath path, const BlockTables& t, float* left, float* right,
                         float* low_left, float* low_right) {
#ifdef ZELMAR_BLOCK_X86
  if (path == BlockPath::avx2) {
    const int vector_begin = (t.ramp_end + 3) / 4 * 4;
    shape_spectrum_range(t, 0, vector_begin, left, right, low_left, low_right);
    avx2::shape_spectrum_range(t, vector_begin, N, left, right, low_left, low_right);
    return;
  }
#endif
  (void)path;
  shape_spectrum_range(t, 0, N, left, right, low_left, low_right);
}

void shape_and_split_fast(ProcessorState& state, BlockPath path) {
  float* left = state.work_left.data();
  float* right = state.work_right.data();
  float* low_left = state.low_left.data();
  float* low_right = state.low_right.data();
  convert_window_with(path, state.input_window.data(), left, right);
  real_fft(left, N / 2, 1);
  real_fft(right, N / 2, 1);
  shape_spectrum_with(path, state.tables, left, right, low_left, low_right);
  real_fft(left, N / 2, 0);
  real_fft(right, N / 2, 0);
  real_fft(low_left, N / 2, 0);
  real_fft(low_right, N / 2, 0);
}

}  // namespace zelmar
