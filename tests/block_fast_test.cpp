// The block processor, the cross-fade and the survey as the program runs them (per-run tables,
// fused passes, vector kernels) against the readable step functions: every path must give the
// same bits on loud, quiet, silent and NaN-producing material and settings.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "app/settings.h"
#include "dsp/block_path.h"
#include "dsp/block_tables.h"
#include "dsp/cross_fade.h"
#include "dsp/dynamics.h"
#include "dsp/dynamics_fast.h"
#include "dsp/process_block.h"
#include "dsp/settings.h"
#include "dsp/state.h"
#include "test_data.h"
#include "zederu/survey.h"
#include "zederu/survey_kernels.h"

namespace {

using namespace zelmar;

constexpr int kN = BLOCK_FRAMES;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The default settings of the command line (numbers 35 40 20 20 35 60 40 60 50).
BlockSettings defaults() {
  BlockSettings s;
  s.hi_thresh = s.lo_thresh = threshold_from_number(20.0);
  s.hi_attack = s.lo_attack = simple_attack_from_number(35.0);
  s.hi_release = s.lo_release = release_from_number(60.0);
  s.hi_gain = simple_gain_from_number(40.0);
  s.lo_gain = simple_gain_from_number(60.0);
  return s;
}

struct SettingsCase {
  const char* name;
  BlockSettings settings;
};

std::vector<SettingsCase> settings_cases() {
  std::vector<SettingsCase> cases;
  auto add = [&](const char* name, auto change) {
    BlockSettings s = defaults();
    change(s);
    cases.push_back({name, s});
  };
  add("defaults", [](BlockSettings&) {});
  add("linear attack", [](BlockSettings& s) { s.attack_curve = false; });
  add("auto equalizer", [](BlockSettings& s) {
    s.auto_eq = 25;
    s.eq_linearity = 150.0f;
    s.hi_thresh = s.lo_thresh = 1.6f;  // the preset's thresholds: the envelopes rest at 1
    s.hi_gain = s.lo_gain = 0.5f;
    s.lo_stereo = 1.0f;
  });
  add("weighted curve", [](BlockSettings& s) { s.weighted_curve = true; });
  add("weighted curve and equalizer", [](BlockSettings& s) {
    s.weighted_curve = true;
    s.auto_eq = 1;
  });
  add("thresholds 0", [](BlockSettings& s) { s.hi_thresh = s.lo_thresh = 0.0f; });
  add("attack 0", [](BlockSettings& s) { s.hi_attack = s.lo_attack = 0.0f; });
  add("linear attack 0", [](BlockSettings& s) {
    s.hi_attack = s.lo_attack = 0.0f;
    s.attack_curve = false;
  });
  add("release 0 and negative", [](BlockSettings& s) {
    s.hi_release = 0.0f;
    s.lo_release = -3.0f;
  });
  add("negative attack", [](BlockSettings& s) { s.hi_attack = s.lo_attack = -0.5f; });
  add("eq_linearity huge", [](BlockSettings& s) { s.eq_linearity = 1e30f; });
  add("eq_linearity tiny", [](BlockSettings& s) { s.eq_linearity = 1e-3f; });
  add("eq_linearity 0", [](BlockSettings& s) { s.eq_linearity = 0.0f; });
  add("NaN release and attack", [](BlockSettings& s) {
    s.hi_release = kNaN;
    s.lo_attack = kNaN;
  });
  add("NaN threshold and gain", [](BlockSettings& s) {
    s.hi_thresh = kNaN;
    s.lo_gain = kNaN;
  });
  add("loud gains hit the limiter", [](BlockSettings& s) {
    s.hi_thresh = s.lo_thresh = 1.0f;
    s.hi_gain = s.lo_gain = 40.0f;
  });
  add("mono bass, split 100", [](BlockSettings& s) {
    s.lo_stereo = 0.0f;
    s.split_freq = 100;
    s.split_slope = 1.0f;
  });
  return cases;
}

struct Signal {
  const char* name;
  int16_t (*sample)(int index, std::mt19937& random);
};

const Signal kSignals[] = {
    {"loud", [](int i, std::mt19937& r) {
       return static_cast<int16_t>(20000.0 * std::sin(i * 0.0031) +
                                   std::uniform_int_distribution<int>(-12000, 12000)(r));
     }},
    {"full scale", [](int i, std::mt19937&) {
       return static_cast<int16_t>((i / 7) % 2 == 0 ? 32767 : -32768);
     }},
    {"quiet", [](int, std::mt19937& r) {
       return static_cast<int16_t>(std::uniform_int_distribution<int>(-3, 3)(r));
     }},
    {"silent", [](int, std::mt19937&) { return int16_t{0}; }},
};

void fill_half_block(ProcessorState& state, const Signal& signal, int block, std::mt19937& random) {
  std::memmove(state.input_window.data(), state.input_window.data() + kN, sizeof(int16_t) * kN);
  for (int i = 0; i < kN; ++i) {
    state.input_window[kN + i] = signal.sample(block * kN + i, random);
  }
}

// First position where two float arrays differ in their bits, or count when none does. A NaN
// matches any NaN: the sign and payload of a NaN depend on which operand the compiler puts first
// in a commutative operation, and nothing downstream looks at them (comparisons with a NaN are
// false whatever it is, and a NaN becomes the sample 0).
size_t first_mismatch(const float* a, const float* b, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (std::isnan(a[i]) && std::isnan(b[i])) continue;
    if (compare_bits(a + i, b + i, 1).count > 0) return i;
  }
  return count;
}

// Every buffer and gain that process_block writes, bit for bit; "" when all agree.
std::string first_difference(const ProcessorState& a, const ProcessorState& b) {
  if (a.output_block != b.output_block) return "output_block";
  const std::pair<const char*, const RunVector<float>*> arrays[] = {
      {"work_left", &a.work_left}, {"work_right", &a.work_right},
      {"low_left", &a.low_left},   {"low_right", &a.low_right}};
  const RunVector<float>* others[] = {&b.work_left, &b.work_right, &b.low_left, &b.low_right};
  for (int k = 0; k < 4; ++k) {
    const size_t at = first_mismatch(arrays[k].second->data(), others[k]->data(), kN);
    if (at < kN) return std::string(arrays[k].first) + " at " + std::to_string(at);
  }
  const float gains_a[] = {a.gain_hi_left, a.gain_hi_right, a.gain_lo_left,
                           a.gain_lo_right, a.limit_gain_left, a.limit_gain_right};
  const float gains_b[] = {b.gain_hi_left, b.gain_hi_right, b.gain_lo_left,
                           b.gain_lo_right, b.limit_gain_left, b.limit_gain_right};
  const size_t at = first_mismatch(gains_a, gains_b, 6);
  if (at < 6) return "gain " + std::to_string(at);
  return "";
}

TEST(BlockPaths, EveryPathMatchesTheStepFunctionsBitForBit) {
  for (const SettingsCase& c : settings_cases()) {
    for (const Signal& signal : kSignals) {
      for (BlockPath path : block_paths_available()) {
        ProcessorState by_steps;
        init_processor_state(by_steps);
        // A level curve with zero and negative entries, as a survey of real input may leave.
        for (int i = 0; i < kN; i += 2) by_steps.eq_curve[i] = static_cast<float>(i % 97) - 3.0f;
        ProcessorState fast = by_steps;
        std::mt19937 random_steps(11);
        std::mt19937 random_fast(11);
        for (int block = 0; block < 3; ++block) {
          fill_half_block(by_steps, signal, block, random_steps);
          fill_half_block(fast, signal, block, random_fast);
          process_block_by_steps(by_steps, c.settings);
          process_block_with(path, fast, c.settings);
          ASSERT_EQ(first_difference(fast, by_steps), "")
              << c.name << ", " << signal.name << ", path " << block_path_name(path) << ", block "
              << block;
        }
      }
    }
  }
}

TEST(BlockPaths, TablesFollowAChangedEqualizerCurveAndSettings) {
  BlockSettings settings = defaults();
  settings.auto_eq = 10;
  ProcessorState by_steps;
  init_processor_state(by_steps);
  std::mt19937 random(5);
  fill_half_block(by_steps, kSignals[0], 0, random);
  fill_half_block(by_steps, kSignals[0], 1, random);
  ProcessorState fast = by_steps;
  prepare_block_tables(fast, settings);
  const struct {
    float level;
    float eq_linearity;
  } steps[] = {{2.0f, 100.0f}, {0.5f, 100.0f}, {0.5f, 70.0f}};
  for (const auto& step : steps) {
    for (ProcessorState* state : {&by_steps, &fast}) {
      std::fill(state->eq_curve.begin(), state->eq_curve.end(), step.level);
    }
    settings.eq_linearity = step.eq_linearity;
    process_block_by_steps(by_steps, settings);
    process_block(fast, settings);
    ASSERT_EQ(first_difference(fast, by_steps), "") << "level " << step.level;
  }
}

// Band values that drive every branch of the envelopes and limiters, including the NaN target of
// a threshold of 0 with a sample of 0, infinities, and gains that start away from their rest.
TEST(BlockPaths, FrameLoopOnExtremeBandValuesMatchesTheStepFunctions) {
  const float specials[] = {0.0f, -0.0f, kNaN, kInf, -kInf, 1e-40f, 0.02f, -0.5f, 3.0f, 1e30f};
  const float start_gains[] = {0.1f, 1.0f, 0.0f, 1.5f, kNaN};
  for (const SettingsCase& c : settings_cases()) {
    for (float start : start_gains) {
      for (BlockPath path : block_paths_available()) {
        ProcessorState plain;
        init_processor_state(plain);
        std::mt19937 random(3);
        std::uniform_int_distribution<int> pick(0, 19);
        for (auto* band : {&plain.work_left, &plain.work_right, &plain.low_left, &plain.low_right}) {
          for (int j = 0; j < kN; ++j) {
            const int p = pick(random);
            // Stretches of zeros keep the gains at rest, so the shortcuts get their turn too.
            (*band)[j] = (j / 512) % 3 == 0 ? 0.0f : p < 10 ? specials[p] : (p - 14) * 0.01f;
          }
        }
        plain.gain_hi_left = plain.gain_lo_right = start;
        plain.limit_gain_left = start;
        ProcessorState fast = plain;
        const EnvelopeCoefficients coefficients = envelope_coefficients(c.settings);
        run_frame_loop(plain, c.settings, coefficients);
        run_frame_loop_with(path, fast, c.settings, coefficients);
        ASSERT_EQ(first_difference(fast, plain), "")
            << c.name << ", start gain " << start << ", path " << block_path_name(path);
      }
    }
  }
}

// The cross-fade's definition: older x (1 - w) + newer x w in double precision, truncated.
TEST(BlockPaths, CrossFadeOfExtremeSamplesMatchesTheDoubleExpression) {
  std::vector<int16_t> older(kN), newer(kN), expected(kN);
  std::mt19937 random(9);
  std::uniform_int_distribution<int> any(-32768, 32767);
  for (int i = 0; i < kN; ++i) {
    const int16_t extremes[] = {-32768, 32767, 0, -1, 1};
    older[i] = i % 3 == 0 ? extremes[i % 5] : static_cast<int16_t>(any(random));
    newer[i] = i % 4 == 0 ? extremes[(i / 4) % 5] : static_cast<int16_t>(any(random));
    const double w = static_cast<double>(i) / kN;
    expected[i] = static_cast<int16_t>(older[i] * (1.0 - w) + newer[i] * w);
  }
  for (BlockPath path : block_paths_available()) {
    std::vector<int16_t> blend(kN);
    cross_fade_with(path, older.data(), newer.data(), blend.data());
    EXPECT_EQ(blend, expected) << block_path_name(path);
  }
}

#ifdef ZELMAR_BLOCK_X86
bool cpu_has_avx2() {
  return block_paths_available().back() == BlockPath::avx2;
}

TEST(SurveyPaths, VectorMagnitudeSumsMatchThePlainOnes) {
  if (!cpu_has_avx2()) GTEST_SKIP() << "no AVX2 here";
  std::vector<float> left(kN), right(kN), plain(kN), vector(kN);
  std::mt19937 random(4);
  std::uniform_real_distribution<float> value(-2.0f, 2.0f);
  const float specials[] = {0.0f, kNaN, kInf, 1e-40f, 3e38f};
  for (int i = 0; i < kN; ++i) {
    left[i] = i % 50 == 0 ? specials[(i / 50) % 5] : value(random);
    right[i] = value(random);
    plain[i] = vector[i] = i % 2 == 0 ? value(random) : static_cast<float>(i);  // odd: untouched
  }
  accumulate_magnitudes(left.data(), right.data(), plain.data(), kN);
  avx2::accumulate_magnitudes(left.data(), right.data(), vector.data(), kN);
  const BitMismatches m = compare_bits(vector.data(), plain.data(), kN);
  EXPECT_EQ(m.count, 0u) << "first at " << m.first;
}

TEST(SurveyPaths, VectorSmoothingMatchesThePlainOne) {
  if (!cpu_has_avx2()) GTEST_SKIP() << "no AVX2 here";
  // The narrowest and widest windows, widths whose spans step unevenly across a vector, and a
  // short curve whose entries do not fill whole groups of 32.
  const struct Case {
    int frame_count;
    int width;
  } cases[] = {{kN, 4}, {kN, 5}, {kN, 17}, {kN, 33}, {kN, 76}, {kN, 99}, {kN, 100}, {136, 100}};
  for (const Case& c : cases) {
    std::vector<float> averaged(c.frame_count, 0.0f);
    std::mt19937 random(8);
    std::uniform_real_distribution<float> value(0.0f, 50.0f);
    for (int k = 0; k < c.frame_count; k += 2) averaged[k] = value(random);
    const double spread = c.width * static_cast<double>(0.005f);
    std::vector<float> plain(c.frame_count, 0.0f), vector(c.frame_count, 0.0f);
    for (int k = c.frame_count - 2; k >= 0; k -= 2) {
      smooth_entry(averaged.data(), plain.data(), c.frame_count, k, spread);
    }
    ASSERT_TRUE(avx2::smooth_entries(averaged.data(), vector.data(), c.frame_count, spread));
    const BitMismatches m = compare_bits(vector.data(), plain.data(), c.frame_count);
    ASSERT_EQ(m.count, 0u) << c.frame_count << " entries, width " << c.width << ", first at "
                           << m.first;
  }
}
#endif

}  // namespace
