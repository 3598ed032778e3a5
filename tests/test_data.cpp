#include "test_data.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

std::string test_data_path(const std::string& relative) {
  return std::string(ZELMAR_TEST_DATA) + "/" + relative;
}

std::vector<float> load_float32_file(const std::string& relative, size_t count) {
  std::ifstream file(test_data_path(relative), std::ios::binary);
  const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(file),
                                         std::istreambuf_iterator<char>()};
  if (bytes.size() != 4 * count) return {};
  std::vector<float> values(count);
  for (size_t i = 0; i < count; ++i) {
    // Assembled byte by byte so that the files read the same on any host byte order.
    const uint32_t pattern = uint32_t{bytes[4 * i]} | uint32_t{bytes[4 * i + 1]} << 8 |
                             uint32_t{bytes[4 * i + 2]} << 16 | uint32_t{bytes[4 * i + 3]} << 24;
    values[i] = std::bit_cast<float>(pattern);
  }
  return values;
}

BitMismatches compare_bits(const float* actual, const float* expected, size_t count) {
  BitMismatches result;
  for (size_t i = 0; i < count; ++i) {
    if (std::bit_cast<uint32_t>(actual[i]) == std::bit_cast<uint32_t>(expected[i])) continue;
    if (result.count == 0) result.first = i;
    ++result.count;
  }
  return result;
}
