#pragma once
// Loads the small binary fixtures under the test data folder and compares float arrays bit for bit.

#include <cstddef>
#include <string>
#include <vector>

// Full path of `relative` (e.g. "conformance/inputs/mix.wav") inside the test data folder.
std::string test_data_path(const std::string& relative);

// Reads exactly `count` raw little-endian float32 values from the data file `relative`.
// Returns an empty vector when the file is missing or does not hold exactly 4 x count bytes.
std::vector<float> load_float32_file(const std::string& relative, size_t count);

// Where two float arrays differ in their 32-bit patterns (so -0 differs from 0 and NaNs count).
struct BitMismatches {
  size_t count = 0;  // positions whose patterns differ
  size_t first = 0;  // lowest such position; meaningful only when count > 0
};

// Compares actual[0 .. count-1] with expected[0 .. count-1] pattern by pattern.
BitMismatches compare_bits(const float* actual, const float* expected, size_t count);
