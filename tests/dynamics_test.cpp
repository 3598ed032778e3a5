// The second half of the block processor: envelopes, limiter, 16-bit output, bass width and the
// weighted-curve closing pass.

#include "dsp/dynamics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>

#include "dsp/process_block.h"
#include "dsp/settings.h"
#include "dsp/shaping.h"
#include "dsp/state.h"

namespace {

using namespace zelmar;

constexpr int kN = BLOCK_FRAMES;
constexpr float kNever = 1e30f;  // a threshold no band sample reaches

// The per-block coefficients for one band's attack and release times (ms).
EnvelopeCoefficients coefficients_for(float attack_ms, float release_ms) {
  BlockSettings settings;
  settings.hi_attack = attack_ms;
  settings.hi_release = release_ms;
  settings.lo_attack = attack_ms;
  settings.lo_release = release_ms;
  return envelope_coefficients(settings);
}

// Settings under which no envelope attacks and every gain that starts at 1 stays there.
BlockSettings transparent_settings() {
  BlockSettings settings;
  settings.hi_thresh = kNever;
  settings.lo_thresh = kNever;
  settings.hi_attack = settings.lo_attack = 10.0f;
  settings.hi_release = settings.lo_release = 100.0f;
  settings.hi_gain = settings.lo_gain = 1.0f;
  settings.lo_stereo = 1.0f;
  return settings;
}

void set_all_gains_to_one(ProcessorState& state) {
  state.gain_hi_left = state.gain_hi_right = state.gain_lo_left = state.gain_lo_right = 1.0f;
  state.limit_gain_left = state.limit_gain_right = 1.0f;
}

TEST(EnvelopeStep, ReleaseClimbsToExactlyOneAndStaysThere) {
  struct Case {
    float release_ms;
    int samples_from_0_1;  // the sample on which the gain first equals 1
  };
  const Case cases[] = {{10.0f, 1286}, {1.0f, 129}};
  for (const Case& c : cases) {
    const float release_step = coefficients_for(10.0f, c.release_ms).release_step_hi;
    float gain = 0.1f;
    for (int sample = 1; sample < c.samples_from_0_1; ++sample) {
      envelope_step(gain, 0.01f, 0.5f, release_step, 10.0f, 0.0055f, true);
      ASSERT_LT(gain, 1.0f) << "release " << c.release_ms << " ms, sample " << sample;
    }
    envelope_step(gain, 0.01f, 0.5f, release_step, 10.0f, 0.0055f, true);
    EXPECT_EQ(gain, 1.0f) << "release " << c.release_ms << " ms";
    envelope_step(gain, 0.01f, 0.5f, release_step, 10.0f, 0.0055f, true);
    EXPECT_EQ(gain, 1.0f) << "release " << c.release_ms << " ms";
  }
}

TEST(EnvelopeStep, AttackMovesTheGainTowardTheTarget) {
  const float log_coef_0_1ms = coefficients_for(0.1f, 10.0f).attack_coef_hi;
  struct Case {
    const char* what;
    float gain;
    float x;
    float threshold;
    float release_step;
    float attack_ms;
    bool logarithmic;
    double expected;
    double tolerance;  // 0: exact
  };
  const Case cases[] = {
      {"exactly on the threshold: the target equals the gain", 0.5f, -1.0f, 0.5f, 0.0f, 0.1f,
       true, 0.5, 0.0},
      {"released gain exactly on the threshold stays", 0.5f, 1.0f, 0.75f, 0.25f, 0.1f, false,
       0.75, 0.0},
      {"linear attack stops exactly at the target", 0.5f, 1.6f, 0.5f, 0.0f, 0.1f, false, 0.3125,
       0.0},
      {"linear attack steps 0.023 / attack time", 0.5f, 1.0f, 0.25f, 0.0f, 10.0f, false, 0.4977,
       1e-7},
      {"logarithmic attack covers 55% of the distance at 0.1 ms", 1.0f, -2.0f, 0.5f, 0.0f, 0.1f,
       true, 1.0 - 0.55 * 0.75, 1e-6},
      {"release comes first, then the attack", 0.5f, 1.0f, 0.5f, 0.25f, 1.0f, false,
       0.75 - 0.023, 1e-7},
      {"threshold 0 and a zero sample leave the gain", 0.5f, 0.0f, 0.0f, 0.0f, 0.1f, true, 0.5,
       0.0},
      {"threshold 0 and a zero sample, linear", 0.25f, 0.0f, 0.0f, 0.0f, 0.1f, false, 0.25, 0.0},
  };
  for (const Case& c : cases) {
    float gain = c.gain;
    envelope_step(gain, c.x, c.threshold, c.release_step, c.attack_ms, log_coef_0_1ms,
                  c.logarithmic);
    if (c.tolerance == 0.0) {
      EXPECT_EQ(gain, static_cast<float>(c.expected)) << c.what;
    } else {
      EXPECT_NEAR(gain, c.expected, c.tolerance) << c.what;
    }
  }
}

TEST(LimiterStep, CutsToTheCeilingWhichComesOutAs32734) {
  for (const float y : {1.0f, 2.0f, -2.0f, 1000.0f, -0.999f}) {
    float limit_gain = 1.0f;
    const double limited = limiter_step(limit_gain, y);
    EXPECT_EQ(to_sample16(limited), y > 0 ? 32734 : -32734) << "y " << y;
  }
  float limit_gain = 1.0f;
  EXPECT_EQ(limiter_step(limit_gain, 0.5f), 0.5) << "below the ceiling nothing is cut";
  EXPECT_EQ(limit_gain, 1.0f);
}

TEST(LimiterStep, RecoversBy0Point0004PerSample) {
  struct Case {
    float start;
    int samples_to_one;
  };
  const Case cases[] = {{0.5f, 1250}, {0.0f, 2500}};
  for (const Case& c : cases) {
    float limit_gain = c.start;
    for (int sample = 1; sample < c.samples_to_one; ++sample) {
      limiter_step(limit_gain, 0.0f);
      ASSERT_LT(limit_gain, 1.0f) << "from " << c.start << ", sample " << sample;
    }
    limiter_step(limit_gain, 0.0f);
    EXPECT_EQ(limit_gain, 1.0f) << "from " << c.start;
  }
}

TEST(ToSample16, ScalesBy32767TruncatesTowardZeroAndSaturates) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Case {
    double z;
    int16_t expected;
  };
  const Case cases[] = {
      {std::numeric_limits<double>::quiet_NaN(), 0},
      {kInf, 32767},
      {-kInf, -32768},
      {1e300, 32767},
      {-1e300, -32768},
      {1.0, 32767},
      {-1.0, -32767},
      {32768.0 / 32767.0, 32767},
      {-32768.0 / 32767.0, -32768},
      {0.99999, 32766},
      {-0.5, -16383},
      {0.5, 16383},
      {0.999 / 32767.0, 0},
      {-0.999 / 32767.0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(to_sample16(c.z), c.expected) << "z " << c.z;
}

TEST(RunFrameLoop, BassWidthMixesTheLowBandTowardItsMean) {
  struct Case {
    float lo_stereo;
    double own_share;  // share of the channel's own low band; the rest is the other channel's
  };
  const Case cases[] = {{1.0f, 1.0}, {0.0f, 0.5}, {0.5f, 0.75}};
  for (const Case& c : cases) {
    ProcessorState state;
    init_processor_state(state);
    set_all_gains_to_one(state);
    std::mt19937 generator(3);
    std::uniform_real_distribution<float> value(-0.4f, 0.4f);
    for (int j = 0; j < kN; ++j) {
      state.low_left[j] = value(generator);
      state.low_right[j] = value(generator);
    }
    const RunVector<float> low_left = state.low_left;
    const RunVector<float> low_right = state.low_right;
    BlockSettings settings = transparent_settings();
    settings.lo_stereo = c.lo_stereo;
    run_frame_loop(state, settings, envelope_coefficients(settings));
    for (int j = 0; j < kN; ++j) {
      const double l = low_left[j];
      const double r = low_right[j];
      const double expected_left = c.own_share * l + (1.0 - c.own_share) * r;
      const double expected_right = c.own_share * r + (1.0 - c.own_share) * l;
      if (c.lo_stereo == 1.0f || c.lo_stereo == 0.0f) {
        // Both ends are exact: the band unchanged, or both channels the rounded mean.
        ASSERT_EQ(state.work_left[j], static_cast<float>(expected_left)) << c.lo_stereo << " " << j;
        ASSERT_EQ(state.work_right[j], static_cast<float>(expected_right)) << c.lo_stereo << " " << j;
      } else {
        ASSERT_NEAR(state.work_left[j], expected_left, 1e-7) << c.lo_stereo << " " << j;
        ASSERT_NEAR(state.work_right[j], expected_right, 1e-7) << c.lo_stereo << " " << j;
      }
      ASSERT_EQ(state.output_block[2 * j], to_sample16(state.work_left[j])) << j;
      ASSERT_EQ(state.output_block[2 * j + 1], to_sample16(state.work_right[j])) << j;
    }
  }
}

double output_rms(const ProcessorState& state) {
  double sum = 0.0;
  for (const int16_t sample : state.output_block) sum += static_cast<double>(sample) * sample;
  return std::sqrt(sum / state.output_block.size());
}

TEST(ProcessBlock, WeightedCurveBringsAnUncompressedBlockToOneTenth) {
  ProcessorState state;
  init_processor_state(state);
  for (int j = 0; j < kN; ++j) {
    const double phase = 2.0 * std::numbers::pi * 500.0 * j / kN;
    state.input_window[2 * j] = static_cast<int16_t>(10000.0 * std::sin(phase));
    state.input_window[2 * j + 1] = static_cast<int16_t>(10000.0 * std::cos(phase));
  }
  BlockSettings settings = transparent_settings();
  set_all_gains_to_one(state);
  process_block(state, settings);
  const double level_plain = output_rms(state);

  settings.weighted_curve = true;
  set_all_gains_to_one(state);
  process_block(state, settings);
  const double level_weighted = output_rms(state);

  ASSERT_GT(level_plain, 1000.0);
  EXPECT_NEAR(level_weighted / level_plain, 0.1, 0.001);
  EXPECT_EQ(state.limit_gain_left, 1.0f) << "the plain block was not limited";
}

}  // namespace
