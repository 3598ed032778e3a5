// The stream driver: runs one input file through the block processor into one output file.
#pragma once

#include "dsp/settings.h"

namespace zelmar {

// Exit codes of a run.
constexpr int EXIT_OK = 0;
constexpr int EXIT_INPUT_FAILED = -1;   // input not opened, or a read failed
constexpr int EXIT_OUTPUT_FAILED = -2;  // output not opened, or it is the input itself
constexpr int EXIT_WRITE_FAILED = -3;   // a write to the output failed (also: usage errors)
constexpr int EXIT_OUT_OF_MEMORY = -4;  // a buffer could not be allocated

// Streams `input_path` through the block processor into `output_path` ("output.wav", announced
// on the console, when null): half-overlapping windows joined by a linear cross-fade, the output
// completed to the input's length, and the input's first and last 512 bytes copied over it.
// Returns one of the exit codes above.
int run_stream(const char* input_path, const char* output_path, const BlockSettings& settings);

}  // namespace zelmar
