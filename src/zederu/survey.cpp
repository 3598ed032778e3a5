#include "zederu/survey.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "app/platform.h"
#include "dsp/fft.h"
#include "dsp/precision.h"
#include "dsp/block_kernels.h"
#include "zederu/survey_kernels.h"

namespace zelmar {
namespace {

constexpr float kSurveyScale = 1.0f / 32768.0f;
constexpr double kLeftWeight = 100.0;
constexpr double kRightHalf = 0.5;
constexpr float kSmoothingScale = 0.005f;
constexpr int kNoSmoothingWidth = 3;

// Smooths the averaged curve with a window of about +/- width/200 of each entry's frequency; every
// term weighs 1 / (2h), also where the window reaches past the array's end.
bool smooth(const float* averaged, float* eq_curve, int frame_count, int width) {
  std::fill(eq_curve, eq_curve + (frame_count - 1), 0.0f);
  const double spread = width * wide(kSmoothingScale);
#ifdef ZELMAR_BLOCK_X86
  if (block_path_in_use() == BlockPath::avx2) {
    return avx2::smooth_entries(averaged, eq_curve, frame_count, spread);
  }
#endif
  for (int k = frame_count - 2; k >= 0; k -= 2) {
    smooth_entry(averaged, eq_curve, frame_count, k, spread);
  }
  return true;
}

// Both channels of the window times 2^-15 into left and right.
void convert_samples(const int16_t* window, int frame_count, float* left, float* right) {
#ifdef ZELMAR_BLOCK_X86
  if (block_path_in_use() == BlockPath::avx2 && frame_count % 4 == 0) {
    return avx2::convert_window(window, kSurveyScale, frame_count, left, right);
  }
#endif
  for (int f = 0; f < frame_count; ++f) {
    left[f] = to_single(window[2 * f] * wide(kSurveyScale));
    right[f] = to_single(window[2 * f + 1] * wide(kSurveyScale));
  }
}

void add_window_magnitudes(const float* left, const float* right, float* eq_curve,
                           int frame_count) {
#ifdef ZELMAR_BLOCK_X86
  if (block_path_in_use() == BlockPath::avx2 && frame_count % 8 == 0) {
    return avx2::accumulate_magnitudes(left, right, eq_curve, frame_count);
  }
#endif
  accumulate_magnitudes(left, right, eq_curve, frame_count);
}

}  // namespace

void accumulate_magnitudes(const float* left, const float* right, float* eq_curve,
                           int frame_count) {
  for (int k = 0; k < frame_count - 1; k += 2) {
    const double l = std::sqrt(wide(left[k + 1]) * wide(left[k + 1]) + wide(left[k]) * wide(left[k]));
    const double r =
        std::sqrt(wide(right[k + 1]) * wide(right[k + 1]) + wide(right[k]) * wide(right[k]));
    eq_curve[k] = to_single(((r * kLeftWeight) * kRightHalf + wide(eq_curve[k])) + l * kLeftWeight);
  }
}

int smoothing_span(int k, double spread) { return static_cast<int>(k * spread) & ~1; }

void smooth_entry(const float* averaged, float* eq_curve, int frame_count, int k, double spread) {
  const int span = smoothing_span(k, spread);
  if (span <= 0) return;
  for (int l = k + span; l >= k - span + 2; l -= 2) {
    if (l < 0 || l >= frame_count) continue;
    eq_curve[k] = to_single(wide(eq_curve[k]) + wide(averaged[l]) / span * 0.5);
  }
}

bool prepare_eq_curve(float* eq_curve, int frame_count, int measured, int strength) {
  std::vector<float> averaged;
  try {
    averaged.assign(frame_count, 0.0f);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int k = 0; k < frame_count - 1; k += 2) {
    averaged[k] = to_single(wide(eq_curve[k]) / measured);
  }
  const int width = 100 - strength;
  if (width <= kNoSmoothingWidth) {
    for (int k = 0; k < frame_count - 1; k += 2) eq_curve[k] = averaged[k];
    return true;
  }
  return smooth(averaged.data(), eq_curve, frame_count, width);
}

void measure_window(ProcessorState& state, int frame_count) {
  const int16_t* window = state.input_window.data();
  float* left = state.work_left.data();
  float* right = state.work_right.data();
  convert_samples(window, frame_count, left, right);
  real_fft(left, frame_count / 2, 1);
  real_fft(right, frame_count / 2, 1);
  add_window_magnitudes(left, right, state.eq_curve.data(), frame_count);
}

int measure_eq_curve(int input_fd, ProcessorState& state, int frame_count,
                     int64_t half_block_count, int strength) {
  int16_t* window = state.input_window.data();
  const size_t half_bytes = sizeof(int16_t) * frame_count;
  int64_t reads = 0;
  int64_t countdown = half_block_count;
  int measured = 0;
  for (;;) {
    ++reads;
    --countdown;
    std::memmove(window, window + frame_count, half_bytes);
    const ptrdiff_t got = read_fully(input_fd, window + frame_count, half_bytes);
    if (got < 0) return SURVEY_READ_ERROR;
    if (static_cast<size_t>(got) != half_bytes) break;
    if (reads == 1) continue;  // the window holds only one half block of the file yet
    std::printf("Measuring EQ on block %lld ...          \r", static_cast<long long>(countdown));
    std::fflush(stdout);
    ++measured;
    measure_window(state, frame_count);
  }
  seek_file(input_fd, 0, SEEK_SET);
  if (measured <= 2) return measured;
  std::printf("preparing EQ curve...         \r");
  std::fflush(stdout);
  if (!prepare_eq_curve(state.eq_curve.data(), frame_count, measured, strength)) {
    return SURVEY_OUT_OF_MEMORY;
  }
  return measured;
}

}  // namespace zelmar
