// Fuzzes the command line and settings path through to the stream driver.
//
// Input layout: the first byte picks one of four fixed input files (bits 0-1); the rest is split
// at NUL bytes into the arguments that follow the input and output names (at most kMaxSettings).
// Both names are fixed paths inside a private folder, so no run can reach any other file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace {

using namespace zelmar_fuzz;

constexpr size_t kMaxSettings = 16;
constexpr int kInputCount = 4;

// Empty, odd-sized, one half block and a bit, and enough for the equalizer survey to average
// and smooth (three measured windows).
constexpr size_t kInputSizes[kInputCount] = {0, 3, 32768 + 7, 4 * 32768 + 100};

std::string input_paths[kInputCount];
std::string input_contents[kInputCount];
std::string output_path;

// Loud noise with a slow swell, so that compressors and limiter all have work to do.
std::string make_signal(size_t size) {
  std::string bytes(size, '\0');
  uint32_t seed = 12345;
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const uint32_t swell = static_cast<uint32_t>(i / 4 % 8192) * 2;
    bytes[i] = static_cast<char>((seed >> 24) & (i % 2 ? 0xFF : swell >> 6));
  }
  return bytes;
}

std::vector<std::string> split_settings(const uint8_t* data, size_t size) {
  std::vector<std::string> pieces;
  if (size == 0) return pieces;
  std::string piece;
  for (size_t i = 0; i < size && pieces.size() < kMaxSettings; ++i) {
    if (data[i] == 0) {
      pieces.push_back(piece);
      piece.clear();
    } else {
      piece.push_back(static_cast<char>(data[i]));
    }
  }
  if (pieces.size() < kMaxSettings) pieces.push_back(piece);
  return pieces;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string folder = make_private_folder();
  for (int i = 0; i < kInputCount; ++i) {
    input_paths[i] = folder + "in" + std::to_string(i) + ".raw";
    input_contents[i] = make_signal(kInputSizes[i]);
    write_file(input_paths[i], input_contents[i].data(), input_contents[i].size());
  }
  output_path = folder + "out.raw";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int file = data[0] & 3;
  std::vector<std::string> arguments = {"zelmar2", input_paths[file], output_path};
  for (std::string& setting : split_settings(data + 1, size - 1)) arguments.push_back(setting);

  remove_file(output_path);
  const int result = run_program(arguments);
  // With a readable input and a writable output the only failure is a refused command line.
  if (result != 0 && result != -3) fail("unexpected exit code " + std::to_string(result));
  if (result == 0) check_output(input_contents[file], output_path);
  check_input_untouched(input_contents[file], input_paths[file]);
  return 0;
}
