// The transforms on the window length the program uses: N = 16384 real values, n = 8192 points.

#include "dsp/fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "test_data.h"

namespace {

using zelmar::bit_reverse;
using zelmar::complex_fft;
using zelmar::real_fft;

constexpr int kN = 16384;
constexpr int kHalf = kN / 2;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

using Signal = std::function<double(int)>;

std::vector<float> sampled(const Signal& signal) {
  std::vector<float> data(kN);
  for (int j = 0; j < kN; ++j) data[j] = static_cast<float>(signal(j));
  return data;
}

Signal cosine(double amplitude, int k0) {
  return [=](int j) { return amplitude * std::cos(kTwoPi * k0 * j / kN); };
}

Signal sine(double amplitude, int k0) {
  return [=](int j) { return amplitude * std::sin(kTwoPi * k0 * j / kN); };
}

Signal alternating(double c) {
  return [=](int j) { return j % 2 == 0 ? c : -c; };
}

Signal constant(double c) {
  return [=](int) { return c; };
}

// Largest distance of data from `expected` over all indices.
double max_deviation(const std::vector<float>& data, const std::vector<double>& expected) {
  double worst = 0.0;
  for (size_t i = 0; i < data.size(); ++i) worst = std::max(worst, std::fabs(data[i] - expected[i]));
  return worst;
}

TEST(RealFft, ForwardPutsEachPureSignalIntoItsPackedIndex) {
  struct Case {
    const char* what;
    Signal signal;
    int index;      // the one index that holds the signal
    double value;   // what it holds; every other index holds 0
  };
  const Case cases[] = {
      {"constant lands on DC", constant(0.25), 0, 0.25},
      {"alternating lands on Nyquist", alternating(-0.125), 1, -0.125},
      {"cosine: A/2 in the real part", cosine(0.6, 300), 600, 0.3},
      {"sine: +A/2 in the imaginary part", sine(0.6, 300), 601, 0.3},
      {"lowest bin", cosine(0.5, 1), 2, 0.25},
      {"highest bin", sine(0.5, kHalf - 1), kN - 1, 0.25},
      {"self-mirrored bin N/4, cosine", cosine(0.5, kN / 4), kHalf, 0.25},
      {"self-mirrored bin N/4, sine", sine(0.5, kN / 4), kHalf + 1, 0.25},
  };
  for (const Case& c : cases) {
    std::vector<float> data = sampled(c.signal);
    real_fft(data.data(), kHalf, 1);
    std::vector<double> expected(kN, 0.0);
    expected[c.index] = c.value;
    EXPECT_LT(max_deviation(data, expected), 2e-7) << c.what;
  }
}

TEST(RealFft, InverseOfOneIndexGivesThePureSignal) {
  struct Case {
    const char* what;
    int index;
    float value;
    Signal expected;
  };
  const Case cases[] = {
      {"0.5 in a real part: cosine of amplitude 1", 600, 0.5f, cosine(1.0, 300)},
      {"0.5 in an imaginary part: sine of amplitude 1", 601, 0.5f, sine(1.0, 300)},
      {"self-mirrored bin N/4, real part", kHalf, 0.5f, cosine(1.0, kN / 4)},
      {"self-mirrored bin N/4, imaginary part", kHalf + 1, 0.5f, sine(1.0, kN / 4)},
      {"DC: the constant", 0, 0.75f, constant(0.75)},
      {"Nyquist: the alternating sequence", 1, 0.75f, alternating(0.75)},
  };
  for (const Case& c : cases) {
    std::vector<float> data(kN, 0.0f);
    data[c.index] = c.value;
    real_fft(data.data(), kHalf, 0);
    std::vector<double> expected(kN);
    for (int j = 0; j < kN; ++j) expected[j] = c.expected(j);
    EXPECT_LT(max_deviation(data, expected), 2e-6) << c.what;
  }
}

TEST(RealFft, ForwardThenInverseReturnsTheInput) {
  const std::vector<float> inputs[] = {
      load_float32_file("conformance/fixtures/fft-noise.in.f32", kN),
      load_float32_file("conformance/fixtures/fft-square.in.f32", kN),
      sampled([](int j) { return 0.3 * std::sin(0.001 * j * j) + 0.01 * (j % 7); }),
  };
  for (const std::vector<float>& input : inputs) {
    ASSERT_EQ(input.size(), static_cast<size_t>(kN));
    std::vector<float> data = input;
    real_fft(data.data(), kHalf, 1);
    real_fft(data.data(), kHalf, 0);
    double peak = 0.0;
    for (float x : input) peak = std::max(peak, std::fabs(double{x}));
    const std::vector<double> expected(input.begin(), input.end());
    EXPECT_LT(max_deviation(data, expected), 1e-6 * peak);
  }
}

TEST(ComplexFft, UnitImpulseSpreadsEvenlyAndComesBack) {
  std::vector<float> data(kN, 0.0f);
  data[0] = 1.0f;
  complex_fft(data.data(), kHalf, 1);
  // Every butterfly adds an exact zero to an exact one, and 1/(2n) is a power of two.
  for (int m = 0; m < kHalf; ++m) {
    ASSERT_EQ(data[2 * m], 1.0f / kN) << "point " << m;
    ASSERT_EQ(data[2 * m + 1], 0.0f) << "point " << m;
  }
  complex_fft(data.data(), kHalf, 0);
  std::vector<double> impulse(kN, 0.0);
  impulse[0] = 1.0;
  EXPECT_LT(max_deviation(data, impulse), 1e-6);
}

TEST(BitReverse, EightPointsSwapMirroredPositions) {
  // Point p holds (p, -p); after the permutation position q holds the point with q's bits reversed.
  std::vector<float> data;
  for (int p = 0; p < 8; ++p) data.insert(data.end(), {float(p), -float(p)});
  bit_reverse(data.data(), 16);
  const int expected_point[8] = {0, 4, 2, 6, 1, 5, 3, 7};
  for (int q = 0; q < 8; ++q) {
    EXPECT_EQ(data[2 * q], float(expected_point[q])) << "position " << q;
    EXPECT_EQ(data[2 * q + 1], -float(expected_point[q])) << "position " << q;
  }
}

TEST(RealFft, MatchesRecordedTransformsBitForBit) {
  struct Case {
    const char* input;
    const char* expected;
    int forward;
  };
  const Case cases[] = {
      {"fft-noise.in.f32", "fft-noise.forward.f32", 1},
      {"fft-square.in.f32", "fft-square.forward.f32", 1},
      {"fft-spectrum.in.f32", "fft-spectrum.inverse.f32", 0},
  };
  for (const Case& c : cases) {
    const std::string folder = "conformance/fixtures/";
    std::vector<float> data = load_float32_file(folder + c.input, kN);
    const std::vector<float> expected = load_float32_file(folder + c.expected, kN);
    ASSERT_EQ(data.size(), static_cast<size_t>(kN)) << c.input;
    ASSERT_EQ(expected.size(), static_cast<size_t>(kN)) << c.expected;
    real_fft(data.data(), kHalf, c.forward);
    const BitMismatches mismatches = compare_bits(data.data(), expected.data(), kN);
    EXPECT_EQ(mismatches.count, 0u) << c.expected << ": first differing index " << mismatches.first
                                    << ", got " << data[mismatches.first] << ", recorded "
                                    << expected[mismatches.first];
  }
}

}  // namespace
