#include "dsp/dynamics_fast.h"

#include "dsp/block_kernels.h"
#include "dsp/dynamics.h"
#include "dsp/fft.h"

namespace zelmar {
namespace {

constexpr int N = BLOCK_FRAMES;
constexpr float kLinearAttackNumerator = 0.023f;

#ifdef ZELMAR_BLOCK_X86
FrameLoopParams frame_loop_params(const BlockSettings& s, const EnvelopeCoefficients& c) {
  FrameLoopParams p{};
  const float thresholds[2] = {s.hi_thresh, s.lo_thresh};
  const float releases[2] = {c.release_step_hi, c.release_step_lo};
  const float coefs[2] = {c.attack_coef_hi, c.attack_coef_lo};
  const float attacks[2] = {s.hi_attack, s.lo_attack};
  const float gains[2] = {s.hi_gain, s.lo_gain};
  for (int lane = 0; lane < 4; ++lane) {
    const int band = lane % 2;  // lanes: hi_left, lo_left, hi_right, lo_right
    p.threshold[lane] = thresholds[band];
    p.release_step[lane] = releases[band];
    p.attack_coef[lane] = coefs[band];
    p.linear_step[lane] = static_cast<double>(kLinearAttackNumerator) / attacks[band];
    p.band_gain[lane] = gains[band];
  }
  p.width = s.lo_stereo;
  p.logarithmic = s.attack_curve;
  return p;
}
#endif

}  // namespace

void run_frame_loop_with(BlockPath path, ProcessorState& state, const BlockSettings& settings,
                         const EnvelopeCoefficients& coefficients) {
#ifdef ZELMAR_BLOCK_X86
  if (path == BlockPath::avx2) {
    FrameGains gains{{state.gain_hi_left, state.gain_lo_left, state.gain_hi_right,
                      state.gain_lo_right},
                     state.limit_gain_left,
                     state.limit_gain_right};
    avx2::run_frames(frame_loop_params(settings, coefficients), gains, state.work_left.data(),
                     state.work_right.data(), state.low_left.data(), state.low_right.data(),
                     state.output_block.data());
    state.gain_hi_left = gains.envelope[0];
    state.gain_lo_left = gains.envelope[1];
    state.gain_hi_right = gains.envelope[2];
    state.gain_lo_right = gains.envelope[3];
    state.limit_gain_left = gains.limit_left;
    state.limit_gain_right = gains.limit_right;
    return;
  }
#endif
  (void)path;
  run_frame_loop(state, settings, coefficients);
}

void restore_weighting_with(BlockPath path, ProcessorState& state) {
#ifdef ZELMAR_BLOCK_X86
  if (path == BlockPath::avx2) {
    float* left = state.work_left.data();
    float* right = state.work_right.data();
    real_fft(left, N / 2, 1);
    real_fft(right, N / 2, 1);
    avx2::scale_by_table(state.tables.restore.data(), 0, N, left, right);
    real_fft(left, N / 2, 0);
    real_fft(right, N / 2, 0);
    avx2::interleave_samples16(left, right, state.output_block.data());
    return;
  }
#endif
  (void)path;
  restore_weighting(state);
}

}  // namespace zelmar
