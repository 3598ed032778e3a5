// The real FFT of n = 8192 points on split real/imaginary arrays, written once for any vector
// instruction set. Included only by the per-instruction-set files (fft_avx2.cpp, fft_avx512.cpp),
// each of which supplies an `Isa` type; every function here is a template of that type, so each
// file gets its own copy compiled for its own instructions.
//
// The arithmetic is the plain transform's (fft.cpp), lane by lane: the same double-precision
// operations in the same order, rounding to single precision at the same places; only the order in
// which independent butterflies run differs. Operations of two floats rounded to float are done in
// float lanes, which gives the same bits as computing them in double and rounding.
//
// Isa supplies, with L = Isa::kLanes:
//   Wide (L doubles), Narrow (L floats);
//   widen(Narrow) -> Wide, narrow(Wide) -> Narrow (round to nearest);
//   add, sub, mul on Wide and on Narrow; broadcast(double) -> Wide, broadcast(float) -> Narrow;
//   load/store of L floats (any alignment), load_wide of L doubles (aligned to L doubles);
//   reversed(Narrow): lanes in opposite order;
//   load_pairs(p, re, im) / store_pairs(p, re, im): L interleaved (re, im) pairs <-> parts;
//   store_columns(v[8], base, offsets): base[offsets[l] + q] = lane l of v[q], q < 8, l < L.
#pragma once

#include "dsp/fft_plan.h"

namespace zelmar::split_fft {

constexpr int kPoints = kPlanPoints;
constexpr int kFirstSpan = 8;  // spans 1, 2 and 4 run in the gathering pass

// Index of point p after the bit-reversal permutation of `bits`-bit indices.
constexpr int reversed_bits(int p, int bits) {
  int r = 0;
  for (int b = 0; b < bits; ++b) r |= ((p >> b) & 1) << (bits - 1 - b);
  return r;
}

template <class Isa>
struct Kernels {
  using Wide = typename Isa::Wide;
  using Narrow = typename Isa::Narrow;
  static constexpr int L = Isa::kLanes;

  struct Complex {
    Narrow re;
    Narrow im;
  };

  // One butterfly per lane: b is multiplied by (wr, wi), then a, b = a + t, a - t. t_re stays
  // double, t_im is rounded before use, exactly as in the plain stage loop.
  static inline void butterfly(Complex& a, Complex& b, Wide wr, Wide wi) {
    const Wide xr = Isa::widen(b.re);
    const Wide xi = Isa::widen(b.im);
    const Wide t_re = Isa::sub(Isa::mul(wr, xr), Isa::mul(wi, xi));
    const Narrow t_im = Isa::narrow(Isa::add(Isa::mul(wr, xi), Isa::mul(wi, xr)));
    const Wide ar = Isa::widen(a.re);
    b.re = Isa::narrow(Isa::sub(ar, t_re));
    b.im = Isa::sub(a.im, t_im);
    a.re = Isa::narrow(Isa::add(ar, t_re));
    a.im = Isa::add(a.im, t_im);
  }

  static inline Complex load(const float* re, const float* im, int at) {
    return Complex{Isa::load(re + at), Isa::load(im + at)};
  }

  static inline void store(float* re, float* im, int at, Complex x) {
    Isa::store(re + at, x.re);
    Isa::store(im + at, x.im);
  }

  static inline void scale_by(Complex& x, Narrow scale) {
    x.re = Isa::mul(x.re, scale);
    x.im = Isa::mul(x.im, scale);
  }

  // Bit reversal fused with the stages of span 1, 2 and 4. Point c + 1024 r (c < 1024, r < 8)
  // goes to position 8 reversed_bits(c, 10) + reversed_bits(r, 3): the 8 points whose c is the
  // same form one group of the three stages, and L consecutive c give contiguous loads. The L
  // groups are then transposed so that each group's 8 results are stored together.
  template <bool kInterleavedSource>
  static void gather_first_stages(const float* source_re, const float* source_im, float* re,
                                  float* im, const double* twiddle_re, const double* twiddle_im) {
    constexpr int kGroups = kPoints / 8;
    Wide wr[8], wi[8];  // twiddle k of the stage with span s at [s + k], as in the tables
    for (int t = 1; t < 8; ++t) {
      wr[t] = Isa::broadcast(twiddle_re[t]);
      wi[t] = Isa::broadcast(twiddle_im[t]);
    }
    int lane_offset[L];  // c0 is a multiple of L, so c0 + l reverses to the sum of both reversals
    for (int l = 0; l < L; ++l) lane_offset[l] = 8 * reversed_bits(l, 10);
    for (int c0 = 0; c0 < kGroups; c0 += L) {
      Complex v[8];  // the loops over v are unrolled so that it lives in registers
#pragma GCC unroll 8
      for (int q = 0; q < 8; ++q) {
        const int source = c0 + kGroups * reversed_bits(q, 3);
        if constexpr (kInterleavedSource) {
          Isa::load_pairs(source_re + 2 * source, v[q].re, v[q].im);
        } else {
          v[q] = load(source_re, source_im, source);
        }
      }
#pragma GCC unroll 4
      for (int q = 0; q < 8; q += 2) butterfly(v[q], v[q + 1], wr[1], wi[1]);
#pragma GCC unroll 2
      for (int q = 0; q < 8; q += 4) {
        butterfly(v[q], v[q + 2], wr[2], wi[2]);
        butterfly(v[q + 1], v[q + 3], wr[3], wi[3]);
      }
#pragma GCC unroll 4
      for (int k = 0; k < 4; ++k) butterfly(v[k], v[k + 4], wr[4 + k], wi[4 + k]);

      const int first_row = 8 * reversed_bits(c0, 10);
      const Narrow parts_re[8] = {v[0].re, v[1].re, v[2].re, v[3].re,
                                  v[4].re, v[5].re, v[6].re, v[7].re};
      const Narrow parts_im[8] = {v[0].im, v[1].im, v[2].im, v[3].im,
                                  v[4].im, v[5].im, v[6].im, v[7].im};
      Isa::store_columns(parts_re, re + first_row, lane_offset);
      Isa::store_columns(parts_im, im + first_row, lane_offset);
    }
  }

  // Two stages at once, spans `span` and 2 span, in place. Points a, a + span, a + 2 span and
  // a + 3 span are paired first by the span stage and then by the 2 span stage. With kScaled (the
  // last pass) every result is then multiplied by the transform's scale factor, as a float
  // operation like the plain scaling loop. With kPairsOut the results go to `pairs` as
  // interleaved (re, im) pairs instead of back to re/im, which saves a pass over the data.
  template <bool kScaled, bool kPairsOut = false>
  static void radix4_pass(float* re, float* im, int span, const double* twiddle_re,
                          const double* twiddle_im, float scale, float* pairs = nullptr) {
    const double* w1r = twiddle_re + span;
    const double* w1i = twiddle_im + span;
    const double* w2r = twiddle_re + 2 * span;
    const double* w2i = twiddle_im + 2 * span;
    const Narrow scale_lanes = Isa::broadcast(scale);
    for (int group = 0; group < kPoints; group += 4 * span) {
      for (int k = 0; k < span; k += L) {
        const int at = group + k;
        Complex a = load(re, im, at);
        Complex b = load(re, im, at + span);
        Complex c = load(re, im, at + 2 * span);
        Complex d = load(re, im, at + 3 * span);
        const Wide first_re = Isa::load_wide(w1r + k), first_im = Isa::load_wide(w1i + k);
        butterfly(a, b, first_re, first_im);
        butterfly(c, d, first_re, first_im);
        butterfly(a, c, Isa::load_wide(w2r + k), Isa::load_wide(w2i + k));
        butterfly(b, d, Isa::load_wide(w2r + k + span), Isa::load_wide(w2i + k + span));
        if constexpr (kScaled) {
          scale_by(a, scale_lanes);
          scale_by(b, scale_lanes);
          scale_by(c, scale_lanes);
          scale_by(d, scale_lanes);
        }
        if constexpr (kPairsOut) {
          Isa::store_pairs(pairs + 2 * at, a.re, a.im);
          Isa::store_pairs(pairs + 2 * (at + span), b.re, b.im);
          Isa::store_pairs(pairs + 2 * (at + 2 * span), c.re, c.im);
          Isa::store_pairs(pairs + 2 * (at + 3 * span), d.re, d.im);
        } else {
          store(re, im, at, a);
          store(re, im, at + span, b);
          store(re, im, at + 2 * span, c);
          store(re, im, at + 3 * span, d);
        }
      }
    }
  }

  // The complex FFT of the n points in `source` (interleaved pairs, or the split parts
  // source_re/source_im) into re/im, scale included; with kPairsOut the last pass writes the
  // results to `pairs` as interleaved pairs instead (re/im still serve as working space).
  template <bool kInterleavedSource, bool kPairsOut = false>
  static void complex_fft(const float* source_re, const float* source_im, float* re, float* im,
                          int forward, float* pairs = nullptr) {
    const FftPlan& plan = fft_plan();
    const double* twiddle_re = plan.stage_re[forward];
    const double* twiddle_im = plan.stage_im[forward];
    gather_first_stages<kInterleavedSource>(source_re, source_im, re, im, twiddle_re, twiddle_im);
    int span = kFirstSpan;
    for (; 4 * span < kPoints; span *= 4) {
      radix4_pass<false>(re, im, span, twiddle_re, twiddle_im, 1.0f);
    }
    const float scale = forward != 0 ? static_cast<float>(1.0 / (2 * kPoints)) : 2.0f;
    radix4_pass<true, kPairsOut>(re, im, span, twiddle_re, twiddle_im, scale, pairs);
  }

  // The untangling step for pairs i = 1 .. n/2 with their mirrors n - i, L pairs at a time, from
  // `in` to `out` (each interleaved or split). The mirrored pairs are loaded and stored in
  // reversed lane order. At i = n/2 the pair is its own mirror: the mirror's results are stored
  // last and win, as in the plain loop.
  template <bool kInterleavedIn, bool kInterleavedOut>
  static void untangle(const float* in_re, const float* in_im, float* out_re, float* out_im,
                       int forward) {
    const FftPlan& plan = fft_plan();
    const double* table_re = plan.untangle_re[forward];
    const double* table_im = plan.untangle_im[forward];
    const double c2_value = forward != 0 ? -0.5 : 0.5;
    const Wide c1 = Isa::broadcast(0.5);
    const Wide c2 = Isa::broadcast(c2_value);
    const Wide minus_c2 = Isa::broadcast(-c2_value);
    for (int i = 1; i <= kPoints / 2; i += L) {
      const int mirror = kPoints - i - (L - 1);
      Complex lo, hi;
      if constexpr (kInterleavedIn) {
        Isa::load_pairs(in_re + 2 * i, lo.re, lo.im);
        Isa::load_pairs(in_re + 2 * mirror, hi.re, hi.im);
      } else {
        lo = Complex{Isa::load(in_re + i), Isa::load(in_im + i)};
        hi = Complex{Isa::load(in_re + mirror), Isa::load(in_im + mirror)};
      }
      hi = Complex{Isa::reversed(hi.re), Isa::reversed(hi.im)};
      const Wide wr = Isa::load_wide(table_re + i - 1);
      const Wide wi = Isa::load_wide(table_im + i - 1);

      const Wide lo_re = Isa::widen(lo.re), lo_im = Isa::widen(lo.im);
      const Wide hi_re = Isa::widen(hi.re), hi_im = Isa::widen(hi.im);
      const Wide h1r = Isa::mul(c1, Isa::add(lo_re, hi_re));
      const Narrow h1i = Isa::narrow(Isa::mul(c1, Isa::sub(lo_im, hi_im)));
      const Wide h2r = Isa::mul(minus_c2, Isa::add(lo_im, hi_im));
      const Wide h2i = Isa::mul(c2, Isa::sub(lo_re, hi_re));
      const Wide wr_h2r = Isa::widen(Isa::narrow(Isa::mul(wr, h2r)));
      const Wide wi_h2i = Isa::widen(Isa::narrow(Isa::mul(wi, h2i)));
      const Wide sum = Isa::add(Isa::mul(wr, h2i), Isa::mul(wi, h2r));
      lo.re = Isa::narrow(Isa::sub(Isa::add(h1r, wr_h2r), wi_h2i));
      lo.im = Isa::narrow(Isa::add(Isa::widen(h1i), sum));
      hi.re = Isa::reversed(Isa::narrow(Isa::add(Isa::sub(h1r, wr_h2r), wi_h2i)));
      hi.im = Isa::reversed(Isa::sub(Isa::narrow(sum), h1i));

      if constexpr (kInterleavedOut) {
        Isa::store_pairs(out_re + 2 * i, lo.re, lo.im);
        Isa::store_pairs(out_re + 2 * mirror, hi.re, hi.im);
      } else {
        Isa::store(out_re + i, lo.re);
        Isa::store(out_im + i, lo.im);
        Isa::store(out_re + mirror, hi.re);
        Isa::store(out_im + mirror, hi.im);
      }
    }
  }

  // real_fft(data, 8192, forward).
  static void real_fft(float* data, int forward) {
    FftScratch& s = fft_scratch();
    if (forward != 0) {
      complex_fft<true>(data, nullptr, s.re, s.im, 1);
      const double d0 = static_cast<double>(s.re[0]);
      const double d1 = static_cast<double>(s.im[0]);
      data[0] = static_cast<float>(d0 + d1);
      data[1] = static_cast<float>(d0 - d1);
      untangle<false, true>(s.re, s.im, data, nullptr, 1);
    } else {
      const double d0 = static_cast<double>(data[0]);
      const double d1 = static_cast<double>(data[1]);
      s.re2[0] = static_cast<float>(0.5 * (d0 + d1));
      s.im2[0] = static_cast<float>(0.5 * (d0 - d1));
      untangle<true, false>(data, nullptr, s.re2, s.im2, 0);
      complex_fft<false, true>(s.re2, s.im2, s.re, s.im, 0, data);
    }
  }
};

}  // namespace zelmar::split_fft
