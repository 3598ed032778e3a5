#include "app/stream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "app/platform.h"
#include "app/wav_format.h"
#include "dsp/block_tables.h"
#include "dsp/cross_fade.h"
#include "dsp/process_block.h"
#include "dsp/state.h"
#include "zederu/survey.h"

namespace zelmar {
namespace {

constexpr const char* kDefaultOutput = "output.wav";
constexpr int64_t kEndCopyBytes = 512;

void report_write_error() {
  std::printf("Error writing to output file");
  std::fflush(stdout);
}

void report_no_memory() {
  std::printf("Not enough memory for the processing buffers\n");
  std::fflush(stdout);
}

void report_read_error() {
  std::printf("Error reading input file\n");
  std::fflush(stdout);
}

// Copies `count` bytes at `offset` from the input over the output, through `scratch`.
int copy_range(int input_fd, int output_fd, int64_t offset, int64_t count, void* scratch) {
  if (count <= 0) return EXIT_OK;
  if (seek_file(input_fd, offset, SEEK_SET) < 0 ||
      read_fully(input_fd, scratch, static_cast<size_t>(count)) != count) {
    report_read_error();
    return EXIT_INPUT_FAILED;
  }
  if (seek_file(output_fd, offset, SEEK_SET) < 0 ||
      !write_fully(output_fd, scratch, static_cast<size_t>(count))) {
    report_write_error();
    return EXIT_WRITE_FAILED;
  }
  return EXIT_OK;
}

// Writes the last processed half block, completes the output with zeros to the input's length
// and copies the input's trailer and header over the output.
int finish_output(ProcessorState& state, int input_fd, int output_fd, int64_t input_length) {
  int64_t output_length = seek_file(output_fd, 0, SEEK_CUR);
  if (output_length < 0) {
    report_write_error();
    return EXIT_WRITE_FAILED;
  }
  // An input under one half block holds less than the last half block covers: write only what it
  // covers, so the output never grows past the input's length.
  const int64_t last_bytes =
      std::clamp<int64_t>(input_length - output_length, 0, HALF_BLOCK_BYTES);
  if (!write_fully(output_fd, state.output_block.data() + BLOCK_FRAMES,
                   static_cast<size_t>(last_bytes))) {
    report_write_error();
    return EXIT_WRITE_FAILED;
  }
  output_length += last_bytes;
  std::fill(state.input_window.begin(), state.input_window.end(), int16_t{0});
  const int64_t window_bytes = static_cast<int64_t>(state.input_window.size() * sizeof(int16_t));
  while (output_length < input_length) {
    const int64_t chunk = std::min(window_bytes, input_length - output_length);
    if (!write_fully(output_fd, state.input_window.data(), static_cast<size_t>(chunk))) {
      report_write_error();
      return EXIT_WRITE_FAILED;
    }
    output_length += chunk;
  }
  std::printf("fixing header info   \r");
  std::fflush(stdout);
  const int64_t copy_bytes = std::min(kEndCopyBytes, input_length);
  void* scratch = state.output_block.data();
  int result = copy_range(input_fd, output_fd, input_length - copy_bytes, copy_bytes, scratch);
  if (result != EXIT_OK) return result;
  result = copy_range(input_fd, output_fd, 0, copy_bytes, scratch);
  if (result != EXIT_OK) return result;
  std::printf("                     \r");
  std::fflush(stdout);
  return EXIT_OK;
}

// The block loop: shift, read, process, cross-fade, write. The first window only primes it.
int run_block_loop(ProcessorState& state, const BlockSettings& settings, int input_fd,
                   int output_fd, int64_t half_block_count) {
  int16_t* window = state.input_window.data();
  int16_t* output = state.output_block.data();
  int16_t* tail = state.previous_tail.data();
  int64_t block_number = 0;
  int64_t blocks_left = half_block_count;
  for (;;) {
    ++block_number;
    --blocks_left;
    std::memcpy(window, window + BLOCK_FRAMES, HALF_BLOCK_BYTES);
    std::memcpy(tail, output + BLOCK_FRAMES, HALF_BLOCK_BYTES);
    const ptrdiff_t got = read_fully(input_fd, window + BLOCK_FRAMES, HALF_BLOCK_BYTES);
    if (got < 0) {
      report_read_error();
      return EXIT_INPUT_FAILED;
    }
    if (got != HALF_BLOCK_BYTES) return EXIT_OK;
    std::printf("block %lld ...          \r", static_cast<long long>(blocks_left));
    std::fflush(stdout);
    process_block(state, settings);
    cross_fade_with(block_path_in_use(), tail, output, window);
    if (block_number == 1) continue;
    if (!write_fully(output_fd, window, HALF_BLOCK_BYTES)) {
      report_write_error();
      return EXIT_WRITE_FAILED;
    }
  }
}

}  // namespace

int run_stream(const char* input_path, const char* output_path, const BlockSettings& settings) {
  FileHandle input = open_input_file(input_path);
  if (!input.is_open()) {
    std::printf("Input file '%s' could not be opened\n", input_path);
    return EXIT_INPUT_FAILED;
  }
  warn_about_unexpected_wav_format(input.fd(), input_path);
  const int64_t input_length = seek_file(input.fd(), 0, SEEK_END);
  if (input_length < 0 || seek_file(input.fd(), 0, SEEK_SET) != 0) {
    std::printf("Input file '%s' could not be opened\n", input_path);
    return EXIT_INPUT_FAILED;
  }
  if (output_path == nullptr) {
    output_path = kDefaultOutput;
    std::printf("saving file as: %s\n", output_path);
  }
  if (is_same_file(input.fd(), output_path)) {
    std::printf("Output file '%s' is the input file\n", output_path);
    return EXIT_OUTPUT_FAILED;
  }
  FileHandle output = open_output_file(output_path);
  if (!output.is_open()) {
    std::printf("Output file '%s' could not be opened\n", output_path);
    return EXIT_OUTPUT_FAILED;
  }

  ProcessorState state;
  try {
    init_processor_state(state);
  } catch (const std::bad_alloc&) {
    report_no_memory();
    return EXIT_OUT_OF_MEMORY;
  }
  const int64_t half_block_count = (input_length / 2) / BLOCK_FRAMES;

  if (settings.auto_eq > 0) {
    const int measured =
        measure_eq_curve(input.fd(), state, BLOCK_FRAMES, half_block_count, settings.auto_eq - 1);
    if (measured == SURVEY_READ_ERROR) {
      report_read_error();
      return EXIT_INPUT_FAILED;
    }
    if (measured == SURVEY_OUT_OF_MEMORY) {
      std::printf("Not enough memory for the equalizer curve\n");
      return EXIT_OUT_OF_MEMORY;
    }
  }
  try {
    prepare_block_tables(state, settings);
  } catch (const std::bad_alloc&) {
    report_no_memory();
    return EXIT_OUT_OF_MEMORY;
  }
  lower_thread_priority();

  const int loop_result =
      run_block_loop(state, settings, input.fd(), output.fd(), half_block_count);
  if (loop_result != EXIT_OK) return loop_result;
  return finish_output(state, input.fd(), output.fd(), input_length);
}

}  // namespace zelmar
