#include "dsp/dynamics.h"

#include <cmath>

#include "dsp/fft.h"
#include "dsp/precision.h"

namespace zelmar {
namespace {

constexpr int N = BLOCK_FRAMES;
constexpr float kLinearAttackNumerator = 0.023f;
constexpr float kLimiterRecovery = 0.0004f;
constexpr double kOutputScale = 32767.0;
constexpr double kWeightNumerator = 30.0;

// Adds `step` to a gain below 1 and lands exactly on 1 when the sum would pass it.
inline void rise_toward_one(float& gain, float step) {
  if (gain < 1.0f) {
    const double raised = wide(gain) + wide(step);
    gain = raised > 1.0 ? 1.0f : to_single(raised);
  }
}

}  // namespace

void envelope_step(float& gain, float x, float threshold, float release_step,
                   float attack_time_ms, float attack_coef, bool attack_curve) {
  rise_toward_one(gain, release_step);
  if (!(std::fabs(wide(gain) * wide(x)) >= wide(threshold))) return;
  // With threshold 0 and x == 0 the target is 0/0, not a number: "target < gain" is then false
  // and the gain stays where it is.
  const float target = to_single(std::fabs(wide(threshold) / wide(x)));
  if (!(target < gain)) return;
  if (attack_curve) {
    gain = to_single((1.0 - wide(attack_coef)) * wide(gain) + wide(attack_coef) * wide(target));
  } else {
    const double lowered = wide(gain) - wide(kLinearAttackNumerator) / wide(attack_time_ms);
    gain = lowered < wide(target) ? target : to_single(lowered);
  }
}

double limiter_step(float& limit_gain, float y) {
  rise_toward_one(limit_gain, kLimiterRecovery);
  if (std::fabs(wide(y) * wide(limit_gain)) >= wide(LIMIT_CEILING)) {
    const float target = to_single(std::fabs(wide(LIMIT_CEILING) / wide(y)));
    if (target < limit_gain) limit_gain = target;
  }
  return wide(y) * wide(limit_gain);
}

int16_t to_sample16(double z) {
  if (std::isnan(z)) return 0;
  const double v = z * kOutputScale;
  if (v >= 32767.0) return 32767;
  if (v <= -32768.0) return -32768;
  return static_cast<int16_t>(static_cast<int32_t>(v));
}

void run_frame_loop(ProcessorState& state, const BlockSettings& s,
                    const EnvelopeCoefficients& c) {
  float* work_left = state.work_left.data();
  float* work_right = state.work_right.data();
  const float* low_left = state.low_left.data();
  const float* low_right = state.low_right.data();
  int16_t* out = state.output_block.data();
  const double width = wide(s.lo_stereo);
  for (int j = 0; j < N; ++j) {
    const float high_l = work_left[j];
    const float high_r = work_right[j];
    const float low_l = low_left[j];
    const float low_r = low_right[j];
    const float mid = to_single((wide(low_l) + wide(low_r)) * 0.5 * (1.0 - width));
    const float narrowed_l = to_single(width * wide(low_l) + wide(mid));
    const float narrowed_r = to_single(width * wide(low_r) + wide(mid));

    envelope_step(state.gain_hi_left, high_l, s.hi_thresh, c.release_step_hi, s.hi_attack,
                  c.attack_coef_hi, s.attack_curve);
    envelope_step(state.gain_lo_left, narrowed_l, s.lo_thresh, c.release_step_lo, s.lo_attack,
                  c.attack_coef_lo, s.attack_curve);
    envelope_step(state.gain_hi_right, high_r, s.hi_thresh, c.release_step_hi, s.hi_attack,
                  c.attack_coef_hi, s.attack_curve);
    envelope_step(state.gain_lo_right, narrowed_r, s.lo_thresh, c.release_step_lo, s.lo_attack,
                  c.attack_coef_lo, s.attack_curve);

    const float mix_l = to_single(wide(s.hi_gain) * wide(state.gain_hi_left) * wide(high_l) +
                                  wide(s.lo_gain) * wide(state.gain_lo_left) * wide(narrowed_l));
    work_left[j] = mix_l;
    const int16_t sample_l = to_sample16(limiter_step(state.limit_gain_left, mix_l));
    const float mix_r = to_single(wide(s.hi_gain) * wide(state.gain_hi_right) * wide(high_r) +
                                  wide(s.lo_gain) * wide(state.gain_lo_right) * wide(narrowed_r));
    work_right[j] = mix_r;
    const int16_t sample_r = to_sample16(limiter_step(state.limit_gain_right, mix_r));
    out[2 * j] = sample_l;
    out[2 * j + 1] = sample_r;
  }
}

double restore_factor(int j) { return std::sqrt(kWeightNumerator / j); }

void restore_weighting(ProcessorState& state) {
  float* left = state.work_left.data();
  float* right = state.work_right.data();
  real_fft(left, N / 2, 1);
  real_fft(right, N / 2, 1);
  for (int j = 1; j < N; ++j) {
    const double factor = restore_factor(j);
    left[j] = to_single(wide(left[j]) * factor);
    right[j] = to_single(wide(right[j]) * factor);
  }
  real_fft(left, N / 2, 0);
  real_fft(right, N / 2, 0);
  int16_t* out = state.output_block.data();
  for (int j = 0; j < N; ++j) {
    out[2 * j] = to_sample16(wide(left[j]));
    out[2 * j + 1] = to_sample16(wide(right[j]));
  }
}

}  // namespace zelmar
