// The spectrum survey: which windows of a file are measured, what it prints, the weighted sums,
// the averaging and smoothing, and the recorded curves of a real input.

#include "zederu/survey.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "dsp/state.h"
#include "test_data.h"

namespace {

using namespace zelmar;

constexpr int kN = BLOCK_FRAMES;
constexpr int kSineBin = 1000;  // cycles per window: the sine sits in entry 2 * kSineBin

// A temporary file holding the given bytes, open for reading at its start; removed when done.
class TempInput {
 public:
  explicit TempInput(const std::string& bytes) {
    std::string name = testing::TempDir() + "survey-XXXXXX";
    fd_ = mkstemp(name.data());
    path_ = name;
    if (fd_ < 0) return;
    if (write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
    lseek(fd_, 0, SEEK_SET);
  }
  ~TempInput() {
    if (fd_ >= 0) ::close(fd_);
    unlink(path_.c_str());
  }
  TempInput(const TempInput&) = delete;
  TempInput& operator=(const TempInput&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
  std::string path_;
};

// `byte_count` bytes of 16-bit stereo holding a sine of kSineBin cycles per window with the given
// amplitudes (16-bit units) in the left and the right channel.
std::string sine_file(size_t byte_count, double left_amplitude, double right_amplitude) {
  std::string bytes;
  for (size_t frame = 0; bytes.size() < byte_count; ++frame) {
    const double s = std::sin(2.0 * std::numbers::pi * kSineBin * double(frame) / kN);
    for (const double amplitude : {left_amplitude, right_amplitude}) {
      const auto sample = static_cast<uint16_t>(static_cast<int16_t>(std::lround(amplitude * s)));
      bytes += static_cast<char>(sample & 0xff);
      bytes += static_cast<char>(sample >> 8);
    }
  }
  bytes.resize(byte_count);
  return bytes;
}

std::string progress(int countdown) {
  return "Measuring EQ on block " + std::to_string(countdown) + " ...          \r";
}
const std::string kPreparing = "preparing EQ curve...         \r";

struct SurveyRun {
  int measured;
  std::string printed;
  int64_t position_after;
  std::vector<float> eq_curve;
};

SurveyRun survey(const std::string& bytes, int strength) {
  ProcessorState state;
  init_processor_state(state);
  TempInput input(bytes);
  EXPECT_GE(input.fd(), 0) << "temporary file";
  const int64_t half_block_count = static_cast<int64_t>(bytes.size() / 2) / kN;
  testing::internal::CaptureStdout();
  const int measured = measure_eq_curve(input.fd(), state, kN, half_block_count, strength);
  std::string printed = testing::internal::GetCapturedStdout();
  return {measured, printed, lseek(input.fd(), 0, SEEK_CUR), {state.eq_curve.begin(), state.eq_curve.end()}};
}

int count_nonzero_odd_entries(const std::vector<float>& eq_curve) {
  int count = 0;
  for (size_t k = 1; k < eq_curve.size(); k += 2) count += eq_curve[k] != 0.0f;
  return count;
}

TEST(MeasureEqCurve, MeasuresEveryCompleteWindowAndRewinds) {
  struct Case {
    size_t bytes;
    int measured;
    std::string printed;
    double sine_entry;  // expected eq_curve[2 * kSineBin]
  };
  const Case cases[] = {
      {0, 0, "", 0.0},
      {32768, 0, "", 0.0},
      {65535, 0, "", 0.0},
      {65536, 1, progress(0), 37.5},
      // Two windows: the plain sum, neither averaged nor smoothed.
      {98304, 2, progress(1) + progress(0), 75.0},
      {131072, 3, progress(2) + progress(1) + progress(0) + kPreparing, 37.5},
      {131075, 3, progress(2) + progress(1) + progress(0) + kPreparing, 37.5},
  };
  for (const Case& c : cases) {
    const SurveyRun run = survey(sine_file(c.bytes, 16384, 16384), 99);
    EXPECT_EQ(run.measured, c.measured) << c.bytes << " bytes";
    EXPECT_EQ(run.printed, c.printed) << c.bytes << " bytes";
    EXPECT_EQ(run.position_after, 0) << c.bytes << " bytes: the input is rewound";
    EXPECT_NEAR(run.eq_curve[2 * kSineBin], c.sine_entry, 1e-3) << c.bytes << " bytes";
    EXPECT_EQ(count_nonzero_odd_entries(run.eq_curve), 0) << c.bytes << " bytes";
    if (c.measured == 0) {
      EXPECT_EQ(std::count(run.eq_curve.begin(), run.eq_curve.end(), 0.0f), kN) << c.bytes;
    }
  }
}

TEST(MeasureEqCurve, WeighsTheLeftChannelTwiceTheRight) {
  struct Case {
    double left_amplitude;
    double right_amplitude;
    double sine_entry;
  };
  const Case cases[] = {{16384, 16384, 37.5}, {16384, 0, 25.0}, {0, 16384, 12.5}};
  for (const Case& c : cases) {
    const SurveyRun run = survey(sine_file(4 * HALF_BLOCK_BYTES, c.left_amplitude,
                                           c.right_amplitude), 99);
    EXPECT_NEAR(run.eq_curve[2 * kSineBin], c.sine_entry, 1e-3)
        << "left " << c.left_amplitude << ", right " << c.right_amplitude;
    EXPECT_LT(run.eq_curve[2 * kSineBin + 10], 1e-3) << "the sine stays in its own entry";
  }
}

TEST(PrepareEqCurve, FlatCurveIsAveragedAndSmoothedToHalfItsLevel) {
  constexpr float v = 8.0f;
  constexpr int kMeasured = 3;
  struct Entry {
    int entry;
    double expected;
    double tolerance;  // relative; 0: exact
  };
  struct Case {
    int strength;
    std::vector<Entry> entries;
  };
  const Case cases[] = {
      // Strength 24: a window of +/-38 %; entries with k x 0.38 < 2 have none. Near the top the
      // window reaches past the array and the missing terms count as 0.
      {24, {{0, 0.0, 0.0}, {4, 0.0, 0.0}, {6, v / 2, 0.0}, {200, v / 2, 1e-5},
            {11800, v / 2, 1e-4}, {kN - 2, v / 4, 1e-3}}},
      // Strength 96 (width 4): no window up to entry 100.
      {96, {{100, 0.0, 0.0}, {102, v / 2, 0.0}}},
      // Strength 97 and above: the average itself.
      {97, {{0, v, 0.0}, {kN - 2, v, 0.0}}},
      {99, {{6, v, 0.0}}},
  };
  for (const Case& c : cases) {
    std::vector<float> eq_curve(kN, 0.0f);
    for (int k = 0; k < kN; k += 2) eq_curve[k] = v * kMeasured;
    ASSERT_TRUE(prepare_eq_curve(eq_curve.data(), kN, kMeasured, c.strength));
    for (const Entry& e : c.entries) {
      if (e.tolerance == 0.0) {
        EXPECT_EQ(eq_curve[e.entry], static_cast<float>(e.expected))
            << "strength " << c.strength << ", entry " << e.entry;
      } else {
        EXPECT_NEAR(eq_curve[e.entry], e.expected, e.tolerance * e.expected)
            << "strength " << c.strength << ", entry " << e.entry;
      }
    }
    EXPECT_EQ(count_nonzero_odd_entries(eq_curve), 0) << "strength " << c.strength;
  }
}

TEST(PrepareEqCurve, Entry200AtStrength0SpansEntries104To298) {
  // The single-precision 0.005 makes 200 x 100 x 0.005 truncate to 99, so h = 98, not 100, and
  // the window's lowest entry k - h is left out. Each spike, averaged over two windows and
  // weighed 1 / (2 x 98), adds its own power of two to entry 200 when it lies in the window.
  struct Spike {
    int entry;
    float contribution;
    bool in_window;
  };
  const Spike spikes[] = {
      {100, 1, false}, {102, 2, false}, {104, 4, true}, {200, 8, true}, {298, 16, true},
      {300, 32, false}};
  std::vector<float> eq_curve(kN, 0.0f);
  float expected = 0.0f;
  for (const Spike& s : spikes) {
    eq_curve[s.entry] = 2 * 196.0f * s.contribution;
    if (s.in_window) expected += s.contribution;
  }
  ASSERT_TRUE(prepare_eq_curve(eq_curve.data(), kN, 2, 0));
  EXPECT_EQ(eq_curve[200], expected) << "4 + 8 + 16: entries 104, 200 and 298 only";
}

TEST(MeasureEqCurve, MatchesRecordedCurvesOfMixBitForBit) {
  const int strengths[] = {0, 24, 99};
  for (const int strength : strengths) {
    const int fd = open(test_data_path("conformance/inputs/mix.wav").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0) << "mix.wav";
    const int64_t length = lseek(fd, 0, SEEK_END);
    lseek(fd, 0, SEEK_SET);
    ProcessorState state;
    init_processor_state(state);
    testing::internal::CaptureStdout();
    const int measured = measure_eq_curve(fd, state, kN, (length / 2) / kN, strength);
    testing::internal::GetCapturedStdout();
    close(fd);
    EXPECT_EQ(measured, static_cast<int>(length / HALF_BLOCK_BYTES) - 1);

    const std::string recorded =
        "conformance/fixtures/eq-mix-strength" + std::to_string(strength) + ".f32";
    const std::vector<float> expected = load_float32_file(recorded, kN);
    ASSERT_EQ(expected.size(), static_cast<size_t>(kN)) << recorded;
    const BitMismatches mismatches = compare_bits(state.eq_curve.data(), expected.data(), kN);
    EXPECT_EQ(mismatches.count, 0u) << recorded << ": first differing entry " << mismatches.first
                                    << ", got " << state.eq_curve[mismatches.first]
                                    << ", recorded " << expected[mismatches.first];
  }
}

}  // namespace
