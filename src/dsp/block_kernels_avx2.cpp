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

void convert_window(const int16_t* window, float* left, float* right) {
  const __m256 scale = _mm256_set1_ps(kSampleScale);
  const __m256i split = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  for (int i = 0; i < N; i += 4) {
    const __m128i frames = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + 2 * i));
    const __m256 values = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(frames)), scale);
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

// The envelopes' side of four frames whose gains are all exactly 1 and whose band samples all stay
// under their thresholds: every envelope step leaves its gain at 1, and the mix is formed with 1.
inline void mix_at_unity(__m128 high_l, __m128 low_l, __m128 high_r, __m128 low_r,
                         __m256d hi_gain, __m256d lo_gain, float* mix_left, float* mix_right) {
  const __m256d left = _mm256_add_pd(_mm256_mul_pd(hi_gain, _mm256_cvtps_pd(high_l)),
                                     _mm256_mul_pd(lo_gain, _mm256_cvtps_pd(low_l)));
  const __m256d right = _mm256_add_pd(_mm256_mul_pd(hi_gain, _mm256_cvtps_pd(high_r)),
                                      _mm256_mul_pd(lo_gain, _mm256_cvtps_pd(low_r)));
  _mm_storeu_ps(mix_left, _mm256_cvtpd_ps(left));
  _mm_storeu_ps(mix_right, _mm256_cvtpd_ps(right));
}

// Per-lane constants of envelope_step, lanes hi_left, lo_left, hi_right, lo_right.
struct EnvelopeLanes {
  __m128 threshold;
  __m256d threshold_wide;
  __m128 release_step;
  __m256d keep_share;      // 1 - attack_coef
  __m256d attack_coef;
  __m256d linear_step;
  __m256d band_gain;
};

// envelope_step on four lanes, x the lanes' band samples. The attack test |g x| >= T followed by
// "target < g" reduces to "target < g" alone: target = |T / x| rounded, and for a gain g that is a
// single-precision value, target < g implies |T / x| <= g, that is |g x| >= T (g x is exact in
// double precision); with x or T zero, infinite or not a number both sides agree as well.
template <bool kLogarithmic>
inline __m128 envelope_lanes(__m128 gain, __m128 x, const EnvelopeLanes& e) {
  const __m128 one = _mm_set1_ps(1.0f);
  const __m128 raised = _mm_min_ps(one, _mm_add_ps(gain, e.release_step));
  gain = _mm_blendv_ps(gain, raised, _mm_cmplt_ps(gain, one));
  const __m256d target_wide = round_single(abs_wide(_mm256_div_pd(e.threshold_wide,
                                                                  _mm256_cvtps_pd(x))));
  const __m128 target = _mm256_cvtpd_ps(target_wide);
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
  return _mm_blendv_ps(gain, attacked, _mm_cmplt_ps(target, gain));
}

// Both mixes of one frame from the updated gains: lanes (hi_gain g_hl hL, lo_gain g_ll lL',
// hi_gain g_hr hR, lo_gain g_lr lR') summed pairwise.
inline void mix_frame(__m128 gain, __m128 x, __m256d band_gain, float* mix_left,
                      float* mix_right) {
  const __m256d terms =
      _mm256_mul_pd(_mm256_mul_pd(band_gain, _mm256_cvtps_pd(gain)), _mm256_cvtps_pd(x));
  const __m128 sums = _mm256_cvtpd_ps(_mm256_hadd_pd(terms, terms));
  _mm_store_ss(mix_left, sums);
  _mm_store_ss(mix_right, _mm_movehl_ps(sums, sums));
}

template <bool kLogarithmic>
void envelope_pass(const FrameLoopParams& p, float gains[4], float* work_left, float* work_right,
                   const float* low_left, const float* low_right) {
  EnvelopeLanes e;
  e.threshold = _mm_loadu_ps(p.threshold);
  e.threshold_wide = _mm256_cvtps_pd(e.threshold);
  e.release_step = _mm_loadu_ps(p.release_step);
  e.attack_coef = _mm256_cvtps_pd(_mm_loadu_ps(p.attack_coef));
  e.keep_share = _mm256_sub_pd(_mm256_set1_pd(1.0), e.attack_coef);
  e.linear_step = _mm256_loadu_pd(p.linear_step);
  e.band_gain = _mm256_cvtps_pd(_mm_loadu_ps(p.band_gain));
  const __m256d hi_gain = _mm256_set1_pd(p.band_gain[0]);
  const __m256d lo_gain = _mm256_set1_pd(p.band_gain[1]);
  const __m256d width = _mm256_set1_pd(p.width);
  const __m128 abs_mask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
  const __m128 hi_thresh = _mm_set1_ps(p.threshold[0]);
  const __m128 lo_thresh = _mm_set1_ps(p.threshold[1]);
  __m128 gain = _mm_loadu_ps(gains);
  for (int j = 0; j < N; j += 4) {
    __m128 high_l = _mm_loadu_ps(work_left + j);
    __m128 high_r = _mm_loadu_ps(work_right + j);
    __m128 low_l;
    __m128 low_r;
    narrow_bass(low_left, low_right, j, width, low_l, low_r);
    const bool at_unity = _mm_movemask_ps(_mm_cmpeq_ps(gain, _mm_set1_ps(1.0f))) == 0xF;
    if (at_unity) {
      // |1 x| >= T is the attack test of a gain at 1; NaN samples do not reach.
      const __m128 reach = _mm_or_ps(
          _mm_or_ps(_mm_cmpge_ps(_mm_and_ps(high_l, abs_mask), hi_thresh),
                    _mm_cmpge_ps(_mm_and_ps(high_r, abs_mask), hi_thresh)),
          _mm_or_ps(_mm_cmpge_ps(_mm_and_ps(low_l, abs_mask), lo_thresh),
                    _mm_cmpge_ps(_mm_and_ps(low_r, abs_mask), lo_thresh)));
      if (_mm_movemask_ps(reach) == 0) {
        mix_at_unity(high_l, low_l, high_r, low_r, hi_gain, lo_gain, work_left + j,
                     work_right + j);
        continue;
      }
    }
    // Frame by frame: lanes (hL, lL', hR, lR') of frames j .. j + 3.
    _MM_TRANSPOSE4_PS(high_l, low_l, high_r, low_r);
    const __m128 frames[4] = {high_l, low_l, high_r, low_r};
    for (int f = 0; f < 4; ++f) {
      gain = envelope_lanes<kLogarithmic>(gain, frames[f], e);
      mix_frame(gain, frames[f], e.band_gain, work_left + j + f, work_right + j + f);
    }
  }
  _mm_storeu_ps(gains, gain);
}

}  // namespace

void run_envelopes(const FrameLoopParams& params, float gains[4], float* work_left,
                   float* work_right, const float* low_left, const float* low_right) {
  if (params.logarithmic) {
    envelope_pass<true>(params, gains, work_left, work_right, low_left, low_right);
  } else {
    envelope_pass<false>(params, gains, work_left, work_right, low_left, low_right);
  }
}

void run_limiters(float& limit_left, float& limit_right, const float* mix_left,
                  const float* mix_right, int16_t* out) {
  const __m256d ceiling = _mm256_set1_pd(LIMIT_CEILING);
  for (int j = 0; j < N; j += 4) {
    const __m256d yl = load_wide(mix_left + j);
    const __m256d yr = load_wide(mix_right + j);
    // A limiter gain of exactly 1 stays 1 and passes y unchanged while |y| stays under the
    // ceiling (NaN included, as in limiter_step).
    if (limit_left == 1.0f && limit_right == 1.0f) {
      const __m256d reach = _mm256_or_pd(_mm256_cmp_pd(abs_wide(yl), ceiling, _CMP_GE_OQ),
                                         _mm256_cmp_pd(abs_wide(yr), ceiling, _CMP_GE_OQ));
      if (_mm256_movemask_pd(reach) == 0) {
        store_frames16(samples16(yl), samples16(yr), out + 2 * j);
        continue;
      }
    }
    for (int f = j; f < j + 4; ++f) {
      out[2 * f] = to_sample16(limiter_step(limit_left, mix_left[f]));
      out[2 * f + 1] = to_sample16(limiter_step(limit_right, mix_right[f]));
    }
  }
}

}  // namespace zelmar::avx2

#endif
