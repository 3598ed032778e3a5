#include "dsp/shaping.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsp/fft.h"
#include "dsp/precision.h"

namespace zelmar {
namespace {

constexpr int N = BLOCK_FRAMES;

constexpr float kAttackNumerator = 0.055f;
constexpr float kReleaseNumerator = 0.007f;
constexpr float kEqTargetScale = 0.002f;
constexpr double kEqTargetOffset = 0.5;
constexpr float kEqFallbackLevel = 0.8f;
constexpr float kEqRampSlope = 1.0f / 15.0f;
constexpr double kEqRampOffset = 0.5;
constexpr double kPreEmphasisNumerator = 30.0;
constexpr double kPreEmphasisScale = 10.0;
constexpr double kTiltExponentNumerator = 30.0;
constexpr double kTiltBaseNumerator = 100.0;
constexpr double kTiltScale = 0.4;
constexpr int kRampStartIndex = 10;
constexpr float kRampOffset = 0.1f;
constexpr float kSplitSlope = 0.07f;
constexpr double kSplitOffset = 3.0;
constexpr double kSlopeFactor = 4.0;
constexpr float kSlopeOffset = 0.01f;

inline double clamp_unit(double x) {
  if (x < 0.0) return 0.0;
  if (x > 1.0) return 1.0;
  return x;
}

inline void scale_element(float* data, int i, double factor) {
  data[i] = to_single(wide(data[i]) * factor);
}

inline void divide_element(float* data, int i, double divisor) {
  data[i] = to_single(wide(data[i]) / divisor);
}

}  // namespace

EnvelopeCoefficients envelope_coefficients(const BlockSettings& s) {
  return EnvelopeCoefficients{
      to_single(wide(kAttackNumerator) / wide(s.hi_attack)),
      to_single(wide(kReleaseNumerator) / wide(s.hi_release)),
      to_single(wide(kAttackNumerator) / wide(s.lo_attack)),
      to_single(wide(kReleaseNumerator) / wide(s.lo_release)),
  };
}

void convert_window(const int16_t* window, float* left, float* right) {
  for (int i = 0; i < N; ++i) {
    left[i] = to_single(window[2 * i] * wide(kSampleScale));
    right[i] = to_single(window[2 * i + 1] * wide(kSampleScale));
  }
}

double eq_factor(const float* eq_curve, int i) {
  const float level = eq_curve[i] > 0.0f ? eq_curve[i] : kEqFallbackLevel;
  const double correction =
      ((static_cast<double>(N) / (i + 1) + kEqTargetOffset) / wide(level)) * wide(kEqTargetScale);
  const double ramp = clamp_unit(i * wide(kEqRampSlope) - kEqRampOffset);
  return correction * ramp + (1.0 - ramp);
}

double pre_emphasis_divisor(int i) {
  return std::sqrt(kPreEmphasisNumerator / i) * kPreEmphasisScale;
}

float tilt_exponent(float eq_linearity) {
  return to_single(kTiltExponentNumerator / wide(eq_linearity));
}

double tilt_divisor(float exponent, int i) {
  return std::pow(kTiltBaseNumerator / i, wide(exponent)) * kTiltScale;
}

double low_ramp_weight(int i) {
  const int ramp_length = static_cast<int>((10 * N) / wide(SAMPLE_RATE));
  return clamp_unit(static_cast<double>(i - kRampStartIndex) / ramp_length - wide(kRampOffset));
}

CrossoverShares crossover_shares(int32_t split_freq, float split_slope, int j) {
  const double log_split = split_freq * wide(kSplitSlope) + kSplitOffset;
  const double steepness =
      wide(split_slope) * wide(split_slope) * kSlopeFactor + wide(kSlopeOffset);
  const double frequency = (static_cast<double>(j) / N) * wide(SAMPLE_RATE);
  const double a = (std::log(frequency) - log_split) * steepness;
  double high_share = 0.0;
  if (a > 0.0) high_share = std::min(std::sqrt(a), 1.0);
  return CrossoverShares{high_share, to_single(1.0 - high_share)};
}

void apply_eq_correction(const float* eq_curve, float* left, float* right) {
  for (int i = 0; i < N - 1; i += 2) {
    const double factor = eq_factor(eq_curve, i);
    scale_element(left, i, factor);
    scale_element(left, i + 1, factor);
    scale_element(right, i, factor);
    scale_element(right, i + 1, factor);
  }
}

void apply_pre_emphasis(float* left, float* right) {
  for (int i = 1; i < N; ++i) {
    const double divisor = pre_emphasis_divisor(i);
    divide_element(left, i, divisor);
    divide_element(right, i, divisor);
  }
}

void apply_tilt(float eq_linearity, float* left, float* right) {
  const float exponent = tilt_exponent(eq_linearity);
  for (int i = 1; i < N; ++i) {
    const double divisor = tilt_divisor(exponent, i);
    divide_element(left, i, divisor);
    divide_element(right, i, divisor);
  }
}

void apply_low_ramp(float* left, float* right) {
  for (int i = 0; i < N; ++i) {
    const double weight = low_ramp_weight(i);
    scale_element(left, i, weight);
    scale_element(right, i, weight);
  }
}

void split_bands(int32_t split_freq, float split_slope, float* high_left, float* high_right,
                 float* low_left, float* low_right) {
  for (int j = 1; j <= N; j += 2) {
    const CrossoverShares shares = crossover_shares(split_freq, split_slope, j);
    for (int i = j - 1; i <= j; ++i) {
      scale_element(high_left, i, shares.high);
      scale_element(high_right, i, shares.high);
      scale_element(low_left, i, wide(shares.low));
      scale_element(low_right, i, wide(shares.low));
    }
  }
}

void shape_and_split(ProcessorState& state, const BlockSettings& settings) {
  float* left = state.work_left.data();
  float* right = state.work_right.data();
  convert_window(state.input_window.data(), left, right);
  real_fft(left, N / 2, 1);
  real_fft(right, N / 2, 1);
  const bool eq_on = settings.auto_eq >= 1;
  if (eq_on) apply_eq_correction(state.eq_curve.data(), left, right);
  if (settings.weighted_curve) apply_pre_emphasis(left, right);
  apply_tilt(settings.eq_linearity, left, right);
  if (eq_on) apply_low_ramp(left, right);
  std::memcpy(state.low_left.data(), left, sizeof(float) * N);
  std::memcpy(state.low_right.data(), right, sizeof(float) * N);
  split_bands(settings.split_freq, settings.split_slope, left, right, state.low_left.data(),
              state.low_right.data());
  real_fft(left, N / 2, 0);
  real_fft(right, N / 2, 0);
  real_fft(state.low_left.data(), N / 2, 0);
  real_fft(state.low_right.data(), N / 2, 0);
}

}  // namespace zelmar
