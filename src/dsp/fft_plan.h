// What the vectorised real FFT of N = 16384 values (n = 8192 complex points) needs besides the
// data: the twiddle factors of every stage, filled once per process by the very recurrence the
// plain transform runs, and scratch arrays that hold the complex values split into real and
// imaginary parts.
#pragma once

namespace zelmar {

constexpr int kPlanPoints = 8192;  // n, complex points

struct FftPlan {
  // Complex FFT stage twiddles, [direction][span + k] for the stage whose butterflies pair
  // points k and k + span (span = 1, 2, 4, ..., n/2; k = 0 .. span-1); direction 1 forward,
  // 0 inverse. Entry 0 is unused.
  alignas(64) double stage_re[2][kPlanPoints];
  alignas(64) double stage_im[2][kPlanPoints];
  // Untangling twiddles, [direction][i - 1] for the pair i = 1 .. n/2.
  alignas(64) double untangle_re[2][kPlanPoints / 2];
  alignas(64) double untangle_im[2][kPlanPoints / 2];
};

// Complex values of n points split into parts; two sets, so a permutation need not work in place.
struct FftScratch {
  alignas(64) float re[kPlanPoints];
  alignas(64) float im[kPlanPoints];
  alignas(64) float re2[kPlanPoints];
  alignas(64) float im2[kPlanPoints];
};

// The tables, computed on first use.
const FftPlan& fft_plan();

// The one scratch set of the process (the transforms run on one thread).
FftScratch& fft_scratch();

}  // namespace zelmar
