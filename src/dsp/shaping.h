// First half of the block processor: conversion, spectral shaping and the band split.
#pragma once

#include "dsp/settings.h"
#include "dsp/state.h"

namespace zelmar {

// Scale of the input conversion: a 16-bit sample s becomes s x 0.3 / 32768 (single precision).
constexpr float kSampleScale = 0.3f / 32768.0f;

// Per-block envelope coefficients, each rounded to single precision.
struct EnvelopeCoefficients {
  float attack_coef_hi;   // 0.055 / hi_attack: share of the distance to the target per sample
  float release_step_hi;  // 0.007 / hi_release: gain added per sample while releasing
  float attack_coef_lo;
  float release_step_lo;
};

EnvelopeCoefficients envelope_coefficients(const BlockSettings& settings);

// The per-index factors of the shaping steps, each formed exactly as its step forms it (the steps
// below use them; the block tables hold them once per run).
// Equalizer correction d for the pair (i, i + 1), i even, from the surveyed level eq_curve[i].
double eq_factor(const float* eq_curve, int i);
// Pre-emphasis divisor 10 sqrt(30 / i) of element i >= 1.
double pre_emphasis_divisor(int i);
// Tilt exponent 30 / eq_linearity, rounded to single precision.
float tilt_exponent(float eq_linearity);
// Tilt divisor (100 / i)^exponent * 0.4 of element i >= 1.
double tilt_divisor(float exponent, int i);
// Low-end ramp weight b of element i: 0 up to index 10, rising to exactly 1 from index 14 on.
double low_ramp_weight(int i);
// Crossover shares of the pair (j - 1, j), j odd: the high band's g and the low band's h = 1 - g.
struct CrossoverShares {
  double high;
  float low;
};
CrossoverShares crossover_shares(int32_t split_freq, float split_slope, int j);

// Scales the window's 16-bit samples (full scale maps to about +/-0.3) into work_left/work_right.
void convert_window(const int16_t* window, float* left, float* right);

// Equalizer correction toward the target spectrum, per pair, using the surveyed eq_curve.
void apply_eq_correction(const float* eq_curve, float* left, float* right);

// Weighted-curve pre-emphasis: element i (i >= 1) divided by 10 sqrt(30 / i).
void apply_pre_emphasis(float* left, float* right);

// Spectral tilt: element i (i >= 1) divided by (100 / i)^(30 / eq_linearity) * 0.4.
void apply_tilt(float eq_linearity, float* left, float* right);

// Low-end ramp (equalizer on): elements 0..10 cleared, 11..13 faded in.
void apply_low_ramp(float* left, float* right);

// Crossover: per pair, high band keeps g, low band 1 - g, from the split frequency and slope.
void split_bands(int32_t split_freq, float split_slope, float* high_left, float* high_right,
                 float* low_left, float* low_right);

// Runs the whole first half on state.input_window: leaves the high band of each channel in
// work_left/work_right and the low band in low_left/low_right, on the input scale (time domain).
void shape_and_split(ProcessorState& state, const BlockSettings& settings);

}  // namespace zelmar
