// The survey's loops with AVX2 (4 doubles per vector), compiled with -mavx2 and without FMA. The
// arithmetic of every entry is the plain code's (survey.cpp), in the same order; square roots and
// quotients in double-precision lanes are correctly rounded as the scalar ones are.
#include "zederu/survey_kernels.h"

#ifdef ZELMAR_BLOCK_X86

#include <immintrin.h>

#include <algorithm>
#include <new>
#include <vector>

namespace zelmar::avx2 {
namespace {

constexpr double kLeftWeight = 100.0;
constexpr double kRightHalf = 0.5;

// |bin| of four bins whose (re, im) pairs lie at p[0..7]; lanes in bin order.
inline __m256d magnitudes(const float* p) {
  const __m256d first = _mm256_cvtps_pd(_mm_loadu_ps(p));       // re0 im0 re1 im1
  const __m256d second = _mm256_cvtps_pd(_mm_loadu_ps(p + 4));  // re2 im2 re3 im3
  const __m256d re = _mm256_unpacklo_pd(first, second);         // re0 re2 re1 re3
  const __m256d im = _mm256_unpackhi_pd(first, second);
  const __m256d sum = _mm256_add_pd(_mm256_mul_pd(im, im), _mm256_mul_pd(re, re));
  return _mm256_permute4x64_pd(_mm256_sqrt_pd(sum), _MM_SHUFFLE(3, 1, 2, 0));
}

}  // namespace

void accumulate_magnitudes(const float* left, const float* right, float* eq_curve,
                           int frame_count) {
  const __m256i evens = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  const __m256d left_weight = _mm256_set1_pd(kLeftWeight);
  const __m256d right_half = _mm256_set1_pd(kRightHalf);
  for (int k = 0; k < frame_count; k += 8) {
    const __m256d l = magnitudes(left + k);
    const __m256d r = magnitudes(right + k);
    const __m256 entries = _mm256_loadu_ps(eq_curve + k);
    const __m256 split = _mm256_permutevar8x32_ps(entries, evens);  // even entries first
    const __m256d old = _mm256_cvtps_pd(_mm256_castps256_ps128(split));
    const __m256d sum = _mm256_add_pd(
        _mm256_add_pd(_mm256_mul_pd(_mm256_mul_pd(r, left_weight), right_half), old),
        _mm256_mul_pd(l, left_weight));
    // Put the new even entries back between the untouched odd ones.
    const __m256 updated = _mm256_insertf128_ps(split, _mm256_cvtpd_ps(sum), 0);
    const __m256i back = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    _mm256_storeu_ps(eq_curve + k, _mm256_permutevar8x32_ps(updated, back));
  }
}

namespace {

constexpr int kLanes = 4;
constexpr int kVectors = 8;
constexpr int kGroup = kLanes * kVectors;  // entries smoothed side by side
constexpr int kPad = 64;                   // zero entries on both sides of the compact copy

// One vector of four entries k, k - 2, k - 4, k - 6 in a group: term m of lane i reads the
// compact entry centre[i] - m, valid for first[i] <= m <= last[i].
struct LaneSet {
  int base;        // smallest centre of the active lanes
  __m256i offset;  // centre[i] - base, in 32-bit lanes 0..3
  __m256d span;
  __m256d first;
  __m256d last;
  __m256d sum;     // the entries' running values (single-precision values)
};

}  // namespace

bool smooth_entries(const float* averaged, float* eq_curve, int frame_count, double spread) {
  const int entries = frame_count / 2;
  // Even entries of the averaged curve side by side, with zero padding for the vector loads.
  std::vector<float> compact;
  try {
    compact.assign(entries + 2 * kPad, 0.0f);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int e = 0; e < entries; ++e) compact[kPad + e] = averaged[2 * e];
  const float* centre0 = compact.data() + kPad;

  int k_top = frame_count - 2;
  for (; k_top - 2 * (kGroup - 1) >= 0; k_top -= 2 * kGroup) {
    LaneSet sets[kVectors];
    int m_begin = frame_count;
    int m_end = -1;
    bool fits = true;
    for (int v = 0; v < kVectors; ++v) {
      int centre[kLanes], first[kLanes], last[kLanes], span[kLanes];
      int base = frame_count;
      for (int i = 0; i < kLanes; ++i) {
        const int k = k_top - 2 * (kLanes * v + i);
        span[i] = smoothing_span(k, spread);
        centre[i] = (k + span[i]) / 2;
        first[i] = std::max(0, (k + span[i] - frame_count) / 2 + 1);
        last[i] = std::min(span[i] - 1, centre[i]);
        if (span[i] <= 0) last[i] = -1;
        if (first[i] <= last[i]) {
          base = std::min(base, centre[i]);
          m_begin = std::min(m_begin, first[i]);
          m_end = std::max(m_end, last[i]);
        }
      }
      int offset[kLanes];
      for (int i = 0; i < kLanes; ++i) {
        offset[i] = first[i] <= last[i] ? centre[i] - base : 0;
        if (offset[i] > 7) fits = false;
      }
      sets[v].base = base;
      sets[v].offset = _mm256_setr_epi32(offset[0], offset[1], offset[2], offset[3], 0, 0, 0, 0);
      sets[v].span = _mm256_setr_pd(span[0], span[1], span[2], span[3]);
      sets[v].first = _mm256_setr_pd(first[0], first[1], first[2], first[3]);
      sets[v].last = _mm256_setr_pd(last[0], last[1], last[2], last[3]);
      sets[v].sum = _mm256_setzero_pd();
    }
    // Every load must stay inside the padded copy; otherwise this group goes the plain way.
    for (int v = 0; v < kVectors && fits && m_begin <= m_end; ++v) {
      if (sets[v].base == frame_count) continue;
      if (sets[v].base - m_end < -kPad || sets[v].base - m_begin + 8 > entries + kPad) fits = false;
    }
    if (!fits) {
      for (int j = 0; j < kGroup; ++j) {
        smooth_entry(averaged, eq_curve, frame_count, k_top - 2 * j, spread);
      }
      continue;
    }
    const __m256d half = _mm256_set1_pd(0.5);
    for (int m = m_begin; m <= m_end; ++m) {
      const __m256d term_index = _mm256_set1_pd(m);
      for (LaneSet& s : sets) {
        if (s.base == frame_count) continue;  // no lane of this vector has a term
        const __m256 window = _mm256_loadu_ps(centre0 + s.base - m);
        const __m256d value =
            _mm256_cvtps_pd(_mm256_castps256_ps128(_mm256_permutevar8x32_ps(window, s.offset)));
        const __m256d term = _mm256_mul_pd(_mm256_div_pd(value, s.span), half);
        const __m256d added = _mm256_cvtps_pd(_mm256_cvtpd_ps(_mm256_add_pd(s.sum, term)));
        const __m256d valid = _mm256_and_pd(_mm256_cmp_pd(term_index, s.first, _CMP_GE_OQ),
                                            _mm256_cmp_pd(term_index, s.last, _CMP_LE_OQ));
        s.sum = _mm256_blendv_pd(s.sum, added, valid);
      }
    }
    for (int v = 0; v < kVectors; ++v) {
      alignas(32) double sums[kLanes];
      _mm256_store_pd(sums, sets[v].sum);
      for (int i = 0; i < kLanes; ++i) {
        eq_curve[k_top - 2 * (kLanes * v + i)] = static_cast<float>(sums[i]);
      }
    }
  }
  for (int k = k_top; k >= 0; k -= 2) smooth_entry(averaged, eq_curve, frame_count, k, spread);
  return true;
}

}  // namespace zelmar::avx2

#endif
