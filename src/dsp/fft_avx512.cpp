// The split-array real FFT for AVX-512 F/DQ: 8 double lanes, with their float halves in 256-bit
// registers. Compiled with -mavx512f -mavx512dq; -ffp-contract=off keeps every product apart from
// the sum it feeds (see the root CMakeLists.txt).
#include "dsp/fft_vector_paths.h"

#ifdef ZELMAR_FFT_X86

// GCC 12 reports its own AVX-512 conversion intrinsics as reading an uninitialized value (they
// pass a deliberately undefined merge source that the full mask never reads).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include "dsp/fft_split_kernels.h"

namespace zelmar {
namespace {

struct Avx512 {
  using Wide = __m512d;
  using Narrow = __m256;
  static constexpr int kLanes = 8;

  static Wide widen(Narrow x) { return _mm512_cvtps_pd(x); }
  static Narrow narrow(Wide x) { return _mm512_cvtpd_ps(x); }
  static Wide add(Wide a, Wide b) { return _mm512_add_pd(a, b); }
  static Wide sub(Wide a, Wide b) { return _mm512_sub_pd(a, b); }
  static Wide mul(Wide a, Wide b) { return _mm512_mul_pd(a, b); }
  static Narrow add(Narrow a, Narrow b) { return _mm256_add_ps(a, b); }
  static Narrow sub(Narrow a, Narrow b) { return _mm256_sub_ps(a, b); }
  static Narrow mul(Narrow a, Narrow b) { return _mm256_mul_ps(a, b); }
  static Wide broadcast(double x) { return _mm512_set1_pd(x); }
  static Narrow broadcast(float x) { return _mm256_set1_ps(x); }
  static Narrow load(const float* p) { return _mm256_loadu_ps(p); }
  static void store(float* p, Narrow x) { _mm256_storeu_ps(p, x); }
  static Wide load_wide(const double* p) { return _mm512_load_pd(p); }

  static Narrow reversed(Narrow x) {
    return _mm256_permutevar8x32_ps(x, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0));
  }

  static void load_pairs(const float* p, Narrow& re, Narrow& im) {
    const __m512 pairs = _mm512_loadu_ps(p);
    const __m512i even = _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m512i odd = _mm512_setr_epi32(1, 3, 5, 7, 9, 11, 13, 15, 0, 0, 0, 0, 0, 0, 0, 0);
    re = _mm512_castps512_ps256(_mm512_permutexvar_ps(even, pairs));
    im = _mm512_castps512_ps256(_mm512_permutexvar_ps(odd, pairs));
  }

  static void store_pairs(float* p, Narrow re, Narrow im) {
    const __m512 parts = _mm512_insertf32x8(_mm512_castps256_ps512(re), im, 1);
    const __m512i order = _mm512_setr_epi32(0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15);
    _mm512_storeu_ps(p, _mm512_permutexvar_ps(order, parts));
  }

  // 8 x 8 transpose: base[offsets[l] + q] = v[q][l].
  static void store_columns(const Narrow (&v)[8], float* base, const int (&offsets)[8]) {
    const __m256 t0 = _mm256_unpacklo_ps(v[0], v[1]), t1 = _mm256_unpackhi_ps(v[0], v[1]);
    const __m256 t2 = _mm256_unpacklo_ps(v[2], v[3]), t3 = _mm256_unpackhi_ps(v[2], v[3]);
    const __m256 t4 = _mm256_unpacklo_ps(v[4], v[5]), t5 = _mm256_unpackhi_ps(v[4], v[5]);
    const __m256 t6 = _mm256_unpacklo_ps(v[6], v[7]), t7 = _mm256_unpackhi_ps(v[6], v[7]);
    const __m256 u0 = _mm256_shuffle_ps(t0, t2, 0x44), u1 = _mm256_shuffle_ps(t0, t2, 0xEE);
    const __m256 u2 = _mm256_shuffle_ps(t1, t3, 0x44), u3 = _mm256_shuffle_ps(t1, t3, 0xEE);
    const __m256 u4 = _mm256_shuffle_ps(t4, t6, 0x44), u5 = _mm256_shuffle_ps(t4, t6, 0xEE);
    const __m256 u6 = _mm256_shuffle_ps(t5, t7, 0x44), u7 = _mm256_shuffle_ps(t5, t7, 0xEE);
    _mm256_storeu_ps(base + offsets[0], _mm256_permute2f128_ps(u0, u4, 0x20));
    _mm256_storeu_ps(base + offsets[1], _mm256_permute2f128_ps(u1, u5, 0x20));
    _mm256_storeu_ps(base + offsets[2], _mm256_permute2f128_ps(u2, u6, 0x20));
    _mm256_storeu_ps(base + offsets[3], _mm256_permute2f128_ps(u3, u7, 0x20));
    _mm256_storeu_ps(base + offsets[4], _mm256_permute2f128_ps(u0, u4, 0x31));
    _mm256_storeu_ps(base + offsets[5], _mm256_permute2f128_ps(u1, u5, 0x31));
    _mm256_storeu_ps(base + offsets[6], _mm256_permute2f128_ps(u2, u6, 0x31));
    _mm256_storeu_ps(base + offsets[7], _mm256_permute2f128_ps(u3, u7, 0x31));
  }
};

}  // namespace

void real_fft_8192_avx512(float* data, int forward) {
  split_fft::Kernels<Avx512>::real_fft(data, forward);
}

}  // namespace zelmar

#endif  // ZELMAR_FFT_X86
