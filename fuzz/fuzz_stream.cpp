// Fuzzes the stream driver with small files and varied settings, through the whole program.
//
// Input layout: byte 0 picks the mode (simple, preset, advanced: byte % 3) and how many settings
// follow the mode word (byte / 3 % 15); bytes 1..14 encode those settings, one byte each (see
// setting_text); everything after byte 14 is the content of the input file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace {

using namespace zelmar_fuzz;

constexpr size_t kHeaderBytes = 15;
constexpr size_t kMaxSettings = 14;
std::string input_path;
std::string output_path;

enum Mode { SIMPLE = 0, PRESET = 1, ADVANCED = 2 };

// Texts the number readers must cope with; codes 240..255 pick one of them.
const char* const kAwkwardNumbers[16] = {
    "nan", "inf", "-inf", "1e999", "-1e999", "", "0.5", "99.99",
    "2147483648", "-2147483649", "1e-45", "12abc", "0x10", "  7", "-0", "100000"};

// Codes 0..239 stand for the whole numbers -40..199; the rest for the awkward texts above.
std::string setting_text(uint8_t code) {
  if (code >= 240) return kAwkwardNumbers[code - 240];
  return std::to_string(static_cast<int>(code) - 40);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string folder = make_private_folder();
  input_path = folder + "in.raw";
  output_path = folder + "out.raw";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeaderBytes) return 0;
  const Mode mode = static_cast<Mode>(data[0] % 3);
  const size_t setting_count = data[0] / 3 % (kMaxSettings + 1);
  const std::string input(reinterpret_cast<const char*>(data + kHeaderBytes), size - kHeaderBytes);
  write_file(input_path, input.data(), input.size());
  remove_file(output_path);

  std::vector<std::string> arguments = {"zelmar2", input_path, output_path};
  if (mode == PRESET) arguments.push_back("ZedeRU");
  if (mode == ADVANCED) arguments.push_back("ADVANCED");
  for (size_t i = 0; i < setting_count; ++i) arguments.push_back(setting_text(data[1 + i]));

  const int result = run_program(arguments);
  // Only the preset (linearity 0) and advanced mode (too few values) can reject their numbers.
  const bool may_reject = mode != SIMPLE;
  if (result != 0 && !(result == -3 && may_reject)) {
    fail("unexpected exit code " + std::to_string(result));
  }
  if (result == 0) check_output(input, output_path);
  check_input_untouched(input, input_path);
  return 0;
}
