// The spectrum survey: measures the average magnitude spectrum of the whole input before the
// block loop and smooths it into the equalizer's reference curve.
#pragma once

#include <cstdint>

#include "dsp/state.h"

namespace zelmar {

// Result codes besides the (non-negative) number of measured windows.
constexpr int SURVEY_READ_ERROR = -1;    // a read failed with an error (not end of file)
constexpr int SURVEY_OUT_OF_MEMORY = -2; // the averaged copy could not be allocated

// Reads the input (descriptor `input_fd`, positioned at its start) in half blocks through
// state.input_window, measures every complete window of two half blocks with forward transforms
// in state.work_left/work_right, and leaves in state.eq_curve the weighted magnitude sum
// (100 x left + 50 x right) per even entry: plain sums when two or fewer windows were measured,
// otherwise averaged and, for strength < 97, smoothed. frame_count is BLOCK_FRAMES;
// half_block_count only drives the progress countdown; strength is auto_eq - 1 (0..99).
// The input is rewound afterwards and the last reads stay in input_window.
// Returns the number of measured windows, or SURVEY_READ_ERROR / SURVEY_OUT_OF_MEMORY.
int measure_eq_curve(int input_fd, ProcessorState& state, int frame_count,
                     int64_t half_block_count, int strength);

// Measures the window in state.input_window (frame_count stereo frames): converts both channels
// (x 2^-15) into work_left/work_right, transforms them forward and adds 100 x |left bin| +
// 50 x |right bin| to every even entry of state.eq_curve.
void measure_window(ProcessorState& state, int frame_count);

// Averages the summed curve over `measured` windows and smooths it for the given strength,
// in place on eq_curve (frame_count entries). Returns false when memory is short.
bool prepare_eq_curve(float* eq_curve, int frame_count, int measured, int strength);

}  // namespace zelmar
