// The first half of the block processor: conversion, spectral shaping and the band split.
// Most tests work on packed spectra (the steps called one by one) where the rules are stated.

#include "dsp/shaping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "dsp/settings.h"
#include "dsp/state.h"

namespace {

using namespace zelmar;

constexpr int kN = BLOCK_FRAMES;

ProcessorState fresh_state() {
  ProcessorState state;
  init_processor_state(state);
  return state;
}

// Fills both work arrays with a spectrum of values between 0.5 and 1.5 (never zero).
void fill_spectrum(ProcessorState& state) {
  std::mt19937 generator(7);
  std::uniform_real_distribution<float> value(0.5f, 1.5f);
  for (int i = 0; i < kN; ++i) {
    state.work_left[i] = value(generator);
    state.work_right[i] = value(generator);
  }
}

// The spectral steps in the order the block processor runs them, on the spectra already in
// work_left/work_right: leaves the high-band spectra there and the low-band spectra in low_*.
void shape_spectra(ProcessorState& state, const BlockSettings& settings) {
  float* left = state.work_left.data();
  float* right = state.work_right.data();
  const bool eq_on = settings.auto_eq >= 1;
  if (eq_on) apply_eq_correction(state.eq_curve.data(), left, right);
  if (settings.weighted_curve) apply_pre_emphasis(left, right);
  apply_tilt(settings.eq_linearity, left, right);
  if (eq_on) apply_low_ramp(left, right);
  state.low_left = state.work_left;
  state.low_right = state.work_right;
  split_bands(settings.split_freq, settings.split_slope, left, right, state.low_left.data(),
              state.low_right.data());
}

BlockSettings with_eq(int auto_eq, bool weighted_curve = false, float eq_linearity = 100.0f) {
  BlockSettings settings;
  settings.auto_eq = auto_eq;
  settings.weighted_curve = weighted_curve;
  settings.eq_linearity = eq_linearity;
  return settings;
}

TEST(ShapeAndSplit, SilenceGivesFourExactlyZeroBands) {
  const BlockSettings cases[] = {with_eq(0), with_eq(50, true), with_eq(100, false, 150.0f),
                                 with_eq(0, true, 30.0f)};
  for (const BlockSettings& settings : cases) {
    ProcessorState state = fresh_state();
    // Leftovers from an earlier block must not leak into this one.
    for (auto* band : {&state.work_left, &state.work_right, &state.low_left, &state.low_right}) {
      std::fill(band->begin(), band->end(), 1.0f);
    }
    std::fill(state.eq_curve.begin(), state.eq_curve.end(), 3.0f);
    shape_and_split(state, settings);
    for (auto* band : {&state.work_left, &state.work_right, &state.low_left, &state.low_right}) {
      const auto nonzero = std::find_if(band->begin(), band->end(), [](float x) { return x != 0.0f; });
      EXPECT_EQ(nonzero, band->end()) << "auto_eq " << settings.auto_eq << ": index "
                                      << (nonzero - band->begin());
    }
  }
}

TEST(ShapeSpectra, WithoutEqTheDcTermReachesTheLowBandUnchanged) {
  const BlockSettings cases[] = {with_eq(0), with_eq(0, true), with_eq(0, false, 150.0f)};
  for (const BlockSettings& settings : cases) {
    ProcessorState state = fresh_state();
    fill_spectrum(state);
    const float dc_left = state.work_left[0];
    const float dc_right = state.work_right[0];
    shape_spectra(state, settings);
    EXPECT_EQ(state.low_left[0], dc_left);
    EXPECT_EQ(state.low_right[0], dc_right);
    EXPECT_EQ(state.work_left[0], 0.0f);
    EXPECT_EQ(state.work_right[0], 0.0f);
  }
}

TEST(ShapeSpectra, WithEqIndicesZeroToTenOfBothBandsAreZero) {
  const BlockSettings cases[] = {with_eq(1), with_eq(100), with_eq(25, true)};
  for (const float level : {0.0f, 0.001f, 40.0f}) {
    for (const BlockSettings& settings : cases) {
      ProcessorState state = fresh_state();
      fill_spectrum(state);
      std::fill(state.eq_curve.begin(), state.eq_curve.end(), level);
      shape_spectra(state, settings);
      for (int i = 0; i <= 10; ++i) {
        EXPECT_EQ(state.work_left[i], 0.0f) << "index " << i;
        EXPECT_EQ(state.work_right[i], 0.0f) << "index " << i;
        EXPECT_EQ(state.low_left[i], 0.0f) << "index " << i;
        EXPECT_EQ(state.low_right[i], 0.0f) << "index " << i;
      }
      EXPECT_NE(state.low_left[11], 0.0f) << "the ramp reopens at index 11";
    }
  }
}

TEST(SplitBands, PairsUpToTheSplitFrequencyGoWhollyToTheLowBand) {
  struct Case {
    int split_freq;
    int last_low_j;  // the last odd j whose pair (j - 1, j) has no high-band share
  };
  const Case cases[] = {{0, 7}, {35, 85}, {100, kN / 2 - 9}};
  for (const Case& c : cases) {
    ProcessorState state = fresh_state();
    std::fill(state.work_left.begin(), state.work_left.end(), 1.0f);
    std::fill(state.low_left.begin(), state.low_left.end(), 1.0f);
    split_bands(c.split_freq, 0.4f, state.work_left.data(), state.work_right.data(),
                state.low_left.data(), state.low_right.data());
    for (int i = 0; i <= c.last_low_j; ++i) {
      ASSERT_EQ(state.work_left[i], 0.0f) << "split " << c.split_freq << ", index " << i;
      ASSERT_EQ(state.low_left[i], 1.0f) << "split " << c.split_freq << ", index " << i;
    }
    EXPECT_GT(state.work_left[c.last_low_j + 1], 0.0f) << "split " << c.split_freq;
    EXPECT_GT(state.work_left[c.last_low_j + 2], 0.0f) << "split " << c.split_freq;
    EXPECT_LT(state.low_left[c.last_low_j + 2], 1.0f) << "split " << c.split_freq;
  }
}

TEST(SplitBands, HighPlusLowEqualsTheShapedSpectrum) {
  struct Case {
    int split_freq;
    float split_slope;
  };
  const Case cases[] = {{35, 0.4f}, {0, 0.0f}, {100, 1.0f}, {60, 0.7f}};
  for (const Case& c : cases) {
    ProcessorState state = fresh_state();
    fill_spectrum(state);
    const RunVector<float> shaped = state.work_left;
    state.low_left = state.work_left;
    state.low_right = state.work_right;
    split_bands(c.split_freq, c.split_slope, state.work_left.data(), state.work_right.data(),
                state.low_left.data(), state.low_right.data());
    double worst = 0.0;
    for (int i = 0; i < kN; ++i) {
      const double sum = double{state.work_left[i]} + state.low_left[i];
      worst = std::max(worst, std::fabs(sum - shaped[i]) / shaped[i]);
    }
    // h = 1 - g is rounded once, and each band's product once.
    EXPECT_LT(worst, 2e-7) << "split " << c.split_freq << ", slope " << c.split_slope;
  }
}

TEST(ApplyTilt, MultipliesIndex100By2Point5WhateverTheExponent) {
  for (const float eq_linearity : {100.0f, 150.0f, 30.0f, 300.0f, 1.0f}) {
    ProcessorState state = fresh_state();
    std::fill(state.work_left.begin(), state.work_left.end(), 1.0f);
    std::fill(state.work_right.begin(), state.work_right.end(), -0.5f);
    apply_tilt(eq_linearity, state.work_left.data(), state.work_right.data());
    EXPECT_EQ(state.work_left[100], 2.5f) << "eq_linearity " << eq_linearity;
    EXPECT_EQ(state.work_right[100], -1.25f) << "eq_linearity " << eq_linearity;
    EXPECT_EQ(state.work_left[0], 1.0f) << "the DC term is not tilted";
  }
}

TEST(ApplyTilt, DefaultExponentLiftsHighIndicesAndLowersIndexOne) {
  ProcessorState state = fresh_state();
  std::fill(state.work_left.begin(), state.work_left.end(), 1.0f);
  apply_tilt(100.0f, state.work_left.data(), state.work_right.data());
  EXPECT_NEAR(state.work_left[1], 2.5 * std::pow(0.01, 0.3), 1e-6);
  EXPECT_NEAR(state.work_left[kN - 1], 2.5 * std::pow((kN - 1) / 100.0, 0.3), 1e-5);
}

TEST(ApplyEqCorrection, LeavesIndicesZeroToSevenUntouched) {
  const float levels[] = {0.0f, 1e-6f, 5.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()};
  for (const float level : levels) {
    ProcessorState state = fresh_state();
    fill_spectrum(state);
    const RunVector<float> left = state.work_left;
    const RunVector<float> right = state.work_right;
    std::fill(state.eq_curve.begin(), state.eq_curve.end(), level);
    apply_eq_correction(state.eq_curve.data(), state.work_left.data(), state.work_right.data());
    EXPECT_EQ(std::memcmp(state.work_left.data(), left.data(), 8 * sizeof(float)), 0) << level;
    EXPECT_EQ(std::memcmp(state.work_right.data(), right.data(), 8 * sizeof(float)), 0) << level;
    EXPECT_NE(state.work_left[8], left[8]) << "the ramp starts at pair 8; level " << level;
  }
}

TEST(ApplyEqCorrection, LevelNotAboveZeroFallsBackToPoint8) {
  const float levels[] = {0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN()};
  for (const float level : levels) {
    ProcessorState state = fresh_state();
    std::fill(state.work_left.begin(), state.work_left.end(), 1.0f);
    std::fill(state.eq_curve.begin(), state.eq_curve.end(), level);
    apply_eq_correction(state.eq_curve.data(), state.work_left.data(), state.work_right.data());
    for (const int i : {24, 25, 1000, 1001, kN - 2, kN - 1}) {
      const int pair = i & ~1;
      const double full_correction = (double(kN) / (pair + 1) + 0.5) / 0.8 * 0.002;
      EXPECT_NEAR(state.work_left[i], full_correction, 1e-6 * full_correction)
          << "level " << level << ", index " << i;
    }
  }
}

}  // namespace
