// The block processor's kernels with AVX2 (4 doubles or 4 floats per vector), compiled with
// -mavx2 and without FMA. Each kernel names the plain code whose bits it reproduces.
//
// One +, -, * or / of two single-precision values formed in double precision and rounded to single
// precision equals the single-precision operation, so such steps run in float lanes; every other
// expression runs in double lanes in the plain code's order and is rounded where it rounds.
#include "dsp/block_kernels.h"

#ifdef ZELMAR_BLOCK_X86

#include <immintrin.h>

#include "dsp/dynamics.h"
#include "dsp/state.h"

namespace zelmar::avx2 {
namespace {

constexpr int N = BLOCK_FRAMES;

// Rounds every lane to single precision and widens it again (to_single, then wide).
inline __m256d round_single(__m256d x) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(x)); }

inline __m256d load_wide(const float* p) { return _mm256_cvtps_pd(_mm_loadu_ps(p)); }

inline __m256d abs_wide(__m256d x) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), x); }

// to_sample16 of four values: NaN gives 0, the rest times 32767, saturated, truncated.
inline __m128i samples16(__m256d z) {
  __m256d v = _mm256_mul_pd(z, _mm256_set1_pd(32767.0));
  v = _mm256_and_pd(v, _mm256_cmp_pd(v, v, _CMP_ORD_Q));
  v = _mm256_min_pd(v, _mm256_set1_pd(32767.0));
  v = _mm256_max_pd(v, _mm256_set1_pd(-32768.0));
  return _mm256_cvttpd_epi32(v);
}

// Stores the samples of four frames, interleaved left, right.
inline void store_frames16(__m128i left, __m128i right, int16_t* out) {
  const __m128i first = _mm_unpacklo_epi32(left, right);
  const __m128i second = _mm_unpackhi_epi32(left, right);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packs_epi32(first, second));
}

}  // namespace

// A 16-bit sample is exact in single precision, so sample x scale rounded is one float product.
void convert_window(const int16_t* window, float scale, int frames, float* left, float* right) {
  const __m256 factor = _mm256_set1_ps(scale);
  const __m256i split = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  for (int i = 0; i < frames; i += 4) {
    const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + 2 * i));
    const __m256 values = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(four)), factor);
    const __m256 channels = _mm256_permutevar8x32_ps(values, split);
    _mm_storeu_ps(left + i, _mm256_castps256_ps128(channels));
    _mm_storeu_ps(right + i, _mm256_extractf128_ps(channels, 1));
  }
}

namespace {

template <bool kEqOn, bool kWeighted>
void shape_range(const BlockTables& t, int begin, int end, float* left, float* right,
                 float* low_left, float* low_right) {
  for (int i = begin; i < end; i += 4) {
    __m256d l = load_wide(left + i);
    __m256d r = load_wide(right + i);
    if (kEqOn) {
      const __m256d d = _mm256_loadu_pd(t.eq_factor.data() + i);
      l = round_single(_mm256_mul_pd(l, d));
      r = round_single(_mm256_mul_pd(r, d));
    }
    if (kWeighted) {
      const __m256d p = _mm256_loadu_pd(t.pre_emphasis.data() + i);
      l = round_single(_mm256_div_pd(l, p));
      r = round_single(_mm256_div_pd(r, p));
    }
    const __m256d tilt = _mm256_loadu_pd(t.tilt.data() + i);
    const __m128 ls = _mm256_cvtpd_ps(_mm256_div_pd(l, tilt));
    const __m128 rs = _mm256_cvtpd_ps(_mm256_div_pd(r, tilt));
    const __m128 h = _mm_loadu_ps(t.low_share.data() + i);
    _mm_storeu_ps(low_left + i, _mm_mul_ps(ls, h));
    _mm_storeu_ps(low_right + i, _mm_mul_ps(rs, h));
    const __m256d g = _mm256_loadu_pd(t.high_share.data() + i);
    _mm_storeu_ps(left + i, _mm256_cvtpd_ps(_mm256_mul_pd(_mm256_cvtps_pd(ls), g)));
    _mm_storeu_ps(right + i, _mm256_cvtpd_ps(_mm256_mul_pd(_mm256_cvtps_pd(rs), g)));
  }
}

}  // namespace

void shape_spectrum_range(const BlockTables& t, int begin, int end, float* left, float* right,
                          float* low_left, float* low_right) {
  if (t.eq_on && t.weighted_curve) {
    shape_range<true, true>(t, begin, end, left, right, low_left, low_right);
  } else if (t.eq_on) {
    shape_range<true, false>(t, begin, end, left, right, low_left, low_right);
  } else if (t.weighted_curve) {
    shape_range<false, true>(t, begin, end, left, right, low_left, low_right);
  } else {
    shape_range<false, false>(t, begin, end, left, right, low_left, low_right);
  }
}

void scale_by_table(const double* factors, int begin, int end, float* left, float* right) {
  for (int i = begin; i < end; i += 4) {
    const __m256d f = _mm256_loadu_pd(factors + i);
    _mm_storeu_ps(left + i, _mm256_cvtpd_ps(_mm256_mul_pd(load_wide(left + i), f)));
    _mm_storeu_ps(right + i, _mm256_cvtpd_ps(_mm256_mul_pd(load_wide(right + i), f)));
  }
}

void interleave_samples16(const float* left, const float* right, int16_t* out) {
  for (int j = 0; j < N; j += 4) {
    store_frames16(samples16(load_wide(left + j)), samples16(load_wide(right + j)), out + 2 * j);
  }
}

namespace {

// The bass width of four frames: narrowed low-band samples of both channels.
inline void narrow_bass(const float* low_left, const float* low_right, int j, __m256d width,
                        __m128& narrowed_left, __m128& narrowed_right) {
  const __m256d ll = load_wide(low_left + j);
  const __m256d lr = load_wide(low_right + j);
  const __m256d mid_factor = _mm256_sub_pd(_mm256_set1_pd(1.0), width);
  const __m256d mid = round_single(
      _mm256_mul_pd(_mm256_mul_pd(_mm256_add_pd(ll, lr), _mm256_set1_pd(0.5)), mid_factor));
  narrowed_left = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(width, ll), mid));
  narrowed_right = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(width, lr), mid));
}

// Per-lane constants of envelope_step, lanes hi_left, lo_left, hi_right, lo_right.
struct EnvelopeLanes {
  __m128 threshold;
  __m128 release_step;
  __m256d keep_share;      // 1 - attack_coef
  __m256d attack_coef;
  __m256d linear_step;
};

// envelope_step on four lanes, x the lanes' band samples. The attack test |g x| >= T followed by
// "target < g" reduces to "target < g" alone: target = |T / x| rounded, and for a gain g that is a
// single-precision value, target < g implies |T / x| <= g, that is |g x| >= T (g x is exact in
// double precision); with x or T zero, infinite or not a number both sides agree as well.
template <bool kLogarithmic, bool kSkipQuiet>
inline __m128 envelope_lanes(__m128 gain, __m128 x, const EnvelopeLanes& e, int& attacks) {
  const __m128 one = _mm_set1_ps(1.0f);
  const __m128 raised = _mm_min_ps(one, _mm_add_ps(gain, e.release_step));
  gain = _mm_blendv_ps(gain, raised, _mm_cmplt_ps(gain, one));
  // |T / x| of two floats rounded to single precision is the single-precision quotient.
  const __m128 target =
      _mm_and_ps(_mm_div_ps(e.threshold, x), _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff)));
  const __m128 attack = _mm_cmplt_ps(target, gain);
  // Frames where no lane attacks come in runs: there, leaving out the attack's conversions
  // (kSkipQuiet) shortens the chain from frame to frame by more than the mispredicted branches
  // cost. `attacks` collects the lanes that attacked.
  const int mask = _mm_movemask_ps(attack);
  attacks |= mask;
  if (kSkipQuiet && mask == 0) return gain;
  const __m256d target_wide = _mm256_cvtps_pd(target);
  const __m256d gain_wide = _mm256_cvtps_pd(gain);
  __m128 attacked;
  if (kLogarithmic) {
    attacked = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(e.keep_share, gain_wide),
                                             _mm256_mul_pd(e.attack_coef, target_wide)));
  } else {
    const __m256d lowered = _mm256_sub_pd(gain_wide, e.linear_step);
    attacked = _mm256_cvtpd_ps(
        _mm256_blendv_pd(lowered, target_wide, _mm256_cmp_pd(lowered, target_wide, _CMP_LT_OQ)));
  }
  return _mm_blendv_ps(gain, attacked, attack);
}

// Both mixes of four frames, y = hi_gain g_h h + lo_gain g_l l' per channel, in that order; the
// gains are per frame (lanes), the band gains broadcast.
inline void mix_frames(__m128 gain_hl, __m128 gain_ll, __m128 gain_hr, __m128 gain_lr,
                       const __m128 x[4], __m256d hi_gain, __m256d lo_gain, __m256d& mix_left,
                       __m256d& mix_right) {
  const __m256d left = _mm256_add_pd(
      _mm256_mul_pd(_mm256_mul_pd(hi_gain, _mm256_cvtps_pd(gain_hl)), _mm256_cvtps_pd(x[0])),
      _mm256_mul_pd(_mm256_mul_pd(lo_gain, _mm256_cvtps_pd(gain_ll)), _mm256_cvtps_pd(x[1])));
  const __m256d right = _mm256_add_pd(
      _mm256_mul_pd(_mm256_mul_pd(hi_gain, _mm256_cvtps_pd(gain_hr)), _mm256_cvtps_pd(x[2])),
      _mm256_mul_pd(_mm256_mul_pd(lo_gain, _mm256_cvtps_pd(gain_lr)), _mm256_cvtps_pd(x[3])));
  mix_left = round_single(left);
  mix_right = round_single(right);
}

// limiter_step and to_sample16 of four frames of both channels. A limiter gain of exactly 1
// stays 1 and passes y unchanged while |y| stays under the ceiling (NaN included, as in
// limiter_step), which is the common case and needs no steps.
inline void limit_frames(__m256d mix_left, __m256d mix_right, float& limit_left,
                         float& limit_right, int16_t* out) {
  if (limit_left == 1.0f && limit_right == 1.0f) {
    const __m256d ceiling = _mm256_set1_pd(LIMIT_CEILING);
    const __m256d reach = _mm256_or_pd(_mm256_cmp_pd(abs_wide(mix_left), ceiling, _CMP_GE_OQ),
                                       _mm256_cmp_pd(abs_wide(mix_right), ceiling, _CMP_GE_OQ));
    if (_mm256_movemask_pd(reach) == 0) {
      store_frames16(samples16(mix_left), samples16(mix_right), out);
      return;
    }
  }
  alignas(16) float left[4];
  alignas(16) float right[4];
  _mm_store_ps(left, _mm256_cvtpd_ps(mix_left));
  _mm_store_ps(right, _mm256_cvtpd_ps(mix_right));
  for (int f = 0; f < 4; ++f) {
    out[2 * f] = to_sample16(limiter_step(limit_left, left[f]));
    out[2 * f + 1] = to_sample16(limiter_step(limit_right, right[f]));
  }
}

// Frames that the track of frame_pass holds: a power of two, at least the lag plus one group.
constexpr int kTrackFrames = 16;

// Slot of frame j (a multiple of 4) in a row of the track.
inline int track_slot(int j) { return j & (kTrackFrames - 1); }

// Mixes and limits frames j .. j + 3 from the gains and narrowed bands in the track (frame_pass).
inline void mix_and_limit(int j, __m256d hi_gain, __m256d lo_gain, FrameGains& gains,
                          float* work_left, float* work_right, const float* track, int16_t* out) {
  const float* slot = track + track_slot(j);
  const __m128 x[4] = {_mm_loadu_ps(work_left + j), _mm_load_ps(slot + 4 * kTrackFrames),
                       _mm_loadu_ps(work_right + j), _mm_load_ps(slot + 5 * kTrackFrames)};
  __m256d mix_left;
  __m256d mix_right;
  mix_frames(_mm_load_ps(slot), _mm_load_ps(slot + kTrackFrames),
             _mm_load_ps(slot + 2 * kTrackFrames), _mm_load_ps(slot + 3 * kTrackFrames), x,
             hi_gain, lo_gain, mix_left, mix_right);
  _mm_storeu_ps(work_left + j, _mm256_cvtpd_ps(mix_left));
  _mm_storeu_ps(work_right + j, _mm256_cvtpd_ps(mix_right));
  limit_frames(mix_left, mix_right, gains.limit_left, gains.limit_right, out + 2 * j);
}

// The frame loop. The envelopes run frame after frame; their gains after frame j go to the track
// at row b (hL, lL', hR, lR'), the narrowed low bands at rows 4 and 5, slot track_slot(j). The mix
// and the limiters of each group of four frames follow two groups later, from the track: they do
// not feed the envelopes, and interleaved this way their work fills the time the envelopes' chain
// of dependent steps leaves free.
template <bool kLogarithmic>
void frame_pass(const FrameLoopParams& p, FrameGains& gains, float* work_left, float* work_right,
                const float* low_left, const float* low_right, int16_t* out) {
  constexpr int kLag = 8;  // frames between a group's envelopes and its mix
  static_assert(kTrackFrames >= kLag + 4, "the track must hold every frame not yet mixed");
  alignas(16) float track[6 * kTrackFrames];
  const __m256d hi_gain = _mm256_set1_pd(p.band_gain[0]);
  const __m256d lo_gain = _mm256_set1_pd(p.band_gain[1]);
  EnvelopeLanes e;
  e.threshold = _mm_loadu_ps(p.threshold);
  e.release_step = _mm_loadu_ps(p.release_step);
  e.attack_coef = _mm256_cvtps_pd(_mm_loadu_ps(p.attack_coef));
  e.keep_share = _mm256_sub_pd(_mm256_set1_pd(1.0), e.attack_coef);
  e.linear_step = _mm256_loadu_pd(p.linear_step);
  const __m256d width = _mm256_set1_pd(p.width);
  const __m128 one = _mm_set1_ps(1.0f);
  const __m128 abs_mask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
  const __m128 hi_thresh = _mm_set1_ps(p.threshold[0]);
  const __m128 lo_thresh = _mm_set1_ps(p.threshold[1]);
  __m128 gain = _mm_loadu_ps(gains.envelope);
  bool dense = false;
  for (int j = 0; j < N; j += 4) {
    // x[b]: band b of frames j .. j + 3.
    __m128 x[4];
    x[0] = _mm_loadu_ps(work_left + j);
    x[2] = _mm_loadu_ps(work_right + j);
    narrow_bass(low_left, low_right, j, width, x[1], x[3]);
    float* slot = track + track_slot(j);
    _mm_store_ps(slot + 4 * kTrackFrames, x[1]);
    _mm_store_ps(slot + 5 * kTrackFrames, x[3]);
    bool steady = false;
    if (_mm_movemask_ps(_mm_cmpeq_ps(gain, one)) == 0xF) {
      // All gains at 1: |1 x| >= T is the attack test; NaN samples do not reach.
      const __m128 reach = _mm_or_ps(
          _mm_or_ps(_mm_cmpge_ps(_mm_and_ps(x[0], abs_mask), hi_thresh),
                    _mm_cmpge_ps(_mm_and_ps(x[2], abs_mask), hi_thresh)),
          _mm_or_ps(_mm_cmpge_ps(_mm_and_ps(x[1], abs_mask), lo_thresh),
                    _mm_cmpge_ps(_mm_and_ps(x[3], abs_mask), lo_thresh)));
      steady = _mm_movemask_ps(reach) == 0;
    }
    __m128 g[4];  // after transposing: gain of band b over the four frames
    if (steady) {
      g[0] = g[1] = g[2] = g[3] = one;
    } else {
      // Frame by frame, lanes (hL, lL', hR, lR') of one frame each.
      _MM_TRANSPOSE4_PS(x[0], x[1], x[2], x[3]);
      // After a group with an attack the next one likely has one too: no branch per frame there.
      int attacks = 0;
      if (dense) {
        for (int f = 0; f < 4; ++f) {
          gain = envelope_lanes<kLogarithmic, false>(gain, x[f], e, attacks);
          g[f] = gain;
        }
      } else {
        for (int f = 0; f < 4; ++f) {
          gain = envelope_lanes<kLogarithmic, true>(gain, x[f], e, attacks);
          g[f] = gain;
        }
      }
      dense = attacks != 0;
      _MM_TRANSPOSE4_PS(g[0], g[1], g[2], g[3]);
    }
    for (int b = 0; b < 4; ++b) _mm_store_ps(slot + b * kTrackFrames, g[b]);
    if (j >= kLag) {
      mix_and_limit(j - kLag, hi_gain, lo_gain, gains, work_left, work_right, track, out);
    }
  }
  for (int j = N - kLag; j < N; j += 4) {
    mix_and_limit(j, hi_gain, lo_gain, gains, work_left, work_right, track, out);
  }
  _mm_storeu_ps(gains.envelope, gain);
}

}  // namespace

void run_frames(const FrameLoopParams& params, FrameGains& gains, float* work_left,
                float* work_right, const float* low_left, const float* low_right, int16_t* out) {
  if (params.logarithmic) {
    frame_pass<true>(params, gains, work_left, work_right, low_left, low_right, out);
  } else {
    frame_pass<false>(params, gains, work_left, work_right, low_left, low_right, out);
  }
}

void cross_fade(const int16_t* older, const int16_t* newer, int16_t* blend) {
  static_assert(N == 1 << 14, "the division below shifts by 14");
  // Pairs (older, newer) against pairs of weights (N - i, i): one multiply-add per sample. The
  // unpacks work within 128-bit halves, so the weights follow the same order.
  __m256i weights_low = _mm256_setr_epi16(N, 0, N - 1, 1, N - 2, 2, N - 3, 3, N - 8, 8, N - 9, 9,
                                          N - 10, 10, N - 11, 11);
  __m256i weights_high = _mm256_add_epi16(weights_low, _mm256_setr_epi16(
      -4, 4, -4, 4, -4, 4, -4, 4, -4, 4, -4, 4, -4, 4, -4, 4));
  const __m256i step = _mm256_setr_epi16(-16, 16, -16, 16, -16, 16, -16, 16, -16, 16, -16, 16,
                                         -16, 16, -16, 16);
  const __m256i round_up = _mm256_set1_epi32(N - 1);
  for (int i = 0; i < N; i += 16) {
    const __m256i o = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(older + i));
    const __m256i n = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(newer + i));
    __m256i low = _mm256_madd_epi16(_mm256_unpacklo_epi16(o, n), weights_low);
    __m256i high = _mm256_madd_epi16(_mm256_unpackhi_epi16(o, n), weights_high);
    // Division by N = 2^14 truncating toward zero: negative sums are raised by N - 1 first.
    low = _mm256_srai_epi32(_mm256_add_epi32(low, _mm256_and_si256(_mm256_srai_epi32(low, 31),
                                                                   round_up)), 14);
    high = _mm256_srai_epi32(_mm256_add_epi32(high, _mm256_and_si256(_mm256_srai_epi32(high, 31),
                                                                     round_up)), 14);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(blend + i), _mm256_packs_epi32(low, high));
    weights_low = _mm256_add_epi16(weights_low, step);
    weights_high = _mm256_add_epi16(weights_high, step);
  }
}

}  // namespace zelmar::avx2

#endif
