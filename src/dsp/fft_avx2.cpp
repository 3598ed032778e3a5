// The split-array real FFT for AVX2: 4 double lanes, with their float halves in 128-bit
// registers. Compiled with -mavx2 but without FMA, so that no product is fused into a sum (see the
// root CMakeLists.txt).
#include "dsp/fft_vector_paths.h"

#ifdef ZELMAR_FFT_X86

#include <immintrin.h>

#include "dsp/fft_split_kernels.h"

namespace zelmar {
namespace {

struct Avx2 {
  using Wide = __m256d;
  using Narrow = __m128;
  static constexpr int kLanes = 4;

  static Wide widen(Narrow x) { return _mm256_cvtps_pd(x); }
  static Narrow narrow(Wide x) { return _mm256_cvtpd_ps(x); }
  static Wide add(Wide a, Wide b) { return _mm256_add_pd(a, b); }
  static Wide sub(Wide a, Wide b) { return _mm256_sub_pd(a, b); }
  static Wide mul(Wide a, Wide b) { return _mm256_mul_pd(a, b); }
  static Narrow add(Narrow a, Narrow b) { return _mm_add_ps(a, b); }
  static Narrow sub(Narrow a, Narrow b) { return _mm_sub_ps(a, b); }
  static Narrow mul(Narrow a, Narrow b) { return _mm_mul_ps(a, b); }
  static Wide broadcast(double x) { return _mm256_set1_pd(x); }
  static Narrow broadcast(float x) { return _mm_set1_ps(x); }
  static Narrow load(const float* p) { return _mm_loadu_ps(p); }
  static void store(float* p, Narrow x) { _mm_storeu_ps(p, x); }
  static Wide load_wide(const double* p) { return _mm256_load_pd(p); }
  static Narrow reversed(Narrow x) { return _mm_shuffle_ps(x, x, _MM_SHUFFLE(0, 1, 2, 3)); }

  static void load_pairs(const float* p, Narrow& re, Narrow& im) {
    const __m128 a = _mm_loadu_ps(p);
    const __m128 b = _mm_loadu_ps(p + 4);
    re = _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
    im = _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
  }

  static void store_pairs(float* p, Narrow re, Narrow im) {
    _mm_storeu_ps(p, _mm_unpacklo_ps(re, im));
    _mm_storeu_ps(p + 4, _mm_unpackhi_ps(re, im));
  }

  // base[offsets[l] + q] = v[q][l]: two 4 x 4 transposes, for q < 4 and q >= 4.
  static void store_columns(const Narrow (&v)[8], float* base, const int (&offsets)[4]) {
    for (int half = 0; half < 8; half += 4) {
      __m128 r0 = v[half], r1 = v[half + 1], r2 = v[half + 2], r3 = v[half + 3];
      _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
      _mm_storeu_ps(base + offsets[0] + half, r0);
      _mm_storeu_ps(base + offsets[1] + half, r1);
      _mm_storeu_ps(base + offsets[2] + half, r2);
      _mm_storeu_ps(base + offsets[3] + half, r3);
    }
  }
};

}  // namespace

void real_fft_8192_avx2(float* data, int forward) {
  split_fft::Kernels<Avx2>::real_fft(data, forward);
}

}  // namespace zelmar

#endif  // ZELMAR_FFT_X86
