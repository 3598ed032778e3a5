// The survey's per-entry loops: the plain code (the readable definition) and AVX2 versions that
// give the same bits. block_path_in_use() (dsp/block_path.h) picks the path.
#pragma once

#include "dsp/block_path.h"

namespace zelmar {

// Adds 100 x |left bin| + 50 x |right bin| of one window's packed spectra to every even entry of
// eq_curve: entry k gets ((R x 100) x 0.5 + entry) + L x 100, rounded to single precision.
void accumulate_magnitudes(const float* left, const float* right, float* eq_curve,
                           int frame_count);

// Half-width h of the smoothing window of entry k: k x spread truncated, lowest bit cleared.
int smoothing_span(int k, double spread);

// Smoothed value of entry k (eq_curve[k], which must be 0): for l = k + h, k + h - 2, ..., k - h + 2
// inside the array, eq_curve[k] += averaged[l] / h x 0.5, rounded to single precision each time.
void smooth_entry(const float* averaged, float* eq_curve, int frame_count, int k, double spread);

#ifdef ZELMAR_BLOCK_X86
namespace avx2 {

// accumulate_magnitudes for a frame_count that is a multiple of 8.
void accumulate_magnitudes(const float* left, const float* right, float* eq_curve,
                           int frame_count);

// smooth_entry for every even k, eq_curve[0 .. frame_count - 2] already 0; 32 entries side by
// side, each lane adding its own terms in their order. Returns false (having written nothing)
// when it needs memory that is not there.
bool smooth_entries(const float* averaged, float* eq_curve, int frame_count, double spread);

}  // namespace avx2
#endif

}  // namespace zelmar
