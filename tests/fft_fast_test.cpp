// Every vectorised real_fft path against the plain one, bit for bit: recorded fixtures, ordinary
// signals, and inputs that reach the corners of floating point (denormals, overflow, infinities,
// NaN, signed zeros), in both directions.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "dsp/fft.h"
#include "test_data.h"

namespace {

using zelmar::FftPath;

constexpr int kN = 16384;
constexpr int kHalf = kN / 2;
constexpr float kInf = std::numeric_limits<float>::infinity();

std::vector<float> fixture(const std::string& name) {
  return load_float32_file("conformance/fixtures/" + name, kN);
}

// kN floats whose bit patterns are drawn by `pattern` from a fixed random sequence.
std::vector<float> from_patterns(const std::function<uint32_t(std::mt19937&)>& pattern) {
  std::mt19937 rng(2024);
  std::vector<float> data(kN);
  for (float& x : data) x = std::bit_cast<float>(pattern(rng));
  return data;
}

// Noise with random binary exponents from the denormal range up to 2^100: every result stays
// finite while the operands of each addition differ wildly in size.
uint32_t wide_range(std::mt19937& rng) {
  const uint32_t exponent = static_cast<uint32_t>(rng()) % 228;  // biased, 0 = denormal
  return (static_cast<uint32_t>(rng()) & 0x807FFFFFu) | exponent << 23;
}

uint32_t denormal(std::mt19937& rng) { return static_cast<uint32_t>(rng()) & 0x807FFFFFu; }

std::vector<float> with(std::vector<float> data, std::initializer_list<std::pair<int, float>> set) {
  for (const auto& [index, value] : set) data[index] = value;
  return data;
}

// Positions where actual and expected differ in their bit patterns, except that any NaN matches
// any NaN: which payload a NaN result carries depends on the order in which the compiler puts the
// operands of an addition or multiplication, and even the plain code gives different payloads at
// -O0 and -O2.
BitMismatches mismatches_but_nan_payloads(const std::vector<float>& actual,
                                          const std::vector<float>& expected) {
  BitMismatches result;
  for (size_t i = actual.size(); i-- > 0;) {
    if (std::isnan(actual[i]) && std::isnan(expected[i])) continue;
    if (std::bit_cast<uint32_t>(actual[i]) == std::bit_cast<uint32_t>(expected[i])) continue;
    ++result.count;
    result.first = i;
  }
  return result;
}

struct Case {
  const char* what;
  std::vector<float> input;
  int forward;
  const char* recorded;  // expected output fixture, or nullptr
};

std::vector<Case> cases() {
  const std::vector<float> noise = fixture("fft-noise.in.f32");
  const std::vector<float> square = fixture("fft-square.in.f32");
  const std::vector<float> spectrum = fixture("fft-spectrum.in.f32");
  const float nan_a = std::bit_cast<float>(0x7FC12345u);
  const float nan_b = std::bit_cast<float>(0xFFC54321u);
  const float big = std::numeric_limits<float>::max();
  const std::vector<float> overflowing =
      with(noise, {{100, 0.6f * big}, {8292, -0.7f * big}, {4196, 0.8f * big}});
  return {
      {"noise forward (recorded)", noise, 1, "fft-noise.forward.f32"},
      {"square wave forward (recorded)", square, 1, "fft-square.forward.f32"},
      {"random spectrum inverse (recorded)", spectrum, 0, "fft-spectrum.inverse.f32"},
      {"noise taken as a spectrum, inverse", noise, 0, nullptr},
      {"square wave taken as a spectrum, inverse", square, 0, nullptr},
      {"random spectrum taken as samples, forward", spectrum, 1, nullptr},
      {"wide range of exponents, forward", from_patterns(wide_range), 1, nullptr},
      {"wide range of exponents, inverse", from_patterns(wide_range), 0, nullptr},
      {"denormals only, forward", from_patterns(denormal), 1, nullptr},
      {"denormals only, inverse", from_patterns(denormal), 0, nullptr},
      // Sums overflow: part of the results finite, part infinite, part NaN.
      {"overflowing sums, forward", overflowing, 1, nullptr},
      {"overflowing sums, inverse", overflowing, 0, nullptr},
      {"infinities among noise, forward", with(noise, {{3, kInf}, {5000, -kInf}}), 1, nullptr},
      {"infinities among noise, inverse", with(noise, {{1, kInf}, {8192, -kInf}}), 0, nullptr},
      // A NaN reaches every result.
      {"NaNs of two payloads, forward", with(noise, {{777, nan_a}, {9000, nan_b}}), 1, nullptr},
      {"a NaN and an infinity, inverse", with(noise, {{777, nan_a}, {3, kInf}}), 0, nullptr},
      {"negative zeros and one value, forward",
       with(std::vector<float>(kN, -0.0f), {{12, 1.0f}}), 1, nullptr},
      {"negative zeros and one value, inverse",
       with(std::vector<float>(kN, -0.0f), {{8193, -1.0f}}), 0, nullptr},
  };
}

TEST(RealFftPaths, EveryPathGivesThePlainBitsOnEveryInput) {
  const std::vector<Case> all = cases();
  for (FftPath path : zelmar::fft_paths_available()) {
    for (const Case& c : all) {
      SCOPED_TRACE(std::string(zelmar::fft_path_name(path)) + ": " + c.what);
      ASSERT_EQ(c.input.size(), static_cast<size_t>(kN));
      std::vector<float> expected = c.input;
      zelmar::real_fft_plain(expected.data(), kHalf, c.forward);
      if (c.recorded != nullptr) {
        const std::vector<float> recorded = fixture(c.recorded);
        ASSERT_EQ(recorded.size(), static_cast<size_t>(kN));
        ASSERT_EQ(compare_bits(expected.data(), recorded.data(), kN).count, 0u);
      }
      std::vector<float> actual = c.input;
      zelmar::real_fft_with(path, actual.data(), kHalf, c.forward);
      const BitMismatches mismatches = mismatches_but_nan_payloads(actual, expected);
      EXPECT_EQ(mismatches.count, 0u)
          << "first at index " << mismatches.first << ": " << actual[mismatches.first]
          << " instead of " << expected[mismatches.first];
    }
  }
}

TEST(RealFftPaths, PlainIsAlwaysAvailableAndThePathInUseIsAvailable) {
  const std::vector<FftPath> paths = zelmar::fft_paths_available();
  ASSERT_FALSE(paths.empty());
  EXPECT_EQ(paths.front(), FftPath::plain);
  EXPECT_NE(std::find(paths.begin(), paths.end(), zelmar::fft_path_in_use()), paths.end());
}

}  // namespace
